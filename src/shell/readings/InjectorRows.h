#pragma once
// The injector rows of one page group (readings, diagnostic or side strip): per cylinder a petrol
// bar and switch, a gas bar and switch, each column optional. Built once by name, shown every decode.

#include "DisplayContext.h"

#include <array>

class QWidget;
class TAbBar;
class TAbColBitBtn;

namespace kelvane {

// One group of injector rows; a missing column is null.
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

} // namespace kelvane
