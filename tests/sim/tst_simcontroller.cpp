// The simulated controller without a terminal: frames in, replies out, on a virtual clock.

#include "Conversions.h"
#include "Frames.h"
#include "LiveRecord.h"
#include "ParameterImage.h"
#include "PtySimulator.h"
#include "Simulator.h"

#include <QtTest>

using namespace kelvane;
using namespace kelvane::sim;

namespace {

std::vector<std::uint8_t> send(Controller &c, const CommandFrame &f, double nowMs)
{
    return c.receive(f.data(), f.size(), nowMs);
}

// One live exchange; the reply (if any) is validated and stored into `live` as the PC does.
bool poll(Controller &c, double nowMs, LiveData &live)
{
    const std::vector<std::uint8_t> r = send(c, makeFrame(0xAA, 5, 0, 0), nowMs);
    return r.size() >= LiveReplyLength && acceptLiveReply(r.data(), true, live);
}

// Reads the whole image the way the PC does: 12 overlapping blocks, each validated and reversed.
ImageBytes readImage(Controller &c, int *rejected = nullptr)
{
    ImageBytes image {};
    for (int i = 0; i < 12; ++i) {
        const int address = i * 64;
        const auto r = send(c,
            makeFrame(0xAA, 1, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF)), 0);
        if (r.size() == BlockReplyLength && blockReplyValid(r.data(), true, BlockTypeImage))
            storeReversed(r.data() + 2, BlockDataLength, image.data() + address, ImageSize - address);
        else if (rejected)
            ++*rejected;
    }
    return image;
}

std::array<std::uint8_t, 128> errorHalf(Controller &c, bool second, bool *valid)
{
    const std::uint8_t a = second ? 0x80 : 0x00;
    const auto r = send(c, makeFrame(0xAA, 2, a, a), 0);
    std::array<std::uint8_t, 128> half {};
    *valid = r.size() == BlockReplyLength && blockReplyValid(r.data(), true, BlockTypeErrors);
    if (*valid)
        storeReversed(r.data() + 2, BlockDataLength, half.data(), half.size());
    return half;
}

// Gas time of cylinder 1 over its petrol time, without the main offset (68 ticks in the factory image).
double gasFactor(const LiveData &live)
{
    return (double(live.injGas(1)) - 68) / live.injPetrol(1);
}

} // namespace

class TestSimController : public QObject {
    Q_OBJECT
private slots:
    void factoryImageDecodesToSaneValues_data();
    void factoryImageDecodesToSaneValues();
    void framesAreFoundInSplitGluedAndNoisyInput_data();
    void framesAreFoundInSplitGluedAndNoisyInput();
    void greetingCarriesTheRevisions();
    void blockReadsReturnTheImageHighestAddressFirst();
    void writesAreAppliedToTheImage();
    void errorMemoryAndEraseChangeTheMarker();
    void modeCommandsShowInTheModeWord();
    void autoSwitchesToGasWhenWarmAndFastEnough();
    void injectorWordsShowInTheMasks();
    void gasTimeFollowsEnrichmentAndMap();
    void liveReadingsArePlausible();
    void obdAreaArrivesFourBytesPerRecord();
    void autoMappingSamplesArriveAndReset();
    void dropAndCorruptHitEveryNth();
    void noiseFollowsSomeRepliesWithoutBreakingThem();
    void options_data();
    void options();
};

void TestSimController::factoryImageDecodesToSaneValues_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("57600") << 57600;
    QTest::newRow("38400") << 38400;
}

