#include "Injectors.h"

namespace kelvane {

namespace {
std::uint8_t bitOf(int cylinder)
{
    return static_cast<std::uint8_t>(1u << (cylinder - 1));
}
bool validCylinder(int cylinder)
{
    return cylinder >= 1 && cylinder <= 8;
}
} // namespace

bool petrolSwitchOn(const LiveData &live, int cyl)
{
    return validCylinder(cyl) && (live.petrolStateMask() & bitOf(cyl));
}

bool gasSwitchOn(const LiveData &live, int cyl)
{
    return validCylinder(cyl) && (live.gasActiveMask() & bitOf(cyl)) && !(live.gasCutOffMask() & bitOf(cyl));
}

bool cutOffLampOn(const LiveData &live, int cyl)
{
    return validCylinder(cyl) && (live.cutOffStateMask() & bitOf(cyl));
}

float petrolMs(const LiveData &live, int cyl, const TimeBases &tb)
{
    return validCylinder(cyl) ? TicksToMs(live.injPetrol(cyl), 1, tb) : 0.0f;
}

float gatedGasMs(const LiveData &live, int cyl, const TimeBases &tb)
{
    return gasSwitchOn(live, cyl) ? TicksToMs(live.injGas(cyl), 1, tb) : 0.0f;
}

void togglePetrolInjector(LiveData &live, WriteDispatcher &writes, int cyl)
{
    if (!validCylinder(cyl))
        return;
    live.setU8(rec::PetrolOverrideWord, static_cast<std::uint8_t>(live.petrolOverrideMask() ^ bitOf(cyl)));
    writes.command(ControllerCommand::PetrolOverrideWord, live.u16(rec::PetrolOverrideWord));
}

void toggleGasInjector(LiveData &live, WriteDispatcher &writes, int cyl)
{
    if (!validCylinder(cyl))
        return;
    live.setU8(rec::GasCutOffWord + 1, static_cast<std::uint8_t>(live.gasCutOffMask() ^ bitOf(cyl)));
    writes.command(ControllerCommand::GasCutOffWord,
        static_cast<std::uint16_t>((live.gasCutOffMask() << 8) | live.gasActiveMask()));
}

std::array<SequenceRow, 8> injectionSequence(const LiveData &live)
{
    struct Pair {
        std::uint16_t value;
        int cylinder;
    };
    std::array<Pair, 8> p {};
    for (int i = 0; i < 8; ++i)
        p[static_cast<std::size_t>(i)] = { live.sequenceValue(i + 1), i + 1 };
    // Exchange sort of neighbours, swapping only when the right one is strictly smaller,
    // so equal values keep cylinder order.
    for (int pass = 0; pass < 8; ++pass) {
        for (std::size_t j = 0; j < 7; ++j) {
            if (p[j + 1].value < p[j].value)
                std::swap(p[j], p[j + 1]);
        }
    }
    std::array<SequenceRow, 8> rows {};
    int group = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        if (i > 0 && p[i - 1].value < p[i].value)
            ++group;
        rows[i] = { p[i].cylinder, group };
    }
    return rows;
}

} // namespace kelvane
