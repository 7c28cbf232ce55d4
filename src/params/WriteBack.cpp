#include "WriteBack.h"

#include "Conversions.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace kelvane {

namespace {

constexpr std::uint32_t HeatLow2Speed = 1200; // rpm of the second low heating pulse
constexpr int LevelMaxCounts = 4095; // a level preset never stores more

const FieldDef &fieldNamed(const char *name)
{
    const FieldDef *f = findField(QLatin1String(name));
    if (!f)
        qFatal("the field table has no row %s", name);
    return *f;
}

void append(ImageWrites &to, const ImageWrites &from)
{
    to.insert(to.end(), from.begin(), from.end());
}

ImageWrite writeOf(const FieldDef &f)
{
    return f.send == SendKind::Byte ? ImageWrite::byte(f.sendIndex) : ImageWrite::word(f.sendIndex);
}

void setFlag(ParameterImage &image, const FieldDef &f, bool on)
{
    image.setBit(f.offset, f.bitNo, on);
}

// Injector presets of ComboBoxInjTyp, items 1 to 17: minimum time and peak in ms, hold in percent.
struct InjectorPreset {
    double minInj;
    double peak;
    double hold;
};
constexpr InjectorPreset InjectorPresets[] = {
    { 1.2, 4.0, 35 }, // H2000 black
    { 1.3, 4.1, 35 }, // H2000 red
    { 1.4, 4.2, 35 }, // H2000 green
    { 1.5, 4.3, 36 }, // H2100 red
    { 1.6, 4.4, 36 }, // H2100 green
    { 1.9, 4.5, 38 }, // OMVL
    { 1.8, 4.2, 36 }, // MAGIC JET
    { 1.7, 4.0, 37 }, // VALTEK T34
    { 2.4, 4.6, 38 }, // RAIL/VALTEK T30 3ohm
    { 2.3, 4.5, 37 }, // RAIL/VALTEK T30 2ohm
    { 2.2, 4.4, 36 }, // RAIL/VALTEK T30 1ohm
    { 1.8, 4.0, 36 }, // RAIL HORIZON 2 ohm
    { 1.9, 4.2, 37 }, // RAIL HORIZON 2.8 ohm
    { 2.0, 4.0, 36 }, // AEB I-PLUS
    { 1.3, 3.8, 38 }, // MATRIX
    { 1.2, 3.7, 36 }, // KEIHIN
    { 1.6, 4.2, 38 }, // TARTARINI EVO
};

// Level sensor presets of ComboBoxLevSensor, items 1 to 6: the voltages at E, 1/4, 2/4 and 3/4,
// bit 540.4 (sensor not negative) and bit 540.2 (valve powered).
struct LevelPreset {
    double volts[4];
    bool positive;
    bool powered;
};
constexpr LevelPreset LevelPresets[] = {
    { { 0.12, 0.22, 0.3, 0.35 }, true, false }, // 0-90
    { { 0.35, 0.3, 0.22, 0.12 }, false, false }, // 90-0
    { { 2.0, 2.6, 3.0, 4.3 }, true, false }, // 0-20k
    { { 4.3, 3.0, 2.6, 2.0 }, false, false }, // 20k-0
    { { 2.5, 3.5, 4.0, 4.2 }, true, true }, // Hall 0-5V
    { { 4.2, 4.0, 3.5, 2.5 }, false, true }, // Hall 5-0V
};
constexpr const char *LevelFields[4] = { "LevelE", "Level14", "Level24", "Level34" };

// Display range of the lambda bars by probe type; false for a type without one.
bool lambdaRange(int type, double &min, double &max)
{
    switch (type) {
    case 0:
        min = 0, max = 0;
        return true;
    case 1:
        min = 0, max = 1.2;
        return true;
    case 2:
        min = 0, max = 5;
        return true;
    case 3:
        min = 0.6, max = 1.8;
        return true;
    default:
        return false;
    }
}

constexpr const char *BeepBoxes[3] = { "CheckBoxBeepWhenGazOn", "CheckBoxBeepWhenSwClick", "CheckBoxBeepWhenError" };
constexpr const char *ReturnTimeControls[3]
    = { "ComboBoxPowrotZminRpmTime", "LabelCzasPowrotuG", "LabelCzasPowrotuG2" };

} // namespace

int heatModeItem(const ParameterImage &image)
{
    const FieldDef &low1 = fieldNamed("HeatLow1");
    const FieldDef &low2 = fieldNamed("HeatLow2Rpm");
    return (image.bit(low1.offset, low1.bitNo) ? 1 : 0) + (secondLowPulseOn(image.word(low2.offset)) ? 2 : 0);
}

std::uint16_t speedWord(const ParameterImage &image, std::uint32_t rpm, const TimeBases &tb)
{
    const std::int32_t ticks = RpmToTicks(rpm, engineType(image), rpmSignal(image), tb);
    return static_cast<std::uint16_t>(std::clamp<std::int32_t>(ticks, 0, 65535));
}

