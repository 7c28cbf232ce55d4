#pragma once
// Finding the controller again after the link was lost (the adapter pulled, the controller
// silent): the same port is opened and greeted again every second or so, at once when the caller
// saw its device come back; when it stays away for a while every port is tried, as the autoconnect
// scan does. Ports that another program holds do not open (they are opened exclusively) and are
// left alone. A controller that answers has its whole image read into a copy of its own, beside
// the session's image, so the caller can tell whether anything changed while the link was down.
//
// The clock is the caller's: the window passes the time of its timer, tests a virtual one. Nothing
// is written to the controller here.

#include "ParameterImage.h"

#include <functional>

namespace kelvane {

struct ControllerSession;

struct RecoveryTiming {
    int retryMs = 1000; // between two attempts
    int otherPortsAfterMs = 10000; // the same port alone until then
};

enum class RecoveryResult {
    NotDue, // no attempt was made
    StillGone, // an attempt found no controller
    Found, // a controller answered and its whole image was read (controllerImage)
};

class LinkRecovery {
public:
    explicit LinkRecovery(ControllerSession &session, RecoveryTiming timing = {});

    // The link was lost at `nowMs`: the port is closed and polling stays off. The port the link was
    // on is tried first.
    void begin(double nowMs);
    bool active() const { return m_active; }
    // One attempt when one is due (`deviceBack`: the port's device just appeared, try at once).
    RecoveryResult attempt(double nowMs, bool deviceBack = false);
    // The caller has settled what a Found attempt found; recovery is over.
    void finish() { m_active = false; }
    // Called before every port is tried (the window numbers the ports present anew).
    std::function<void()> beforeScan;

    int lostPort() const { return m_lostPort; } // 1-16
    int foundPort() const { return m_foundPort; }
    double lostAtMs() const { return m_lostAt; }
    int attempts() const { return m_attempts; } // attempts since begin
    // The controller's image as read by the Found attempt.
    const ImageBytes &controllerImage() const { return m_image; }
    // Whether it equals the session's image.
    bool imageMatches() const;

private:
    bool tryPort(int port);

    ControllerSession &m_s;
    RecoveryTiming m_timing;
    bool m_active = false;
    int m_lostPort = 1;
    int m_foundPort = 0;
    double m_lostAt = 0;
    double m_lastAttempt = 0;
    int m_attempts = 0;
    ImageBytes m_image {};
};

} // namespace kelvane
