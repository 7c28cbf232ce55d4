#pragma once
// The log viewer's data: a CSV written by the data logger or by `kelvane-cli live` read into
// columns of numbers, and the value of every column at a time (the cursor).
//
// The file: a header "Time,<name>,<name>,...", one row per line with the time in seconds first;
// both writers end every line with ",". Line breaks may be "\n" or "\r\n", the header may be UTF-8
// or Latin-1. A bad file gives an error that names the line and the reason, never a partial table;
// only a last row cut short (a recording that ended mid-line) is left out, with a warning.
//
// Numbers are read in fixed-point or exponent form, so both the files written now (the time with
// two decimals at any size, "123456.78"; the work-time counters as integers) and older ones (every
// number with 5 significant digits: "1.0000E5", "1.2346E5") give a table. In an older file the
// time moves in steps of 0.1 s after 1000 s of a program run (after 10000 s, of 1 s) while rows
// come every 70 ms: several rows then carry the same time. The playback time of a row spreads
// such a run evenly up to the next printed time, so every row gets its own moment; time() keeps
// what the file says.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

struct LogTableLimits {
    std::size_t maxBytes = 64u * 1024 * 1024; // about six hours of every column
    std::size_t maxLineBytes = 64u * 1024;
};

class LogTable {
public:
    int rowCount() const { return static_cast<int>(m_time.size()); }
    // Columns besides "Time".
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    // Header text of a column, as UTF-8.
    const std::string &columnName(int column) const { return m_columns[static_cast<std::size_t>(column)].name; }
    // The LiveValues entry the column holds, or -1 for a header the logger does not write.
    int liveIndex(int column) const { return m_columns[static_cast<std::size_t>(column)].liveIndex; }
    // The column holding a LiveValues entry, or -1.
    int columnForLiveIndex(int liveIndex) const;
    const std::vector<float> &column(int column) const { return m_columns[static_cast<std::size_t>(column)].values; }
    float value(int column, int row) const { return this->column(column)[static_cast<std::size_t>(row)]; }

    // The time of a row as the file has it, seconds.
    double time(int row) const { return m_time[static_cast<std::size_t>(row)]; }
    // The moment a row is shown in playback: strictly increasing (see above).
    double playbackTime(int row) const { return m_playbackTime[static_cast<std::size_t>(row)]; }
    double startTime() const { return m_playbackTime.empty() ? 0 : m_playbackTime.front(); }
    double endTime() const { return m_playbackTime.empty() ? 0 : m_playbackTime.back(); }

    // The cursor: the row shown at a time, the last one whose playback time has come (the first
    // row before the start); -1 for a table without rows. Values hold from one row to the next,
    // they are not interpolated: each row is one reading of the controller.
    int rowAt(double seconds) const;
    // Every column's value at that time (empty for a table without rows).
    std::vector<float> valuesAt(double seconds) const;

    // Things left out while reading (a last row cut short).
    const std::vector<std::string> &warnings() const { return m_warnings; }

private:
    friend struct LogTableParser;
    struct Column {
        std::string name;
        int liveIndex = -1;
        std::vector<float> values;
    };
    std::vector<Column> m_columns;
    std::vector<double> m_time;
    std::vector<double> m_playbackTime;
    std::vector<std::string> m_warnings;
};

struct LogLoadResult {
    bool ok = false;
    std::string error; // "line 7, column \"RPM (rev./min)\": \"12a\" is not a number"
    LogTable table;
};

// Reads a log from its bytes.
LogLoadResult parseLogTable(std::string_view bytes, const LogTableLimits &limits = {});
// Reads a log file: a regular file of at most limits.maxBytes.
LogLoadResult loadLogTable(const std::string &path, const LogTableLimits &limits = {});

} // namespace kelvane