const std::vector<SettingsControl> &settingsControls()
{
    using S = SettingsWriteBack;
    // repeatsOnFocusOut: every spin edit and every combo box but ComboBoxExtRelay,
    // ComboBoxDifPenEm28 and ComboBoxGazAutoOn. runsOnCodeChange: check boxes and the two track
    // bars of "8.Extras".
    static const std::vector<SettingsControl> table {
        { "ComboBoxRpmSet", &S::WriteRpmSet, true, false },
        { "ComboBoxRpmSignal", &S::WriteRpmSignal, true, false },
        { "AbNumSpinRpmSignalV", &S::WriteRpmSignalV, true, false },
        { "ComboBoxTurbo", &S::WriteTurbo, true, false },
        { "ComboBoxInjNum", &S::WriteInjNum, true, false },
        { "ComboBoxLambdaTyp", &S::WriteLambdaTyp, true, false },
        { "ComboBoxInjTyp", &S::WriteInjTyp, true, false },
        { "AbNumSpinMinInj", &S::WriteMinInj, true, false },
        { "AbNumSpinPeak", &S::WritePeak, true, false },
        { "AbNumSpinHold", &S::WriteHold, true, false },
        { "ComboBoxLevSensor", &S::WriteLevSensor, true, false },
        { "AbNumSpinE", &S::WriteLevelE, true, false },
        { "AbNumSpin14", &S::WriteLevel14, true, false },
        { "AbNumSpin24", &S::WriteLevel24, true, false },
        { "AbNumSpin34", &S::WriteLevel34, true, false },
        { "CheckBoxLevelSensorNegativ", &S::WriteLevelSensorNegativ, false, true },
        { "AbNumSpinRezRef", &S::WriteRezRef, true, false },
        { "CheckBoxWskaznikZasilany", &S::WriteWskaznikZasilany, false, true },
        { "ComboBoxRpmSw", &S::WriteRpmSw, true, false },
        { "ComboBoxTempSw", &S::WriteTempSw, true, false },
        { "AbNumSpinOnDelay", &S::WriteOnDelay, true, false },
        { "AbNumSpinCylinderTime", &S::WriteCylinderTime, true, false },
        { "AbNumSpinOffPres", &S::WriteOffPres, true, false },
        { "ComboBoxMinRpm", &S::WriteMinRpm, true, false },
        { "ComboBoxMaxRpm", &S::WriteMaxRpm, true, false },
        { "AbNumSpinOffDelay", &S::WriteOffDelay, true, false },
        { "ComboBoxPowrotZminRpm", &S::WritePowrotZminRpm, true, false },
        { "ComboBoxPowrotZminRpmTime", &S::WritePowrotZminRpmTime, true, false },
        { "CheckBoxValvetronic", &S::WriteValvetronic, false, true },
        // The fitter moving these two track bars writes as their buttons do; code moving them
        // (the buttons, a preset, the decode) runs nothing.
        { "TrackBarExtraInj", &S::WriteExtraInj, false, false },
        { "TrackBarAccelEnrich", &S::WriteAccelEnrich, false, false },
        { "ComboBoxAccRich", &S::WriteAccRich, true, false },

        { "ComboBoxTGsensor", &S::WriteTGsensor, true, false },
        { "ComboBoxTRsensor", &S::WriteTRsensor, true, false },
        { "ComboBoxPresSensor", &S::WritePresSensor, true, false },
        { "ComboBoxMAPSensType", &S::WriteMAPSensType, true, false },
        { "AbToggleSwitchTempCorProp", &S::WriteTempCorProp, false, false },
        { "AbToggleSwitchTempCorRed", &S::WriteTempCorRed, false, false },
        { "ComboBoxExtRelay", &S::WriteExtRelay, false, false },
        { "AbToggleSwitchInjHeat", &S::WriteInjHeat, false, false },
        { "AbNumSpinAdvTempHeat", &S::WriteAdvTempHeat, true, false },
        { "AbNumSpinAdvHeatT", &S::WriteAdvHeatT, true, false },
        { "AbNumSpinAdvHeatNornal", &S::WriteAdvHeatNornal, true, false },
        { "AbNumSpinAdvHeatLow", &S::WriteAdvHeatLow, true, false },
        { "ComboBoxHeatMode", &S::WriteHeatMode, true, false },
        { "AbToggleSwitchAdv7", &S::WriteAdv7, false, false },
        { "AbNumSpinMazdaMinInj", &S::WriteMazdaMinInj, true, false },
        { "AbNumSpinMazdaMaxInj", &S::WriteMazdaMaxInj, true, false },
        { "AbNumSpinMinRpm", &S::WriteMazdaMinRpm, true, false },
        { "AbNumSpinFilterStep", &S::WriteFilterStep, true, false },
        { "ComboBoxDifPenEm28", &S::WriteDifPenEm28, false, false },
        { "CheckBoxGazStart", &S::WriteGazStart, false, true },
        { "TrackBarSwitchBright", &S::WriteSwitchBright, false, true },
        { "TrackBarBeepTime", &S::WriteBeepTime, false, true },
        { "CheckBoxSilentMode", &S::WriteSilentMode, false, true },
        { "CheckBoxBeepWhenGazOn", &S::WriteBeepWhenGazOn, false, true },
        { "CheckBoxBeepWhenSwClick", &S::WriteBeepWhenSwClick, false, true },
        { "CheckBoxBeepWhenError", &S::WriteBeepWhenError, false, true },
        { "ComboBoxBeepsWhenEmpty", &S::WriteBeepsWhenEmpty, true, false },
        { "ComboBoxErrorsBeep", &S::WriteErrorsBeep, true, false },

        { "AbNumSpinWzbogacenieGlowne", &S::WriteWzbogacenieGlowne, true, false },
        { "AbNumSpinOffsetGlowny", &S::WriteOffsetGlowny, true, false },
        { "AbNumSpinCisnieniePracy", &S::WriteCisnieniePracy, true, false },
        { "AbNumSpinDiagOffsetIn1", &S::writeDiagOffsetN<1>, true, false },
        { "AbNumSpinDiagOffsetIn2", &S::writeDiagOffsetN<2>, true, false },
        { "AbNumSpinDiagOffsetIn3", &S::writeDiagOffsetN<3>, true, false },
        { "AbNumSpinDiagOffsetIn4", &S::writeDiagOffsetN<4>, true, false },
        { "AbNumSpinDiagOffsetIn5", &S::writeDiagOffsetN<5>, true, false },
        { "AbNumSpinDiagOffsetIn6", &S::writeDiagOffsetN<6>, true, false },
        { "AbNumSpinDiagOffsetIn7", &S::writeDiagOffsetN<7>, true, false },
        { "AbNumSpinDiagOffsetIn8", &S::writeDiagOffsetN<8>, true, false },
        { "ComboBoxGazAutoOn", &S::WriteGazAutoOn, false, false },
        { "ComboBoxFastCutOff", &S::WriteFastCutOff, true, false },
        { "ComboBoxBlowPressure", &S::WriteBlowPressure, true, false },
        { "ComboBoxObd", &S::WriteObd, true, false },
        { "ComboBoxObdCorr", &S::WriteObdCorr, true, false },
        { "ComboBoxOBDholdValue", &S::WriteObdHoldValue, true, false },
    };
    return table;
}

