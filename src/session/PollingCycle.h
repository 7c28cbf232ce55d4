#pragma once
// The polling cycle: one tick sends the live request, the next receives, validates and decodes the
// reply, so a record arrives every second tick. The timer (or a test, or the command line) calls
// tick(); the cycle itself owns no timer.

#include "Commands.h"
#include "Connection.h"
#include "LiveRecord.h"

#include <cstdint>

namespace kelvane {

constexpr int PollIntervalMs = 35;
// Rejected live replies in a row after which the link counts as lost.
constexpr std::uint64_t LinkLossRejections = 15;

// What a tick shows; the window, the command line and tests implement it.
class PollingView {
public:
    virtual ~PollingView() = default;
    // Not connected: the status lamp reads "error COMx", flashing.
    virtual void showNotConnected() = 0;
    // A live record was decoded (the data steps have run already): the view shows it and does
    // whatever else it does once per record.
    virtual void showDecoded(const DecodeResult &result) = 0;
    // The link was lost (the port's device went away, or LinkLossRejections replies in a row were
    // rejected): polling has stopped sending. Called once per loss.
    virtual void showLinkLost() { }
};

struct PollingStats {
    std::uint64_t requests = 0;
    std::uint64_t accepted = 0;
    std::uint64_t rejected = 0;
    std::uint64_t rejectedInARow = 0; // since the last accepted reply
};

// ReceiveReply of 196 bytes, then the validation into the record; a bad reply leaves it unchanged.
bool ReceiveLiveRecord(SerialLink &link, LiveData &live);

class PollingCycle {
public:
    PollingCycle(Commands &commands, ConnectionState &connection, LiveData &live, const ParameterImage &image,
        const TimeBases &timeBases)
        : m_cmd(commands)
        , m_conn(connection)
        , m_live(live)
        , m_image(image)
        , m_tb(timeBases)
    {
    }

    void tick(PollingView &view);

    std::uint8_t PollPhase = 0; // 0: the next tick sends the request; 1: it receives and decodes
    // Rejected replies in a row that count as a lost link (0: only a vanished device does).
    std::uint64_t lossAfterRejections = LinkLossRejections;
    const PollingStats &stats() const { return m_stats; }
    // Whether the reply of the last decode was accepted (a rejected one left the record as it was).
    bool lastReplyAccepted() const { return m_lastAccepted; }
    // Whether polling stopped because the link was lost; resume() after a reconnect clears it and
    // starts with a request.
    bool linkLost() const { return m_linkLost; }
    void resume();

private:
    Commands &m_cmd;
    ConnectionState &m_conn;
    LiveData &m_live;
    const ParameterImage &m_image;
    const TimeBases &m_tb;
    PollingStats m_stats;
    bool m_lastAccepted = false;
    bool m_linkLost = false;
};

} // namespace kelvane