void TestSimController::factoryImageDecodesToSaneValues()
{
    QFETCH(int, baud);
    ParameterImage im;
    im.bytes = factoryImage(baud);
    const TimeBases tb = timeBasesForBaud(baud);
    const std::uint8_t type = im.byte(125);
    const unsigned signal = im.bits(545, 0, 2);

    QCOMPARE(im.wordAt(0), std::uint16_t(0xAAAA));
    QCOMPARE(type, std::uint8_t(3)); // "4 cylinders"
    QCOMPARE(im.byte(133), std::uint8_t(4)); // InjNum
    QVERIFY(signal != RpmSignalInj);
    QCOMPARE((im.word(340) - 1000) / 10, 15); // main enrichment in percent
    QCOMPARE(im.word(356) * 0.001, 1.1); // working pressure, bar
    QCOMPARE(int(im.sbyte(23)), 40); // switch temperature
    QCOMPARE(int(TicksToRpm(im.word(362), type, signal, tb) / 100 - 5), 10); // switch speed "1500"
    QVERIFY(qAbs(TicksToMs(im.word(342), 0, tb) - 1.2) < 0.01); // minimum injection time
    QCOMPARE(100 - (im.word(344) * 100) / 29, 38); // hold, as the PC shows it

    const unsigned rpm[8] = { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 };
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(TicksToRpm(im.wordAt(245 + i), type, signal, tb), rpm[i]);
        if (i > 0)
            QVERIFY(im.wordAt(245 + i) < im.wordAt(244 + i)); // periods shrink as the speed rises
    }
    for (int i = 0; i < 16; ++i)
        QVERIFY2(qAbs(TicksToMs(im.wordAt(253 + i), 1, tb) - (i + 1)) < 0.01, qPrintable(QString::number(i)));
    for (int i = 0; i < 128; ++i)
        QCOMPARE(im.byte(167 + i), std::uint8_t(100));
    for (int i = 0; i < 16; ++i)
        QCOMPARE(im.byte(295 + i), std::uint8_t(100));
    for (int map : { 27, 39 }) { // temperature maps: rising points, no correction
        for (int i = 1; i < 6; ++i)
            QVERIFY(im.sbyte(map + i) > im.sbyte(map + i - 1));
        for (int i = 6; i < 12; ++i)
            QCOMPARE(int(im.sbyte(map + i)), 0);
    }
    for (int i = 1; i < 4; ++i) // level points of a positive sensor rise from "E" to "3/4"
        QVERIFY(im.word(374 + 2 * i) > im.word(372 + 2 * i));
    QVERIFY(im.bit(540, 4));
    QVERIFY(im.bit(541, 0)); // OBD on
}

void TestSimController::framesAreFoundInSplitGluedAndNoisyInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("chunk"); // bytes per receive call
    QTest::addColumn<int>("greetings");

    const CommandFrame hello = makeFrame(0x01, 0, 0, 0);
    const QByteArray h(reinterpret_cast<const char *>(hello.data()), 6);
    QByteArray badSum = h;
    badSum[4] = char(badSum[4] + 1);
    QByteArray noEnd = h;
    noEnd[5] = 0;
    QTest::newRow("whole") << h << 6 << 1;
    QTest::newRow("byte by byte") << h << 1 << 1;
    QTest::newRow("split 4+2") << h << 4 << 1;
    QTest::newRow("three glued") << h + h + h << 18 << 3;
    QTest::newRow("glued, split across calls") << h + h << 5 << 2;
    QTest::newRow("garbage first") << QByteArray("\x13\xF0\x00\x55\xAA", 5) + h << 3 << 1;
    QTest::newRow("bad checksum then good") << badSum + h << 7 << 1;
    QTest::newRow("no end byte") << noEnd << 6 << 0;
    QTest::newRow("lone end bytes") << QByteArray(20, char(0xF0)) + h << 4 << 1;
}

void TestSimController::framesAreFoundInSplitGluedAndNoisyInput()
{
    QFETCH(QByteArray, input);
    QFETCH(int, chunk);
    QFETCH(int, greetings);
    Controller c(SimOptions {});
    std::vector<std::uint8_t> out;
    for (int pos = 0; pos < input.size(); pos += chunk) {
        const int n = std::min<int>(chunk, int(input.size()) - pos);
        const auto r = c.receive(reinterpret_cast<const std::uint8_t *>(input.constData()) + pos, std::size_t(n), 0);
        out.insert(out.end(), r.begin(), r.end());
    }
    QCOMPARE(int(out.size()), 5 * greetings);
    for (int g = 0; g < greetings; ++g)
        QVERIFY(greetingValid(out.data() + 5 * g, true));
}

void TestSimController::greetingCarriesTheRevisions()
{
    SimOptions o;
    o.hw = 1;
    o.sw = 4;
    Controller c(o);
    const auto r = send(c, makeFrame(0x01, 0, 0, 0), 0);
    QCOMPARE(int(r.size()), 5);
    QVERIFY(greetingValid(r.data(), true));
    QCOMPARE(int(r[1]), 1);
    QCOMPARE(int(r[2]), 4);
}