const SettingsControl *settingsControl(const char *control)
{
    for (const SettingsControl &c : settingsControls()) {
        if (std::strcmp(c.control, control) == 0)
            return &c;
    }
    return nullptr;
}

SettingsWriteBack::SettingsWriteBack(
    ParameterImage &image, const TimeBases &timeBases, SettingsView &view, ImageSender &sender)
    : m_image(image)
    , m_tb(timeBases)
    , m_view(view)
    , m_sender(sender)
{
}

bool SettingsWriteBack::run(const char *control, Trigger trigger)
{
    const SettingsControl *c = settingsControl(control);
    if (!c)
        return false;
    (this->*(c->writeBack))(trigger);
    return true;
}

void SettingsWriteBack::send(const ImageWrites &writes)
{
    for (const ImageWrite &w : writes)
        m_sender.send(m_image, w);
}

// ---------------------------------------------------------------------------------------------------
// The common shapes

void SettingsWriteBack::writeSpin(const char *field, bool force)
{
    const FieldDef &f = fieldNamed(field);
    NumberEntry entry = m_view.number(f.control);
    if (force)
        entry.edited = true;
    send(writeBackNumber(m_image, f, entry, ctx()));
}

void SettingsWriteBack::writeCombo(const char *field)
{
    const FieldDef &f = fieldNamed(field);
    const int item = m_view.item(f.control);
    if (item < 0) // no selection: nothing to store
        return;
    send(encodeField(m_image, f, item, ctx()));
}

void SettingsWriteBack::writeFlag(const char *field)
{
    const FieldDef &f = fieldNamed(field);
    send(encodeField(m_image, f, m_view.isOn(f.control) ? 1 : 0, ctx()));
}

void SettingsWriteBack::writeTrack(const char *field)
{
    const FieldDef &f = fieldNamed(field);
    send(encodeField(m_image, f, m_view.position(f.control), ctx()));
}

void SettingsWriteBack::writeOffRpm(const char *field)
{
    const FieldDef &f = fieldNamed(field);
    const int item = m_view.item(f.control);
    if (item < 0 || item >= f.items.size())
        return;
    const FieldDef &enable = fieldNamed(f.enableField);
    m_image.setWord(
        f.offset, item == 0 ? 0 : speedWord(m_image, static_cast<std::uint32_t>(item * 100 + f.storeRpm), m_tb));
    setFlag(m_image, enable, item != 0);
    send({ writeOf(f), writeOf(enable) });
    show(field); // the speed the controller will use
}

