#include "ErrorMemory.h"

#include "Frames.h"

namespace kelvane {

const char *const NoErrorsText = "NO Errors";
const char *const ErrorReadFailedText = "Error memory read error: no valid reply from the ECU";

namespace {

std::uint16_t wordAt(const ErrorMemoryBytes &b, int word)
{
    const std::size_t i = static_cast<std::size_t>(2 * word);
    return static_cast<std::uint16_t>(b[i] | (b[i + 1] << 8));
}

// Commands::ReadErrorBlocks reports nothing, and each half is accepted on its own. This stand-in
// for the serial platform passes every operation through and, when the second half's frame goes
// out, judges the first half's reply still in the receive buffer by the same rule the reading
// used; the second half's reply is judged after the call. The frames stay the send operation's.
class HalfWatch : public SerialOps {
public:
    HalfWatch(SerialOps &inner, const LinkState &state)
        : m_inner(inner)
        , m_state(state)
    {
    }

    bool firstHalfAccepted() const { return m_firstAccepted; }

    PortHandle open(const std::string &device) override { return m_inner.open(device); }
    bool configure(PortHandle h, const LineSettings &settings) override { return m_inner.configure(h, settings); }
    void setRts(PortHandle h, bool on) override { m_inner.setRts(h, on); }
    void waitTransmitEmpty(PortHandle h) override { m_inner.waitTransmitEmpty(h); }
    void flushOutput(PortHandle h) override { m_inner.flushOutput(h); }
    std::uint32_t queuedBytes(PortHandle h) override { return m_inner.queuedBytes(h); }
    std::uint32_t read(PortHandle h, std::uint8_t *buf, std::uint32_t max) override
    {
        return m_inner.read(h, buf, max);
    }
    bool write(PortHandle h, const std::uint8_t *buf, std::uint32_t count) override
    {
        if (++m_writes == 2)
            m_firstAccepted = blockReplyValid(m_state.RxBuffer.data(), m_state.ReplyComplete == 1, BlockTypeErrors);
        return m_inner.write(h, buf, count);
    }
    void close(PortHandle h) override { m_inner.close(h); }
    void sleepMs(int ms) override { m_inner.sleepMs(ms); }

private:
    SerialOps &m_inner;
    const LinkState &m_state;
    int m_writes = 0;
    bool m_firstAccepted = false;
};

// Bytes already in the receive queue (a live reply the polling cycle has not collected yet, stray
// bytes) would be taken for the start of the first block reply.
void dropPendingInput(SerialLink &link)
{
    std::array<std::uint8_t, RxBufferSize> scratch {};
    const PortHandle h = link.state().ComHandle;
    for (int i = 0; i < 64; ++i) {
        std::uint32_t got = 0;
        link.ReadComPort(h, scratch.data(), got, static_cast<std::uint32_t>(scratch.size()));
        if (got == 0)
            break;
    }
}

} // namespace

ErrorList decodeErrorMemory(const ErrorMemoryBytes &bytes, const FaultTexts &texts)
{
    ErrorList list;
    list.kind = ErrorList::Kind::Faults;
    list.count = wordAt(bytes, FaultCountWord);
    if (list.count == 0) {
        list.rows[0] = NoErrorsText;
        return list;
    }
    const int shown = list.count > ErrorGridRows ? ErrorGridRows : list.count;
    for (int k = 1; k <= shown; ++k) {
        FaultEntry e;
        e.row = k;
        e.code = wordAt(bytes, k - 1);
        const std::string *t = texts.find(e.code);
        e.known = t != nullptr;
        e.text = t ? *t : std::string();
        e.line = faultLine(e.code, texts);
        list.rows[static_cast<std::size_t>(k - 1)] = e.line;
        list.faults.push_back(std::move(e));
    }
    return list;
}

ErrorReadResult ErrorMemory::read()
{
    ErrorReadResult r;
    if (!m_s.conn.Connected || m_s.linkState.PortOpen != 1)
        return r; // NotConnected: nothing sent, polling untouched
    const std::uint8_t pollingBefore = m_s.conn.PollingEnabled;
    m_s.conn.PollingEnabled = 0;
    m_s.link.sleepMs(ErrorReadSettleMs);
    dropPendingInput(m_s.link);

    HalfWatch watch(m_s.ops, m_s.linkState);
    SerialLink watchedLink(watch, m_s.ports, m_s.linkState);
    Commands watchedCommands(watchedLink);
    watchedCommands.ReadErrorBlocks(m_bytes.data());
    r.firstHalfAccepted = watch.firstHalfAccepted();
    r.secondHalfAccepted
        = blockReplyValid(m_s.linkState.RxBuffer.data(), m_s.linkState.ReplyComplete == 1, BlockTypeErrors);
    // The list is in the first half; the second holds nothing it uses.
    r.status = r.firstHalfAccepted ? ErrorReadStatus::Read : ErrorReadStatus::ReadError;
    m_lastReadFailed = !r.firstHalfAccepted;
    if (r.firstHalfAccepted)
        m_shown = ErrorList::Kind::Faults;
    else if (m_shown == ErrorList::Kind::NotRead)
        m_shown = ErrorList::Kind::ReadError;
    // The list now matches the marker of the record in hand.
    if (r.firstHalfAccepted && m_s.polling.lastReplyAccepted()) {
        m_lastSeen = m_s.live.u16(rec::ErrorChangeMarker);
        m_failedMarker.reset();
        m_failedAttempts = 0;
        m_pauseLeft = 0;
    }

    // A live reply that was on its way has been dropped: the next tick asks anew.
    m_s.polling.PollPhase = 0;
    m_s.conn.PollingEnabled = pollingBefore;
    return r;
}

bool ErrorMemory::refreshDueAfterDecode()
{
    if (m_pauseLeft > 0)
        --m_pauseLeft;
    // A rejected reply left the previous record (perhaps another controller's) in place: its marker
    // is no news.
    if (!m_s.polling.lastReplyAccepted())
        return false;
    const std::uint16_t marker = m_s.live.u16(rec::ErrorChangeMarker);
    if (m_lastSeen && *m_lastSeen == marker)
        return false;
    if (m_pauseLeft > 0)
        return false;
    // Given up on this marker: the next change the controller reports is tried afresh.
    return !(m_failedMarker == marker && m_failedAttempts >= ErrorReadAttemptsPerMarker);
}

ErrorReadResult ErrorMemory::refreshRead()
{
    const std::uint16_t marker = m_s.live.u16(rec::ErrorChangeMarker);
    const ErrorReadResult r = read();
    if (r.status == ErrorReadStatus::ReadError) {
        if (m_failedMarker != marker) {
            m_failedMarker = marker;
            m_failedAttempts = 0;
        }
        ++m_failedAttempts;
        m_pauseLeft = ErrorRetryPauseDecodes;
    }
    return r;
}

std::optional<ErrorReadResult> ErrorMemory::refreshAfterDecode()
{
    if (!refreshDueAfterDecode())
        return std::nullopt;
    return refreshRead();
}

bool ErrorMemory::erase()
{
    if (!m_s.conn.Connected || m_s.linkState.PortOpen != 1)
        return false;
    m_s.writes.command(ControllerCommand::EraseErrors);
    m_s.writes.command(ControllerCommand::ModeAuto);
    return true;
}

void ErrorMemory::resetForNewConnection()
{
    m_bytes.fill(0);
    m_shown = ErrorList::Kind::NotRead;
    m_lastReadFailed = false;
    m_lastSeen.reset();
    m_failedMarker.reset();
    m_failedAttempts = 0;
    m_pauseLeft = 0;
}

ErrorList ErrorMemory::list() const
{
    if (m_shown == ErrorList::Kind::Faults) {
        ErrorList l = decodeErrorMemory(m_bytes, texts);
        l.fromEarlierRead = m_lastReadFailed;
        return l;
    }
    ErrorList l;
    l.kind = m_shown;
    if (m_shown == ErrorList::Kind::ReadError)
        l.rows[0] = ErrorReadFailedText;
    return l;
}

} // namespace kelvane
