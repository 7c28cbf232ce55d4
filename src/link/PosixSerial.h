#pragma once
#include "SerialOps.h"

namespace kelvane {

// Serial operations on POSIX terminals: termios raw 8N1, RTS by TIOCMBIS/TIOCMBIC,
// transmit-empty by tcdrain, queue length by TIOCINQ, exclusive open by TIOCEXCL.
class PosixSerial : public SerialOps {
public:
    PortHandle open(const std::string &device) override;
    bool configure(PortHandle h, const LineSettings &settings) override;
    void setRts(PortHandle h, bool on) override;
    void waitTransmitEmpty(PortHandle h) override;
    void flushOutput(PortHandle h) override;
    std::uint32_t queuedBytes(PortHandle h) override;
    std::uint32_t read(PortHandle h, std::uint8_t *buf, std::uint32_t max) override;
    bool write(PortHandle h, const std::uint8_t *buf, std::uint32_t count) override;
    void close(PortHandle h) override;
    void sleepMs(int ms) override;
};

} // namespace kelvane
