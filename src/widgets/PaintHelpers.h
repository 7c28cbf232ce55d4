#pragma once
// Small drawing helpers shared by the instruments (not a public widget).

#include <QColor>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <QStringList>

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

// A value as the fitter reads it: fixed decimals, the system's decimal separator.
QString numberText(double value, int decimals);

// Linear blend of two colours, t = 0 gives a, 1 gives b.
QColor blend(const QColor &a, const QColor &b, double t);

} // namespace widgetpaint
