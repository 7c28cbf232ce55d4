#include "Map2D.h"

#include "Conversions.h"
#include "MapEditing.h"

#include <algorithm>
#include <cmath>

namespace kelvane::maps {

int map2DValue(const ParameterImage &image, int entry)
{
    return cellValue(image, Region::Map2D, 0, entry);
}

Map2DValues map2DValues(const ParameterImage &image)
{
    Map2DValues v {};
    for (int k = 0; k < Map2DEntries; ++k)
        v[static_cast<std::size_t>(k)] = map2DValue(image, k);
    return v;
}

WritePlan setMap2DEntry(ParameterImage &image, int entry, int percent)
{
    WritePlan plan;
    if (entry < 0 || entry >= Map2DEntries)
        return plan;
    const RegionInfo &info = regionInfo(Region::Map2D);
    setCellValue(image, Region::Map2D, 0, entry, std::clamp(percent, info.editMin, info.editMax));
    addByteWrite(plan, image, Map2DFirstByte + entry);
    return plan;
}

int smoothStep(int n)
{
    if (n <= 0)
        return 0;
    if (n <= 2)
        return 1;
    if (n <= 6)
        return 2;
    if (n <= 10)
        return 3;
    if (n <= 12)
        return 4;
    if (n <= 15)
        return 5;
    return 6;
}

Map2DValues smoothValues2D(Map2DValues v, int passes)
{
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t i = 1; i + 1 < v.size(); ++i) {
            const int x = (v[i - 1] + v[i] + v[i + 1]) / 3; // truncates towards zero
            const int d = v[i] - x;
            if (d > 0)
                v[i] -= smoothStep(d);
            else if (d < 0)
                v[i] += smoothStep(-d);
        }
    }
    return v;
}

WritePlan smoothMap2D(ParameterImage &image)
{
    const Map2DValues v = smoothValues2D(map2DValues(image));
    WritePlan plan;
    for (int k = 0; k < Map2DEntries; ++k) {
        setCellValue(image, Region::Map2D, 0, k, v[static_cast<std::size_t>(k)]);
        addByteWrite(plan, image, Map2DFirstByte + k);
    }
    return plan;
}

int map2DIndexOf(const ParameterImage &image, float ms, const TimeBases &tb)
{
    int entry = 0;
    for (int i = 0; i <= 14; ++i)
        if (TicksToMs(image.wordAt(img::InjTimeAxisWord + i), 1, tb) <= ms)
            entry = i + 1;
    return entry;
}

long double bandWeight(float aMs)
{
    if (aMs < 2)
        return 0.3L;
    if (aMs < 3)
        return 0.4L;
    if (aMs < 4)
        return 0.5L;
    if (aMs < 5)
        return 0.6L;
    if (aMs < 6)
        return 0.65L;
    if (aMs < 7)
        return 0.7L;
    if (aMs < 8)
        return 0.75L;
    if (aMs < 9)
        return 0.8L;
    return 0.85L;
}

namespace {
// Mean of a band's two sample words in ms; 0 when neither holds a sample.
float bandMean(std::uint16_t first, std::uint16_t second, const TimeBases &tb)
{
    float mean = 0;
    if (first != 0)
        mean = TicksToMs(first, 1, tb);
    if (second != 0) {
        const float t = TicksToMs(second, 1, tb);
        mean = first == 0 ? t : static_cast<float>((static_cast<long double>(t) + mean) * 0.5L);
    }
    return mean;
}
} // namespace

CalcBands calcBands(const ParameterImage &image, const SampleStore &store, const TimeBases &tb)
{
    CalcBands bands {};
    const long double step = isTurbo(image) ? 0.078L : 0.034L;
    for (int m = 0; m < PressureBands; ++m) {
        CalcBand &band = bands[static_cast<std::size_t>(m)];
        const auto w = [&](int index) { return store[static_cast<std::size_t>(index)]; };
        band.a = bandMean(w(2 * m), w(2 * m + 1), tb);
        band.b = bandMean(w(64 + 2 * m), w(64 + 2 * m + 1), tb);
        band.pressure = static_cast<float>(m * step);
        band.valid = band.pressure > 0.25f && band.b != 0 && band.a != 0;
        if (band.valid) {
            const long double ratio = static_cast<long double>(band.a) / band.b;
            band.corr = static_cast<float>((100.0L - ratio * 100.0L) * bandWeight(band.a));
            band.entry = map2DIndexOf(image, band.b, tb);
        }
    }
    return bands;
}

EntryAverages averageCorrections(const CalcBands &bands)
{
    std::array<long long, Map2DEntries> sum {};
    EntryAverages out;
    for (const CalcBand &band : bands) {
        if (!band.valid || band.corr == 0 || band.entry < 0 || band.entry >= Map2DEntries)
            continue;
        const auto k = static_cast<std::size_t>(band.entry);
        // A band's correction is at most a few million percent (a 1-tick set-B mean), so the
        // sum of 32 of them stays far inside 64 bits.
        sum[k] = static_cast<long long>(std::trunc(static_cast<long double>(sum[k]) + band.corr));
        ++out.count[k];
    }
    for (std::size_t k = 0; k < sum.size(); ++k) {
        const long long avg = sum[k] != 0 ? sum[k] / out.count[k] : 0;
        out.average[k] = static_cast<int>(std::clamp<long long>(avg, -1000000000LL, 1000000000LL));
    }
    return out;
}

MapCalculation calculateMap(ParameterImage &image, const SampleStore &store, const TimeBases &tb)
{
    MapCalculation calc;
    calc.bands = calcBands(image, store, tb);
    for (const CalcBand &band : calc.bands)
        calc.validBands += band.valid ? 1 : 0;
    calc.averages = averageCorrections(calc.bands);
    if (calc.validBands < 2)
        return calc;
    calc.applied = true;
    const RegionInfo &info = regionInfo(Region::Map2D);
    for (int k = 0; k < Map2DEntries; ++k) {
        const int avg = calc.averages.average[static_cast<std::size_t>(k)];
        if (avg == 0)
            continue;
        setCellValue(image, Region::Map2D, 0, k, stepIntoRange(map2DValue(image, k), avg, info.editMin, info.editMax));
        addByteWrite(calc.writes, image, Map2DFirstByte + k);
    }
    const WritePlan smooth = smoothMap2D(image);
    calc.writes.insert(calc.writes.end(), smooth.begin(), smooth.end());
    calc.writes.push_back({ WriteKind::ResetMapGas, 0, 0, 0 });
    return calc;
}

} // namespace kelvane::maps