void TestSimController::blockReadsReturnTheImageHighestAddressFirst()
{
    Controller c(SimOptions {});
    QVERIFY(readImage(c) == c.image());
    // On the wire the block runs from its highest address down: a word travels high byte first.
    const auto r = send(c, makeFrame(0xAA, 1, 0, 0), 0);
    QCOMPARE(int(r[0]), 0x48);
    QCOMPARE(int(r[1]), 1);
    QCOMPARE(int(r[128]), 0xAA); // image byte 1, the marker's high byte
    QCOMPARE(int(r[129]), 0xAA); // image byte 0
    QCOMPARE(int(r[131]), 0xF0);
}

void TestSimController::writesAreAppliedToTheImage()
{
    Controller c(SimOptions {});
    ImageBytes expected = c.image();
    const struct {
        CommandFrame frame;
        int offset;
        std::uint8_t lo, hi; // expected bytes at offset, offset + 1 (hi ignored for byte writes)
        bool word;
    } writes[] = {
        { imageByteFrame(0, 0x12), 0, 0x12, 0, false }, { imageByteFrame(300, 0x5A), 300, 0x5A, 0, false }, // 0xC2
        { imageByteFrame(767, 0x77), 767, 0x77, 0, false }, // 0xC3 0xFF
        { imageWordFrame(170, 1300), 340, 1300 & 0xFF, 1300 >> 8, true },
        { imageWordFrame(383, 0xBEEF), 766, 0xEF, 0xBE, true }, // 0xD2 0x7F
    };
    for (const auto &w : writes) {
        QVERIFY(send(c, w.frame, 0).empty()); // writes are not answered
        expected[std::size_t(w.offset)] = w.lo;
        if (w.word)
            expected[std::size_t(w.offset) + 1] = w.hi;
    }
    // Addresses past the configuration memory change nothing.
    send(c, imageByteFrame(768, 0x99), 0);
    send(c, imageWordFrame(384, 0x1234), 0);
    send(c, makeFrame(0x45, 0, 0, 0), 0); // commit
    QVERIFY(c.image() == expected);
    QCOMPARE(c.counters().imageWrites, 5);
    QCOMPARE(c.counters().commits, 1);
    QVERIFY(readImage(c) == expected);
}

void TestSimController::errorMemoryAndEraseChangeTheMarker()
{
    Controller c(SimOptions {});
    LiveData live;
    QVERIFY(poll(c, 0, live));
    const std::uint16_t marker = live.u16(rec::ErrorChangeMarker);
    QCOMPARE(int(live.u16(rec::ErrorCount)), 2);

    bool valid = false;
    std::array<std::uint8_t, 128> half = errorHalf(c, false, &valid);
    QVERIFY(valid);
    // Stored order: fault codes as words 0.., the count as word 32.
    QCOMPARE(half[64] | (half[65] << 8), 2);
    QCOMPARE(half[0] | (half[1] << 8), int(Controller::initialFaults()[0]));
    QCOMPARE(half[2] | (half[3] << 8), int(Controller::initialFaults()[1]));
    errorHalf(c, true, &valid);
    QVERIFY(valid);

    QVERIFY(send(c, makeFrame(0x61, 0, 0, 0), 10).empty());
    QVERIFY(poll(c, 70, live));
    QVERIFY(live.u16(rec::ErrorChangeMarker) != marker);
    QCOMPARE(int(live.u16(rec::ErrorCount)), 0);
    half = errorHalf(c, false, &valid);
    QVERIFY(valid);
    QCOMPARE(half[64] | (half[65] << 8), 0);
    // The marker stays put while nothing changes.
    const std::uint16_t after = live.u16(rec::ErrorChangeMarker);
    QVERIFY(poll(c, 140, live));
    QCOMPARE(live.u16(rec::ErrorChangeMarker), after);
}

void TestSimController::modeCommandsShowInTheModeWord()
{
    Controller c(SimOptions {});
    LiveData live;
    double t = 0;
    QVERIFY(poll(c, t, live));
    QCOMPARE(live.mode(), 1); // starts in auto, cold engine: not yet on gas
    const struct {
        std::uint8_t cmd;
        int mode;
    } steps[] = { { 0x51, 2 }, { 0x52, 2 } /* auto keeps gas */, { 0x53, 0 }, { 0x52, 1 } /* cold again: waits */,
        { 0x51, 2 } };
    for (const auto &s : steps) {
        t += 70;
        send(c, makeFrame(s.cmd, 0, 0, 0), t);
        QVERIFY(poll(c, t + 35, live));
        QCOMPARE(live.mode(), s.mode);
        QCOMPARE(int(live.u16(rec::ModeWord) & ~0x180), 0);
    }
}

