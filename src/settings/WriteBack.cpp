#include "WriteBack.h"

#include "ControllerSession.h"
#include "Conversions.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace kelvane {

namespace {

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

// The period of `rpm` for a 16-bit speed word with the image's engine type and signal source: the
// tick count, limited to 65535.
std::uint16_t speedWord(const ParameterImage &image, std::uint32_t rpm, const TimeBases &tb)
{
    const std::int32_t ticks = RpmToTicks(rpm, engineType(image), rpmSignal(image), tb);
    return static_cast<std::uint16_t>(std::clamp<std::int32_t>(ticks, 0, 65535));
}

} // namespace

const std::vector<SettingsControl> &settingsControls()
{
    static const std::vector<SettingsControl> table = [] {
        std::vector<SettingsControl> out;
        for (const FieldDef &f : fieldTable()) {
            if (!*f.control)
                continue;
            const bool seen = std::any_of(out.begin(), out.end(),
                [&f](const SettingsControl &c) { return std::strcmp(c.control, f.control) == 0; });
            if (!seen)
                out.push_back({ f.control, &f, f.repeatsOnFocusOut, f.runsOnCodeChange });
        }
        return out;
    }();
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

SettingsWriteBack::SettingsWriteBack(ControllerSession &session, SettingsView &view)
    : m_session(session)
    , m_image(session.image)
    , m_view(view)
{
}

DecodeContext SettingsWriteBack::ctx() const
{
    return DecodeContext { m_session.timeBases };
}

bool SettingsWriteBack::run(const char *control, Trigger trigger)
{
    const SettingsControl *c = settingsControl(control);
    if (!c)
        return false;
    write(*c->field, trigger);
    return true;
}

void SettingsWriteBack::write(const FieldDef &f, Trigger trigger)
{
    if (m_quiet)
        return;
    const ActionScope action(m_session.writes, f.control);
    if (f.effect == SideEffect::None)
        writePlain(f);
    else
        writeEffect(f, trigger);
}

void SettingsWriteBack::step(const FieldDef &track, int step)
{
    if (m_quiet)
        return;
    const ActionScope action(m_session.writes, track.control);
    m_view.setPosition(track.control, m_view.position(track.control) + step);
    write(track);
}

void SettingsWriteBack::send(const ImageWrites &writes)
{
    // Without a controller the frames go nowhere; the image keeps the change for a later file save.
    if (!m_session.conn.Connected)
        return;
    for (const ImageWrite &w : writes)
        m_session.writes.write(w);
}

// ---------------------------------------------------------------------------------------------------
// The plain shapes

void SettingsWriteBack::writePlain(const FieldDef &f)
{
    switch (f.controlKind) {
    case ControlKind::SpinEdit:
        writeSpin(f);
        break;
    case ControlKind::ComboBox:
        writeCombo(f);
        break;
    case ControlKind::CheckBox:
    case ControlKind::ToggleSwitch:
        writeFlag(f);
        break;
    case ControlKind::TrackBar:
        writeTrack(f);
        break;
    case ControlKind::None:
        break;
    }
}

void SettingsWriteBack::writeSpin(const FieldDef &f, bool force)
{
    NumberEntry entry = m_view.number(f.control);
    if (force)
        entry.edited = true;
    send(writeBackNumber(m_image, f, entry, ctx()));
}

void SettingsWriteBack::writeCombo(const FieldDef &f)
{
    const int item = m_view.item(f.control);
    if (item < 0) // no selection: nothing to store
        return;
    send(encodeField(m_image, f, item, ctx()));
}

void SettingsWriteBack::writeFlag(const FieldDef &f)
{
    send(encodeField(m_image, f, m_view.isOn(f.control) ? 1 : 0, ctx()));
}

void SettingsWriteBack::writeTrack(const FieldDef &f)
{
    send(encodeField(m_image, f, m_view.position(f.control), ctx()));
}

void SettingsWriteBack::show(const char *field)
{
    show(fieldNamed(field));
}

void SettingsWriteBack::show(const FieldDef &f)
{
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
// Side effects

void SettingsWriteBack::writeEffect(const FieldDef &f, Trigger t)
{
    switch (f.effect) {
    case SideEffect::None:
        writePlain(f);
        break;
    case SideEffect::EngineType:
        writeEngineType(m_view.rpmAxisTexts());
        break;
    case SideEffect::SignalSource:
        writeSignalSource(f);
        break;
    case SideEffect::SignalLevel:
        if (m_view.item(fieldNamed("RpmSignal").control) == 1) // only the "0-14V" source has a level
            writeSpin(f);
        break;
    case SideEffect::SwitchSpeed:
        writeSwitchSpeed(f);
        break;
    case SideEffect::OffSpeed:
        writeOffRpm(f);
        break;
    case SideEffect::MazdaMinRpm:
        writeMazdaMinRpm(false);
        break;
    case SideEffect::MazdaInjTime:
        writeMazdaInjTime(f);
        break;
    case SideEffect::InjectorPreset:
        writeInjectorPreset(f, t);
        break;
    case SideEffect::LevelPreset:
        writeLevelPreset(f, t);
        break;
    case SideEffect::AccelStart:
        writeAccelStart(f, t);
        break;
    case SideEffect::ReturnTime:
        writeReturnTime(f);
        break;
    case SideEffect::LambdaBars: {
        writeCombo(f);
        double min = 0, max = 0;
        if (lambdaRange(m_view.item(f.control), min, max))
            m_view.setLambdaRange(min, max);
        break;
    }
    case SideEffect::HeatMode:
        writeHeatMode(f);
        break;
    case SideEffect::PropaneStart:
        writePropaneStart(f);
        break;
    case SideEffect::BrightnessText:
        writeTrack(f);
        m_view.setPercentText("EditSwitchBright", switchBrightPercent(m_image.byte(f.offset)));
        break;
    case SideEffect::VolumeText:
        writeTrack(f);
        m_view.setPercentText("EditBeepTime", beepTimePercent(m_image.byte(f.offset)));
        break;
    case SideEffect::Silence:
        writeSilence(f);
        break;
    }
}

void SettingsWriteBack::writeSignalSource(const FieldDef &signal)
{
    const int item = m_view.item(signal.control);
    if (item < 0 || item >= signal.items.size())
        return;
    // The header row still shows the speeds of the old signal source.
    const RpmAxisTexts before = m_view.rpmAxisTexts();
    send(encodeField(m_image, signal, item, ctx()));
    m_view.setVisible(fieldNamed("RpmSignalV").control, item == 1);
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
    writeSwitchSpeed(fieldNamed("RpmSw"));
    writeOffRpm(fieldNamed("MaxRpm"));
    writeOffRpm(fieldNamed("MinRpm"));
    writeMazdaMinRpm(true);
    send(m_view.reencodeRpmAxis(m_image, before));
    // The second low heating pulse keeps its speed.
    send(keepSecondLowPulseSpeed(m_image, ctx()));
}

void SettingsWriteBack::writeSwitchSpeed(const FieldDef &f)
{
    const int item = m_view.item(f.control);
    if (item < 0 || item >= f.items.size())
        return;
    m_image.setWord(f.offset, speedWord(m_image, static_cast<std::uint32_t>(item * 100 + 505), m_session.timeBases));
    send(writeOf(f));
    show(f);
}

void SettingsWriteBack::writeOffRpm(const FieldDef &f)
{
    const int item = m_view.item(f.control);
    if (item < 0 || item >= f.items.size())
        return;
    const FieldDef &enable = fieldNamed(f.enableField);
    m_image.setWord(f.offset,
        item == 0 ? 0 : speedWord(m_image, static_cast<std::uint32_t>(item * 100 + f.storeRpm), m_session.timeBases));
    setFlag(m_image, enable, item != 0);
    send({ writeOf(f), writeOf(enable) });
    show(f); // the speed the controller will use
}

void SettingsWriteBack::writeMazdaMinRpm(bool force)
{
    const FieldDef &f = fieldNamed("MazdaMinRpm");
    const TimeBases &tb = m_session.timeBases;
    const NumberEntry entry = m_view.number(f.control);
    if ((entry.edited || force) && std::isfinite(entry.value)) {
        const double rpm = std::trunc(std::clamp(entry.value, f.min, f.max) + 1e-9);
        m_image.setWord(f.offset, speedWord(m_image, static_cast<std::uint32_t>(rpm), tb));
    }
    send(writeOf(f));
    m_view.setNumber(f.control, TicksToRpm(m_image.word(f.offset), engineType(m_image), rpmSignal(m_image), tb));
}

void SettingsWriteBack::writeMazdaInjTime(const FieldDef &f)
{
    const ImageWrites w = writeBackNumber(m_image, f, m_view.number(f.control), ctx());
    // The edit shows the time the controller will use before it is sent.
    m_view.setNumber(f.control, TicksToMs(m_image.word(f.offset), f.selector, m_session.timeBases));
    send(w);
}

void SettingsWriteBack::writeInjectorPreset(const FieldDef &typ, Trigger t)
{
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

void SettingsWriteBack::writeLevelPreset(const FieldDef &sensor, Trigger t)
{
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

void SettingsWriteBack::writeAccelStart(const FieldDef &rich, Trigger t)
{
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

void SettingsWriteBack::writeReturnTime(const FieldDef &f)
{
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

void SettingsWriteBack::writeHeatMode(const FieldDef &low1)
{
    const int item = m_view.item(low1.control);
    if (item < 0 || item >= low1.items.size())
        return;
    // The codec owns both places: the first pulse's bit and the second pulse's speed (or "off").
    send(encodeField(m_image, low1, item, ctx()));
}

void SettingsWriteBack::writePropaneStart(const FieldDef &f)
{
    writeFlag(f);
    if (m_view.isOn(f.control)) {
        // Starting on gas goes with a back-to-petrol delay of 0.1 s.
        const FieldDef &delay = fieldNamed("OffDelay");
        m_view.setNumber(delay.control, 0.1);
        writeSpin(delay, true);
    }
}

void SettingsWriteBack::writeSilence(const FieldDef &f)
{
    writeFlag(f);
    const bool silent = m_image.bit(f.offset, f.bitNo);
    for (const char *box : BeepBoxes)
        m_view.setEnabled(box, !silent);
}

// ---------------------------------------------------------------------------------------------------
// Image to controls

void SettingsWriteBack::ShowImage(int hardwareRevision, int softwareRevision)
{
    // Filling the controls is no edit: nothing is written back, the image stays as it was read.
    const QuietScope quiet(*this);

    // Features by revision; nothing is ever disabled here.
    for (const SettingsControl &c : settingsControls()) {
        if (c.field->minSoftwareRevision > 0 && softwareRevision >= c.field->minSoftwareRevision)
            m_view.setEnabled(c.control, true);
    }
    if (hardwareRevision >= 2)
        m_view.setEnabled("TabSheetOBD", true);

    for (const SettingsControl &c : settingsControls()) {
        if (c.field->shownFromImage)
            show(*c.field);
    }

    // What follows the image beside the controls themselves.
    m_view.setPercentText("EditSwitchBright", switchBrightPercent(m_image.byte(fieldNamed("SwitchBright").offset)));
    m_view.setPercentText("EditBeepTime", beepTimePercent(m_image.byte(fieldNamed("BeepTime").offset)));
    const FieldDef &silent = fieldNamed("SilentMode");
    for (const char *box : BeepBoxes)
        m_view.setEnabled(box, !m_image.bit(silent.offset, silent.bitNo));
    const FieldDef &powrot = fieldNamed("PowrotZminRpm");
    for (const char *c : ReturnTimeControls)
        m_view.setVisible(c, m_image.bit(powrot.offset, powrot.bitNo));
    double min = 0, max = 0;
    if (lambdaRange(m_image.byte(fieldNamed("LambdaTyp").offset), min, max))
        m_view.setLambdaRange(min, max);
    const FieldDef &signal = fieldNamed("RpmSignal");
    m_view.setVisible(fieldNamed("RpmSignalV").control, m_image.bits(signal.offset, signal.bitNo, signal.count) == 1);
}

} // namespace kelvane
