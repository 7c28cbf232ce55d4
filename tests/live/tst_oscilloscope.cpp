// The oscilloscope's data side: what FeedScope samples, the trace rings, the value-to-pixel and
// mark rules of a Draw, the pointer readout and dragging.
#include "Oscilloscope.h"

#include <QtTest>

using namespace kelvane;

namespace {
// "TG [C]" runs from -10 to 110: on a chart 120 pixels high one degree is one pixel, y = 109 - v.
constexpr int H = 120;
constexpr int TG = scope::TempGas;

struct Rig {
    OSCYLOSKOP scope { 0xF0F0F0 };
    LiveData live;
    ParameterImage image;
    TimeBases tb;
    ScopeSelection sel;

    // One receive tick: channel 0 on `item`, the gas temperature at `temp`.
    const ScopeFrame &tick(int temp, int width = 800, int item = TG)
    {
        sel.item[0] = item;
        live.setU16(rec::TempGas, static_cast<std::uint16_t>(static_cast<std::int16_t>(temp)));
        scope.FeedScope(sel, live, image, tb);
        return scope.Draw(width, H, width, '.');
    }
};
} // namespace

class TstOscilloscope : public QObject {
    Q_OBJECT
private slots:
    void valueToPixel_data()
    {
        QTest::addColumn<double>("v");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("labelY");
        QTest::newRow("max is one pixel above the top") << 35.0 << 0.0 << 35.0 << 237 << 0 << -1 << 0;
        QTest::newRow("min is the bottom row") << 0.0 << 0.0 << 35.0 << 237 << 0 << 236 << 237;
        QTest::newRow("max of an awkward scale") << 2.5 << 0.0 << 2.5 << 173 << 0 << -1 << 0;
        QTest::newRow("max of a negative scale") << 110.0 << -10.0 << 110.0 << 100 << 0 << -1 << 0;
        QTest::newRow("middle") << 17.5 << 0.0 << 35.0 << 100 << 0 << 49 << 50;
        QTest::newRow("truncated down") << 0.0 << -10.0 << 110.0 << 100 << 0 << 90 << 91;
        QTest::newRow("truncated toward zero above the top") << 5.01 << 0.0 << 5.0 << 100 << 0 << -1 << 0;
        QTest::newRow("old sample of another scale") << 3000.0 << 0.0 << 5.0 << 100 << 0 << -59901 << -59900;
        QTest::newRow("dragged up by 10") << 35.0 << 0.0 << 35.0 << 237 << 10 << -11 << -10;
        QTest::newRow("dragged down by 5") << 0.0 << 0.0 << 35.0 << 237 << -5 << 241 << 242;
        QTest::newRow("zero-width scale") << 7.0 << 3.0 << 3.0 << 100 << 2 << 97 << 98;
    }
    void valueToPixel()
    {
        QFETCH(double, v);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(int, h);
        QFETCH(int, offset);
        QFETCH(int, y);
        QFETCH(int, labelY);
        QCOMPARE(scopeValueY(v, min, max, h, offset), y);
        QCOMPARE(scopeLabelY(v, min, max, h, offset), labelY);
    }

    void gridLines()
    {
        const auto y = scopeGridLines(235);
        QCOMPARE(y.front(), 23);
        QCOMPARE(y[1], 46);
        QCOMPARE(y.back(), 230);
        const auto x = scopeGridLines(809);
        QCOMPARE(x.front(), 80);
        QCOMPARE(x.back(), 800);
        Rig r;
        const ScopeFrame &f = r.tick(0, 809);
        QCOMPARE(f.gridX, x);
        QCOMPARE(f.gridY, scopeGridLines(H));
        QCOMPARE(f.background, ScopeColor(0xF0F0F0));
    }

