#include "Conversions.h"

#include <climits>
#include <cmath>

namespace kelvane {

TimeBases timeBasesFor(std::uint8_t baudFlag)
{
    if (baudFlag == 1)
        return { 0.0040553f, 0.0040553f, 4e-6f };
    return { 0.0044f, 0.0044f, 4.34e-6f };
}

namespace {
using ext = long double;

ext injBase(std::uint8_t selector, const TimeBases &tb)
{
    return selector == 1 ? tb.InjTickMsA : tb.InjTickMsB;
}

// Speed pulses per revolution factor for a 12V / 0-14V signal (0.5 ... 4 pulses).
ext signalFactor(std::uint8_t type)
{
    switch (type) {
    case 0:
        return 8 * 0.25L;
    case 1:
        return 4 * 0.25L;
    case 2:
        return 2 * (1.0L / 3);
    case 3:
        return 2 * 0.25L;
    case 4:
        return 2 * 0.2L;
    case 5:
        return 2 * (1.0L / 6);
    case 6:
        return 2 * 0.125L;
    default:
        return 0;
    }
}

// Injector-signal factor ("INJ" source).
ext injFactor(std::uint8_t type)
{
    static const ext k[] = { 0.25L, 0.5L, 1, 1, 2, 3, 4 };
    return type <= 6 ? k[type] : 0;
}

ext pulsesPerRev(std::uint8_t type)
{
    switch (type) {
    case 0:
        return 4 * 0.125L;
    case 1:
        return 4 * 0.25L;
    case 2:
        return 3 * 0.5L;
    case 3:
        return 4 * 0.5L;
    case 4:
        return 5 * 0.5L;
    case 5:
        return 6 * 0.5L;
    case 6:
        return 8 * 0.5L;
    default:
        return 0;
    }
}

// Truncation toward zero into 32 bits. A tick count past the range (a speed below 25 rpm has
// an infinite period, a huge typed time) saturates instead of overflowing; not-a-number is 0.
std::int32_t truncTicks(ext v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0L)
        return INT32_MAX;
    if (v <= -2147483648.0L)
        return INT32_MIN;
    return static_cast<std::int32_t>(std::trunc(v));
}
} // namespace

float TicksToMs(std::int32_t ticks, std::uint8_t selector, const TimeBases &tb)
{
    return static_cast<float>(static_cast<ext>(ticks) * injBase(selector, tb));
}

std::int32_t MsToTicks(float ms, std::uint8_t selector, const TimeBases &tb)
{
    return truncTicks(static_cast<ext>(ms) / injBase(selector, tb));
}

std::uint32_t TicksToRpm(std::uint32_t ticks, std::uint8_t type, unsigned rpmSignal, const TimeBases &tb)
{
    float d = static_cast<float>(static_cast<ext>(ticks) * static_cast<ext>(tb.RpmTickSec));
    if (d == 0.0f)
        d = 1e-7f;
    if (ticks > 65499 || type > 6)
        return 0;
    ext e;
    if (rpmSignal != RpmSignalInj) {
        e = (1.0L / d) * 60 * signalFactor(type);
    } else if (ticks == 0) {
        e = 0;
    } else {
        e = 1.0L / (static_cast<ext>(ticks) * static_cast<ext>(tb.InjTickMsA) * 0.001L) * 4 * 60 * injFactor(type);
    }
    const float ef = static_cast<float>(e);
    const auto up = static_cast<std::uint64_t>(std::ceil(static_cast<ext>(ef)));
    return static_cast<std::uint32_t>((up / 25) * 25);
}

std::int32_t RpmToTicks(std::uint32_t rpm, std::uint8_t type, unsigned rpmSignal, const TimeBases &tb)
{
    if (type > 6)
        return 0;
    std::uint32_t r = (rpm / 25) * 25;
    if (rpm == 0)
        r = 200;
    const float c = static_cast<float>(r);
    ext e;
    if (rpmSignal == RpmSignalInj) {
        e = 1.0L / (static_cast<ext>(c) * static_cast<ext>(tb.InjTickMsA) * 0.001L) * 4 * 60 * injFactor(type);
    } else {
        const ext c2 = static_cast<ext>(c) * (1.0L / 60);
        e = 1.0L / (c2 * pulsesPerRev(type)) / static_cast<ext>(tb.RpmTickSec);
    }
    return truncTicks(static_cast<ext>(static_cast<float>(e)));
}

} // namespace kelvane
