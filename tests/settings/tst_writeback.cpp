// The write-back operations and the image-to-controls decode without a window: the controls are
// plain values that follow the window's event rules (a check box or track bar changed by code runs
// its write-back), the frames go over the scripted line to a scripted controller that stores them.
// For each write-back: the frames in order, with the values they carry, and the image after.
#include "../support/FakeEcu.h"
#include "Connection.h"
#include "ControllerSession.h"
#include "Conversions.h"
#include "FieldTable.h"
#include "MapAxes.h"
#include "ScriptedSerial.h"
#include "Simulator.h"
#include "WriteBack.h"

#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";
const TimeBases At57600 = timeBasesFor(0);

// The settings controls as plain values, with the event rules of the window's widgets.
class FakeControls : public SettingsView {
public:
    struct Control {
        ControlKind kind = ControlKind::None;
        double min = 0, max = 0;
        int count = 0;
        double number = 0;
        bool edited = false;
        int item = -1;
        QString text; // a combo box's text without a selection
        bool on = false;
        int position = 0;
        bool visible = true;
        bool enabled = true;
    };

    FakeControls(const ParameterImage &image)
        : m_image(image)
    {
        for (const FieldDef &f : fieldTable()) {
            if (!*f.control || m_controls.count(f.control))
                continue;
            Control c;
            c.kind = f.controlKind;
            c.min = f.min;
            c.max = f.max;
            c.count = static_cast<int>(f.items.size());
            c.position = c.kind == ControlKind::TrackBar ? std::clamp(10, int(f.min), int(f.max)) : 0;
            m_controls[f.control] = c;
        }
        for (const char *hidden :
            { "AbNumSpinRpmSignalV", "ComboBoxPowrotZminRpmTime", "LabelCzasPowrotuG", "LabelCzasPowrotuG2" })
            m_controls[hidden].visible = false;
        m_controls["ComboBoxBlowPressure"].enabled = false;
        m_controls["TabSheetOBD"].enabled = false;
    }
    SettingsWriteBack *writeBack = nullptr;
    double lambdaMin = -1, lambdaMax = -1;
    std::map<std::string, double> percent;

    Control &at(const char *name) { return m_controls[name]; }
    const Control &at(const char *name) const
    {
        const auto it = m_controls.find(name);
        if (it == m_controls.end())
            qFatal("no control %s", name);
        return it->second;
    }

    // What the fitter does.
    void choose(const char *combo, int item)
    {
        setItem(combo, item);
        writeBack->run(combo, Trigger::Change);
    }
    void enter(const char *spin, double value)
    {
        Control &c = at(spin);
        c.number = std::clamp(value, c.min, c.max);
        c.edited = true;
        writeBack->run(spin, Trigger::Change);
    }
    void click(const char *control) // a check box or a toggle switch
    {
        Control &c = at(control);
        c.on = !c.on;
        writeBack->run(control, Trigger::Change);
    }
    void leave(const char *control) { writeBack->run(control, Trigger::FocusOut); }

    NumberEntry number(const char *spin) const override { return { at(spin).number, at(spin).edited }; }
    void setNumber(const char *spin, double value) override
    {
        Control &c = at(spin);
        c.number = std::clamp(value, c.min, c.max);
        c.edited = false;
    }
    int item(const char *combo) const override { return at(combo).item; }
    void setItem(const char *combo, int item) override
    {
        Control &c = at(combo);
        c.item = item >= 0 && item < c.count ? item : -1;
        c.text.clear();
    }
    void setComboText(const char *combo, const QString &text) override
    {
        at(combo).item = -1;
        at(combo).text = text;
    }
    bool isOn(const char *control) const override { return at(control).on; }
    void setOn(const char *control, bool on) override
    {
        Control &c = at(control);
        const bool changed = c.on != on;
        c.on = on;
        if (changed && c.kind == ControlKind::CheckBox)
            runOnCodeChange(control);
    }
    int position(const char *trackBar) const override { return at(trackBar).position; }
    void setPosition(const char *trackBar, int position) override
    {
        Control &c = at(trackBar);
        position = std::clamp(position, int(c.min), int(c.max));
        const bool changed = c.position != position;
        c.position = position;
        if (changed)
            runOnCodeChange(trackBar);
    }
    void setPercentText(const char *edit, double p) override { percent[edit] = p; }
    void setVisible(const char *control, bool visible) override { at(control).visible = visible; }
    void setEnabled(const char *control, bool enabled) override { at(control).enabled = enabled; }
    void setLambdaRange(double min, double max) override
    {
        lambdaMin = min;
        lambdaMax = max;
    }
    RpmAxisTexts rpmAxisTexts() const override { return maps::axisTexts(m_image, At57600, QLatin1Char('.')).rpm; }
    ImageWrites reencodeRpmAxis(ParameterImage &image, const RpmAxisTexts &texts) override
    {
        ImageWrites out;
        for (const maps::Write &w : maps::reencodeRpmAxis(image, texts, At57600).writes)
            out.push_back(ImageWrite::word(w.index));
        return out;
    }

private:
    void runOnCodeChange(const char *control)
    {
        const SettingsControl *c = settingsControl(control);
        if (c && c->runsOnCodeChange)
            writeBack->run(control, Trigger::Change);
    }
    const ParameterImage &m_image;
    std::map<std::string, Control> m_controls;
};

