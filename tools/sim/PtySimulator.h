#pragma once
// Runs a simulated controller on a pseudo-terminal, in a thread of its own: the
// PC opens the slave side like a serial port, and finds it with the kernel's
// default settings, as on a freshly plugged adapter. A reply is there when it
// would have left at the line speed (10 bit times per byte), and only while the
// PC's line speed matches the controller's own.

#include "Simulator.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kelvane::sim {

class PtySimulator {
public:
    explicit PtySimulator(SimOptions options);
    ~PtySimulator(); // stops
    PtySimulator(const PtySimulator &) = delete;
    PtySimulator &operator=(const PtySimulator &) = delete;

    bool start(std::string *error);
    std::string slavePath() const { return m_slavePath; }
    kelvane::ImageBytes image() const; // thread-safe snapshot
    void stop();

    // Thread-safe snapshots for tests and the program's closing note.
    ControllerCounters counters() const;
    ControllerState controllerState() const;
    // The PC side's line speed when the last bytes arrived (0 before any).
    int lastLineSpeed() const { return m_lastLineSpeed.load(); }
    // The terminal has been closed by --hangup-after.
    bool hungUp() const { return m_hungUp.load(); }

    // The controller's own clock, seconds since start: its drive cycle, warm-up and work-time
    // counters run on it. It runs in real time; advanceClock moves it on at once, as if the engine
    // had run that much longer, so that a test reaches a later moment of the drive cycle without
    // waiting for it. The line keeps real time: replies still take their time on the wire.
    double clockSec() const;
    void advanceClock(double seconds);

    // Line speed in baud of the terminal behind fd (0 when unknown); on Linux the master side
    // reports the settings the slave side was given.
    static int lineSpeedOf(int fd);

private:
    struct Pending {
        double dueMs; // the byte and the ones before it have left the controller's UART
        std::uint8_t byte;
    };

    void run();
    double elapsedMs() const;
    void handleInput(const std::uint8_t *data, std::size_t count, double nowMs);
    // Queues bytes that start leaving at startMs to be written when the last of them has left;
    // returns that time.
    double schedule(const std::vector<std::uint8_t> &bytes, double startMs);
    // Drains the notices of openings of the terminal; true when there was one.
    bool takeOpenings();
    void lineReopened();
    void writeDue(double nowMs);
    void hangUp();

    SimOptions m_options;
    std::unique_ptr<Controller> m_controller;
    mutable std::mutex m_mutex; // guards m_controller
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_hungUp { false };
    std::atomic<int> m_lastLineSpeed { 0 };
    int m_master = -1;
    int m_slave = -1; // held open for the simulator's whole life; nothing is set on it
    int m_notify = -1; // inotify: the PC's openings of the slave
    std::string m_slavePath;
    bool m_linkMade = false;
    std::deque<Pending> m_out;
    double m_lineFreeMs = 0;
    std::chrono::steady_clock::time_point m_start;
    std::atomic<double> m_clockAheadMs { 0 };
};

int runMain(int argc, char **argv); // the kelvane-sim program; prints the slave path as its first line

// Parses the program's options; false with a one-line message on a bad one. `help` is set for --help.
bool parseSimOptions(int argc, char **argv, SimOptions &options, bool &help, std::string &error);
const char *simUsage();

} // namespace kelvane::sim
