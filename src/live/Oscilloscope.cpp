#include "Oscilloscope.h"

#include "CNumericLocale.h"
#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelvane {

const std::array<ScopeItemInfo, ScopeItemCount> ScopeItemList = { {
    { "OFF", 0, 0 },
    { "InjB1 [ms]", 0, 35 },
    { "InjG1 [ms]", 0, 40 },
    { "RPM [rev./min]", 0, 8000 },
    { "Pres [Bar]", 0, 5 },
    { "Vacum [Bar]", 0, 2.5f },
    { "DifP  [Bar]", 0, 3 },
    { "TG    [C]", -10, 110 },
    { "TR    [C]", -10, 110 },
    { "VDC  [V]", 0, 20 },
    { "L1     [V]", 0, 5 },
    { "GLev[V]", 0, 5 },
} };

const std::array<const char *, ScopeShownChannels> ScopeComboNames
    = { "ComboBoxScopType", "ComboBoxScopeTypeRed", "ComboBoxScopeTypeBlue", "ComboBoxScopeTypeGreen" };

// Black, maroon, red, blue.
const std::array<ScopeColor, ScopeShownChannels> ScopeChannelColors = { 0x000000, 0x000080, 0x0000FF, 0xFF0000 };

double scopeItemValue(int item, const LiveData &live, const ParameterImage &image, const TimeBases &tb)
{
    switch (item) {
    case scope::InjB1:
        return TicksToMs(live.u16(rec::InjPetrolRef), 1, tb);
    case scope::InjG1:
        return TicksToMs(live.injGas(1), 0, tb);
    case scope::Rpm:
        return engineRpm(live, image, tb);
    case scope::Pres:
        return static_cast<double>(pressureBar(live.u16(rec::GasPressure2)));
    case scope::Vacuum:
        return static_cast<double>(pressureBar(live.u16(rec::PresManifold)));
    case scope::DifP:
        return static_cast<double>(pressureBar(live.u16(rec::PresDiff)));
    case scope::TempGas:
        return live.s16(rec::TempGas);
    case scope::TempReducer:
        return live.s16(rec::TempReducer);
    case scope::Supply:
        return static_cast<double>(supplyVolts(live.u16(rec::SupplyRaw)));
    case scope::Lambda:
        return static_cast<double>(sensorVolts(live.u16(rec::LambdaRaw)));
    case scope::Level:
        return static_cast<double>(sensorVolts(live.u16(rec::LevelRaw)));
    default:
        return 0;
    }
}

std::array<int, 10> scopeGridLines(int extent)
{
    std::array<int, 10> lines {};
    const int step = extent / 10;
    for (int i = 0; i < 10; ++i)
        lines[static_cast<std::size_t>(i)] = step + i * step;
    return lines;
}

namespace {
// Far beyond any screen, yet exact in the float coordinates a painter uses.
constexpr double PixelLimit = 4194304.0;

int truncPixel(double y)
{
    if (std::isnan(y))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(y, -PixelLimit, PixelLimit)));
}

// (v - min) * h / (max - min): multiplied before dividing, so v = max gives exactly h.
double scaled(double v, double min, double max, int h)
{
    if (max == min || std::isnan(v))
        return 0;
    return (v - min) * h / (max - min);
}

// A number on screen with the system's separator, printed in the C locale so that the choice is
// the caller's and not the C library's.
std::string screenNumber(double v, int precision, int decimals, char decimalPoint)
{
    const CNumericLocale c;
    return formatFixed(v, precision, decimals, decimalPoint);
}

std::int16_t clampInt16(long v)
{
    return static_cast<std::int16_t>(std::clamp(v, -32768L, 32767L));
}

float clampValue(float v, float min, float max)
{
    if (std::isnan(v))
        return min;
    return std::max(min, std::min(v, max));
}
} // namespace

int scopeValueY(double v, double min, double max, int h, int offset)
{
    return truncPixel(h - scaled(v, min, max, h) - offset - 1);
}

int scopeLabelY(double v, double min, double max, int h, int offset)
{
    return truncPixel(h - scaled(v, min, max, h) - offset);
}

ScopeColor scopeLabelFontColor(ScopeColor trace)
{
    const ScopeColor c = trace | 0x80u;
    return c == trace ? 0xFFFFFFu : c;
}

