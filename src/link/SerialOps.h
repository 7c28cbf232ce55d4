#pragma once
// The platform operations the serial link needs, and nothing else.
// PosixSerial drives real terminals; ScriptedSerial stands in for them in
// unit tests with a virtual clock.

#include <cstdint>
#include <string>

namespace kelvane {

using PortHandle = std::intptr_t;
constexpr PortHandle InvalidHandle = -1;

struct LineSettings {
    int baud = 57600;
    int dataBits = 8;
    bool parityNone = true;
    bool parityCheck = false;
    int stopBits = 1;
    bool dtrEnabled = false;
};

class SerialOps {
public:
    virtual ~SerialOps() = default;

    // 1. Open a device exclusively, read/write; InvalidHandle on failure.
    virtual PortHandle open(const std::string &device) = 0;
    // 2. Set the line up raw for the named settings; false when it cannot be set up.
    virtual bool configure(PortHandle h, const LineSettings &settings) = 0;
    // 5. Half-duplex line direction.
    virtual void setRts(PortHandle h, bool on) = 0;
    // 4. Block until the transmitter has sent the last queued byte.
    virtual void waitTransmitEmpty(PortHandle h) = 0;
    // 6. Block until the driver's output buffer has gone to the hardware.
    virtual void flushOutput(PortHandle h) = 0;
    // 7. Bytes waiting in the receive queue; clears pending line errors.
    virtual std::uint32_t queuedBytes(PortHandle h) = 0;
    // 8. Read up to max bytes already queued; returns the count read.
    virtual std::uint32_t read(PortHandle h, std::uint8_t *buf, std::uint32_t max) = 0;
    virtual bool write(PortHandle h, const std::uint8_t *buf, std::uint32_t count) = 0;
    // 9.
    virtual void close(PortHandle h) = 0;
    // 10.
    virtual void sleepMs(int ms) = 0;
    // Whether the device behind `h` has gone: the line hung up, or a read, write or queue query
    // failed as they do on a vanished device. Such a handle never works again; close it.
    virtual bool lost(PortHandle h) const
    {
        (void)h;
        return false;
    }
    // Why the user may not open `device`, in words he can act on (the group that owns it and how to
    // join it); empty when nothing is known against it. Asked after a scan found no controller.
    virtual std::string accessProblem(const std::string &device) const
    {
        (void)device;
        return {};
    }
};

} // namespace kelvane
