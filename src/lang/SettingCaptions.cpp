#include "SettingCaptions.h"

#include <cstring>

namespace kelvane {

namespace {

struct Caption {
    const char *control;
    const char *text;
};
// Captions the language table has no id for; every other caption is the language table's own
// text of the caption label (captionNames) or of the check box.
const Caption captions[] = {
    { "AbNumSpinE", "E" },
    { "AbNumSpin14", "1/4" },
    { "AbNumSpin24", "2/4" },
    { "AbNumSpin34", "3/4" },
    { "ComboBoxPowrotZminRpmTime", "time:" },
    { "TrackBarAccelEnrich", "accelerate enrichment:" },
    { "ComboBoxAccRich", "" },
    { "ComboBoxExtRelay", "relay:" },
    { "AbNumSpinWzbogacenieGlowne", "Main enrichment:" },
    { "AbNumSpinOffsetGlowny", "Idle correction:" },
    { "AbNumSpinCisnieniePracy", "Work pressure:" },
    { "ComboBoxGazAutoOn", "return to propane after error:" },
    { "ComboBoxObd", "OBD/CAN:" },
    { "ComboBoxObdCorr", "OBD LPG/CNG CORRECTION:" },
    { "ComboBoxOBDholdValue", "HOLD:" },
};

const Caption checkTexts[] = {
    { "CheckBoxValvetronic", "valvetronic" },
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

template <std::size_t N> const char *lookup(const Caption (&table)[N], const char *control)
{
    for (const Caption &c : table) {
        if (std::strcmp(c.control, control) == 0)
            return c.text;
    }
    return nullptr;
}

bool sameName(const char *a, const char *b)
{
    if (!a || !b)
        return a == b;
    return std::strcmp(a, b) == 0;
}

} // namespace

QString targetText(TextTargetKind kind, const char *name, int index, const LanguageTexts &texts)
{
    const TextTarget *first = nullptr;
    const QString *given = nullptr;
    for (const TextTarget &t : textTargets()) {
        if (t.kind != kind || !sameName(t.name, name) || t.index != index)
            continue;
        if (!first)
            first = &t;
        // Rows are in id order: a later id of the same target wins.
        if (const auto it = texts.find(t.id); it != texts.end())
            given = &it->second;
    }
    if (given)
        return *given;
    return first ? defaultText(*first) : QString();
}

QString captionLabelName(const char *control)
{
    return QString::fromLatin1(lookup(captionNames, control));
}

QString settingCaption(const char *control, const LanguageTexts &texts)
{
    if (const char *label = lookup(captionNames, control)) {
        const QString text = captionText(label, texts);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(lookup(captions, control));
}

QString checkBoxText(const char *control, const LanguageTexts &texts)
{
    const QString text = captionText(control, texts);
    return text.isEmpty() ? QString::fromUtf8(lookup(checkTexts, control)) : text;
}

QString settingName(const QString &caption)
{
    QString name = caption;
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

} // namespace kelvane
