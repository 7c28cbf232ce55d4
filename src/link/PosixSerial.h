#pragma once
#include "SerialOps.h"

#include <set>

namespace kelvane {

// Serial operations on POSIX terminals: a fully raw 8N1 line (see configure), RTS by
// TIOCMBIS/TIOCMBIC, transmit-empty by tcdrain, queue length by TIOCINQ, exclusive open by
// TIOCEXCL. Port descriptors are always above 2, so that they never take the place of
// standard input, output or error.
class PosixSerial : public SerialOps {
public:
    PortHandle open(const std::string &device) override;
    // The device's group and how to join it when the user may not read and write it.
    std::string accessProblem(const std::string &device) const override;
    // Makes the line fully raw whatever the driver had before: no flow control of any kind, no
    // character translation, no line editing, no signals, 8N1 at settings.baud, reads that never
    // wait. False, with the line left as it was, for a speed the terminal layer does not know;
    // false when the settings cannot be written or the driver did not take the speed.
    bool configure(PortHandle h, const LineSettings &settings) override;
    void setRts(PortHandle h, bool on) override;
    void waitTransmitEmpty(PortHandle h) override;
    void flushOutput(PortHandle h) override;
    std::uint32_t queuedBytes(PortHandle h) override;
    std::uint32_t read(PortHandle h, std::uint8_t *buf, std::uint32_t max) override;
    bool write(PortHandle h, const std::uint8_t *buf, std::uint32_t count) override;
    void close(PortHandle h) override;
    void sleepMs(int ms) override;
    // Set once a query, read or write of the handle failed with EIO, ENXIO, ENODEV or EBADF (an
    // unplugged adapter, a pseudo-terminal whose other side closed), or poll saw a hang-up.
    bool lost(PortHandle h) const override;

private:
    void check(PortHandle h, int error);
    std::set<PortHandle> m_lost;
};

} // namespace kelvane
