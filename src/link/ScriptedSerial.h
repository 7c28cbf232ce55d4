#pragma once
// A serial line for unit tests: records every frame with its virtual time and
// replays scripted replies. Sleeps advance a virtual clock, so no test waits.

#include "SerialOps.h"

#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace kelvane {

class ScriptedSerial : public SerialOps {
public:
    struct Delivery {
        double afterMs = 0; // after the end of the write that caused it
        std::vector<std::uint8_t> bytes;
    };
    // Called for every write on a device; returns what the far end sends back.
    using Responder = std::function<std::vector<Delivery>(const std::vector<std::uint8_t> &written, int baud)>;

    struct Written {
        double timeMs; // when the first byte went out
        double doneMs; // transmit-empty
        std::string device;
        int baud;
        std::vector<std::uint8_t> bytes;
        bool rtsHigh; // RTS state while the bytes went out
    };
    struct RtsChange {
        double timeMs;
        bool on;
    };

    // A device that exists; without a responder nothing ever answers.
    void addDevice(const std::string &device, Responder responder = {});
    void removeDevice(const std::string &device);
    // A device whose line settings cannot be set (configure fails), as a terminal that refuses a speed.
    void refuseSettings(const std::string &device) { m_devices[device].refuseSettings = true; }
    // A device the user may not open, owned by `group` (as /dev/ttyUSB0 by "dialout").
    void denyAccess(const std::string &device, const std::string &group) { m_devices[device].deniedGroup = group; }
    // After `count` more frames the line refuses every write, as a terminal whose device went away
    // (-1: never).
    void failWritesAfter(int count) { m_writesLeft = count; }
    // The device goes away as an unplugged adapter does: its open handle is lost (reads find
    // nothing, writes fail) and opening it fails until it is added again.
    void hangUp(const std::string &device);
    bool lost(PortHandle h) const override;
    // Queue bytes on the open handle of a device, arriving at an absolute virtual time.
    void deliverAt(const std::string &device, double atMs, std::vector<std::uint8_t> bytes);

    double now() const { return m_now; }
    void advance(double ms) { m_now += ms; }
    const std::vector<Written> &written() const { return m_written; }
    const std::vector<RtsChange> &rtsChanges() const { return m_rts; }
    const std::vector<std::string> &openAttempts() const { return m_openAttempts; }
    int openHandles() const;
    int lastBaud(const std::string &device) const;
    void clearLog();

    PortHandle open(const std::string &device) override;
    std::string accessProblem(const std::string &device) const override;
    bool configure(PortHandle h, const LineSettings &settings) override;
    void setRts(PortHandle h, bool on) override;
    void waitTransmitEmpty(PortHandle h) override;
    void flushOutput(PortHandle h) override;
    std::uint32_t queuedBytes(PortHandle h) override;
    std::uint32_t read(PortHandle h, std::uint8_t *buf, std::uint32_t max) override;
    bool write(PortHandle h, const std::uint8_t *buf, std::uint32_t count) override;
    void close(PortHandle h) override;
    void sleepMs(int ms) override { m_now += ms; }

private:
    int m_writesLeft = -1;
    struct Pending {
        double atMs;
        std::uint8_t byte;
    };
    struct Device {
        Responder responder;
        int baud = 9600;
        PortHandle openHandle = InvalidHandle;
        bool refuseSettings = false;
        std::string deniedGroup; // not empty: the user may not open the device
    };
    struct Open {
        std::string device;
        std::deque<Pending> rx;
        bool rts = false;
        double txBusyUntil = 0;
        bool lost = false;
    };
    Open *find(PortHandle h);
    void enqueue(Open &o, double atMs, const std::vector<std::uint8_t> &bytes);

    double m_now = 0;
    PortHandle m_nextHandle = 3;
    std::map<std::string, Device> m_devices;
    std::map<PortHandle, Open> m_open;
    std::vector<Written> m_written;
    std::vector<RtsChange> m_rts;
    std::vector<std::string> m_openAttempts;
};

} // namespace kelvane
