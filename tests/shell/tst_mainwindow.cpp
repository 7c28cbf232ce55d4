// The main window on a scripted controller: polling, the display steps, the injector and mode
// controls, the menu shortcuts, navigation, the window's layout and the exception display.
#include "../support/WindowRig.h"
#include "FieldTable.h"
#include "KelvaneApplication.h"
#include "LayoutRules.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"
#include "SequenceGrid.h"
#include "TAb180Meter.h"
#include "TAb270Meter.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "TAbNumSpin.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <set>
#include <stdexcept>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";

std::vector<std::uint8_t> bytesOf(const CommandFrame &f)
{
    return { f.begin(), f.end() };
}
std::vector<std::uint8_t> frame(std::initializer_list<std::uint8_t> first4)
{
    const std::uint8_t *b = first4.begin();
    return bytesOf(makeFrame(b[0], b[1], b[2], b[3]));
}

QString expectedFixed(double v, int decimals)
{
    return QString::fromStdString(screenFixed(v, decimals, systemDecimalPoint()));
}
} // namespace

class TstMainWindow : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    template <class T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void set8(int off, std::uint8_t v) { ecu->live[static_cast<std::size_t>(off)] = v; }
    void set16(int off, std::uint16_t v)
    {
        set8(off, static_cast<std::uint8_t>(v & 0xFF));
        set8(off + 1, static_cast<std::uint8_t>(v >> 8));
    }
    void set32(int off, std::uint32_t v)
    {
        set16(off, static_cast<std::uint16_t>(v & 0xFFFF));
        set16(off + 2, static_cast<std::uint16_t>(v >> 16));
    }
    void tick()
    {
        form->Timer1Timer();
        line->advance(35);
    }
    // One request tick and one receive tick: the controller's current record is decoded.
    void decode()
    {
        QCOMPARE(state->session.polling.PollPhase, std::uint8_t(0));
        tick();
        tick();
    }
    // Four bytes of the OBD data area through the side channel.
    void feedObd(int offset, std::array<std::uint8_t, 4> bytes)
    {
        set16(rec::ObdChunkOffset, static_cast<std::uint16_t>(offset));
        for (int i = 0; i < 4; ++i)
            set8(rec::ObdChunk + i, bytes[static_cast<std::size_t>(i)]);
        decode();
    }
    void connectEcu()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        QCOMPARE(state->session.conn.PollingEnabled, std::uint8_t(1));
        line->clearLog();
    }
    std::vector<std::uint8_t> lastFrame() const
    {
        return line->written().empty() ? std::vector<std::uint8_t>() : line->written().back().bytes;
    }

