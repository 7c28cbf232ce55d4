#pragma once
// kelvane-cli's diagnostic commands on a connected controller:
//
//   errors [--clear [--yes]]  the controller's error memory, one "code text" line per fault as the
//                             window's list shows it ("NO Errors" when empty); --clear erases it
//                             after a question on stdin (or at once with --yes), with the same
//                             frames as the window, and prints the memory as read afterwards.
//   dtc [--clear [--yes]]     the car's OBD trouble codes ("P0301"), one per line, from the first
//                             complete trouble-code pass after asking the controller to read them;
//                             --clear erases them first (erase, 1000 ms, read), after the question.
//
// Messages and the question go to `err`, the lists to `out`.

#include "ControllerSession.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kelvane {

// Exit codes, the numbers kelvane-cli uses for the same outcomes (5 is its failed upload).
constexpr int DiagExitOk = 0;
constexpr int DiagExitNotConnected = 1; // the session has no controller
constexpr int DiagExitNoData = 4; // no valid reply, or the erase left faults / codes behind
constexpr int DiagExitNotErased = 6; // --clear without a "y" answer: nothing was sent
constexpr int DiagExitInterrupted = 130;

struct DiagCliOptions {
    bool clear = false;
    bool yes = false; // --clear without the question
    // Asked between polling ticks; true ends the command (exit 130).
    std::function<bool()> cancelled;
};

// The waits the commands share, also used by the report: the first accepted live record, and, once
// the trouble codes were asked for (obdReadTroubleCodes), every trouble-code slot delivered anew
// (`codes`: the codes present).
enum class DiagWait { Done, TimedOut, Cancelled };
DiagWait waitForLiveRecord(ControllerSession &session, const DiagCliOptions &options);
DiagWait collectTroubleCodes(
    ControllerSession &session, const DiagCliOptions &options, std::vector<std::string> &codes);

int runErrorsCommand(
    ControllerSession &session, const DiagCliOptions &options, std::istream &in, std::ostream &out, std::ostream &err);
int runDtcCommand(
    ControllerSession &session, const DiagCliOptions &options, std::istream &in, std::ostream &out, std::ostream &err);

} // namespace kelvane
