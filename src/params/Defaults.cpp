#include "Defaults.h"

#include "Conversions.h"
#include "FieldCodec.h"

#include <algorithm>
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
constexpr int InjNumOffset = 133;
constexpr std::uint8_t EngineType1Coil = 0;
constexpr unsigned Signal0To14V = 1;

// Writes defaults into the image. Millisecond constants are written as float literals: each is the
// float nearest to its decimal text, as the settings editors convert typed values.
struct Writer {
    ParameterImage &im;
    const TimeBases &tb;

    std::int32_t ticks(float ms) const { return MsToTicks(ms, 1, tb); }
    // A speed as a period for engine type "1 coil" and the signal source now in byte 545.
    std::uint16_t period(std::uint32_t rpm) const
    {
        return static_cast<std::uint16_t>(
            std::clamp<std::int32_t>(RpmToTicks(rpm, EngineType1Coil, im.bits(img::RpmSignal, 0, 2), tb), 0, 65535));
    }

    void byte(int offset, int v) { im.setByte(offset, static_cast<std::uint8_t>(v & 0xFF)); }
    void bytes(int offset, std::initializer_list<int> values)
    {
        for (int v : values)
            byte(offset++, v);
    }
    void word(int offset, std::int32_t v) { im.setWord(offset, static_cast<std::uint16_t>(v & 0xFFFF)); }
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

} // namespace

