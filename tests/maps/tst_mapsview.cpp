// The auto-mapping view's arithmetic: geometry, value-to-pixel mapping, sample marks of both
// sets, the curve, the live point, the readouts and the entry under the pointer.
#include "Conversions.h"
#include "MappingView.h"

#include <QtTest>

using namespace kelvane;
using namespace kelvane::maps;

namespace {
constexpr int W = 480, H = 400; // 20 pixels per ms

TimeBases sixteenthMs()
{
    TimeBases tb;
    tb.InjTickMsA = 0.0625f;
    tb.InjTickMsB = 0.0625f;
    return tb;
}

// Breakpoints 1, 2, ... 16 ms.
ParameterImage imageWithAxis(bool turbo)
{
    ParameterImage img;
    for (int i = 0; i < 16; ++i)
        img.setWordAt(253 + i, static_cast<std::uint16_t>(16 * (i + 1)));
    img.setBit(543, 5, turbo);
    return img;
}
} // namespace

class TstMapsView : public QObject {
    Q_OBJECT

private slots:
    void geometry_data()
    {
        QTest::addColumn<bool>("turbo");
        QTest::addColumn<double>("gridRange");
        QTest::addColumn<double>("sampleRange");
        QTest::addColumn<double>("bandStep");
        QTest::newRow("no turbo") << false << 1.1 << 1.1 << 0.034;
        QTest::newRow("turbo") << true << 2.5 << 2.4 << 0.078;
    }
    void geometry()
    {
        QFETCH(bool, turbo);
        QFETCH(double, gridRange);
        QFETCH(double, sampleRange);
        QFETCH(double, bandStep);
        const MappingGeometry g = mappingGeometry(W, H, imageWithAxis(turbo), sixteenthMs());
        QCOMPARE(g.pxPerMs, 20.0);
        QCOMPARE(g.gridPressureRange, gridRange);
        QCOMPARE(g.pxPerBarGrid, H / gridRange);
        QCOMPARE(g.samplePressureRange, sampleRange);
        QCOMPARE(g.pxPerBarSample, H / sampleRange);
        QCOMPARE(g.bandStep, bandStep);
        QCOMPARE(g.zeroY, 200.0);
        QCOMPARE(g.pointX[0], 20.0);
        QCOMPARE(g.pointX[15], 320.0);
        QCOMPARE(g.vertexX[0], 10.0);
        QCOMPARE(g.vertexX[1], 30.0); // halfway between breakpoints 0 and 1
        QCOMPARE(g.vertexX[14], 290.0);
        QCOMPARE(g.vertexX[15], 400.0); // halfway between breakpoint 15 and the right edge
        QCOMPARE(timeGridX(g, 24), W);
        QCOMPARE(timeGridX(g, 1), 20);
        QCOMPARE(pressureGridY(g, 0), H);
        QCOMPARE(pressureGridY(g, 22), 0);
        QCOMPARE(pressureGridY(g, 7), int(H - 7 * H / 22.0));
        QCOMPARE(pressureGridBar(g, 11), gridRange / 2);
    }

    void initialAxisBeforeTheFirstPaint()
    {
        const MappingGeometry g = mappingGeometry(W, H, false, InitialAxisMs);
        QCOMPARE(g.pointX[10], 11.5 * 20);
        QCOMPARE(g.pointX[15], 19.0 * 20);
    }

    void percentScale_data()
    {
        QTest::addColumn<double>("percent");
        QTest::addColumn<int>("y");
        QTest::newRow("0 on the middle line") << 0.0 << 200;
        QTest::newRow("+80") << 80.0 << 43; // 200 - 156.25
        QTest::newRow("-40") << -40.0 << 278; // 200 + 78.125
        QTest::newRow("+10") << 10.0 << 180; // 200 - 19.53
        QTest::newRow("-1") << -1.0 << 201;
    }
    void percentScale()
    {
        QFETCH(double, percent);
        QFETCH(int, y);
        const MappingGeometry g = mappingGeometry(W, H, false, InitialAxisMs);
        QCOMPARE(percentToY(g, percent), y);
    }

