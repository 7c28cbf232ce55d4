#include "SettingsSections.h"

#include <cstring>

namespace kelvane {

const std::vector<SettingsSection> &basicSections()
{
    static const std::vector<SettingsSection> sections = {
        { "1.Car setup", "LabelPar1", {}, SectionBody::Columns,
            { "ComboBoxRpmSet", "ComboBoxRpmSignal", "AbNumSpinRpmSignalV", "ComboBoxTurbo", "ComboBoxInjNum",
                "ComboBoxLambdaTyp" },
            {} },
        { "2.Propane injector", "LabelPar2", { "ComboBoxInjTyp" }, SectionBody::Columns,
            { "AbNumSpinMinInj", "AbNumSpinPeak", "AbNumSpinHold" }, {} },
        { "3.Level setup", "LabelPar3", { "ComboBoxLevSensor" }, SectionBody::Columns,
            { "AbNumSpinE", "AbNumSpin14", "AbNumSpin24", "AbNumSpin34", "CheckBoxLevelSensorNegativ",
                "AbNumSpinRezRef", "CheckBoxWskaznikZasilany" },
            {} },
        { "4.Switch to propane", "LabelPar4", {}, SectionBody::Columns,
            { "ComboBoxRpmSw", "ComboBoxTempSw", "AbNumSpinOnDelay", "AbNumSpinCylinderTime" }, {} },
        { "5.Back to gasoline", "LabelPar5", {}, SectionBody::Columns,
            { "AbNumSpinOffPres", "ComboBoxMinRpm", "ComboBoxMaxRpm", "AbNumSpinOffDelay", "ComboBoxPowrotZminRpm",
                "ComboBoxPowrotZminRpmTime", "CheckBoxValvetronic" },
            {} },
        { "6.Extra injection, accelerate rich/lean", "LabelPar6", {}, SectionBody::Columns,
            { "TrackBarExtraInj", "TrackBarAccelEnrich", "ComboBoxAccRich" }, {} },
    };
    return sections;
}

const std::vector<SettingsSection> &advancedSections()
{
    static const std::vector<SettingsSection> sections = {
        { "1.SENSORS:", "LabelCzujniki", {}, SectionBody::Columns,
            { "ComboBoxTGsensor", "ComboBoxTRsensor", "ComboBoxPresSensor", "ComboBoxMAPSensType" }, {} },
        { "2.SERVICE:", "LabelAdvService", {}, SectionBody::Service, {}, {} },
        { "3.Propane Temperature Correction", "LabelTempCorPropan", { "AbToggleSwitchTempCorProp" },
            SectionBody::GasTempMap, {}, {} },
        { "4.Reducer Temperature Correction", "LabelTempCorRed", { "AbToggleSwitchTempCorRed" },
            SectionBody::ReducerTempMap, {}, {} },
        { "5.External Relay Driver", "LabelAdvRelayDr", {}, SectionBody::Columns, { "ComboBoxExtRelay" }, {} },
        { "6.Injectors heating", "LabelInjHeat", { "AbToggleSwitchInjHeat" }, SectionBody::Columns,
            { "AbNumSpinAdvTempHeat", "AbNumSpinAdvHeatT", "AbNumSpinAdvHeatNornal", "AbNumSpinAdvHeatLow",
                "ComboBoxHeatMode" },
            {} },
        // The injection limits under their heading.
        { "7.Mazda v.4", "LabelAdv7", { "AbToggleSwitchAdv7" }, SectionBody::Rows, {},
            { { "=Label12", nullptr }, { "AbNumSpinMazdaMinInj", "AbNumSpinMinRpm" },
                { "AbNumSpinMazdaMaxInj", "AbNumSpinFilterStep" } } },
        // The switch's settings, then the beeper's under their heading.
        { "8.Extras", "LabelAdv8", {}, SectionBody::Rows, {},
            { { "ComboBoxDifPenEm28", nullptr }, { "TrackBarSwitchBright", nullptr }, { "CheckBoxGazStart", nullptr },
                { "=LabelBeeper", nullptr }, { "TrackBarBeepTime", nullptr }, { "ComboBoxBeepsWhenEmpty", nullptr },
                { "ComboBoxErrorsBeep", nullptr }, { "CheckBoxSilentMode", "CheckBoxBeepWhenGazOn" },
                { "CheckBoxBeepWhenSwClick", "CheckBoxBeepWhenError" } } },
    };
    return sections;
}

const char *headingText(const char *name)
{
    struct Heading {
        const char *name;
        const char *text;
    };
    static const Heading headings[] = {
        { "Label12", "gas injection limits:" },
        { "LabelBeeper", "BEEPER:" },
    };
    for (const Heading &h : headings) {
        if (name && std::strcmp(h.name, name) == 0)
            return h.text;
    }
    return nullptr;
}

std::vector<const char *> sectionControls(const SettingsSection &section)
{
    std::vector<const char *> out = section.headerControls;
    if (section.body == SectionBody::Columns) {
        out.insert(out.end(), section.controls.begin(), section.controls.end());
    } else if (section.body == SectionBody::Rows) {
        for (const SectionRow &r : section.rows) {
            if (r.left && r.left[0] != '=')
                out.push_back(r.left);
            if (r.right)
                out.push_back(r.right);
        }
    }
    return out;
}

bool hiddenOnPage(const char *control)
{
    return std::strcmp(control, "CheckBoxValvetronic") == 0;
}

bool shownWhenSignalLevel(const char *control)
{
    return std::strcmp(control, "AbNumSpinRpmSignalV") == 0;
}

bool shownWhenReturnOn(const char *control)
{
    return std::strcmp(control, "ComboBoxPowrotZminRpmTime") == 0;
}

} // namespace kelvane
