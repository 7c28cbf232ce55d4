#include "DiagCommands.h"

#include "ErrorMemory.h"
#include "Obd.h"

#include <bitset>
#include <cctype>
#include <istream>
#include <ostream>
#include <string>

namespace kelvane {

namespace {

// Decodes (one every two polling ticks, 70 ms) allowed for each wait.
constexpr int FirstRecordDecodes = 30; // a live record to take the error-change marker from
constexpr int EraseReportDecodes = 43; // about 3 s for the controller to report the erase
constexpr int TroubleCodeDecodes = 100; // about 7 s for a complete pass of the trouble-code slots

struct DecodeWatch : PollingView {
    bool decoded = false;
    void showNotConnected() override { }
    void showDecoded(const DecodeResult &) override { decoded = true; }
};

using Wait = DiagWait;

bool cancelled(const DiagCliOptions &o)
{
    return o.cancelled && o.cancelled();
}

// Runs the polling cycle until `done` holds after an accepted reply, at most `maxDecodes` decodes.
Wait pollUntil(ControllerSession &s, const DiagCliOptions &o, int maxDecodes, const std::function<bool()> &done)
{
    DecodeWatch view;
    int decodes = 0;
    while (decodes < maxDecodes) {
        if (cancelled(o))
            return Wait::Cancelled;
        view.decoded = false;
        s.polling.tick(view);
        if (view.decoded) {
            ++decodes;
            if (s.polling.lastReplyAccepted() && done())
                return Wait::Done;
        }
        s.link.sleepMs(PollIntervalMs);
    }
    return Wait::TimedOut;
}

bool connected(const ControllerSession &s)
{
    return s.conn.Connected && s.linkState.PortOpen == 1;
}

bool confirmed(const DiagCliOptions &o, const std::string &question, std::istream &in, std::ostream &err)
{
    if (o.yes)
        return true;
    err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in, answer))
        return false;
    std::string a;
    for (char c : answer) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            a += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return a == "y" || a == "yes";
}

void printList(const ErrorList &list, std::ostream &out)
{
    for (const std::string &row : list.rows) {
        if (!row.empty())
            out << row << "\n";
    }
    if (list.notShown() > 0)
        out << "(" << list.count << " faults stored, the first " << ErrorGridRows << " shown)\n";
    out << std::flush;
}

int readError(const ErrorReadResult &r, std::ostream &err)
{
    err << "kelvane-cli: " << ErrorReadFailedText << " (first half " << (r.firstHalfAccepted ? "accepted" : "rejected")
        << ", second half " << (r.secondHalfAccepted ? "accepted" : "rejected") << ")\n";
    return DiagExitNoData;
}

int interrupted(std::ostream &err)
{
    err << "kelvane-cli: interrupted\n";
    return DiagExitInterrupted;
}

int notConnected(std::ostream &err)
{
    err << "kelvane-cli: not connected to a controller\n";
    return DiagExitNotConnected;
}

} // namespace

DiagWait waitForLiveRecord(ControllerSession &s, const DiagCliOptions &o)
{
    return pollUntil(s, o, FirstRecordDecodes, [] { return true; });
}

DiagWait collectTroubleCodes(ControllerSession &s, const DiagCliOptions &o, std::vector<std::string> &codes)
{
    // Every trouble-code slot (bytes 48-79 of the OBD data area, four per record) delivered anew.
    constexpr int FirstSlot = TroubleCodeAreaOffset / 4, SlotCount = 2 * TroubleCodeSlots / 4;
    std::bitset<SlotCount> seen;
    const Wait w = pollUntil(s, o, TroubleCodeDecodes, [&] {
        const int slot = s.live.u16(rec::ObdChunkOffset);
        if (slot % 4 == 0 && slot / 4 >= FirstSlot && slot / 4 < FirstSlot + SlotCount)
            seen.set(static_cast<std::size_t>(slot / 4 - FirstSlot));
        return seen.all();
    });
    if (w == Wait::Done)
        codes = troubleCodes(s.live);
    return w;
}

int runErrorsCommand(
    ControllerSession &s, const DiagCliOptions &o, std::istream &in, std::ostream &out, std::ostream &err)
{
    if (!connected(s))
        return notConnected(err);
    ErrorMemory memory(s);
    ErrorReadResult r = memory.read();
    if (r.status != ErrorReadStatus::Read)
        return readError(r, err);
    ErrorList list = memory.list();
    printList(list, out);
    if (!o.clear)
        return DiagExitOk;
    if (!confirmed(o, "Erase the error memory of the controller?", in, err)) {
        err << "kelvane-cli: nothing erased\n";
        return DiagExitNotErased;
    }

    // The controller reports the erase by moving the error-change marker of its live record.
    std::uint16_t before = 0;
    switch (pollUntil(s, o, FirstRecordDecodes, [&] {
        before = s.live.u16(rec::ErrorChangeMarker);
        return true;
    })) {
    case Wait::Cancelled:
        return interrupted(err);
    case Wait::TimedOut:
        err << "kelvane-cli: no live reply accepted; nothing erased\n";
        return DiagExitNoData;
    case Wait::Done:
        break;
    }
    memory.erase();
    const Wait moved
        = pollUntil(s, o, EraseReportDecodes, [&] { return s.live.u16(rec::ErrorChangeMarker) != before; });
    if (moved == Wait::Cancelled)
        return interrupted(err);
    if (moved == Wait::TimedOut)
        err << "kelvane-cli: the controller did not report a change of its error memory\n";
    r = memory.read();
    if (r.status != ErrorReadStatus::Read)
        return readError(r, err);
    list = memory.list();
    err << "error memory after the erase:\n" << std::flush;
    printList(list, out);
    if (list.count != 0) {
        err << "kelvane-cli: the controller still reports " << list.count << " fault(s)\n";
        return DiagExitNoData;
    }
    return DiagExitOk;
}

int runDtcCommand(ControllerSession &s, const DiagCliOptions &o, std::istream &in, std::ostream &out, std::ostream &err)
{
    if (!connected(s))
        return notConnected(err);
    if (o.clear) {
        if (!confirmed(o, "Erase the trouble codes of the car?", in, err)) {
            err << "kelvane-cli: nothing erased\n";
            return DiagExitNotErased;
        }
        obdEraseTroubleCodes(s); // the erase, 1000 ms, then the read
    } else {
        obdReadTroubleCodes(s);
    }

    std::vector<std::string> codes;
    const Wait w = collectTroubleCodes(s, o, codes);
    if (w == Wait::Cancelled)
        return interrupted(err);
    if (w == Wait::TimedOut) {
        err << "kelvane-cli: the controller delivered no complete trouble-code list (is OBD/CAN enabled?)\n";
        return DiagExitNoData;
    }
    for (const std::string &c : codes)
        out << c << "\n";
    out << std::flush;
    if (codes.empty())
        err << "no trouble codes\n";
    if (o.clear && !codes.empty()) {
        err << "kelvane-cli: the car still reports " << codes.size() << " trouble code(s)\n";
        return DiagExitNoData;
    }
    return DiagExitOk;
}

} // namespace kelvane
