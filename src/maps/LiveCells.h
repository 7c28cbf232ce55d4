#pragma once
// Which cells show the engine's current operating point: the lime cell of the main map and of
// the 2D map (from MapColumn / MapRow of the live record) and the red column of the temperature
// maps (from the live temperature). Nothing is lit while the controller is not connected, since
// the operating point is then stale or never computed.

#include "LiveRecord.h"
#include "MapRegions.h"

#include <optional>

namespace kelvane::maps {

// Main-map cell (row = MapRow, col = MapColumn, counted from 0) of the operating point; nothing
// when not connected or when the point lies outside the map. StringGridMapa shows it at grid
// column col + 1, row row + 1 (its header column and row come first).
std::optional<CellPos> liveMainMapCell(const LiveData &live, bool connected);

// 2D-map entry of the operating point. The entries use the same injection-time bands as the
// main map's rows (entry k between breakpoints k - 1 and k), so the entry is MapRow itself;
// StringGridMapa2D has no header column, so it is also the grid column. Nothing when not
// connected or out of range.
std::optional<int> liveMap2DEntry(const LiveData &live, bool connected);

enum class TempMap { Gas, Reducer };
// The points and the corrections regions of a temperature map.
Region tempPointsRegion(TempMap map);
Region tempCorrectionsRegion(TempMap map);
// The row a key on a temperature grid edits is decided by the selection's top row alone: row 0
// (the points row, selectable only in point-editing mode) edits the points, any other row the
// corrections.
Region tempRegionForTopRow(TempMap map, int topRow);

// Column of the live temperature: the last point i = 1 to 5 at or below it (signed), else 0;
// point 0 takes no part.
int liveTempColumn(const ParameterImage &image, TempMap map, int temperature);
// The same from the live record's TempGas or TempReducer; nothing when not connected.
std::optional<int> liveTempColumn(const ParameterImage &image, TempMap map, const LiveData &live, bool connected);

} // namespace kelvane::maps