private slots:
    void init() { QVERIFY2(rig.start(), rig.error.c_str()); }
    void cleanup() { rig.stop(); }

    void windowOpensCentredAtItsDefaultSizeOnTheReadingsPage()
    {
        const QRect frame = form->frameGeometry();
        QCOMPARE(frame.size(), QSize(809, 650));
        QCOMPARE(child<QTabWidget>("PageControl1")->currentIndex(), 0);
        QCOMPARE(form->windowTitle(), QStringLiteral("Kelvane Sequential v.3.02+OBD"));
        const QRect area = form->screen()->availableGeometry();
        // Centred where the screen is large enough (the offscreen screen is 800 x 600).
        if (area.width() >= 809)
            QCOMPARE(frame.x(), area.x() + (area.width() - 809) / 2);
        if (area.height() >= 650)
            QCOMPARE(frame.y(), area.y() + (area.height() - 650) / 2);
        QVERIFY(!form->timer()->isSingleShot());
        QCOMPARE(form->timer()->interval(), 35);
        QCOMPARE(form->timer()->timerType(), Qt::PreciseTimer);
        // The OBD page is disabled until a controller of revision 2 or more is read.
        auto *diag = child<QTabWidget>("PageControlDiag");
        QVERIFY(!diag->isTabEnabled(diag->indexOf(child<QWidget>("TabSheetOBD"))));
    }

    void pagesAndSubPagesCarryTheirCaptions_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("caption");
        const char *rows[][3] = { { "PageControl1", "TabSheet1", "[F2]readings" },
            { "PageControl1", "TabSheet2", "[F3]parameters" }, { "PageControl1", "TabSheet3", "[F4]adjustment" },
            { "PageControl1", "TabSheet4", "[F5]diagnostic" }, { "PageControl1", "TabSheet5", "adaptation" },
            { "PageControlParametry", "TabSheet21", "podstawowe" },
            { "PageControlParametry", "TabSheet22", "zaawansowane" },
            { "PageControlNastawy", "TabSheet41", "[F6]mapping" },
            { "PageControlNastawy", "TabSheet51", "[F7]advanced map" }, { "PageControlDiag", "TabSheet6", "ECU" },
            { "PageControlDiag", "TabSheetOBD", "EOBD/OBD/OBDII" }, { "PageControlDiag", "TabSheet8", "DataLogger" } };
        for (const auto &r : rows)
            QTest::newRow(r[1]) << r[0] << r[1] << QString::fromUtf8(r[2]);
    }
    void pagesAndSubPagesCarryTheirCaptions()
    {
        QFETCH(QString, control);
        QFETCH(QString, sheet);
        QFETCH(QString, caption);
        auto *tabs = form->findChild<QTabWidget *>(control);
        QVERIFY(tabs);
        const int i = tabs->indexOf(form->findChild<QWidget *>(sheet));
        QVERIFY(i >= 0);
        QCOMPARE(tabs->tabText(i), caption);
    }

    void menuItemsHaveTheirCaptionsAndShortcuts_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("F2") << "F2readings1"
                            << "[F2]readings" << QKeySequence(Qt::Key_F2);
        QTest::newRow("F3") << "F3parameters1"
                            << "[F3]parameters" << QKeySequence(Qt::Key_F3);
        QTest::newRow("F4") << "F4adjustment1"
                            << "[F4]adjustment" << QKeySequence(Qt::Key_F4);
        QTest::newRow("F5") << "F5diagnostic1"
                            << "[F5]diagnostic" << QKeySequence(Qt::Key_F5);
        QTest::newRow("F6") << "F6mapping1"
                            << "[F6]mapping" << QKeySequence(Qt::Key_F6);
        QTest::newRow("F7") << "F7advancedmap1"
                            << "[F7]advanced map" << QKeySequence(Qt::Key_F7);
        QTest::newRow("F10") << "F10autoconnect1"
                             << "[F10] autoconnect (COM1-16)" << QKeySequence(Qt::Key_F10);
        QTest::newRow("petrol") << "petro1"
                                << "-> petrol" << QKeySequence(Qt::CTRL | Qt::Key_P);
        QTest::newRow("auto") << "auto1"
                              << "-> auto" << QKeySequence(Qt::CTRL | Qt::Key_A);
        QTest::newRow("propane") << "propane1"
                                 << "->propane" << QKeySequence(Qt::CTRL | Qt::Key_L);
        QTest::newRow("exit") << "exit1"
                              << "exit" << QKeySequence();
    }
    void menuItemsHaveTheirCaptionsAndShortcuts()
    {
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        auto *a = form->findChild<QAction *>(item);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), shortcut);
    }

    void everySettingsControlExistsOnceWithItsRangeAndItems()
    {
        QSet<QString> names;
        for (const FieldDef &f : fieldTable()) {
            if (*f.control)
                names.insert(QString::fromLatin1(f.control));
        }
        QVERIFY(names.size() > 70);
        for (const QString &name : names) {
            const QList<QWidget *> found = form->findChildren<QWidget *>(name);
            QVERIFY2(found.size() == 1, qPrintable(name));
            // Every control is wired to its write-back; blow pressure waits for the software revision.
            // (The control itself: the OBD page around its combo boxes is disabled until a connect.)
            const bool enabled = !found.first()->testAttribute(Qt::WA_ForceDisabled);
            QVERIFY2(enabled == (name != QLatin1String("ComboBoxBlowPressure")), qPrintable(name));
        }
        auto *hold = child<TAbNumSpin>("AbNumSpinHold");
        QCOMPARE(hold->minimum(), 15.0);
        QCOMPARE(hold->maximum(), 60.0);
        auto *rpmSet = child<QComboBox>("ComboBoxRpmSet");
        QCOMPARE(rpmSet->count(), 7);
        QCOMPARE(rpmSet->itemText(6), QStringLiteral("8 cylinders"));
        auto *holdValue = child<QComboBox>("ComboBoxOBDholdValue");
        QCOMPARE(holdValue->count(), 256);
        QCOMPARE(holdValue->currentText(), QStringLiteral("128(0)"));
        // Each section has its group box; only the first of each page is open.
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(child<QWidget>(qPrintable(QStringLiteral("GroupBoxPar%1").arg(n)))->isHidden(), n != 1);
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(child<QWidget>(qPrintable(QStringLiteral("GroupBoxAdv%1").arg(n)))->isHidden(), n != 1);
    }

    // --- Polling cycle --------------------------------------------------------------------------

    void beforeConnectEveryTickShowsErrorComAndSendsNothing()
    {
        auto *lamp = child<TAbLED>("AbLEDStatus");
        for (int i = 0; i < 6; ++i) {
            lamp->setCaption(QStringLiteral("reset"));
            lamp->setStatusInt(0);
            lamp->setFlashing(false);
            tick();
            QCOMPARE(lamp->caption(), QStringLiteral("error COMx"));
            QCOMPARE(lamp->statusInt(), 1);
            QVERIFY(lamp->flashing());
        }
        QVERIFY(line->written().empty());
        QVERIFY(line->openAttempts().empty());
    }

    void connectSetsTheCaptionFillsTheProgressBarAndEnablesObd()
    {
        connectEcu();
        QVERIFY(form->windowTitle().endsWith(QStringLiteral("Rev.H 2 Rev.S 3 TQ204  COM3")));
        QCOMPARE(form->windowTitle(), QStringLiteral("Kelvane Sequential v.3.02+OBD Rev.H 2 Rev.S 3 TQ204  COM3"));
        auto *progress = child<QProgressBar>("ProgressBar1");
        QCOMPARE(progress->maximum(), 768);
        QCOMPARE(progress->value(), 768);
        auto *diag = child<QTabWidget>("PageControlDiag");
        QVERIFY(diag->isTabEnabled(diag->indexOf(child<QWidget>("TabSheetOBD"))));
        QVERIFY(messages.isEmpty());
    }

    void hardwareRevisionOneLeavesTheObdPageDisabled()
    {
        ecu->hw = 1;
        connectEcu();
        auto *diag = child<QTabWidget>("PageControlDiag");
        QVERIFY(!diag->isTabEnabled(diag->indexOf(child<QWidget>("TabSheetOBD"))));
    }

    void refusedSoftwareRevisionShowsTheUpdateMessage()
    {
        ecu->sw = 4;
        form->F10autoconnect1Click();
        QVERIFY(!state->session.conn.Connected);
        QCOMPARE(messages, QStringList { QStringLiteral("Need software update. Download From www !!!") });
        QCOMPARE(form->windowTitle(), QStringLiteral("Kelvane Sequential v.3.02+OBD"));
    }

    // A serial device the fitter may not open: the scan finds nothing, and the message says whose
    // the device is and how to join its group. A scan that finds nothing otherwise stays silent.
    void aDeviceTheUserMayNotOpenIsExplained()
    {
        line->denyAccess(Device, "dialout");
        form->F10autoconnect1Click();
        QVERIFY(!state->session.conn.Connected);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QString::fromStdString(Device)));
        QVERIFY(messages[0].contains(QStringLiteral("\"dialout\"")));
        QVERIFY(messages[0].contains(QStringLiteral("sudo usermod -aG dialout $USER")));

        messages.clear();
        line->removeDevice(Device);
        form->F10autoconnect1Click();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    }

    void afterConnectTicksAlternateAndOnlyReceiveTicksUpdateTheViews()
    {
        connectEcu();
        auto *bar = child<TAbBar>("AbBarOdTR");
        auto *strip = child<TAbBar>("AbBarPasTr");
        auto liveRequests = [this] {
            return std::count_if(line->written().begin(), line->written().end(), [](const auto &w) {
                return w.bytes == frame({ 0xAA, 0x05, 0x00, 0x00 });
            });
        };
        const std::int16_t temps[] = { 55, 61, -12 };
        for (int k = 0; k < 3; ++k) {
            set16(rec::TempReducer, static_cast<std::uint16_t>(temps[k]));
            const double before = bar->value();
            tick(); // request
            QCOMPARE(liveRequests(), k + 1);
            // Nothing else goes out but the error-memory read that the first decode after a connect makes.
            const auto others = std::count_if(line->written().begin(), line->written().end(),
                [](const auto &w) { return w.bytes[0] != 0xAA || (w.bytes[1] != 0x05 && w.bytes[1] != 0x02); });
            QCOMPARE(others, 0);
            QCOMPARE(bar->value(), before);
            tick(); // receive and decode
            QCOMPARE(liveRequests(), k + 1);
            QCOMPARE(bar->value(), double(temps[k]));
            QCOMPARE(strip->value(), double(temps[k]));
        }
        QCOMPARE(state->session.polling.stats().accepted, std::uint64_t(3));
    }

    void hiddenPagesKeepTheirValuesWhileTheStripFollows()
    {
        connectEcu();
        set16(rec::TempReducer, 40);
        decode();
        form->F3parameters1Click();
        set16(rec::TempReducer, 90);
        decode();
        QCOMPARE(child<TAbBar>("AbBarOdTR")->value(), 40.0);
        QCOMPARE(child<TAbBar>("AbBarPasTr")->value(), 90.0);
        form->F2readings1Click();
        decode();
        QCOMPARE(child<TAbBar>("AbBarOdTR")->value(), 90.0);
    }

    void readingsShowTheRecordInTheirUnits()
    {
        connectEcu();
        set16(rec::TempGas, 33);
        set16(rec::PresDiff, 1250);
        set16(rec::GasPressure2, 2100);
        set16(rec::PresManifold, 400);
        set16(rec::LambdaRaw, 500);
        set16(rec::LevelRaw, 2000);
        set16(rec::InjPetrol1 + 2, 1000); // cylinder 2
        decode();
        QCOMPARE(child<TAbBar>("AbBarOdTg")->value(), 33.0);
        QCOMPARE(child<TAbBar>("AbBarPasTg")->value(), 33.0);
        QVERIFY(qFuzzyCompare(child<TAb180Meter>("Ab180MeterDIFP")->value(), 1.25));
        QVERIFY(qFuzzyCompare(child<TAb180Meter>("Ab180MeterPasDifP")->value(), 1.25));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarPasDifP")->value(), 1.25));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarPasAbs")->value(), 2.1));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarPasVacum")->value(), 0.4));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarOdRez")->value(), 2000 * 0.00122));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarPasLevel")->value(), 2000 * 0.00122));
        // The lambda bars take their range from the probe type: 0 ("n/c") gives 0 to 0 at connection.
        QCOMPARE(child<TAbBar>("AbBarLambda")->maximum(), 0.0);
        const double ms = TicksToMs(1000, 1, state->session.timeBases);
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarOdInB2")->value(), ms));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarPasB2")->value(), ms));
        QVERIFY(qFuzzyCompare(child<TAbBar>("AbBarDiagInjB2")->value(), ms));
        QCOMPARE(child<TAbBar>("AbBarOdInB1")->value(), 0.0);
    }

    void lambdaBarRangesFollowTheProbeType()
    {
        ecu->image[139] = 3;
        connectEcu();
        QCOMPARE(child<TAbBar>("AbBarLambda")->minimum(), 0.6);
        QCOMPARE(child<TAbBar>("AbBarLambda")->maximum(), 1.8);
        QCOMPARE(child<TAbBar>("AbBarPasL")->maximum(), 1.8);
    }

    void statusLamp_data()
    {
        QTest::addColumn<int>("signalFlags");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pressureFlags");
        QTest::addColumn<int>("stateNumber");
        QTest::addColumn<bool>("flashing");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no speed signal") << 0x00 << 2 << 0 << 1 << true << "error RPM/IGN.";
        QTest::newRow("ignition error, gas") << 0x0C << 2 << 0 << 1 << true << "error RPM/IGN.";
        QTest::newRow("ignition error, petrol") << 0x0C << 0 << 0 << 1 << true << "error RPM/IGN.";
        QTest::newRow("petrol") << 0x04 << 0 << 0 << 0 << false << "gasoline";
        QTest::newRow("auto") << 0x04 << 1 << 0 << 0 << false << "auto";
        QTest::newRow("gas") << 0x04 << 2 << 0 << 0 << false << "gaz";
        QTest::newRow("pressure error") << 0x04 << 3 << 1 << 1 << true << "error pres.";
        QTest::newRow("other error") << 0x04 << 3 << 0 << 1 << true << "error";
    }
    void statusLamp()
    {
        QFETCH(int, signalFlags);
        QFETCH(int, mode);
        QFETCH(int, pressureFlags);
        QFETCH(int, stateNumber);
        QFETCH(bool, flashing);
        QFETCH(QString, caption);
        connectEcu();
        set8(rec::SignalFlags, static_cast<std::uint8_t>(signalFlags));
        set16(rec::ModeWord, static_cast<std::uint16_t>(mode << 7));
        set8(rec::PressureFlags, static_cast<std::uint8_t>(pressureFlags));
        decode();
        auto *lamp = child<TAbLED>("AbLEDStatus");
        QCOMPARE(lamp->statusInt(), stateNumber);
        QCOMPARE(lamp->flashing(), flashing);
        QCOMPARE(lamp->caption(), caption);
    }

    void levelLamps_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("lit"); // lamps 0-4, after a decode of step 3 first
        QTest::newRow("0") << 0 << "10000";
        QTest::newRow("1") << 1 << "01000";
        QTest::newRow("2") << 2 << "01100";
        QTest::newRow("3") << 3 << "01110";
        QTest::newRow("4") << 4 << "01111";
        QTest::newRow("5 keeps") << 5 << "01110";
        QTest::newRow("7 keeps") << 7 << "01110";
    }
    void levelLamps()
    {
        QFETCH(int, step);
        QFETCH(QString, lit);
        connectEcu();
        // Level lamps run on every decode, whatever page is shown.
        form->F5diagnostic1Click();
        set8(rec::LevelStep, 3);
        decode();
        set8(rec::LevelStep, static_cast<std::uint8_t>(step));
        decode();
        for (int k = 0; k < 5; ++k) {
            const bool on = lit[k] == QLatin1Char('1');
            QCOMPARE(child<TAbLED>(qPrintable(QStringLiteral("AbLEDOdPoz%1").arg(k)))->isChecked(), on);
            QCOMPARE(child<TAbLED>(qPrintable(QStringLiteral("AbLedPasLev%1").arg(k + 1)))->isChecked(), on);
        }
    }

    void workTimeOnTheAdvancedParameterPage()
    {
        connectEcu();
        set32(rec::PetrolWorkTime, 3725);
        set32(rec::GasWorkTime, 0);
        // TabSheet21 is the selected sub-page: the label is not refreshed.
        decode();
        auto *label = child<QLabel>("LabelWorkTime");
        QVERIFY(label->text().isEmpty());
        child<QTabWidget>("PageControlParametry")->setCurrentIndex(1);
        decode();
        const QChar dp = QLatin1Char(systemDecimalPoint());
        QString expected = QStringLiteral("work time gasoline: [ 1h : 2m : 5s ] gaz: [ 0h : 0m : 0s ] 99#97/0#00 %");
        expected.replace(QLatin1Char('#'), dp);
        QCOMPARE(label->text(), expected);
    }

    void returnTimeAndHeatTime()
    {
        connectEcu();
        set16(rec::ReturnTime, 125);
        set16(rec::HeatTime, 37);
        decode();
        QCOMPARE(child<QLineEdit>("EditTimeBackViz")->text(), expectedFixed(12.5, 1));
        // The heating group is closed: its edit is not refreshed until the section is opened.
        QVERIFY(child<QLineEdit>("EditHeatWizTime")->text().isEmpty());
        auto *toggle = child<QLabel>("LabelAdvR5");
        QCOMPARE(toggle->text(), QStringLiteral("- >>>>"));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("- <<<<"));
        QVERIFY(!child<QWidget>("GroupBoxAdv6")->isHidden());
        decode();
        QCOMPARE(child<QLineEdit>("EditHeatWizTime")->text(), expectedFixed(3.7, 1));
    }

    void obdValuesAndFuelTrims()
    {
        connectEcu();
        set8(rec::ObdShortTrim, 0x90);
        feedObd(4, { 0x01, 0x00, 0x00, 0x00 });
        feedObd(36, { 0x90, 0x00, 0x00, 0x00 });
        QVERIFY(child<QCheckBox>("CheckBox1")->isEnabled());
        QVERIFY(!child<QCheckBox>("CheckBox2")->isEnabled());
        QCOMPARE(child<QCheckBox>("CheckBox1")->text(), QStringLiteral("ShortTrim1 [%]"));
        QCOMPARE(child<QLineEdit>("EditOdb1")->text(), expectedFixed(12.5, 2));
        QCOMPARE(child<QLineEdit>("EditObdKST")->text(), expectedFixed(12.5, 2));
        QCOMPARE(child<QLineEdit>("EditObdKLT")->text(), QStringLiteral("n/a"));
        // The value stops being supported: its edit keeps the last text, the trim shows "n/a".
        feedObd(4, { 0x00, 0x00, 0x00, 0x00 });
        QVERIFY(!child<QCheckBox>("CheckBox1")->isEnabled());
        QCOMPARE(child<QLineEdit>("EditOdb1")->text(), expectedFixed(12.5, 2));
        QCOMPARE(child<QLineEdit>("EditObdKST")->text(), QStringLiteral("n/a"));
    }

    void actualObdCorrection()
    {
        connectEcu();
        set16(rec::ObdCorrection, static_cast<std::uint16_t>(-57));
        decode();
        QCOMPARE(child<QLineEdit>("EditActualCorrObd")->text(), expectedFixed(-5.7, 2));
    }

    void canStatusLine_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("0x09") << 0x09 << "1:CAN 250k/29b |ConOK:1|ConFail:0|ReadPid:0|";
        QTest::newRow("0x34") << 0x34 << "4: CAN n/a |ConOK:0|ConFail:1|ReadPid:1|";
        QTest::newRow("mode 6") << 0x0E << "|ConOK:1|ConFail:0|ReadPid:0|";
    }
    void canStatusLine()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        connectEcu();
        // The line is the same from decode to decode, it never grows.
        for (int i = 0; i < 3; ++i) {
            feedObd(12, { static_cast<std::uint8_t>(status), 0, 0, 0 });
            QCOMPARE(child<QLineEdit>("EditCanStatus")->text(), text);
        }
    }

    // --- Injector and mode controls --------------------------------------------------------------

    void gasSwitchesShowActiveAndNotCutOff()
    {
        connectEcu();
        set16(rec::GasCutOffWord, 0x020F);
        for (int n = 1; n <= 8; ++n)
            set16(rec::InjGas1 + 2 * (n - 1), static_cast<std::uint16_t>(500 + 100 * n));
        set8(rec::PetrolStateMask, 0x81);
        decode();
        const QString pattern = QStringLiteral("10110000");
        for (int n = 1; n <= 8; ++n) {
            const bool on = pattern[n - 1] == QLatin1Char('1');
            const double ms = on ? TicksToMs(500 + 100 * n, 1, state->session.timeBases) : 0.0;
            for (const char *group : { "AbColBitBtnGoff", "AbColBitBtnDiagGoff" })
                QCOMPARE(child<TAbColBitBtn>(qPrintable(QString::fromLatin1(group) + QString::number(n)))->isOn(), on);
            for (const char *group : { "AbBarOdInG", "AbBarDiagInjG", "AbBarPasG" }) {
                const double v = child<TAbBar>(qPrintable(QString::fromLatin1(group) + QString::number(n)))->value();
                QVERIFY2(qAbs(v - ms) < 1e-6, qPrintable(QStringLiteral("%1%2 %3").arg(group).arg(n).arg(v)));
            }
            const bool petrol = n == 1 || n == 8;
            for (const char *group : { "AbColBitBtnEmu", "AbColBitBtnDiagEmu", "AbColBitBtnPasEmu" })
                QCOMPARE(
                    child<TAbColBitBtn>(qPrintable(QString::fromLatin1(group) + QString::number(n)))->isOn(), petrol);
        }
        QCOMPARE(child<TAbColBitBtn>("AbColBitBtnGoff1")->currentText(), QStringLiteral("on"));
        QCOMPARE(child<TAbColBitBtn>("AbColBitBtnGoff2")->currentText(), QStringLiteral("off"));
    }

    void clickOnGasSwitchTwoSendsTheToggledCutOffMask_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("readings") << "AbColBitBtnGoff2";
        QTest::newRow("diagnostic") << "AbColBitBtnDiagGoff2";
    }
    void clickOnGasSwitchTwoSendsTheToggledCutOffMask()
    {
        QFETCH(QString, control);
        connectEcu();
        set16(rec::GasCutOffWord, 0x020F);
        decode();
        if (control.contains(QStringLiteral("Diag")))
            form->F5diagnostic1Click();
        auto *button = form->findChild<TAbColBitBtn *>(control);
        QVERIFY(button && !button->isOn());
        line->clearLog();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(lastFrame(), (std::vector<std::uint8_t> { 0x65, 0x00, 0x00, 0x0F, 0x1E, 0xF0 }));
        // The switch shows only what the controller reports.
        QVERIFY(!button->isOn());
    }

    void twoQuickClicksOnPetrolSwitchThreeSendMasksDifferingInBitTwo()
    {
        connectEcu();
        set16(rec::PetrolOverrideWord, 0x5A21);
        decode();
        line->clearLog();
        QTest::mouseClick(child<TAbColBitBtn>("AbColBitBtnPasEmu3"), Qt::LeftButton);
        QTest::mouseClick(child<TAbColBitBtn>("AbColBitBtnEmu3"), Qt::LeftButton);
        QCOMPARE(line->written().size(), std::size_t(2));
        QCOMPARE(line->written()[0].bytes, frame({ 0x75, 0x00, 0x5A, 0x25 }));
        QCOMPARE(line->written()[1].bytes, frame({ 0x75, 0x00, 0x5A, 0x21 }));
        // The next decode shows the controller's own view again.
        decode();
        QCOMPARE(state->session.live.petrolOverrideMask(), std::uint8_t(0x21));
    }

    void modeCommands_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("isMenu");
        QTest::addColumn<int>("command");
        QTest::newRow("petrol button") << "AbColBitBtnPasBenzyna" << false << 0x53;
        QTest::newRow("auto button") << "AbColBitBtnPasAutomat" << false << 0x52;
        QTest::newRow("propane button") << "AbColBitBtnPasGaz" << false << 0x51;
        QTest::newRow("petrol menu") << "petro1" << true << 0x53;
        QTest::newRow("auto menu") << "auto1" << true << 0x52;
        QTest::newRow("propane menu") << "propane1" << true << 0x51;
    }
    void modeCommands()
    {
        QFETCH(QString, control);
        QFETCH(bool, isMenu);
        QFETCH(int, command);
        connectEcu();
        if (isMenu) {
            form->findChild<QAction *>(control)->trigger();
        } else {
            auto *b = form->findChild<TAbColBitBtn *>(control);
            QTest::mouseClick(b, Qt::LeftButton);
            QVERIFY(!b->isOn());
        }
        QCOMPARE(line->written().size(), std::size_t(1));
        QCOMPARE(lastFrame(), frame({ static_cast<std::uint8_t>(command), 0x00, 0x00, 0x00 }));
    }

    // All 40 injector switches: each toggles the bit of its own cylinder. The handler of the same
    // cylinder, run right after the click, toggles it back, so the next switch starts from the same
    // mask again and a switch wired to another cylinder's handler shows.
    void everyInjectorSwitchActsOnItsOwnCylinder_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("gas");
        QTest::newRow("readings petrol") << "AbColBitBtnEmu" << false;
        QTest::newRow("strip petrol") << "AbColBitBtnPasEmu" << false;
        QTest::newRow("diagnostic petrol") << "AbColBitBtnDiagEmu" << false;
        QTest::newRow("readings gas") << "AbColBitBtnGoff" << true;
        QTest::newRow("diagnostic gas") << "AbColBitBtnDiagGoff" << true;
    }
    void everyInjectorSwitchActsOnItsOwnCylinder()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, gas);
        connectEcu();
        set16(rec::GasCutOffWord, 0x020F);
        set16(rec::PetrolOverrideWord, 0x5A21);
        decode();
        if (prefix.contains(QStringLiteral("Diag")))
            form->F5diagnostic1Click();
        // The gas cut-off mask travels in the high data byte, the petrol override mask in the low one.
        auto expected = [gas](int toggled) {
            return gas ? frame({ 0x65, 0x00, static_cast<std::uint8_t>(0x02 ^ toggled), 0x0F })
                       : frame({ 0x75, 0x00, 0x5A, static_cast<std::uint8_t>(0x21 ^ toggled) });
        };
        for (int n = 1; n <= 8; ++n) {
            auto *button = child<TAbColBitBtn>(qPrintable(prefix + QString::number(n)));
            line->clearLog();
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(line->written().size(), std::size_t(1));
            QCOMPARE(lastFrame(), expected(1 << (n - 1)));
            if (gas)
                form->AbColBitBtnGoffClick(n);
            else
                form->AbColBitBtnEmuClick(n);
            QCOMPARE(lastFrame(), expected(0));
        }
    }

    // Ctrl+A is "-> auto" everywhere in the window, also while an editor that would take it for
    // "select all" has the focus.
    void ctrlAInAFocusedEditorRunsAuto_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::newRow("line edit") << "test line edit";
        QTest::newRow("read-only line edit") << "EditTimeBackViz";
        QTest::newRow("spin edit") << "AbNumSpinWzbogacenieGlowne";
        QTest::newRow("editable combo box") << "ComboBoxTempSw";
    }
    void ctrlAInAFocusedEditorRunsAuto()
    {
        QFETCH(QString, editor);
        // Main enrichment 0 % and switch-to-gas temperature 25: texts a typed "1" can go in front of.
        ecu->image[340] = 1000 & 0xFF;
        ecu->image[341] = 1000 >> 8;
        ecu->image[23] = 25;
        connectEcu();
        QWidget *target = nullptr;
        QLineEdit *edit = nullptr;
        if (editor == QLatin1String("test line edit")) {
            edit = new QLineEdit(QStringLiteral("some text"), child<QWidget>("PanelO3"));
            edit->show();
            target = edit;
        } else if (editor == QLatin1String("EditTimeBackViz")) {
            form->F3parameters1Click();
            edit = child<QLineEdit>("EditTimeBackViz");
            edit->setText(QStringLiteral("12.5"));
            target = edit;
        } else if (editor == QLatin1String("AbNumSpinWzbogacenieGlowne")) {
            form->F4adjustment1Click();
            auto *spin = child<TAbNumSpin>("AbNumSpinWzbogacenieGlowne");
            spin->setEnabled(true); // settings controls are enabled once their write-back is wired
            target = spin;
            edit = spin->spinBox()->findChild<QLineEdit *>();
        } else {
            form->F3parameters1Click();
            QTest::mouseClick(child<QLabel>("LabelParP4"), Qt::LeftButton); // open "4.Switch to propane"
            auto *combo = child<QComboBox>("ComboBoxTempSw");
            combo->setEnabled(true);
            combo->setEditable(true);
            target = combo;
            edit = combo->lineEdit();
        }
        QVERIFY(edit);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        target->setFocus(Qt::TabFocusReason);
        // A spin box or a combo box keeps the focus itself and hands the keys to its line edit.
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused && (focused == edit || focused->isAncestorOf(edit)));
        edit->deselect(); // focusing by the tab key selected the text
        QSignalSpy triggered(child<QAction>("auto1"), &QAction::triggered);
        QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(line->written().size(), std::size_t(1));
        QCOMPARE(lastFrame(), frame({ 0x52, 0x00, 0x00, 0x00 }));
        QVERIFY(!edit->hasSelectedText());
        // Keys that are no shortcut of the window still reach the editor.
        if (!edit->isReadOnly()) {
            const QString before = edit->text();
            edit->setCursorPosition(0);
            QTest::keyClick(focused, Qt::Key_1);
            QCOMPARE(edit->text(), QLatin1Char('1') + before);
        }
        // A digit typed into the spin edit is a setting: main enrichment 10 % goes out as word 170.
        if (editor == QLatin1String("AbNumSpinWzbogacenieGlowne")) {
            QCOMPARE(line->written().size(), std::size_t(2));
            QCOMPARE(lastFrame(), bytesOf(imageWordFrame(170, 1100)));
        } else {
            QCOMPARE(line->written().size(), std::size_t(1));
        }
    }

    // The guard belongs to the window: in another window Ctrl+A still selects all.
    void ctrlAInAnotherWindowStillSelectsAll()
    {
        QWidget other;
        auto *edit = new QLineEdit(QStringLiteral("some text"), &other);
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        edit->setFocus(Qt::TabFocusReason);
        edit->deselect();
        QSignalSpy triggered(child<QAction>("auto1"), &QAction::triggered);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 0);
        QCOMPARE(edit->selectedText(), QStringLiteral("some text"));
    }

    void cutOffLamps()
    {
        connectEcu();
        set8(rec::CutOffStateMask, 0x22);
        decode();
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(child<TAbLED>(qPrintable(QStringLiteral("AbLEDcut%1").arg(n)))->isChecked(), n == 2 || n == 6);
    }

    void sequenceVisualisation_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<int>>("cylinders"); // by row
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("pairs") << QList<int> { 10, 30, 10, 30, 20, 40, 20, 40 } << QList<int> { 1, 3, 5, 7, 2, 4, 6, 8 }
                               << QList<int> { 0, 0, 1, 1, 2, 2, 3, 3 };
        QTest::newRow("equal") << QList<int> { 7, 7, 7, 7, 7, 7, 7, 7 } << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8 }
                               << QList<int> { 0, 0, 0, 0, 0, 0, 0, 0 };
    }
    void sequenceVisualisation()
    {
        QFETCH(QList<int>, values);
        QFETCH(QList<int>, cylinders);
        QFETCH(QList<int>, columns);
        connectEcu();
        form->F5diagnostic1Click();
        for (int n = 0; n < 8; ++n)
            set16(rec::Sequence1 + 2 * n, static_cast<std::uint16_t>(values[n]));
        decode();
        auto *grid = child<SequenceGrid>("StringGridSequenceType");
        QCOMPARE(grid->size(), QSize(8 * 20 + 1, 8 * 28 + 1));
        const QImage image = grid->grab().toImage();
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 8; ++c) {
                const int expected = columns[r] == c ? cylinders[r] : 0;
                QCOMPARE(grid->cellCylinder(c, r), expected);
                // Right-hand edge of the cell, clear of the number: maroon when marked, white otherwise.
                const QColor px = image.pixelColor(c * 20 + 18, r * 28 + 20);
                QCOMPARE(px, expected ? SequenceGrid::cellColor() : QColor(Qt::white));
            }
        }
    }

    // --- Navigation and layout -------------------------------------------------------------------

    void f6FromTheReadingsPageOpensTheMappingSubPage()
    {
        child<QTabWidget>("PageControlNastawy")->setCurrentIndex(1);
        form->F2readings1Click();
        QCOMPARE(child<QTabWidget>("PageControl1")->currentIndex(), 0);
        child<QAction>("F6mapping1")->trigger();
        QCOMPARE(child<QTabWidget>("PageControl1")->currentIndex(), 2);
        QCOMPARE(child<QTabWidget>("PageControlNastawy")->currentIndex(), 0);
        child<QAction>("F7advancedmap1")->trigger();
        QCOMPARE(child<QTabWidget>("PageControlNastawy")->currentIndex(), 1);
    }

    void statusLampClickOpensTheDiagnosticPage()
    {
        QTest::mouseClick(child<TAbLED>("AbLEDStatus"), Qt::LeftButton);
        QCOMPARE(child<QTabWidget>("PageControl1")->currentIndex(), 3);
    }

    void resizeBelowTheLimitSnapsAndRecentres()
    {
        form->move(10, 10);
        form->resizeOuter(350, 500);
        QTRY_COMPARE(form->frameGeometry().width(), 400);
        QCOMPARE(form->frameGeometry().height(), 650); // the requested resize is refused
        const QRect area = form->screen()->availableGeometry();
        QCOMPARE(form->frameGeometry().x(), area.x() + (area.width() - form->frameGeometry().width()) / 2);
        QCOMPARE(form->frameGeometry().y(), area.y() + (area.height() - form->frameGeometry().height()) / 2);
        form->resizeOuter(600, 200);
        QTRY_COMPARE(form->frameGeometry().height(), 300);
        QCOMPARE(form->frameGeometry().width(), 400);
    }

    void panelWidthsFollowTheWindowWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("strip");
        QTest::addColumn<int>("o1");
        QTest::addColumn<int>("o2");
        QTest::newRow("809") << 809 << 196 << 180 << 240;
        QTest::newRow("1600") << 1600 << 372 << 355 << 470;
        QTest::newRow("2000") << 2000 << 392 << 444 << 588;
    }
    void panelWidthsFollowTheWindowWidth()
    {
        QFETCH(int, width);
        QFETCH(int, strip);
        QFETCH(int, o1);
        QFETCH(int, o2);
        form->resizeOuter(width, 650);
        QTRY_COMPARE(form->frameGeometry().width(), width);
        QCOMPARE(child<QWidget>("PanelPasek")->width(), strip);
        QCOMPARE(child<QWidget>("PanelO1")->width(), o1);
        QCOMPARE(child<QWidget>("PanelO2")->width(), o2);
        auto *page = child<QWidget>("TabSheet1");
        auto *o3 = child<QWidget>("PanelO3");
        QCOMPARE(o3->x(), o1 + o2);
        const int expectedO3 = layout::panelO3Width(width, page->width(), o1 + o2);
        QCOMPARE(o3->width(), expectedO3);
        if (width == 809)
            QCOMPARE(o3->width(), 176);
        else
            QCOMPARE(o3->geometry().right(), page->width() - 1);
        // The meters in PanelO1, by their rules.
        auto *panel = child<QWidget>("PanelO1");
        const layout::MeterRects m = layout::panelO1Meters(panel->width(), panel->height());
        QCOMPARE(child<TAb270Meter>("Ab270MeterRPM")->geometry(), QRect(m.rpm.x, m.rpm.y, m.rpm.w, m.rpm.h));
        QCOMPARE(child<TAb180Meter>("Ab180MeterDIFP")->geometry(), QRect(m.difp.x, m.difp.y, m.difp.w, m.difp.h));
        // The strip's panels, by their rules; PanelV7 takes the rest.
        const int h = child<QWidget>("PanelPasek")->height();
        const std::array<int, 5> heights = layout::stripPanelHeights(h);
        const char *names[5] = { "PanelV2", "PanelV4", "PanelV5", "PanelV6", "PanelV1" };
        int y = 0;
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(child<QWidget>(names[i])->geometry(), QRect(0, y, strip, heights[static_cast<std::size_t>(i)]));
            y += heights[static_cast<std::size_t>(i)];
        }
        QCOMPARE(child<QWidget>("PanelV7")->geometry(), QRect(0, y, strip, h - y));
    }

    // --- Closing ---------------------------------------------------------------------------------

    void closingWhileNotConnectedRaisesNothingAndSendsNothing()
    {
        auto *app = static_cast<KelvaneApplication *>(QCoreApplication::instance());
        const int before = app->exceptionsShown();
        form->timer()->start();
        QVERIFY(form->close());
        QVERIFY(!form->timer()->isActive());
        QVERIFY(!form->layoutFlag());
        QVERIFY(!state->session.conn.Connected);
        QCOMPARE(state->session.linkState.PortOpen, std::uint8_t(0));
        QVERIFY(line->written().empty());
        QCOMPARE(app->exceptionsShown(), before);
    }

    void closingWhileConnectedClosesThePort()
    {
        connectEcu();
        QCOMPARE(line->openHandles(), 1);
        QVERIFY(form->close());
        QVERIFY(!state->session.conn.Connected);
        QCOMPARE(line->openHandles(), 0);
    }

    // --- Exceptions and timers --------------------------------------------------------------------

    void anExceptionInAHandlerIsShownAndTheProgramGoesOn()
    {
        const QStringList &shown = rig.user.exceptions;
        // A handler on the polling timer that throws: the tick after it still runs.
        QMetaObject::Connection c = connect(
            form->timer(), &QTimer::timeout, this, [] { throw std::runtime_error("injector table out of range"); });
        form->timer()->start();
        QTRY_VERIFY(shown.size() >= 3);
        QCOMPARE(shown.first(), QStringLiteral("injector table out of range"));
        QVERIFY(form->timer()->isActive());
        disconnect(c);
        form->timer()->stop();
        // Ticks kept running: the lamp was set on each of them.
        QCOMPARE(child<TAbLED>("AbLEDStatus")->caption(), QStringLiteral("error COMx"));
    }

    void aScanThatThrowsLeavesTheTimerRunningAndTheCursorRestored()
    {
        line->removeDevice(Device);
        line->addDevice(Device, [](const std::vector<std::uint8_t> &, int) -> std::vector<ScriptedSerial::Delivery> {
            throw std::runtime_error("line fault");
        });
        form->timer()->start();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, form->F10autoconnect1Click());
        QVERIFY(!form->scanning());
        QVERIFY(form->timer()->isActive());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        form->timer()->stop();
    }

    void anExceptionWithoutAMessageIsShownToo()
    {
        const QStringList &shown = rig.user.exceptions;
        bool after = false;
        QTimer::singleShot(0, this, [] { throw 42; });
        QTimer::singleShot(5, this, [&after] { after = true; });
        QTRY_VERIFY(after);
        QCOMPARE(shown, QStringList { QStringLiteral("Unknown exception") });
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstMainWindow t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mainwindow.moc"
