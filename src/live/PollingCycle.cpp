#include "PollingCycle.h"

namespace kelvane {

void PollingCycle::tick()
{
    if (m_conn.Connected == 0)
        m_view.showNotConnected();
    if (m_conn.PollingEnabled != 1)
        return;
    if (PollPhase != 1) {
        m_cmd.SendLiveRequest();
        ++m_stats.requests;
        PollPhase = 1;
        return;
    }
    if (ReceiveLiveRecord(m_cmd.link(), m_live))
        ++m_stats.accepted;
    else
        ++m_stats.rejected;
    const DecodeResult result = decodeLiveData(m_live, m_image, m_tb);
    m_view.showDecoded(result);
    PollPhase = 0;
    if (m_view.adaptationRunning())
        m_view.adaptationStep();
    if (m_view.scopeVisible())
        m_view.feedScope();
}

} // namespace kelvane
