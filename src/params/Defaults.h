#pragma once
// The factory settings that "RESET ECU" builds and uploads: every settings field, the fuel maps
// and the controller's own tables. Times in milliseconds and engine speeds are turned into ticks
// and periods with the time bases of the link speed, so the same reset gives other numbers at
// 38400 baud than at 57600.

#include "ParameterImage.h"

#include <cstdint>

namespace kelvane {

// The default main map in percent: 16 rows (injection-time bands) of 8 columns (engine-speed
// bands), stored in the image as percent + 100.
extern const std::int8_t DefaultMainMap[16][8];

// Turns `image` into the reset's default image:
// - bytes 0-383 are cleared and set from the defaults; `InjNum` (byte 133) keeps its value;
// - bytes 384-767 keep their values unless a default sets them (the per-cylinder offsets,
//   `AccelEnrich`, `PowrotZminRpmTime`, `HeatLow2Rpm`, bits of the flag bytes that no default
//   names, bits 2 and 4-7 of byte 553, and the bytes no field is known for);
// - the saved work-time counters (bytes 12 and 16) take `petrolWorkTime` and `gasWorkTime`, the
//   live record's counters, so the reset does not lose them;
// - word 0 (the upload marker) is 0; the upload stores 0xAAAA there at its end.
// Every speed is encoded for engine type "1 coil" with the signal source "0-14V", the values the
// reset sets, so the rpm axis reads 1000 ... 7000 whatever the source was before.
void applyResetDefaults(
    ParameterImage &image, const TimeBases &timeBases, std::uint32_t petrolWorkTime, std::uint32_t gasWorkTime);

} // namespace kelvane
