#pragma once
// Bar indicator: a trough filled from the range's minimum up to the value, a scale with numbers where
// there is room, the value as text and an optional caption. Vertical by default.

#include "InstrumentMath.h"
#include "PaintHelpers.h"

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QWidget>

class TAbBar : public QWidget {
    Q_OBJECT
public:
    explicit TAbBar(QWidget *parent = nullptr);

    // A range of zero width is allowed (an instrument that is not connected): the bar stays empty.
    void setRange(double min, double max);
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }

    // Clamped to the range; NaN counts as the minimum.
    void setValue(double value);
    double value() const { return m_value; }

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

    void setOrientation(Qt::Orientation orientation);
    Qt::Orientation orientation() const { return m_orientation; }

    void setDecimals(int decimals);
    int decimals() const { return m_decimals; }

    void setBarColor(const QColor &color);
    QColor barColor() const { return m_barColor; }

    // The trough in widget coordinates as laid out for the current size (for tests and tooltips).
    QRectF troughRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Layout {
        QRectF trough;
        QRectF caption;
        int captionPx = 0;
        bool captionWrap = false;
        QString captionText; // elided when even the smallest font does not fit
        QRectF value;
        int valuePx = 0;
        bool valueOverlay = false; // drawn over the trough when there is no room beside it
        bool scale = false;
        int scalePx = 0;
        kelvane::ScaleTicks ticks;
    };
    const Layout &layout() const;
    void invalidateLayout();
    void layoutVertical(Layout &l) const;
    void layoutHorizontal(Layout &l) const;
    QStringList extremeValueTexts() const;
    QFont boldFont() const;
    void paintBackground(QPainter &p, const Layout &l) const;
    void paintScale(QPainter &p, const Layout &l) const;
    void paintValue(QPainter &p, const Layout &l, const QRectF &filled) const;

    double m_min = 0.0;
    double m_max = 100.0;
    double m_value = 0.0;
    int m_decimals = 1;
    QString m_caption;
    Qt::Orientation m_orientation = Qt::Vertical;
    QColor m_barColor = QColor(0x2f, 0x80, 0xd0);
    mutable Layout m_layout;
    mutable widgetpaint::NumberPainter m_numbers; // the value text
    mutable bool m_layoutValid = false;
    QPixmap m_back; // caption, empty trough and scale
    bool m_backValid = false;
};
