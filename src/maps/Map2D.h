#pragma once
// The 2D map (Map2D: 16 corrections over injection time, image bytes 295-310, stored as
// percent + 100): the click in the mapping view, the 2D smoothing and the map calculation from
// the auto-mapping samples. The keys and buttons of its grid are stepCells (MapEditing.h) on
// Region::Map2D.

#include "LiveRecord.h"
#include "MapRegions.h"
#include "MapWrites.h"

#include <array>

namespace kelvane::maps {

using Map2DValues = std::array<int, Map2DEntries>;
using SampleStore = std::array<std::uint16_t, AutoMapStoreSize>;
constexpr int PressureBands = 32;

// Entry k of the 2D map in percent (stored byte - 100), and all 16.
int map2DValue(const ParameterImage &image, int entry);
Map2DValues map2DValues(const ParameterImage &image);

// Click in the mapping view: entry (0-15) = percent limited to -40..80; one byte write, 5 ms.
WritePlan setMap2DEntry(ParameterImage &image, int entry, int percent);

// How far one smoothing step moves an entry that lies n away from its neighbourhood mean:
// 1 for n = 1-2, 2 for 3-6, 3 for 7-10, 4 for 11-12, 5 for 13-15, 6 from 16 on (0 for n <= 0).
int smoothStep(int n);
// In-place passes (seven for the button) over entries 1-14, entry i - 1 already holding this
// pass's value; entries 0 and 15 never change. No limit is applied: no step overshoots the mean.
Map2DValues smoothValues2D(Map2DValues v, int passes = 7);
// ButtonMapowanieSmooth: reloads the entries from the image, smooths them, stores them and sends
// all 16 in ascending order (bytes 295-310), 5 ms apart.
WritePlan smoothMap2D(ParameterImage &image);

// The entry whose injection-time span holds t (milliseconds): 0 below breakpoint 0, k between
// breakpoints k - 1 and k, 15 from breakpoint 14 on (the band rule of MapRow).
int map2DIndexOf(const ParameterImage &image, float ms, const TimeBases &tb);
// Weight of a band's correction by its set-A mean (ms): 0.3 below 2 ms up to 0.85 from 9 ms.
long double bandWeight(float aMs);
struct CalcBand {
    float a = 0; // mean set-A time, ms (0: no sample)
    float b = 0; // mean set-B time, ms
    float pressure = 0; // bar
    bool valid = false; // pressure > 0.25 bar and both means present
    float corr = 0; // weighted correction, percent (0 for an invalid band)
    int entry = 0; // 2D-map entry of the set-B time (valid bands)
};
using CalcBands = std::array<CalcBand, PressureBands>;

// The per-band working values from sample words 0-127 (set A: words 2m, 2m + 1; set B: words
// 64 + 2m, 64 + 2m + 1; 0 = no sample).
CalcBands calcBands(const ParameterImage &image, const SampleStore &store, const TimeBases &tb);

struct EntryAverages {
    Map2DValues average {}; // 0 where no contribution
    std::array<int, Map2DEntries> count {};
};
// Sums the non-zero corrections of the valid bands per entry, truncating towards zero after each
// addition, then divides by the number of contributions (truncating). The sums are kept wider
// than 16 bits, so a few extreme bands cannot wrap a sum to the other sign.
EntryAverages averageCorrections(const CalcBands &bands);

struct MapCalculation {
    CalcBands bands;
    int validBands = 0;
    EntryAverages averages;
    bool applied = false; // false when fewer than two bands are valid: nothing changed or planned
    WritePlan writes;
};
// "calculate map" (after the fitter's confirmation): with at least two valid bands, every entry
// with a non-zero average is moved by it (within -40..80, never against the average's sign, so an
// entry outside the range is not pulled back) and sent (ascending, 5 ms apart); then the 2D
// smoothing runs on the result and sends all 16 entries; then "reset propane" is sent. The entries
// are read from the image itself.
MapCalculation calculateMap(ParameterImage &image, const SampleStore &store, const TimeBases &tb);

} // namespace kelvane::maps