    void sampleMarksOfBothSets()
    {
        const TimeBases tb = sixteenthMs();
        const MappingGeometry g = mappingGeometry(W, H, imageWithAxis(false), tb);
        SampleStore s {};
        s[0] = 64; // set A, band 0, first sample: 4 ms
        s[64] = 64; // set B, band 0, first sample
        s[2 * 10 + 1] = 160; // set A, band 10, second sample: 10 ms
        s[64 + 2 * 31] = 400; // set B, band 31: 25 ms, right of the view
        const std::vector<SampleMark> marks = sampleMarks(g, s, tb);
        QCOMPARE(marks.size(), std::size_t(4)); // zero words are not drawn
        const SampleMark &a0 = marks[0];
        QVERIFY(!a0.setB);
        QCOMPARE(a0.band, 0);
        QCOMPARE(a0.k, 0);
        QCOMPARE(a0.left, 77);
        QCOMPARE(a0.right, 83);
        QCOMPARE(a0.top, H - 3);
        QCOMPARE(a0.bottom, H + 3);
        const SampleMark &a10 = marks[1];
        QCOMPARE(a10.band, 10);
        QCOMPARE(a10.k, 1);
        const double y10 = H - 10 * 0.034 * H / 1.1 + 5;
        QCOMPARE(a10.top, int(y10 - 3));
        QCOMPARE(a10.left, 197);
        const SampleMark &b0 = marks[2];
        QVERIFY(b0.setB);
        QCOMPARE(b0.top, a0.top + 4); // set B sits 4 pixels lower
        QCOMPARE(b0.left, a0.left);
        const SampleMark &b31 = marks[3];
        QCOMPARE(b31.band, 31);
        QCOMPARE(b31.left, 500 - 3); // beyond W: drawn off the view, not wrapped
    }

    void turboSamplesUseTheirOwnRange()
    {
        const TimeBases tb = sixteenthMs();
        const MappingGeometry g = mappingGeometry(W, H, imageWithAxis(true), tb);
        SampleStore s {};
        s[2 * 10] = 64;
        const auto marks = sampleMarks(g, s, tb);
        QCOMPARE(marks.size(), std::size_t(1));
        QCOMPARE(marks[0].top, int(H - 10 * 0.078 * H / 2.4 - 3));
        // The live point uses the grid range, 2.5 bar.
        LiveData live;
        live.setU16(rec::PresManifold, 1250);
        live.setU16(rec::InjPetrolRef, 192); // 12 ms
        const LivePoint p = livePoint(g, live, tb);
        QCOMPARE(p.x, 240.0);
        QCOMPARE(p.y, 200.0);
    }

    void flatMapCurveLiesOnTheZeroLine()
    {
        const MappingGeometry g = mappingGeometry(W, H, imageWithAxis(false), sixteenthMs());
        Map2DValues v {};
        const auto pts = curvePoints(g, v);
        QCOMPARE(pts.size(), std::size_t(18));
        for (const ViewPoint &p : pts)
            QCOMPARE(p.y, 200);
        QCOMPARE(pts.front().x, 0);
        QCOMPARE(pts[1].x, 10);
        QCOMPARE(pts[16].x, 400);
        QCOMPARE(pts.back().x, W);
        v[0] = 80;
        v[15] = -40;
        const auto bent = curvePoints(g, v);
        QCOMPARE(bent.front().y, 43);
        QCOMPARE(bent[1].y, 43);
        QCOMPARE(bent.back().y, 278);
    }

    void entryUnderThePointer_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("entry");
        QTest::newRow("left of breakpoint 0") << 5.0 << 9 << 0;
        QTest::newRow("at breakpoint 0") << 20.0 << 9 << 1;
        QTest::newRow("between breakpoints 3 and 4") << 90.0 << 0 << 4;
        QTest::newRow("at breakpoint 14") << 300.0 << 0 << 15;
        QTest::newRow("exactly at breakpoint 15") << 320.0 << 3 << 15;
        QTest::newRow("right of breakpoint 15") << 470.0 << 3 << 15;
    }
    void entryUnderThePointer()
    {
        QFETCH(double, x);
        QFETCH(int, previous);
        QFETCH(int, entry);
        const MappingGeometry g = mappingGeometry(W, H, imageWithAxis(false), sixteenthMs());
        QCOMPARE(selectedEntryAt(g, x, previous), entry);
    }

    void readoutsAndClick()
    {
        const MappingGeometry g = mappingGeometry(W, H, imageWithAxis(false), sixteenthMs());
        const Readouts r = readouts(g, 240, 200, 6);
        QVERIFY(std::abs(r.ms - 12.0) < 1e-5);
        QVERIFY(std::abs(r.bar - 0.55) < 1e-5);
        QCOMPARE(r.percent, 0);
        QCOMPARE(r.selected, 6);
        QCOMPARE(readouts(g, 0, 180, 0).percent, 10);
        QCOMPARE(readouts(g, 0, 201, 0).percent, 0); // -0.5 truncates towards zero
        QCOMPARE(clickPercent(g, H / 2), 0);
        QCOMPARE(clickPercent(g, 0), 80); // 102 limited
        QCOMPARE(clickPercent(g, H), -40);
        QCOMPARE(clickPercent(g, 180), 10);
    }

    void degenerateSizes()
    {
        const MappingGeometry g = mappingGeometry(0, 0, false, InitialAxisMs);
        QCOMPARE(clickPercent(g, 10), 0);
        QCOMPARE(readouts(g, 5, 5, 0).percent, 0);
        QCOMPARE(percentToY(g, 50), 0);
    }
};

QTEST_GUILESS_MAIN(TstMapsView)
#include "tst_mapsview.moc"
