#include "MapRegions.h"

#include <algorithm>
#include <climits>

namespace kelvane::maps {

namespace {
const std::array<RegionInfo, RegionCount> Table { {
    { Region::ReducerTempPoints, "ReducerTempMap points", 27, 1, 6, CellCoding::SignedByte, -25, 100, -25, 100 },
    { Region::ReducerTempCorrections, "ReducerTempMap corrections", 33, 1, 6, CellCoding::SignedByte, -25, 45, -25,
        45 },
    { Region::GasTempPoints, "GasTempMap points", 39, 1, 6, CellCoding::SignedByte, -25, 100, -25, 100 },
    { Region::GasTempCorrections, "GasTempMap corrections", 45, 1, 6, CellCoding::SignedByte, -25, 45, -25, 45 },
    { Region::MainMap, "MainMap", MainMapFirstByte, MainMapRows, MainMapCols, CellCoding::PercentPlus100, -40, 80, -40,
        80 },
    { Region::Map2D, "Map2D", Map2DFirstByte, 1, Map2DEntries, CellCoding::PercentPlus100, -40, 80, -25, 45 },
    // The axes are edited as rpm and milliseconds texts (MapAxes.h); their raw words only have to fit.
    { Region::RpmAxis, "RpmAxis", 2 * img::RpmAxisWord, 1, RpmAxisCount, CellCoding::Word, 1, 65535, 1, 65535 },
    { Region::InjTimeAxis, "InjTimeAxis", 2 * img::InjTimeAxisWord, 1, InjAxisCount, CellCoding::Word, 1, 65535, 1,
        65535 },
} };
} // namespace

const std::array<RegionInfo, RegionCount> &regionTable()
{
    return Table;
}

const RegionInfo &regionInfo(Region region)
{
    return Table[static_cast<std::size_t>(region)];
}

std::optional<MapRect> clipToRegion(Region region, int left, int top, int right, int bottom)
{
    const RegionInfo &info = regionInfo(region);
    MapRect r { std::max(std::min(left, right), 0), std::max(std::min(top, bottom), 0),
        std::min(std::max(left, right), info.cols - 1), std::min(std::max(top, bottom), info.rows - 1) };
    if (r.left > r.right || r.top > r.bottom)
        return std::nullopt;
    return r;
}

std::optional<MapRect> mainMapRectFromGrid(int gridLeft, int gridTop, int gridRight, int gridBottom)
{
    // Grid column c, row r (1-based data cells) is map column c - 1, row r - 1; the header
    // column and row fall outside the map and are clipped away.
    return clipToRegion(Region::MainMap, gridLeft - 1, gridTop - 1, gridRight - 1, gridBottom - 1);
}

std::vector<CellPos> editOrder(const MapRect &rect)
{
    std::vector<CellPos> cells;
    if (rect.left > rect.right || rect.top > rect.bottom)
        return cells;
    cells.reserve(static_cast<std::size_t>(rect.cellCount()));
    for (int c = rect.right; c >= rect.left; --c)
        for (int r = rect.bottom; r >= rect.top; --r)
            cells.push_back({ r, c });
    return cells;
}

int cellOffset(Region region, int row, int col)
{
    const RegionInfo &info = regionInfo(region);
    return info.firstByte + (row * info.cols + col) * info.cellBytes();
}

int cellValue(const ParameterImage &image, Region region, int row, int col)
{
    const int off = cellOffset(region, row, col);
    switch (regionInfo(region).coding) {
    case CellCoding::PercentPlus100:
        return image.byte(off) - 100;
    case CellCoding::SignedByte:
        return image.sbyte(off);
    case CellCoding::Word:
        return image.word(off);
    }
    return 0;
}

void setCellValue(ParameterImage &image, Region region, int row, int col, int value)
{
    const int off = cellOffset(region, row, col);
    switch (regionInfo(region).coding) {
    case CellCoding::PercentPlus100:
        image.setByte(off, static_cast<std::uint8_t>(std::clamp(value + 100, 0, 255)));
        break;
    case CellCoding::SignedByte:
        image.setByte(off, static_cast<std::uint8_t>(static_cast<std::int8_t>(std::clamp(value, -128, 127))));
        break;
    case CellCoding::Word:
        image.setWord(off, static_cast<std::uint16_t>(std::clamp(value, 0, 65535)));
        break;
    }
}

QString formatCorrection(int percent)
{
    return percent > 0 ? QStringLiteral("+%1").arg(percent) : QString::number(percent);
}

QString FormatMapCell(std::uint8_t storedByte)
{
    return formatCorrection(int(storedByte) - 100);
}

Rgb MapCellColour(int percent)
{
    const int v = std::clamp(percent, -40, 80);
    if (v == 0)
        return { 255, 255, 255 };
    if (v > 0) {
        const auto gb = static_cast<std::uint8_t>(255 - 2 * v);
        return { 255, gb, gb };
    }
    const auto rg = static_cast<std::uint8_t>(255 - 4 * -v);
    return { rg, rg, 255 };
}

std::optional<int> parseMapInteger(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const QChar ch = t[i];
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return std::nullopt;
        v = v * 10 + (ch.unicode() - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX || v < INT_MIN)
        return std::nullopt;
    return static_cast<int>(v);
}

QString notAnIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

bool isTurbo(const ParameterImage &image)
{
    return image.bit(TurboByte, TurboBit);
}

} // namespace kelvane::maps