void TestSimController::autoSwitchesToGasWhenWarmAndFastEnough()
{
    Controller c(SimOptions {});
    LiveData live;
    int firstGasMs = -1;
    for (int t = 0; t <= 60000; t += 70) {
        QVERIFY(poll(c, t, live));
        if (live.mode() == 2 && firstGasMs < 0) {
            firstGasMs = t;
            // Warm enough, and the switch came after the engine had passed 1500 rpm.
            QVERIFY(live.s16(rec::TempReducer) >= 40);
        }
        if (firstGasMs >= 0)
            QCOMPARE(live.mode(), 2); // stays on gas
    }
    QVERIFY2(firstGasMs > 15000 && firstGasMs < 45000, qPrintable(QString::number(firstGasMs)));
    // The gas work-time counter counts seconds only from the switch on.
    QVERIFY(qAbs(double(live.u32(rec::GasWorkTime) - 512733) - (60000 - firstGasMs) / 1000.0) <= 1.5);
    QVERIFY(qAbs(double(live.u32(rec::PetrolWorkTime) - 40213) - firstGasMs / 1000.0) <= 1.5);
}

void TestSimController::injectorWordsShowInTheMasks()
{
    Controller c(SimOptions {});
    LiveData live;
    send(c, makeFrame(0x51, 0, 0, 0), 0);
    QVERIFY(poll(c, 1000, live)); // idle on gas
    QCOMPARE(int(live.gasActiveMask()), 0x0F);
    QCOMPARE(int(live.petrolStateMask()), 0x00);
    QVERIFY(live.injGas(2) > 0);

    send(c, makeFrame(0x65, 0, 0x02, 0x0F), 1010); // gas injector 2 off
    QVERIFY(poll(c, 1070, live));
    QCOMPARE(int(live.gasCutOffMask()), 0x02);
    QCOMPARE(int(live.gasActiveMask()), 0x0F);
    QCOMPARE(int(live.cutOffStateMask()), 0x02);
    QCOMPARE(int(live.injGas(2)), 0);
    QVERIFY(live.injGas(1) > 0);
    QCOMPARE(int(live.petrolStateMask()), 0x02); // cylinder 2 back on petrol

    send(c, makeFrame(0x75, 0, 0x40, 0x05), 1080); // petrol forced on cylinders 1 and 3
    QVERIFY(poll(c, 1140, live));
    QCOMPARE(int(live.u16(rec::PetrolOverrideWord)), 0x4005);
    QCOMPARE(int(live.petrolStateMask()), 0x07);
    QCOMPARE(int(live.gasActiveMask()), 0x0A);

    send(c, makeFrame(0x53, 0, 0, 0), 1150); // on petrol the override switches petrol injectors off
    QVERIFY(poll(c, 1210, live));
    QCOMPARE(int(live.gasActiveMask()), 0x00);
    QCOMPARE(int(live.petrolStateMask()), 0x0A);
    for (int n = 1; n <= 8; ++n)
        QCOMPARE(int(live.injGas(n)), 0);
}

void TestSimController::gasTimeFollowsEnrichmentAndMap()
{
    Controller c(SimOptions {});
    ParameterImage im;
    im.bytes = c.image();
    LiveData live;
    send(c, makeFrame(0x51, 0, 0, 0), 0);
    // Idle (the first 10 s of every cycle) keeps the operating point in one cell.
    QCOMPARE(im.word(314), std::uint16_t(68));
    QVERIFY(poll(c, 2000, live));
    computeMapPoint(live, im);
    const int column = live.MapColumn, row = live.MapRow;
    QVERIFY2(qAbs(gasFactor(live) - 1.15) < 0.01, qPrintable(QString::number(gasFactor(live))));

    im.setWord(340, 1400); // main enrichment +40 %
    send(c, imageWordFrame(170, im.word(340)), 2010);
    QVERIFY(poll(c, 2100, live));
    computeMapPoint(live, im);
    QCOMPARE(live.MapColumn, column);
    QCOMPARE(live.MapRow, row);
    QVERIFY2(qAbs(gasFactor(live) - 1.40) < 0.01, qPrintable(QString::number(gasFactor(live))));

    send(c, imageByteFrame(167 + 8 * row + column, 120), 2110); // +20 % in the live cell
    QVERIFY(poll(c, 2200, live));
    computeMapPoint(live, im);
    QCOMPARE(live.MapColumn, column);
    QCOMPARE(live.MapRow, row);
    QVERIFY2(qAbs(gasFactor(live) - 1.40 * 1.2) < 0.01, qPrintable(QString::number(gasFactor(live))));
}

