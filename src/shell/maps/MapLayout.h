#pragma once
// The sizes of the map grids as the window is resized: plain arithmetic on the window's outer
// size and the panel sizes, so it is tested without widgets.

namespace kelvane::layout {

// StringGridMapa: column width (W - unclamped strip width - 100) / columns, 40..120; row height
// (H - height of PanelAdj - height of PanelMapAdj - 150) / rows, 18..40 (integer divisions; no
// room left counts as none); font size (points) rule A of the row height, 12..36 over 22.
struct MainMapGridSize {
    int colWidth = 60;
    int rowHeight = 20;
    int fontPoints = 12;
    bool operator==(const MainMapGridSize &o) const
    {
        return colWidth == o.colWidth && rowHeight == o.rowHeight && fontPoints == o.fontPoints;
    }
};
MainMapGridSize mainMapGridSize(
    int windowWidth, int windowHeight, int panelAdjHeight, int panelMapAdjHeight, int cols = 9, int rows = 17);

// StringGridMapa2D: width rule A of the width of PanelMapowaniePrzyciski (500..1900 over 545);
// column width rule A of that width / 16 (32..80 over 35).
struct Map2DGridSize {
    int width = 500;
    int colWidth = 32;
    bool operator==(const Map2DGridSize &o) const { return width == o.width && colWidth == o.colWidth; }
};
Map2DGridSize map2DGridSize(int panelWidth);

} // namespace kelvane::layout
