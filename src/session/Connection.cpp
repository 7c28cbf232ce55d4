#include "Connection.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kelvane {

const char *const NeedUpdateText = "Need software update. Download From www !!!";
const char *const NoConnectionText = "No Connection";

namespace {
constexpr int BlockStep = 64;
constexpr int BlockCount = ImageSize / BlockStep; // 12 overlapping blocks of 128 bytes
} // namespace

std::string Connection::captionFor(const std::string &product, int hw, int sw, int port)
{
    return product + " Rev.H " + std::to_string(hw) + " Rev.S " + std::to_string(sw) + " TQ204 " + " COM"
        + std::to_string(port);
}

void Connection::Disconnect()
{
    LinkState &s = m_cmd.link().state();
    m_state.Connected = false;
    if (s.PortOpen == 1) {
        m_cmd.link().CloseComPort(s.ComHandle);
        s.PortOpen = 0;
    }
}

ScanOutcome Connection::autoconnect(ConnectionView &view)
{
    SerialLink &link = m_cmd.link();
    LinkState &s = link.state();
    m_state.Connected = false;
    m_state.PollingEnabled = 0;
    link.sleepMs(150);
    for (int i = 0; i <= 31; ++i) {
        if (view.cancelled())
            break;
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
            continue; // the next attempt closes the port; after the last one the scan's end does
        const int port = i / 2 + 1;
        if (rx[2] > HighestSoftwareRevision) {
            view.showMessage(NeedUpdateText);
            Disconnect();
            return { ScanResult::Refused, port, {} };
        }
        m_state.SoftwareRevision = rx[2];
        m_state.HardwareRevision = rx[1];
        view.setCaption(captionFor(m_product, m_state.HardwareRevision, m_state.SoftwareRevision, port));
        m_state.Connected = true;
        m_tb = timeBasesFor(s.BaudFlag);
        ReadParameterImage(view);
        if (view.cancelled()) {
            Disconnect();
            return { ScanResult::Cancelled, port, {} };
        }
        view.showImage();
        m_state.PollingEnabled = 1;
        link.sleepMs(50);
        return { ScanResult::Found, port, {} };
    }
    // A malformed greeting on the very last attempt leaves its port open: a failed scan ends closed.
    Disconnect();
    if (view.cancelled())
        return { ScanResult::Cancelled, 0, {} };
    ScanOutcome outcome { ScanResult::NotFound, 0, {} };
    for (int port = 1; port <= 16; ++port) {
        const std::string device = link.ports().deviceForPort(port);
        if (device.empty())
            continue;
        std::string problem = link.ops().accessProblem(device);
        if (!problem.empty())
            outcome.accessProblems.push_back(std::move(problem));
    }
    return outcome;
}

bool Connection::greetPort(int port)
{
    SerialLink &link = m_cmd.link();
    LinkState &s = link.state();
    const std::uint8_t first = s.BaudFlag;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Disconnect();
        s.BaudFlag = attempt == 0 ? first : (first == 1 ? 0 : 1);
        s.PortName = ComPortName(static_cast<std::int16_t>(port - 1));
        if (!link.OpenComPort())
            return false; // not there (or another program's): the other speed would not open it either
        m_cmd.SendHello();
        if (link.ReceiveReply(GreetingLength) && greetingValid(s.RxBuffer.data(), true)
            && s.RxBuffer[2] <= HighestSoftwareRevision) {
            m_state.SoftwareRevision = s.RxBuffer[2];
            m_state.HardwareRevision = s.RxBuffer[1];
            m_state.Connected = true;
            m_state.PollingEnabled = 0;
            m_tb = timeBasesFor(s.BaudFlag);
            return true;
        }
    }
    Disconnect();
    return false;
}

void Connection::ReadParameterImage(ConnectionView &view)
{
    view.setProgress(0, ImageSize);
    m_rejected.clear();
    if (!m_state.Connected) {
        view.showMessage(NoConnectionText);
        return;
    }
    for (int i = 0; i < BlockCount && !view.cancelled(); ++i) {
        view.setProgress(i * BlockStep, ImageSize);
        const int address = i * BlockStep;
        // The last block reaches past the image; only its first 64 bytes are kept.
        if (!m_cmd.ReadImageBlock(address, m_image.data() + address, static_cast<std::size_t>(ImageSize - address)))
            m_rejected.push_back(address);
    }
    view.setProgress(ImageSize, ImageSize);
}

int Connection::rereadRejectedBlocks(int tries)
{
    const std::vector<int> rejected = m_rejected;
    for (int address : rejected) {
        // The next block wrote the upper half already when it was delivered; those bytes are newer.
        const bool nextDelivered = address + BlockStep < ImageSize
            && std::find(rejected.begin(), rejected.end(), address + BlockStep) == rejected.end();
        const std::size_t keep = nextDelivered ? BlockStep : static_cast<std::size_t>(ImageSize - address);
        std::array<std::uint8_t, BlockDataLength> block {};
        bool ok = false;
        for (int t = 0; t < tries && !ok; ++t)
            ok = m_cmd.ReadImageBlock(address, block.data(), block.size());
        if (!ok)
            return address;
        std::memcpy(m_image.data() + address, block.data(), std::min<std::size_t>(keep, block.size()));
        m_rejected.erase(std::find(m_rejected.begin(), m_rejected.end(), address));
    }
    return -1;
}

} // namespace kelvane
