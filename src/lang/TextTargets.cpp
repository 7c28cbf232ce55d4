#include "TextTargets.h"

#include "Adaptation.h"
#include "FaultTexts.h"
#include "FieldCodec.h"
#include "FieldTable.h"
#include "MapAxes.h"
#include "MapEditing.h"

#include <algorithm>

namespace kelvane {

namespace {

using K = TextTargetKind;

class Builder {
public:
    std::vector<TextTarget> rows;

    void tab(int id, const char *name, const char *text) { add(id, K::TabCaption, name, -1, text); }
    void menu(int id, const char *name, const char *text) { add(id, K::MenuCaption, name, -1, text); }
    void caption(int id, const char *name, const char *text) { add(id, K::Caption, name, -1, text); }
    void onOff(int id, const char *name, const char *text) { add(id, K::OnOffTexts, name, -1, text); }
    void onText(int id, const char *name, const char *text) { add(id, K::OnText, name, -1, text); }
    void offText(int id, const char *name, const char *text) { add(id, K::OffText, name, -1, text); }
    void status(int id, const char *member, const char *text) { add(id, K::StatusText, member, -1, text); }
    void global(int id, const char *member, const char *text) { add(id, K::GlobalText, member, -1, text); }
    // Items `first` to first + count - 1 of a combo box from consecutive ids starting at `id`.
    void items(int id, const char *combo, int first, int count)
    {
        for (int index = first; index < first + count; ++index)
            add(id++, K::ComboItem, combo, index, nullptr);
    }
    // One id for the same text of the switches `prefix`1 to `prefix`8.
    void eight(int id, K kind, const char *const (&names)[8], const char *text)
    {
        for (const char *n : names)
            add(id, kind, n, -1, text);
    }
    void fault(int id, int code) { add(id, K::FaultText, nullptr, code, nullptr); }
    void adaptation(int id, int index) { add(id, K::AdaptationText, nullptr, index, nullptr); }

private:
    void add(int id, K kind, const char *name, int index, const char *text)
    {
        rows.push_back(TextTarget { id, kind, name, index, text });
    }
};

const char *const PasEmu[8] = { "AbColBitBtnPasEmu1", "AbColBitBtnPasEmu2", "AbColBitBtnPasEmu3", "AbColBitBtnPasEmu4",
    "AbColBitBtnPasEmu5", "AbColBitBtnPasEmu6", "AbColBitBtnPasEmu7", "AbColBitBtnPasEmu8" };
const char *const Emu[8] = { "AbColBitBtnEmu1", "AbColBitBtnEmu2", "AbColBitBtnEmu3", "AbColBitBtnEmu4",
    "AbColBitBtnEmu5", "AbColBitBtnEmu6", "AbColBitBtnEmu7", "AbColBitBtnEmu8" };
const char *const Goff[8] = { "AbColBitBtnGoff1", "AbColBitBtnGoff2", "AbColBitBtnGoff3", "AbColBitBtnGoff4",
    "AbColBitBtnGoff5", "AbColBitBtnGoff6", "AbColBitBtnGoff7", "AbColBitBtnGoff8" };
const char *const Toggles[4]
    = { "AbToggleSwitchTempCorProp", "AbToggleSwitchTempCorRed", "AbToggleSwitchInjHeat", "AbToggleSwitchAdv7" };

std::vector<TextTarget> build()
{
    Builder b;
    // Tabs.
    b.tab(100001, "TabSheet1", "[F2]readings");
    b.tab(100002, "TabSheet2", "[F3]parameters");
    b.tab(100003, "TabSheet3", "[F4]adjustment");
    b.tab(100004, "TabSheet4", "[F5]diagnostic");
    b.tab(100005, "TabSheet5", "adaptation");
    b.tab(100006, "TabSheet21", "podstawowe");
    b.tab(100007, "TabSheet22", "zaawansowane");
    b.tab(100008, "TabSheet6", "ECU");
    b.tab(100009, "TabSheetOBD", "EOBD/OBD/OBDII");
    b.tab(100010, "TabSheet8", "DataLogger");
    b.tab(100011, "TabSheet41", "[F6]mapping");
    b.tab(100012, "TabSheet51", "[F7]advanced map");

    // Menu.
    b.menu(100101, "File1", "file");
    b.menu(100102, "savetodisk1", "save to disk");
    b.menu(100103, "loadtoECU1", "load to ECU");
    b.menu(100104, "exit1", "exit");
    b.menu(100105, "port1", "port");
    b.menu(100106, "F10autoconnect1", "[F10] autoconnect (COM1-16)");
    b.menu(100107, "options1", "options");
    b.menu(100108, "F2readings1", "[F2]readings");
    b.menu(100109, "F3parameters1", "[F3]parameters");
    b.menu(100110, "F4adjustment1", "[F4]adjustment");
    b.menu(100111, "F5diagnostic1", "[F5]diagnostic");
    b.menu(100113, "auto1", "-> auto");
    b.menu(100114, "propane1", "->propane");
    b.menu(100115, "RESET1", "RESET ECU");
    b.menu(100116, "language1", "language");
    b.menu(100117, "help1", "help");
    b.menu(100121, "English1", "English");
    b.menu(100122, "Polish1", "Polish");
    b.menu(100123, "Russian1", "Russian");
    b.menu(100124, "Thai1", "Thai");
    b.menu(100125, "Lithuanian1", "Lithuanian");
    b.menu(100131, "petro1", "-> petrol");
    b.menu(100132, "F6mapping1", "[F6]mapping");
    b.menu(100133, "F7advancedmap1", "[F7]advanced map");

    // Side strip.
    b.caption(100201, "LabelPasDif", "diff.");
    b.caption(100202, "LabelPasVac", "vacum");
    b.caption(100203, "LabelPasAbs", "abs.");
    b.caption(100204, "LabelPasRpm", "rpm");
    b.caption(100205, "LabelTempG", "TG [\u00B0C]");
    b.caption(100206, "LabelTempR", "TR [\u00B0C]");
    b.caption(100210, "LabelPasLevel", "PROPANE LEVEL [V]");
    b.caption(100211, "LabelPasLevel2", "LAMBDA [V]");
    b.caption(100215, "LabelPasStatus", "STATUS:");
    b.status(100218, "autoMode", "auto");
    b.onOff(100219, "AbColBitBtnPasAutomat", "auto");
    b.caption(100220, "LabelPasInjG", "propane");
    b.status(100220, "gaz", "gaz");
    b.onOff(100221, "AbColBitBtnPasGaz", "propane");
    b.caption(100222, "LabelPasInjB", "gasoline");
    b.status(100222, "gasoline", "gasoline");
    b.onOff(100223, "AbColBitBtnPasBenzyna", "petrol");
    b.eight(100224, K::OffText, PasEmu, "off");
    b.eight(100225, K::OnText, PasEmu, "on");
    b.status(100226, "error", "error");
    b.status(100227, "errorPres", "error pres.");
    b.status(100228, "errorRpm", "error RPM/IGN.");
    b.status(100229, "errorCom", "error COMx");

    // Readings tab.
    b.caption(100304, "LabelOdT", "TEMPERATURE [\u00B0C]");
    b.caption(100305, "LabelOdTg", "gas");
    b.caption(100306, "LabelOdTR", "reducer");
    b.caption(100307, "LabelOdLevel", "level [V]");
    b.caption(100321, "LabelOdInj", "INJECTORS");
    b.caption(100322, "LabelOdInjB", "gasoline");
    b.caption(100323, "LabelOdInjG", "propane");
    b.caption(100324, "LabelOdLambda", "lambda [V]");
    b.eight(100325, K::OffText, Emu, "off");
    b.eight(100326, K::OnText, Emu, "on");
    b.eight(100327, K::OffText, Goff, "off");
    b.eight(100328, K::OnText, Goff, "on");

    // Parameters, basic page.
    b.caption(100401, "LabelRpmSig", "rpm signal:");
    b.caption(100402, "LabelCoil", "engine type:");
    b.caption(100405, "LabelTurbo", "turbo:");
    b.items(100441, "ComboBoxTurbo", 0, 2);
    b.caption(100461, "LabelPar1", "1.Car setup");
    b.caption(100462, "LabelPar2", "2.Propane injector");
    b.caption(100463, "LabelPar3", "3.Level setup");
    b.caption(100464, "LabelPar4", "4.Switch to propane");
    b.caption(100465, "LabelPar5", "5.Back to gasoline");
    b.caption(100466, "LabelPar6", "6.Extra injection, accelerate rich/lean");
    b.caption(100471, "LabelCylinders", "cylinders:");
    b.caption(100472, "LabelLambdaTyp", "lambda:");
    b.items(100473, "ComboBoxLambdaTyp", 0, 1);
    b.items(100474, "ComboBoxRpmSet", 0, 7);
    b.caption(100481, "LabelMinIjj", "min.inj");
    b.caption(100482, "LabelPeak", "peak");
    b.caption(100483, "LabelHold", "hold");
    b.caption(100484, "CheckBoxLevelSensorNegativ", "negative sensor");
    b.caption(100485, "CheckBoxWskaznikZasilany", "Valve powered");
    b.caption(100486, "LabelRefTime", "ref.time");
    // The captions of group 4 ("rpm", "temp", "delay", "cylinder time") and group 5.
    b.caption(100487, "Label25", "rpm");
    b.caption(100488, "Label26", "temp");
    b.caption(100489, "Label28", "delay");
    b.caption(100490, "Label31", "cylinder time");
    b.caption(100491, "Label32", "min. pressure");
    b.caption(100492, "Label35", "min. rpm");
    b.caption(100493, "Label33", "max.rpm");
    b.caption(100494, "Label34", "delay");
    b.caption(100495, "Label65", "back to propane after:");
    b.caption(100496, "Label13", "extra injection:");
    b.items(100497, "ComboBoxAccRich", 0, 2);
    b.items(100499, "ComboBoxPowrotZminRpm", 0, 2);

    // Parameters, advanced page.
    b.caption(100551, "LabelCzujniki", "1.SENSORS:");
    b.caption(100552, "LabelAdvService", "2.SERVICE:");
    b.caption(100553, "LabelTempCorPropan", "3.Propane Temperature Correction");
    b.caption(100554, "LabelTempCorRed", "4.Reducer Temperature Correction");
    b.caption(100555, "LabelAdvRelayDr", "5.External Relay Driver");
    b.caption(100556, "LabelInjHeat", "6.Injectors heating");
    b.caption(100557, "LabelAdv7", "7.Mazda v.4");
    b.caption(100558, "LabelAdv8", "8.Extras");
    b.caption(100559, "LabelTGSEnsor", "TG sensor:");
    b.caption(100560, "LabelTRsensor", "TR sensor:");
    b.caption(100561, "LabelPresSensTyp", "pressure sensor:");
    b.caption(100562, "LabelMapType", "MAP sensor:");
    b.caption(100563, "ButtonSetSerwis", "SET SERVICE");
    b.caption(100564, "ButtonDeleteSerwis", "DELETE SERVICE");
    b.global(100565, "serviceTimeLeft", "service time left");
    b.global(100566, "serviceOff", "service off");
    for (const char *t : Toggles)
        b.offText(100567, t, "OFF");
    for (const char *t : Toggles)
        b.onText(100568, t, "ON");
    b.caption(100569, "CheckBoxGazVector", "mod. temp. points");
    b.caption(100569, "CheckBoxReducerVector", "mod. temp. points");
    b.items(100570, "ComboBoxExtRelay", 0, 15);
    b.caption(100585, "LabelRedTemp", "Temp red.:");
    b.caption(100586, "LabelHeatTime", "Heat time:");
    b.caption(100587, "LabelHeatPulse", "Normal pulse:");
    b.caption(100588, "Label78", "Low pulse:");
    b.caption(100589, "Label7", "heat mode:");
    b.items(100590, "ComboBoxHeatMode", 0, 4);
    b.tab(100601, "TabSheet6", "ECU");
    b.tab(100602, "TabSheetOBD", "EOBD/OBD/OBDII");
    b.tab(100603, "TabSheet8", "DataLogger");

    // Diagnostics (error panel).
    b.caption(100611, "LabelDiagErrorAuto", "return to propane after error:");
    b.caption(100612, "ButtonErrorShow", "ShowErrors");
    b.onText(100613, "AbColBitBtn42", "erase errors");
    b.offText(100614, "AbColBitBtn42", "erase errors");
    b.items(100621, "ComboBoxGazAutoOn", 0, 2);

    // Parameters, advanced page: group 7 and group 8.
    b.caption(100650, "Label12", "gas injection limits:");
    b.caption(100651, "LabelMazdaMinInj", "MinInj Time:");
    b.caption(100652, "LabelMazdaMaxInj", "MaxInj Time:");
    b.caption(100653, "LabelMazdaMinRpm", "Min RPM:");
    b.caption(100654, "Label60", "Filter Step:");
    b.caption(100660, "LabelDifPEnEm", "switch filter:");
    b.caption(100661, "CheckBoxGazStart", "propane start");
    b.caption(100662, "Label39", "volume:");
    b.caption(100663, "Label62", "beeps when empty:");
    b.caption(100664, "Label8", "beeps on error:");
    b.caption(100665, "LabelSwitchBright", "brightness:");
    b.caption(100666, "LabelBeeper", "BEEPER:");
    b.caption(100667, "CheckBoxSilentMode", "SILENT ON/OFF");
    b.caption(100668, "CheckBoxBeepWhenGazOn", "beep when propane on");
    b.caption(100669, "CheckBoxBeepWhenSwClick", "beep on switch click");
    b.caption(100670, "CheckBoxBeepWhenError", "beep on error");

    // Fault texts 0-29 (code 30 keeps its text).
    for (int code = 0; code < 30; ++code)
        b.fault(100701 + code, code);

    b.status(100801, "workTime", "work time");

    // Adjustment tab and maps.
    b.caption(100901, "LabelWzbogacenieGlowne", "Main enrichment:");
    b.caption(100902, "LabelOffsetGlowny", "Idle correction:");
    b.caption(100903, "LabelCisnieniePracy", "Work pressure:");
    b.caption(100904, "ButtonMapowanieSmooth", "smooth");
    b.caption(100905, "ButtonResetBenz", "reset gasoline");
    b.caption(100906, "ButtonResetGaz", "reset propane");
    b.caption(100907, "ButtonCallculateMap", "calculate map");
    b.caption(100910, "CheckBoxModPchar", "Mod.Char. Poin.");
    b.caption(100911, "LabelMapDefine", "map reset:");
    b.caption(100912, "Label90", "map smooth:");
    b.caption(100913, "ButtonMapSmooth", "smooth");
    b.items(100914, "ComboBoxRpmDefs", 0, 1);
    b.items(100915, "ComboBoxInjTdefs", 0, 1);
    b.items(100916, "ComboBoxMapReset", 1, 4);

    // Diagnostics (injector panel).
    b.caption(101001, "LabelDiagInj", "injectors");
    b.caption(101002, "LabelCutOFF", "cut off");
    b.caption(101003, "LabelDiagBenzyna", "gasoline");
    b.caption(101004, "LabelDiagGaz", "propane");
    b.caption(101005, "LabelDiagIjnOffset", "inj. offset");
    b.caption(101006, "LabelSequenceType", "Sequence Vizualization:");

    // Adaptation.
    b.caption(101101, "ButtonAdaptacjaStart", "START");
    b.caption(101102, "ButtonAdaptacjaStop", "STOP");
    b.caption(101103, "ButtonAdaptNext", "NEXT");
    for (int i = 0; i < 17; ++i)
        b.adaptation(101201 + i, i);

    // Captions that had no id of their own.
    b.caption(101301, "LabelTimeBack", "back to propane time [s]:");
    b.caption(101302, "LabelRpmSignalV", "signal level [V]:");
    b.caption(101303, "LabelHeatWizTime", "heating time [s]:");

    // In id order; rows of one id keep the order they were listed in.
    std::stable_sort(
        b.rows.begin(), b.rows.end(), [](const TextTarget &l, const TextTarget &r) { return l.id < r.id; });
    return b.rows;
}

const std::vector<ComboReselect> Rules = {
    { "ComboBoxTurbo", 100442, "Turbo" },
    { "ComboBoxLambdaTyp", 100473, "LambdaTyp" },
    { "ComboBoxRpmSet", 100480, "RpmSet" },
    { "ComboBoxAccRich", 100498, "AccRich" },
    { "ComboBoxPowrotZminRpm", 100500, "PowrotZminRpm" },
    { "ComboBoxExtRelay", 100584, "ExtRelay" },
    { "ComboBoxHeatMode", 100593, "HeatLow1" },
    { "ComboBoxGazAutoOn", 100622, "GazAutoOn" },
    { "ComboBoxRpmDefs", 100914, nullptr },
    { "ComboBoxInjTdefs", 100915, nullptr },
    { "ComboBoxMapReset", 100919, nullptr },
};

// The items of a combo box as its owner writes them down: a settings box's from its field, the map
// boxes' from the map editors.
QStringList comboItems(const char *combo)
{
    const QLatin1String name(combo);
    for (const FieldDef &f : fieldTable()) {
        if (f.controlKind == ControlKind::ComboBox && name == QLatin1String(f.control))
            return f.items;
    }
    if (name == QLatin1String("ComboBoxRpmDefs"))
        return maps::rpmPresetItems();
    if (name == QLatin1String("ComboBoxInjTdefs"))
        return maps::injPresetItems();
    if (name == QLatin1String("ComboBoxMapReset"))
        return maps::mapResetItems();
    return {};
}

} // namespace

const std::vector<TextTarget> &textTargets()
{
    static const std::vector<TextTarget> table = build();
    return table;
}

std::vector<const TextTarget *> targetsOf(int id)
{
    const auto &table = textTargets();
    auto it
        = std::lower_bound(table.begin(), table.end(), id, [](const TextTarget &t, int value) { return t.id < value; });
    std::vector<const TextTarget *> found;
    for (; it != table.end() && it->id == id; ++it)
        found.push_back(&*it);
    return found;
}

bool hasTarget(int id)
{
    const auto &table = textTargets();
    return std::binary_search(table.begin(), table.end(), TextTarget { id, K::Caption, nullptr, -1, nullptr },
        [](const TextTarget &l, const TextTarget &r) { return l.id < r.id; });
}

std::vector<int> textIds()
{
    std::vector<int> ids;
    for (const TextTarget &t : textTargets()) {
        if (ids.empty() || ids.back() != t.id)
            ids.push_back(t.id);
    }
    return ids;
}

QString englishText(int id)
{
    const auto rows = targetsOf(id);
    return rows.empty() ? QString() : defaultText(*rows.front());
}

QString defaultText(const TextTarget &t)
{
    switch (t.kind) {
    case K::FaultText:
        return QString::fromUtf8(defaultFaultText(t.index));
    case K::AdaptationText:
        return t.index >= 0 && t.index < AdaptTextCount
            ? QString::fromUtf8(adaptDefaultText(static_cast<AdaptText>(t.index)))
            : QString();
    case K::ComboItem:
        return comboItems(t.name).value(t.index);
    default:
        return QString::fromUtf8(t.text);
    }
}

const char *kindName(TextTargetKind kind)
{
    switch (kind) {
    case K::TabCaption:
        return "tab caption";
    case K::MenuCaption:
        return "menu caption";
    case K::Caption:
        return "caption";
    case K::OnOffTexts:
        return "on- and off-text";
    case K::OnText:
        return "on-text";
    case K::OffText:
        return "off-text";
    case K::ComboItem:
        return "combo item";
    case K::StatusText:
        return "status text";
    case K::GlobalText:
        return "global text";
    case K::FaultText:
        return "fault text";
    case K::AdaptationText:
        return "adaptation text";
    }
    return "?";
}

const std::vector<ComboReselect> &comboReselectRules()
{
    return Rules;
}

const ComboReselect *reselectRuleFor(int id)
{
    for (const ComboReselect &r : Rules) {
        if (r.lastId == id)
            return &r;
    }
    return nullptr;
}

int reselectedItem(const ComboReselect &rule, const ParameterImage &image, const TimeBases &timeBases)
{
    if (!rule.field)
        return 0;
    const FieldDef *f = findField(QLatin1String(rule.field));
    if (!f)
        return -1;
    const Shown shown = decodeField(image, *f, DecodeContext { timeBases });
    return shown.kind == ShownKind::Item ? shown.index : -1;
}

} // namespace kelvane
