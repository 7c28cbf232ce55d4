#include "SettingsControls.h"

#include "Build.h"
#include "FieldTable.h"
#include "TAbNumSpin.h"
#include "TAbToggleSwitch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvane {

TextToggleSwitch::TextToggleSwitch(QWidget *parent)
    : TAbToggleSwitch(parent)
{
}

void TextToggleSwitch::setOnText(const QString &text)
{
    m_onText = text;
    update();
}

void TextToggleSwitch::setOffText(const QString &text)
{
    m_offText = text;
    update();
}

void TextToggleSwitch::paintEvent(QPaintEvent *event)
{
    TAbToggleSwitch::paintEvent(event);
    const QString text = currentText();
    // The track as the switch draws it: about 2:1, centred; the knob fills one end.
    const double h = std::min<double>(height() - 2, (width() - 2) / 1.9);
    if (text.isEmpty() || h < 8)
        return;
    const double w = h * 1.9;
    const QRectF track((width() - w) / 2, (height() - h) / 2, w, h);
    const double knob = h; // the knob's diameter with its margin
    const QRectF room = isOn() ? QRectF(track.left() + 3, track.top(), w - knob - 3, h)
                               : QRectF(track.left() + knob, track.top(), w - knob - 3, h);
    QFont f = font();
    f.setBold(true);
    int px = std::max(6, static_cast<int>(h * 0.45));
    f.setPixelSize(px);
    // Smaller until the text fits beside the knob; a text that does not fit even then is elided.
    while (px > 6 && QFontMetricsF(f).horizontalAdvance(text) > room.width()) {
        f.setPixelSize(--px);
    }
    QPainter p(this);
    p.setFont(f);
    p.setPen(!isEnabled() ? QColor(0x90, 0x90, 0x90) : isOn() ? QColor(Qt::white) : QColor(0x30, 0x30, 0x30));
    const QString shown = QFontMetrics(f).elidedText(text, Qt::ElideRight, static_cast<int>(room.width()));
    p.drawText(room, Qt::AlignCenter, shown);
}

const FieldDef *fieldOfControl(const char *control)
{
    for (const FieldDef &f : fieldTable()) {
        if (std::strcmp(f.control, control) == 0)
            return &f;
    }
    return nullptr;
}