ScopePoint scopeKeepInside(int x, int y, int w, int h, int chartW, int chartH)
{
    return { std::max(0, std::min(x, chartW - w)), std::max(0, std::min(y, chartH - h)) };
}

OSCYLOSKOP::OSCYLOSKOP(ScopeColor background)
    : Background(background)
    , m_samples(static_cast<std::size_t>(ScopeChannels) * ScopeSamples, 0.0f)
    , m_points(static_cast<std::size_t>(ScopeChannels) * ScopeSamples)
{
    m_item.fill(-1);
}

std::size_t OSCYLOSKOP::slot(int channel, int age) const
{
    const int inRing = (m_head[static_cast<std::size_t>(channel)] - age) & (ScopeSamples - 1);
    return static_cast<std::size_t>(channel) * ScopeSamples + static_cast<std::size_t>(inRing);
}

float OSCYLOSKOP::sample(int channel, int age) const
{
    if (channel < 0 || channel >= ScopeChannels || age < 0 || age >= ScopeSamples)
        return 0;
    return m_samples[slot(channel, age)];
}

void OSCYLOSKOP::FeedScope(
    const ScopeSelection &selection, const LiveData &live, const ParameterImage &image, const TimeBases &tb)
{
    Background = selection.buttonFace;
    for (int ch = 0; ch < ScopeShownChannels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        PenWidth[c] = selection.focusedChannel == ch ? 2 : 1;
        TraceColor[c] = ScopeChannelColors[c];
        const int item = selection.item[c];
        if (item == scope::Off) {
            Enabled[c] = false;
            m_item[c] = scope::Off;
        } else if (item > 0 && item < ScopeItemCount) {
            const ScopeItemInfo &info = ScopeItemList[static_cast<std::size_t>(item)];
            Enabled[c] = true;
            Max[c] = info.max;
            Min[c] = info.min;
            // A new quantity starts unshifted; a trace the user dragged keeps its place while
            // it shows the same quantity.
            if (m_item[c] != item)
                Offset[c] = 0;
            m_item[c] = item;
            Current[c] = static_cast<float>(scopeItemValue(item, live, image, tb));
        }
        // Anything else is no valid selection: the channel keeps its settings.
    }
}

void OSCYLOSKOP::takeSample()
{
    if (!Frozen)
        SampleCount = std::min(SampleCount + 1, ScopeSamples);
    for (int ch = 0; ch < ScopeChannels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        if (!Enabled[c])
            continue;
        Current[c] = clampValue(Current[c], Min[c], Max[c]);
        if (!Frozen) {
            m_head[c] = (m_head[c] + 1) & (ScopeSamples - 1);
            m_samples[slot(ch, 0)] = Current[c];
        }
    }
}

const ScopeFrame &OSCYLOSKOP::Draw(int width, int height, int widthLimit, char decimalPoint)
{
    takeSample();
    return Layout(width, height, widthLimit, decimalPoint);
}

