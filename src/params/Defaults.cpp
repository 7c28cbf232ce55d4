#include "Defaults.h"

#include "Conversions.h"
#include "FieldCodec.h"
#include "FieldTable.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace kelvane {

const std::int8_t DefaultMainMap[16][8] = {
    { 15, 14, 13, 12, 12, 12, 13, 14 },
    { 15, 14, 14, 14, 13, 12, 14, 14 },
    { 15, 15, 15, 16, 14, 13, 13, 13 },
    { 15, 14, 15, 17, 15, 14, 13, 12 },
    { 14, 14, 16, 18, 16, 15, 13, 12 },
    { 13, 15, 17, 19, 17, 16, 13, 12 },
    { 12, 16, 18, 20, 18, 16, 13, 12 },
    { 10, 13, 17, 18, 17, 17, 14, 11 },
    { 7, 10, 14, 16, 15, 15, 13, 9 },
    { 5, 8, 12, 14, 13, 12, 10, 7 },
    { 3, 7, 10, 11, 10, 9, 8, 5 },
    { 2, 5, 8, 9, 8, 7, 5, 3 },
    { 1, 3, 5, 6, 5, 4, 3, 2 },
    { -1, 2, 2, 3, 2, 2, 1, 1 },
    { -2, 1, 1, 1, 1, 1, 1, 2 },
    { -3, 0, 0, 0, 0, 0, 1, 2 },
};

namespace {

constexpr int MainMapOffset = 167;
constexpr int Map2DOffset = 295;
constexpr int ReducerTempMapOffset = 27;
constexpr int GasTempMapOffset = 39;

using V = FieldValue;

// Values no field of the table names, written by place. Millisecond constants are written as float
// literals: each is the float nearest to its decimal text, as the settings editors convert typed values.
struct Writer {
    ParameterImage &im;
    const TimeBases &tb;

    std::int32_t ticks(float ms) const { return MsToTicks(ms, 1, tb); }

    void byte(int offset, int v) { im.setByte(offset, static_cast<std::uint8_t>(v & 0xFF)); }
    void bytes(int offset, std::initializer_list<int> values)
    {
        for (int v : values)
            byte(offset++, v);
    }
    void words(int wordIndex, std::initializer_list<std::int32_t> values)
    {
        for (std::int32_t v : values)
            im.setWordAt(wordIndex++, static_cast<std::uint16_t>(v & 0xFFFF));
    }
    // Signed bytes in units of 10 ticks: MsToTicks(ms) div 10, toward zero.
    void tenTicks(int offset, std::initializer_list<float> ms)
    {
        for (float v : ms)
            byte(offset++, ticks(v) / 10);
    }
    void bit(int offset, int bitNo, bool on) { im.setBit(offset, bitNo, on); }
};

const FieldDef &field(const char *name)
{
    const FieldDef *f = findField(QLatin1String(name));
    if (!f)
        qFatal("the field table has no row %s", name);
    return *f;
}

std::int64_t toInteger(double v)
{
    return static_cast<std::int64_t>(std::trunc(v));
}

// The controller's own values that no field of the table names: they are set as the factory
// table has them.
void writeUnnamedDefaults(Writer &w)
{
    // Lower half.
    w.bytes(20, { 0, -10, -20 });
    w.byte(24, 25);
    w.byte(26, 0);
    w.tenTicks(76,
        { -0.2f, -0.2f, -0.14f, 0, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0.2f, 0.3f, 0.4f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.8f,
            2.2f, 2.4f, 3.0f, -0.5f, -0.4f, -0.3f, -0.3f, -0.2f, -0.2f, -0.1f, -0.1f, 0, 0, 0.1f, 0.2f, 0.3f, 0.4f,
            0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f, 1.3f, 1.4f });
    w.byte(132, 20);
    w.words(67, { 120 });
    w.bytes(136, { 0, -38, 1 });
    w.bytes(140, { 0, 0, 1, 1, 7 });
    w.bytes(148, { 1, 0 });
    w.bytes(151, { 1, 2, 3, 4, 5, 6, 7 });
    w.words(158, { 0, 0, 0, 130, -40, 0, 0, 0, 0, 0 });
    w.words(169, { 50 });
    w.words(174, { 20 });
    w.words(176, { 600, 2800 });
    w.words(179, { 1024, w.ticks(0.8f) });
    w.words(186, { 1010 });

    // Upper half: only what the reset sets.
    w.words(192, { 11363, 50 });
    w.words(195, { w.ticks(50.0f) });
    w.words(199, { 0 });
    w.words(205, { 50, 250, 40, 5, 4000, 5, 4090, 400, 3500 });
    w.words(219, { 40 });
    w.words(234, { 400, 2800 });
    w.words(269, { 0 });
    w.words(273, { 65535 });
    w.words(275, { 0 });
    w.byte(552, 0x7B); // bits 0, 1, 3, 4, 5, 6
    w.bit(553, 0, true);
    w.bit(553, 1, true);
    w.bit(553, 3, false);
    w.words(277, { 280, 290, 450, 500, 600, 800, 1000, 1400 });
    w.tenTicks(578, { 0, 0, 0, 0.1f, 0.2f, 0.1f, 0, 0 });
    w.tenTicks(586, { 0.4f, 0.3f, 0.2f, 0.1f, 0, 0, 0, 0 });
    w.words(297, { 700, 1000, 1400, 1800, 2200, 2600, 3000, 3400 });
    w.tenTicks(610, { 0.15f, 0.15f, 0.15f, 0.15f, 0.15f, 0.1f, 0, 0 });
    w.tenTicks(618, { 0, 0, 0, 0, 1.5f, 1.8f, 2.4f, 2.9f });
    w.tenTicks(626, { 0, 0.05f, 0.1f, 0.2f, 0.4f, 0.5f, 0.4f, 0.2f });
    w.words(317,
        { w.ticks(1.0f), w.ticks(5.0f), w.ticks(10.0f), w.ticks(12.0f), w.ticks(13.0f), w.ticks(14.0f), w.ticks(15.0f),
            w.ticks(16.0f) });
    w.bytes(650, { 5, 4, 3, 2, 1, 0, -1, -2 });
    w.tenTicks(658, { 0, 0, 0, -0.05f, -0.1f, -0.15f, -0.2f, -0.3f });
    w.bytes(666, { 0, 0, 0, -1, -2, -3, -4, -6 });
    w.words(337, { 1000, 1800, 2200, 2600, 2800, 3000, 3200, 3400 });
    w.tenTicks(690, { 0, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f });
    w.bytes(698, { 0, 0, 0, 0, 0, 0, 0, 0 });
    w.tenTicks(706, { 0, -0.1f, -0.3f, -0.5f, -0.7f, -0.9f, -1.0f, -1.2f });
    w.words(357, { 3 });
    w.words(360, { 100, 40 });
}

} // namespace

