#pragma once
// What the display steps of one decode read: the live record, the image (engine type and signal
// source), the time bases of the controller found, and the system's decimal separator.

#include "Connection.h"
#include "LiveRecord.h"
#include "ParameterImage.h"

#include <array>

class QWidget;

class TAbBar;
class TAbColBitBtn;

namespace kelvane {

struct DisplayContext {
    const LiveData &live;
    const ParameterImage &image;
    const TimeBases &timeBases;
    char decimalPoint;
};

// One group of injector rows (readings, diagnostic or side strip); a missing column is null.
struct InjectorRows {
    std::array<TAbBar *, 8> petrolBars {};
    std::array<TAbColBitBtn *, 8> petrolSwitches {};
    std::array<TAbBar *, 8> gasBars {};
    std::array<TAbColBitBtn *, 8> gasSwitches {};
};
// Object-name prefixes of one group's columns, the cylinder number follows; a null prefix leaves
// that column out.
struct InjectorRowNames {
    const char *petrolBar;
    const char *petrolSwitch;
    const char *gasBar;
    const char *gasSwitch;
    int barDecimals;
};
// Creates the controls of cylinder n (1-8) of one group under parent.
void buildInjectorRow(InjectorRows &rows, QWidget *parent, int n, const InjectorRowNames &names);

// Petrol times, petrol switch states, gas switch states and the gated gas times.
void showInjectorRows(const InjectorRows &rows, const DisplayContext &context);

// The system's decimal separator as one character ('.' when it is not a single ASCII character).
char systemDecimalPoint();

} // namespace kelvane
