// The map regions, cell texts and colours, stepping a selection, the value-entry dialog, the
// preset maps, smoothing, copy/paste, and the frames the executor puts on the line.
#include "MapEditing.h"
#include "MapTestLine.h"

#include <QtTest>

using namespace kelvane;
using namespace kelvane::maps;
using kelvane::test::MapTestLine;

namespace {
ParameterImage flatMainMap(int percent)
{
    ParameterImage img;
    for (int off = 167; off <= 294; ++off)
        img.setByte(off, static_cast<std::uint8_t>(percent + 100));
    return img;
}

QVector<int> offsets(const WritePlan &plan)
{
    QVector<int> out;
    for (const Write &w : plan)
        out << w.index;
    return out;
}

QVector<int> ascending(int first, int last)
{
    QVector<int> v;
    for (int k = first; k <= last; ++k)
        v << k;
    return v;
}
} // namespace

class TstMapsEdit : public QObject {
    Q_OBJECT

private slots:
    void regionLayout_data()
    {
        QTest::addColumn<int>("region");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("editMin");
        QTest::addColumn<int>("editMax");
        QTest::addColumn<int>("keyMin");
        QTest::addColumn<int>("keyMax");
        QTest::newRow("reducer points") << int(Region::ReducerTempPoints) << 27 << 32 << -25 << 100 << -25 << 100;
        QTest::newRow("reducer corrections")
            << int(Region::ReducerTempCorrections) << 33 << 38 << -25 << 45 << -25 << 45;
        QTest::newRow("gas points") << int(Region::GasTempPoints) << 39 << 44 << -25 << 100 << -25 << 100;
        QTest::newRow("gas corrections") << int(Region::GasTempCorrections) << 45 << 50 << -25 << 45 << -25 << 45;
        QTest::newRow("main map") << int(Region::MainMap) << 167 << 294 << -40 << 80 << -40 << 80;
        QTest::newRow("2D map") << int(Region::Map2D) << 295 << 310 << -40 << 80 << -25 << 45;
        QTest::newRow("rpm axis") << int(Region::RpmAxis) << 490 << 505 << 1 << 65535 << 1 << 65535;
        QTest::newRow("injection-time axis") << int(Region::InjTimeAxis) << 506 << 537 << 1 << 65535 << 1 << 65535;
    }
    void regionLayout()
    {
        QFETCH(int, region);
        const RegionInfo &info = regionInfo(Region(region));
        QCOMPARE(int(info.region), region);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, editMin);
        QFETCH(int, editMax);
        QFETCH(int, keyMin);
        QFETCH(int, keyMax);
        QCOMPARE(info.firstByte, first);
        QCOMPARE(info.lastByte(), last);
        QCOMPARE(cellOffset(Region(region), info.rows - 1, info.cols - 1) + info.cellBytes() - 1, last);
        QCOMPARE(info.editMin, editMin);
        QCOMPARE(info.editMax, editMax);
        QCOMPARE(info.keyMin, keyMin);
        QCOMPARE(info.keyMax, keyMax);
    }

    void regionsDoNotOverlap()
    {
        for (const RegionInfo &a : maps::regionTable())
            for (const RegionInfo &b : maps::regionTable())
                if (a.region != b.region)
                    QVERIFY2(a.lastByte() < b.firstByte || b.lastByte() < a.firstByte, a.name);
    }

    void mainMapCellsAndGridCoordinates()
    {
        QCOMPARE(cellOffset(Region::MainMap, 0, 0), 167);
        QCOMPARE(cellOffset(Region::MainMap, 15, 7), 294);
        // Grid cell (column c, row r) is image byte 158 + 8r + c.
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c <= 8; ++c) {
                const auto rect = mainMapRectFromGrid(c, r, c, r);
                QVERIFY(rect);
                QCOMPARE(cellOffset(Region::MainMap, rect->top, rect->left), 158 + 8 * r + c);
            }
        // Header cells selected in header-editing mode are dropped, never written.
        QCOMPARE(*mainMapRectFromGrid(0, 0, 2, 1), (MapRect { 0, 0, 1, 0 }));
        QVERIFY(!mainMapRectFromGrid(0, 3, 0, 9));
        QVERIFY(!mainMapRectFromGrid(1, 0, 8, 0));
    }

    void cellTexts_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 100 << "0";
        QTest::newRow("+80") << 180 << "+80";
        QTest::newRow("-40") << 60 << "-40";
        QTest::newRow("-1") << 99 << "-1";
        QTest::newRow("+1") << 101 << "+1";
        QTest::newRow("blank controller") << 0 << "-100";
    }
    void cellTexts()
    {
        QFETCH(int, stored);
        QFETCH(QString, text);
        QCOMPARE(FormatMapCell(static_cast<std::uint8_t>(stored)), text);
        QCOMPARE(parseMapInteger(text), std::optional<int>(stored - 100));
    }

    void cellColour_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::newRow("0 white") << 0 << 255 << 255 << 255;
        QTest::newRow("+80") << 80 << 255 << 95 << 95;
        QTest::newRow("+10") << 10 << 255 << 235 << 235;
        QTest::newRow("-40") << -40 << 95 << 95 << 255;
        QTest::newRow("-5") << -5 << 235 << 235 << 255;
        // Out of the editing range: a blank controller (byte 0) or a file's 255 shade like the limit.
        QTest::newRow("-100") << -100 << 95 << 95 << 255;
        QTest::newRow("+155") << 155 << 255 << 95 << 95;
        QTest::newRow("+81") << 81 << 255 << 95 << 95;
    }
    void cellColour()
    {
        QFETCH(int, percent);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QCOMPARE(MapCellColour(percent), (Rgb { std::uint8_t(r), std::uint8_t(g), std::uint8_t(b) }));
    }

    void parseIntegers()
    {
        QCOMPARE(parseMapInteger(" +12 "), std::optional<int>(12));
        QCOMPARE(parseMapInteger("-2147483648"), std::optional<int>(INT_MIN));
        for (const char *bad : { "", "+", "+-3", "1.5", "12a", "2147483648", "99999999999999999999" })
            QVERIFY2(!parseMapInteger(bad), bad);
    }

    void stepOneCell_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        QTest::newRow("+5 on +78 stops at +80") << 78 << 5 << 80;
        QTest::newRow("-5 on -38 stops at -40") << -38 << -5 << -40;
        QTest::newRow("+5 on +75") << 75 << 5 << 80;
        QTest::newRow("+5 on +80") << 80 << 5 << 80;
        QTest::newRow("-1 on 1") << 1 << -1 << 0;
        QTest::newRow("+1 on 0") << 0 << 1 << 1;
        QTest::newRow("+5 on -42 (no lower limit on an increment)") << -42 << 5 << -37;
        QTest::newRow("-5 on +83 (no upper limit on a decrement)") << 83 << -5 << 78;
        // A value outside the range is never moved against the step.
        QTest::newRow("+1 on +90 stays") << 90 << 1 << 90;
        QTest::newRow("-5 on -100 stays") << -100 << -5 << -100;
        QTest::newRow("+1 on +155 stays") << 155 << 1 << 155;
    }
    void stepOneCell()
    {
        QFETCH(int, start);
        QFETCH(int, step);
        QFETCH(int, expected);
        ParameterImage img;
        setCellValue(img, Region::MainMap, 4, 2, start);
        const WritePlan plan = stepCells(img, Region::MainMap, { 2, 4, 2, 4 }, step);
        QCOMPARE(cellValue(img, Region::MainMap, 4, 2), expected);
        QCOMPARE(plan, (WritePlan { { WriteKind::Byte, 167 + 8 * 4 + 2, std::uint16_t(expected + 100), 5 } }));
    }

    void threeByTwoSelectionGoesRightToLeftBottomToTop()
    {
        ParameterImage img = flatMainMap(0);
        // Grid columns 2-4, rows 5-6: map columns 1-3, rows 4-5.
        const MapRect rect = *mainMapRectFromGrid(2, 5, 4, 6);
        const WritePlan plan = stepCells(img, Region::MainMap, rect, 1);
        const auto at = [](int r, int c) { return 167 + 8 * r + c; };
        QCOMPARE(offsets(plan), (QVector<int> { at(5, 3), at(4, 3), at(5, 2), at(4, 2), at(5, 1), at(4, 1) }));
        for (const Write &w : plan)
            QCOMPARE(w.value, std::uint16_t(101));
        QCOMPARE(cellValue(img, Region::MainMap, 3, 1), 0); // outside the selection
    }

    void stepOfZeroChangesAndSendsNothing()
    {
        ParameterImage img = flatMainMap(90);
        const ParameterImage before = img;
        QVERIFY(stepCells(img, Region::MainMap, { 0, 0, 7, 15 }, 0).empty());
        QVERIFY(img.bytes == before.bytes);
        QVERIFY(stepCells(img, Region::RpmAxis, { 0, 0, 7, 0 }, 1).empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void dialogModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("startByte");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("expectedByte");
        QTest::newRow("ABS 95") << int(EntryAbs) << 100 << "95" << 180;
        QTest::newRow("ABS -55") << int(EntryAbs) << 100 << "-55" << 60;
        QTest::newRow("ABS +12") << int(EntryAbs) << 0 << "+12" << 112;
        QTest::newRow("+/- +10 on +75") << int(EntryPlusMinus) << 175 << "+10" << 180;
        QTest::newRow("+/- -10 on -35") << int(EntryPlusMinus) << 65 << "-10" << 60;
        QTest::newRow("+/- 0 on +90 stays") << int(EntryPlusMinus) << 190 << "0" << 190;
        QTest::newRow("+/- +3 on +90 stays") << int(EntryPlusMinus) << 190 << "3" << 190;
        // A cell outside -40..80 (a file, a blank byte) stepped towards the range lands in it.
        QTest::newRow("+/- +10 on -100 lands at -40") << int(EntryPlusMinus) << 0 << "+10" << 60;
        QTest::newRow("+/- -10 on +100 lands at +80") << int(EntryPlusMinus) << 200 << "-10" << 180;
        QTest::newRow("+/- +150 on -100 crosses to +50") << int(EntryPlusMinus) << 0 << "150" << 150;
        QTest::newRow("+/- -5 on -50 stays") << int(EntryPlusMinus) << 50 << "-5" << 50;
        QTest::newRow("% 100 on +75") << int(EntryPercent) << 175 << "100" << 180;
        QTest::newRow("% -100 on +75") << int(EntryPercent) << 175 << "-100" << 60;
        QTest::newRow("% 10 on +20") << int(EntryPercent) << 120 << "10" << 126;
        QTest::newRow("% -50 on +20") << int(EntryPercent) << 120 << "-50" << 90;
        QTest::newRow("% 300 limited to 100") << int(EntryPercent) << 120 << "300" << 180;
        // Below the floor the distance is negative: the result is limited to 60..180.
        QTest::newRow("% -50 on a blank cell") << int(EntryPercent) << 0 << "-50" << 60;
        QTest::newRow("% +50 on a blank cell") << int(EntryPercent) << 0 << "50" << 60;
        QTest::newRow("% 50 on byte 255") << int(EntryPercent) << 255 << "50" << 180;
    }
    void dialogModes()
    {
        QFETCH(int, mode);
        QFETCH(int, startByte);
        QFETCH(QString, number);
        QFETCH(int, expectedByte);
        ParameterImage img;
        img.setByte(200, static_cast<std::uint8_t>(startByte));
        const EditResult r = dialogEdit(img, { 1, 4, 1, 4 }, mode, number); // byte 167 + 32 + 1
        QVERIFY(r.ok);
        QCOMPARE(int(img.byte(200)), expectedByte);
        QCOMPARE(r.writes, (WritePlan { { WriteKind::Byte, 200, std::uint16_t(expectedByte), 5 } }));
    }

    void dialogVisitsInEditOrderAndRefusesBadText()
    {
        ParameterImage img = flatMainMap(20);
        EditResult r = dialogEdit(img, { 6, 14, 7, 15 }, EntryPlusMinus, "-3");
        QVERIFY(r.ok);
        QCOMPARE(offsets(r.writes), (QVector<int> { 294, 286, 293, 285 }));
        QCOMPARE(cellValue(img, Region::MainMap, 14, 6), 17);

        const ParameterImage before = img;
        for (const char *bad : { "", "+-", "abc", "1.5" }) {
            r = dialogEdit(img, { 0, 0, 7, 15 }, EntryAbs, bad);
            QVERIFY(!r.ok);
            QCOMPARE(r.error, QStringLiteral("'%1' is not a valid integer value").arg(bad));
            QVERIFY(r.writes.empty());
            QVERIFY(img.bytes == before.bytes);
        }
        r = dialogEdit(img, { 0, 0, 7, 15 }, EntryNone, "5");
        QVERIFY(r.ok);
        QVERIFY(r.writes.empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void dialogPrefillFollowsTheMode()
    {
        ParameterImage img = flatMainMap(0);
        setCellValue(img, Region::MainMap, 2, 3, 7);
        QCOMPARE(dialogPrefill(img, { 3, 2, 5, 6 }, EntryAbs, "x"), QStringLiteral("+7"));
        QCOMPARE(dialogPrefill(img, { 3, 2, 5, 6 }, EntryPlusMinus, "x"), QStringLiteral("0"));
        QCOMPARE(dialogPrefill(img, { 3, 2, 5, 6 }, EntryPercent, "x"), QStringLiteral("0"));
        QCOMPARE(dialogPrefill(img, { 3, 2, 5, 6 }, EntryNone, "x"), QStringLiteral("x"));
    }

    void presets_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("sum");
        QTest::addColumn<QVector<int>>("corners"); // rows 1/16 x columns 1/8 and row 8 column 5
        QTest::newRow("LOW FLOW") << 1 << "LOW FLOW" << 2466 << QVector<int> { 15, 15, 19, 28, 20 };
        QTest::newRow("MEDIUM FLOW") << 2 << "MEDIUM FLOW" << 1912 << QVector<int> { 15, 12, 9, 12, 19 };
        QTest::newRow("BIG FLOW") << 3 << "BIG FLOW" << 1157 << QVector<int> { 15, 12, 0, 0, 10 };
        QTest::newRow("VERY BIG FLOW") << 4 << "VERY BIG FLOW" << 628 << QVector<int> { 13, 12, -10, -7, 7 };
    }
    void presets()
    {
        QFETCH(int, item);
        QFETCH(QString, name);
        QFETCH(int, sum);
        QFETCH(QVector<int>, corners);
        QCOMPARE(mapResetItems().at(item), name);
        ParameterImage img = flatMainMap(33);
        img.setByte(166, 0x5A);
        img.setByte(295, 0xA5);
        const WritePlan plan = resetMainMap(img, item);
        QCOMPARE(offsets(plan), ascending(167, 294));
        int total = 0;
        for (int off = 167; off <= 294; ++off) {
            total += img.byte(off) - 100;
            QCOMPARE(int(plan[std::size_t(off - 167)].value), int(img.byte(off)));
        }
        QCOMPARE(total, sum);
        QCOMPARE(cellValue(img, Region::MainMap, 0, 0), corners[0]);
        QCOMPARE(cellValue(img, Region::MainMap, 0, 7), corners[1]);
        QCOMPARE(cellValue(img, Region::MainMap, 15, 0), corners[2]);
        QCOMPARE(cellValue(img, Region::MainMap, 15, 7), corners[3]);
        QCOMPARE(cellValue(img, Region::MainMap, 7, 4), corners[4]);
        QCOMPARE(int(img.byte(166)), 0x5A); // neighbours untouched
        QCOMPARE(int(img.byte(295)), 0xA5);
    }

    void bigFlowRow16Column1ShowsZero()
    {
        ParameterImage img = flatMainMap(-20);
        resetMainMap(img, 3);
        QCOMPARE(int(img.byte(167 + 8 * 15)), 100);
        QCOMPARE(FormatMapCell(img.byte(167 + 8 * 15)), QStringLiteral("0"));
    }

    void resetItemZeroDoesNothing()
    {
        ParameterImage img = flatMainMap(-20);
        const ParameterImage before = img;
        QVERIFY(resetMainMap(img, 0).empty());
        QVERIFY(resetMainMap(img, 5).empty());
        QVERIFY(img.bytes == before.bytes);
        loadPreset(img, 2); // the hidden buttons load without sending
        QCOMPARE(cellValue(img, Region::MainMap, 9, 0), 13);
    }

    void smoothingOneCellPeak()
    {
        ParameterImage img = flatMainMap(0);
        const int r0 = 6, c0 = 3;
        img.setByte(cellOffset(Region::MainMap, r0, c0), 180);
        smoothMainMapPass(img);
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 8; ++c) {
                const int b = img.byte(cellOffset(Region::MainMap, r, c));
                const bool centre = r == r0 && c == c0;
                const bool neighbour = !centre && std::abs(r - r0) <= 1 && std::abs(c - c0) <= 1;
                QCOMPARE(b, centre ? 179 : neighbour ? 101 : 100);
            }
    }

    void smoothingLeavesCellsWithinHalfAPercentOfTheMean()
    {
        // A cell at +4 among zeros: its neighbours' means are 100.44, under half a step away.
        ParameterImage img = flatMainMap(0);
        img.setByte(cellOffset(Region::MainMap, 8, 4), 104);
        smoothMainMapPass(img);
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 8; ++c)
                QCOMPARE(cellValue(img, Region::MainMap, r, c), r == 8 && c == 4 ? 3 : 0);
    }

    void smoothingSendsAllCellsAndMovesAtMostFour()
    {
        ParameterImage flat = flatMainMap(12);
        const ParameterImage before = flat;
        QCOMPARE(offsets(smoothMainMap(flat)), ascending(167, 294));
        QVERIFY(flat.bytes == before.bytes);

        ParameterImage img = flatMainMap(0);
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 8; ++c)
                setCellValue(img, Region::MainMap, r, c, ((r * 37 + c * 11) % 121) - 40);
        const ParameterImage start = img;
        const WritePlan plan = smoothMainMap(img);
        QCOMPARE(plan.size(), std::size_t(128));
        for (int off = 167; off <= 294; ++off) {
            QVERIFY(std::abs(int(img.byte(off)) - int(start.byte(off))) <= 4);
            QVERIFY(img.byte(off) >= 60 && img.byte(off) <= 180);
        }
    }

    void copyAndPasteRoundTrip()
    {
        ParameterImage img = flatMainMap(0);
        setCellValue(img, Region::MainMap, 2, 1, 5);
        setCellValue(img, Region::MainMap, 2, 2, -7);
        setCellValue(img, Region::MainMap, 3, 3, 80);
        const QString text = copyCells(img, Region::MainMap, { 1, 2, 3, 3 });
        QCOMPARE(text, QStringLiteral("5\t-7\t0\n0\t0\t80\n"));

        const PasteResult r = pasteCells(img, Region::MainMap, { 10, 4 }, text);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.rect, (MapRect { 4, 10, 6, 11 }));
        QCOMPARE(copyCells(img, Region::MainMap, r.rect), text);
        // Only the three non-zero cells change; edit order: right to left, bottom to top.
        QCOMPARE(offsets(r.writes),
            (QVector<int> { cellOffset(Region::MainMap, 11, 6), cellOffset(Region::MainMap, 10, 5),
                cellOffset(Region::MainMap, 10, 4) }));
    }

    void pasteClampsToEachRegionsRange()
    {
        ParameterImage img = flatMainMap(0);
        PasteResult r = pasteCells(img, Region::MainMap, { 0, 0 }, "200\t-99\r\n+7\t0\r\n");
        QVERIFY(r.ok);
        QCOMPARE(cellValue(img, Region::MainMap, 0, 0), 80);
        QCOMPARE(cellValue(img, Region::MainMap, 0, 1), -40);
        QCOMPARE(cellValue(img, Region::MainMap, 1, 0), 7);
        QCOMPARE(r.writes.size(), std::size_t(3));

        r = pasteCells(img, Region::GasTempCorrections, { 0, 4 }, "60\t-30");
        QVERIFY(r.ok);
        QCOMPARE(cellValue(img, Region::GasTempCorrections, 0, 4), 45);
        QCOMPARE(cellValue(img, Region::GasTempCorrections, 0, 5), -25);
        QCOMPARE(offsets(r.writes), (QVector<int> { 50, 49 }));

        r = pasteCells(img, Region::Map2D, { 0, 14 }, "90\t-90\n");
        QVERIFY(r.ok);
        QCOMPARE(int(img.byte(309)), 180);
        QCOMPARE(int(img.byte(310)), 60);
    }

    void pasteOfBadTextChangesNothing_data()
    {
        QTest::addColumn<int>("region");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("words") << int(Region::MainMap) << 0 << 0 << "1\t2\nthree\t4"
                               << "'three' is not a valid integer value";
        QTest::newRow("decimal") << int(Region::MainMap) << 0 << 0 << "1.5"
                                 << "'1.5' is not a valid integer value";
        QTest::newRow("empty cell") << int(Region::MainMap) << 0 << 0 << "1\t\t3"
                                    << "'' is not a valid integer value";
        QTest::newRow("ragged") << int(Region::MainMap) << 0 << 0 << "1\t2\n3"
                                << "The rows of the pasted text differ in length.";
        QTest::newRow("empty") << int(Region::MainMap) << 0 << 0 << ""
                               << "There is nothing to paste.";
        QTest::newRow("too wide") << int(Region::MainMap) << 0 << 6 << "1\t2\t3"
                                  << "The pasted block of 1 x 3 does not fit from row 1, column 7.";
        QTest::newRow("too tall") << int(Region::Map2D) << 0 << 0 << "1\n2"
                                  << "The pasted block of 2 x 1 does not fit from row 1, column 1.";
        QTest::newRow("axis") << int(Region::RpmAxis) << 0 << 0 << "1000"
                              << "The axes cannot be pasted as cell values.";
    }
    void pasteOfBadTextChangesNothing()
    {
        QFETCH(int, region);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(QString, error);
        ParameterImage img = flatMainMap(3);
        const ParameterImage before = img;
        const PasteResult r = pasteCells(img, Region(region), { row, col }, text);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, error);
        QVERIFY(r.writes.empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void executorSendsThePlannedValuesInOrderWithTheirPauses()
    {
        MapTestLine t;
        ParameterImage img;
        img.setByte(167, 150);
        img.setWordAt(245, 0x1234);
        // A cell written twice in one operation: each frame carries its own step's value.
        const WritePlan plan { { WriteKind::Byte, 167, 120, 5 }, { WriteKind::Byte, 167, 150, 5 },
            { WriteKind::Word, 245, 0x1234, 10 }, { WriteKind::ResetMapGas, 0, 0, 0 } };
        std::vector<std::pair<int, int>> progress;
        sendWrites(t.writes, img, plan, [&](int sent, int total) { progress.emplace_back(sent, total); });
        QCOMPARE(t.frames(),
            (std::vector<std::vector<std::uint8_t>> { MapTestLine::bytes(imageByteFrame(167, 120)),
                MapTestLine::bytes(imageByteFrame(167, 150)), MapTestLine::bytes(imageWordFrame(245, 0x1234)),
                MapTestLine::bytes(makeFrame(proto::code(proto::Command::ResetMapGas), 0, 0, 0)) }));
        const auto &w = t.line.written();
        // Byte and word writes keep 2 ms before and 4 ms after each frame; the plan adds its pause.
        QVERIFY(w[1].timeMs - w[0].timeMs >= 2 + 4 + 5);
        QVERIFY(w[2].timeMs - w[1].timeMs >= 2 + 4 + 5);
        QVERIFY(w[3].timeMs - w[2].timeMs >= 2 + 4 + 10);
        QVERIFY(w[2].timeMs - w[1].timeMs < w[3].timeMs - w[2].timeMs);
        QCOMPARE(progress, (std::vector<std::pair<int, int>> { { 1, 4 }, { 2, 4 }, { 3, 4 }, { 4, 4 } }));
        QCOMPARE(int(img.byte(167)), 150); // the executor leaves the image alone
    }

    void executorOnAStepOfTheMainMap()
    {
        MapTestLine t;
        ParameterImage img = flatMainMap(78);
        const WritePlan plan = stepCells(img, Region::MainMap, { 0, 0, 1, 0 }, 5);
        sendWrites(t.writes, img, plan);
        QCOMPARE(t.frames(),
            (std::vector<std::vector<std::uint8_t>> {
                MapTestLine::bytes(imageByteFrame(168, 180)), MapTestLine::bytes(imageByteFrame(167, 180)) }));
    }
};

QTEST_GUILESS_MAIN(TstMapsEdit)
#include "tst_mapsedit.moc"
