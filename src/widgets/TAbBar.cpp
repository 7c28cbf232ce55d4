#include "TAbBar.h"

#include "PaintHelpers.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 2.0;
constexpr double kMajorTick = 4.0;
constexpr double kMinorTick = 2.0;

double lineHeight(const QFont &base, int px)
{
    return QFontMetricsF(widgetpaint::withPixelSize(base, px)).height();
}

double textWidth(const QFont &base, int px, const QStringList &texts, bool bold = false)
{
    const QFontMetricsF fm(widgetpaint::withPixelSize(base, px, bold));
    double w = 0;
    for (const QString &t : texts)
        w = std::max(w, fm.horizontalAdvance(t));
    return w;
}

} // namespace

TAbBar::TAbBar(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the cached background covers every pixel
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void TAbBar::setRange(double min, double max)
{
    if (!kelvane::orderRange(min, max))
        return;
    m_min = min;
    m_max = max;
    m_value = kelvane::clampToRange(m_value, m_min, m_max);
    invalidateLayout();
}

void TAbBar::setValue(double value)
{
    const double v = kelvane::clampToRange(value, m_min, m_max);
    if (v == m_value)
        return;
    m_value = v;
    update();
}

void TAbBar::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    invalidateLayout();
    updateGeometry();
}

void TAbBar::setOrientation(Qt::Orientation orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    setSizePolicy(orientation == Qt::Vertical ? QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding)
                                              : QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred));
    invalidateLayout();
    updateGeometry();
}

void TAbBar::setDecimals(int decimals)
{
    decimals = std::clamp(decimals, 0, 6);
    if (decimals == m_decimals)
        return;
    m_decimals = decimals;
    invalidateLayout();
}

void TAbBar::setBarColor(const QColor &color)
{
    if (color == m_barColor)
        return;
    m_barColor = color;
    update();
}

QRectF TAbBar::troughRect() const
{
    return layout().trough;
}

QSize TAbBar::sizeHint() const
{
    return m_orientation == Qt::Vertical ? QSize(56, 160) : QSize(160, m_caption.isEmpty() ? 22 : 34);
}

QSize TAbBar::minimumSizeHint() const
{
    return m_orientation == Qt::Vertical ? QSize(16, 48) : QSize(40, 10);
}

void TAbBar::resizeEvent(QResizeEvent *event)
{
    // (a hidden widget gets a resize event on every resize(), even to the same size)
    if (event->size() != event->oldSize())
        invalidateLayout();
    QWidget::resizeEvent(event);
}

void TAbBar::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::LocaleChange:
        invalidateLayout();
        break;
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
        m_backValid = false;
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TAbBar::invalidateLayout()
{
    m_layoutValid = false;
    m_backValid = false;
    update();
}

const TAbBar::Layout &TAbBar::layout() const
{
    if (!m_layoutValid) {
        m_layout = Layout();
        if (m_orientation == Qt::Vertical)
            layoutVertical(m_layout);
        else
            layoutHorizontal(m_layout);
        m_layoutValid = true;
    }
    return m_layout;
}

QFont TAbBar::boldFont() const
{
    QFont f = font();
    f.setBold(true);
    return f;
}

QStringList TAbBar::extremeValueTexts() const
{
    return { widgetpaint::numberText(m_min, m_decimals), widgetpaint::numberText(m_max, m_decimals) };
}

