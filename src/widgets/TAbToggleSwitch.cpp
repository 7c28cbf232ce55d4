#include "TAbToggleSwitch.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

TAbToggleSwitch::TAbToggleSwitch(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TAbToggleSwitch::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
}

void TAbToggleSwitch::userToggle()
{
    m_on = !m_on;
    update();
    emit clicked();
}

void TAbToggleSwitch::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    event->accept();
}

void TAbToggleSwitch::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    event->accept();
    if (rect().contains(event->position().toPoint()))
        userToggle();
}

void TAbToggleSwitch::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        event->accept();
        userToggle();
        return;
    }
    QWidget::keyPressEvent(event);
}

QRectF TAbToggleSwitch::trackRect() const
{
    // Keep the track at about 2:1 whatever the widget's shape, centred.
    const double h = std::min<double>(height() - 2, (width() - 2) / 1.9);
    const double w = h * 1.9;
    return QRectF((width() - w) / 2, (height() - h) / 2, w, h);
}

void TAbToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF t = trackRect();
    if (t.height() < 2)
        return;
    const double r = t.height() / 2;

    QColor track = m_on ? QColor(0x2a, 0xa0, 0x3c) : QColor(0xa4, 0xa6, 0xa8);
    if (!isEnabled())
        track = QColor(0xc8, 0xc8, 0xc8);
    QLinearGradient g(t.topLeft(), t.bottomLeft());
    g.setColorAt(0, track.darker(125));
    g.setColorAt(1, track.lighter(115));
    p.setPen(QPen(hasFocus() ? QColor(0x30, 0x60, 0xb0) : track.darker(160), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(t.adjusted(0.5, 0.5, -0.5, -0.5), r, r);

    // The knob sits at the right end when on.
    const double kr = r - 2;
    const QPointF kc(m_on ? t.right() - r : t.left() + r, t.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawEllipse(kc + QPointF(0.8, 1.2), kr, kr);
    QRadialGradient kg(kc + QPointF(-kr * 0.3, -kr * 0.4), kr * 1.4);
    kg.setColorAt(0, QColor(0xff, 0xff, 0xff));
    kg.setColorAt(1, QColor(0xd0, 0xd2, 0xd4));
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 0.8));
    p.setBrush(kg);
    p.drawEllipse(kc, kr, kr);
}
