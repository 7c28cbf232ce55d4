#pragma once
// The main window on a scripted controller, for the tests of the oscilloscope, the data logger and
// the log viewer: the ticks are driven by hand, messages go to a list.
#include "../support/FakeEcu.h"
#include "AppState.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"

#include <QTimer>
#include <QtTest>

#include <memory>

namespace kelvane::test {

struct WindowRig {
    ScriptedSerial line;
    FakeEcu ecu;
    AppState state { line };
    QStringList messages; // before the window: its close may still report
    std::unique_ptr<TForm1> form;

    WindowRig()
    {
        state.session.ports.map(3, "/dev/ttyFAKE3");
        line.addDevice("/dev/ttyFAKE3", ecu.responder());
        form = std::make_unique<TForm1>(state);
        form->setMessageSink([this](const QString &m) { messages << m; });
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("the window was not exposed");
    }

    template <class T> T *child(const char *name) const
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void set16(int off, std::uint16_t v)
    {
        ecu.live[static_cast<std::size_t>(off)] = static_cast<std::uint8_t>(v & 0xFF);
        ecu.live[static_cast<std::size_t>(off) + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void tick()
    {
        form->Timer1Timer();
        line.advance(35);
    }
    // A request tick and a receive tick: the controller's current record is decoded.
    void decode()
    {
        tick();
        tick();
    }
    bool connectEcu()
    {
        form->F10autoconnect1Click();
        line.clearLog();
        return state.session.conn.Connected && state.session.conn.PollingEnabled == 1;
    }
};

} // namespace kelvane::test
