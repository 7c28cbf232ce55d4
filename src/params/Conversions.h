#pragma once
// Controller ticks to milliseconds and rpm and back. The arithmetic runs in
// extended precision (long double, the 80-bit format on x86-64) with float()
// rounding where the controller's own tool rounds; speeds lie on a 25-rpm grid.

#include "ParameterImage.h"

#include <cstdint>

namespace kelvane {

// The engine-speed signal source (bits 0-1 of image byte 545): only 2 ("INJ") changes the speed formulas.
constexpr unsigned RpmSignalInj = 2;

// selector 1 picks InjTickMsA, anything else InjTickMsB.
float TicksToMs(std::int32_t ticks, std::uint8_t selector, const TimeBases &tb);
std::int32_t MsToTicks(float ms, std::uint8_t selector, const TimeBases &tb);
// type: engine type 0-6 (RpmSet); any other value gives 0.
std::uint32_t TicksToRpm(std::uint32_t ticks, std::uint8_t type, unsigned rpmSignal, const TimeBases &tb);
std::int32_t RpmToTicks(std::uint32_t rpm, std::uint8_t type, unsigned rpmSignal, const TimeBases &tb);

} // namespace kelvane