void TestSimController::liveReadingsArePlausible()
{
    Controller c(SimOptions {});
    ParameterImage im;
    im.bytes = c.image();
    const TimeBases &tb = c.timeBases();
    LiveData live;
    QVERIFY(poll(c, 0, live));
    const int coldReducer = live.s16(rec::TempReducer);
    QVERIFY(coldReducer >= 10 && coldReducer <= 25);

    int lambdaToggles = 0;
    bool high = false;
    for (int t = 70; t <= 150000; t += 70) {
        QVERIFY(poll(c, t, live));
        computeLiveValues(live, im, tb);
        const auto &v = live.LiveValues;
        QCOMPARE(int(live.u8(rec::SignalFlags)), 0x04);
        QVERIFY(v[2] >= 700 && v[2] <= 3300); // rpm
        QVERIFY(v[26] > 13.6 && v[26] < 14.0); // supply
        QVERIFY(v[24] >= 1.0 && v[24] <= 1.2); // pressure difference
        QVERIFY(v[23] >= 0.28 && v[23] <= 0.92); // manifold
        QVERIFY(v[28] >= 0.05 && v[28] <= 0.9); // lambda
        QVERIFY(live.u8(rec::LevelStep) <= 4);
        if (t >= 2000 && t <= 8000) { // idle
            QVERIFY(qAbs(v[2] - 800) <= 25);
            QVERIFY(v[3] > 2.4 && v[3] < 2.9); // petrol time, ms
            const bool nowHigh = v[28] > 0.45;
            if (nowHigh != high)
                ++lambdaToggles;
            high = nowHigh;
        }
    }
    QVERIFY2(lambdaToggles >= 8, qPrintable(QString::number(lambdaToggles)));
    const int warm = live.s16(rec::TempReducer);
    QVERIFY2(warm >= 60 && warm <= 80, qPrintable(QString::number(warm)));
    QVERIFY(live.s16(rec::TempGas) > coldReducer && live.s16(rec::TempGas) < warm);
    QCOMPARE(live.mode(), 2);
    // Sequential 4-cylinder engine: firing order 1-3-4-2, outputs 5-8 unused.
    QVERIFY(live.sequenceValue(1) < live.sequenceValue(3));
    QVERIFY(live.sequenceValue(3) < live.sequenceValue(4));
    QVERIFY(live.sequenceValue(4) < live.sequenceValue(2));
    for (int n = 5; n <= 8; ++n) {
        QCOMPARE(int(live.injPetrol(n)), 0);
        QVERIFY(live.sequenceValue(n) > live.sequenceValue(2));
    }
}

void TestSimController::obdAreaArrivesFourBytesPerRecord()
{
    Controller c(SimOptions {});
    LiveData live;
    QSet<int> offsets;
    double t = 0;
    for (int i = 0; i < 21; ++i, t += 70) {
        QVERIFY(poll(c, t, live));
        offsets.insert(live.u16(rec::ObdChunkOffset));
        mergeSideChannels(live);
    }
    QCOMPARE(offsets.size(), 21);
    QVERIFY(offsets.contains(0) && offsets.contains(80));
    QCOMPARE(int(live.obd8(4)), 0x33); // supported values
    QCOMPARE(int(live.obd8(12) & 0x0F), 0x0B); // 500k/11b, connection OK
    QVERIFY(live.obd8(41) - 40 >= 20 && live.obd8(41) - 40 <= 22); // coolant just after the start, degrees
    QCOMPARE(int(live.obd8(48)), 0x03); // P0301
    QCOMPARE(int(live.obd8(49)), 0x01);
    QCOMPARE(int(live.obd8(50)), 0x01); // P0171
    QCOMPARE(int(live.obd8(51)), 0x71);

    send(c, makeFrame(0xAA, 6, 0, 0), t); // erase, then read the codes again
    t += 10;
    send(c, makeFrame(0xAA, 10, 0, 0), t);
    for (int i = 0; i < 21; ++i, t += 70) {
        QVERIFY(poll(c, t, live));
        mergeSideChannels(live);
    }
    for (int k = 48; k < 80; ++k)
        QCOMPARE(int(live.obd8(k)), 0);

    // With OBD switched off the area reports no CAN and no supported values.
    send(c, imageWordFrame(270, std::uint16_t((c.image()[541] & ~1) << 8 | c.image()[540])), t);
    for (int i = 0; i < 21; ++i, t += 70) {
        QVERIFY(poll(c, t, live));
        mergeSideChannels(live);
    }
    QCOMPARE(int(live.obd8(12)), 4);
    QCOMPARE(int(live.obd8(4)), 0);
}

