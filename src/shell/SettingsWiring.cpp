#include "SettingsWiring.h"

#include "ControllerSession.h"
#include "DisplayContext.h"
#include "FocusLossNotifier.h"
#include "MainWindow.h"
#include "MapAxes.h"
#include "MapPages.h"
#include "NumberFormat.h"
#include "TAbBar.h"
#include "TAbNumSpin.h"
#include "TAbToggleSwitch.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>

#include <cstring>

namespace kelvane {

namespace {

using Handler = void (SettingsWiring::*)();
struct Wire {
    const char *control;
    Handler handler;
};

// Every control with its handler. Combo boxes run on a selection by the fitter, spin edits on the
// fitter's steps and typing, check boxes on every change of their state, track bars on every change
// of their position, toggle switches and buttons on a click.
const Wire Wires[] = {
    { "ComboBoxRpmSet", &SettingsWiring::ComboBoxRpmSetChange },
    { "ComboBoxRpmSignal", &SettingsWiring::ComboBoxRpmSignalChange },
    { "AbNumSpinRpmSignalV", &SettingsWiring::AbNumSpinRpmSignalVChange },
    { "ComboBoxTurbo", &SettingsWiring::ComboBoxTurboChange },
    { "ComboBoxInjNum", &SettingsWiring::ComboBoxInjNumChange },
    { "ComboBoxLambdaTyp", &SettingsWiring::ComboBoxLambdaTypChange },
    { "ComboBoxInjTyp", &SettingsWiring::ComboBoxInjTypChange },
    { "AbNumSpinMinInj", &SettingsWiring::AbNumSpinMinInjChange },
    { "AbNumSpinPeak", &SettingsWiring::AbNumSpinPeakChange },
    { "AbNumSpinHold", &SettingsWiring::AbNumSpinHoldChange },
    { "ComboBoxLevSensor", &SettingsWiring::ComboBoxLevSensorChange },
    { "AbNumSpinE", &SettingsWiring::AbNumSpinEChange },
    { "AbNumSpin14", &SettingsWiring::AbNumSpin14Change },
    { "AbNumSpin24", &SettingsWiring::AbNumSpin24Change },
    { "AbNumSpin34", &SettingsWiring::AbNumSpin34Change },
    { "CheckBoxLevelSensorNegativ", &SettingsWiring::CheckBoxLevelSensorNegativClick },
    { "AbNumSpinRezRef", &SettingsWiring::AbNumSpinRezRefChange },
    { "CheckBoxWskaznikZasilany", &SettingsWiring::CheckBoxWskaznikZasilanyClick },
    { "ComboBoxRpmSw", &SettingsWiring::ComboBoxRpmSwChange },
    { "ComboBoxTempSw", &SettingsWiring::ComboBoxTempSwChange },
    { "AbNumSpinOnDelay", &SettingsWiring::AbNumSpinOnDelayChange },
    { "AbNumSpinCylinderTime", &SettingsWiring::AbNumSpinCylinderTimeChange },
    { "AbNumSpinOffPres", &SettingsWiring::AbNumSpinOffPresChange },
    { "ComboBoxMinRpm", &SettingsWiring::ComboBoxMinRpmChange },
    { "ComboBoxMaxRpm", &SettingsWiring::ComboBoxMaxRpmChange },
    { "AbNumSpinOffDelay", &SettingsWiring::AbNumSpinOffDelayChange },
    { "ComboBoxPowrotZminRpm", &SettingsWiring::ComboBoxPowrotZminRpmChange },
    { "ComboBoxPowrotZminRpmTime", &SettingsWiring::ComboBoxPowrotZminRpmTimeChange },
    { "CheckBoxValvetronic", &SettingsWiring::CheckBoxValvetronicClick },
    { "ButtonExtraInPlus", &SettingsWiring::ButtonExtraInPlusClick },
    { "ButtonExtraInMinus", &SettingsWiring::ButtonExtraInMinusClick },
    { "ButtonAccelPlus", &SettingsWiring::ButtonAccelPlusClick },
    { "ButtonAccelMinus", &SettingsWiring::ButtonAccelMinusClick },
    { "TrackBarExtraInj", &SettingsWiring::TrackBarExtraInjChange },
    { "TrackBarAccelEnrich", &SettingsWiring::TrackBarAccelEnrichChange },
    { "ComboBoxAccRich", &SettingsWiring::ComboBoxAccRichChange },

    { "ComboBoxTGsensor", &SettingsWiring::ComboBoxTGsensorChange },
    { "ComboBoxTRsensor", &SettingsWiring::ComboBoxTRsensorChange },
    { "ComboBoxPresSensor", &SettingsWiring::ComboBoxPresSensorChange },
    { "ComboBoxMAPSensType", &SettingsWiring::ComboBoxMAPSensTypeChange },
    { "AbToggleSwitchTempCorProp", &SettingsWiring::AbToggleSwitchTempCorPropClick },
    { "AbToggleSwitchTempCorRed", &SettingsWiring::AbToggleSwitchTempCorRedClick },
    { "ComboBoxExtRelay", &SettingsWiring::ComboBoxExtRelayChange },
    { "AbToggleSwitchInjHeat", &SettingsWiring::AbToggleSwitchInjHeatClick },
    { "AbNumSpinAdvTempHeat", &SettingsWiring::AbNumSpinAdvTempHeatChange },
    { "AbNumSpinAdvHeatT", &SettingsWiring::AbNumSpinAdvHeatTChange },
    { "AbNumSpinAdvHeatNornal", &SettingsWiring::AbNumSpinAdvHeatNornalChange },
    { "AbNumSpinAdvHeatLow", &SettingsWiring::AbNumSpinAdvHeatLowChange },
    { "ComboBoxHeatMode", &SettingsWiring::ComboBoxHeatModeChange },
    { "AbToggleSwitchAdv7", &SettingsWiring::AbToggleSwitchAdv7Click },
    { "AbNumSpinMazdaMinInj", &SettingsWiring::AbNumSpinMazdaMinInjChange },
    { "AbNumSpinMazdaMaxInj", &SettingsWiring::AbNumSpinMazdaMaxInjChange },
    { "AbNumSpinMinRpm", &SettingsWiring::AbNumSpinMinRpmChange },
    { "AbNumSpinFilterStep", &SettingsWiring::AbNumSpinFilterStepChange },
    { "ComboBoxDifPenEm28", &SettingsWiring::ComboBoxDifPenEm28Change },
    { "CheckBoxGazStart", &SettingsWiring::CheckBoxGazStartClick },
    { "TrackBarSwitchBright", &SettingsWiring::TrackBarSwitchBrightChange },
    { "TrackBarBeepTime", &SettingsWiring::TrackBarBeepTimeChange },
    { "CheckBoxSilentMode", &SettingsWiring::CheckBoxSilentModeClick },
    { "CheckBoxBeepWhenGazOn", &SettingsWiring::CheckBoxBeepWhenGazOnClick },
    { "CheckBoxBeepWhenSwClick", &SettingsWiring::CheckBoxBeepWhenSwClickClick },
    { "CheckBoxBeepWhenError", &SettingsWiring::CheckBoxBeepWhenErrorClick },
    { "ComboBoxBeepsWhenEmpty", &SettingsWiring::ComboBoxBeepsWhenEmptyChange },
    { "ComboBoxErrorsBeep", &SettingsWiring::ComboBoxErrorsBeepChange },

    { "AbNumSpinWzbogacenieGlowne", &SettingsWiring::AbNumSpinWzbogacenieGlowneChange },
    { "AbNumSpinOffsetGlowny", &SettingsWiring::AbNumSpinOffsetGlownyChange },
    { "AbNumSpinCisnieniePracy", &SettingsWiring::AbNumSpinCisnieniePracyChange },
    { "AbNumSpinDiagOffsetIn1", &SettingsWiring::AbNumSpinDiagOffsetIn1Change },
    { "AbNumSpinDiagOffsetIn2", &SettingsWiring::AbNumSpinDiagOffsetIn2Change },
    { "AbNumSpinDiagOffsetIn3", &SettingsWiring::AbNumSpinDiagOffsetIn3Change },
    { "AbNumSpinDiagOffsetIn4", &SettingsWiring::AbNumSpinDiagOffsetIn4Change },
    { "AbNumSpinDiagOffsetIn5", &SettingsWiring::AbNumSpinDiagOffsetIn5Change },
    { "AbNumSpinDiagOffsetIn6", &SettingsWiring::AbNumSpinDiagOffsetIn6Change },
    { "AbNumSpinDiagOffsetIn7", &SettingsWiring::AbNumSpinDiagOffsetIn7Change },
    { "AbNumSpinDiagOffsetIn8", &SettingsWiring::AbNumSpinDiagOffsetIn8Change },
    { "ComboBoxGazAutoOn", &SettingsWiring::ComboBoxGazAutoOnChange },
    { "ComboBoxFastCutOff", &SettingsWiring::ComboBoxFastCutOffChange },
    { "ComboBoxBlowPressure", &SettingsWiring::ComboBoxBlowPressureChange },
    { "ComboBoxObd", &SettingsWiring::ComboBoxObdChange },
    { "ComboBoxObdCorr", &SettingsWiring::ComboBoxObdCorrChange },
    { "ComboBoxOBDholdValue", &SettingsWiring::ComboBoxOBDholdValueChange },
};

// Enabled by the decode once the controller's software revision allows it.
constexpr const char *GatedControls[] = { "ComboBoxBlowPressure" };

bool gated(const char *control)
{
    for (const char *g : GatedControls) {
        if (std::strcmp(g, control) == 0)
            return true;
    }
    return false;
}

} // namespace

SettingsWiring::SettingsWiring(TForm1 &form, ControllerSession &session)
    : QObject(&form)
    , m_form(form)
    , m_session(session)
    , m_writeBack(session.image, session.timeBases, *this, *this)
    , m_focus(new FocusLossNotifier(this))
{
    setObjectName(QStringLiteral("SettingsWiring"));
    wire();
}

SettingsWiring::~SettingsWiring() = default;

void SettingsWiring::wire()
{
    for (const Wire &w : Wires) {
        QWidget *widget = control(w.control);
        if (!widget) {
            m_missing << QString::fromLatin1(w.control);
            continue;
        }
        const Handler handler = w.handler;
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            connect(combo, &QComboBox::activated, this, [this, handler](int) { (this->*handler)(); });
        else if (auto *spin = qobject_cast<TAbNumSpin *>(widget))
            connect(spin, &TAbNumSpin::changed, this, handler);
        else if (auto *check = qobject_cast<QCheckBox *>(widget))
            connect(check, &QCheckBox::toggled, this, [this, handler](bool) { (this->*handler)(); });
        else if (auto *toggle = qobject_cast<TAbToggleSwitch *>(widget))
            connect(toggle, &TAbToggleSwitch::clicked, this, handler);
        else if (auto *slider = qobject_cast<QSlider *>(widget))
            connect(slider, &QSlider::valueChanged, this, [this, handler](int) { (this->*handler)(); });
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            connect(button, &QAbstractButton::clicked, this, handler);
        else {
            m_missing << QString::fromLatin1(w.control);
            continue;
        }
        const SettingsControl *c = settingsControl(w.control);
        if (c && c->repeatsOnFocusOut)
            m_focus->watch(widget);
        if (!gated(w.control))
            widget->setEnabled(true);
    }
    // A track bar dragged by the fitter writes once, where it is let go.
    for (const char *name : { "TrackBarExtraInj", "TrackBarAccelEnrich" }) {
        if (auto *slider = controlAs<QSlider>(name))
            slider->setTracking(false);
    }
    connect(m_focus, &FocusLossNotifier::focusLost, this, &SettingsWiring::leave);
}

void SettingsWiring::leave(QWidget *widget)
{
    // While the window closes its controls lose the focus one by one: that is no fitter leaving.
    if (!m_form.layoutFlag())
        return;
    const QByteArray name = widget->objectName().toLatin1();
    m_writeBack.run(name.constData(), Trigger::FocusOut);
}

void SettingsWiring::TrackBarExtraInjChange()
{
    if (!m_movingTrackBar)
        m_writeBack.WriteExtraInj();
}

void SettingsWiring::TrackBarAccelEnrichChange()
{
    if (!m_movingTrackBar)
        m_writeBack.WriteAccelEnrich();
}

void SettingsWiring::ShowImage()
{
    m_writeBack.ShowImage(m_session.conn.HardwareRevision, m_session.conn.SoftwareRevision);
}

QWidget *SettingsWiring::control(const char *name) const
{
    const QString key = QString::fromLatin1(name);
    auto it = m_controls.constFind(key);
    if (it != m_controls.constEnd() && it.value())
        return it.value();
    QWidget *w = m_form.findChild<QWidget *>(key);
    m_controls.insert(key, w);
    return w;
}

// ---------------------------------------------------------------------------------------------------
// SettingsView

NumberEntry SettingsWiring::number(const char *spin) const
{
    if (auto *s = controlAs<TAbNumSpin>(spin))
        return { s->value(), s->isEdited() };
    return {};
}

void SettingsWiring::setNumber(const char *spin, double value)
{
    if (auto *s = controlAs<TAbNumSpin>(spin))
        s->setValue(value);
}

int SettingsWiring::item(const char *combo) const
{
    if (auto *c = controlAs<QComboBox>(combo))
        return c->currentIndex();
    return -1;
}

void SettingsWiring::setItem(const char *combo, int item)
{
    auto *c = controlAs<QComboBox>(combo);
    if (!c)
        return;
    c->setCurrentIndex(item >= 0 && item < c->count() ? item : -1);
}

void SettingsWiring::setComboText(const char *combo, const QString &text)
{
    auto *c = controlAs<QComboBox>(combo);
    if (!c)
        return;
    c->setCurrentIndex(-1);
    c->setPlaceholderText(text);
    if (c->isEditable())
        c->setEditText(text);
}

bool SettingsWiring::isOn(const char *control) const
{
    if (auto *c = controlAs<QCheckBox>(control))
        return c->isChecked();
    if (auto *t = controlAs<TAbToggleSwitch>(control))
        return t->isOn();
    return false;
}

void SettingsWiring::setOn(const char *control, bool on)
{
    // A check box raises its click event on the change: its own write-back runs.
    if (auto *c = controlAs<QCheckBox>(control))
        c->setChecked(on);
    else if (auto *t = controlAs<TAbToggleSwitch>(control))
        t->setOn(on);
}

int SettingsWiring::position(const char *trackBar) const
{
    if (auto *s = controlAs<QSlider>(trackBar))
        return s->value();
    return 0;
}

void SettingsWiring::setPosition(const char *trackBar, int position)
{
    auto *s = controlAs<QSlider>(trackBar);
    if (!s)
        return;
    const bool was = m_movingTrackBar;
    m_movingTrackBar = true;
    s->setValue(position); // limited to the range; a change raises the change event
    m_movingTrackBar = was;
}

void SettingsWiring::setPercentText(const char *edit, double percent)
{
    if (auto *e = controlAs<QLineEdit>(edit))
        e->setText(QString::fromStdString(formatFixed(percent, 3, 1, systemDecimalPoint())));
}

void SettingsWiring::setVisible(const char *name, bool visible)
{
    if (QWidget *w = control(name))
        w->setVisible(visible);
}

void SettingsWiring::setEnabled(const char *name, bool enabled)
{
    QWidget *w = control(name);
    if (!w)
        return;
    // A page of a page control: its tab.
    if (QWidget *stack = w->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
            const int index = tabs->indexOf(w);
            if (index >= 0) {
                tabs->setTabEnabled(index, enabled);
                return;
            }
        }
    }
    w->setEnabled(enabled);
}

