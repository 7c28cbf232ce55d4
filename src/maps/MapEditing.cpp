#include "MapEditing.h"

#include <algorithm>
#include <cmath>

namespace kelvane::maps {

namespace {

using PresetTable = std::array<std::array<std::int8_t, MainMapCols>, MainMapRows>;

// Percent; rows = injection-time bands 1-16, columns = speed bands 1-8.
constexpr PresetTable LowFlow { {
    { 15, 13, 13, 12, 12, 13, 14, 15 },
    { 15, 15, 15, 15, 16, 16, 16, 17 },
    { 15, 15, 15, 16, 16, 16, 17, 17 },
    { 15, 15, 16, 17, 17, 17, 17, 18 },
    { 15, 15, 17, 17, 18, 18, 18, 18 },
    { 15, 15, 17, 18, 19, 19, 19, 19 },
    { 15, 16, 17, 18, 19, 20, 20, 20 },
    { 16, 17, 17, 19, 20, 21, 20, 21 },
    { 17, 18, 19, 20, 21, 22, 21, 22 },
    { 17, 18, 19, 21, 22, 23, 22, 23 },
    { 18, 18, 19, 21, 22, 23, 23, 24 },
    { 18, 18, 19, 21, 23, 24, 24, 25 },
    { 18, 18, 19, 21, 23, 24, 25, 26 },
    { 18, 19, 21, 23, 24, 25, 25, 26 },
    { 19, 21, 22, 24, 25, 25, 26, 27 },
    { 19, 21, 23, 24, 25, 26, 27, 28 },
} };

constexpr PresetTable MediumFlow { {
    { 15, 13, 13, 14, 14, 14, 13, 12 },
    { 15, 14, 14, 15, 15, 15, 14, 13 },
    { 15, 15, 15, 16, 16, 16, 15, 14 },
    { 15, 15, 16, 17, 17, 17, 16, 15 },
    { 15, 15, 17, 18, 17, 18, 17, 16 },
    { 15, 15, 17, 18, 19, 19, 18, 17 },
    { 15, 17, 18, 19, 19, 19, 18, 17 },
    { 15, 17, 18, 19, 19, 18, 17, 16 },
    { 15, 16, 17, 18, 18, 17, 16, 16 },
    { 13, 15, 16, 17, 17, 16, 16, 16 },
    { 12, 14, 15, 16, 16, 16, 16, 16 },
    { 11, 13, 14, 15, 15, 15, 15, 15 },
    { 11, 12, 13, 14, 14, 15, 15, 14 },
    { 10, 12, 13, 13, 13, 14, 14, 14 },
    { 9, 11, 12, 12, 12, 13, 13, 13 },
    { 9, 10, 11, 11, 11, 12, 12, 12 },
} };

constexpr PresetTable BigFlow { {
    { 15, 13, 13, 14, 14, 14, 13, 12 },
    { 15, 14, 14, 15, 15, 15, 14, 13 },
    { 15, 15, 15, 16, 16, 16, 15, 14 },
    { 15, 15, 14, 15, 15, 15, 14, 13 },
    { 15, 15, 14, 14, 14, 14, 12, 11 },
    { 15, 14, 13, 12, 12, 12, 11, 10 },
    { 14, 13, 12, 11, 11, 11, 11, 9 },
    { 13, 11, 10, 10, 10, 10, 10, 8 },
    { 12, 10, 8, 9, 8, 7, 6, 6 },
    { 11, 10, 9, 8, 7, 7, 6, 5 },
    { 8, 9, 8, 7, 6, 6, 5, 4 },
    { 7, 8, 7, 6, 6, 5, 4, 3 },
    { 6, 6, 5, 5, 5, 5, 3, 2 },
    { 3, 4, 4, 4, 4, 4, 3, 1 },
    { 1, 3, 3, 3, 2, 1, 0, 0 },
    { 0, 3, 3, 2, 1, 0, 0, 0 },
} };

constexpr PresetTable VeryBigFlow { {
    { 13, 13, 13, 14, 14, 14, 13, 12 },
    { 12, 12, 13, 15, 15, 15, 14, 13 },
    { 12, 13, 15, 16, 16, 16, 15, 14 },
    { 11, 12, 13, 14, 15, 14, 14, 12 },
    { 9, 12, 12, 13, 14, 13, 12, 10 },
    { 7, 10, 11, 11, 12, 11, 11, 9 },
    { 5, 8, 9, 9, 9, 8, 8, 7 },
    { 3, 6, 5, 6, 7, 6, 6, 6 },
    { 2, 3, 3, 4, 4, 4, 5, 5 },
    { 1, 2, 2, 3, 4, 4, 4, 4 },
    { 0, 1, 2, 3, 4, 3, 3, 3 },
    { -2, -1, 0, 1, 2, 3, 2, 1 },
    { -4, -3, -2, -2, -2, -3, -3, -3 },
    { -6, -5, -4, -4, -6, -5, -4, -4 },
    { -8, -7, -6, -6, -6, -5, -5, -5 },
    { -10, -10, -9, -8, -7, -7, -7, -7 },
} };

const PresetTable *presetTable(int preset)
{
    switch (preset) {
    case 1:
        return &LowFlow;
    case 2:
        return &MediumFlow;
    case 3:
        return &BigFlow;
    case 4:
        return &VeryBigFlow;
    default:
        return nullptr;
    }
}

bool editable(Region region)
{
    return regionInfo(region).coding != CellCoding::Word;
}

WritePlan sendWholeMainMap(const ParameterImage &image)
{
    WritePlan plan;
    plan.reserve(MainMapRows * MainMapCols);
    for (int off = MainMapFirstByte; off < MainMapFirstByte + MainMapRows * MainMapCols; ++off)
        addByteWrite(plan, image, off);
    return plan;
}

} // namespace

int keyStep(int keyCode, bool shift)
{
    if (keyCode == 107 || keyCode == 187)
        return shift ? 5 : 1;
    if (keyCode == 109 || keyCode == 189)
        return shift ? -5 : -1;
    return 0;
}

int stepValue(int value, int step, int lo, int hi)
{
    if (step == 0)
        return value;
    const long long r = static_cast<long long>(value) + step;
    if (step > 0)
        return r > hi ? std::max(hi, value) : static_cast<int>(r);
    return r < lo ? std::min(lo, value) : static_cast<int>(r);
}

int stepIntoRange(int value, int step, int lo, int hi)
{
    if (step == 0)
        return value;
    const long long r = std::clamp<long long>(static_cast<long long>(value) + step, lo, hi);
    if (step > 0)
        return static_cast<int>(std::max<long long>(r, value));
    return static_cast<int>(std::min<long long>(r, value));
}

WritePlan stepCells(ParameterImage &image, Region region, const MapRect &rect, int step)
{
    WritePlan plan;
    if (step == 0 || !editable(region))
        return plan;
    const auto clipped = clipToRegion(region, rect.left, rect.top, rect.right, rect.bottom);
    if (!clipped)
        return plan;
    const RegionInfo &info = regionInfo(region);
    for (const CellPos &p : editOrder(*clipped)) {
        const int v = stepValue(cellValue(image, region, p.row, p.col), step, info.keyMin, info.keyMax);
        setCellValue(image, region, p.row, p.col, v);
        addByteWrite(plan, image, cellOffset(region, p.row, p.col));
    }
    return plan;
}

QString dialogPrefill(const ParameterImage &image, const MapRect &rect, int mode, const QString &currentText)
{
    switch (mode) {
    case EntryAbs: {
        const auto r = clipToRegion(Region::MainMap, rect.left, rect.top, rect.left, rect.top);
        return r ? formatCorrection(cellValue(image, Region::MainMap, r->top, r->left)) : currentText;
    }
    case EntryPlusMinus:
    case EntryPercent:
        return QStringLiteral("0");
    default:
        return currentText;
    }
}

EditResult dialogEdit(ParameterImage &image, const MapRect &rect, int mode, const QString &numberText)
{
    EditResult result;
    if (mode != EntryAbs && mode != EntryPlusMinus && mode != EntryPercent)
        return result;
    const std::optional<int> number = parseMapInteger(numberText);
    if (!number) {
        result.ok = false;
        result.error = notAnIntegerMessage(numberText);
        return result;
    }
    const auto clipped = clipToRegion(Region::MainMap, rect.left, rect.top, rect.right, rect.bottom);
    if (!clipped)
        return result;
    const RegionInfo &info = regionInfo(Region::MainMap);
    const int n = *number;
    for (const CellPos &p : editOrder(*clipped)) {
        const int off = cellOffset(Region::MainMap, p.row, p.col);
        const int b = image.byte(off);
        int nb = b;
        switch (mode) {
        case EntryAbs:
            nb = std::clamp(n, info.editMin, info.editMax) + 100;
            break;
        case EntryPlusMinus:
            nb = stepIntoRange(b - 100, n, info.editMin, info.editMax) + 100;
            break;
        case EntryPercent: {
            // The factor is kept in single precision, the product in extended precision.
            const float x = static_cast<float>(static_cast<long double>(std::clamp(n, -100, 100)) * 0.01L);
            const long double v = static_cast<long double>(b) + static_cast<long double>(b - 60) * x;
            nb = std::clamp(static_cast<int>(std::trunc(v)), info.editMin + 100, info.editMax + 100);
            break;
        }
        }
        image.setByte(off, static_cast<std::uint8_t>(nb));
        addByteWrite(result.writes, image, off);
    }
    return result;
}

QStringList mapResetItems()
{
    return { QStringLiteral("-"), QStringLiteral("LOW FLOW"), QStringLiteral("MEDIUM FLOW"), QStringLiteral("BIG FLOW"),
        QStringLiteral("VERY BIG FLOW") };
}

int presetPercent(int preset, int row, int col)
{
    const PresetTable *t = presetTable(preset);
    if (!t || row < 0 || row >= MainMapRows || col < 0 || col >= MainMapCols)
        return 0;
    return (*t)[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void loadPreset(ParameterImage &image, int preset)
{
    if (!presetTable(preset))
        return;
    for (int r = 0; r < MainMapRows; ++r)
        for (int c = 0; c < MainMapCols; ++c)
            setCellValue(image, Region::MainMap, r, c, presetPercent(preset, r, c));
}

WritePlan resetMainMap(ParameterImage &image, int item)
{
    if (!presetTable(item))
        return {};
    loadPreset(image, item);
    return sendWholeMainMap(image);
}

void smoothMainMapPass(ParameterImage &image)
{
    auto at = [&](int r, int c) {
        r = std::clamp(r, 0, MainMapRows - 1);
        c = std::clamp(c, 0, MainMapCols - 1);
        return int(image.byte(MainMapFirstByte + MainMapCols * r + c));
    };
    // All means of a pass come from the bytes as they stand at its start.
    std::array<float, MainMapRows * MainMapCols> mean {};
    for (int r = 0; r < MainMapRows; ++r)
        for (int c = 0; c < MainMapCols; ++c) {
            int sum = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc)
                    sum += at(r + dr, c + dc);
            mean[static_cast<std::size_t>(MainMapCols * r + c)] = static_cast<float>(sum * (1.0L / 9));
        }
    for (int r = 0; r < MainMapRows; ++r)
        for (int c = 0; c < MainMapCols; ++c) {
            const int off = MainMapFirstByte + MainMapCols * r + c;
            const double m = mean[static_cast<std::size_t>(MainMapCols * r + c)];
            const int b = image.byte(off);
            if (b < m - 0.5)
                image.setByte(off, static_cast<std::uint8_t>(b + 1));
            else if (b > m + 0.5)
                image.setByte(off, static_cast<std::uint8_t>(b - 1));
        }
}

WritePlan smoothMainMap(ParameterImage &image)
{
    for (int pass = 0; pass < 4; ++pass)
        smoothMainMapPass(image);
    return sendWholeMainMap(image);
}

QString copyCells(const ParameterImage &image, Region region, const MapRect &rect)
{
    QString text;
    if (!editable(region))
        return text;
    const auto clipped = clipToRegion(region, rect.left, rect.top, rect.right, rect.bottom);
    if (!clipped)
        return text;
    for (int r = clipped->top; r <= clipped->bottom; ++r) {
        for (int c = clipped->left; c <= clipped->right; ++c) {
            if (c > clipped->left)
                text += QLatin1Char('\t');
            text += QString::number(cellValue(image, region, r, c));
        }
        text += QLatin1Char('\n');
    }
    return text;
}

PasteResult pasteCells(ParameterImage &image, Region region, CellPos topLeft, const QString &text)
{
    PasteResult result;
    if (!editable(region)) {
        result.error = QStringLiteral("The axes cannot be pasted as cell values.");
        return result;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        result.error = QStringLiteral("There is nothing to paste.");
        return result;
    }
    const RegionInfo &info = regionInfo(region);
    std::vector<std::vector<int>> values;
    int width = -1;
    for (const QString &line : lines) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (width < 0)
            width = static_cast<int>(cells.size());
        else if (cells.size() != width) {
            result.error = QStringLiteral("The rows of the pasted text differ in length.");
            return result;
        }
        std::vector<int> row;
        for (const QString &cell : cells) {
            const std::optional<int> v = parseMapInteger(cell);
            if (!v) {
                result.error = notAnIntegerMessage(cell);
                return result;
            }
            row.push_back(std::clamp(*v, info.editMin, info.editMax));
        }
        values.push_back(std::move(row));
    }
    const int height = static_cast<int>(values.size());
    const MapRect rect { topLeft.col, topLeft.row, topLeft.col + width - 1, topLeft.row + height - 1 };
    if (rect.left < 0 || rect.top < 0 || rect.right >= info.cols || rect.bottom >= info.rows) {
        result.error = QStringLiteral("The pasted block of %1 x %2 does not fit from row %3, column %4.")
                           .arg(height)
                           .arg(width)
                           .arg(topLeft.row + 1)
                           .arg(topLeft.col + 1);
        return result;
    }
    result.ok = true;
    result.rect = rect;
    for (const CellPos &p : editOrder(rect)) {
        const int v = values[static_cast<std::size_t>(p.row - rect.top)][static_cast<std::size_t>(p.col - rect.left)];
        if (v == cellValue(image, region, p.row, p.col))
            continue;
        setCellValue(image, region, p.row, p.col, v);
        addByteWrite(result.writes, image, cellOffset(region, p.row, p.col));
    }
    return result;
}

} // namespace kelvane::maps
