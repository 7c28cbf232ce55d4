#pragma once
// What the display steps of one decode read: the live record, the image (engine type and signal
// source), the time bases of the controller found, and the system's decimal separator.

#include "Connection.h"
#include "LiveRecord.h"
#include "ParameterImage.h"

namespace kelvane {

struct DisplayContext {
    const LiveData &live;
    const ParameterImage &image;
    const TimeBases &timeBases;
    char decimalPoint;
};

// The system's decimal separator as one character ('.' when it is not a single ASCII character).
char systemDecimalPoint();

} // namespace kelvane