void SettingsWriteBack::show(const char *field)
{
    const FieldDef &f = fieldNamed(field);
    const Shown s = decodeField(m_image, f, ctx());
    switch (f.controlKind) {
    case ControlKind::SpinEdit:
        m_view.setNumber(f.control, s.number);
        break;
    case ControlKind::ComboBox:
        if (s.kind == ShownKind::Blank)
            m_view.setComboText(f.control, s.text);
        else
            m_view.setItem(f.control, s.kind == ShownKind::Item ? s.index : -1);
        break;
    case ControlKind::CheckBox:
    case ControlKind::ToggleSwitch:
        m_view.setOn(f.control, s.on);
        break;
    case ControlKind::TrackBar:
        m_view.setPosition(f.control, s.index);
        break;
    case ControlKind::None:
        break;
    }
}

// ---------------------------------------------------------------------------------------------------
// Engine type and speed signal

void SettingsWriteBack::WriteRpmSet(Trigger)
{
    if (m_quiet)
        return;
    writeEngineType(m_view.rpmAxisTexts());
}

void SettingsWriteBack::WriteRpmSignal(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &signal = fieldNamed("RpmSignal");
    const int item = m_view.item(signal.control);
    if (item < 0 || item >= signal.items.size())
        return;
    // The header row still shows the speeds of the old signal source.
    const RpmAxisTexts before = m_view.rpmAxisTexts();
    send(encodeField(m_image, signal, item, ctx()));
    m_view.setVisible("AbNumSpinRpmSignalV", item == 1);
    // The controller is told that the signal source changed.
    send(encodeField(m_image, fieldNamed("SignalChangeWord"), 2, ctx()));
    writeEngineType(before);
}

void SettingsWriteBack::writeEngineType(const RpmAxisTexts &before)
{
    const FieldDef &type = fieldNamed("RpmSet");
    const int item = m_view.item(type.control);
    if (item < 0)
        return;
    const ImageWrites w = encodeField(m_image, type, item, ctx());
    if (w.empty())
        return;
    send(w);
    // Every stored period means another speed now: encode them again from what the controls show.
    WriteRpmSw();
    writeOffRpm("MaxRpm");
    writeOffRpm("MinRpm");
    writeMazdaMinRpm(true);
    send(m_view.reencodeRpmAxis(m_image, before));
    // The second low heating pulse keeps its 1200 rpm.
    const FieldDef &low2 = fieldNamed("HeatLow2Rpm");
    if (secondLowPulseOn(m_image.word(low2.offset))) {
        m_image.setWord(low2.offset, speedWord(m_image, HeatLow2Speed, m_tb));
        send(writeOf(low2));
    }
}

void SettingsWriteBack::WriteRpmSignalV(Trigger)
{
    if (m_quiet || m_view.item("ComboBoxRpmSignal") != 1) // only the "0-14V" source has a level
        return;
    writeSpin("RpmSignalV");
}

void SettingsWriteBack::WriteRpmSw(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &f = fieldNamed("RpmSw");
    const int item = m_view.item(f.control);
    if (item < 0 || item >= f.items.size())
        return;
    m_image.setWord(f.offset, speedWord(m_image, static_cast<std::uint32_t>(item * 100 + 505), m_tb));
    send(writeOf(f));
    show("RpmSw");
}

void SettingsWriteBack::WriteMaxRpm(Trigger)
{
    if (!m_quiet)
        writeOffRpm("MaxRpm");
}

void SettingsWriteBack::WriteMinRpm(Trigger)
{
    if (!m_quiet)
        writeOffRpm("MinRpm");
}

void SettingsWriteBack::WriteMazdaMinRpm(Trigger)
{
    if (!m_quiet)
        writeMazdaMinRpm(false);
}

void SettingsWriteBack::writeMazdaMinRpm(bool force)
{
    const FieldDef &f = fieldNamed("MazdaMinRpm");
    const NumberEntry entry = m_view.number(f.control);
    if ((entry.edited || force) && std::isfinite(entry.value)) {
        const double rpm = std::trunc(std::clamp(entry.value, f.min, f.max) + 1e-9);
        m_image.setWord(f.offset, speedWord(m_image, static_cast<std::uint32_t>(rpm), m_tb));
    }
    send(writeOf(f));
    m_view.setNumber(f.control, TicksToRpm(m_image.word(f.offset), engineType(m_image), rpmSignal(m_image), m_tb));
}

// ---------------------------------------------------------------------------------------------------
// Presets

