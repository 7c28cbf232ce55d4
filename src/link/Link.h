#pragma once
// The serial transport to the controller: open with fixed line settings,
// half-duplex writes with RTS raised for the frame, and the bounded polling
// receive that collects a reply of known length.

#include "PortMap.h"
#include "SerialOps.h"

#include <array>
#include <cstdint>
#include <string>

namespace kelvane {

constexpr std::uint32_t RxBufferSize = 1024;

struct LinkState {
    PortHandle ComHandle = InvalidHandle;
    std::string PortName = "\\\\.\\COM1";
    std::uint8_t BaudFlag = 0; // 1 selects 38400 baud, anything else 57600
    std::uint8_t PortOpen = 0;
    std::array<std::uint8_t, 6> TxFrame {};
    std::array<std::uint8_t, RxBufferSize> ReadScratch {};
    std::array<std::uint8_t, RxBufferSize> RxBuffer {};
    std::uint32_t RxTotal = 0;
    std::uint32_t RxLastRead = 0;
    std::uint32_t RxPolls = 0;
    std::uint8_t ReplyComplete = 0;
    std::uint32_t QueuedBytes = 0;
};

inline int baudFor(std::uint8_t baudFlag)
{
    return baudFlag == 1 ? 38400 : 57600;
}

class SerialLink {
public:
    SerialLink(SerialOps &ops, const PortMap &ports, LinkState &state)
        : m_ops(ops)
        , m_ports(ports)
        , m_s(state)
    {
    }

    bool OpenComPort();
    bool CloseComPort(PortHandle handle);
    bool WriteComPort(PortHandle handle, const std::uint8_t *bytes, std::uint32_t count);
    bool ReadComPort(PortHandle handle, std::uint8_t *buffer, std::uint32_t &count, std::uint32_t max);
    bool ReceiveReply(std::uint32_t expected);

    void sleepMs(int ms) { m_ops.sleepMs(ms); }
    void flushOutput();
    // Whether the open port's device has gone (see SerialOps::lost).
    bool lineLost() const { return m_s.ComHandle != InvalidHandle && m_s.ComHandle != 0 && m_ops.lost(m_s.ComHandle); }

    LinkState &state() { return m_s; }
    const LinkState &state() const { return m_s; }
    SerialOps &ops() { return m_ops; }
    const PortMap &ports() const { return m_ports; }

private:
    SerialOps &m_ops;
    const PortMap &m_ports;
    LinkState &m_s;
};

} // namespace kelvane
