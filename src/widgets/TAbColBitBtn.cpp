#include "TAbColBitBtn.h"

#include "PaintHelpers.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TAbColBitBtn::TAbColBitBtn(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TAbColBitBtn::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    updateGeometry();
    update();
}

void TAbColBitBtn::setOnText(const QString &text)
{
    m_onText = text;
    updateGeometry();
    update();
}

void TAbColBitBtn::setOffText(const QString &text)
{
    m_offText = text;
    updateGeometry();
    update();
}

void TAbColBitBtn::setOnColor(const QColor &color)
{
    m_onColor = color;
    update();
}

void TAbColBitBtn::setOffColor(const QColor &color)
{
    m_offColor = color;
    update();
}

QSize TAbColBitBtn::sizeHint() const
{
    const QFontMetricsF fm(widgetpaint::withPixelSize(font(), 12, true));
    const double w = std::max(fm.horizontalAdvance(m_onText), fm.horizontalAdvance(m_offText));
    return QSize(std::max(32, int(w) + 14), int(fm.height()) + 8);
}

QSize TAbColBitBtn::minimumSizeHint() const
{
    return QSize(20, 14);
}

void TAbColBitBtn::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = m_pressedInside = true;
    update();
    event->accept();
}

void TAbColBitBtn::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != m_pressedInside) {
        m_pressedInside = inside;
        update();
    }
}

void TAbColBitBtn::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = m_pressedInside = false;
    update();
    event->accept();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void TAbColBitBtn::keyPressEvent(QKeyEvent *event)
{
    if (!event->isAutoRepeat()
        && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TAbColBitBtn::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void TAbColBitBtn::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void TAbColBitBtn::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool down = m_pressed && m_pressedInside;

    QLinearGradient g(r.topLeft(), r.bottomLeft());
    QColor top(0xfb, 0xfb, 0xfb), bottom(0xdd, 0xdf, 0xe2);
    if (m_hover && isEnabled()) {
        top = QColor(0xff, 0xff, 0xff);
        bottom = QColor(0xe8, 0xec, 0xf2);
    }
    if (down)
        std::swap(top, bottom);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(hasFocus() ? QColor(0x30, 0x60, 0xb0) : QColor(0x8a, 0x8c, 0x90), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r, 2.5, 2.5);

    const QString text = currentText();
    const QRectF textBox = r.adjusted(3, 1, -3, -1).translated(down ? 0.5 : 0, down ? 0.5 : 0);
    const int maxPx = std::clamp(int(height() * 0.62), 8, 13);
    const int px = m_fit.get(font(), { m_onText, m_offText }, textBox.size(), maxPx, 7);
    p.setFont(widgetpaint::withPixelSize(font(), px, true));
    p.setPen(isEnabled() ? (m_on ? m_onColor : m_offColor) : QColor(0x98, 0x98, 0x98));
    const QFontMetricsF fm(p.font());
    p.drawText(textBox, Qt::AlignCenter, fm.elidedText(text, Qt::ElideRight, textBox.width()));
}
