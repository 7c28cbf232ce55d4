// The 2D map (keys and buttons, click, smoothing), the map calculation from the auto-mapping
// samples, the temperature maps' keys, and which cells the live operating point lights.
#include "LiveCells.h"
#include "Map2D.h"
#include "MapEditing.h"
#include "MapTestLine.h"

#include <QtTest>

using namespace kelvane;
using namespace kelvane::maps;
using kelvane::test::MapTestLine;

namespace {
// 1/16 ms per tick: every sample and breakpoint below is exact in binary.
TimeBases sixteenthMs()
{
    TimeBases tb;
    tb.InjTickMsA = 0.0625f;
    tb.InjTickMsB = 0.0625f;
    return tb;
}

// Breakpoints 1, 2, ... 16 ms.
ParameterImage imageForCalc(bool turbo = false)
{
    ParameterImage img;
    for (int i = 0; i < 16; ++i)
        img.setWordAt(253 + i, static_cast<std::uint16_t>(16 * (i + 1)));
    for (int k = 0; k < 16; ++k)
        img.setByte(295 + k, 100);
    img.setBit(543, 5, turbo);
    return img;
}

// Band m with both set-A samples `a` and both set-B samples `b` (ticks).
void putBand(SampleStore &s, int m, std::uint16_t a, std::uint16_t b)
{
    s[std::size_t(2 * m)] = a;
    s[std::size_t(2 * m + 1)] = a;
    s[std::size_t(64 + 2 * m)] = b;
    s[std::size_t(64 + 2 * m + 1)] = b;
}

QVector<int> offsets(const WritePlan &plan)
{
    QVector<int> out;
    for (const Write &w : plan)
        out << w.index;
    return out;
}

Map2DValues values(std::initializer_list<int> head)
{
    Map2DValues v {};
    std::copy(head.begin(), head.end(), v.begin());
    return v;
}
} // namespace

