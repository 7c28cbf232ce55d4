#include "MapLayout.h"

#include "LayoutRules.h"

#include <algorithm>

namespace kelvane::layout {

namespace {
// The quotient of a difference that may be negative, taken as the unsigned division of the
// 32-bit difference: a negative difference becomes huge and is then limited to the maximum.
long long unsignedQuotient(long long a, int b)
{
    const auto ua = static_cast<unsigned int>(static_cast<int>(a));
    return static_cast<long long>(ua / static_cast<unsigned int>(std::max(1, b)));
}
} // namespace

MainMapGridSize mainMapGridSize(int w, int h, int panelAdjHeight, int panelMapAdjHeight, int cols, int rows)
{
    MainMapGridSize s;
    const long long cw = unsignedQuotient(static_cast<long long>(w) - stripWidthUnclamped(w) - 100, cols);
    s.colWidth = static_cast<int>(std::clamp(cw, 40LL, 120LL));
    const long long rh = unsignedQuotient(static_cast<long long>(h) - panelAdjHeight - panelMapAdjHeight - 150, rows);
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
