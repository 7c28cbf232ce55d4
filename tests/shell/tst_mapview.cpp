// The auto-mapping view drawn off screen from a known sample table and 2D map, checked at a few
// key pixels; and the size rules of the map grids.
#include "KelvaneApplication.h"
#include "MapLayout.h"
#include "MappingViewPaint.h"

#include <QtTest>

using namespace kelvane;

namespace {
constexpr int W = 480, H = 400; // 20 pixels per ms, zero line at y = 200

TimeBases sixteenthMs()
{
    TimeBases tb;
    tb.InjTickMsA = 0.0625f;
    tb.InjTickMsB = 0.0625f;
    return tb;
}
std::uint16_t ticks(double ms)
{
    return static_cast<std::uint16_t>(ms * 16);
}

// Breakpoints 1, 2, ... 16 ms; the 2D map at +20 except entry 5 at +40.
ParameterImage picturedImage()
{
    ParameterImage img;
    for (int i = 0; i < 16; ++i) {
        img.setWordAt(253 + i, ticks(i + 1));
        img.setByte(295 + i, 120);
    }
    img.setByte(295 + 5, 140);
    return img;
}
} // namespace

class TstMapView : public QObject {
    Q_OBJECT

private slots:
    void pictureOfKnownSamplesAndMap()
    {
        const ParameterImage img = picturedImage();
        const TimeBases tb = sixteenthMs();
        maps::SampleStore store {};
        store[2 * 10] = ticks(4); // set A, band 10, first sample: 4 ms
        store[64 + 2 * 12] = ticks(8); // set B, band 12, first sample: 8 ms
        LiveData live;
        live.setU16(rec::InjPetrolRef, ticks(18)); // 18 ms
        live.setU16(rec::PresManifold, 275); // 0.275 bar: a quarter of the 1.1-bar grid
        MappingPicture in { img, tb, store, live };
        in.selected = 0;
        in.highlight = QColor(0, 120, 215);
        maps::MappingGeometry g;
        const QImage p = paintMappingPicture(W, H, in, &g);
        QCOMPARE(p.size(), QSize(W, H));
        QCOMPARE(g.pointX[4], 100.0);

        // The zero-percent line, 3 pixels wide, black, away from the curve's marks.
        // (The dotted pressure line 11 runs along its middle row.)
        for (int y : { 199, 201 })
            QCOMPARE(p.pixelColor(310, y), QColor(Qt::black));
        QCOMPARE(p.pixelColor(310, 197), QColor(Qt::white));
        // A set-A square at 4 ms (x = 80), band 10: y = 400 - 10 x 0.034 x 400 / 1.1 = 276.4.
        QCOMPARE(p.pixelColor(80, 276), QColor(255, 0, 0));
        QCOMPARE(p.pixelColor(80, 276 - 3), QColor(Qt::black)); // its black edge
        // A set-B ellipse at 8 ms (x = 160), band 12, 4 pixels lower: y = 255.6.
        QCOMPARE(p.pixelColor(160, 255), QColor(0, 120, 215));
        // Entry 5's vertex at x = (100 + 120) / 2 = 110, y(40) = trunc(200 - 40 x 400 / 204.8) = 121: a
        // maroon mark; entry 0 (selected) at x = 10, y(20) = 160: an orange mark.
        QCOMPARE(p.pixelColor(110, 121), QColor(128, 0, 0));
        QCOMPARE(p.pixelColor(10, 160), QColor(255, 128, 0));
        // The curve runs from entry 4's vertex (90, 160) up to entry 5's: half way, in its colour.
        QCOMPARE(p.pixelColor(100, 140), QColor(230, 0, 5));
        QCOMPARE(p.pixelColor(300, 160), QColor(230, 0, 5));
        // The live point: 18 ms (x = 360), 0.275 bar (y = 300), filled (230, 0, 5).
        QCOMPARE(p.pixelColor(360, 300), QColor(230, 0, 5));
        QCOMPARE(p.pixelColor(200, 300), QColor(128, 0, 0)); // its line to the left edge
        // The readouts sit on white at the top right; "S: 0" is drawn in black.
        bool dark = false;
        for (int x = W - 72; x < W - 30; ++x)
            for (int y = 1; y < 16; ++y)
                dark = dark || p.pixelColor(x, y).lightness() < 80;
        QVERIFY(dark);
    }

    void samplesOfZeroAreNotDrawn()
    {
        const ParameterImage img = picturedImage();
        const TimeBases tb = sixteenthMs();
        maps::SampleStore store {};
        LiveData live;
        MappingPicture in { img, tb, store, live };
        const QImage p = paintMappingPicture(W, H, in);
        for (int y = 0; y < H; ++y)
            for (int x = 40; x < W - 40; ++x)
                QVERIFY(p.pixelColor(x, y) != QColor(255, 0, 0));
    }

    void mainMapGridSizes_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("colWidth");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<int>("font");
        // Panels above and below: 35 and 60 pixels.
        QTest::newRow("809 x 650") << 809 << 650 << 57 << 23 << 12;
        QTest::newRow("1600 x 1000") << 1600 << 1000 << 120 << 40 << 21;
        QTest::newRow("400 x 300") << 400 << 300 << 40 << 18 << 12;
        // No room left (or less than none) gives the cells their minimum, never the maximum.
        QTest::newRow("too low for the panels") << 809 << 200 << 57 << 18 << 12;
        QTest::newRow("too narrow for the strip") << 120 << 650 << 40 << 23 << 12;
    }
    void mainMapGridSizes()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, colWidth);
        QFETCH(int, rowHeight);
        QFETCH(int, font);
        QCOMPARE(layout::mainMapGridSize(w, h, 35, 60), (layout::MainMapGridSize { colWidth, rowHeight, font }));
    }

    void map2DGridSizes()
    {
        QCOMPARE(layout::map2DGridSize(600), (layout::Map2DGridSize { 550, 32 }));
        QCOMPARE(layout::map2DGridSize(1300), (layout::Map2DGridSize { 1192, 68 }));
        QCOMPARE(layout::map2DGridSize(300), (layout::Map2DGridSize { 500, 32 }));
        QCOMPARE(layout::map2DGridSize(4000), (layout::Map2DGridSize { 1900, 80 }));
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstMapView t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mapview.moc"
