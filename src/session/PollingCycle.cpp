#include "PollingCycle.h"

namespace kelvane {

bool ReceiveLiveRecord(SerialLink &link, LiveData &live)
{
    const bool complete = link.ReceiveReply(LiveReplyLength);
    return acceptLiveReply(link.state().RxBuffer.data(), complete, live);
}

void PollingCycle::resume()
{
    m_linkLost = false;
    m_stats.rejectedInARow = 0;
    PollPhase = 0;
    m_conn.PollingEnabled = 1;
}

void PollingCycle::tick(PollingView &view)
{
    if (!m_conn.Connected)
        view.showNotConnected();
    if (m_conn.PollingEnabled != 1)
        return;
    // Nothing more goes into a dead port.
    if (m_conn.Connected
        && (m_cmd.link().lineLost() || (lossAfterRejections > 0 && m_stats.rejectedInARow >= lossAfterRejections))) {
        m_conn.PollingEnabled = 0;
        m_linkLost = true;
        view.showLinkLost();
        return;
    }
    if (PollPhase != 1) {
        m_cmd.SendLiveRequest();
        ++m_stats.requests;
        PollPhase = 1;
        return;
    }
    m_lastAccepted = ReceiveLiveRecord(m_cmd.link(), m_live);
    if (m_lastAccepted) {
        ++m_stats.accepted;
        m_stats.rejectedInARow = 0;
    } else {
        ++m_stats.rejected;
        ++m_stats.rejectedInARow;
    }
    const DecodeResult result = decodeLiveData(m_live, m_image, m_tb);
    view.showDecoded(result);
    PollPhase = 0;
}

} // namespace kelvane