namespace {

int decimalsFor(double step)
{
    if (step <= 0 || step >= 1)
        return 0;
    return std::min(3, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

struct Caption {
    const char *control;
    const char *text;
};
const Caption captions[] = {
    { "ComboBoxRpmSet", "engine type:" },
    { "ComboBoxRpmSignal", "rpm signal:" },
    { "AbNumSpinRpmSignalV", "signal level [V]:" },
    { "ComboBoxTurbo", "turbo:" },
    { "ComboBoxInjNum", "cylinders:" },
    { "ComboBoxLambdaTyp", "lambda:" },
    { "AbNumSpinMinInj", "min.inj" },
    { "AbNumSpinPeak", "peak" },
    { "AbNumSpinHold", "hold" },
    { "AbNumSpinE", "E" },
    { "AbNumSpin14", "1/4" },
    { "AbNumSpin24", "2/4" },
    { "AbNumSpin34", "3/4" },
    { "AbNumSpinRezRef", "ref.time" },
    { "ComboBoxRpmSw", "rpm" },
    { "ComboBoxTempSw", "temp" },
    { "AbNumSpinOnDelay", "delay" },
    { "AbNumSpinCylinderTime", "cylinder time" },
    { "AbNumSpinOffPres", "min. pressure" },
    { "ComboBoxMinRpm", "min. rpm" },
    { "ComboBoxMaxRpm", "max.rpm" },
    { "AbNumSpinOffDelay", "delay" },
    { "ComboBoxPowrotZminRpm", "back to propane after:" },
    { "ComboBoxPowrotZminRpmTime", "time:" },
    { "TrackBarExtraInj", "extra injection:" },
    { "TrackBarAccelEnrich", "accelerate enrichment:" },
    { "ComboBoxAccRich", "" },
    { "ComboBoxTGsensor", "TG sensor:" },
    { "ComboBoxTRsensor", "TR sensor:" },
    { "ComboBoxPresSensor", "pressure sensor:" },
    { "ComboBoxMAPSensType", "MAP sensor:" },
    { "ComboBoxExtRelay", "relay:" },
    { "AbNumSpinAdvTempHeat", "Temp red.:" },
    { "AbNumSpinAdvHeatT", "Heat time:" },
    { "AbNumSpinAdvHeatNornal", "Normal pulse:" },
    { "AbNumSpinAdvHeatLow", "Low pulse:" },
    { "ComboBoxHeatMode", "heat mode:" },
    { "AbNumSpinMazdaMinInj", "MinInj Time:" },
    { "AbNumSpinMazdaMaxInj", "MaxInj Time:" },
    { "AbNumSpinMinRpm", "Min RPM:" },
    { "AbNumSpinFilterStep", "Filter Step:" },
    { "ComboBoxDifPenEm28", "switch filter:" },
    { "TrackBarSwitchBright", "brightness:" },
    { "TrackBarBeepTime", "volume:" },
    { "ComboBoxBeepsWhenEmpty", "beeps when empty:" },
    { "ComboBoxErrorsBeep", "beeps on error:" },
    { "AbNumSpinWzbogacenieGlowne", "Main enrichment:" },
    { "AbNumSpinOffsetGlowny", "Idle correction:" },
    { "AbNumSpinCisnieniePracy", "Work pressure:" },
    { "ComboBoxGazAutoOn", "return to propane after error:" },
    { "ComboBoxObd", "OBD/CAN:" },
    { "ComboBoxObdCorr", "OBD LPG/CNG CORRECTION:" },
    { "ComboBoxOBDholdValue", "HOLD:" },
};

const Caption checkTexts[] = {
    { "CheckBoxLevelSensorNegativ", "negative sensor" },
    { "CheckBoxWskaznikZasilany", "Valve powered" },
    { "CheckBoxValvetronic", "valvetronic" },
    { "CheckBoxGazStart", "propane start" },
    { "CheckBoxSilentMode", "SILENT ON/OFF" },
    { "CheckBoxBeepWhenGazOn", "beep when propane on" },
    { "CheckBoxBeepWhenSwClick", "beep on switch click" },
    { "CheckBoxBeepWhenError", "beep on error" },
};

// The names of the caption labels, by which other code shows, hides or translates them.
const Caption captionNames[] = {
    { "ComboBoxRpmSet", "LabelCoil" },
    { "ComboBoxRpmSignal", "LabelRpmSig" },
    { "AbNumSpinRpmSignalV", "LabelRpmSignalV" },
    { "ComboBoxTurbo", "LabelTurbo" },
    { "ComboBoxInjNum", "LabelCylinders" },
    { "ComboBoxLambdaTyp", "LabelLambdaTyp" },
    { "AbNumSpinMinInj", "LabelMinIjj" },
    { "AbNumSpinPeak", "LabelPeak" },
    { "AbNumSpinHold", "LabelHold" },
    { "AbNumSpinRezRef", "LabelRefTime" },
    { "ComboBoxRpmSw", "Label25" },
    { "ComboBoxTempSw", "Label26" },
    { "AbNumSpinOnDelay", "Label28" },
    { "AbNumSpinCylinderTime", "Label31" },
    { "AbNumSpinOffPres", "Label32" },
    { "ComboBoxMinRpm", "Label35" },
    { "ComboBoxMaxRpm", "Label33" },
    { "AbNumSpinOffDelay", "Label34" },
    { "ComboBoxPowrotZminRpm", "Label65" },
    { "ComboBoxPowrotZminRpmTime", "LabelCzasPowrotuG" },
    { "TrackBarExtraInj", "Label13" },
    { "ComboBoxTGsensor", "LabelTGSEnsor" },
    { "ComboBoxTRsensor", "LabelTRsensor" },
    { "ComboBoxPresSensor", "LabelPresSensTyp" },
    { "ComboBoxMAPSensType", "LabelMapType" },
    { "AbNumSpinAdvTempHeat", "LabelRedTemp" },
    { "AbNumSpinAdvHeatT", "LabelHeatTime" },
    { "AbNumSpinAdvHeatNornal", "LabelHeatPulse" },
    { "AbNumSpinAdvHeatLow", "Label78" },
    { "ComboBoxHeatMode", "Label7" },
    { "AbNumSpinMazdaMinInj", "LabelMazdaMinInj" },
    { "AbNumSpinMazdaMaxInj", "LabelMazdaMaxInj" },
    { "AbNumSpinMinRpm", "LabelMazdaMinRpm" },
    { "AbNumSpinFilterStep", "Label60" },
    { "ComboBoxDifPenEm28", "LabelDifPEnEm" },
    { "TrackBarSwitchBright", "LabelSwitchBright" },
    { "TrackBarBeepTime", "Label39" },
    { "ComboBoxBeepsWhenEmpty", "Label62" },
    { "ComboBoxErrorsBeep", "Label8" },
};

QString lookup(const Caption *table, std::size_t n, const char *control)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (std::strcmp(table[i].control, control) == 0)
            return QString::fromUtf8(table[i].text);
    }
    return QString();
}

} // namespace

