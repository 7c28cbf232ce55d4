#pragma once
// What the readings, the side strip, the OBD tab and the work-time label show for a
// live record: pure functions, so the window only copies results into its controls.

#include "LiveRecord.h"

#include <array>
#include <optional>
#include <string>

namespace kelvane {

// Status, error and work-time texts; a language file may replace them.
struct StatusTexts {
    std::string gasoline = "gasoline";
    std::string autoMode = "auto";
    std::string gaz = "gaz";
    std::string error = "error";
    std::string errorPres = "error pres.";
    std::string errorRpm = "error RPM/IGN.";
    std::string errorCom = "error COMx";
    std::string workTime = "work time";
};

struct LampState {
    int state = 0; // 0 normal, 1 error
    bool flashing = false;
    std::string caption;
};

LampState statusLamp(const LiveData &live, const StatusTexts &texts);
LampState notConnectedLamp(const StatusTexts &texts);

// Level lamps 0-4 for LevelStep; nullopt (leave them as they are) for a step of 5 or more.
std::optional<std::array<bool, 5>> levelLamps(std::uint8_t levelStep);

// "work time gasoline: [ 1h : 2m : 5s ] gaz: [ 0h : 0m : 0s ] 99.97/0.00 %"
std::string workTimeText(std::uint32_t petrolSec, std::uint32_t gasSec, const StatusTexts &texts, char decimalPoint);

// The OBD/CAN status line from the CAN status byte. Modes 5-7 have no mode text: the
// line then shows the flags alone, so it never grows from decode to decode.
std::string canStatusLine(std::uint8_t canStatus);

struct ObdValue {
    bool supported = false;
    double value = 0;
};
// OBD values 1-21 (index 0-20) from the OBD data area.
std::array<ObdValue, 21> obdValues(const LiveData &live);
extern const std::array<const char *, 21> ObdValueCaptions;

// Fuel trims beside the OBD settings: the text, or "n/a" when value 1 / 2 is not supported.
std::string obdShortTrimText(const LiveData &live, char decimalPoint);
std::string obdLongTrimText(const LiveData &live, char decimalPoint);

// Fixed(4, d) on screen, with the system's decimal separator.
std::string screenFixed(double value, int decimals, char decimalPoint);

} // namespace kelvane