void TAbBar::layoutVertical(Layout &l) const
{
    const double w = width(), h = height();
    const double innerW = std::max(1.0, w - 2 * kMargin);
    double top = kMargin, bottom = h - kMargin;

    if (!m_caption.isEmpty()) {
        // Up to two lines; the font shrinks before the text is cut.
        const int maxPx = std::clamp(int(h * 0.085), 8, 13);
        int px = maxPx;
        QRectF r;
        bool fits = false;
        for (; px >= 7; --px) {
            const QFontMetricsF fm(widgetpaint::withPixelSize(font(), px));
            r = fm.boundingRect(QRectF(0, 0, innerW, 1e6), Qt::TextWordWrap | Qt::AlignHCenter, m_caption);
            bool wordsFit = true;
            for (const QString &word : m_caption.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                wordsFit = wordsFit && fm.horizontalAdvance(word) <= innerW;
            if (wordsFit && r.height() <= fm.lineSpacing() * 2 + 1) {
                fits = true;
                break;
            }
        }
        l.captionPx = std::max(px, 7);
        const QFontMetricsF fm(widgetpaint::withPixelSize(font(), l.captionPx));
        l.captionWrap = fits;
        l.captionText = fits ? m_caption : fm.elidedText(m_caption, Qt::ElideRight, innerW);
        const double ch = fits ? r.height() : fm.height();
        l.caption = QRectF(kMargin, top, innerW, ch);
        top += ch + 2;
    }

    const int valueMax = std::clamp(int(std::min(w * 0.32, h * 0.1)), 8, 14);
    l.valuePx = widgetpaint::fittingPixelSize(boldFont(), extremeValueTexts(), QSizeF(innerW, 1e6), valueMax, 6);
    const double vh = lineHeight(font(), l.valuePx);
    l.value = QRectF(kMargin, bottom - vh, innerW, vh);
    bottom -= vh + 2;

    const double areaH = bottom - top;
    const int labelPx = std::clamp(int(w * 0.2), 7, 11);
    const double labelH = lineHeight(font(), labelPx);
    if (w >= 30 && areaH >= labelH * 3) {
        const double troughH = areaH - labelH;
        const int target = std::clamp(int(troughH / (labelH * 2.2)), 1, 6);
        l.ticks = kelvane::niceScale(m_min, m_max, target, true);
        QStringList texts;
        for (double v : l.ticks.labels)
            texts << widgetpaint::numberText(v, l.ticks.decimals);
        const double labelW = textWidth(font(), labelPx, texts);
        const double troughW = std::clamp(innerW - labelW - kMajorTick - 3, 6.0, std::max(8.0, w * 0.5));
        if (innerW - troughW - kMajorTick - 3 >= labelW) {
            const double group = troughW + kMajorTick + 2 + labelW;
            const double x = (w - group) / 2;
            l.trough = QRectF(x, top + labelH / 2, troughW, troughH);
            l.scale = true;
            l.scalePx = labelPx;
            return;
        }
    }
    const double troughW = std::min(innerW, 24.0);
    l.trough = QRectF((w - troughW) / 2, top, troughW, std::max(1.0, areaH));
}

void TAbBar::layoutHorizontal(Layout &l) const
{
    const double w = width(), h = height();
    double left = kMargin, right = w - kMargin, top = kMargin, bottom = h - kMargin;

    if (!m_caption.isEmpty()) {
        if (h >= 30) {
            const int maxPx = std::clamp(int(h * 0.3), 8, 13);
            l.captionPx = widgetpaint::fittingPixelSize(font(), { m_caption }, QSizeF(right - left, 1e6), maxPx, 7);
            const QFontMetricsF fm(widgetpaint::withPixelSize(font(), l.captionPx));
            l.captionText = fm.elidedText(m_caption, Qt::ElideRight, right - left);
            l.caption = QRectF(left, top, right - left, fm.height());
            top += fm.height() + 1;
        } else {
            const int maxPx = std::clamp(int(h * 0.75), 7, 13);
            l.captionPx
                = widgetpaint::fittingPixelSize(font(), { m_caption }, QSizeF((right - left) * 0.35, 1e6), maxPx, 7);
            const QFontMetricsF fm(widgetpaint::withPixelSize(font(), l.captionPx));
            const double cw = std::min(fm.horizontalAdvance(m_caption), (right - left) * 0.35);
            l.captionText = fm.elidedText(m_caption, Qt::ElideRight, cw);
            l.caption = QRectF(left, top, cw, bottom - top);
            left += cw + 3;
        }
    }

    const double band = std::max(1.0, bottom - top);
    const bool withScale = band >= 26 && (right - left) >= 60;
    const int labelPx = std::clamp(int(band * 0.35), 7, 11);
    const double labelH = lineHeight(font(), labelPx);
    const double troughH = withScale ? band - labelH - kMajorTick - 1 : std::min(band, 22.0);
    const double troughTop = withScale ? top : top + (band - troughH) / 2;

    const int valueMax = std::clamp(int(std::max(troughH * 0.8, band * 0.5)), 7, 14);
    l.valuePx = widgetpaint::fittingPixelSize(
        boldFont(), extremeValueTexts(), QSizeF(1e6, std::max(troughH + 2, band)), valueMax, 7);
    const double vw = textWidth(font(), l.valuePx, extremeValueTexts(), true) + 2;
    if (right - left >= vw * 3 + 4) {
        const double vh = std::max(troughH, lineHeight(font(), l.valuePx));
        l.value = QRectF(right - vw, troughTop + troughH / 2 - vh / 2, vw, vh);
        right -= vw + 4;
    } else {
        l.valueOverlay = true;
    }

    if (withScale) {
        QStringList probe = extremeValueTexts();
        const double probeW = textWidth(font(), labelPx, probe);
        const int target = std::clamp(int((right - left) / (probeW * 2.2 + 1)), 1, 6);
        l.ticks = kelvane::niceScale(m_min, m_max, target, true);
        QStringList texts;
        for (double v : l.ticks.labels)
            texts << widgetpaint::numberText(v, l.ticks.decimals);
        const QFontMetricsF fm(widgetpaint::withPixelSize(font(), labelPx));
        // The end numbers are centred on the ends of the trough: keep room for their halves.
        const double inLeft = texts.isEmpty() ? 0 : fm.horizontalAdvance(texts.first()) / 2;
        const double inRight = texts.isEmpty() ? 0 : fm.horizontalAdvance(texts.last()) / 2;
        left = std::max(left, kMargin + inLeft);
        right = std::min(right, w - kMargin - inRight);
        l.scale = true;
        l.scalePx = labelPx;
    }
    l.trough = QRectF(left, troughTop, std::max(1.0, right - left), std::max(1.0, troughH));
    if (l.valueOverlay)
        l.value = l.trough;
}

void TAbBar::paintBackground(QPainter &p, const Layout &l) const
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!l.caption.isNull()) {
        p.setFont(widgetpaint::withPixelSize(font(), l.captionPx));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const int align = m_orientation == Qt::Vertical
            ? Qt::AlignHCenter | Qt::AlignTop
            : (l.caption.height() >= l.trough.height() + 4 ? Qt::AlignLeft | Qt::AlignVCenter
                                                           : Qt::AlignLeft | Qt::AlignTop);
        p.drawText(l.caption, align | (l.captionWrap ? Qt::TextWordWrap : 0), l.captionText);
    }
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.0));
    p.setBrush(QColor(0xf7, 0xf7, 0xf7));
    p.drawRoundedRect(l.trough.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    if (l.scale)
        paintScale(p, l);
}

