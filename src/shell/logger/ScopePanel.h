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
#include <QImage>
#include <QPixmap>

#include <array>

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
    // slot: 2 * channel for the highest mark, + 1 for the lowest, LabelSlots - 1 for the readout.
    void paintLabel(QPainter &p, const ScopeLabel &label, int slot, int width, int height);
    // The canvas holds the background and grid of the frame's size (false: no memory for it).
    bool prepareCanvas(const ScopeFrame &frame);
    void drawTrace(const ScopeTrace &trace);

    OSCYLOSKOP m_scope;
    char m_decimalPoint;
    QFont m_labelFont;
    QFontMetrics m_labelMetrics;
    // Each label drawn once into a pixmap (box and text): a mark keeps its text for many ticks.
    struct LabelPicture {
        std::string text;
        ScopeColor fontColor = 0;
        ScopeColor brushColor = 0;
        QPixmap picture;
    };
    static constexpr int LabelSlots = 2 * ScopeChannels + 1;
    std::array<LabelPicture, LabelSlots> m_labels;
    bool m_shownAnything = false; // the last frame had a trace or a readout
    // Background and dotted grid of the last size (they change only with it), and the picture a
    // paint builds on a copy of them before it goes to the screen in one piece.
    QImage m_background;
    QImage m_canvas;
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
