#pragma once
// The arithmetic of the auto-mapping view (PaintBoxMapowanie): its geometry for a W x H paint
// box, value-to-pixel mapping, the sample marks of both sets, the 2D curve, the live point, the
// readouts and the entry under the pointer. The window only draws what these return; coordinates
// are computed in floating point and truncated towards zero where drawn.

#include "LiveRecord.h"
#include "Map2D.h"
#include "MapRegions.h"

#include <array>
#include <vector>

namespace kelvane::maps {

constexpr double ViewSpanMs = 24; // the view spans 0 to 24 ms from left to right
constexpr double PercentPerHeight = 0.0048828125; // H x this = pixels per percent (204.8 % over the height)

// The breakpoint times the view uses before its first paint.
constexpr std::array<float, InjAxisCount> InitialAxisMs { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11.5f, 13, 14.5f, 16, 17.5f,
    19 };

struct MappingGeometry {
    double width = 0;
    double height = 0;
    bool turbo = false;
    double pxPerMs = 0; // W / 24
    double gridPressureRange = 0; // bar: 2.5 with turbo, 1.1 without (grid, "v:" readout, live point)
    double pxPerBarGrid = 0;
    double samplePressureRange = 0; // bar: 2.4 with turbo, 1.1 without (sample marks)
    double pxPerBarSample = 0;
    double bandStep = 0; // bar: 0.078 with turbo, 0.034 without
    double zeroY = 0; // y of 0 percent: H x 0.5
    double pxPerPercent = 0; // H x 0.0048828125
    std::array<float, InjAxisCount> axisMs {}; // breakpoint times
    std::array<double, InjAxisCount> pointX {}; // breakpoint i at axisMs[i] x pxPerMs
    std::array<double, InjAxisCount> vertexX {}; // x of the curve vertex of entry i
};

// Geometry for the paint box size and the given breakpoint times.
MappingGeometry mappingGeometry(int width, int height, bool turbo, const std::array<float, InjAxisCount> &axisMs);
// The same with the image's InjTimeAxis (TicksToMs, selector 1) and turbo setting, as each paint
// recomputes it.
MappingGeometry mappingGeometry(int width, int height, const ParameterImage &image, const TimeBases &tb);

struct ViewPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ViewPoint &o) const { return x == o.x && y == o.y; }
};

// y of a percentage on the scale, truncated: trunc(H x 0.5 - v x H x 0.0048828125).
int percentToY(const MappingGeometry &g, double percent);
// Time grid line i = 0..24: x = trunc(i x W / 24), labelled i.
int timeGridX(const MappingGeometry &g, int i);
// Pressure grid line i = 0..22: y = trunc(H - i x H / 22); lines 1-21 are labelled
// i x range / 22 bar (two decimals) at label y = trunc(H - i x H / 22 - 8).
int pressureGridY(const MappingGeometry &g, int i);
double pressureGridBar(const MappingGeometry &g, int i);

struct SampleMark {
    bool setB = false; // set A: red square; set B: ellipse in the highlight colour
    int band = 0; // pressure band 0-31
    int k = 0; // sample 0 or 1 of the band
    std::uint16_t ticks = 0;
    int left = 0, top = 0, right = 0, bottom = 0; // the 6 x 6 box, truncated
};
// Marks of all non-zero samples, set A (words 0-63) first, then set B (words 64-127), band by
// band: x = time x W / 24, y = H - band x step x H / sample range + 5k (+ 4 more for set B).
std::vector<SampleMark> sampleMarks(const MappingGeometry &g, const SampleStore &store, const TimeBases &tb);

// The 2D curve: (0, y(v0)), the 16 vertices, (W, y(v15)) — 18 points.
std::vector<ViewPoint> curvePoints(const MappingGeometry &g, const Map2DValues &values);

// The live operating point: x = TicksToMs(InjPetrolRef) x W / 24, y = H - PresManifold x 0.001 x
// H / grid range (floating point; the window truncates).
struct LivePoint {
    double x = 0;
    double y = 0;
};
LivePoint livePoint(const MappingGeometry &g, const LiveData &live, const TimeBases &tb);

// The entry under the pointer at x: 0 left of breakpoint 0, i between breakpoints i - 1 and i,
// 15 from breakpoint 14 on; `previous` is kept only where no span holds x (unordered axes).
int selectedEntryAt(const MappingGeometry &g, double x, int previous);

struct Readouts {
    double ms = 0; // "in: " two decimals
    double bar = 0; // "v: " two decimals
    int percent = 0; // "K: "
    int selected = 0; // "S: "
};
Readouts readouts(const MappingGeometry &g, int mouseX, int mouseY, int selected);

// The percentage a click at mouseY sets: trunc((H x 0.5 - y) / (H x 0.0048828125)) limited to
// -40..80. Set it with setMap2DEntry (Map2D.h).
int clickPercent(const MappingGeometry &g, int mouseY);

} // namespace kelvane::maps