class Silent : public ConnectionView {
public:
    void setCaption(const std::string &) override { }
    void showMessage(const std::string &) override { }
    void setProgress(int, int) override { }
    void showImage() override { }
};

std::uint16_t speed(const ParameterImage &image, std::uint32_t rpm)
{
    return static_cast<std::uint16_t>(RpmToTicks(rpm, image.byte(125), image.bits(545, 0, 2), At57600));
}
} // namespace

class TstWriteBack : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedSerial> line;
    std::unique_ptr<test::FakeEcu> ecu;
    std::unique_ptr<ControllerSession> session;
    std::unique_ptr<FakeControls> controls;
    std::unique_ptr<SettingsWriteBack> wb;

    ParameterImage &image() { return session->image; }
    ParameterImage shownFrom; // the image as read, before it was shown

    // The simulator's factory image (4 cylinders, "0-14V"), changed by `tweak`, read from the
    // scripted controller and shown; the line's log starts empty after it.
    void start(const std::function<void(ImageBytes &)> &tweak = {}, bool connect = true)
    {
        ecu->image = sim::factoryImage(57600);
        if (tweak)
            tweak(ecu->image);
        if (connect) {
            Silent view;
            QCOMPARE(session->connection.autoconnect(view).result, ScanResult::Found);
        } else {
            session->image.bytes = ecu->image;
        }
        // Showing the image sends nothing: every test starts from an empty log after the read.
        line->clearLog();
        shownFrom = session->image;
        wb->ShowImage(session->conn.HardwareRevision, session->conn.SoftwareRevision);
    }

    // The image frames sent since the log was cleared: "b<offset>=<byte>" and "w<index>=<word>".
    QStringList sent() const
    {
        QStringList out;
        for (const auto &w : line->written()) {
            if (const auto f = parseWriteFrame(w.bytes))
                out << QStringLiteral("%1%2=%3").arg(f->word ? 'w' : 'b').arg(f->index).arg(f->value);
        }
        return out;
    }
    // Compares the frames with the expected ones; an expected frame without "=" matches any value.
    void expectFrames(const QStringList &expected)
    {
        const QStringList actual = sent();
        bool same = actual.size() == expected.size();
        for (qsizetype i = 0; same && i < actual.size(); ++i)
            same = expected[i].contains(QLatin1Char('=')) ? actual[i] == expected[i]
                                                          : actual[i].section(QLatin1Char('='), 0, 0) == expected[i];
        if (!same)
            QFAIL(qPrintable(QStringLiteral("frames\n  sent     %1\n  expected %2")
                                 .arg(actual.join(QLatin1Char(' ')), expected.join(QLatin1Char(' ')))));
        // The controller holds what the PC holds.
        QVERIFY(std::equal(ecu->image.begin(), ecu->image.end(), image().bytes.begin()));
    }
    static QStringList words(int from, int to)
    {
        QStringList out;
        for (int i = from; i <= to; ++i)
            out << QStringLiteral("w%1").arg(i);
        return out;
    }