class TstMaps2D : public QObject {
    Q_OBJECT

private slots:
    void keySteps_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("step");
        QTest::newRow("keypad plus") << 107 << false << 1;
        QTest::newRow("shift keypad plus") << 107 << true << 5;
        QTest::newRow("equals-plus") << 187 << false << 1;
        QTest::newRow("shift equals-plus") << 187 << true << 5;
        QTest::newRow("keypad minus") << 109 << false << -1;
        QTest::newRow("shift minus") << 189 << true << -5;
        QTest::newRow("arrow") << 39 << false << 0;
        QTest::newRow("shift itself") << 16 << true << 0;
        QTest::newRow("enter") << 13 << false << 0;
    }
    void keySteps()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(int, step);
        QCOMPARE(keyStep(key, shift), step);
    }

    void steppingEntries_data()
    {
        QTest::addColumn<int>("region");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        const int m2d = int(Region::Map2D), corr = int(Region::GasTempCorrections),
                  pts = int(Region::ReducerTempPoints);
        QTest::newRow("2D +5 on 43") << m2d << 43 << 5 << 45;
        QTest::newRow("2D -5 on -23") << m2d << -23 << -5 << -25;
        QTest::newRow("2D +1 on 60 keeps 60") << m2d << 60 << 1 << 60;
        QTest::newRow("2D -1 on 60") << m2d << 60 << -1 << 59;
        QTest::newRow("2D -5 on -40 keeps -40") << m2d << -40 << -5 << -40;
        QTest::newRow("correction +1 on 44") << corr << 44 << 1 << 45;
        QTest::newRow("correction +5 on 44") << corr << 44 << 5 << 45;
        QTest::newRow("correction -1 on -25") << corr << -25 << -1 << -25;
        QTest::newRow("correction +1 on a file's 60") << corr << 60 << 1 << 60;
        QTest::newRow("point +5 on 98") << pts << 98 << 5 << 100;
        QTest::newRow("point -1 on -25") << pts << -25 << -1 << -25;
        QTest::newRow("point +5 on 127") << pts << 127 << 5 << 127;
        QTest::newRow("point -5 on -128") << pts << -128 << -5 << -128;
    }
    void steppingEntries()
    {
        QFETCH(int, region);
        QFETCH(int, start);
        QFETCH(int, step);
        QFETCH(int, expected);
        ParameterImage img;
        setCellValue(img, Region(region), 0, 2, start);
        const WritePlan plan = stepCells(img, Region(region), { 2, 0, 2, 0 }, step);
        QCOMPARE(cellValue(img, Region(region), 0, 2), expected);
        QCOMPARE(plan.size(), std::size_t(1));
        QCOMPARE(plan[0].index, cellOffset(Region(region), 0, 2));
        QCOMPARE(int(plan[0].value), int(img.byte(plan[0].index)));
    }

    void releasingOtherKeysSendsNothing()
    {
        // "calculate map" left +60 in entry 4; moving onto it with an arrow key must keep it.
        ParameterImage img = imageForCalc();
        setCellValue(img, Region::Map2D, 0, 4, 60);
        setCellValue(img, Region::GasTempCorrections, 0, 1, 60);
        const ParameterImage before = img;
        QVERIFY(stepCells(img, Region::Map2D, { 0, 0, 15, 0 }, keyStep(39, false)).empty());
        QVERIFY(stepCells(img, Region::GasTempCorrections, { 0, 0, 5, 0 }, keyStep(16, true)).empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void selectedColumnsAreSentRightToLeft()
    {
        ParameterImage img = imageForCalc();
        QCOMPARE(offsets(stepCells(img, Region::Map2D, columnsRect(3, 5), -1)), (QVector<int> { 300, 299, 298 }));
        QCOMPARE(int(img.byte(298)), 99);
        QCOMPARE(offsets(stepCells(img, tempRegionForTopRow(TempMap::Reducer, 1), columnsRect(0, 5), 1)),
            (QVector<int> { 38, 37, 36, 35, 34, 33 }));
        QCOMPARE(offsets(stepCells(img, tempRegionForTopRow(TempMap::Gas, 0), columnsRect(1, 2), 5)),
            (QVector<int> { 41, 40 }));
    }

    void clickSetsOneEntryWithinItsRange()
    {
        ParameterImage img = imageForCalc();
        QCOMPARE(setMap2DEntry(img, 7, 102), (WritePlan { { WriteKind::Byte, 302, 180, 5 } }));
        QCOMPARE(setMap2DEntry(img, 0, -90), (WritePlan { { WriteKind::Byte, 295, 60, 5 } }));
        QCOMPARE(setMap2DEntry(img, 3, 0), (WritePlan { { WriteKind::Byte, 298, 100, 5 } }));
        QVERIFY(setMap2DEntry(img, 16, 5).empty());
        QVERIFY(setMap2DEntry(img, -1, 5).empty());
    }

    void smoothing2D()
    {
        const Map2DValues start = values({ 0, 0, 30 });
        QCOMPARE(smoothValues2D(start, 1), values({ 0, 3, 24, 3, 1 }));
        QCOMPARE(smoothValues2D(start), values({ 0, 4, 7, 5, 3, 1 }));
        // The end entries never change.
        Map2DValues ends = values({ -40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 80 });
        const Map2DValues smoothed = smoothValues2D(ends);
        QCOMPARE(smoothed[0], -40);
        QCOMPARE(smoothed[15], 80);
    }

    void smoothStepTable()
    {
        const int expected[] = { 0, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 5, 5, 5, 6, 6 };
        for (int n = 0; n < 18; ++n)
            QCOMPARE(smoothStep(n), expected[n]);
        QCOMPARE(smoothStep(200), 6);
    }

    void smoothingSendsAll16()
    {
        ParameterImage img = imageForCalc();
        setCellValue(img, Region::Map2D, 0, 2, 30);
        const WritePlan plan = smoothMap2D(img);
        QCOMPARE(offsets(plan),
            (QVector<int> { 295, 296, 297, 298, 299, 300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310 }));
        QCOMPARE(map2DValues(img), values({ 0, 4, 7, 5, 3, 1 }));
        QCOMPARE(int(plan[2].value), 107);
    }

    void bandWeights_data()
    {
        QTest::addColumn<float>("ms");
        QTest::addColumn<double>("weight");
        QTest::newRow("1.99") << 1.99f << 0.3;
        QTest::newRow("2") << 2.0f << 0.4;
        QTest::newRow("3.5") << 3.5f << 0.5;
        QTest::newRow("4") << 4.0f << 0.6;
        QTest::newRow("5") << 5.0f << 0.65;
        QTest::newRow("6.9") << 6.9f << 0.7;
        QTest::newRow("7") << 7.0f << 0.75;
        QTest::newRow("8.99") << 8.99f << 0.8;
        QTest::newRow("9") << 9.0f << 0.85;
        QTest::newRow("20") << 20.0f << 0.85;
    }
    void bandWeights()
    {
        QFETCH(float, ms);
        QFETCH(double, weight);
        QCOMPARE(double(bandWeight(ms)), weight);
    }

    void bandCorrections_data()
    {
        QTest::addColumn<int>("aTicks");
        QTest::addColumn<int>("bTicks");
        QTest::addColumn<float>("corr");
        QTest::addColumn<int>("entry");
        QTest::newRow("A 4.0, B 5.0") << 64 << 80 << 12.0f << 5;
        QTest::newRow("set B shorter: A 2.5, B 2.0") << 40 << 32 << -10.0f << 2;
        QTest::newRow("equal times") << 48 << 48 << 0.0f << 3;
        QTest::newRow("B below breakpoint 0") << 8 << 12 << (100.0f - 100.0f * 0.5f / 0.75f) * 0.3f << 0;
        QTest::newRow("B exactly at breakpoint 14") << 240 << 240 << 0.0f << 15;
        QTest::newRow("B beyond the last breakpoint") << 240 << 400 << 34.0f << 15;
    }
    void bandCorrections()
    {
        QFETCH(int, aTicks);
        QFETCH(int, bTicks);
        QFETCH(float, corr);
        QFETCH(int, entry);
        const TimeBases tb = sixteenthMs();
        const ParameterImage img = imageForCalc();
        SampleStore s {};
        putBand(s, 10, std::uint16_t(aTicks), std::uint16_t(bTicks));
        const CalcBands bands = calcBands(img, s, tb);
        QVERIFY(bands[10].valid);
        QCOMPARE(bands[10].corr, corr);
        QCOMPARE(bands[10].entry, entry);
    }

    void bandMeansUseWhicheverSamplesArePresent()
    {
        const TimeBases tb = sixteenthMs();
        const ParameterImage img = imageForCalc();
        SampleStore s {};
        s[2 * 12] = 0;
        s[2 * 12 + 1] = 64; // only the second set-A sample
        s[64 + 2 * 12] = 64;
        s[64 + 2 * 12 + 1] = 96; // mean of 4.0 and 6.0
        s[2 * 13] = 32; // set A only: the band is not valid
        const CalcBands bands = calcBands(img, s, tb);
        QCOMPARE(bands[12].a, 4.0f);
        QCOMPARE(bands[12].b, 5.0f);
        QVERIFY(bands[12].valid);
        QCOMPARE(bands[13].a, 2.0f);
        QVERIFY(!bands[13].valid);
        QCOMPARE(bands[13].corr, 0.0f);
    }

    void firstValidBand_data()
    {
        QTest::addColumn<bool>("turbo");
        QTest::addColumn<int>("lastInvalid");
        QTest::addColumn<int>("firstValid");
        QTest::newRow("no turbo: band 8 (0.272 bar)") << false << 7 << 8;
        QTest::newRow("turbo: band 4 (0.312 bar)") << true << 3 << 4;
    }
    void firstValidBand()
    {
        QFETCH(bool, turbo);
        QFETCH(int, lastInvalid);
        QFETCH(int, firstValid);
        SampleStore s {};
        for (int m = 0; m < 32; ++m)
            putBand(s, m, 64, 80);
        const CalcBands bands = calcBands(imageForCalc(turbo), s, sixteenthMs());
        for (int m = 0; m < 32; ++m)
            QCOMPARE(bands[std::size_t(m)].valid, m >= firstValid);
        QVERIFY(!bands[std::size_t(lastInvalid)].valid);
        QCOMPARE(bands[std::size_t(firstValid)].pressure, float(firstValid * (turbo ? 0.078L : 0.034L)));
    }

    void averagingTruncatesAfterEachAddition()
    {
        CalcBands bands {};
        bands[8] = { 4, 5, 0.272f, true, 10.7f, 3 };
        bands[9] = { 4, 5, 0.306f, true, 5.2f, 3 };
        bands[10] = { 4, 5, 0.34f, true, -0.9f, 6 }; // trunc to 0: no change, but a contribution
        bands[11] = { 4, 5, 0.374f, true, 0.0f, 7 }; // exactly 0: no contribution
        bands[12] = { 4, 5, 0.408f, false, 25.0f, 8 }; // not valid
        const EntryAverages avg = averageCorrections(bands);
        QCOMPARE(avg.average[3], 7); // trunc(trunc(10.7) + 5.2) = 15, 15 / 2
        QCOMPARE(avg.count[3], 2);
        QCOMPARE(avg.average[6], 0);
        QCOMPARE(avg.count[6], 1);
        QCOMPARE(avg.count[7], 0);
        QCOMPARE(avg.average[8], 0);
    }

    void extremeBandsDoNotWrapTheSum()
    {
        // Set-B means of one tick against long set-A means: each band gives millions of percent;
        // a 16-bit sum would wrap to the other sign.
        SampleStore s {};
        for (int m = 8; m < 16; ++m)
            putBand(s, m, 60000, 1);
        const CalcBands bands = calcBands(imageForCalc(), s, sixteenthMs());
        const EntryAverages avg = averageCorrections(bands);
        QVERIFY(avg.average[0] < -1000000);
        ParameterImage img = imageForCalc();
        calculateMap(img, s, sixteenthMs());
        QCOMPARE(map2DValue(img, 0), -40); // limited, not wrapped to a positive value
        QCOMPARE(map2DValues(img), smoothValues2D(values({ -40 })));
    }

    void calculationWritesAverageSmoothingAndReset()
    {
        const TimeBases tb = sixteenthMs();
        ParameterImage img = imageForCalc();
        setCellValue(img, Region::Map2D, 0, 4, 78);
        setCellValue(img, Region::Map2D, 0, 3, -38);
        SampleStore s {};
        putBand(s, 8, 64, 70); // A 4.0, B 4.375: +5.14, entry 4
        putBand(s, 9, 64, 59); // A 4.0, B 3.6875: -5.08, entry 3
        const MapCalculation calc = calculateMap(img, s, tb);
        QVERIFY(calc.applied);
        QCOMPARE(calc.validBands, 2);
        QCOMPARE(calc.averages.average[4], 5);
        QCOMPARE(calc.averages.average[3], -5);
        QCOMPARE(calc.writes.size(), std::size_t(2 + 16 + 1));
        QCOMPARE(calc.writes[0], (Write { WriteKind::Byte, 298, 60, 5 })); // -38 - 5 stops at -40
        QCOMPARE(calc.writes[1], (Write { WriteKind::Byte, 299, 180, 5 })); // 78 + 5 stops at 80
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(calc.writes[std::size_t(2 + k)].index, 295 + k);
            QCOMPARE(int(calc.writes[std::size_t(2 + k)].value), int(img.byte(295 + k)));
        }
        QCOMPARE(int(calc.writes.back().kind), int(WriteKind::ResetMapGas));
        QCOMPARE(map2DValues(img), smoothValues2D(values({ 0, 0, 0, -40, 80 })));

        MapTestLine t;
        sendWrites(t.writes, img, calc.writes);
        const auto frames = t.frames();
        QCOMPARE(frames.size(), std::size_t(19));
        QCOMPARE(frames[0], MapTestLine::bytes(imageByteFrame(298, 60)));
        QCOMPARE(frames[1], MapTestLine::bytes(imageByteFrame(299, 180)));
        QCOMPARE(frames[5], MapTestLine::bytes(imageByteFrame(298, img.byte(298))));
        QCOMPARE(frames[18], MapTestLine::bytes(makeFrame(proto::code(proto::Command::ResetMapGas), 0, 0, 0)));
    }

    void averagesOf10_7And5_2MakeAnEntryOf7()
    {
        // A 4.4 ms (w 0.6); B 1217 and 1095 ticks of 4.4 µs: corrections 10.7 and 5.2, same entry.
        TimeBases tb;
        ParameterImage img;
        for (int i = 0; i < 16; ++i)
            img.setWordAt(253 + i, std::uint16_t(250 * (i + 1)));
        for (int k = 0; k < 16; ++k)
            img.setByte(295 + k, 100);
        SampleStore s {};
        putBand(s, 20, 1000, 1217);
        putBand(s, 21, 1000, 1095);
        const MapCalculation calc = calculateMap(img, s, tb);
        QVERIFY(std::abs(calc.bands[20].corr - 10.7f) < 0.01f);
        QVERIFY(std::abs(calc.bands[21].corr - 5.2f) < 0.01f);
        QCOMPARE(calc.bands[20].entry, 4);
        QCOMPARE(calc.bands[21].entry, 4);
        QCOMPARE(calc.writes.front(), (Write { WriteKind::Byte, 299, 107, 5 }));
    }

    void anEntryOutsideTheRangeIsNotPulledBack()
    {
        ParameterImage img = imageForCalc();
        setCellValue(img, Region::Map2D, 0, 4, 90);
        setCellValue(img, Region::Map2D, 0, 3, 90);
        SampleStore s {};
        putBand(s, 8, 64, 70); // +5 to entry 4
        putBand(s, 9, 64, 59); // -5 to entry 3
        const MapCalculation calc = calculateMap(img, s, sixteenthMs());
        QCOMPARE(calc.writes[0], (Write { WriteKind::Byte, 298, 180, 5 })); // +90 - 5 lands at +80
        QCOMPARE(calc.writes[1], (Write { WriteKind::Byte, 299, 190, 5 })); // +90 + 5 is not pulled back
    }

    void tooFewValidBandsChangeNothing_data()
    {
        QTest::addColumn<QVector<int>>("bands");
        QTest::newRow("no samples") << QVector<int> {};
        QTest::newRow("one valid band") << QVector<int> { 10 };
        QTest::newRow("only bands at or below 0.25 bar") << QVector<int> { 0, 3, 5, 7 };
    }
    void tooFewValidBandsChangeNothing()
    {
        QFETCH(QVector<int>, bands);
        SampleStore s {};
        for (int m : bands)
            putBand(s, m, 64, 80);
        ParameterImage img = imageForCalc();
        const ParameterImage before = img;
        const MapCalculation calc = calculateMap(img, s, sixteenthMs());
        QVERIFY(!calc.applied);
        QVERIFY(calc.writes.empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void calculationLandsEntriesInRange()
    {
        // Entries outside -40..80 (a file, a blank byte): stepped towards the range they land in
        // it; stepped away from it they stay where they are.
        ParameterImage img = imageForCalc();
        setCellValue(img, Region::Map2D, 0, 4, -100);
        setCellValue(img, Region::Map2D, 0, 3, -60);
        SampleStore s {};
        putBand(s, 8, 64, 70); // +5, entry 4
        putBand(s, 9, 64, 59); // -5, entry 3
        const MapCalculation calc = calculateMap(img, s, sixteenthMs());
        QVERIFY(calc.applied);
        QCOMPARE(calc.writes[0], (Write { WriteKind::Byte, 298, 40, 5 })); // -60 - 5 stays -60
        QCOMPARE(calc.writes[1], (Write { WriteKind::Byte, 299, 60, 5 })); // -100 + 5 lands at -40
    }

    void aZeroCorrectionBandCountsAsValid()
    {
        SampleStore s {};
        putBand(s, 10, 64, 64); // correction exactly 0
        putBand(s, 11, 64, 80); // +12 to entry 5
        ParameterImage img = imageForCalc();
        const MapCalculation calc = calculateMap(img, s, sixteenthMs());
        QVERIFY(calc.applied);
        QCOMPARE(calc.writes.size(), std::size_t(1 + 16 + 1));
        QCOMPARE(calc.writes[0], (Write { WriteKind::Byte, 300, 112, 5 }));
    }

    void liveCells_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("lit");
        QTest::addColumn<int>("entry");
        QTest::newRow("column 3, row 0") << true << 3 << 0 << true << 0;
        QTest::newRow("row 4 lights entry 4") << true << 0 << 4 << true << 4;
        QTest::newRow("row 15 lights entry 15") << true << 7 << 15 << true << 15;
        QTest::newRow("not connected") << false << 1 << 1 << false << -1;
        QTest::newRow("column out of range") << true << 8 << 3 << false << 3;
        QTest::newRow("row out of range") << true << 2 << 16 << false << -1;
    }
    void liveCells()
    {
        QFETCH(bool, connected);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(bool, lit);
        QFETCH(int, entry);
        LiveData live;
        live.MapColumn = column;
        live.MapRow = row;
        const auto cell = liveMainMapCell(live, connected);
        QCOMPARE(cell.has_value(), lit);
        if (lit)
            QCOMPARE(*cell, (CellPos { row, column }));
        const auto e = liveMap2DEntry(live, connected);
        QCOMPARE(e.value_or(-1), entry);
    }

    void live2DEntryFollowsTheSameBandAsTheCalculation()
    {
        // The operating point's row and the calculation's entry use one band rule, so an
        // injection time lights the entry that the calculation would assign it to.
        TimeBases tb = sixteenthMs();
        ParameterImage img = imageForCalc();
        LiveData live;
        for (int ticks : { 0, 15, 16, 17, 100, 239, 240, 241, 256, 1000 }) {
            live.setU16(rec::InjPetrolRef, std::uint16_t(ticks));
            live.setU16(rec::RpmPeriod, 0xFFFF);
            computeMapPoint(live, img);
            QCOMPARE(*liveMap2DEntry(live, true), map2DIndexOf(img, TicksToMs(ticks, 1, tb), tb));
        }
    }

    void temperatureColumn_data()
    {
        QTest::addColumn<int>("temperature");
        QTest::addColumn<int>("column");
        QTest::newRow("35") << 35 << 4;
        QTest::newRow("45") << 45 << 5;
        QTest::newRow("-30") << -30 << 0;
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("-20 (point 0 takes no part)") << -20 << 0;
    }
    void temperatureColumn()
    {
        QFETCH(int, temperature);
        QFETCH(int, column);
        ParameterImage img;
        const int points[] = { -20, 0, 10, 20, 30, 40 };
        for (int i = 0; i < 6; ++i)
            setCellValue(img, Region::GasTempPoints, 0, i, points[i]);
        QCOMPARE(liveTempColumn(img, TempMap::Gas, temperature), column);
        LiveData live;
        live.setU16(rec::TempGas, std::uint16_t(std::int16_t(temperature)));
        QCOMPARE(liveTempColumn(img, TempMap::Gas, live, true), std::optional<int>(column));
        QVERIFY(!liveTempColumn(img, TempMap::Gas, live, false));
        // The reducer map reads its own points (all 0 here).
        QCOMPARE(liveTempColumn(img, TempMap::Reducer, temperature), temperature >= 0 ? 5 : 0);
    }
};

QTEST_GUILESS_MAIN(TstMaps2D)
#include "tst_maps2d.moc"
