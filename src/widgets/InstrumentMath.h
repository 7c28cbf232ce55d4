#pragma once
// Value-to-geometry mapping of the instruments, free of any widget so it can be tested on its own.
// Every function clamps: a value below the range maps to its start, one above to its end, a range of
// zero width (or a value that is not a number) maps to the start.

#include <vector>

namespace kelvane {

// Clamps value into [min, max]; NaN gives min. A reversed range (min > max) is treated as [max, min].
double clampToRange(double value, double min, double max);

// The range a setter was given, put in order: false (and both ends left alone) when an end is not a
// number, else min <= max on return.
bool orderRange(double &min, double &max);

// The needle angle in degrees from the start of the scale, 0 .. sweepDeg.
double meterAngle(double value, double min, double max, double sweepDeg);

// The filled length of a bar of `pixels` length, 0 .. pixels (rounded to the nearest pixel).
int barLength(double value, double min, double max, int pixels);

// Where the ticks and numbers of a scale go.
struct ScaleTicks {
    std::vector<double> major; // long ticks
    std::vector<double> minor; // short ticks between the long ones (never on a long one)
    std::vector<double> labels; // values that get a number
    int decimals = 0; // digits after the point for the numbers
};

// A scale over [min, max] with about `targetMajors` intervals on round steps (1, 2, 2.5, 5 times a power
// of ten). A round value just outside the range (within half a percent of the span) still gets its tick,
// so a scale from 0.001 to 3 starts at "0". With labelEnds the two ends are always numbered and a round
// number too close to an end loses its number (not its tick). Bounded: never more than a few hundred
// ticks, whatever the input.
ScaleTicks niceScale(double min, double max, int targetMajors, bool labelEnds);

} // namespace kelvane
