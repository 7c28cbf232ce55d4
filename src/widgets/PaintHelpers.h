#pragma once
// Small drawing helpers shared by the instruments (not a public widget).

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <array>

class QPainter;
class QRectF;

namespace widgetpaint {

// The largest pixel size from maxPx down to minPx at which every text fits into box when drawn with
// flags (Qt::TextWordWrap allowed). Returns minPx when none fits.
int fittingPixelSize(
    const QFont &base, const QStringList &texts, const QSizeF &box, int maxPx, int minPx, int flags = 0);

// Remembers the last answer of fittingPixelSize, so a widget that repaints with the same
// texts and size does not measure its text again on every paint.
class FitCache {
public:
    int get(const QFont &base, const QStringList &texts, const QSizeF &box, int maxPx, int minPx, int flags = 0);

private:
    QString m_fontKey;
    QStringList m_texts;
    QSizeF m_box;
    int m_maxPx = -1, m_minPx = -1, m_flags = -1, m_px = 0;
};

QFont withPixelSize(QFont font, int px, bool bold = false);

// Draws the short numbers the instruments show (digits, sign, decimal separators, blanks) from
// glyphs looked up once per font: no shaping and no text layout on every paint, which is most of
// what an instrument costs when its value changes with every live record. A text with any other
// character, or a font without those glyphs, is drawn with QPainter::drawText as before.
class NumberPainter {
public:
    // One line of `text` in `font` inside `rect`, aligned by Qt::Align* flags as drawText does it,
    // in the painter's pen.
    void draw(QPainter &p, const QFont &font, const QRectF &rect, int align, const QString &text);
    // The advance of `text` in `font`, as draw() places it.
    qreal width(const QFont &font, const QString &text);

private:
    bool prepare(const QFont &font);
    // Glyphs and positions of `text` into m_indexes and m_positions; its advance, or -1 when it
    // cannot be drawn from the table.
    qreal layOut(const QFont &font, const QString &text);

    static constexpr int Chars = 128; // the table covers ASCII
    QFont m_font;
    bool m_prepared = false;
    bool m_usable = false;
    QRawFont m_raw;
    std::array<quint32, Chars> m_glyph {}; // 0: not in the table
    std::array<qreal, Chars> m_advance {};
    QList<quint32> m_indexes; // reused for every text
    QList<QPointF> m_positions;
};

// A value as the fitter reads it: fixed decimals, the system's decimal separator.
QString numberText(double value, int decimals);

// Linear blend of two colours, t = 0 gives a, 1 gives b.
QColor blend(const QColor &a, const QColor &b, double t);

} // namespace widgetpaint