void TestSimController::autoMappingSamplesArriveAndReset()
{
    Controller c(SimOptions {});
    LiveData live;
    double t = 0;
    send(c, makeFrame(0x53, 0, 0, 0), t);
    for (int i = 0; i < 300; ++i, t += 70) { // about 21 s on petrol
        QVERIFY(poll(c, t, live));
        const int slot = live.u16(rec::AutoMapIndexA);
        QVERIFY(slot >= 1 && slot <= 128);
        mergeSideChannels(live);
    }
    int setA = 0;
    for (int k = 0; k < 64; ++k) {
        setA += live.AutoMapStore[std::size_t(k)] != 0;
        QCOMPARE(int(live.AutoMapStore[std::size_t(64 + k)]), 0); // nothing on gas yet
    }
    QVERIFY2(setA >= 6, qPrintable(QString::number(setA)));
    // Samples are injection times in the unit of the injection-time axis.
    for (int k = 0; k < 64; ++k) {
        const std::uint16_t s = live.AutoMapStore[std::size_t(k)];
        QVERIFY(s == 0 || (TicksToMs(s, 1, c.timeBases()) > 2.0 && TicksToMs(s, 1, c.timeBases()) < 9.0));
    }

    send(c, makeFrame(0x51, 0, 0, 0), t); // gas fills set B
    for (int i = 0; i < 300; ++i, t += 70)
        poll(c, t, live);
    int gasSamples = 0;
    for (int k = 64; k < 128; ++k)
        gasSamples += c.state().autoMapSamples[std::size_t(k)] != 0;
    QVERIFY(gasSamples >= 6);

    send(c, makeFrame(0x5B, 0, 0, 0), t); // reset the petrol samples only
    for (int k = 0; k < 64; ++k)
        QCOMPARE(int(c.state().autoMapSamples[std::size_t(k)]), 0);
    gasSamples = 0;
    for (int k = 64; k < 128; ++k)
        gasSamples += c.state().autoMapSamples[std::size_t(k)] != 0;
    QVERIFY(gasSamples >= 6);
    send(c, makeFrame(0x53, 0, 0, 0), t); // back to petrol, so no new gas samples arrive
    send(c, makeFrame(0x5C, 0, 0, 0), t);
    for (int i = 0; i < 128; ++i, t += 70) {
        QVERIFY(poll(c, t, live));
        mergeSideChannels(live);
    }
    for (int k = 64; k < 128; ++k)
        QCOMPARE(int(live.AutoMapStore[std::size_t(k)]), 0);
}

void TestSimController::dropAndCorruptHitEveryNth()
{
    SimOptions drop;
    drop.dropEvery = 3;
    Controller d(drop);
    LiveData live;
    QList<int> missing;
    for (int i = 1; i <= 12; ++i) {
        if (!poll(d, i * 70.0, live))
            missing << i;
    }
    QCOMPARE(missing, (QList<int> { 3, 6, 9, 12 }));
    QCOMPARE(d.counters().liveDropped, 4);
    QCOMPARE(send(d, makeFrame(0x01, 0, 0, 0), 0).size(), std::size_t(5)); // other replies unaffected

    SimOptions corrupt;
    corrupt.corruptEvery = 4;
    Controller c(corrupt);
    int rejected = 0;
    readImage(c, &rejected); // 12 checked replies: the 4th, 8th and 12th are bad
    QCOMPARE(rejected, 3);
    QList<int> bad;
    for (int i = 13; i <= 20; ++i) {
        const auto r = send(c, makeFrame(0xAA, 5, 0, 0), i * 70.0);
        QCOMPARE(r.size(), std::size_t(LiveReplyLength)); // complete, only the checksum is off
        if (!liveReplyValid(r.data(), true))
            bad << i;
    }
    QCOMPARE(bad, (QList<int> { 16, 20 }));
}

