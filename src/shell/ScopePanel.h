#pragma once
// The oscilloscope panel of the readings page (PanelOsc): the four channel choices and the paint box
// PaintBoxScope below them. The oscilloscope object decides everything (samples, scales, marks,
// labels, the pointer readout and dragging); the paint box only paints the frame it lays out and
// hands it the pointer's moves and presses.

#include "DisplayContext.h"
#include "Oscilloscope.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QPixmap>

#include <array>
#include <vector>

class QComboBox;

namespace kelvane {

class ScopePaintBox : public QWidget {
    Q_OBJECT
public:
    explicit ScopePaintBox(QWidget *parent = nullptr);

    OSCYLOSKOP &scope() { return m_scope; }
    const OSCYLOSKOP &scope() const { return m_scope; }

    // One receive tick: the selected quantities are sampled, the chart is laid out anew and painted
    // at the next paint.
    void feed(const ScopeSelection &selection, const DisplayContext &context);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // The geometry of the samples held, for the current size (no sample is taken).
    void relayout();
    void paintLabel(QPainter &p, const ScopeLabel &label, int width, int height);
    const QPixmap &background(const ScopeFrame &frame);

    OSCYLOSKOP m_scope;
    char m_decimalPoint;
    QFont m_labelFont;
    QFontMetrics m_labelMetrics;
    std::vector<QPoint> m_polyline; // reused for every trace
    // Background and dotted grid of the last size: they change only with the size.
    QPixmap m_background;
    QSize m_backgroundSize;
    ScopeColor m_backgroundColor = 0;
    ScopeColor m_gridColor = 0;
};

class ScopePanel : public QFrame {
    Q_OBJECT
public:
    explicit ScopePanel(QWidget *parent = nullptr);

    // Receive tick while the readings page is shown.
    void feed(const DisplayContext &context);
    // What FeedScope reads of the panel: the four choices, the focused one, the button-face colour.
    ScopeSelection selection() const;

    ScopePaintBox *paintBox() const { return m_paintBox; }
    QComboBox *combo(int channel) const { return m_combos[static_cast<std::size_t>(channel)]; }

private:
    std::array<QComboBox *, ScopeShownChannels> m_combos {};
    ScopePaintBox *m_paintBox = nullptr;
};

} // namespace kelvane
