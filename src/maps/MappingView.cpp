#include "MappingView.h"

#include "Conversions.h"

#include <algorithm>
#include <cmath>

namespace kelvane::maps {

namespace {
int truncInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(v), -1e9, 1e9));
}
} // namespace

MappingGeometry mappingGeometry(int width, int height, bool turbo, const std::array<float, InjAxisCount> &axisMs)
{
    MappingGeometry g;
    g.width = std::max(width, 0);
    g.height = std::max(height, 0);
    g.turbo = turbo;
    g.pxPerMs = g.width / ViewSpanMs;
    g.gridPressureRange = turbo ? 2.5 : 1.1;
    g.pxPerBarGrid = g.height / g.gridPressureRange;
    g.samplePressureRange = turbo ? 2.4 : 1.1;
    g.pxPerBarSample = g.height / g.samplePressureRange;
    g.bandStep = turbo ? 0.078 : 0.034;
    g.zeroY = g.height * 0.5;
    g.pxPerPercent = g.height * PercentPerHeight;
    g.axisMs = axisMs;
    for (std::size_t i = 0; i < g.pointX.size(); ++i)
        g.pointX[i] = g.axisMs[i] * g.pxPerMs;
    g.vertexX[0] = g.pointX[0] * 0.5;
    for (std::size_t i = 1; i + 1 < g.vertexX.size(); ++i)
        g.vertexX[i] = (g.pointX[i - 1] + g.pointX[i]) * 0.5;
    g.vertexX[15] = (g.width + g.pointX[15]) * 0.5;
    return g;
}

MappingGeometry mappingGeometry(int width, int height, const ParameterImage &image, const TimeBases &tb)
{
    std::array<float, InjAxisCount> ms {};
    for (int i = 0; i < InjAxisCount; ++i)
        ms[static_cast<std::size_t>(i)] = TicksToMs(image.wordAt(img::InjTimeAxisWord + i), 1, tb);
    return mappingGeometry(width, height, isTurbo(image), ms);
}

int percentToY(const MappingGeometry &g, double percent)
{
    return truncInt(g.zeroY - percent * g.pxPerPercent);
}

int timeGridX(const MappingGeometry &g, int i)
{
    return truncInt(i * g.width / ViewSpanMs);
}

int pressureGridY(const MappingGeometry &g, int i)
{
    return truncInt(g.height - i * g.height / 22);
}

double pressureGridBar(const MappingGeometry &g, int i)
{
    return i * g.gridPressureRange / 22;
}

std::vector<SampleMark> sampleMarks(const MappingGeometry &g, const SampleStore &store, const TimeBases &tb)
{
    std::vector<SampleMark> marks;
    for (int set = 0; set < 2; ++set) {
        for (int m = 0; m < PressureBands; ++m) {
            for (int k = 0; k < 2; ++k) {
                const std::uint16_t ticks = store[static_cast<std::size_t>(64 * set + 2 * m + k)];
                if (ticks == 0)
                    continue;
                const double x = TicksToMs(ticks, 1, tb) * g.width / ViewSpanMs;
                const double y
                    = g.height - m * g.bandStep * g.height / g.samplePressureRange + 5 * k + (set == 1 ? 4 : 0);
                marks.push_back(
                    { set == 1, m, k, ticks, truncInt(x - 3), truncInt(y - 3), truncInt(x + 3), truncInt(y + 3) });
            }
        }
    }
    return marks;
}

std::vector<ViewPoint> curvePoints(const MappingGeometry &g, const Map2DValues &values)
{
    std::vector<ViewPoint> pts;
    pts.reserve(Map2DEntries + 2);
    pts.push_back({ 0, percentToY(g, values[0]) });
    for (std::size_t i = 0; i < values.size(); ++i)
        pts.push_back({ truncInt(g.vertexX[i]), percentToY(g, values[i]) });
    pts.push_back({ truncInt(g.width), percentToY(g, values[15]) });
    return pts;
}

LivePoint livePoint(const MappingGeometry &g, const LiveData &live, const TimeBases &tb)
{
    return { TicksToMs(live.u16(rec::InjPetrolRef), 1, tb) * g.width / ViewSpanMs,
        g.height - live.u16(rec::PresManifold) * 0.001 * g.height / g.gridPressureRange };
}

int selectedEntryAt(const MappingGeometry &g, double x, int previous)
{
    int sel = previous;
    if (x < g.pointX[0])
        sel = 0;
    for (std::size_t i = 1; i < g.pointX.size(); ++i)
        if (g.pointX[i - 1] <= x && x < g.pointX[i])
            sel = static_cast<int>(i);
    if (x >= g.pointX[15])
        sel = 15;
    return sel;
}

Readouts readouts(const MappingGeometry &g, int mouseX, int mouseY, int selected)
{
    Readouts r;
    r.ms = mouseX / (g.width / ViewSpanMs + 0.000001);
    r.bar = (g.height - mouseY) / (g.height / g.gridPressureRange + 0.000001);
    r.percent = g.pxPerPercent > 0 ? truncInt((g.zeroY - mouseY) / g.pxPerPercent) : 0;
    r.selected = selected;
    return r;
}

int clickPercent(const MappingGeometry &g, int mouseY)
{
    const RegionInfo &info = regionInfo(Region::Map2D);
    if (g.pxPerPercent <= 0)
        return 0;
    return std::clamp(truncInt((g.zeroY - mouseY) / g.pxPerPercent), info.editMin, info.editMax);
}

} // namespace kelvane::maps