QStringList applyFieldValues(ParameterImage &image, const TimeBases &timeBases, const FieldValues &values)
{
    const DecodeContext ctx { timeBases };
    QStringList problems;
    for (const FieldValue &v : values) {
        const QString name = QString::fromLatin1(v.field);
        const FieldDef *f = findField(name);
        if (!f) {
            problems << QStringLiteral("%1: no such field").arg(name);
            continue;
        }
        switch (v.unit) {
        case FieldValue::Unit::Shown: {
            const bool ranged = f->controlKind == ControlKind::SpinEdit || f->controlKind == ControlKind::TrackBar;
            if (f->controlKind == ControlKind::ComboBox || (ranged && (v.value < f->min || v.value > f->max))) {
                problems << QStringLiteral("%1: %2 is not a value its control shows").arg(name).arg(v.value);
                continue;
            }
            encodeField(image, *f, v.value, ctx);
            break;
        }
        case FieldValue::Unit::Item: {
            const int index = f->items.indexOf(QString::fromUtf8(v.itemText ? v.itemText : ""));
            if (index < 0) {
                problems
                    << QStringLiteral("%1: no item \"%2\"").arg(name, QString::fromUtf8(v.itemText ? v.itemText : ""));
                continue;
            }
            encodeField(image, *f, index, ctx);
            break;
        }
        case FieldValue::Unit::Stored:
            storeValue(image, *f, toInteger(v.value));
            break;
        case FieldValue::Unit::Milliseconds:
            storeValue(image, *f, MsToTicks(static_cast<float>(v.value), 1, timeBases));
            break;
        }
    }
    return problems;
}