void SettingsWriteBack::WriteInjTyp(Trigger t)
{
    if (m_quiet)
        return;
    const FieldDef &typ = fieldNamed("InjTyp");
    const int item = m_view.item(typ.control);
    if (item < 0)
        return;
    const ImageWrites w = encodeField(m_image, typ, item, ctx());
    if (w.empty())
        return;
    send(w);
    // Leaving the box sends the type again; only the fitter's choice applies the preset, so what
    // they tuned since stays.
    if (t == Trigger::FocusOut)
        return;
    const FieldDef &minInj = fieldNamed("MinInj");
    const FieldDef &peak = fieldNamed("Peak");
    const FieldDef &hold = fieldNamed("Hold");
    ImageWrites out;
    if (item >= 1 && item <= static_cast<int>(std::size(InjectorPresets))) {
        const InjectorPreset &p = InjectorPresets[item - 1];
        m_view.setNumber(minInj.control, p.minInj);
        m_view.setNumber(peak.control, p.peak);
        m_view.setNumber(hold.control, p.hold);
        append(out, encodeField(m_image, minInj, p.minInj, ctx()));
        append(out, encodeField(m_image, peak, p.peak, ctx()));
        append(out, encodeField(m_image, hold, p.hold, ctx()));
    } else { // "..." sets nothing: the three edits as they are
        append(out, writeBackNumber(m_image, minInj, m_view.number(minInj.control), ctx()));
        append(out, writeBackNumber(m_image, peak, m_view.number(peak.control), ctx()));
        append(out, writeBackNumber(m_image, hold, m_view.number(hold.control), ctx()));
    }
    send(out);
}

void SettingsWriteBack::WriteLevSensor(Trigger t)
{
    if (m_quiet)
        return;
    const FieldDef &sensor = fieldNamed("LevSensor");
    const int item = m_view.item(sensor.control);
    if (item < 0)
        return;
    const ImageWrites typeWrite = encodeField(m_image, sensor, item, ctx());
    if (typeWrite.empty())
        return;
    send(typeWrite);
    if (t == Trigger::FocusOut) // as with the injector type: no preset on leaving
        return;

    const FieldDef &positive = fieldNamed("LevelSensorPositive");
    const FieldDef &powered = fieldNamed("WskaznikZasilany");
    const bool preset = item >= 1 && item <= static_cast<int>(std::size(LevelPresets));
    if (preset) {
        const LevelPreset &p = LevelPresets[item - 1];
        for (int i = 0; i < 4; ++i)
            m_view.setNumber(fieldNamed(LevelFields[i]).control, p.volts[i]);
        setFlag(m_image, positive, p.positive);
        setFlag(m_image, powered, p.powered);
    }
    // The four points, none above 4095.
    ImageWrites levels;
    for (int i = 0; i < 4; ++i) {
        const FieldDef &f = fieldNamed(LevelFields[i]);
        append(levels,
            preset ? encodeField(m_image, f, LevelPresets[item - 1].volts[i], ctx())
                   : writeBackNumber(m_image, f, m_view.number(f.control), ctx()));
        if (m_image.word(f.offset) > LevelMaxCounts)
            m_image.setWord(f.offset, LevelMaxCounts);
    }
    encodeField(m_image, sensor, item, ctx());
    // The two check boxes follow the bits; each that changes runs its own write-back.
    m_view.setOn(positive.control, !m_image.bit(positive.offset, positive.bitNo));
    m_view.setOn(powered.control, m_image.bit(powered.offset, powered.bitNo));
    send(typeWrite);
    send(writeOf(positive));
    send(levels);
}

void SettingsWriteBack::WriteAccRich(Trigger t)
{
    if (m_quiet)
        return;
    const FieldDef &rich = fieldNamed("AccRich");
    const int item = m_view.item(rich.control);
    if (item < 0)
        return;
    const ImageWrites w = encodeField(m_image, rich, item, ctx());
    if (w.empty())
        return;
    // Switching it on starts from position 100; leaving the box keeps what the fitter set.
    if (t == Trigger::Change && item == 1) {
        const FieldDef &accel = fieldNamed("AccelEnrich");
        m_image.setWord(accel.offset, 1000);
        m_view.setPosition(accel.control, 100);
        send(writeOf(accel));
    }
    send(w);
}

void SettingsWriteBack::WritePowrotZminRpm(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &f = fieldNamed("PowrotZminRpm");
    const int item = m_view.item(f.control);
    if (item < 0)
        return;
    const ImageWrites w = encodeField(m_image, f, item, ctx());
    if (w.empty())
        return;
    send(w);
    const bool on = item == 1;
    for (const char *c : ReturnTimeControls)
        m_view.setVisible(c, on);
    const FieldDef &time = fieldNamed("PowrotZminRpmTime");
    if (on && m_image.word(time.offset) == 0) {
        m_image.setWord(time.offset, 1);
        send(writeOf(time));
        m_view.setItem(time.control, 0);
    }
}

// ---------------------------------------------------------------------------------------------------
// Page "podstawowe", the common shapes

void SettingsWriteBack::WriteTurbo(Trigger)
{
    if (!m_quiet)
        writeCombo("Turbo");
}

void SettingsWriteBack::WriteInjNum(Trigger)
{
    if (!m_quiet)
        writeCombo("InjNum");
}

void SettingsWriteBack::WriteLambdaTyp(Trigger)
{
    if (m_quiet)
        return;
    writeCombo("LambdaTyp");
    double min = 0, max = 0;
    if (lambdaRange(m_view.item("ComboBoxLambdaTyp"), min, max))
        m_view.setLambdaRange(min, max);
}

void SettingsWriteBack::WriteMinInj(Trigger)
{
    if (!m_quiet)
        writeSpin("MinInj");
}