void TAbBar::paintEvent(QPaintEvent *)
{
    const Layout &l = layout();
    // Caption, empty trough and scale change only with size, range or caption: drawn once into a
    // pixmap, so a value change costs one blit, one rectangle and the value text.
    const qreal dpr = devicePixelRatioF();
    if (!m_backValid || m_back.size() != size() * dpr || m_back.devicePixelRatio() != dpr) {
        m_back = QPixmap(size() * dpr);
        m_back.setDevicePixelRatio(dpr);
        m_back.fill(palette().color(QPalette::Window));
        QPainter bp(&m_back);
        paintBackground(bp, l);
        m_backValid = true;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_back);

    // The filled part from the minimum end, on whole pixels.
    const bool vertical = m_orientation == Qt::Vertical;
    const QRect inner = l.trough.adjusted(1.5, 1.5, -1.5, -1.5).toAlignedRect().adjusted(0, 0, -1, -1);
    const int len = kelvane::barLength(m_value, m_min, m_max, vertical ? inner.height() : inner.width());
    QRectF filled;
    if (len > 0) {
        const QRect r = vertical ? QRect(inner.left(), inner.bottom() + 1 - len, inner.width(), len)
                                 : QRect(inner.left(), inner.top(), len, inner.height());
        QLinearGradient g
            = vertical ? QLinearGradient(r.topLeft(), r.topRight()) : QLinearGradient(r.topLeft(), r.bottomLeft());
        const QColor c = isEnabled() ? m_barColor : QColor(0xa0, 0xa0, 0xa0);
        g.setColorAt(0, c.lighter(135));
        g.setColorAt(0.45, c);
        g.setColorAt(1, c.darker(135));
        p.fillRect(r, g);
        filled = r;
    }
    p.setRenderHint(QPainter::TextAntialiasing);
    paintValue(p, l, filled);
}

