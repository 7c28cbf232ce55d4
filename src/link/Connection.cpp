#include "Connection.h"

namespace kelvane {

const char *const NeedUpdateText = "Need software update. Download From www !!!";
const char *const NoConnectionText = "No Connection";

TimeBases timeBasesFor(std::uint8_t baudFlag)
{
    if (baudFlag == 1)
        return {0.0040553f, 0.0040553f, 4e-6f};
    return {0.0044f, 0.0044f, 4.34e-6f};
}

std::string Connection::captionFor(const std::string &product, int hw, int sw, int port)
{
    return product + " Rev.H " + std::to_string(hw) + " Rev.S " + std::to_string(sw) + " TQ204 " + " COM"
        + std::to_string(port);
}

void Connection::Disconnect()
{
    LinkState &s = m_cmd.link().state();
    m_state.Connected = 0;
    if (s.PortOpen == 1) {
        m_cmd.link().CloseComPort(s.ComHandle);
        s.PortOpen = 0;
    }
}

int Connection::autoconnect()
{
    SerialLink &link = m_cmd.link();
    LinkState &s = link.state();
    m_state.Connected = 0;
    m_state.PollingEnabled = 0;
    link.sleepMs(150);
    for (int i = 0; i <= 31; ++i) {
        s.BaudFlag = s.BaudFlag == 0 ? 1 : 0;
        Disconnect();
        s.PortName = ComPortName(static_cast<std::int16_t>(i / 2));
        if (!link.OpenComPort()) {
            Disconnect();
            link.OpenComPort();
        }
        if (s.PortOpen == 1)
            m_cmd.SendHello();
        else
            Disconnect();
        if (!link.ReceiveReply(GreetingLength)) {
            Disconnect();
            continue;
        }
        const std::uint8_t *rx = s.RxBuffer.data();
        if (!greetingValid(rx, true))
            continue;
        if (rx[2] > HighestSoftwareRevision) {
            m_view.showMessage(NeedUpdateText);
            Disconnect();
            return 0;
        }
        m_state.SoftwareRevision = rx[2];
        m_state.HardwareRevision = rx[1];
        const int port = i / 2 + 1;
        m_view.setCaption(captionFor(m_product, m_state.HardwareRevision, m_state.SoftwareRevision, port));
        m_state.Connected = 1;
        m_tb = timeBasesFor(s.BaudFlag);
        ReadParameterImage();
        m_view.showImage();
        m_state.PollingEnabled = 1;
        link.sleepMs(50);
        return port;
    }
    return 0;
}

void Connection::ReadParameterImage()
{
    m_view.setProgress(0, ImageSize);
    m_rejected.clear();
    if (m_state.Connected != 1) {
        m_view.showMessage(NoConnectionText);
        return;
    }
    for (int i = 0; i <= 11; ++i) {
        m_view.setProgress(i * 64, ImageSize);
        const int address = i * 64;
        // The last block reaches past the image; only its first 64 bytes are kept.
        if (!m_cmd.ReadImageBlock(address, m_image.data() + address, static_cast<std::size_t>(ImageSize - address)))
            m_rejected.push_back(address);
    }
    m_view.setProgress(ImageSize, ImageSize);
}

} // namespace kelvane
