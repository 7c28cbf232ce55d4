#pragma once
// The fuel-map regions of the Parameter image, how their cells are encoded, the ranges the
// editors keep them in, the cell texts and the cell colour rule. Plain arithmetic on the image;
// the grids of the window are drawn from these functions.

#include "ParameterImage.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvane::maps {

enum class Region : std::uint8_t {
    ReducerTempPoints, // degrees Celsius, signed bytes 27-32
    ReducerTempCorrections, // percent, signed bytes 33-38
    GasTempPoints, // degrees Celsius, signed bytes 39-44
    GasTempCorrections, // percent, signed bytes 45-50
    MainMap, // 16 rows (injection-time bands) x 8 columns (speed bands), bytes 167-294
    Map2D, // 16 entries over injection time, bytes 295-310
    RpmAxis, // 8 speed periods, words 245-252
    InjTimeAxis, // 16 injection times in ticks, words 253-268
};
constexpr int RegionCount = 8;

enum class CellCoding : std::uint8_t {
    PercentPlus100, // unsigned byte = percent + 100
    SignedByte, // the signed byte itself
    Word, // little-endian 16-bit word
};

struct RegionInfo {
    Region region;
    const char *name;
    int firstByte; // image byte offset of cell (0, 0)
    int rows;
    int cols; // cell (row, col) lies at firstByte + (row x cols + col) x cellBytes
    CellCoding coding;
    // Absolute edits (value-entry dialog, click in the mapping view, map calculation, paste)
    // keep a value within editMin..editMax.
    int editMin;
    int editMax;
    // The +/-1 and +/-5 keys and buttons keep a value within keyMin..keyMax.
    int keyMin;
    int keyMax;

    int cellBytes() const { return coding == CellCoding::Word ? 2 : 1; }
    int cellCount() const { return rows * cols; }
    int byteCount() const { return cellCount() * cellBytes(); }
    int lastByte() const { return firstByte + byteCount() - 1; }
};

// The whole table, in image order of the regions as listed in Region.
const std::array<RegionInfo, RegionCount> &regionTable();
const RegionInfo &regionInfo(Region region);

// Main-map dimensions and the first bytes of the two percent maps.
constexpr int MainMapRows = 16;
constexpr int MainMapCols = 8;
constexpr int MainMapFirstByte = 167;
constexpr int Map2DEntries = 16;
constexpr int Map2DFirstByte = 295;
constexpr int RpmAxisCount = 8;
constexpr int InjAxisCount = 16;
// Image byte 543 bit 5: turbo engine (pressure bands of 0.078 instead of 0.034 bar).
constexpr int TurboByte = 543;
constexpr int TurboBit = 5;

// One cell of a region: row and column counted from 0.
struct CellPos {
    int row = 0;
    int col = 0;
    bool operator==(const CellPos &o) const { return row == o.row && col == o.col; }
};

// A rectangle of cells in region coordinates (columns left..right, rows top..bottom, counted
// from 0, inclusive).
struct MapRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    int cellCount() const { return width() * height(); }
    bool operator==(const MapRect &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The cells left..right of a one-row region (2D map, temperature maps); grid rows do not matter.
inline MapRect columnsRect(int left, int right)
{
    return { left, 0, right, 0 };
}

// The part of a rectangle (given in any order of corners) that lies inside the region; nothing
// when they do not overlap.
std::optional<MapRect> clipToRegion(Region region, int left, int top, int right, int bottom);
// A selection of StringGridMapa in grid coordinates (column 0 and row 0 are the headers, which a
// selection can include in header-editing mode) as main-map cells; header cells are dropped, so no
// operation can write the image for them. Nothing when only header cells are selected.
std::optional<MapRect> mainMapRectFromGrid(int gridLeft, int gridTop, int gridRight, int gridBottom);

// The order in which the editors visit (and send) a selection: column by column from the
// rightmost to the leftmost, and within a column from the bottom row to the top.
std::vector<CellPos> editOrder(const MapRect &rect);

// Image byte offset of a cell (for Word regions: the word's low byte, word index = offset / 2).
int cellOffset(Region region, int row, int col);
// The cell's value: percent for PercentPlus100, the signed value for SignedByte, the raw word.
int cellValue(const ParameterImage &image, Region region, int row, int col);
// Stores a value into a cell as its region encodes it. The caller keeps the value encodable
// (the editing functions below always do).
void setCellValue(ParameterImage &image, Region region, int row, int col, int value);

// Main-map and 2D-map cell text: "+" followed by N when the correction N = b - 100 is positive,
// otherwise the plain integer (0, -7).
QString FormatMapCell(std::uint8_t storedByte);
QString formatCorrection(int percent);

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
// Background of a map cell showing `percent`: white at 0, towards red above, towards blue below.
// The input is limited to -40..80 first, so a byte outside the editing range (a blank
// controller's 0, read as -100, or a file's 255) shades like the nearest limit.
Rgb MapCellColour(int percent);
constexpr Rgb LiveCellColour { 0, 255, 0 }; // lime: the cell of the current operating point

// Reads an integer the way the map editors take a typed number: optional spaces around, an
// optional "+" or "-", decimal digits. Nothing for anything else or a number beyond int.
std::optional<int> parseMapInteger(const QString &text);
// The standard message for a text that is not an integer: "'abc' is not a valid integer value".
QString notAnIntegerMessage(const QString &text);

bool isTurbo(const ParameterImage &image);

} // namespace kelvane::maps
