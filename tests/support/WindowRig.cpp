#include "WindowRig.h"

#include "KelvaneApplication.h"
#include "PosixSerial.h"
#include "PtySimulator.h"
#include "Simulator.h"

#include <QCoreApplication>
#include <QtTest>

namespace kelvane::test {

WindowRig::WindowRig() = default;

WindowRig::WindowRig(const Options &options)
{
    if (!start(options))
        qWarning("the window rig: %s", error.c_str());
}

WindowRig::~WindowRig()
{
    stop();
}

bool WindowRig::start(const Options &options)
{
    stop();
    error.clear();
    user.reset();
    switch (options.controller) {
    case Controller::Scripted: {
        line = std::make_unique<ScriptedSerial>();
        ecu = std::make_unique<FakeEcu>();
        ecu->applyWrites = options.keepWrites;
        if (options.startImage)
            ecu->image = *options.startImage;
        state = std::make_unique<AppState>(*line);
        ScriptedSerial::Responder controller = ecu->responder();
        attachScripted(controller, options.frameHook);
        break;
    }
    case Controller::SimulatorOnScriptedLine: {
        line = std::make_unique<ScriptedSerial>();
        simulator = std::make_unique<sim::Controller>(sim::SimOptions {});
        state = std::make_unique<AppState>(*line);
        ScriptedSerial::Responder controller = [this](const std::vector<std::uint8_t> &written, int baud) {
            std::vector<ScriptedSerial::Delivery> out;
            if (baud == simulator->options().baud)
                out.push_back({ 1.0, simulator->receive(written.data(), written.size(), line->now()) });
            return out;
        };
        attachScripted(controller, options.frameHook);
        break;
    }
    case Controller::SimulatorOnPty:
        pty = std::make_unique<sim::PtySimulator>(sim::SimOptions {});
        if (!pty->start(&error))
            return false;
        serial = std::make_unique<PosixSerial>();
        state = std::make_unique<AppState>(*serial);
        state->session.ports.map(3, pty->slavePath());
        break;
    }
    build(options);
    if (options.show) {
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) {
            error = "the window was not exposed";
            return false;
        }
        if (options.activate) {
            form->activateWindow();
            if (!QTest::qWaitForWindowActive(form.get())) {
                error = "the window did not become active";
                return false;
            }
        }
    }
    if (options.connect && !connectEcu()) {
        error = "no controller answered F10";
        return false;
    }
    return true;
}

void WindowRig::attachScripted(const ScriptedSerial::Responder &controller, const FrameHook &hook)
{
    if (hook)
        line->addDevice(Device,
            [hook, controller](const std::vector<std::uint8_t> &w, int baud) { return hook(w, baud, controller); });
    else
        line->addDevice(Device, controller);
    state->session.ports.map(3, Device);
}

void WindowRig::build(const Options &options)
{
    UserInteraction &who = options.user ? *options.user : user;
    // The application shows its caught exceptions to the same fitter as the window its messages.
    if (auto *app = qobject_cast<KelvaneApplication *>(QCoreApplication::instance()))
        app->setUserInteraction(&who);
    // The change journal goes to a folder of the rig's own, not the test's working directory.
    journalDir = std::make_unique<QTemporaryDir>();
    state->journal.setFolder(journalDir->filePath(QStringLiteral("journal")));
    form = std::make_unique<TForm1>(*state, who);
    if (options.polling)
        form->startPolling();
}

void WindowRig::stop()
{
    if (auto *app = qobject_cast<KelvaneApplication *>(QCoreApplication::instance()))
        app->setUserInteraction(nullptr);
    form.reset();
    state.reset();
    serial.reset();
    pty.reset();
    simulator.reset();
    ecu.reset();
    line.reset();
}

void WindowRig::tick()
{
    form->Timer1Timer();
    if (line)
        line->advance(PollIntervalMs);
}

void WindowRig::decode()
{
    tick();
    tick();
}

bool WindowRig::connectEcu()
{
    form->F10autoconnect1Click();
    if (line)
        line->clearLog();
    return state->session.conn.Connected && state->session.conn.PollingEnabled == 1;
}

void WindowRig::setLive16(int offset, std::uint16_t value)
{
    ecu->live[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value & 0xFF);
    ecu->live[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(value >> 8);
}

} // namespace kelvane::test