QString settingCaption(const char *control)
{
    return lookup(captions, sizeof captions / sizeof captions[0], control);
}

QWidget *createSetting(QWidget *parent, const char *control)
{
    const FieldDef *f = fieldOfControl(control);
    if (!f)
        return nullptr;
    const QString name = QString::fromLatin1(control);
    QWidget *w = nullptr;
    switch (f->controlKind) {
    case ControlKind::SpinEdit:
        w = build::spin(parent, name, f->min, f->max, f->step, decimalsFor(f->step));
        break;
    case ControlKind::ComboBox:
        w = build::combo(parent, name, f->items);
        break;
    case ControlKind::CheckBox: {
        auto *c = new QCheckBox(lookup(checkTexts, sizeof checkTexts / sizeof checkTexts[0], control), parent);
        c->setObjectName(name);
        w = c;
        break;
    }
    case ControlKind::ToggleSwitch: {
        auto *t = new TextToggleSwitch(parent);
        t->setObjectName(name);
        w = t;
        break;
    }
    case ControlKind::TrackBar: {
        auto *s = new QSlider(Qt::Horizontal, parent);
        s->setObjectName(name);
        s->setRange(static_cast<int>(f->min), static_cast<int>(f->max));
        // Brightness and volume start at position 10, as the window has always opened.
        s->setValue(10);
        w = s;
        break;
    }
    case ControlKind::None:
        return nullptr;
    }
    w->setEnabled(false);
    return w;
}

QWidget *addSetting(QWidget *parent, QGridLayout *grid, int row, int column, const char *control)
{
    QWidget *w = createSetting(parent, control);
    if (!w)
        return nullptr;
    const QString caption = settingCaption(control);
    if (!caption.isEmpty()) {
        auto *label = new QLabel(caption, parent);
        label->setObjectName(lookup(captionNames, sizeof captionNames / sizeof captionNames[0], control));
        grid->addWidget(label, row, column);
    }
    grid->addWidget(w, row, column + 1);
    return w;
}

void showSpin(TAbNumSpin &spin, const Shown &shown)
{
    spin.setValue(shown.number);
}

ImageWrites writeBackSpin(
    ParameterImage &image, const FieldDef &field, const TAbNumSpin &spin, const DecodeContext &ctx)
{
    return writeBackNumber(image, field, { spin.value(), spin.isEdited() }, ctx);
}

} // namespace kelvane
