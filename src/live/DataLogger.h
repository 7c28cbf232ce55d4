#pragma once
// The data logger: the column check boxes, START and STOP, one row per decoded live reply, the
// progress mark in the window caption, and the file "Log.csv" in the current directory.
//
// Rows do not pile up in memory: they go, a few kilobytes at a time, to a spill file created at
// START in the target's folder, which STOP completes and renames over "Log.csv". An old
// "Log.csv" is therefore replaced only by a complete new one, a crash leaves the old file and
// the spill file (named "<target>.recording-...") behind, and memory stays bounded however long
// the drive. When STOP cannot write, it says why and keeps the recording, which saveTo() can
// then write to another path (or discard() drop).
//
// Everything runs on the thread of the polling cycle; the class owns no timer.

#include "LogText.h"

#include <array>
#include <cstdint>
#include <string>

class QDateTime;
class QLocale;

namespace kelvane {

// Nominal time between two rows: two polling ticks of 35 ms.
constexpr int LogRowIntervalMs = 70;

struct LogResult {
    bool ok = true; // false: `error` says why; the recording is kept for saveTo()
    bool wrote = false; // a file was written (false also when there was nothing to stop)
    std::string path; // the file written or tried
    std::string error; // "cannot write /path/Log.csv: Permission denied"
    std::int64_t rows = 0; // rows of the recording
    std::int64_t droppedRows = 0; // rows that neither the disk nor the memory limit could take
};

struct LogStartResult {
    bool started = false;
    std::string error; // why no recording started
    LogResult stopped; // the recording that was running, stopped first (wrote = false if none)
};

// The progress mark in the window caption: the first row appends "..." + label + " / ", then every
// tenth row turns the mark: " / ", " - ", " \ ", " | " and round again. Only the text the logger
// appended is touched; a caption that no longer ends with it is left alone.
class LogProgressMark {
public:
    void restart(const std::string &label);
    void step(std::string &caption);
    int counter() const { return m_counter; }

private:
    int m_counter = 0;
    std::string m_label;
    std::string m_suffix; // what was last appended to the caption
};

// The log label: the date as short date text, a blank, the time text, every "-" turned into ".",
// then the file name ("Log.csv").
std::string logLabel(const std::string &dateText, const std::string &timeText, const std::string &fileName = "Log.csv");
std::string logLabel(const QDateTime &when, const QLocale &locale, const std::string &fileName = "Log.csv");

class DataLogger {
public:
    // fileName: resolved against the current directory at START.
    explicit DataLogger(std::string fileName = "Log.csv");
    // A recording that was neither saved nor discarded stays on disk as its spill file.
    ~DataLogger();
    DataLogger(const DataLogger &) = delete;
    DataLogger &operator=(const DataLogger &) = delete;

    // The check boxes of "Select Logs" (default ticks as delivered). A column without a visible
    // check box cannot be ticked: false. Ticks take effect at the next START.
    bool setTicked(int column, bool on);
    const std::array<bool, LogColumnCount> &ticked() const { return m_ticked; }

    // START. A running recording is stopped (and written) first; when that fails, or an unsaved
    // recording is still kept, nothing starts (the kept rows would otherwise be lost).
    LogStartResult start(const std::string &label);
    // The row step, after each decode once LiveValues are recomputed: one row when logging, and the
    // progress mark in `caption`.
    void rowStep(const std::array<float, LiveValueCount> &values, std::string &caption);
    // STOP: writes the recording to the target. Nothing to do (ok, wrote = false) when idle.
    LogResult stop();
    // The window closes: STOP when a recording runs.
    LogResult close() { return stop(); }
    // Writes the kept recording of a failed STOP to another path.
    LogResult saveTo(const std::string &path);
    // Drops a kept (or running) recording and its spill file.
    void discard();

    bool logging() const { return m_logging; }
    bool hasUnsavedRecording() const { return m_unsaved; }
    int lastColumnIndex() const { return m_logging ? LogColumnCount - 1 : 0; }
    // The columns chosen at START.
    const std::array<bool, LogColumnCount> &columnFlags() const { return m_columns; }
    // Nominal time of all rows logged by this object; never reset.
    std::int64_t elapsedMs() const { return m_elapsedMs; }
    std::int64_t rows() const { return m_rows; }
    std::int64_t droppedRows() const { return m_dropped; }
    // Bytes of rows held in memory, waiting for the spill file.
    std::size_t bytesInMemory() const { return m_buffer.size(); }
    std::size_t memoryCapacity() const { return m_buffer.capacity(); }
    const std::string &spillPath() const { return m_spillPath; }
    const std::string &targetPath() const { return m_targetPath; }
    // Why the spill file last refused rows while recording ("" while it takes them); the rows
    // then wait in memory up to the memory limit.
    const std::string &spillError() const { return m_spillError; }

    // Rows are written to the spill file once this many bytes wait.
    static constexpr std::size_t SpillChunkBytes = 16 * 1024;
    // Rows held in memory while the spill file refuses them, before further rows are dropped.
    void setMemoryLimit(std::size_t bytes) { m_memoryLimit = bytes; }

private:
    bool createSpill(std::string &error);
    bool flushBuffer();
    LogResult writeTo(const std::string &path);
    LogResult fail(const std::string &path, const std::string &error);
    void closeSpill();

    std::string m_fileName;
    std::array<bool, LogColumnCount> m_ticked;
    std::array<bool, LogColumnCount> m_columns {};
    bool m_logging = false;
    bool m_unsaved = false;
    std::int64_t m_elapsedMs = 0;
    std::int64_t m_rows = 0;
    std::int64_t m_dropped = 0;
    LogProgressMark m_mark;

    std::string m_targetPath;
    std::string m_spillPath;
    int m_spillFd = -1;
    std::int64_t m_spilled = 0; // bytes safely in the spill file
    std::string m_buffer; // bytes not yet in it
    std::string m_spillError;
    std::size_t m_memoryLimit = 8 * 1024 * 1024;
};

} // namespace kelvane
