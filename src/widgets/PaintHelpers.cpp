#include "PaintHelpers.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QLocale>
#include <QPainter>
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

bool NumberPainter::prepare(const QFont &font)
{
    if (m_prepared && font == m_font)
        return m_usable;
    m_font = font;
    m_prepared = true;
    m_usable = false;
    m_glyph.fill(0);
    m_raw = QRawFont::fromFont(font);
    if (!m_raw.isValid())
        return false;
    // Every character a number of any locale may hold here; the rest fall back to drawText.
    static const char chars[] = "0123456789+-.,: %";
    QString text = QString::fromLatin1(chars) + QLocale().decimalPoint() + QLocale().groupSeparator();
    const QList<quint32> indexes = m_raw.glyphIndexesForString(text);
    if (indexes.size() != text.size())
        return false; // one character took several glyphs, or the other way round
    const QList<QPointF> advances = m_raw.advancesForGlyphIndexes(indexes);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < Chars && indexes[i] != 0) {
            m_glyph[c] = indexes[i];
            m_advance[c] = advances[i].x();
        }
    }
    for (char c = '0'; c <= '9'; ++c) {
        if (m_glyph[static_cast<unsigned char>(c)] == 0)
            return false;
    }
    m_usable = true;
    return true;
}

qreal NumberPainter::layOut(const QFont &font, const QString &text)
{
    if (!prepare(font))
        return -1;
    m_indexes.resize(text.size());
    m_positions.resize(text.size());
    qreal x = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= Chars || m_glyph[c] == 0)
            return -1;
        m_indexes[i] = m_glyph[c];
        m_positions[i] = QPointF(x, 0);
        x += m_advance[c];
    }
    return x;
}

qreal NumberPainter::width(const QFont &font, const QString &text)
{
    const qreal x = layOut(font, text);
    return x >= 0 ? x : QFontMetricsF(font).horizontalAdvance(text);
}

void NumberPainter::draw(QPainter &p, const QFont &font, const QRectF &rect, int align, const QString &text)
{
    const qreal x = layOut(font, text);
    if (x < 0) {
        p.setFont(font);
        p.drawText(rect, align, text);
        return;
    }
    const qreal ascent = m_raw.ascent(), descent = m_raw.descent();
    qreal left = rect.left();
    if (align & Qt::AlignRight)
        left = rect.right() - x;
    else if (align & Qt::AlignHCenter)
        left = rect.left() + (rect.width() - x) / 2;
    qreal baseline = rect.top() + ascent;
    if (align & Qt::AlignBottom)
        baseline = rect.bottom() - descent;
    else if (align & Qt::AlignVCenter)
        baseline = rect.top() + (rect.height() - ascent - descent) / 2 + ascent;
    QGlyphRun run;
    run.setRawFont(m_raw);
    run.setGlyphIndexes(m_indexes);
    run.setPositions(m_positions);
    p.drawGlyphRun(QPointF(left, baseline), run);
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
