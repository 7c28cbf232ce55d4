#include "PaintHelpers.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QRectF>

#include <algorithm>
#include <cmath>

namespace widgetpaint {

QFont withPixelSize(QFont font, int px, bool bold)
{
    font.setPixelSize(std::max(1, px));
    if (bold)
        font.setBold(true);
    return font;
}

int fittingPixelSize(const QFont &base, const QStringList &texts, const QSizeF &box, int maxPx, int minPx, int flags)
{
    if (maxPx < minPx)
        maxPx = minPx;
    for (int px = maxPx; px > minPx; --px) {
        QFont f = base;
        f.setPixelSize(px);
        const QFontMetricsF fm(f);
        bool fits = true;
        for (const QString &t : texts) {
            const QRectF r = fm.boundingRect(QRectF(0, 0, box.width(), 1e6), flags, t);
            if (r.width() > box.width() + 0.01 || r.height() > box.height() + 0.01) {
                fits = false;
                break;
            }
            if (flags & Qt::TextWordWrap) {
                // word wrap never breaks a word: a word wider than the box still overflows
                for (const QString &word : t.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                    if (fm.horizontalAdvance(word) > box.width() + 0.01) {
                        fits = false;
                        break;
                    }
                }
            }
            if (!fits)
                break;
        }
        if (fits)
            return px;
    }
    return minPx;
}

QString numberText(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("-");
    // no thousands separators: "2450" reads better than "2,450" on a small instrument
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    QString s = locale.toString(value, 'f', std::clamp(decimals, 0, 9));
    // "-0.0" reads as a fault on an instrument; a value that rounds to zero is zero.
    if (s.startsWith(QLatin1Char('-'))) {
        bool allZero = true;
        for (QChar c : s)
            if (c.isDigit() && c != QLatin1Char('0'))
                allZero = false;
        if (allZero)
            s.remove(0, 1);
    }
    return s;
}

QColor blend(const QColor &a, const QColor &b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
        float(a.greenF() + (b.greenF() - a.greenF()) * t), float(a.blueF() + (b.blueF() - a.blueF()) * t),
        float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

int FitCache::get(const QFont &base, const QStringList &texts, const QSizeF &box, int maxPx, int minPx, int flags)
{
    const QString key = base.key();
    if (m_px > 0 && key == m_fontKey && texts == m_texts && box == m_box && maxPx == m_maxPx && minPx == m_minPx
        && flags == m_flags)
        return m_px;
    m_px = fittingPixelSize(base, texts, box, maxPx, minPx, flags);
    m_fontKey = key;
    m_texts = texts;
    m_box = box;
    m_maxPx = maxPx;
    m_minPx = minPx;
    m_flags = flags;
    return m_px;
}

} // namespace widgetpaint
