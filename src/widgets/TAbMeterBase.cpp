#include "TAbMeterBase.h"

#include "InstrumentMath.h"
#include "PaintHelpers.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kScaleRadius = 90.0; // the scale arc
constexpr double kMajorInner = 78.0;
constexpr double kMinorInner = 84.0;
constexpr double kNumberRadius = 64.0;
constexpr double kNeedleLength = 86.0;
constexpr double kHubRadius = 7.5;
constexpr double kPi = 3.14159265358979323846;

QPointF polar(double radius, double rotationDeg)
{
    const double r = rotationDeg * kPi / 180.0;
    return QPointF(radius * std::sin(r), -radius * std::cos(r));
}

} // namespace

TAbMeterBase::TAbMeterBase(double sweep, QWidget *parent)
    : QWidget(parent)
    , m_sweep(sweep)
{
    // the cached face covers every pixel, so Qt need not clear the background first
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TAbMeterBase::setRange(double min, double max)
{
    if (!kelvane::orderRange(min, max))
        return;
    m_min = min;
    m_max = max;
    m_value = kelvane::clampToRange(m_value, m_min, m_max);
    invalidateFace();
}

void TAbMeterBase::setValue(double value)
{
    const double v = kelvane::clampToRange(value, m_min, m_max);
    if (v == m_value)
        return;
    m_value = v;
    update();
}

void TAbMeterBase::setUnit(const QString &unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    invalidateFace();
}

void TAbMeterBase::setDecimals(int decimals)
{
    decimals = std::clamp(decimals, 0, 6);
    if (decimals == m_decimals)
        return;
    m_decimals = decimals;
    invalidateFace();
}

double TAbMeterBase::needleRotation() const
{
    return -m_sweep / 2.0 + kelvane::meterAngle(m_value, m_min, m_max, m_sweep);
}

void TAbMeterBase::invalidateFace()
{
    m_faceValid = false;
    update();
}

void TAbMeterBase::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::LocaleChange:
    case QEvent::EnabledChange:
        m_faceValid = false;
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

bool TAbMeterBase::toLogical(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = logicalBox();
    const double s = std::min(width() / box.width(), height() / box.height());
    if (!(s > 0.0))
        return false;
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(s, s);
    p.translate(-box.center());
    // Below about 180 px the fixed logical text sizes would fall under 11 px: let them grow a bit.
    m_textBoost = std::clamp(0.9 / s, 1.0, 1.35);
    return true;
}

void TAbMeterBase::paintEvent(QPaintEvent *)
{
    // Face, scale, numbers, unit and the empty value box change only with size, range or caption: they
    // are drawn once into a pixmap, and so is the hub. A value change then costs one blit, one needle
    // fill, one small blit and the value text.
    const qreal dpr = devicePixelRatioF();
    if (!m_faceValid || m_face.size() != size() * dpr || m_face.devicePixelRatio() != dpr) {
        m_face = QPixmap(size() * dpr);
        m_face.setDevicePixelRatio(dpr);
        m_face.fill(palette().color(QPalette::Window));
        QPainter fp(&m_face);
        if (toLogical(fp)) {
            paintFace(fp);
            paintScale(fp);
            paintUnit(fp);
            paintValueBox(fp);
            // the hub, in device pixels around the pivot
            const QRectF hubDevice = fp.transform().mapRect(
                QRectF(-kHubRadius - 1, -kHubRadius - 1, 2 * kHubRadius + 2, 2 * kHubRadius + 2));
            m_hubOrigin = hubDevice.toAlignedRect().topLeft();
            const QSize hubSize = hubDevice.toAlignedRect().size();
            m_hub = QPixmap(hubSize * dpr);
            m_hub.setDevicePixelRatio(dpr);
            m_hub.fill(Qt::transparent);
            QPainter hp(&m_hub);
            hp.setRenderHint(QPainter::Antialiasing);
            hp.translate(-m_hubOrigin);
            hp.setTransform(fp.transform(), true);
            paintHub(hp);
        }
        m_faceValid = true;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_face);
    if (!toLogical(p))
        return;
    paintValueText(p);
    paintNeedle(p);
    p.resetTransform();
    p.drawPixmap(m_hubOrigin, m_hub);
    // A disabled meter shows a value that is not live (the link is down): veil it.
    if (!isEnabled())
        p.fillRect(rect(), QColor(240, 240, 240, 160));
}

void TAbMeterBase::paintScale(QPainter &p) const
{
    const QColor ink(0x1a, 0x1a, 0x1a);
    // The arc: Qt counts angles counter-clockwise from three o'clock, the needle clockwise from twelve.
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF arcRect(-kScaleRadius, -kScaleRadius, 2 * kScaleRadius, 2 * kScaleRadius);
    p.drawArc(arcRect, int((90.0 + m_sweep / 2.0) * 16), int(-m_sweep * 16));

    const int target = m_sweep > 200 ? 8 : 6;
    const kelvane::ScaleTicks ticks = kelvane::niceScale(m_min, m_max, target, false);
    auto rotationOf = [&](double v) { return -m_sweep / 2.0 + kelvane::meterAngle(v, m_min, m_max, m_sweep); };

    p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::FlatCap));
    for (double v : ticks.minor) {
        const double r = rotationOf(v);
        p.drawLine(polar(kScaleRadius, r), polar(kMinorInner, r));
    }
    p.setPen(QPen(ink, 2.6, Qt::SolidLine, Qt::FlatCap));
    for (double v : ticks.major) {
        const double r = rotationOf(v);
        p.drawLine(polar(kScaleRadius, r), polar(kMajorInner, r));
    }

    // Numbers upright inside the ticks; the font shrinks until neighbours keep apart.
    QStringList texts;
    for (double v : ticks.labels)
        texts << widgetpaint::numberText(v, ticks.decimals);
    if (texts.isEmpty())
        return;
    double gap = 1e9; // free arc length between neighbouring numbers
    for (std::size_t i = 1; i < ticks.labels.size(); ++i) {
        const double da = std::fabs(rotationOf(ticks.labels[i]) - rotationOf(ticks.labels[i - 1])) * kPi / 180.0;
        gap = std::min(gap, da * kNumberRadius);
    }
    int px = int(15 * std::min(m_textBoost, 1.2));
    for (; px > 8; --px) {
        const QFontMetricsF fm(widgetpaint::withPixelSize(font(), px, true));
        double widest = 0;
        for (const QString &t : texts)
            widest = std::max(widest, fm.horizontalAdvance(t));
        if (widest + 6 <= gap && widest <= 44 * m_textBoost)
            break;
    }
    const QFont f = widgetpaint::withPixelSize(font(), px, true);
    p.setFont(f);
    p.setPen(ink);
    const QFontMetricsF fm(f);
    for (std::size_t i = 0; i < ticks.labels.size(); ++i) {
        const double r = rotationOf(ticks.labels[i]);
        // Pull wide numbers in a little so they keep clear of the ticks at the sides of the dial.
        const double w = fm.horizontalAdvance(texts[int(i)]);
        const double radius = kNumberRadius - std::max(0.0, (w - 16) * 0.5 * std::fabs(std::sin(r * kPi / 180.0)));
        const QPointF c = polar(radius, r);
        p.drawText(QRectF(c.x() - 30, c.y() - 10, 60, 20), Qt::AlignCenter, texts[int(i)]);
    }
}