void SettingsWriteBack::WritePeak(Trigger)
{
    if (!m_quiet)
        writeSpin("Peak");
}

void SettingsWriteBack::WriteHold(Trigger)
{
    if (!m_quiet)
        writeSpin("Hold");
}

void SettingsWriteBack::WriteLevelE(Trigger)
{
    if (!m_quiet)
        writeSpin("LevelE");
}

void SettingsWriteBack::WriteLevel14(Trigger)
{
    if (!m_quiet)
        writeSpin("Level14");
}

void SettingsWriteBack::WriteLevel24(Trigger)
{
    if (!m_quiet)
        writeSpin("Level24");
}

void SettingsWriteBack::WriteLevel34(Trigger)
{
    if (!m_quiet)
        writeSpin("Level34");
}

void SettingsWriteBack::WriteLevelSensorNegativ(Trigger)
{
    if (!m_quiet)
        writeFlag("LevelSensorPositive");
}

void SettingsWriteBack::WriteRezRef(Trigger)
{
    if (!m_quiet)
        writeSpin("RezRef");
}

void SettingsWriteBack::WriteWskaznikZasilany(Trigger)
{
    if (!m_quiet)
        writeFlag("WskaznikZasilany");
}

void SettingsWriteBack::WriteTempSw(Trigger)
{
    if (!m_quiet)
        writeCombo("TempSw");
}

void SettingsWriteBack::WriteOnDelay(Trigger)
{
    if (!m_quiet)
        writeSpin("OnDelay");
}

void SettingsWriteBack::WriteCylinderTime(Trigger)
{
    if (!m_quiet)
        writeSpin("CylinderTime");
}

void SettingsWriteBack::WriteOffPres(Trigger)
{
    if (!m_quiet)
        writeSpin("OffPres");
}

void SettingsWriteBack::WriteOffDelay(Trigger)
{
    if (!m_quiet)
        writeSpin("OffDelay");
}

void SettingsWriteBack::WritePowrotZminRpmTime(Trigger)
{
    if (!m_quiet)
        writeCombo("PowrotZminRpmTime");
}

void SettingsWriteBack::WriteValvetronic(Trigger)
{
    if (!m_quiet)
        writeFlag("ValvetronicOffA"); // both flags and the table
}

void SettingsWriteBack::WriteExtraInj(Trigger)
{
    if (!m_quiet)
        writeTrack("ExtraInj");
}

void SettingsWriteBack::WriteAccelEnrich(Trigger)
{
    if (!m_quiet)
        writeTrack("AccelEnrich");
}

void SettingsWriteBack::stepExtraInj(int step)
{
    if (m_quiet)
        return;
    const char *track = fieldNamed("ExtraInj").control;
    m_view.setPosition(track, m_view.position(track) + step);
    WriteExtraInj();
}

void SettingsWriteBack::stepAccelEnrich(int step)
{
    if (m_quiet)
        return;
    const char *track = fieldNamed("AccelEnrich").control;
    m_view.setPosition(track, m_view.position(track) + step);
    WriteAccelEnrich();
}

// ---------------------------------------------------------------------------------------------------
// Page "zaawansowane"

void SettingsWriteBack::WriteTGsensor(Trigger)
{
    if (!m_quiet)
        writeCombo("TGsensor");
}

void SettingsWriteBack::WriteTRsensor(Trigger)
{
    if (!m_quiet)
        writeCombo("TRsensor");
}

void SettingsWriteBack::WritePresSensor(Trigger)
{
    if (!m_quiet)
        writeCombo("PresSensor");
}

void SettingsWriteBack::WriteMAPSensType(Trigger)
{
    if (!m_quiet)
        writeCombo("MAPSensType");
}

void SettingsWriteBack::WriteTempCorProp(Trigger)
{
    if (!m_quiet)
        writeFlag("TempCorProp");
}

void SettingsWriteBack::WriteTempCorRed(Trigger)
{
    if (!m_quiet)
        writeFlag("TempCorRed");
}

void SettingsWriteBack::WriteExtRelay(Trigger)
{
    if (!m_quiet)
        writeCombo("ExtRelay");
}

void SettingsWriteBack::WriteInjHeat(Trigger)
{
    if (!m_quiet)
        writeFlag("InjHeat");
}

void SettingsWriteBack::WriteAdvTempHeat(Trigger)
{
    if (!m_quiet)
        writeSpin("AdvTempHeat");
}

void SettingsWriteBack::WriteAdvHeatT(Trigger)
{
    if (!m_quiet)
        writeSpin("AdvHeatT");
}

void SettingsWriteBack::WriteAdvHeatNornal(Trigger)
{
    if (!m_quiet)
        writeSpin("AdvHeatNornal");
}

void SettingsWriteBack::WriteAdvHeatLow(Trigger)
{
    if (!m_quiet)
        writeSpin("AdvHeatLow");
}