void SettingsWiring::setLambdaRange(double min, double max)
{
    for (const char *name : { "AbBarPasL", "AbBarLambda" }) {
        if (auto *bar = controlAs<TAbBar>(name))
            bar->setRange(min, max);
    }
}

RpmAxisTexts SettingsWiring::rpmAxisTexts() const
{
    // The speeds as the main map's header row shows them from the image.
    return maps::axisTexts(m_session.image, m_session.timeBases, QChar::fromLatin1(systemDecimalPoint())).rpm;
}

ImageWrites SettingsWiring::reencodeRpmAxis(ParameterImage &image, const RpmAxisTexts &texts)
{
    // The map editor converts the texts its header row shows and sends them itself.
    if (MapPages *maps = m_form.mapPages()) {
        maps->engineTypeChanged();
        return {};
    }
    const maps::AxisSaveResult r = maps::reencodeRpmAxis(image, texts, m_session.timeBases);
    ImageWrites out;
    if (r.status != maps::AxisSaveResult::Saved)
        return out;
    for (const maps::Write &w : r.writes) {
        if (w.kind == maps::WriteKind::Word)
            out.push_back(ImageWrite::word(w.index));
        else if (w.kind == maps::WriteKind::Byte)
            out.push_back(ImageWrite::byte(w.index));
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------
// ImageSender

void SettingsWiring::send(const ParameterImage &image, const ImageWrite &write)
{
    // Without a controller the frames go nowhere; the image keeps the change for a later file save.
    if (!m_session.conn.Connected)
        return;
    if (write.kind == ImageWrite::Kind::Byte)
        m_session.commands.SendImageByte(image.bytes.data(), write.index);
    else
        m_session.commands.SendImageWord(image.bytes.data(), write.index);
}

} // namespace kelvane