const FieldValues &resetFieldValues()
{
    static const FieldValues values = {
        // Engine type and signal source first: every speed below is encoded with them.
        V::item("RpmSet", "1 coil"),
        V::item("RpmSignal", "0-14V"),

        V::stored("ImageMarker", 0), // the upload stores 0xAAAA at its end
        V::stored("ServiceDue", 0), // service off
        V::item("TempSw", "40"),
        V::shown("AdvTempHeat", 39),
        V::item("TGsensor", "4k7"),
        V::item("TRsensor", "4k7"),
        V::item("PresSensor", "FreeSCALE 4.0 BAR"),
        V::item("MAPSensType", "Freescale 4.0 Bar"),
        V::item("LevSensor", "..."),
        V::item("InjTyp", "..."),
        V::item("LambdaTyp", "n/c"),
        V::shown("BeepTime", 5),
        V::shown("SwitchBright", 10), // SwitchBrightStep follows it: 5
        V::item("ExtRelay", "Allways OFF"),
        V::item("BeepsWhenEmpty", "15"),
        V::stored("OffsetGlowny", 68), // a tick count, the same at either link speed
        V::shown("OnDelay", 3.0),
        V::shown("WzbogacenieGlowne", 0),
        V::stored("MinInj", 227), // a tick count, the same at either link speed
        V::stored("Hold", 19), // shows 35 %, which the control itself would store as 18
        V::shown("Peak", 4.2),
        V::ms("ExtraInj", 0.35), // its track bar shows tenths of the stored value, not a time
        V::stored("CisnieniePracy", 1024), // 1.024 bar, between two steps of its control
        V::item("RpmSw", "1500"),
        V::item("MaxRpm", "off"), // clears MaxRpmOn too
        V::item("MinRpm", "off"), // clears MinRpmOn too
        V::shown("OffPres", 0.5),
        V::shown("OffDelay", 0.3),
        V::stored("LevelE", 100), // the level voltages do not encode back to these exactly
        V::stored("Level14", 300),
        V::stored("Level24", 400),
        V::stored("Level34", 750),
        V::shown("RezRef", 25),

        V::shown("CylinderTime", 0.5),
        V::shown("AdvHeatT", 500),
        V::shown("AdvHeatLow", 1.4),
        V::shown("MazdaMaxInj", 12.0),
        V::shown("FilterStep", 2.0),
        V::shown("MazdaMinRpm", 1200),
        V::shown("MazdaMinInj", 3.0),
        V::item("ObdHoldValue", "128(0)"),
        V::stored("CylinderTimeQuarter", 20), // not a quarter of CylinderTime: as the factory table has it
        V::item("ErrorsBeep", "10"),

        V::off("WskaznikZasilany"),
        V::off("LevelSensorPositive"), // "negative sensor" unticked: the bit is set
        V::on("InjHeat"),
        V::item("Obd", "DISABLE"),
        V::off("ValvetronicOffA"), // CheckBoxValvetronic unticked: both flags set, the corrections table filled
        V::item("GazAutoOn", "ON"),
        V::off("SilentMode"),
        V::off("TempCorRed"),
        V::off("TempCorProp"),
        V::item("Turbo", "no turbo"),
        V::item("BlowPressure", "NO BlowPressure"),
        V::off("Adv7"),
        V::off("GazStart"),
        V::stored("HeatLow1", 0), // the first low heating pulse off; the second: see applyResetDefaults
        V::on("BeepWhenGazOn"),
        V::on("BeepWhenSwClick"),
        V::on("BeepWhenError"),
        V::item("PowrotZminRpm", "OFF"),
        V::item("FastCutOff", "CUTOFF FAST"),
        V::item("AccRich", "accelerate enrichment OFF"),
        V::item("ObdCorr", "DISABLE"),
        V::shown("AdvHeatNornal", 1.8),
        V::item("DifPenEm28", "2,5"),
        V::shown("RpmSignalV", 4.0),
    };
    return values;
}

void setRpmAxis(ParameterImage &image, const TimeBases &timeBases, const std::uint32_t (&rpm)[8])
{
    for (int i = 0; i < 8; ++i) {
        const std::int32_t period = RpmToTicks(rpm[i], engineType(image), rpmSignal(image), timeBases);
        image.setWordAt(img::RpmAxisWord + i, static_cast<std::uint16_t>(std::clamp<std::int32_t>(period, 0, 65535)));
    }
}

void applyResetDefaults(
    ParameterImage &image, const TimeBases &timeBases, std::uint32_t petrolWorkTime, std::uint32_t gasWorkTime)
{
    Writer w { image, timeBases };
    const FieldDef &injNum = field("InjNum");
    const std::int64_t cylinders = storedValue(image, injNum);
    for (int i = 0; i < ImageSize / 2; ++i)
        image.setByte(i, 0);

    applyFieldValues(image, timeBases, resetFieldValues());
    storeValue(image, injNum, cylinders);
    storeValue(image, field("SavedPetrolWorkTime"), petrolWorkTime);
    storeValue(image, field("SavedGasWorkTime"), gasWorkTime);
    // A second low heating pulse that is on keeps its speed under the new engine type and signal
    // source, as a change of the engine type re-encodes it; one that is off stays as it is.
    if (secondLowPulseOn(static_cast<std::uint16_t>(storedValue(image, field("HeatLow2Rpm")))))
        applyFieldValues(image, timeBases, { V::item("HeatLow2Rpm", "NORMAL+LOW2") });

    // Fuel maps.
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 8; ++c)
            w.byte(MainMapOffset + 8 * r + c, DefaultMainMap[r][c] + 100);
    for (int i = 0; i < 16; ++i)
        w.byte(Map2DOffset + i, 100);
    setRpmAxis(image, timeBases, DefaultRpmAxis);
    for (int i = 0; i < 16; ++i)
        image.setWordAt(img::InjTimeAxisWord + i, static_cast<std::uint16_t>(w.ticks(static_cast<float>(i + 1))));
    for (int base : { ReducerTempMapOffset, GasTempMapOffset })
        w.bytes(base, { 0, 10, 20, 30, 40, 50, 0, 0, 0, 0, 0, 0 });

    writeUnnamedDefaults(w);
}

} // namespace kelvane
