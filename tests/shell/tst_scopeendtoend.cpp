// The oscilloscope and the data logger against the simulated controller on a pseudo-terminal: four
// traces follow the engine, and a recording made meanwhile holds what the gauges showed. With
// KELVANE_SCOPE_SCREENSHOTS set to a folder it also saves the readings page with four traces after
// a minute of driving (readings-four-traces.png, 809 x 650) and the DataLogger page during the
// recording (datalogger-recording.png).
#include "../support/WindowRig.h"
#include "DataLoggerPage.h"
#include "KelvaneApplication.h"
#include "LogTable.h"
#include "MainWindow.h"
#include "PosixSerial.h"
#include "PtySimulator.h"
#include "ScopePanel.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

using namespace kelvane;

class TstScopeEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void fourTracesFollowTheSimulatedEngine()
    {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());

        test::WindowRig rig;
        QVERIFY2(rig.start(test::WindowRig::Options::simulatorOnPty()), rig.error.c_str());
        AppState &state = *rig.state;
        TForm1 &form = *rig.form;
        QStringList &messages = rig.messages;
        form.F10autoconnect1Click();
        QVERIFY(state.session.conn.Connected);

        auto *panel = form.findChild<ScopePanel *>(QStringLiteral("PanelOsc"));
        QVERIFY(panel);
        const int items[] = { scope::Rpm, scope::InjB1, scope::DifP, scope::Lambda };
        for (int ch = 0; ch < 4; ++ch)
            panel->combo(ch)->setCurrentIndex(items[ch]);
        form.findChild<QPushButton *>(QStringLiteral("ButtonSaveLogsSTART"))->click();

        const QString shots = qEnvironmentVariable("KELVANE_SCOPE_SCREENSHOTS");
        // A minute for the picture (the traces then fill most of the chart), a few seconds otherwise.
        const int ticks = shots.isEmpty() ? 120 : 1580;
        for (int i = 0; i < ticks; ++i) {
            form.Timer1Timer();
            QTest::qWait(35);
        }
        const OSCYLOSKOP &scope = panel->paintBox()->scope();
        const PollingStats &stats = state.session.polling.stats();
        QVERIFY2(stats.accepted >= std::uint64_t(ticks / 2 - 10), qPrintable(QString::number(stats.accepted)));
        QCOMPARE(scope.SampleCount, std::min(ticks / 2, ScopeSamples));
        const ScopeFrame &f = scope.frame();
        for (int ch = 0; ch < 4; ++ch) {
            const ScopeTrace &t = f.traces[static_cast<std::size_t>(ch)];
            QVERIFY(t.enabled);
            QCOMPARE(t.pointCount, std::min(scope.SampleCount, f.width));
        }
        // The engine runs, and the model moves the petrol time and the lambda probe.
        QVERIFY2(scope.sample(0, 0) > 500, qPrintable(QString::number(scope.sample(0, 0))));
        std::set<float> petrol, lambda;
        for (int age = 0; age < scope.SampleCount; ++age) {
            petrol.insert(scope.sample(1, age));
            lambda.insert(scope.sample(3, age));
        }
        QVERIFY2(petrol.size() >= 3, qPrintable(QString::number(petrol.size())));
        QVERIFY2(lambda.size() >= 3, qPrintable(QString::number(lambda.size())));

        // The row the scope's newest sample came from.
        const int lastSampledRow = int(stats.accepted + stats.rejected) - 1;
        const float lastSpeed = scope.sample(0, 0);

        if (!shots.isEmpty()) {
            QApplication::processEvents();
            const QString file = QDir(shots).filePath(QStringLiteral("readings-four-traces.png"));
            QVERIFY2(form.grab().save(file, "PNG"), qPrintable(file));
            form.F5diagnostic1Click();
            auto *diag = form.findChild<QTabWidget *>(QStringLiteral("PageControlDiag"));
            diag->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TabSheet8")));
            for (int i = 0; i < 30; ++i) { // the status line shows the rows
                form.Timer1Timer();
                QTest::qWait(35);
            }
            QVERIFY(form.grab().save(QDir(shots).filePath(QStringLiteral("datalogger-recording.png")), "PNG"));
            form.F2readings1Click();
        }

        // The recording made meanwhile: one row per receive tick, the speeds the scope saw.
        form.findChild<QPushButton *>(QStringLiteral("ButtonSaveLogsSTOP"))->click();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        const LogLoadResult log = loadLogTable(dir.filePath(QStringLiteral("Log.csv")).toStdString());
        QVERIFY2(log.ok, log.error.c_str());
        QCOMPARE(log.table.rowCount(), int(stats.accepted + stats.rejected));
        const int rpm = log.table.columnForLiveIndex(lv::Rpm);
        QCOMPARE(log.table.value(rpm, lastSampledRow), lastSpeed);
        form.close();
        QDir::setCurrent(old);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstScopeEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_scopeendtoend.moc"