    // The newest sample is at x = 0, a value above Max is stored as Max, the ring keeps the last
    // 4096 samples, and the polyline is as wide as the chart.
    void traceRing()
    {
        Rig r;
        auto fed = [](int k) { return k % 150 - 20; }; // -20 .. 129: both ends get clamped
        auto stored = [&](int k) { return std::clamp(fed(k), -10, 110); };
        const ScopeFrame *f = nullptr;
        for (int k = 0; k < 5000; ++k)
            f = &r.tick(fed(k));
        QCOMPARE(r.scope.SampleCount, 4096);
        for (int age : { 0, 1, 799, 4095 })
            QCOMPARE(r.scope.sample(0, age), float(stored(4999 - age)));
        const ScopeTrace &t = f->traces[0];
        QVERIFY(t.enabled);
        QCOMPARE(t.pointCount, 800);
        for (int x : { 0, 1, 57, 799 })
            QCOMPARE(t.points[x], (ScopePoint { x, 109 - stored(4999 - x) }));
        QCOMPARE(r.scope.Current[0], float(stored(4999)));
        for (int c = 1; c < ScopeChannels; ++c)
            QVERIFY(!f->traces[static_cast<std::size_t>(c)].enabled);

        // A narrow chart draws only its width; a young ring only its samples.
        QCOMPARE(r.scope.Layout(50, H, 50, '.').traces[0].pointCount, 50);
        Rig young;
        young.tick(1);
        QCOMPARE(young.tick(2).traces[0].pointCount, 2);
    }

    // Marks sit on the highest and lowest sample inside the chart's width; on a tie the older one.
    void marks()
    {
        Rig r;
        // Oldest first; with a width of 6 only the last six fed are visible.
        const int fed[] = { 100, -9, 20, 50, 7, 50, 3, 3, 40 };
        const ScopeFrame *f = nullptr;
        for (int v : fed)
            f = &r.tick(v, 6);
        // Visible, newest first: 40 3 3 50 7 50; the 100 and -9 have scrolled out.
        QCOMPARE(r.scope.MaxMarkValue[0], 50.0f);
        QCOMPARE(r.scope.MaxMarkX[0], 5);
        QCOMPARE(r.scope.MinMarkValue[0], 3.0f);
        QCOMPARE(r.scope.MinMarkX[0], 2);
        const ScopeTrace &t = f->traces[0];
        QCOMPARE(t.maxLabel.text, std::string("50.00"));
        QCOMPARE(t.maxLabel.x, 5);
        QCOMPARE(t.maxLabel.y, 110 - 50);
        QCOMPARE(t.minLabel.text, std::string("3.00"));
        QCOMPARE(t.minLabel.y, 110 - 3);
        QCOMPARE(t.minSquare.left, 0);
        QCOMPARE(t.minSquare.top, 105);
        QCOMPARE(t.minSquare.right, 4);
        QCOMPARE(t.minSquare.bottom, 109);
        QCOMPARE(t.minSquareColor, ScopeColor(0xC0C0C0));

        // The extreme on the last visible column keeps its mark (it does not jump to a sample
        // off the chart).
        Rig edge;
        for (int v : { 10, 90, 20, 30 })
            edge.tick(v, 3);
        QCOMPARE(edge.scope.MaxMarkValue[0], 90.0f);
        QCOMPARE(edge.scope.MaxMarkX[0], 2);

        // Labels take the system's separator.
        const ScopeFrame &comma = r.scope.Layout(6, H, 6, ',');
        QCOMPARE(comma.traces[0].maxLabel.text, std::string("50,00"));
    }

    void labelColours()
    {
        QCOMPARE(scopeLabelFontColor(0x000000), ScopeColor(0x000080)); // black: maroon text
        QCOMPARE(scopeLabelFontColor(0xFF0000), ScopeColor(0xFF0080)); // blue: purple text
        // Maroon and red traces would write in their own box colour: white instead.
        QCOMPARE(scopeLabelFontColor(0x000080), ScopeColor(0xFFFFFF));
        QCOMPARE(scopeLabelFontColor(0x0000FF), ScopeColor(0xFFFFFF));
        QCOMPARE(scopeColorToRgb(0x0000FF), 0xFF0000u);
        QCOMPARE(scopeKeepInside(795, 118, 40, 14, 800, 120), (ScopePoint { 760, 106 }));
        QCOMPARE(scopeKeepInside(3, 5, 40, 14, 800, 120), (ScopePoint { 3, 5 }));
    }

