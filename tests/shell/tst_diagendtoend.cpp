// The diagnostic parts of the window against the simulated controller on a real pseudo-terminal:
// its stored faults and the car's trouble codes show by themselves, an erase empties the list, a
// parameter file is compared with it, and the adaptation runs on its engine. With
// KELVANE_DIAG_SCREENSHOTS naming a folder, the error memory, the compare dialog and the
// adaptation page are saved there as PNG pictures.
#include "../support/WindowRig.h"
#include "CompareDialog.h"
#include "DiagnosticPage.h"
#include "ErrorMemoryView.h"
#include "FieldCodec.h"
#include "FieldTable.h"
#include "FileMenu.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "ParameterFile.h"
#include "ParametersPage.h"
#include "PosixSerial.h"
#include "PtySimulator.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace kelvane;

namespace {

QString screenshotFolder()
{
    return qEnvironmentVariable("KELVANE_DIAG_SCREENSHOTS");
}

// Pictures are taken only when asked for; the layout follows new texts a moment later.
void settleForScreenshot()
{
    if (!screenshotFolder().isEmpty())
        QTest::qWait(300);
}

void saveScreenshot(QWidget &w, const char *name)
{
    const QString folder = screenshotFolder();
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QString file = folder + QLatin1Char('/') + QLatin1String(name);
    QVERIFY2(w.grab().save(file, "PNG"), qPrintable(file));
    qInfo("saved %s", qPrintable(file));
}

} // namespace

class TstDiagEndToEnd : public QObject {
    Q_OBJECT

    test::WindowRig rig;
    std::unique_ptr<sim::PtySimulator> &simulator = rig.pty;
    std::unique_ptr<AppState> &state = rig.state;
    std::unique_ptr<TForm1> &form = rig.form;
    std::unique_ptr<QTemporaryDir> dir;
    QStringList &messages = rig.messages;

    template <class T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString errorRow(int row) { return cell(child<QTableWidget>("StringGridErrorMemory"), 1, row); }

private slots:
    void init()
    {
        test::WindowRig::Options options;
        options.controller = test::WindowRig::Controller::SimulatorOnPty;
        options.polling = true; // as the program does
        options.show = false;
        QVERIFY2(rig.start(options), rig.error.c_str());
        dir = std::make_unique<QTemporaryDir>();
        state->startDirectory = dir->path().toStdString();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
    }
    void cleanup()
    {
        if (form)
            form->close();
        rig.stop();
        dir.reset();
    }

    void faultsAndTroubleCodesOfTheSimulatorShowAndAnEraseEmptiesTheList()
    {
        form->F5diagnostic1Click();
        QVERIFY(form->timer()->isActive());
        // The first accepted reply reads the error memory: the simulator starts with faults 8 and 16.
        QTRY_COMPARE_WITH_TIMEOUT(errorRow(1), QStringLiteral("8 ErrPres_L- Erorr Pressure Low"), 5000);
        QCOMPARE(errorRow(2), QStringLiteral("16 ErrRpm_L  - RPM's Error Low"));
        QVERIFY(errorRow(3).isEmpty());
        QCOMPARE(child<QLabel>("LabelErrorCount")->text(), QStringLiteral("2 fault(s) stored"));
        settleForScreenshot();
        saveScreenshot(*form, "diagnostic-error-memory.png");

        // The car's trouble codes arrive through the OBD side channel.
        auto *codes = child<QTableWidget>("StringGridObdErrors");
        QTRY_COMPARE_WITH_TIMEOUT(cell(codes, 1, 1), QStringLiteral("P0301"), 5000);
        QCOMPARE(cell(codes, 1, 2), QStringLiteral("P0171"));
        QVERIFY(cell(codes, 1, 3).isEmpty());
        auto *pages = child<QTabWidget>("PageControlDiag");
        pages->setCurrentWidget(child<QWidget>("TabSheetOBD"));
        settleForScreenshot();
        saveScreenshot(*form, "diagnostic-obd.png");
        pages->setCurrentIndex(0);

        // Erase: the controller moves its marker and the list follows by itself.
        rig.user.answerConfirm = [](const QString &, const QString &) { return true; };
        child<DiagnosticPage>("TabSheet4")->errorMemoryView()->AbColBitBtn42Click();
        QTRY_COMPARE_WITH_TIMEOUT(errorRow(1), QStringLiteral("NO Errors"), 5000);
        QVERIFY(errorRow(2).isEmpty());
        QVERIFY(simulator->controllerState().faults.empty());

        // The OBD erase: the car's codes go, and the next read delivers an empty list.
        child<QPushButton>("ButtonEraseObdErrors")->click();
        QTRY_VERIFY_WITH_TIMEOUT(cell(codes, 1, 1).isEmpty(), 5000);
        QVERIFY(messages.isEmpty());

        // The service interval counts from the gas work time the simulator reports.
        form->F3parameters1Click();
        auto *parameters = child<ParametersPage>("TabSheet2");
        parameters->pageControl()->setCurrentIndex(1);
        parameters->toggleSection(child<QLabel>("LabelAdvR1"));
        const std::uint32_t gas = state->session.live.u32(rec::GasWorkTime);
        QVERIFY(gas > 0);
        child<QPushButton>("ButtonSetSerwis")->click();
        QVERIFY(messages.isEmpty());
        QVERIFY(state->session.image.dword(8) >= gas + 3000);
        QTRY_COMPARE_WITH_TIMEOUT(
            simulator->image()[8] | (simulator->image()[9] << 8), int(state->session.image.dword(8) & 0xFFFF), 2000);
        // 50 km is 50 minutes of gas operation; the counter runs on meanwhile.
        const QRegularExpression label(QStringLiteral("^service time left \\[(49|50) min\\. \\] Beep: \\d+$"));
        QTRY_VERIFY_WITH_TIMEOUT(label.match(child<QLabel>("LabelSerwisWhen")->text()).hasMatch(), 2000);
        settleForScreenshot();
        saveScreenshot(*form, "parameters-service.png");
    }