void TestSimController::noiseFollowsSomeRepliesWithoutBreakingThem()
{
    SimOptions o;
    o.noise = true;
    Controller c(o);
    int noisy = 0;
    for (int i = 0; i < 200; ++i) {
        const auto r = send(c, makeFrame(0xAA, 5, 0, 0), i * 70.0);
        QCOMPARE(r.size(), std::size_t(LiveReplyLength)); // the reply itself stays whole
        QVERIFY(liveReplyValid(r.data(), true));
        const auto stray = c.takeStrayBytes();
        QVERIFY(stray.size() <= 3);
        QVERIFY(c.takeStrayBytes().empty()); // taken once
        noisy += !stray.empty();
    }
    QVERIFY2(noisy >= 20 && noisy <= 100, qPrintable(QString::number(noisy)));
    QCOMPARE(c.counters().noiseEvents, noisy);
    send(c, makeFrame(0x01, 0, 0, 0), 0);
    send(c, makeFrame(0xAA, 1, 0, 0), 0);
    QVERIFY(c.takeStrayBytes().empty()); // only live replies get noise

    Controller quiet { SimOptions {} };
    for (int i = 0; i < 50; ++i) {
        send(quiet, makeFrame(0xAA, 5, 0, 0), i * 70.0);
        QVERIFY(quiet.takeStrayBytes().empty());
    }
}

void TestSimController::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dropEvery");
    QTest::addColumn<double>("hangup");

    QTest::newRow("defaults") << QStringList {} << true << 57600 << 0 << 0.0;
    QTest::newRow("all") << QStringList { "--baud", "38400", "--hw", "1", "--sw=3", "--drop-every", "5",
        "--corrupt-every", "7", "--noise", "--hangup-after", "1.5", "--image", "x.kvset", "--link", "/tmp/l" }
                         << true << 38400 << 5 << 1.5;
    QTest::newRow("baud 9600") << QStringList { "--baud", "9600" } << false << 0 << 0 << 0.0;
    QTest::newRow("baud text") << QStringList { "--baud=fast" } << false << 0 << 0 << 0.0;
    QTest::newRow("missing value") << QStringList { "--drop-every" } << false << 0 << 0 << 0.0;
    QTest::newRow("negative") << QStringList { "--drop-every", "-1" } << false << 0 << 0 << 0.0;
    QTest::newRow("trailing junk") << QStringList { "--hw", "2x" } << false << 0 << 0 << 0.0;
    QTest::newRow("revision too big") << QStringList { "--sw", "256" } << false << 0 << 0 << 0.0;
    QTest::newRow("bad seconds") << QStringList { "--hangup-after", "nan" } << false << 0 << 0 << 0.0;
    QTest::newRow("unknown") << QStringList { "--fast" } << false << 0 << 0 << 0.0;
    QTest::newRow("noise with value") << QStringList { "--noise=1" } << false << 0 << 0 << 0.0;
    QTest::newRow("empty image") << QStringList { "--image=" } << false << 0 << 0 << 0.0;
}

void TestSimController::options()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    std::vector<std::string> storage { "kelvane-sim" };
    for (const QString &a : args)
        storage.push_back(a.toStdString());
    std::vector<char *> argv;
    for (auto &s : storage)
        argv.push_back(s.data());
    SimOptions o;
    bool help = true;
    std::string error;
    QCOMPARE(parseSimOptions(int(argv.size()), argv.data(), o, help, error), ok);
    QCOMPARE(error.empty(), ok);
    QVERIFY(error.find('\n') == std::string::npos);
    if (!ok)
        return;
    QVERIFY(!help);
    QTEST(o.baud, "baud");
    QTEST(o.dropEvery, "dropEvery");
    QTEST(o.hangupAfterSec, "hangup");
    if (args.size() > 2) {
        QCOMPARE(o.hw, 1);
        QCOMPARE(o.sw, 3);
        QCOMPARE(o.corruptEvery, 7);
        QVERIFY(o.noise);
        QCOMPARE(o.imageFile, std::string("x.kvset"));
        QCOMPARE(o.linkPath, std::string("/tmp/l"));
    }
}

QTEST_GUILESS_MAIN(TestSimController)
#include "tst_simcontroller.moc"
