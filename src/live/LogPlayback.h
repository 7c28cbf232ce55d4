#pragma once
// Playing a recorded drive back: a clock that the window's timer advances (the class owns no
// timer), and a row turned back into live data so the readings page shows it as if connected.
// Playback only reads the table; it has no access to the link and sends nothing to a controller.

#include "LiveRecord.h"
#include "LogTable.h"

#include <array>
#include <cstdint>

namespace kelvane {

class PlaybackClock {
public:
    // The table must outlive the clock. The clock starts paused at the first row, at 1x.
    explicit PlaybackClock(const LogTable &table);

    // Play from the position; at the end of the recording, from its start again.
    void play();
    void pause();
    bool playing() const { return m_playing; }
    // Playback speed, 1 (real time) to 16; 1x and 4x are offered. Other factors are refused.
    bool setSpeed(int factor);
    int speed() const { return m_speed; }
    // Jump to a time (seconds of the file's time axis, limited to the recording) or a row.
    void seek(double seconds);
    void seekRow(int row);

    // elapsedMs of wall-clock time have passed: advances while playing (pausing at the end) and
    // returns the row to show (-1 for a table without rows).
    int tick(int elapsedMs);
    int row() const { return m_table.rowAt(position()); }
    // Current time on the file's axis, seconds.
    double position() const;
    bool atEnd() const { return m_table.rowCount() == 0 || position() >= m_table.endTime(); }

private:
    const LogTable &m_table;
    double m_base = 0; // position at the last seek, speed change or start
    std::int64_t m_runMs = 0; // wall-clock ms played since then
    int m_speed = 1;
    bool m_playing = false;
};

// The LiveValues of a row: each entry whose column the file holds, the others 0.
struct PlaybackValues {
    std::array<float, LiveValueCount> values {};
    std::array<bool, LiveValueCount> present {};
};
PlaybackValues playbackValues(const LogTable &table, int row);

// A live record rebuilt from a row, for the display steps that read the record: each logged
// quantity goes back to its raw field (injection times and the speed period through the tick
// conversions of the image and time bases given), LiveValues are the row's values as logged.
// Two fields the log does not hold take the nearest logged quantity: InjPetrolRef (the scope's
// "InjB1") that of cylinder 1, GasPressure2 (status strip, scope "Pres") the logged "AbsPresG".
// The injector state masks mark the cylinders whose columns the file holds, so their bars show the
// logged times. Everything else (mode, status and signal flags, OBD, side channels) is not in the
// log and stays 0: the window shows its own playback text instead of the status lamp.
// Do not run the decode on it: that would recompute LiveValues from the rebuilt raw counts.
LiveData playbackLiveData(const LogTable &table, int row, const ParameterImage &image, const TimeBases &tb);

} // namespace kelvane