void SettingsWriteBack::WriteHeatMode(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &low1 = fieldNamed("HeatLow1");
    const FieldDef &low2 = fieldNamed("HeatLow2Rpm");
    const int item = m_view.item(low1.control);
    if (item < 0 || item >= low1.items.size())
        return;
    // Bit 545.3 for items 1 and 3; the speed limit of the second pulse for items 2 and 3, else 0.
    setFlag(m_image, low1, item == 1 || item == 3);
    m_image.setWord(low2.offset, item >= 2 ? speedWord(m_image, HeatLow2Speed, m_tb) : 0);
    send({ writeOf(low1), writeOf(low2) });
}

void SettingsWriteBack::WriteAdv7(Trigger)
{
    if (!m_quiet)
        writeFlag("Adv7");
}

void SettingsWriteBack::writeMazdaInjTime(const char *field)
{
    const FieldDef &f = fieldNamed(field);
    const ImageWrites w = writeBackNumber(m_image, f, m_view.number(f.control), ctx());
    // The edit shows the time the controller will use before it is sent.
    m_view.setNumber(f.control, TicksToMs(m_image.word(f.offset), f.selector, m_tb));
    send(w);
}

void SettingsWriteBack::WriteMazdaMinInj(Trigger)
{
    if (!m_quiet)
        writeMazdaInjTime("MazdaMinInj");
}

void SettingsWriteBack::WriteMazdaMaxInj(Trigger)
{
    if (!m_quiet)
        writeMazdaInjTime("MazdaMaxInj");
}

void SettingsWriteBack::WriteFilterStep(Trigger)
{
    if (!m_quiet)
        writeSpin("FilterStep");
}

void SettingsWriteBack::WriteDifPenEm28(Trigger)
{
    if (!m_quiet)
        writeCombo("DifPenEm28");
}

void SettingsWriteBack::WriteGazStart(Trigger)
{
    if (m_quiet)
        return;
    writeFlag("GazStart");
    if (m_view.isOn("CheckBoxGazStart")) {
        // Starting on gas goes with a back-to-petrol delay of 0.1 s.
        const FieldDef &delay = fieldNamed("OffDelay");
        m_view.setNumber(delay.control, 0.1);
        writeSpin("OffDelay", true);
    }
}

void SettingsWriteBack::WriteSwitchBright(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &f = fieldNamed("SwitchBright");
    writeTrack("SwitchBright");
    m_view.setPercentText("EditSwitchBright", switchBrightPercent(m_image.byte(f.offset)));
}

void SettingsWriteBack::WriteBeepTime(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &f = fieldNamed("BeepTime");
    writeTrack("BeepTime");
    m_view.setPercentText("EditBeepTime", beepTimePercent(m_image.byte(f.offset)));
}

void SettingsWriteBack::WriteSilentMode(Trigger)
{
    if (m_quiet)
        return;
    const FieldDef &f = fieldNamed("SilentMode");
    writeFlag("SilentMode");
    const bool silent = m_image.bit(f.offset, f.bitNo);
    for (const char *box : BeepBoxes)
        m_view.setEnabled(box, !silent);
}

void SettingsWriteBack::WriteBeepWhenGazOn(Trigger)
{
    if (!m_quiet)
        writeFlag("BeepWhenGazOn");
}

void SettingsWriteBack::WriteBeepWhenSwClick(Trigger)
{
    if (!m_quiet)
        writeFlag("BeepWhenSwClick");
}

void SettingsWriteBack::WriteBeepWhenError(Trigger)
{
    if (!m_quiet)
        writeFlag("BeepWhenError");
}

void SettingsWriteBack::WriteBeepsWhenEmpty(Trigger)
{
    if (!m_quiet)
        writeCombo("BeepsWhenEmpty");
}

void SettingsWriteBack::WriteErrorsBeep(Trigger)
{
    if (!m_quiet)
        writeCombo("ErrorsBeep");
}

// ---------------------------------------------------------------------------------------------------
// Other tabs

void SettingsWriteBack::WriteWzbogacenieGlowne(Trigger)
{
    if (!m_quiet)
        writeSpin("WzbogacenieGlowne");
}

void SettingsWriteBack::WriteOffsetGlowny(Trigger)
{
    if (!m_quiet)
        writeSpin("OffsetGlowny");
}

void SettingsWriteBack::WriteCisnieniePracy(Trigger)
{
    if (!m_quiet)
        writeSpin("CisnieniePracy");
}

void SettingsWriteBack::WriteDiagOffset(int cylinder, Trigger)
{
    if (m_quiet || cylinder < 1 || cylinder > 8)
        return;
    const QByteArray field = "DiagOffsetIn" + QByteArray::number(cylinder);
    writeSpin(field.constData());
}

void SettingsWriteBack::WriteGazAutoOn(Trigger)
{
    if (!m_quiet)
        writeCombo("GazAutoOn");
}

void SettingsWriteBack::WriteFastCutOff(Trigger)
{
    if (!m_quiet)
        writeCombo("FastCutOff");
}

void SettingsWriteBack::WriteBlowPressure(Trigger)
{
    if (!m_quiet)
        writeCombo("BlowPressure");
}

