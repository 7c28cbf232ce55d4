#include "TAbLED.h"

#include "PaintHelpers.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QTimer>

#include <algorithm>

TAbLED::TAbLED(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TAbLED::setChecked(bool lit)
{
    if (lit == m_checked)
        return;
    m_checked = lit;
    update();
}

void TAbLED::setStatusInt(int state)
{
    if (state == m_status)
        return;
    m_status = state;
    update();
}

void TAbLED::setFlashing(bool flashing)
{
    if (flashing == m_flashing)
        return;
    m_flashing = flashing;
    m_blinkOn = true;
    updateTimer();
    update();
}

void TAbLED::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    updateGeometry();
    update();
}

void TAbLED::setLedColor(const QColor &color)
{
    if (color == m_ledColor)
        return;
    m_ledColor = color;
    update();
}

QColor TAbLED::stateColor() const
{
    switch (m_status) {
    case 0:
        return m_ledColor;
    case 1:
        return QColor(0xf0, 0x18, 0x10);
    default:
        return QColor(0xf0, 0xa8, 0x10);
    }
}

bool TAbLED::isLitNow() const
{
    return m_flashing ? m_blinkOn : m_checked;
}

QSize TAbLED::sizeHint() const
{
    const QFontMetricsF fm(font());
    const int lamp = 16;
    if (m_caption.isEmpty())
        return QSize(lamp + 4, lamp + 4);
    return QSize(lamp + 6 + int(fm.horizontalAdvance(m_caption)) + 4, std::max(lamp + 4, int(fm.height()) + 4));
}

QSize TAbLED::minimumSizeHint() const
{
    return QSize(12, 12);
}

void TAbLED::updateTimer()
{
    const bool run = m_flashing && isVisible();
    if (run && !m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(BlinkIntervalMs);
        connect(m_timer, &QTimer::timeout, this, &TAbLED::blink);
    }
    if (!m_timer)
        return;
    if (run && !m_timer->isActive())
        m_timer->start();
    else if (!run)
        m_timer->stop();
}

void TAbLED::blink()
{
    m_blinkOn = !m_blinkOn;
    update();
}

void TAbLED::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void TAbLED::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void TAbLED::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TAbLED::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TAbLED::paintEvent(QPaintEvent *)
{
    // The lamp looks the same for the same state and size: drawn once into a pixmap and reused
    // while nothing it shows changes (status lamps get the same state with every live record).
    const qreal dpr = devicePixelRatioF();
    const LampKey key { size(), dpr, stateColor().rgba(), isLitNow(), isEnabled(), m_caption, font(),
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText).rgba() };
    // One picture lit and one dark: a lamp that follows a flag keeps both.
    Lamp &lamp = m_lamps[key.lit ? 1 : 0];
    if (lamp.picture.isNull() || !(key == lamp.key)) {
        lamp.picture = QPixmap(size() * dpr);
        lamp.picture.setDevicePixelRatio(dpr);
        lamp.picture.fill(Qt::transparent);
        QPainter lp(&lamp.picture);
        paintLamp(lp);
        lamp.key = key;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, lamp.picture);
}

void TAbLED::paintLamp(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const double w = width(), h = height();
    const bool side = !m_caption.isEmpty() && w >= h * 1.5; // caption to the right
    double d; // lamp diameter
    QRectF textRect;
    int px = 8;
    if (m_caption.isEmpty()) {
        d = std::min(w, h) - 2;
    } else if (side) {
        d = std::min(h - 2, 22.0);
        const QRectF free(d + 6, 0, std::max(1.0, w - d - 7), h);
        px = m_fit.get(font(), { m_caption }, free.size(), std::clamp(int(h * 0.6), 8, 14), 7);
        textRect = free;
    } else {
        px = m_fit.get(font(), { m_caption }, QSizeF(w - 2, h * 0.45), std::clamp(int(h * 0.3), 8, 13), 7);
        const double th = QFontMetricsF(widgetpaint::withPixelSize(font(), px)).height();
        d = std::min(w - 2, h - th - 3);
        textRect = QRectF(0, h - th, w, th);
    }
    d = std::max(4.0, d);
    const QPointF c = side || m_caption.isEmpty() ? QPointF(m_caption.isEmpty() ? w / 2 : d / 2 + 2, h / 2)
                                                  : QPointF(w / 2, (h - textRect.height() - 1) / 2);
    const double r = d / 2;

    QColor base = stateColor();
    if (!isEnabled())
        base = QColor(0x90, 0x90, 0x90);
    const bool lit = isLitNow();
    QRadialGradient g(c + QPointF(-r * 0.3, -r * 0.3), r * 1.3);
    if (lit) {
        g.setColorAt(0, base.lighter(175));
        g.setColorAt(0.5, base);
        g.setColorAt(1, base.darker(160));
    } else {
        const QColor dark = widgetpaint::blend(base, QColor(0x20, 0x20, 0x20), 0.72);
        g.setColorAt(0, dark.lighter(150));
        g.setColorAt(1, dark.darker(140));
    }
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), std::max(1.0, d / 16)));
    p.setBrush(g);
    p.drawEllipse(c, r, r);

    // Specular highlight: a soft white spot at the upper left.
    QRadialGradient hl(c + QPointF(-r * 0.35, -r * 0.4), r * 0.55);
    hl.setColorAt(0, QColor(255, 255, 255, lit ? 200 : 90));
    hl.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(hl);
    p.drawEllipse(c + QPointF(-r * 0.35, -r * 0.4), r * 0.55, r * 0.55);

    if (!m_caption.isEmpty()) {
        p.setFont(widgetpaint::withPixelSize(font(), px));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const QFontMetricsF fm(p.font());
        const QString text = fm.elidedText(m_caption, Qt::ElideRight, textRect.width());
        p.drawText(textRect, (side ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, text);
    }
}
