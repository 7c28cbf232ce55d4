#include "LinkRecovery.h"

#include "ControllerSession.h"
#include "ImageUpload.h"

namespace kelvane {

namespace {

// Reading the image shows nothing while the link is being recovered.
struct SilentView : UploadView {
    void setProgress(int, int) override { }
    void showMessage(const std::string &) override { }
    void showImage() override { }
};

} // namespace

LinkRecovery::LinkRecovery(ControllerSession &session, RecoveryTiming timing)
    : m_s(session)
    , m_timing(timing)
{
}

void LinkRecovery::begin(double nowMs)
{
    const int port = portNumberOf(m_s.linkState.PortName);
    m_lostPort = port >= 1 && port <= 16 ? port : 1;
    m_foundPort = 0;
    m_s.conn.PollingEnabled = 0;
    m_s.connection.Disconnect();
    m_active = true;
    m_lostAt = nowMs;
    m_lastAttempt = nowMs;
    m_attempts = 0;
}

bool LinkRecovery::imageMatches() const
{
    return m_image == m_s.image.bytes;
}

bool LinkRecovery::tryPort(int port)
{
    if (!m_s.connection.greetPort(port))
        return false;
    SilentView view;
    if (readControllerImage(m_s, m_image, view, ImageReadTries) >= 0) {
        // Half an image is no controller to compare with: try again later.
        m_s.connection.Disconnect();
        return false;
    }
    m_foundPort = port;
    return true;
}

RecoveryResult LinkRecovery::attempt(double nowMs, bool deviceBack)
{
    if (!m_active)
        return RecoveryResult::NotDue;
    if (!deviceBack && nowMs - m_lastAttempt < m_timing.retryMs)
        return RecoveryResult::NotDue;
    m_lastAttempt = nowMs;
    ++m_attempts;
    if (tryPort(m_lostPort))
        return RecoveryResult::Found;
    if (nowMs - m_lostAt >= m_timing.otherPortsAfterMs) {
        if (beforeScan)
            beforeScan();
        for (int port = 1; port <= 16; ++port)
            if (port != m_lostPort && !m_s.ports.deviceForPort(port).empty() && tryPort(port))
                return RecoveryResult::Found;
    }
    return RecoveryResult::StillGone;
}

} // namespace kelvane
