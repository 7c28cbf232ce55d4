#include "LiveCells.h"

namespace kelvane::maps {

std::optional<CellPos> liveMainMapCell(const LiveData &live, bool connected)
{
    if (!connected || live.MapRow < 0 || live.MapRow >= MainMapRows || live.MapColumn < 0
        || live.MapColumn >= MainMapCols)
        return std::nullopt;
    return CellPos { live.MapRow, live.MapColumn };
}

std::optional<int> liveMap2DEntry(const LiveData &live, bool connected)
{
    if (!connected || live.MapRow < 0 || live.MapRow >= Map2DEntries)
        return std::nullopt;
    return live.MapRow;
}

Region tempPointsRegion(TempMap map)
{
    return map == TempMap::Gas ? Region::GasTempPoints : Region::ReducerTempPoints;
}

Region tempCorrectionsRegion(TempMap map)
{
    return map == TempMap::Gas ? Region::GasTempCorrections : Region::ReducerTempCorrections;
}

Region tempRegionForTopRow(TempMap map, int topRow)
{
    return topRow == 0 ? tempPointsRegion(map) : tempCorrectionsRegion(map);
}

int liveTempColumn(const ParameterImage &image, TempMap map, int temperature)
{
    int column = 0;
    for (int i = 1; i <= 5; ++i)
        if (temperature >= cellValue(image, tempPointsRegion(map), 0, i))
            column = i;
    return column;
}

std::optional<int> liveTempColumn(const ParameterImage &image, TempMap map, const LiveData &live, bool connected)
{
    if (!connected)
        return std::nullopt;
    return liveTempColumn(image, map, live.s16(map == TempMap::Gas ? rec::TempGas : rec::TempReducer));
}

} // namespace kelvane::maps
