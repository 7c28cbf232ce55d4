#pragma once
// The oscilloscope's data side: eight trace rings (the window shows four), the channel choices and
// their scales, what FeedScope samples from the live record, and the arithmetic of one Draw as
// geometry (polyline points, grid lines, value labels, the pointer readout) that a widget paints.
// Nothing here draws; nothing here allocates once the object exists.
//
// A tick of the polling cycle, while the readings page is shown:
//     scope.FeedScope(selection, live, image, timeBases);
//     scope.Draw(width, height, width, decimalPoint);   // takes one sample, returns the frame
//     widget.update();                                   // paints scope.frame()
// A repaint without a new sample (resize, pointer move while not polling) calls Layout() instead.
//
// Paint order of a frame: background, grid (dotted), then for each channel c = 0 to 7: the polyline
// of c (if enabled), the readout (if readout.channel is c), the two value labels and the square of
// the lowest mark (if enabled).

#include "LiveRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

using ScopeColor = std::uint32_t; // 0x00BBGGRR, as the controller's tool stores colours
// 0x00BBGGRR to 0x00RRGGBB (what QColor::fromRgb takes).
constexpr std::uint32_t scopeColorToRgb(ScopeColor c)
{
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

constexpr int ScopeChannels = 8; // per-channel fields
constexpr int ScopeShownChannels = 4; // channels with a combo box
constexpr int ScopeSamples = 4096; // samples per trace

// The items of the four combo boxes, in list order.
namespace scope {
enum Item : int { Off = 0, InjB1, InjG1, Rpm, Pres, Vacuum, DifP, TempGas, TempReducer, Supply, Lambda, Level };
}
constexpr int ScopeItemCount = 12;
struct ScopeItemInfo {
    const char *text; // the combo box text
    float min; // drawn at the bottom
    float max; // drawn at the top
};
extern const std::array<ScopeItemInfo, ScopeItemCount> ScopeItemList;
// Combo box names and trace colours of channels 0-3.
extern const std::array<const char *, ScopeShownChannels> ScopeComboNames;
extern const std::array<ScopeColor, ScopeShownChannels> ScopeChannelColors;

// The value an item samples from the current record (item 0, "OFF", and unknown items give 0).
double scopeItemValue(int item, const LiveData &live, const ParameterImage &image, const TimeBases &tb);

// What FeedScope reads of the window: the selected item of each combo box (-1: no valid
// selection, the channel keeps its settings), which combo box has the input focus (-1: none),
// and the colour of button faces (the chart's background).
struct ScopeSelection {
    std::array<int, ScopeShownChannels> item { 0, 0, 0, 0 };
    int focusedChannel = -1;
    ScopeColor buttonFace = 0xF0F0F0;
};

struct ScopePoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScopePoint &o) const { return x == o.x && y == o.y; }
};

struct ScopeRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A text whose top-left corner is (x, y), on a filled box of brushColor.
struct ScopeLabel {
    int x = 0, y = 0;
    std::string text;
    ScopeColor fontColor = 0;
    ScopeColor brushColor = 0;
};

struct ScopeTrace {
    bool enabled = false;
    ScopeColor color = 0;
    int penWidth = 0;
    const ScopePoint *points = nullptr; // the polyline, newest sample at x = 0
    int pointCount = 0;
    ScopeLabel maxLabel; // highest visible sample, at its point
    ScopeLabel minLabel; // lowest visible sample, at its point
    ScopeRect minSquare; // drawn with pen width 3 in minSquareColor
    ScopeColor minSquareColor = 0;
};

struct ScopeReadout {
    int channel = -1; // -1: no readout
    ScopeLabel label;
};

struct ScopeFrame {
    int width = 0;
    int height = 0;
    ScopeColor background = 0;
    ScopeColor gridColor = 0;
    int fontSize = 12;
    // Dotted grid: horizontal lines at gridY from x = 0 to width - 1, vertical lines at gridX
    // from y = 0 to height - 1.
    std::array<int, 10> gridY {};
    std::array<int, 10> gridX {};
    std::array<ScopeTrace, ScopeChannels> traces {};
    ScopeReadout readout;
};