void TAbMeterBase::paintUnit(QPainter &p) const
{
    if (m_unit.isEmpty())
        return;
    const QRectF unitBox(-unitHalfWidth(), unitY() - 9, 2 * unitHalfWidth(), 18);
    const int px
        = widgetpaint::fittingPixelSize(font(), { m_unit }, unitBox.size(), int(std::min(12 * m_textBoost, 14.0)), 7);
    p.setFont(widgetpaint::withPixelSize(font(), px));
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.drawText(unitBox, Qt::AlignCenter, m_unit);
}

TAbMeterBase::ValueBox TAbMeterBase::valueBox() const
{
    // Sized for the widest text the range can produce, so it does not jump as the value moves.
    ValueBox b;
    b.px = std::min(int(16 * m_textBoost), 19);
    const QFontMetricsF fm(widgetpaint::withPixelSize(font(), b.px, true));
    double widest = std::max(fm.horizontalAdvance(widgetpaint::numberText(m_min, m_decimals)),
        fm.horizontalAdvance(widgetpaint::numberText(m_max, m_decimals)));
    if (m_min < 0)
        widest = std::max(widest,
            fm.horizontalAdvance(QLatin1Char('-') + widgetpaint::numberText(std::max(-m_min, m_max), m_decimals)));
    const double w = std::clamp(widest + 14, 44.0, 90.0);
    const double h = std::min(fm.height() + 3, 22.0);
    b.rect = QRectF(-w / 2, valueBoxY() - h / 2, w, h);
    return b;
}

void TAbMeterBase::paintValueBox(QPainter &p) const
{
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 1.0));
    p.setBrush(QColor(0x22, 0x26, 0x2a));
    p.drawRoundedRect(valueBox().rect, 3, 3);
}

void TAbMeterBase::paintValueText(QPainter &p) const
{
    const ValueBox b = valueBox();
    const QString text = widgetpaint::numberText(m_value, m_decimals);
    QFont f = widgetpaint::withPixelSize(font(), b.px, true);
    if (QFontMetricsF(f).horizontalAdvance(text) > b.rect.width() - 4)
        f = widgetpaint::withPixelSize(font(),
            widgetpaint::fittingPixelSize(f, { text }, QSizeF(b.rect.width() - 4, b.rect.height()), b.px, 7), true);
    p.setPen(QColor(0xf4, 0xf4, 0xf0));
    m_numbers.draw(p, f, b.rect, Qt::AlignCenter, text);
}

void TAbMeterBase::paintNeedle(QPainter &p) const
{
    // One plain fill: outlines and shadows would each cost another rasterisation on every value change.
    p.save();
    p.rotate(needleRotation());
    QPolygonF needle;
    needle << QPointF(-3.4, 10) << QPointF(-1.0, -kNeedleLength) << QPointF(1.0, -kNeedleLength) << QPointF(3.4, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0x10, 0x10));
    p.drawPolygon(needle);
    p.restore();
}

void TAbMeterBase::paintHub(QPainter &p)
{
    QRadialGradient hub(QPointF(-2, -2), 9);
    hub.setColorAt(0, QColor(0x90, 0x90, 0x90));
    hub.setColorAt(1, QColor(0x20, 0x20, 0x20));
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 0.8));
    p.setBrush(hub);
    p.drawEllipse(QPointF(0, 0), kHubRadius, kHubRadius);
}
