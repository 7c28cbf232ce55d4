#pragma once
// Injector switches and the injection-sequence view. The switches show only what
// the controller reports; a click toggles one bit of the mask as last decoded and
// sends the whole word back.

#include "LiveRecord.h"
#include "WriteDispatcher.h"

#include <array>

namespace kelvane {

// Cylinders are numbered 1-8; bit n-1 of every mask belongs to cylinder n.
bool petrolSwitchOn(const LiveData &live, int cylinder);
bool gasSwitchOn(const LiveData &live, int cylinder);
bool cutOffLampOn(const LiveData &live, int cylinder);
// The gas opening time beside a gas switch: the time when the switch is on, else 0.
float gatedGasMs(const LiveData &live, int cylinder, const TimeBases &tb);
float petrolMs(const LiveData &live, int cylinder, const TimeBases &tb);

void togglePetrolInjector(LiveData &live, WriteDispatcher &writes, int cylinder);
void toggleGasInjector(LiveData &live, WriteDispatcher &writes, int cylinder);

// One row per cylinder in injection order; the column is its injection group.
struct SequenceRow {
    int cylinder = 0; // 1-8
    int group = 0; // 0-7
};
std::array<SequenceRow, 8> injectionSequence(const LiveData &live);

} // namespace kelvane
