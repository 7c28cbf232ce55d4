#pragma once
// The controller's error memory: up to 32 stored fault codes, read as two 128-byte blocks, shown
// as "code text" lines with the fault text table, refreshed when the live record's error-change
// marker moves, and erased with the erase command followed by automatic mode.
//
// Layout of the 256 bytes as kept here (each half stored reversed, as every block is): words 0-31
// little-endian are fault codes 1-32, word 32 is the number of stored faults; the rest, and the
// whole second half, is not read. In the order the first reply's data bytes arrive (0-127) the
// count is big-endian at 62-63 and fault code k at 128-2k (high) and 129-2k (low).
//
// A read counts as done when the first half was accepted: the list comes from it alone, so a
// rejected second half changes nothing that is shown. When the first half is rejected the list
// stays as it was (marked as coming from an earlier read), and the automatic refresh tries again
// after a pause of ErrorRetryPauseDecodes decodes (about 3 s), at most ErrorReadAttemptsPerMarker
// times for one value of the controller's error-change marker; then it waits for the controller
// to report another change. A failed read never starts another one on the next live reply, so
// a controller whose error-block replies keep failing costs the polling cycle one blocked read
// (about 650 ms) every 3 s for 9 s, and nothing after that.

#include "ControllerSession.h"
#include "FaultTexts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

constexpr std::size_t ErrorMemorySize = 256;
using ErrorMemoryBytes = std::array<std::uint8_t, ErrorMemorySize>;
constexpr int ErrorGridRows = 32; // data rows 1-32 of StringGridErrorMemory
constexpr int FaultCountWord = 32; // word of the error memory holding the number of faults
// Waited after polling is suspended, before the first block is asked for.
constexpr int ErrorReadSettleMs = 150;
// The automatic refresh after a failed read: the decodes of the polling cycle (70 ms each) it
// waits before the next attempt, and the attempts it makes for one value of the marker.
constexpr int ErrorRetryPauseDecodes = 43;
constexpr int ErrorReadAttemptsPerMarker = 3;

extern const char *const NoErrorsText; // "NO Errors"
// Drawn in row 1 when no list has been read from the controller and the last read failed (the
// first half of the error memory was not delivered).
extern const char *const ErrorReadFailedText; // "Error memory read error: no valid reply from the ECU"

struct FaultEntry {
    int row = 0; // 1-32
    std::uint16_t code = 0;
    bool known = false; // the table has a text for it
    std::string text; // the table text, empty when unknown
    std::string line; // what the grid shows
};

struct ErrorList {
    enum class Kind : std::uint8_t {
        NotRead, // nothing read since start-up or the last connection: the grid is empty
        Faults, // drawn from the first half of the error memory as last accepted
        ReadError, // nothing accepted since start-up or the last connection, and a read failed: row 1 says so
    };
    Kind kind = Kind::NotRead;
    // Faults only: the last read failed, so the list is the one an earlier read brought.
    bool fromEarlierRead = false;
    std::uint16_t count = 0; // number of faults as the controller reports it (may exceed 32)
    std::vector<FaultEntry> faults; // rows 1 to min(count, 32)
    // Column 1 of data rows 1-32, as the grid shows them ("NO Errors" in row 1 for no faults).
    std::array<std::string, ErrorGridRows> rows;
    // Faults the grid has no row for (count above 32).
    int notShown() const { return count > ErrorGridRows ? count - ErrorGridRows : 0; }
};

// Decodes the 256 bytes; never reads outside the bytes or the text table.
ErrorList decodeErrorMemory(const ErrorMemoryBytes &bytes, const FaultTexts &texts);

enum class ErrorReadStatus : std::uint8_t {
    Read, // the first half accepted: the list is new (the second half holds nothing it uses)
    ReadError, // the first half rejected: the list stays as it was
    NotConnected, // nothing sent, polling left as it was
};

struct ErrorReadResult {
    ErrorReadStatus status = ErrorReadStatus::NotConnected;
    bool firstHalfAccepted = false;
    bool secondHalfAccepted = false;
};

// The error memory of the connected controller, for the window and the command line. The owner
// keeps it beside the ControllerSession it was made with.
class ErrorMemory {
public:
    explicit ErrorMemory(ControllerSession &session)
        : m_s(session)
    {
    }

    FaultTexts texts; // the language loader replaces entries here

    // "ShowErrors": suspends polling, waits 150 ms, drops whatever the line still holds (a live
    // reply not yet collected), reads both halves and puts polling back as it was. While not
    // connected nothing is sent. The next polling tick sends a fresh live request. A read that
    // succeeds after an accepted live reply counts for that reply's error-change marker.
    ErrorReadResult read();

    // Run after every decode of the polling cycle, accepted or not (the retry pause is counted in
    // decodes): whether the list is to be read now. It is when the decode's reply was accepted,
    // its error-change marker differs from the one last read for (or nothing was read since the
    // connection), no retry pause runs and the attempts for this marker are not used up.
    bool refreshDueAfterDecode();
    // The read of the automatic refresh, once refreshDueAfterDecode() said so: remembers the marker
    // when the read succeeds, otherwise counts the attempt and starts the retry pause.
    ErrorReadResult refreshRead();
    // Both: the read's result, or nothing when it did not read.
    std::optional<ErrorReadResult> refreshAfterDecode();

    // "erase errors", after the window's question: the erase command, then automatic mode.
    // False, nothing sent, while not connected. The list changes when the controller moves its
    // marker, through refreshAfterDecode.
    bool erase();

    // After every connection (autoconnect found a controller): forgets the bytes, the marker and
    // the list of the previous controller.
    void resetForNewConnection();

    // The list as the grid shows it now.
    ErrorList list() const;
    const ErrorMemoryBytes &bytes() const { return m_bytes; }
    std::optional<std::uint16_t> lastSeenMarker() const { return m_lastSeen; }
    // Failed reads of the automatic refresh for the marker it now waits on, and the decodes left
    // before it may try again.
    int failedAttempts() const { return m_failedAttempts; }
    int retryPauseLeft() const { return m_pauseLeft; }

private:
    ControllerSession &m_s;
    ErrorMemoryBytes m_bytes {};
    ErrorList::Kind m_shown = ErrorList::Kind::NotRead;
    bool m_lastReadFailed = false;
    std::optional<std::uint16_t> m_lastSeen;
    std::optional<std::uint16_t> m_failedMarker; // the marker the failed attempts were made for
    int m_failedAttempts = 0;
    int m_pauseLeft = 0;
};

} // namespace kelvane
