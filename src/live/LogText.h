#pragma once
// The text of the CSV data log: column headers, number format and rows.
// The file always uses "." as the decimal separator, whatever the locale.
//
// Numbers in a row: the time in seconds with two fixed decimals at any size ("0.07", "123456.78");
// the work-time counters (columns 0 and 1, whole seconds) as integers ("123456"); every other
// column fixed-point with precision 5 and 3 decimals (see formatFixed5). Files written before the
// time and the counters had their own format hold them with precision 5 as well ("1.0000E5",
// "1.2346E5"); the log viewer reads both.

#include "LiveRecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

constexpr int LogColumnCount = 37;
extern const std::array<const char *, LogColumnCount> LogColumnHeaders;
// Columns 27 and 29-36 have no visible check box and can never be chosen.
bool logColumnSelectable(int index);
std::array<bool, LogColumnCount> logDefaultColumns();
std::array<bool, LogColumnCount> logAllSelectableColumns();

// Fixed-point with precision 5: rounded to 5 significant digits, printed with exactly
// `decimals` digits after "."; more than 5 digits before the point switch to exponent form.
std::string formatFixed5(double value, int decimals);
// The Time column: seconds with exactly two decimals, rounded to the nearest 10 ms.
std::string formatLogTime(std::int64_t elapsedMs);
// Columns that hold a whole count (the work-time counters) and are written as integers.
bool logColumnIsCount(int index);
// A whole count: the value rounded to an integer, without a decimal point or exponent.
std::string formatLogCount(double value);

// "Time," followed by each chosen header and ","  (every chosen column is below 36).
std::string logHeader(const std::array<bool, LogColumnCount> &columns);
// One row without its leading line break: the time in seconds, then each chosen value, each
// followed by ",".
std::string logRow(std::int64_t elapsedMs, const std::array<float, LiveValueCount> &values,
    const std::array<bool, LogColumnCount> &columns);
// The same row appended to `out` (no line break either side), so a caller that keeps one buffer
// allocates nothing per row once the buffer has grown.
void appendLogRow(std::string &out, std::int64_t elapsedMs, const std::array<float, LiveValueCount> &values,
    const std::array<bool, LogColumnCount> &columns);

// The column (and LiveValues entry) whose header text this is, or -1. The text may be UTF-8 or,
// as older files have it, Latin-1 ("\xB0C" for the degree sign); blanks around it are ignored.
int logColumnForHeader(std::string_view header);
// Text of a log file as UTF-8: valid UTF-8 passes unchanged, anything else is read as Latin-1.
std::string logTextAsUtf8(std::string_view text);

} // namespace kelvane