const ScopeFrame &OSCYLOSKOP::Layout(int width, int height, int widthLimit, char decimalPoint)
{
    ScopeFrame &f = m_frame;
    f.width = std::max(width, 0);
    f.height = std::max(height, 0);
    f.background = Background;
    f.gridColor = GridColor;
    f.fontSize = FontSize;
    f.readout.channel = -1;
    f.gridY = scopeGridLines(f.height);
    f.gridX = scopeGridLines(f.width);
    const int W = f.width;
    const int H = f.height;
    if (W == 0 || H == 0) {
        for (ScopeTrace &t : f.traces) {
            t.enabled = false;
            t.pointCount = 0;
        }
        return f;
    }

    int hit = -1;
    for (int ch = 0; ch < ScopeChannels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        Channel = static_cast<std::uint16_t>(ch);
        ScopeTrace &t = f.traces[c];
        t.enabled = Enabled[c];
        t.color = TraceColor[c];
        t.penWidth = PenWidth[c];
        t.pointCount = 0;
        if (Enabled[c]) {
            // The highest and lowest visible samples; on a tie the older sample carries the mark.
            MaxMarkValue[c] = MinMarkValue[c] = sample(ch, 0);
            MaxMarkX[c] = MinMarkX[c] = 0;
            const int visible = std::min(SampleCount, W);
            for (int x = 0; x < visible; ++x) {
                const float v = sample(ch, x);
                if (v >= MaxMarkValue[c]) {
                    MaxMarkValue[c] = v;
                    MaxMarkX[c] = x;
                }
                if (v <= MinMarkValue[c]) {
                    MinMarkValue[c] = v;
                    MinMarkX[c] = x;
                }
            }

            const int n = std::clamp(std::min(SampleCount, widthLimit), 0, ScopeSamples);
            ScopePoint *pts = &m_points[c * ScopeSamples];
            const int reach = PenWidth[c] + 4;
            for (int x = 0; x < n; ++x) {
                pts[x] = { x, scopeValueY(sample(ch, x), Min[c], Max[c], H, Offset[c]) };
                if (hit < 0 && PointerOver && std::abs(x - Pointer.x) <= reach
                    && std::abs(pts[x].y - Pointer.y) <= reach)
                    hit = ch;
            }
            if (hit == ch && ClickPending && !Dragging) {
                DragChannel = static_cast<std::uint16_t>(ch);
                DragStart = Pointer;
                LastDragY = clampInt16(Pointer.y);
                Dragging = true;
                ClickPending = false;
            }
            t.points = pts;
            t.pointCount = n;
        }
        if (hit == ch) {
            // The sample under the pointer (a pointer right of the last sample reads the oldest).
            const int age = std::clamp(Pointer.x, 0, std::max(SampleCount - 1, 0));
            f.readout.channel = ch;
            f.readout.label.x = Pointer.x + 4;
            f.readout.label.y = Pointer.y;
            f.readout.label.text = "  | " + screenNumber(sample(ch, age), 4, 2, decimalPoint) + " |  ";
            f.readout.label.fontColor = LabelFontColor;
            f.readout.label.brushColor = LabelBrushColor;
        }
        if (Enabled[c]) {
            const ScopeColor font = scopeLabelFontColor(TraceColor[c]);
            t.maxLabel.x = MaxMarkX[c];
            t.maxLabel.y = scopeLabelY(MaxMarkValue[c], Min[c], Max[c], H, Offset[c]);
            t.maxLabel.text = screenNumber(MaxMarkValue[c], 6, 2, decimalPoint);
            t.maxLabel.fontColor = font;
            t.maxLabel.brushColor = TraceColor[c];
            t.minLabel.x = MinMarkX[c];
            t.minLabel.y = scopeLabelY(MinMarkValue[c], Min[c], Max[c], H, Offset[c]);
            t.minLabel.text = screenNumber(MinMarkValue[c], 6, 2, decimalPoint);
            t.minLabel.fontColor = font;
            t.minLabel.brushColor = TraceColor[c];
            t.minSquare = { t.minLabel.x - 2, t.minLabel.y - 2, t.minLabel.x + 2, t.minLabel.y + 2 };
            t.minSquareColor = TraceColor[c] | 0xC0C0C0u;
        }
        if (ch == DragChannel && Dragging) {
            if (Pointer.y != LastDragY)
                Offset[c] = clampInt16(static_cast<long>(Offset[c]) + LastDragY - Pointer.y);
            LastDragY = clampInt16(Pointer.y);
        }
    }
    // A second press ends the drag.
    if (Dragging && ClickPending)
        Dragging = false;
    ClickPending = false;
    return f;
}

void OSCYLOSKOP::pointerMoved(int x, int y)
{
    Pointer = { x, y };
    PointerOver = true;
}

void OSCYLOSKOP::pointerPressed(int x, int y)
{
    Pointer = { x, y };
    PointerOver = true;
    ClickPending = true;
}

void OSCYLOSKOP::pointerLeft()
{
    PointerOver = false;
}

std::array<std::optional<float>, ScopeChannels> OSCYLOSKOP::valuesAt(int x) const
{
    std::array<std::optional<float>, ScopeChannels> out {};
    if (x < 0 || x >= SampleCount)
        return out;
    for (int ch = 0; ch < ScopeChannels; ++ch) {
        if (Enabled[static_cast<std::size_t>(ch)])
            out[static_cast<std::size_t>(ch)] = sample(ch, x);
    }
    return out;
}

} // namespace kelvane