    void aParameterFileIsComparedWithTheSimulatorsSettings()
    {
        form->timer()->stop();
        // A copy of the controller's settings with three changes.
        ParameterImage changed = state->session.image;
        changed.setWord(340, static_cast<std::uint16_t>(changed.word(340) + 40)); // main enrichment +4 %
        changed.setByte(23, static_cast<std::uint8_t>(changed.byte(23) + 5)); // switch temperature
        changed.setByte(167 + 8 * 4 + 2, static_cast<std::uint8_t>(changed.byte(167 + 8 * 4 + 2) + 2));
        const QString path = dir->path() + QStringLiteral("/customer-car.kvset");
        QString error;
        QVERIFY2(saveParameterFile(path, changed.bytes, &error), qPrintable(error));
        FileMenu *files = form->findChild<FileMenu *>();
        rig.user.chooseFile = [path](const FileDialogRequest &) { return path; };
        int rows = 0;
        rig.user.answerDialog = [&](QDialog &d) {
            auto &dialog = static_cast<CompareDialog &>(d);
            rows = dialog.grid()->rowCount();
            dialog.show();
            if (QTest::qWaitForWindowExposed(&dialog))
                saveScreenshot(dialog, "compare-with-ecu.png");
            return int(QDialog::Rejected);
        };
        const int writesBefore = simulator->counters().imageWrites;
        files->compareWithECU1Click();
        QCOMPARE(rows, 3);
        QCOMPARE(simulator->counters().imageWrites, writesBefore);
    }

    // The procedure needs a steady load while it measures. The simulator's engine runs a 40 s drive
    // cycle (idle, acceleration, cruise, overrun with fuel cut-off, idle); it idles steadily from
    // 34 s to 50 s of each cycle. The fitter (this test) waits for the end of the overrun, lets the
    // engine settle at idle and presses NEXT then, so that the petrol reference is taken at idle.
    void adaptationRunsOnTheSimulatorsEngine()
    {
        form->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(4);
        const LiveData &live = state->session.live;
        // The engine's first 29 s pass at once: the reducer warm, the car in its first overrun.
        simulator->advanceClock(29.0 - simulator->clockSec());
        // The procedure steps once per record: ask for the next record as soon as one is in, the
        // reply still takes its time on the line.
        form->timer()->setInterval(0);
        // The reducer warms up to 50 °C in about half a minute.
        QTRY_VERIFY_WITH_TIMEOUT(live.s16(rec::TempReducer) >= 50, 60000);
        // The overrun: no petrol injection; then the engine comes back (31 s of the cycle).
        QTRY_VERIFY_WITH_TIMEOUT(live.injPetrol(1) == 0, 45000);
        QTRY_VERIFY_WITH_TIMEOUT(live.injPetrol(1) > 0, 10000);

        auto *start = child<QPushButton>("ButtonAdaptacjaStart");
        auto *next = child<QPushButton>("ButtonAdaptNext");
        auto *text = child<QPlainTextEdit>("RichEditAdapt");
        start->click();
        QVERIFY(next->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(text->toPlainText(), QString::fromUtf8(adaptDefaultText(AdaptText::T1)), 2000);
        simulator->advanceClock(3.5); // the engine settles at idle
        // The fitter holds the car at idle while the procedure measures: when the idle of a drive
        // cycle (34 s to 50 s) nears its end, the engine's clock moves on to the next cycle's idle.
        QTimer idle;
        connect(&idle, &QTimer::timeout, this, [this] {
            const double inCycle = std::fmod(simulator->clockSec(), sim::DriveCycleSec);
            if (inCycle >= 9 && inCycle < 34)
                simulator->advanceClock(35 - inCycle);
        });
        idle.start(100);
        next->click();

        const Adaptation &a = state->adaptation;
        QTRY_VERIFY_WITH_TIMEOUT(a.state() == 5 && a.counter() >= 40, 30000);
        saveScreenshot(*form, "adaptation-running.png");
        QTRY_VERIFY_WITH_TIMEOUT(a.state() == 16, 240000);
        const QString result = text->toPlainText();
        qInfo("adaptation ended with \"%s\", main enrichment %g", qPrintable(result),
            decodeField(state->session.image, *findField(QStringLiteral("WzbogacenieGlowne")),
                DecodeContext { state->session.timeBases })
                .number);
        QCOMPARE(result, QString::fromUtf8(adaptDefaultText(AdaptText::T14)));
        QVERIFY(start->isEnabled());
        QVERIFY(!next->isEnabled());
        // Every cylinder is back on gas: the mask is clear in the controller.
        QTRY_COMPARE_WITH_TIMEOUT(simulator->controllerState().petrolOverrideWord & 0xFF, 0, 2000);
        QCOMPARE(simulator->controllerState().reportedMode(), 2);
        // The settings the procedure wrote are in the controller.
        QCOMPARE(simulator->image()[340] | (simulator->image()[341] << 8), int(state->session.image.word(340)));
        saveScreenshot(*form, "adaptation-finished.png");
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstDiagEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_diagendtoend.moc"