void TAbBar::paintScale(QPainter &p, const Layout &l) const
{
    const QRectF t = l.trough;
    const bool vertical = m_orientation == Qt::Vertical;
    const double span = vertical ? t.height() - 3 : t.width() - 3;
    auto pos = [&](double v) {
        const double f = kelvane::meterAngle(v, m_min, m_max, 1.0);
        return vertical ? t.bottom() - 1.5 - f * span : t.left() + 1.5 + f * span;
    };
    const QColor ink(0x30, 0x30, 0x30);
    p.setPen(QPen(ink, 1.0));
    for (double v : l.ticks.minor) {
        const double c = pos(v);
        if (vertical)
            p.drawLine(QPointF(t.right() + 1, c), QPointF(t.right() + 1 + kMinorTick, c));
        else
            p.drawLine(QPointF(c, t.bottom() + 1), QPointF(c, t.bottom() + 1 + kMinorTick));
    }
    for (double v : l.ticks.major) {
        const double c = pos(v);
        if (vertical)
            p.drawLine(QPointF(t.right() + 1, c), QPointF(t.right() + 1 + kMajorTick, c));
        else
            p.drawLine(QPointF(c, t.bottom() + 1), QPointF(c, t.bottom() + 1 + kMajorTick));
    }
    const QFont f = widgetpaint::withPixelSize(font(), l.scalePx);
    p.setFont(f);
    const QFontMetricsF fm(f);
    const double lh = fm.height();
    for (double v : l.ticks.labels) {
        const QString text = widgetpaint::numberText(v, l.ticks.decimals);
        const double c = pos(v);
        if (vertical)
            p.drawText(QRectF(t.right() + kMajorTick + 3, c - lh / 2, width() - t.right(), lh),
                Qt::AlignLeft | Qt::AlignVCenter, text);
        else
            p.drawText(QRectF(c - 40, t.bottom() + kMajorTick + 1, 80, lh), Qt::AlignHCenter | Qt::AlignTop, text);
    }
}

void TAbBar::paintValue(QPainter &p, const Layout &l, const QRectF &filled) const
{
    const QString text = widgetpaint::numberText(m_value, m_decimals);
    const QFont f = widgetpaint::withPixelSize(font(), l.valuePx, true);
    const int align = m_orientation == Qt::Vertical ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter);
    if (!l.valueOverlay) {
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        m_numbers.draw(p, f, l.value, align, text);
        return;
    }
    // Over the trough: dark on the empty part, white on the filled part, so it reads on both.
    const QRectF v = l.value;
    const double split = filled.isEmpty() ? v.left() : std::clamp(filled.right(), v.left(), v.right());
    // Mostly the text lies wholly on one part: one colour, no clipping.
    const double half = m_numbers.width(f, text) / 2 + 1, centre = v.center().x();
    if (split <= centre - half || split >= centre + half) {
        p.setPen(split <= centre - half ? QColor(0x10, 0x10, 0x10) : QColor(Qt::white));
        m_numbers.draw(p, f, v, Qt::AlignCenter, text);
        return;
    }
    p.save();
    p.setClipRect(QRectF(QPointF(split, v.top()), v.bottomRight()));
    p.setPen(QColor(0x10, 0x10, 0x10));
    m_numbers.draw(p, f, v, Qt::AlignCenter, text);
    if (!filled.isEmpty()) {
        p.setClipRect(QRectF(v.topLeft(), QPointF(split, v.bottom())));
        p.setPen(Qt::white);
        m_numbers.draw(p, f, v, Qt::AlignCenter, text);
    }
    p.restore();
}
