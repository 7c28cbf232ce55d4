#include "Link.h"

#include <algorithm>
#include <cstring>

namespace kelvane {

bool SerialLink::OpenComPort()
{
    const std::string name = m_s.PortName;
    const std::string device = m_ports.deviceFor(name);
    PortHandle h = device.empty() ? InvalidHandle : m_ops.open(device);
    if (h == InvalidHandle) {
        m_s.ComHandle = InvalidHandle;
        return false;
    }
    LineSettings settings;
    settings.baud = baudFor(m_s.BaudFlag);
    // A line that cannot be set up (a speed the terminal does not know, settings that do not take)
    // is no port: a greeting over it would only be garbled.
    if (!m_ops.configure(h, settings)) {
        m_ops.close(h);
        m_s.ComHandle = InvalidHandle;
        return false;
    }
    m_s.ComHandle = h;
    m_s.PortOpen = 1;
    return true;
}

bool SerialLink::CloseComPort(PortHandle handle)
{
    if (handle == 0 || handle == InvalidHandle)
        return false;
    m_ops.close(handle);
    m_s.ComHandle = InvalidHandle;
    return true;
}

bool SerialLink::WriteComPort(PortHandle handle, const std::uint8_t *bytes, std::uint32_t count)
{
    if (handle == 0 || handle == InvalidHandle)
        return false;
    m_ops.setRts(handle, true);
    if (!m_ops.write(handle, bytes, count))
        return false; // RTS stays up; the next write raises it again anyway
    m_ops.waitTransmitEmpty(handle);
    m_ops.setRts(handle, false);
    return true;
}

bool SerialLink::ReadComPort(PortHandle handle, std::uint8_t *buffer, std::uint32_t &count, std::uint32_t max)
{
    count = 0;
    if (handle == 0 || handle == InvalidHandle) {
        m_s.QueuedBytes = 0;
        return true;
    }
    m_s.QueuedBytes = m_ops.queuedBytes(handle);
    if (m_s.QueuedBytes > 0)
        count = m_ops.read(handle, buffer, std::min(max, m_s.QueuedBytes));
    return true;
}

void SerialLink::flushOutput()
{
    if (m_s.ComHandle != 0 && m_s.ComHandle != InvalidHandle)
        m_ops.flushOutput(m_s.ComHandle);
}

bool SerialLink::ReceiveReply(std::uint32_t expected)
{
    m_s.RxTotal = 0;
    m_s.ReplyComplete = 0;
    m_s.RxPolls = 0;
    m_s.RxLastRead = 0;
    while (m_s.RxPolls <= 20) {
        m_s.RxTotal += m_s.RxLastRead;
        m_ops.sleepMs(2);
        ++m_s.RxPolls;
        ReadComPort(m_s.ComHandle, m_s.ReadScratch.data(), m_s.RxLastRead, RxBufferSize);
        // Bytes that would fall past the end of the buffer are dropped.
        if (m_s.RxTotal < RxBufferSize) {
            std::uint32_t room = RxBufferSize - m_s.RxTotal;
            std::memcpy(m_s.RxBuffer.data() + m_s.RxTotal, m_s.ReadScratch.data(), std::min(room, m_s.RxLastRead));
        }
        // Completion is judged on the total before this poll's bytes.
        if (m_s.RxTotal >= expected) {
            m_s.RxPolls = 21;
            m_s.ReplyComplete = 1;
        }
    }
    return m_s.ReplyComplete == 1;
}

} // namespace kelvane