private slots:
    void init()
    {
        line = std::make_unique<ScriptedSerial>();
        ecu = std::make_unique<test::FakeEcu>();
        ecu->applyWrites = true;
        session = std::make_unique<ControllerSession>(*line);
        session->ports.map(3, Device);
        line->addDevice(Device, ecu->responder());
        controls = std::make_unique<FakeControls>(session->image);
        wb = std::make_unique<SettingsWriteBack>(*session, *controls);
        controls->writeBack = wb.get();
    }
    void cleanup()
    {
        wb.reset();
        controls.reset();
        session.reset();
        ecu.reset();
        line.reset();
    }

    // --- The common shapes ---------------------------------------------------------------------

    void oneControlOneField_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("kind"); // item, number, click
        QTest::addColumn<double>("value");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("injector count") << "ComboBoxInjNum"
                                        << "item" << 6.0 << QStringList { "b133=6" };
        QTest::newRow("switch temperature 70") << "ComboBoxTempSw"
                                               << "item" << 55.0 << QStringList { "b23=70" };
        QTest::newRow("relay") << "ComboBoxExtRelay"
                               << "item" << 14.0 << QStringList { "b150=14" };
        QTest::newRow("errors beep") << "ComboBoxErrorsBeep"
                                     << "item" << 3.0 << QStringList { "w238=3" };
        QTest::newRow("switch filter 3,0") << "ComboBoxDifPenEm28"
                                           << "item" << 15.0 << QStringList { "w362=3000" };
        QTest::newRow("return time 12") << "ComboBoxPowrotZminRpmTime"
                                        << "item" << 12.0 << QStringList { "w236=120" };
        QTest::newRow("hold value 200") << "ComboBoxOBDholdValue"
                                        << "item" << 200.0 << QStringList { "b432=200" };
        QTest::newRow("min.inj 1.5 ms") << "AbNumSpinMinInj"
                                        << "number" << 1.5 << QStringList { "w171=340" };
        QTest::newRow("hold 35 %") << "AbNumSpinHold"
                                   << "number" << 35.0 << QStringList { "w172=18" };
        // No 4095 limit for a typed level: 5 V stores 4096.
        QTest::newRow("level E 5 V") << "AbNumSpinE"
                                     << "number" << 5.0 << QStringList { "w187=4096" };
        QTest::newRow("level 3/4 0.12 V") << "AbNumSpin34"
                                          << "number" << 0.12 << QStringList { "w190=98" };
        QTest::newRow("cylinder time with its quarter") << "AbNumSpinCylinderTime"
                                                        << "number" << 0.75 << QStringList { "w196=75", "w221=18" };
        QTest::newRow("idle correction -0.1 ms") << "AbNumSpinOffsetGlowny"
                                                 << "number" << -0.1 << QStringList { "w157=65514" };
        QTest::newRow("main enrichment 4 %") << "AbNumSpinWzbogacenieGlowne"
                                             << "number" << 4.0 << QStringList { "w170=1040" };
        QTest::newRow("work pressure 0.3 bar") << "AbNumSpinCisnieniePracy"
                                               << "number" << 0.3 << QStringList { "w178=300" };
        QTest::newRow("cylinder 3 offset") << "AbNumSpinDiagOffsetIn3"
                                           << "number" << 0.5 << QStringList { "w224=113" };
        QTest::newRow("on delay 2.3 s") << "AbNumSpinOnDelay"
                                        << "number" << 2.3 << QStringList { "w168=23" };
        QTest::newRow("heat temperature") << "AbNumSpinAdvTempHeat"
                                          << "number" << 45.0 << QStringList { "b25=45" };
        QTest::newRow("heat time 120 s") << "AbNumSpinAdvHeatT"
                                         << "number" << 120.0 << QStringList { "w197=1200" };
        QTest::newRow("negative sensor") << "CheckBoxLevelSensorNegativ"
                                         << "click" << 0.0 << QStringList { "w270" };
        QTest::newRow("injector heating") << "AbToggleSwitchInjHeat"
                                          << "click" << 0.0 << QStringList { "w270" };
        QTest::newRow("mazda group") << "AbToggleSwitchAdv7"
                                     << "click" << 0.0 << QStringList { "w272" };
        QTest::newRow("beep on error") << "CheckBoxBeepWhenError"
                                       << "click" << 0.0 << QStringList { "w274" };
        QTest::newRow("min rpm off") << "ComboBoxMinRpm"
                                     << "item" << 0.0 << QStringList { "w183=0", "w270" };
        QTest::newRow("max rpm 2000") << "ComboBoxMaxRpm"
                                      << "item" << 1.0 << QStringList { "w182", "w270" };
        QTest::newRow("heat mode NORMAL+LOW1") << "ComboBoxHeatMode"
                                               << "item" << 1.0 << QStringList { "w272", "w358=0" };
        QTest::newRow("heat mode NORMAL+LOW2") << "ComboBoxHeatMode"
                                               << "item" << 2.0 << QStringList { "w272", "w358=5760" };
        QTest::newRow("valvetronic on") << "CheckBoxValvetronic"
                                        << "click" << 0.0
                                        << QStringList { "w271", "w270", "b577=0", "b576=0", "b575=0", "b574=0",
                                               "b573=0", "b572=0", "b571=0", "b570=0" };
        QTest::newRow("obd") << "ComboBoxObd"
                             << "item" << 0.0 << QStringList { "w270" };
        QTest::newRow("fast cut-off") << "ComboBoxFastCutOff"
                                      << "item" << 1.0 << QStringList { "w274" };
        QTest::newRow("blow pressure") << "ComboBoxBlowPressure"
                                       << "item" << 1.0 << QStringList { "w272" };
        QTest::newRow("gas auto on") << "ComboBoxGazAutoOn"
                                     << "item" << 0.0 << QStringList { "w270" };
    }
    void oneControlOneField()
    {
        QFETCH(QString, control);
        QFETCH(QString, kind);
        QFETCH(double, value);
        QFETCH(QStringList, frames);
        start();
        const QByteArray name = control.toLatin1();
        if (kind == QLatin1String("item"))
            controls->choose(name.constData(), static_cast<int>(value));
        else if (kind == QLatin1String("number"))
            controls->enter(name.constData(), value);
        else
            controls->click(name.constData());
        expectFrames(frames);
    }

    void turboSendsOnlyItsWordWithItsBit()
    {
        start([](ImageBytes &im) { im[542] = 0x5A, im[543] = 0x81; });
        controls->choose("ComboBoxTurbo", 1);
        expectFrames({ QStringLiteral("w271=%1").arg(0xA1 << 8 | 0x5A) });
    }

    void aFlagWordCarriesItsNeighbourByte()
    {
        start([](ImageBytes &im) { im[540] = 0xB4, im[541] = 0x01; });
        controls->choose("ComboBoxGazAutoOn", 1);
        expectFrames({ QStringLiteral("w270=%1").arg(0x11 << 8 | 0xB4) });
    }

    // --- Engine type and speed signal -------------------------------------------------------

    void signalFrom12VToInjReencodesEverySpeedInOrder()
    {
        start([](ImageBytes &im) { im[545] &= 0xFC; }); // "12V"
        controls->choose("ComboBoxRpmSignal", 2);
        // Every period written again for the injector signal: switch speed 1500, max and min
        // "off", the Mazda minimum 1200 and the eight axis speeds 1000 to 7000.
        expectFrames(QStringList { "w272", "w237=2", "b125=3", "w181=36363", "w182=0", "w270", "w183=0", "w270",
            "w203=45454", "w245=54545", "w246=36363", "w247=27272", "w248=18181", "w249=13636", "w250=10909",
            "w251=9090", "w252=7792" });
        QCOMPARE(image().bits(545, 0, 2), 2u);
        QCOMPARE(controls->item("ComboBoxRpmSw"), 10);
        QCOMPARE(controls->number("AbNumSpinMinRpm").value, 1200.0);
        QVERIFY(!controls->at("AbNumSpinRpmSignalV").visible);
        controls->choose("ComboBoxRpmSignal", 1);
        QVERIFY(controls->at("AbNumSpinRpmSignalV").visible);
    }

    void leavingTheSignalBoxUnchangedSendsTheWholeCascade()
    {
        start();
        const ParameterImage before = image();
        controls->leave("ComboBoxRpmSignal");
        expectFrames(QStringList { "w272", "w237=2", "b125=3", "w181", "w182", "w270", "w183", "w270", "w203" }
            + words(245, 252));
        // Nothing changed but the request word.
        ParameterImage expected = before;
        expected.setWordAt(237, 2);
        QVERIFY(image().bytes == expected.bytes);
    }

    // A second low heating pulse keeps its 1200 rpm under the new engine type, sent last.
    void theSecondLowPulseFollowsTheEngineType()
    {
        start([](ImageBytes &im) { im[716] = 5760 & 0xFF, im[717] = 5760 >> 8; });
        QCOMPARE(controls->item("ComboBoxHeatMode"), 2);
        controls->choose("ComboBoxRpmSet", 5); // "6 cylinders"
        const QStringList frames = sent();
        QCOMPARE(frames.first(), QStringLiteral("b125=5"));
        QCOMPARE(frames.last(), QStringLiteral("w358=%1").arg(speed(image(), 1200)));
        QCOMPARE(TicksToRpm(image().word(716), 5, 1, At57600), 1200u);
        expectFrames(frames);
    }

    void speedsTooLowForSixteenBitsStoreTheLongestPeriod()
    {
        start([](ImageBytes &im) { im[125] = 0, im[545] &= 0xFC; }); // "1 coil", "12V"
        controls->choose("ComboBoxMinRpm", 1); // 400 rpm needs 69124 ticks
        expectFrames({ "w183=65535", "w270" });
        QVERIFY(image().bit(541, 2));
        // The combo box shows what the controller reads: the lowest speed, no item of its list.
        QCOMPARE(controls->item("ComboBoxMinRpm"), -1);
        // Leaving it now stores and sends nothing.
        controls->leave("ComboBoxMinRpm");
        expectFrames({ "w183=65535", "w270" });
    }

    void switchSpeedShowsTheSpeedReadBack()
    {
        start();
        controls->choose("ComboBoxRpmSw", 15);
        expectFrames({ QStringLiteral("w181=%1").arg(speed(image(), 2000)) });
        QCOMPARE(controls->item("ComboBoxRpmSw"), 15);
    }

    void mazdaEditsShowWhatTheControllerUses()
    {
        start();
        controls->enter("AbNumSpinMazdaMinInj", 3.2);
        controls->enter("AbNumSpinMinRpm", 1250);
        expectFrames({ "w204=727", QStringLiteral("w203=%1").arg(speed(image(), 1250)) });
        QCOMPARE(controls->number("AbNumSpinMazdaMinInj").value, double(TicksToMs(727, 1, At57600)));
        QVERIFY(!controls->number("AbNumSpinMazdaMinInj").edited);
        QCOMPARE(controls->number("AbNumSpinMinRpm").value, 1250.0);
    }

    void signalLevelOnlyForTheZeroTo14VSource()
    {
        start(); // "0-14V"
        controls->enter("AbNumSpinRpmSignalV", 5.0);
        expectFrames({ "w363=1280" });
        controls->choose("ComboBoxRpmSignal", 0);
        line->clearLog();
        controls->enter("AbNumSpinRpmSignalV", 6.0);
        QVERIFY(sent().isEmpty());
    }

    // --- Presets ------------------------------------------------------------------------------

    void injectorPresetOnlyOnTheFittersChoice()
    {
        start();
        controls->choose("ComboBoxInjTyp", 7); // "MAGIC JET"
        expectFrames({ "b131=7", "w171=409", "w173=954", "w172=18" });
        QCOMPARE(controls->number("AbNumSpinMinInj").value, 1.8);
        QCOMPARE(controls->number("AbNumSpinPeak").value, 4.2);
        QCOMPARE(controls->number("AbNumSpinHold").value, 36.0);
        // The fitter tunes the minimum time, then passes through the injector box.
        controls->enter("AbNumSpinMinInj", 2.0);
        line->clearLog();
        controls->leave("ComboBoxInjTyp");
        expectFrames({ "b131=7" });
        QCOMPARE(image().word(342), std::uint16_t(454));
        QCOMPARE(controls->number("AbNumSpinMinInj").value, 2.0);
        // "..." applies nothing; the three times go out as they are.
        line->clearLog();
        controls->choose("ComboBoxInjTyp", 0);
        expectFrames({ "b131=0", "w171=454", "w173=954", "w172=18" });
    }

    void levelPresetDrivesTheCheckBoxes()
    {
        start(); // "0-20k": 540.4 set (not negative), 540.2 clear
        QVERIFY(!controls->isOn("CheckBoxLevelSensorNegativ"));
        QVERIFY(!controls->isOn("CheckBoxWskaznikZasilany"));
        controls->choose("ComboBoxLevSensor", 6); // "Hall 5-0V"
        // Each check box that changes sends word 270 itself, then the preset goes out.
        expectFrames(
            { "b130=6", "w270", "w270", "b130=6", "w270", "w187=3440", "w188=3276", "w189=2867", "w190=2048" });
        QVERIFY(!image().bit(540, 4));
        QVERIFY(image().bit(540, 2));
        QVERIFY(controls->isOn("CheckBoxLevelSensorNegativ"));
        QVERIFY(controls->isOn("CheckBoxWskaznikZasilany"));
        QCOMPARE(controls->number("AbNumSpinE").value, 4.2);
        // The same preset again: nothing changes on the boxes, one word 270.
        line->clearLog();
        controls->choose("ComboBoxLevSensor", 6);
        expectFrames({ "b130=6", "b130=6", "w270", "w187=3440", "w188=3276", "w189=2867", "w190=2048" });
        // Leaving the box keeps the points the fitter tuned.
        controls->enter("AbNumSpinE", 4.0);
        line->clearLog();
        controls->leave("ComboBoxLevSensor");
        expectFrames({ "b130=6" });
        QCOMPARE(image().word(374), std::uint16_t(3276));
    }

    void levelPointsOfAPresetNeverExceed4095()
    {
        start();
        controls->enter("AbNumSpinE", 5.0); // 4096, allowed when typed
        line->clearLog();
        controls->choose("ComboBoxLevSensor", 0); // "...": the points as they are, limited
        expectFrames({ "b130=0", "b130=0", "w270", "w187=4095", "w188", "w189", "w190" });
    }

    void accelerateEnrichmentOnStartsAt100()
    {
        start([](ImageBytes &im) { im[549] &= 0xFE; });
        controls->choose("ComboBoxAccRich", 1);
        expectFrames({ "w364=1000", "w274" });
        QCOMPARE(controls->position("TrackBarAccelEnrich"), 100);
        // Tuned by the buttons, then the box is left: the tuning stays.
        wb->step(*findField(QStringLiteral("AccelEnrich")), 1);
        line->clearLog();
        controls->leave("ComboBoxAccRich");
        expectFrames({ "w274" });
        QCOMPARE(image().word(728), std::uint16_t(1010));
        line->clearLog();
        controls->choose("ComboBoxAccRich", 0);
        expectFrames({ "w274" });
        QVERIFY(!image().bit(549, 0));
    }

    void trackBarButtonsStopAtTheEnds()
    {
        start([](ImageBytes &im) { im[728] = 2500 & 0xFF, im[729] = 2500 >> 8, im[350] = 0, im[351] = 0; });
        QCOMPARE(controls->position("TrackBarAccelEnrich"), 250);
        wb->step(*findField(QStringLiteral("AccelEnrich")), 1);
        wb->step(*findField(QStringLiteral("ExtraInj")), -1);
        wb->step(*findField(QStringLiteral("ExtraInj")), 1);
        expectFrames({ "w364=2500", "w175=0", "w175=10" });
        QCOMPARE(controls->position("TrackBarAccelEnrich"), 250);
    }

    void propaneStartSetsTheBackDelay()
    {
        start();
        controls->click("CheckBoxGazStart");
        expectFrames({ "w272", "w185=10" });
        QCOMPARE(controls->number("AbNumSpinOffDelay").value, 0.1);
        line->clearLog();
        controls->click("CheckBoxGazStart");
        expectFrames({ "w272" });
    }

    void backToPropaneShowsItsTime()
    {
        start([](ImageBytes &im) { im[472] = 0, im[473] = 0; });
        QVERIFY(!controls->at("ComboBoxPowrotZminRpmTime").visible);
        controls->choose("ComboBoxPowrotZminRpm", 1);
        expectFrames({ "w274", "w236=1" });
        for (const char *c : { "ComboBoxPowrotZminRpmTime", "LabelCzasPowrotuG", "LabelCzasPowrotuG2" })
            QVERIFY(controls->at(c).visible);
        QCOMPARE(controls->item("ComboBoxPowrotZminRpmTime"), 0);
        // Leaving the box repeats it: the time is no longer 0.
        line->clearLog();
        controls->leave("ComboBoxPowrotZminRpm");
        expectFrames({ "w274" });
        controls->choose("ComboBoxPowrotZminRpm", 0);
        QVERIFY(!controls->at("LabelCzasPowrotuG2").visible);
    }

    void brightnessVolumeAndSilence()
    {
        start();
        controls->setPosition("TrackBarSwitchBright", 2);
        controls->setPosition("TrackBarBeepTime", 1);
        controls->click("CheckBoxSilentMode");
        expectFrames({ "b146=55", "b147=1", "b145=3", "w271" });
        QVERIFY(qAbs(controls->percent["EditSwitchBright"] - 55 * 100.0 / 255) < 1e-9);
        QVERIFY(qAbs(controls->percent["EditBeepTime"] - 10.0) < 1e-9);
        for (const char *c : { "CheckBoxBeepWhenGazOn", "CheckBoxBeepWhenSwClick", "CheckBoxBeepWhenError" })
            QVERIFY(!controls->at(c).enabled);
    }

    void lambdaTypeSetsTheBarRanges()
    {
        start();
        controls->choose("ComboBoxLambdaTyp", 3);
        expectFrames({ "b139=3" });
        QCOMPARE(controls->lambdaMin, 0.6);
        QCOMPARE(controls->lambdaMax, 1.8);
    }

    // --- Focus rules ----------------------------------------------------------------------------

    void leavingAnUneditedSpinSendsWhatTheControllerHas()
    {
        start([](ImageBytes &im) { im[340] = 995 & 0xFF, im[341] = 995 >> 8; }); // shows 0 %
        controls->leave("AbNumSpinWzbogacenieGlowne");
        expectFrames({ "w170=995" });
    }

    void aComboBoxWithoutSelectionStoresNothing()
    {
        start([](ImageBytes &im) { im[23] = 10; }); // shown as an empty text
        QCOMPARE(controls->item("ComboBoxTempSw"), -1);
        const ParameterImage before = image();
        for (const char *c : { "ComboBoxTempSw", "ComboBoxInjTyp", "ComboBoxRpmSet", "ComboBoxRpmSignal" }) {
            controls->setItem(c, -1);
            controls->leave(c);
            wb->run(c, Trigger::Change);
        }
        QVERIFY(sent().isEmpty());
        QVERIFY(image().bytes == before.bytes);
    }

    void withoutAControllerOnlyTheImageChanges()
    {
        start({}, false);
        controls->choose("ComboBoxInjTyp", 7);
        QVERIFY(line->written().empty());
        QCOMPARE(image().byte(131), std::uint8_t(7));
        QCOMPARE(image().word(342), std::uint16_t(409));
    }

    // --- Image to controls ----------------------------------------------------------------------

    void showingAnImageNeverWritesOrChangesIt_data()
    {
        QTest::addColumn<int>("heatLow2");
        QTest::addColumn<bool>("low1");
        QTest::addColumn<int>("heatItem");
        QTest::newRow("65500, first clear") << 65500 << false << 0;
        QTest::newRow("0, first clear") << 0 << false << 0;
        QTest::newRow("0, first set") << 0 << true << 1;
        QTest::newRow("1200 rpm, first clear") << 5760 << false << 2;
        QTest::newRow("1200 rpm, first set") << 5760 << true << 3;
    }
    void showingAnImageNeverWritesOrChangesIt()
    {
        QFETCH(int, heatLow2);
        QFETCH(bool, low1);
        QFETCH(int, heatItem);
        // Propane start, brightness and volume away from the controls' start values, silent mode:
        // the controls change, their write-backs do not run.
        start([&](ImageBytes &im) {
            im[544] |= 0x20;
            im[146] = 130;
            im[145] = 6;
            im[542] |= 0x10;
            im[716] = static_cast<std::uint8_t>(heatLow2 & 0xFF);
            im[717] = static_cast<std::uint8_t>(heatLow2 >> 8);
            im[545] = static_cast<std::uint8_t>((im[545] & ~0x08) | (low1 ? 0x08 : 0));
        });
        QVERIFY(line->written().empty());
        QVERIFY(image().bytes == shownFrom.bytes);
        QCOMPARE(controls->item("ComboBoxHeatMode"), heatItem);
        QVERIFY(controls->isOn("CheckBoxGazStart"));
        QCOMPARE(controls->number("AbNumSpinOffDelay").value, 0.3); // as stored, not 0.1
        QCOMPARE(controls->position("TrackBarSwitchBright"), 5);
        QCOMPARE(controls->position("TrackBarBeepTime"), 2);
        QVERIFY(qAbs(controls->percent["EditSwitchBright"] - 130 * 100.0 / 255) < 1e-9);
        QVERIFY(qAbs(controls->percent["EditBeepTime"] - 20.0) < 1e-9);
        QVERIFY(!controls->at("CheckBoxBeepWhenGazOn").enabled);
        // A file saved now holds the second pulse as read.
        QCOMPARE(int(image().word(716)), heatLow2);
    }

    void featuresByRevision_data()
    {
        QTest::addColumn<int>("hw");
        QTest::addColumn<int>("sw");
        QTest::newRow("hw 1, sw 2") << 1 << 2;
        QTest::newRow("hw 2, sw 3") << 2 << 3;
    }
    void featuresByRevision()
    {
        QFETCH(int, hw);
        QFETCH(int, sw);
        ecu->hw = static_cast<std::uint8_t>(hw);
        ecu->sw = static_cast<std::uint8_t>(sw);
        start([](ImageBytes &im) { im[544] |= 0x01; });
        QCOMPARE(controls->at("TabSheetOBD").enabled, hw >= 2);
        QCOMPARE(controls->at("ComboBoxBlowPressure").enabled, sw >= 3);
        // Shown whether or not it may be changed.
        QCOMPARE(controls->item("ComboBoxBlowPressure"), 1);
        // Nothing is disabled again by an older controller.
        wb->ShowImage(1, 2);
        QCOMPARE(controls->at("TabSheetOBD").enabled, hw >= 2);
    }

    void decodeEdges_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("combo");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::newRow("switch filter below 1500") << 724 << 0 << "ComboBoxDifPenEm28" << -1 << " ";
        QTest::newRow("switch filter 2500") << 724 << 2500 << "ComboBoxDifPenEm28" << 10 << "";
        QTest::newRow("switch temperature 10") << 23 << 10 << "ComboBoxTempSw" << -1 << "";
        QTest::newRow("switch temperature 70") << 23 << 70 << "ComboBoxTempSw" << 55 << "";
        QTest::newRow("return time 0") << 472 << 0 << "ComboBoxPowrotZminRpmTime" << -1 << "";
        QTest::newRow("max rpm 1500 rpm") << 364 << 4608 << "ComboBoxMaxRpm" << -1 << "";
        QTest::newRow("max rpm 2000 rpm") << 364 << 3456 << "ComboBoxMaxRpm" << 1 << "";
        QTest::newRow("switch speed 0 rpm") << 362 << 65500 << "ComboBoxRpmSw" << 0 << "";
        QTest::newRow("switch speed very high") << 362 << 0 << "ComboBoxRpmSw" << 15 << "";
    }
    void decodeEdges()
    {
        QFETCH(int, offset);
        QFETCH(int, word);
        QFETCH(QString, combo);
        QFETCH(int, item);
        QFETCH(QString, text);
        start([&](ImageBytes &im) {
            im[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(word & 0xFF);
            if (offset != 23)
                im[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(word >> 8);
        });
        const QByteArray name = combo.toLatin1();
        QCOMPARE(controls->item(name.constData()), item);
        QCOMPARE(controls->at(name.constData()).text, text);
    }

    void lambdaRangesByType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::newRow("n/c") << 0 << 0.0 << 0.0;
        QTest::newRow("0-1V") << 1 << 0.0 << 1.2;
        QTest::newRow("0-5V") << 2 << 0.0 << 5.0;
        QTest::newRow("0.8-1.6V") << 3 << 0.6 << 1.8;
        QTest::newRow("unknown keeps") << 9 << -1.0 << -1.0;
    }
    void lambdaRangesByType()
    {
        QFETCH(int, type);
        QFETCH(double, min);
        QFETCH(double, max);
        start([&](ImageBytes &im) { im[139] = static_cast<std::uint8_t>(type); });
        QCOMPARE(controls->lambdaMin, min);
        QCOMPARE(controls->lambdaMax, max);
    }
};

QTEST_MAIN(TstWriteBack)
#include "tst_writeback.moc"
