#pragma once
// The main window on a controller, for every test that builds the window: one place that makes the
// line, the controller, the program state, the window and the test's fitter (TestUser), and takes
// them down in the right order.
//
// The controller on COM3 is the scripted one (FakeEcu) on a scripted line with a virtual clock, the
// simulator's controller on that scripted line, or the simulator on a pseudo-terminal (real time).
// The scripted controller starts from its own image or a given one and may keep the writes it
// receives; a frame hook sees every frame written to the scripted line and may change the answer.
// As in the program, nothing ticks until the test does: the polling timer runs only when the
// options say so.

#include "../support/FakeEcu.h"
#include "../support/TestUser.h"
#include "AppState.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace kelvane {
class PosixSerial;
class UserInteraction;
namespace sim {
class Controller;
class PtySimulator;
} // namespace sim
} // namespace kelvane

namespace kelvane::test {

// Which controller answers on COM3.
enum class RigController {
    Scripted, // FakeEcu on the scripted line
    SimulatorOnScriptedLine, // the simulator's controller on the scripted line's virtual clock
    SimulatorOnPty, // the simulator on a pseudo-terminal, through the POSIX serial line
};

// What the scripted line delivers for a written frame; `controller` is what the controller itself
// would answer.
using FrameHook = std::function<std::vector<ScriptedSerial::Delivery>(
    const std::vector<std::uint8_t> &written, int baud, const ScriptedSerial::Responder &controller)>;

struct WindowRigOptions {
    RigController controller = RigController::Scripted;
    // The scripted controller's image (its own, all zero, when not given).
    std::optional<std::array<std::uint8_t, 768>> startImage;
    // The scripted controller stores the image writes it receives.
    bool keepWrites = false;
    FrameHook frameHook;
    // Shown and exposed (and active) before the test starts.
    bool show = true;
    bool activate = false;
    // The 35 ms timer ticks on its own, as the program starts it.
    bool polling = false;
    // F10 before the test starts.
    bool connect = false;
    // Someone other than the rig's TestUser is told and asked (an unattended run).
    UserInteraction *user = nullptr;

    // The simulator on a pseudo-terminal, the rest as by default.
    static WindowRigOptions simulatorOnPty()
    {
        WindowRigOptions options;
        options.controller = RigController::SimulatorOnPty;
        return options;
    }
};

class WindowRig {
public:
    using Controller = RigController;
    using Options = WindowRigOptions;

    static constexpr const char *Device = "/dev/ttyFAKE3";

    WindowRig();
    explicit WindowRig(const Options &options);
    ~WindowRig();
    WindowRig(const WindowRig &) = delete;
    WindowRig &operator=(const WindowRig &) = delete;

    // Builds everything anew (the previous window first taken down); false when the simulator's
    // terminal did not open or the window was not exposed, with the reason in `error`.
    bool start(const Options &options = Options {});
    // Takes the window down, then the state, then the controller and the line.
    void stop();
    std::string error;

    TestUser user;
    QStringList &messages = user.messages;
    std::unique_ptr<ScriptedSerial> line; // scripted line (not on a pseudo-terminal)
    std::unique_ptr<FakeEcu> ecu; // scripted controller
    std::unique_ptr<sim::Controller> simulator; // the simulator's controller on the scripted line
    std::unique_ptr<sim::PtySimulator> pty; // the simulator on a pseudo-terminal
    std::unique_ptr<PosixSerial> serial; // the line to the pseudo-terminal
    std::unique_ptr<AppState> state;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<QTemporaryDir> journalDir; // the change journal's folder

    // The control of that name; a missing one ends the test run.
    template <class T> T *child(const char *name) const
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    // One polling tick, then the 35 ms to the next on the scripted line's clock.
    void tick();
    // A request tick and a receive tick: the controller's current record is decoded.
    void decode();
    // F10; true when the controller answered and polling is on. The scripted line's log is cleared.
    bool connectEcu();
    // A 16-bit value of the scripted controller's live record, low byte first.
    void setLive16(int offset, std::uint16_t value);

private:
    // The controller answers on the scripted line as COM3, through the frame hook when there is one.
    void attachScripted(const ScriptedSerial::Responder &controller, const FrameHook &hook);
    void build(const Options &options);
};

// A window test's fixture: the rig and the names the tests use for its parts.
struct WindowRigFixture {
    WindowRig rig;
    std::unique_ptr<ScriptedSerial> &line = rig.line;
    std::unique_ptr<FakeEcu> &ecu = rig.ecu;
    std::unique_ptr<AppState> &state = rig.state;
    std::unique_ptr<TForm1> &form = rig.form;
    QStringList &messages = rig.messages;
};

} // namespace kelvane::test