// Grid line positions of a chart: H/10 + i * (H/10), i = 0 to 9 (integer divisions).
std::array<int, 10> scopeGridLines(int extent);
// Pixel row of value v on a chart of height h scaled from min (bottom) to max (top), shifted up by
// offset pixels: trunc(h - (v - min) * h / (max - min) - offset - 1); a sample equal to max lands
// on -1, one equal to min on h - 1. A zero-width scale puts every value on h - offset - 1.
int scopeValueY(double v, double min, double max, int h, int offset);
// The row of a value label's top edge: the same without the "- 1".
int scopeLabelY(double v, double min, double max, int h, int offset);
// Font colour of a trace's value labels, which sit on a box of the trace colour: the trace colour
// with 0x80 in its red byte, or white where that would be the box colour itself.
ScopeColor scopeLabelFontColor(ScopeColor trace);
// Top-left corner that keeps a text box of w x h pixels anchored at (x, y) inside a chart of
// chartW x chartH (moved left and up as little as needed, never past 0).
ScopePoint scopeKeepInside(int x, int y, int w, int h, int chartW, int chartH);

class OSCYLOSKOP {
public:
    explicit OSCYLOSKOP(ScopeColor background);

    // Stores the current value of each selected quantity (channels 0-3).
    void FeedScope(
        const ScopeSelection &selection, const LiveData &live, const ParameterImage &image, const TimeBases &tb);
    // One sample per enabled channel (unless Frozen), then Layout().
    const ScopeFrame &Draw(int width, int height, int widthLimit, char decimalPoint);
    // The geometry of the samples held, without taking a sample: marks, points, pointer hit, drag.
    const ScopeFrame &Layout(int width, int height, int widthLimit, char decimalPoint);
    const ScopeFrame &frame() const { return m_frame; }

    // Pointer over the chart, in chart pixels. A move shows the readout of the trace under the
    // pointer; a press on a trace starts dragging it up and down, the next press ends the drag.
    // Both take effect at the next Layout() (or Draw()).
    void pointerMoved(int x, int y);
    void pointerPressed(int x, int y);
    void pointerLeft();

    // Sample `age` of a channel (0 = newest, up to ScopeSamples - 1), whether enabled or not.
    float sample(int channel, int age) const;
    // The samples of the enabled channels at column x (the value under the pointer); nothing for a
    // disabled channel or a column without a sample.
    std::array<std::optional<float>, ScopeChannels> valuesAt(int x) const;

    // The fields of the chart object.
    ScopeColor GridColor = 0;
    std::uint16_t Channel = 0;
    std::int32_t SampleCount = 0;
    std::uint16_t DragChannel = 0;
    ScopePoint DragStart;
    bool ClickPending = false;
    bool Dragging = false;
    std::int16_t LastDragY = 0;
    std::uint8_t FontSize = 12;
    ScopePoint Pointer;
    bool PointerOver = false; // the pointer is over the chart (no readout otherwise)
    bool Frozen = false;
    ScopeColor Background;
    ScopeColor LabelFontColor = 0xFFFFFF;
    ScopeColor LabelBrushColor = 0x800080;
    std::array<ScopeColor, ScopeChannels> TraceColor {};
    std::array<std::uint8_t, ScopeChannels> PenWidth {};
    std::array<std::int16_t, ScopeChannels> Offset {};
    std::array<float, ScopeChannels> Max {};
    std::array<float, ScopeChannels> Min {};
    std::array<float, ScopeChannels> MaxMarkValue {};
    std::array<std::int32_t, ScopeChannels> MaxMarkX {};
    std::array<float, ScopeChannels> MinMarkValue {};
    std::array<std::int32_t, ScopeChannels> MinMarkX {};
    std::array<float, ScopeChannels> Current {};
    std::array<bool, ScopeChannels> Enabled {};

private:
    void takeSample();
    std::size_t slot(int channel, int age) const; // index into m_samples

    std::vector<float> m_samples; // ScopeChannels rings of ScopeSamples
    std::vector<ScopePoint> m_points; // ScopeChannels areas of ScopeSamples
    std::array<int, ScopeChannels> m_head {};
    std::array<int, ScopeChannels> m_item; // item each channel was last fed with (-1: none yet)
    ScopeFrame m_frame;
};

} // namespace kelvane