void applyResetDefaults(
    ParameterImage &image, const TimeBases &timeBases, std::uint32_t petrolWorkTime, std::uint32_t gasWorkTime)
{
    Writer w { image, timeBases };
    const std::uint8_t injNum = image.byte(InjNumOffset);
    for (int i = 0; i < ImageSize / 2; ++i)
        image.setByte(i, 0);

    // Engine type and signal source first: every period below is encoded with them.
    w.byte(img::RpmSet, EngineType1Coil);
    image.setBits(img::RpmSignal, 0, 2, Signal0To14V);

    // Fuel maps.
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 8; ++c)
            w.byte(MainMapOffset + 8 * r + c, DefaultMainMap[r][c] + 100);
    for (int i = 0; i < 16; ++i)
        w.byte(Map2DOffset + i, 100);
    const std::uint32_t rpmAxis[8] = { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 };
    for (int i = 0; i < 8; ++i)
        image.setWordAt(img::RpmAxisWord + i, w.period(rpmAxis[i]));
    for (int i = 0; i < 16; ++i)
        image.setWordAt(img::InjTimeAxisWord + i, static_cast<std::uint16_t>(w.ticks(static_cast<float>(i + 1))));
    for (int base : { ReducerTempMapOffset, GasTempMapOffset })
        w.bytes(base, { 0, 10, 20, 30, 40, 50, 0, 0, 0, 0, 0, 0 });

    // Work time and service.
    image.setDword(8, 0); // ServiceDue: service off
    image.setDword(12, petrolWorkTime);
    image.setDword(16, gasWorkTime);

    // Single settings, bytes 0-383.
    w.bytes(20, { 0, -10, -20 });
    w.byte(23, 40); // TempSw: "40"
    w.byte(24, 25);
    w.byte(25, 39); // AdvTempHeat
    w.byte(26, 0);
    w.tenTicks(76,
        { -0.2f, -0.2f, -0.14f, 0, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0.2f, 0.3f, 0.4f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.8f,
            2.2f, 2.4f, 3.0f, -0.5f, -0.4f, -0.3f, -0.3f, -0.2f, -0.2f, -0.1f, -0.1f, 0, 0, 0.1f, 0.2f, 0.3f, 0.4f,
            0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f, 1.3f, 1.4f });
    w.bytes(126,
        { 4, 4, 3, 6 }); // TGsensor, TRsensor "4k7"; PresSensor "FreeSCALE 4.0 BAR"; MAPSensType "Freescale 4.0 Bar"
    w.byte(130, 0); // LevSensor "..."
    w.byte(131, 0); // InjTyp "..."
    w.byte(132, 20);
    w.byte(InjNumOffset, injNum);
    w.word(134, 120);
    w.bytes(136, { 0, -38, 1 });
    w.byte(139, 0); // LambdaTyp "n/c"
    w.bytes(140, { 0, 0, 1, 1, 7 });
    w.byte(145, 15); // BeepTime: position 5
    w.byte(146, 255); // SwitchBright
    w.byte(147, 5); // SwitchBrightStep
    w.bytes(148, { 1, 0 });
    w.byte(150, 0); // ExtRelay "Allways OFF"
    w.bytes(151, { 1, 2, 3, 4, 5, 6, 7 });
    w.byte(158, 15); // BeepsWhenEmpty
    w.word(314, 68); // OffsetGlowny: a tick count as it stands
    w.words(158, { 0, 0, 0, 130, -40, 0, 0, 0, 0, 0 });
    w.word(336, 30); // OnDelay 3.0 s
    w.words(169, { 50 });
    w.word(340, 1000); // WzbogacenieGlowne 0 %
    w.word(342, 227); // MinInj: a tick count as it stands
    w.word(344, 19); // Hold 35 %
    w.word(346, w.ticks(4.2f)); // Peak
    w.words(174, { 20 });
    w.word(350, w.ticks(0.35f)); // ExtraInj
    w.words(176, { 600, 2800 });
    w.word(356, 1024); // CisnieniePracy
    w.words(179, { 1024, w.ticks(0.8f) });
    w.word(362, w.period(1500)); // RpmSw "1500"
    w.word(364, 0); // MaxRpm off
    w.word(366, 0); // MinRpm off
    w.word(368, 500); // OffPres 0.5 bar
    w.word(370, 30); // OffDelay 0.3 s
    w.words(186, { 1010 });
    w.words(187, { 100, 300, 400, 750 }); // LevelE, Level14, Level24, Level34
    w.word(382, 25); // RezRef

    // Bytes 384-767: only what the reset sets.
    w.words(192, { 11363, 50 });
    w.words(195, { w.ticks(50.0f) });
    w.word(392, 50); // CylinderTime
    w.word(394, 5000); // AdvHeatT 500 s
    w.word(396, w.ticks(1.4f)); // AdvHeatLow
    w.words(199, { 0 });
    w.word(402, w.ticks(12.0f)); // MazdaMaxInj
    w.word(404, w.ticks(2.0f)); // FilterStep
    w.word(406, w.period(1200)); // MazdaMinRpm
    // Word 358 is not cleared: a second low heating pulse that is on keeps its 1200 rpm under the
    // new engine type and signal source, as a change of the engine type re-encodes it.
    if (secondLowPulseOn(image.word(716)))
        w.word(716, w.period(1200)); // HeatLow2Rpm
    w.word(408, w.ticks(3.0f)); // MazdaMinInj
    w.words(205, { 50, 250, 40, 5, 4000, 5, 4090, 400, 3500 });
    w.words(219, { 40 });
    w.byte(432, 128); // ObdHoldValue
    w.word(442, 20); // CylinderTimeQuarter, as the factory table has it
    w.words(234, { 400, 2800 });
    w.word(476, 10); // ErrorsBeep
    w.words(269, { 0 });

    // Flag bytes: the named bits only.
    w.bit(540, 2, false); // WskaznikZasilany
    w.bit(540, 4, true); // LevelSensorPositive: "negative sensor" unticked
    w.bit(540, 5, true); // InjHeat
    w.bit(540, 6, false); // MaxRpmOn
    w.bit(541, 0, false); // Obd
    w.bit(541, 2, false); // MinRpmOn
    w.bit(541, 3, true); // ValvetronicOffA
    w.bit(541, 4, true); // GazAutoOn
    w.bit(542, 4, false); // SilentMode
    w.bit(543, 1, false); // TempCorRed
    w.bit(543, 2, false); // TempCorProp
    w.bit(543, 5, false); // Turbo
    w.bit(543, 7, true); // ValvetronicOffB
    w.bit(544, 0, false); // BlowPressure
    w.bit(544, 3, false); // Adv7
    w.bit(544, 5, false); // GazStart
    w.bit(545, 3, false); // HeatLow1
    w.bit(548, 0, true); // BeepWhenGazOn
    w.bit(548, 1, true); // BeepWhenSwClick
    w.bit(548, 2, true); // BeepWhenError
    w.bit(548, 5, false); // PowrotZminRpm
    w.bit(548, 7, false); // FastCutOff: "CUTOFF FAST"
    w.bit(549, 0, false); // AccRich
    image.setBits(549, 1, 2, 0); // ObdCorr
    w.words(273, { 65535 });
    w.words(275, { 0 });
    w.byte(552, 0x7B); // bits 0, 1, 3, 4, 5, 6
    w.bit(553, 0, true);
    w.bit(553, 1, true);
    w.bit(553, 3, false);

    // Controller tables.
    w.words(277, { 280, 290, 450, 500, 600, 800, 1000, 1400 });
    w.tenTicks(570, { -0.1f, 0.2f, 0.6f, 0.8f, 1.0f, 1.2f, 1.4f, 1.5f }); // ValvetronicTable
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
    w.word(718, w.ticks(1.8f)); // AdvHeatNornal
    w.words(360, { 100, 40 });
    w.word(724, 2500); // DifPenEm28 "2,5"
    w.word(726, 1024); // RpmSignalV 4.0 V
}

} // namespace kelvane