    // "OFF" stops the trace; its samples stay and do not scroll while it is off.
    void offKeepsItsSamples()
    {
        Rig r;
        for (int v : { 1, 2, 3 })
            r.tick(v);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!r.tick(77, 800, scope::Off).traces[0].enabled);
        QVERIFY(!r.scope.Enabled[0]);
        const ScopeFrame &f = r.tick(4);
        QCOMPARE(r.scope.SampleCount, 9);
        QCOMPARE(r.scope.sample(0, 0), 4.0f);
        QCOMPARE(r.scope.sample(0, 1), 3.0f);
        QCOMPARE(r.scope.sample(0, 3), 1.0f);
        QCOMPARE(r.scope.sample(0, 4), 0.0f); // never written
        QCOMPARE(f.traces[0].pointCount, 9);
    }

    void feedScopeItems_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("raw");
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<double>("value");
        const TimeBases tb;
        QTest::newRow("InjB1") << 1 << rec::InjPetrolRef << 1000 << 0.f << 35.f << double(TicksToMs(1000, 1, tb));
        QTest::newRow("InjG1") << 2 << rec::InjGas1 << 2000 << 0.f << 40.f << double(TicksToMs(2000, 0, tb));
        QTest::newRow("Pres") << 4 << rec::GasPressure2 << 2500 << 0.f << 5.f << 2.5;
        QTest::newRow("Vacum") << 5 << rec::PresManifold << 900 << 0.f << 2.5f << 0.9;
        QTest::newRow("DifP") << 6 << rec::PresDiff << 1100 << 0.f << 3.f << 1.1;
        QTest::newRow("TG") << 7 << rec::TempGas << 0xFFFB << -10.f << 110.f << -5.0;
        QTest::newRow("TR") << 8 << rec::TempReducer << 60 << -10.f << 110.f << 60.0;
        QTest::newRow("VDC") << 9 << rec::SupplyRaw << 2000 << 0.f << 20.f << 2000 * 0.00122 * 5.4;
        QTest::newRow("L1") << 10 << rec::LambdaRaw << 500 << 0.f << 5.f << 0.61;
        QTest::newRow("GLev") << 11 << rec::LevelRaw << 2000 << 0.f << 5.f << 2.44;
    }
    void feedScopeItems()
    {
        QFETCH(int, item);
        QFETCH(int, field);
        QFETCH(int, raw);
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(double, value);
        Rig r;
        r.live.setU16(field, static_cast<std::uint16_t>(raw));
        r.sel.item = { 0, 0, item, 0 };
        r.scope.FeedScope(r.sel, r.live, r.image, r.tb);
        QVERIFY(r.scope.Enabled[2]);
        QVERIFY(!r.scope.Enabled[0]);
        QCOMPARE(r.scope.Min[2], min);
        QCOMPARE(r.scope.Max[2], max);
        QCOMPARE(r.scope.Current[2], float(value));
    }

    void feedScopeSpeedAndChannels()
    {
        Rig r;
        r.image.setByte(img::RpmSet, 3);
        r.live.setU16(rec::RpmPeriod, 5000);
        r.sel.item = { scope::Rpm, scope::Rpm, scope::Rpm, scope::Rpm };
        r.sel.focusedChannel = 1;
        r.sel.buttonFace = 0xD4D0C8;
        r.scope.FeedScope(r.sel, r.live, r.image, r.tb);
        QVERIFY(engineRpm(r.live, r.image, r.tb) > 0);
        QCOMPARE(r.scope.Current[0], float(engineRpm(r.live, r.image, r.tb)));
        QCOMPARE(r.scope.Max[0], 8000.0f);
        QCOMPARE(r.scope.PenWidth[0], std::uint8_t(1));
        QCOMPARE(r.scope.PenWidth[1], std::uint8_t(2));
        QCOMPARE(
            r.scope.TraceColor, (std::array<ScopeColor, 8> { 0x000000, 0x000080, 0x0000FF, 0xFF0000, 0, 0, 0, 0 }));
        QCOMPARE(r.scope.Background, ScopeColor(0xD4D0C8));

        // No valid selection: the channel keeps what it had.
        r.sel.item = { -1, ScopeItemCount, scope::Off, scope::Rpm };
        r.scope.FeedScope(r.sel, r.live, r.image, r.tb);
        QVERIFY(r.scope.Enabled[0] && r.scope.Enabled[1] && !r.scope.Enabled[2] && r.scope.Enabled[3]);
        QCOMPARE(r.scope.Max[1], 8000.0f);
    }

    void frozenTakesNoSample()
    {
        Rig r;
        r.tick(5);
        r.scope.Frozen = true;
        r.tick(6);
        QCOMPARE(r.scope.SampleCount, 1);
        QCOMPARE(r.scope.sample(0, 0), 5.0f);
    }

    // The pointer over the chart reads the trace under it; a press on a trace drags it, the next
    // press drops it.
    void pointerReadoutAndDrag()
    {
        Rig r;
        for (int v : { 10, 20, 30, 40, 110 }) // newest (110) at x = 0, y = -1
            r.tick(v);
        // No pointer over the chart: no readout, although a point sits at the top-left corner.
        QCOMPARE(r.scope.frame().readout.channel, -1);

        // Points (x, y): (0, -1) (1, 69) (2, 79) (3, 89) (4, 99); a pointer reaches 5 pixels.
        r.scope.pointerMoved(3, 40);
        QCOMPARE(r.scope.Layout(800, H, 800, '.').readout.channel, -1);
        r.scope.pointerMoved(3, 89);
        const ScopeFrame &f = r.scope.Layout(800, H, 800, '.');
        QCOMPARE(f.readout.channel, 0);
        QCOMPARE(f.readout.label.text, std::string("  | 20.00 |  "));
        QCOMPARE(f.readout.label.x, 7);
        QCOMPARE(f.readout.label.y, 89);
        QCOMPARE(*r.scope.valuesAt(3)[0], 20.0f);
        QVERIFY(!r.scope.valuesAt(3)[1].has_value());
        QVERIFY(!r.scope.valuesAt(5)[0].has_value()); // no sample there yet
        r.scope.pointerLeft();
        QCOMPARE(r.scope.Layout(800, H, 800, '.').readout.channel, -1);

        // A press away from any trace starts nothing.
        r.scope.pointerPressed(400, 60);
        r.scope.Layout(800, H, 800, '.');
        QVERIFY(!r.scope.Dragging);
        QVERIFY(!r.scope.ClickPending);

        // Press on the trace at x = 2 (value 30, y = 79), move up by 10.
        r.scope.pointerPressed(2, 80);
        r.scope.Layout(800, H, 800, '.');
        QVERIFY(r.scope.Dragging);
        QCOMPARE(r.scope.DragChannel, std::uint16_t(0));
        r.scope.pointerMoved(2, 70);
        r.scope.Layout(800, H, 800, '.');
        QCOMPARE(r.scope.Offset[0], std::int16_t(10));
        QCOMPARE(r.scope.Layout(800, H, 800, '.').traces[0].points[2].y, 79 - 10);
        // The next feed of the same quantity keeps the trace where it was dragged.
        r.tick(50);
        QCOMPARE(r.scope.Offset[0], std::int16_t(10));
        QCOMPARE(r.scope.frame().traces[0].points[0].y, 59 - 10);
        // A second press drops it; moving on changes nothing.
        r.scope.pointerPressed(2, 70);
        r.scope.Layout(800, H, 800, '.');
        QVERIFY(!r.scope.Dragging);
        r.scope.pointerMoved(2, 30);
        r.scope.Layout(800, H, 800, '.');
        QCOMPARE(r.scope.Offset[0], std::int16_t(10));
        // Another quantity starts unshifted.
        r.tick(50, 800, scope::TempReducer);
        QCOMPARE(r.scope.Offset[0], std::int16_t(0));
    }

    void emptyChart()
    {
        Rig r;
        const ScopeFrame &f = r.tick(5, 0);
        QCOMPARE(r.scope.SampleCount, 1); // the sample is taken all the same
        QVERIFY(!f.traces[0].enabled);
        QCOMPARE(f.traces[0].pointCount, 0);
    }
};

QTEST_GUILESS_MAIN(TstOscilloscope)
#include "tst_oscilloscope.moc"
