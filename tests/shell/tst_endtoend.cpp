// The window against the simulated controller on a real pseudo-terminal mapped to COM3: F10
// connects, and the readings move from decode to decode.
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "PosixSerial.h"
#include "PtySimulator.h"
#include "TAb270Meter.h"
#include "TAbBar.h"
#include "TAbLED.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <set>

using namespace kelvane;

class TstEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void f10ConnectsToTheSimulatorAndTheReadingsMove()
    {
        test::WindowRig rig;
        QVERIFY2(rig.start(test::WindowRig::Options::simulatorOnPty()), rig.error.c_str());
        AppState &state = *rig.state;
        TForm1 &form = *rig.form;

        form.F10autoconnect1Click();
        QVERIFY(state.session.conn.Connected);
        QVERIFY2(
            form.windowTitle().endsWith(QStringLiteral("Rev.H 2 Rev.S 3 TQ204  COM3")), qPrintable(form.windowTitle()));
        QVERIFY(!form.timer()->isActive()); // it was stopped before the scan and stays so

        auto *rpm = form.findChild<TAb270Meter *>(QStringLiteral("Ab270MeterRPM"));
        auto *petrol1 = form.findChild<TAbBar *>(QStringLiteral("AbBarOdInB1"));
        auto *lambda = form.findChild<TAbBar *>(QStringLiteral("AbBarPasL"));
        auto *lamp = form.findChild<TAbLED *>(QStringLiteral("AbLEDStatus"));
        QVERIFY(rpm && petrol1 && lambda && lamp);

        // Drive the ticks by hand, 35 ms apart, as the timer would.
        std::set<std::pair<double, double>> seen;
        for (int i = 0; i < 60; ++i) {
            form.Timer1Timer();
            if (state.session.polling.PollPhase == 0)
                seen.insert({ petrol1->value(), lambda->value() });
            QTest::qWait(35);
        }
        const PollingStats &stats = state.session.polling.stats();
        QVERIFY2(stats.accepted >= 20,
            qPrintable(QStringLiteral("accepted %1 of %2").arg(stats.accepted).arg(stats.requests)));
        QVERIFY2(seen.size() >= 3, qPrintable(QStringLiteral("%1 distinct readings").arg(seen.size())));
        QVERIFY(rpm->value() > 0.3);
        QVERIFY(petrol1->value() > 0.5);
        QVERIFY(lamp->caption() != QStringLiteral("error COMx"));

        // Now the real timer: the ticks keep coming and the records keep arriving.
        const std::uint64_t before = stats.accepted;
        form.timer()->start();
        QTRY_VERIFY_WITH_TIMEOUT(stats.accepted >= before + 6, 5000);
        form.close();
        QCOMPARE(state.session.linkState.PortOpen, std::uint8_t(0));
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_endtoend.moc"
