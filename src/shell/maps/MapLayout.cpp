#include "MapLayout.h"

#include "LayoutRules.h"

#include <algorithm>

namespace kelvane::layout {

namespace {
// The quotient of the room left for the cells. A window too short or too narrow leaves a negative
// room, which counts as none: the cells take their minimum size (read as an unsigned number it would
// have given them their maximum, cutting rows off exactly when space is short).
long long roomQuotient(long long room, int parts)
{
    return std::max(0LL, room) / std::max(1, parts);
}
} // namespace

MainMapGridSize mainMapGridSize(int w, int h, int panelAdjHeight, int panelMapAdjHeight, int cols, int rows)
{
    MainMapGridSize s;
    const long long cw = roomQuotient(static_cast<long long>(w) - stripWidthUnclamped(w) - 100, cols);
    s.colWidth = static_cast<int>(std::clamp(cw, 40LL, 120LL));
    const long long rh = roomQuotient(static_cast<long long>(h) - panelAdjHeight - panelMapAdjHeight - 150, rows);
    s.rowHeight = static_cast<int>(std::clamp(rh, 18LL, 40LL));
    s.fontPoints = ruleA(s.rowHeight, 36, 12, 22);
    return s;
}

Map2DGridSize map2DGridSize(int panelWidth)
{
    Map2DGridSize s;
    s.width = ruleA(panelWidth, 1900, 500, 545);
    s.colWidth = ruleA(s.width / 16.0, 80, 32, 35);
    return s;
}

} // namespace kelvane::layout
