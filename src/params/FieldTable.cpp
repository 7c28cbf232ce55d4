#include "FieldTable.h"

#include <cstdlib>

namespace kelvane {

int FieldDef::byteSize() const
{
    switch (width) {
    case FieldWidth::Byte:
    case FieldWidth::Bits:
        return 1;
    case FieldWidth::Word:
        return 2;
    case FieldWidth::Dword:
        return 4;
    case FieldWidth::ByteTable:
        return count;
    }
    return 1;
}

QString obdHoldItemText(int n)
{
    // The trim in units of 0.00001 %: (n - 128) x 100 / 128 = (n - 128) x 0.78125 exactly.
    const long long v = (static_cast<long long>(n) - 128) * 78125;
    const long long hundredths = (std::llabs(v) + 500) / 1000; // half away from zero
    QString trim = QString::number(hundredths / 100);
    const long long frac = hundredths % 100;
    if (frac != 0) {
        QString digits = QStringLiteral("%1").arg(frac, 2, 10, QLatin1Char('0'));
        if (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        trim += QLatin1Char(',') + digits;
    }
    if (v < 0 && hundredths != 0)
        trim.prepend(QLatin1Char('-'));
    return QString::number(n) + QLatin1Char('(') + trim + QLatin1Char(')');
}

namespace {

QStringList numbers(int from, int to, int step = 1)
{
    QStringList out;
    for (int v = from; v <= to; v += step)
        out << QString::number(v);
    return out;
}

QStringList offPlus(int from, int to)
{
    return QStringList { QStringLiteral("off") } + numbers(from, to, 100);
}

// "1,5" ... "3,0"
QStringList tenths(int fromTenths, int toTenths)
{
    QStringList out;
    for (int v = fromTenths; v <= toTenths; ++v)
        out << QString::number(v / 10) + QLatin1Char(',') + QString::number(v % 10);
    return out;
}

QStringList obdHoldItems()
{
    QStringList out;
    for (int n = 0; n < 256; ++n)
        out << obdHoldItemText(n);
    return out;
}

// Chained setters so that each table row stays on a few lines.
class Row {
public:
    Row(const char *name, int offset, FieldWidth width)
    {
        f.name = name;
        f.offset = offset;
        f.width = width;
    }
    Row &sign()
    {
        f.isSigned = true;
        return *this;
    }
    Row &bits(int bitNo, int count = 1)
    {
        f.bitNo = bitNo;
        f.count = count;
        return *this;
    }
    Row &length(int n)
    {
        f.count = n;
        return *this;
    }
    Row &inverted()
    {
        f.inverted = true;
        return *this;
    }
    Row &ticks(std::uint8_t selector)
    {
        f.encoding = Encoding::Ticks;
        f.selector = selector;
        return *this;
    }
    Row &period()
    {
        f.encoding = Encoding::Period;
        return *this;
    }
    Row &linear(int mult, int add, int minStored = INT_MIN)
    {
        f.encoding = Encoding::Linear;
        f.mult = mult;
        f.add = add;
        f.minStored = minStored;
        return *this;
    }
    Row &scaled(long double store, long double show, long double store2 = 1, long double show2 = 1)
    {
        f.encoding = Encoding::Scaled;
        f.storeFactor = store;
        f.storeFactor2 = store2;
        f.showFactor = show;
        f.showFactor2 = show2;
        return *this;
    }
    Row &codec(Codec c)
    {
        f.encoding = Encoding::Custom;
        f.codec = c;
        return *this;
    }
    Row &offRpm(int storeRpm, int showRpm, const char *enableField)
    {
        codec(Codec::OffRpmItem);
        f.storeRpm = storeRpm;
        f.showRpm = showRpm;
        f.enableField = enableField;
        return *this;
    }
    Row &blank(int below, const char *text)
    {
        f.hasBlank = true;
        f.blankBelow = below;
        f.blankText = text;
        return *this;
    }
    Row &derivedFrom(const char *source, int div)
    {
        f.source = source;
        f.sourceDiv = div;
        return *this;
    }
    Row &spin(const char *control, double min, double max, double step)
    {
        return control_(control, ControlKind::SpinEdit, min, max, step);
    }
    Row &track(const char *control, int min, int max) { return control_(control, ControlKind::TrackBar, min, max, 1); }
    Row &check(const char *control) { return control_(control, ControlKind::CheckBox, 0, 1, 1); }
    Row &toggle(const char *control) { return control_(control, ControlKind::ToggleSwitch, 0, 1, 1); }
    Row &combo(const char *control, QStringList items)
    {
        control_(control, ControlKind::ComboBox, 0, 0, 0);
        f.items = std::move(items);
        return *this;
    }
    Row &byteWrite(int offset)
    {
        f.send = SendKind::Byte;
        f.sendIndex = offset;
        return *this;
    }
    Row &wordWrite(int index)
    {
        f.send = SendKind::Word;
        f.sendIndex = index;
        return *this;
    }
    Row &dwordWrite(int firstWord)
    {
        f.send = SendKind::Dword;
        f.sendIndex = firstWord;
        return *this;
    }
    Row &effect(SideEffect e)
    {
        f.effect = e;
        return *this;
    }
    Row &noRepeatOnLeave()
    {
        f.repeatsOnFocusOut = false;
        return *this;
    }
    Row &writesOnCodeChange()
    {
        f.runsOnCodeChange = true;
        return *this;
    }
    Row &stepButtons(const char *down, const char *up)
    {
        f.stepDown = down;
        f.stepUp = up;
        return *this;
    }
    Row &fromSoftware(int revision)
    {
        f.minSoftwareRevision = revision;
        return *this;
    }
    Row &notShown()
    {
        f.shownFromImage = false;
        return *this;
    }
    operator FieldDef() const { return f; }

private:
    Row &control_(const char *control, ControlKind kind, double min, double max, double step)
    {
        f.control = control;
        f.controlKind = kind;
        f.repeatsOnFocusOut = kind == ControlKind::SpinEdit || kind == ControlKind::ComboBox;
        f.runsOnCodeChange = kind == ControlKind::CheckBox;
        f.min = min;
        f.max = max;
        f.step = step;
        return *this;
    }
    FieldDef f;
};

using W = FieldWidth;

std::vector<FieldDef> buildTable()
{
    const QStringList sensorItems { "2k", "2k2", "2k7", "3k3", "4k7", "5k", "6k8", "10k" };
    const QStringList offOn { "OFF", "ON" };
    std::vector<FieldDef> t {
        Row("ImageMarker", 0, W::Word).wordWrite(0),
        Row("ServiceDue", 8, W::Dword).dwordWrite(4),
        Row("SavedPetrolWorkTime", 12, W::Dword).dwordWrite(6),
        Row("SavedGasWorkTime", 16, W::Dword).dwordWrite(8),
        Row("TempSw", 23, W::Byte)
            .sign()
            .linear(1, 15)
            .blank(15, "")
            .combo("ComboBoxTempSw", numbers(15, 70))
            .byteWrite(23),
        Row("AdvTempHeat", 25, W::Byte).sign().scaled(1, 1).spin("AbNumSpinAdvTempHeat", 0, 90, 1).byteWrite(25),
        Row("RpmSet", 125, W::Byte)
            .combo("ComboBoxRpmSet",
                { "1 coil", "DIS", "3 cylinders", "4 cylinders", "5 cylinders", "6 cylinders", "8 cylinders" })
            .byteWrite(125)
            .effect(SideEffect::EngineType),
        Row("TGsensor", 126, W::Byte).combo("ComboBoxTGsensor", sensorItems).byteWrite(126),
        Row("TRsensor", 127, W::Byte).combo("ComboBoxTRsensor", sensorItems).byteWrite(127),
        Row("PresSensor", 128, W::Byte)
            .combo("ComboBoxPresSensor",
                { "BOSCH 3.5 BAR", "BOSCH 4.0 BAR", "BOSCH 6.0 BAR", "FreeSCALE 4.0 BAR", "FreeSCALE 5.0 BAR",
                    "FreeSCALE 7.0 BAR" })
            .byteWrite(128),
        Row("MAPSensType", 129, W::Byte)
            .combo("ComboBoxMAPSensType",
                { "BOSCH 2.5 BAR", "Freescale 1.15 Bar", "Freescale 1.3 Bar", "Freescale 2.0 Bar", "Freescale 2.5 Bar",
                    "Freescale 3.0 Bar", "Freescale 4.0 Bar" })
            .byteWrite(129),
        Row("LevSensor", 130, W::Byte)
            .combo("ComboBoxLevSensor", { "...", "0-90", "90-0", "0-20k", "20k-0", "Hall 0-5V", "Hall 5-0V" })
            .byteWrite(130)
            .effect(SideEffect::LevelPreset),
        Row("InjTyp", 131, W::Byte)
            .combo("ComboBoxInjTyp",
                { "...", "H2000 black", "H2000 red", "H2000 green", "H2100 red", "H2100 green", "OMVL", "MAGIC JET",
                    "VALTEK T34", "RAIL/VALTEK T30 3ohm", "RAIL/VALTEK T30 2ohm", "RAIL/VALTEK T30 1ohm",
                    "RAIL HORIZON 2 ohm", "RAIL HORIZON 2.8 ohm", "AEB I-PLUS", "MATRIX", "KEIHIN", "TARTARINI EVO" })
            .byteWrite(131)
            .effect(SideEffect::InjectorPreset),
        Row("InjNum", 133, W::Byte).combo("ComboBoxInjNum", QStringList { "..." } + numbers(1, 8)).byteWrite(133),
        Row("LambdaTyp", 139, W::Byte)
            .combo("ComboBoxLambdaTyp", { "n/c", "0-1V", "0-5V", "0.8-1.6V" })
            .byteWrite(139)
            .effect(SideEffect::LambdaBars),
        Row("BeepTime", 145, W::Byte)
            .linear(3, 0, 3)
            .track("TrackBarBeepTime", 1, 10)
            .byteWrite(145)
            .writesOnCodeChange()
            .effect(SideEffect::VolumeText),
        Row("SwitchBright", 146, W::Byte)
            .linear(25, 5, 50)
            .track("TrackBarSwitchBright", 2, 10)
            .byteWrite(146)
            .writesOnCodeChange()
            .effect(SideEffect::BrightnessText),
        Row("SwitchBrightStep", 147, W::Byte).derivedFrom("SwitchBright", 50).byteWrite(147),
        Row("ExtRelay", 150, W::Byte)
            .combo("ComboBoxExtRelay",
                { "Allways OFF", "ON when GASOLINE MODE", "ON when AUTO MODE", "ON when RpmMin (PROPANE MODE)",
                    "ON when RpmMax (PROPANE MODE)", "ON when 1 Emulator ON (PROPANE MODE)",
                    "ON when 2 Emulator ON (PROPANE MODE)", "ON when 3 Emulator ON (PROPANE MODE)",
                    "ON when 4 Emulator ON (PROPANE MODE)", "ON when 5 Emulator ON (PROPANE MODE)",
                    "ON when 6 Emulator ON (PROPANE MODE)", "ON when 7 Emulator ON (PROPANE MODE)",
                    "ON when 8 Emulator ON (PROPANE MODE)", "Allways ON", "ON when PROPANE MODE and Warnings == 0" })
            .byteWrite(150)
            .noRepeatOnLeave(),
        Row("BeepsWhenEmpty", 158, W::Byte).combo("ComboBoxBeepsWhenEmpty", numbers(0, 15)).byteWrite(158),
        Row("OffsetGlowny", 314, W::Word).sign().ticks(1).spin("AbNumSpinOffsetGlowny", -2, 4, 0.05).wordWrite(157),
        // float(stored) x 0.1: every 16-bit value is exact as a float.
        Row("OnDelay", 336, W::Word).scaled(10.0001L, 0.1L).spin("AbNumSpinOnDelay", 0, 60, 0.1).wordWrite(168),
        Row("WzbogacenieGlowne", 340, W::Word)
            .linear(10, 1000)
            .spin("AbNumSpinWzbogacenieGlowne", -25, 50, 1)
            .wordWrite(170),
        Row("MinInj", 342, W::Word).ticks(0).spin("AbNumSpinMinInj", 0, 5, 0.05).wordWrite(171),
        Row("Hold", 344, W::Word).codec(Codec::Hold).spin("AbNumSpinHold", 15, 60, 1).wordWrite(172),
        Row("Peak", 346, W::Word).ticks(0).spin("AbNumSpinPeak", 2, 5, 0.05).wordWrite(173),
        Row("ExtraInj", 350, W::Word)
            .linear(10, 0)
            .track("TrackBarExtraInj", 0, 50)
            .wordWrite(175)
            .stepButtons("ButtonExtraInMinus", "ButtonExtraInPlus"),
        Row("CisnieniePracy", 356, W::Word)
            .scaled(1000, 0.001L)
            .spin("AbNumSpinCisnieniePracy", 0.3, 2.45, 0.05)
            .wordWrite(178),
        Row("RpmSw", 362, W::Word)
            .codec(Codec::RpmSwItem)
            .combo("ComboBoxRpmSw", numbers(500, 2000, 100))
            .wordWrite(181)
            .effect(SideEffect::SwitchSpeed),
        Row("MaxRpm", 364, W::Word)
            .offRpm(1909, 1900, "MaxRpmOn")
            .combo("ComboBoxMaxRpm", offPlus(2000, 8000))
            .wordWrite(182)
            .effect(SideEffect::OffSpeed),
        Row("MinRpm", 366, W::Word)
            .offRpm(309, 300, "MinRpmOn")
            .combo("ComboBoxMinRpm", offPlus(400, 2000))
            .wordWrite(183)
            .effect(SideEffect::OffSpeed),
        Row("OffPres", 368, W::Word).scaled(1000, 0.001L).spin("AbNumSpinOffPres", 0.05, 2, 0.05).wordWrite(184),
        Row("OffDelay", 370, W::Word).scaled(100, 0.01L).spin("AbNumSpinOffDelay", 0, 3, 0.05).wordWrite(185),
        Row("LevelE", 374, W::Word).scaled(819.2L, 0.00122L).spin("AbNumSpinE", 0, 5, 0.05).wordWrite(187),
        Row("Level14", 376, W::Word).scaled(819.2L, 0.00122L).spin("AbNumSpin14", 0, 5, 0.05).wordWrite(188),
        Row("Level24", 378, W::Word).scaled(819.2L, 0.00122L).spin("AbNumSpin24", 0, 5, 0.05).wordWrite(189),
        Row("Level34", 380, W::Word).scaled(819.2L, 0.00122L).spin("AbNumSpin34", 0, 5, 0.05).wordWrite(190),
        Row("RezRef", 382, W::Word).scaled(1, 1).spin("AbNumSpinRezRef", 1, 120, 1).wordWrite(191),
        Row("CylinderTime", 392, W::Word)
            .scaled(100.001L, 0.01L)
            .spin("AbNumSpinCylinderTime", 0, 10, 0.05)
            .wordWrite(196),
        Row("AdvHeatT", 394, W::Word).linear(10, 0).spin("AbNumSpinAdvHeatT", 0, 2000, 1).wordWrite(197),
        Row("AdvHeatLow", 396, W::Word).ticks(0).spin("AbNumSpinAdvHeatLow", 0.1, 4, 0.05).wordWrite(198),
        Row("MazdaMaxInj", 402, W::Word)
            .ticks(1)
            .spin("AbNumSpinMazdaMaxInj", 10, 20, 0.05)
            .wordWrite(201)
            .effect(SideEffect::MazdaInjTime),
        Row("FilterStep", 404, W::Word).ticks(0).spin("AbNumSpinFilterStep", 0.5, 10, 0.05).wordWrite(202),
        Row("MazdaMinRpm", 406, W::Word)
            .period()
            .spin("AbNumSpinMinRpm", 500, 2500, 100)
            .wordWrite(203)
            .effect(SideEffect::MazdaMinRpm),
        Row("MazdaMinInj", 408, W::Word)
            .ticks(1)
            .spin("AbNumSpinMazdaMinInj", 1.9, 5, 0.05)
            .wordWrite(204)
            .effect(SideEffect::MazdaInjTime),
        Row("ObdHoldValue", 432, W::Byte).combo("ComboBoxOBDholdValue", obdHoldItems()).byteWrite(432),
        Row("CylinderTimeQuarter", 442, W::Word).derivedFrom("CylinderTime", 4).wordWrite(221),
        Row("DiagOffsetIn1", 444, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn1", -2, 4, 0.05).wordWrite(222),
        Row("DiagOffsetIn2", 446, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn2", -2, 4, 0.05).wordWrite(223),
        Row("DiagOffsetIn3", 448, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn3", -2, 4, 0.05).wordWrite(224),
        Row("DiagOffsetIn4", 450, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn4", -2, 4, 0.05).wordWrite(225),
        Row("DiagOffsetIn5", 452, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn5", -2, 4, 0.05).wordWrite(226),
        Row("DiagOffsetIn6", 454, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn6", -2, 4, 0.05).wordWrite(227),
        Row("DiagOffsetIn7", 456, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn7", -2, 4, 0.05).wordWrite(228),
        Row("DiagOffsetIn8", 458, W::Word).sign().ticks(1).spin("AbNumSpinDiagOffsetIn8", -2, 4, 0.05).wordWrite(229),
        Row("PowrotZminRpmTime", 472, W::Word)
            .linear(10, 0)
            .blank(1, "")
            .combo("ComboBoxPowrotZminRpmTime", numbers(0, 30))
            .wordWrite(236),
        Row("SignalChangeWord", 474, W::Word).wordWrite(237),
        Row("ErrorsBeep", 476, W::Word).combo("ComboBoxErrorsBeep", numbers(0, 15)).wordWrite(238),

        Row("WskaznikZasilany", 540, W::Bits).bits(2).check("CheckBoxWskaznikZasilany").wordWrite(270),
        Row("LevelSensorPositive", 540, W::Bits).bits(4).inverted().check("CheckBoxLevelSensorNegativ").wordWrite(270),
        Row("InjHeat", 540, W::Bits).bits(5).toggle("AbToggleSwitchInjHeat").wordWrite(270),
        Row("MaxRpmOn", 540, W::Bits).bits(6).wordWrite(270), // kept in step by ComboBoxMaxRpm
        Row("Obd", 541, W::Bits).bits(0).combo("ComboBoxObd", { "DISABLE", "ENABLE" }).wordWrite(270),
        Row("MinRpmOn", 541, W::Bits).bits(2).wordWrite(270), // kept in step by ComboBoxMinRpm
        Row("ValvetronicOffA", 541, W::Bits)
            .bits(3)
            .inverted()
            .codec(Codec::Valvetronic)
            .check("CheckBoxValvetronic")
            .wordWrite(270)
            .notShown(),
        Row("GazAutoOn", 541, W::Bits).bits(4).combo("ComboBoxGazAutoOn", offOn).wordWrite(270).noRepeatOnLeave(),
        Row("SilentMode", 542, W::Bits).bits(4).check("CheckBoxSilentMode").wordWrite(271).effect(SideEffect::Silence),
        Row("TempCorRed", 543, W::Bits).bits(1).toggle("AbToggleSwitchTempCorRed").wordWrite(271),
        Row("TempCorProp", 543, W::Bits).bits(2).toggle("AbToggleSwitchTempCorProp").wordWrite(271),
        Row("Turbo", 543, W::Bits).bits(5).combo("ComboBoxTurbo", { "no turbo", "turbo" }).wordWrite(271),
        Row("ValvetronicOffB", 543, W::Bits)
            .bits(7)
            .inverted()
            .codec(Codec::Valvetronic)
            .check("CheckBoxValvetronic")
            .wordWrite(271),
        Row("BlowPressure", 544, W::Bits)
            .bits(0)
            .combo("ComboBoxBlowPressure", { "NO BlowPressure", "BLOW High Pressure" })
            .wordWrite(272)
            .fromSoftware(3),
        Row("Adv7", 544, W::Bits).bits(3).toggle("AbToggleSwitchAdv7").wordWrite(272),
        Row("GazStart", 544, W::Bits).bits(5).check("CheckBoxGazStart").wordWrite(272).effect(SideEffect::PropaneStart),
        Row("RpmSignal", 545, W::Bits)
            .bits(0, 2)
            .combo("ComboBoxRpmSignal", { "12V", "0-14V", "INJ" })
            .wordWrite(272)
            .effect(SideEffect::SignalSource),
        Row("HeatLow1", 545, W::Bits)
            .bits(3)
            .codec(Codec::HeatMode)
            .combo("ComboBoxHeatMode", { "NORMAL", "NORMAL+LOW1", "NORMAL+LOW2", "NORMAL+LOW1+LOW2" })
            .wordWrite(272)
            .effect(SideEffect::HeatMode),
        Row("BeepWhenGazOn", 548, W::Bits).bits(0).check("CheckBoxBeepWhenGazOn").wordWrite(274),
        Row("BeepWhenSwClick", 548, W::Bits).bits(1).check("CheckBoxBeepWhenSwClick").wordWrite(274),
        Row("BeepWhenError", 548, W::Bits).bits(2).check("CheckBoxBeepWhenError").wordWrite(274),
        Row("PowrotZminRpm", 548, W::Bits)
            .bits(5)
            .combo("ComboBoxPowrotZminRpm", offOn)
            .wordWrite(274)
            .effect(SideEffect::ReturnTime),
        Row("FastCutOff", 548, W::Bits)
            .bits(7)
            .combo("ComboBoxFastCutOff", { "CUTOFF FAST", "CUTOFF NORMAL" })
            .wordWrite(274)
            .notShown(),
        Row("AccRich", 549, W::Bits)
            .bits(0)
            .combo("ComboBoxAccRich", { "accelerate enrichment OFF", "accelerate enrichment ON" })
            .wordWrite(274)
            .effect(SideEffect::AccelStart),
        Row("ObdCorr", 549, W::Bits)
            .bits(1, 2)
            .combo("ComboBoxObdCorr", { "DISABLE", "ENABLE LT+ST", "ENABLE ST", "ENABLE LT" })
            .wordWrite(274),

        // Eight corrections in units of 10 ticks (selector 1).
        Row("ValvetronicTable", 570, W::ByteTable)
            .length(8)
            .sign()
            .codec(Codec::Valvetronic)
            .check("CheckBoxValvetronic")
            .byteWrite(570),
        Row("HeatLow2Rpm", 716, W::Word)
            .codec(Codec::HeatMode)
            .combo("ComboBoxHeatMode", { "NORMAL", "NORMAL+LOW1", "NORMAL+LOW2", "NORMAL+LOW1+LOW2" })
            .wordWrite(358),
        Row("AdvHeatNornal", 718, W::Word).ticks(0).spin("AbNumSpinAdvHeatNornal", 0.1, 4, 0.05).wordWrite(359),
        Row("DifPenEm28", 724, W::Word)
            .linear(100, 1500)
            .blank(1500, " ")
            .combo("ComboBoxDifPenEm28", tenths(15, 30))
            .wordWrite(362)
            .noRepeatOnLeave(),
        // volt x 0.3125 x 819.2, that is volt x 256; shown stored x 3.2 x 0.001220703125
        Row("RpmSignalV", 726, W::Word)
            .scaled(0.3125L, 3.2L, 819.2L, 0.001220703125L)
            .spin("AbNumSpinRpmSignalV", 0.10001, 13, 0.1)
            .wordWrite(363)
            .effect(SideEffect::SignalLevel),
        Row("AccelEnrich", 728, W::Word)
            .linear(10, 0)
            .track("TrackBarAccelEnrich", 10, 250)
            .wordWrite(364)
            .stepButtons("ButtonAccelMinus", "ButtonAccelPlus"),
    };
    return t;
}

} // namespace

const std::vector<FieldDef> &fieldTable()
{
    static const std::vector<FieldDef> table = buildTable();
    return table;
}

const FieldDef *findField(const QString &name)
{
    for (const FieldDef &f : fieldTable())
        if (name == QLatin1String(f.name))
            return &f;
    return nullptr;
}

} // namespace kelvane
