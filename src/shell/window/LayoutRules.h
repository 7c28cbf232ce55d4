#pragma once
// The window's size limits and the numeric rules that size the panels of the readings page and the
// side strip from the window's outer size. Plain arithmetic, so it is tested without widgets.

#include <array>

namespace kelvane::layout {

constexpr int MinWindowWidth = 400;
constexpr int MinWindowHeight = 300;
constexpr int DefaultWindowWidth = 809;
constexpr int DefaultWindowHeight = 650;

// Rule A: a x (lo / d), the quotient in single precision, truncated toward zero, then limited to lo..hi.
int ruleA(double a, int hi, int lo, double d);
// Rule B: a x f, truncated toward zero, then limited to lo..hi (the minimum wins when hi < lo).
int ruleB(double a, double hi, int lo, double f);

// What a resize to (newW, newH) from (oldW, oldH) becomes: below a limit the dimension is set to the
// limit and the requested resize is refused (the other dimension keeps its old value).
struct ResizeCheck {
    bool accepted = true;
    int width = 0;
    int height = 0;
};
ResizeCheck FormCanResize(int oldW, int oldH, int newW, int newH);

int stripWidth(int windowWidth); // W / 4.301, 196..392
int stripWidthUnclamped(int windowWidth);
int panelO1Width(int windowWidth); // W / 4.5, 180..900
int panelO2Width(int windowWidth); // W / 3.4, 240..1200
// PanelO3: the rest of the page while W / 4.7 lies in 176..880, else 176 or 880.
int panelO3Width(int windowWidth, int pageWidth, int o3Left);

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect &o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
// The two dial meters in PanelO1: the 270-degree one at the top, the 180-degree one below it, both centred.
struct MeterRects {
    Rect rpm;
    Rect difp;
};
MeterRects panelO1Meters(int panelWidth, int panelHeight);

// Heights of PanelV2, PanelV4, PanelV5, PanelV6, PanelV1 from the strip's height; PanelV7 takes the rest.
std::array<int, 5> stripPanelHeights(int stripHeight);

// The scroll boxes of the parameter pages: the sections (group boxes and their header shapes) take
// the width V = the width they are measured from - 40, at least 557 ("podstawowe" measures the
// parameters tab, "zaawansowane" its own scroll box); each section's expand mark sits at left V - 51.
constexpr int MinParameterGroupWidth = 557;
int parameterGroupWidth(int measuredWidth);
int expandMarkLeft(int groupWidth);

} // namespace kelvane::layout
