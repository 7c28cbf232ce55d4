// A drive recorded by `kelvane-cli live` from the simulated controller (kelvane-sim on a
// pseudo-terminal), opened in the log viewer of a window without a controller and played back onto
// the readings page. With KELVANE_SCOPE_SCREENSHOTS set to a folder it records a minute of driving
// (850 rows) and saves the viewer (logviewer-drive.png) and the readings page during the playback
// (readings-playback.png).
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "LogViewerChart.h"
#include "LogViewerMenu.h"
#include "Oscilloscope.h"
#include "TAb270Meter.h"
#include "TAbBar.h"
#include "TAbLED.h"

#include <QComboBox>
#include <QDir>
#include <QLineSeries>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

using namespace kelvane;

namespace {
const QString BinDir = QStringLiteral(KELVANE_BIN_DIR);
}

class TstLogViewerCli : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    // kelvane-cli live --count rows against kelvane-sim; the standard output goes to `file`.
    bool recordDrive(int rows, const QString &file)
    {
        const QString link = tmp.filePath(QStringLiteral("ecu"));
        QProcess sim;
        sim.start(BinDir + QStringLiteral("/kelvane-sim"), { QStringLiteral("--link"), link });
        if (!sim.waitForStarted(5000))
            return false;
        for (int i = 0; i < 50 && !sim.canReadLine(); ++i)
            sim.waitForReadyRead(100);
        QProcess cli;
        cli.setStandardOutputFile(file);
        cli.start(BinDir + QStringLiteral("/kelvane-cli"),
            { QStringLiteral("--com"), QStringLiteral("3=") + link, QStringLiteral("live"), QStringLiteral("--count"),
                QString::number(rows) });
        const bool done = cli.waitForFinished(30000 + rows * 100);
        if (!done)
            cli.kill();
        cli.waitForFinished();
        sim.terminate();
        if (!sim.waitForFinished(3000))
            sim.kill();
        if (!done || cli.exitCode() != 0)
            qWarning("kelvane-cli: %s", cli.readAllStandardError().constData());
        return done && cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0;
    }

private slots:
    void aCliRecordingPlaysBackOntoTheReadingsPage()
    {
        const QString shots = qEnvironmentVariable("KELVANE_SCOPE_SCREENSHOTS");
        const int rows = shots.isEmpty() ? 60 : 850;
        const QString file = tmp.filePath(QStringLiteral("drive.csv"));
        QVERIFY(recordDrive(rows, file));

        test::WindowRig rig { test::WindowRig::Options {} };
        auto *menu = rig.form->findChild<LogViewerMenu *>(QStringLiteral("LogViewerMenu"));
        QVERIFY(menu->openFile(file));
        LogViewer *v = menu->viewer();
        QVERIFY(QTest::qWaitForWindowExposed(v));
        const LogTable &t = v->table();
        QCOMPARE(t.rowCount(), rows);
        QCOMPARE(t.columnCount(), 28);
        QVERIFY(t.warnings().empty());
        const int rpm = t.columnForLiveIndex(lv::Rpm);
        QVERIFY(v->chartFor(rpm));
        QCOMPARE(v->chartFor(rpm)->series()->count(), rows);

        // The playback shows the recorded engine on the gauges and the scope, as the simulator drove it.
        const char *combos[]
            = { "ComboBoxScopType", "ComboBoxScopeTypeRed", "ComboBoxScopeTypeBlue", "ComboBoxScopeTypeGreen" };
        const int items[] = { scope::Rpm, scope::InjB1, scope::DifP, scope::Lambda };
        for (int ch = 0; ch < 4; ++ch)
            rig.child<QComboBox>(combos[ch])->setCurrentIndex(items[ch]);
        v->play();
        const int row = rows / 2;
        // Row by row, as the viewer's timer would: every row goes to the gauges and the scope.
        while (v->cursorRow() < row)
            v->advance(35);
        QCOMPARE(v->cursorRow(), row);
        QCOMPARE(rig.child<TAb270Meter>("Ab270MeterRPM")->value(), std::min(8.0, t.value(rpm, row) * 0.001));
        const int petrol = t.columnForLiveIndex(lv::InjPetrol1);
        QVERIFY(std::fabs(rig.child<TAbBar>("AbBarOdInB1")->value() - t.value(petrol, row)) < 0.005);
        const int tr = t.columnForLiveIndex(lv::TempReducer);
        QCOMPARE(rig.child<TAbBar>("AbBarPasTr")->value(), double(t.value(tr, row)));
        QCOMPARE(rig.child<TAbLED>("AbLEDStatus")->caption(), QStringLiteral("playback 1x"));
        QVERIFY(rig.line->written().empty());

        if (!shots.isEmpty()) {
            v->pause();
            v->resize(1100, 760);
            v->setPlotted(t.columnForLiveIndex(lv::PresDiff), true);
            QTest::qWait(200);
            QVERIFY(v->grab().save(QDir(shots).filePath(QStringLiteral("logviewer-drive.png")), "PNG"));
            QVERIFY(rig.form->grab().save(QDir(shots).filePath(QStringLiteral("readings-playback.png")), "PNG"));
        }
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstLogViewerCli t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_logviewercli.moc"