void SettingsWriteBack::WriteObd(Trigger)
{
    if (!m_quiet)
        writeCombo("Obd");
}

void SettingsWriteBack::WriteObdCorr(Trigger)
{
    if (!m_quiet)
        writeCombo("ObdCorr");
}

void SettingsWriteBack::WriteObdHoldValue(Trigger)
{
    if (!m_quiet)
        writeCombo("ObdHoldValue");
}

// ---------------------------------------------------------------------------------------------------
// Image to controls

void SettingsWriteBack::ShowImage(int hardwareRevision, int softwareRevision)
{
    // Filling the controls is no edit: nothing is written back, the image stays as it was read.
    const QuietScope quiet(*this);
    auto percentTexts = [this] {
        m_view.setPercentText("EditSwitchBright", switchBrightPercent(m_image.byte(fieldNamed("SwitchBright").offset)));
        m_view.setPercentText("EditBeepTime", beepTimePercent(m_image.byte(fieldNamed("BeepTime").offset)));
    };

    // 1. Features by revision; nothing is ever disabled here.
    if (softwareRevision >= 3)
        m_view.setEnabled("ComboBoxBlowPressure", true);
    if (hardwareRevision >= 2)
        m_view.setEnabled("TabSheetOBD", true);
    // 2, 3. OBD settings (the OBD page shows its info group by the correction box), blow pressure.
    show("Obd");
    show("ObdCorr");
    show("ObdHoldValue");
    show("BlowPressure");
    // 4 to 8. Beeps, switch filter, enrichment, propane start, brightness and volume.
    show("BeepsWhenEmpty");
    show("ErrorsBeep");
    show("DifPenEm28");
    show("AccRich");
    show("ExtraInj");
    show("AccelEnrich");
    show("GazStart");
    show("SwitchBright");
    show("BeepTime");
    percentTexts();
    // 10. Beep check boxes, enabled unless silent.
    show("BeepWhenGazOn");
    show("BeepWhenSwClick");
    show("BeepWhenError");
    show("SilentMode");
    const FieldDef &silent = fieldNamed("SilentMode");
    for (const char *box : BeepBoxes)
        m_view.setEnabled(box, !m_image.bit(silent.offset, silent.bitNo));
    // 11, 12. Group "7.Mazda v.4".
    show("Adv7");
    show("MazdaMinRpm");
    show("MazdaMinInj");
    show("MazdaMaxInj");
    show("FilterStep");
    // 13. Back to propane after a low speed, and its time.
    const FieldDef &powrot = fieldNamed("PowrotZminRpm");
    show("PowrotZminRpm");
    for (const char *c : ReturnTimeControls)
        m_view.setVisible(c, m_image.bit(powrot.offset, powrot.bitNo));
    show("PowrotZminRpmTime");
    // 14, 15. Injector heating; both places of the heating mode.
    show("InjHeat");
    show("AdvTempHeat");
    show("AdvHeatT");
    show("AdvHeatNornal");
    show("AdvHeatLow");
    m_view.setItem("ComboBoxHeatMode", heatModeItem(m_image));
    // 16, 17, 18. Temperature corrections, injector timings, injector type and relay.
    show("TempCorProp");
    show("TempCorRed");
    show("Hold");
    show("Peak");
    show("MinInj");
    show("InjTyp");
    show("ExtRelay");
    // 20, 21. Level sensor.
    show("LevSensor");
    for (const char *f : LevelFields)
        show(f);
    show("LevelSensorPositive");
    show("RezRef");
    show("WskaznikZasilany");
    // 22, 23. Sensors, cylinders, lambda with the range of its bars.
    show("TRsensor");
    show("TGsensor");
    show("PresSensor");
    show("MAPSensType");
    show("InjNum");
    show("LambdaTyp");
    double min = 0, max = 0;
    if (lambdaRange(m_image.byte(fieldNamed("LambdaTyp").offset), min, max))
        m_view.setLambdaRange(min, max);
    // 24. Return after an error, the speed signal and its level (shown for "0-14V" only).
    show("GazAutoOn");
    show("RpmSignalV");
    show("RpmSignal");
    const FieldDef &signal = fieldNamed("RpmSignal");
    m_view.setVisible("AbNumSpinRpmSignalV", m_image.bits(signal.offset, signal.bitNo, signal.count) == 1);
    // 25, 26, 27. Switch to propane, back to gasoline, the main settings and the cylinder offsets.
    show("CylinderTime");
    show("OnDelay");
    show("TempSw");
    show("MaxRpm");
    show("MinRpm");
    show("OffDelay");
    show("OffPres");
    show("CisnieniePracy");
    show("OffsetGlowny");
    show("WzbogacenieGlowne");
    for (int n = 1; n <= 8; ++n)
        show(("DiagOffsetIn" + QByteArray::number(n)).constData());
    // 29, 30. Switch speed, engine type, turbo.
    show("RpmSw");
    show("RpmSet");
    show("Turbo");
}

} // namespace kelvane
