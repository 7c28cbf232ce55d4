// The window's size limits and the rules that size the panels from the window's outer size: plain
// arithmetic, tested without a window.
#include "LayoutRules.h"

#include <QtTest>

using namespace kelvane;

class TstLayoutRules : public QObject {
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<int>("ruleResult");
        QTest::addColumn<int>("expected");
        // Meter heights at the smallest, the design and a large panel.
        QTest::newRow("rpm meter small") << layout::ruleB(200, 300, 145, 0.6) << 145;
        QTest::newRow("rpm meter 300") << layout::ruleB(300, 300, 145, 0.6) << 180;
        QTest::newRow("rpm meter max") << layout::ruleB(900, 300, 145, 0.6) << 300;
        // The width limit below the minimum: the minimum wins.
        QTest::newRow("max below min") << layout::ruleB(400, 152.25, 180, 0.9891892) << 180;
        // Truncation toward zero, also of the maximum.
        QTest::newRow("rule B truncates") << layout::ruleB(333, 1000, 0, 0.5) << 166;
        QTest::newRow("rule B truncates the maximum") << layout::ruleB(1000, 199.9, 0, 1) << 199;
        // Rule A: a x (lo / d) with lo / d in single precision, 30 x 0.54545456 = 16.36.
        QTest::newRow("rule A grid font") << layout::ruleA(30, 36, 12, 22) << 16;
        QTest::newRow("rule A lower limit") << layout::ruleA(10, 36, 12, 22) << 12;
        QTest::newRow("rule A upper limit") << layout::ruleA(100, 36, 12, 22) << 36;
        QTest::newRow("rule A map 2D width") << layout::ruleA(1000, 1900, 500, 545) << 917;
        QTest::newRow("strip 809") << layout::stripWidth(809) << 196;
        QTest::newRow("strip 1600") << layout::stripWidth(1600) << 372;
        QTest::newRow("strip 2000") << layout::stripWidth(2000) << 392;
        QTest::newRow("strip unclamped 809") << layout::stripWidthUnclamped(809) << 188;
        QTest::newRow("strip unclamped 2000") << layout::stripWidthUnclamped(2000) << 465;
        QTest::newRow("O1 809") << layout::panelO1Width(809) << 180;
        QTest::newRow("O1 1600") << layout::panelO1Width(1600) << 355;
        QTest::newRow("O1 5000") << layout::panelO1Width(5000) << 900;
        QTest::newRow("O2 809") << layout::panelO2Width(809) << 240;
        QTest::newRow("O2 2000") << layout::panelO2Width(2000) << 588;
        QTest::newRow("O2 5000") << layout::panelO2Width(5000) << 1200;
        QTest::newRow("O3 below range") << layout::panelO3Width(809, 612, 420) << 176;
        QTest::newRow("O3 in range") << layout::panelO3Width(1000, 800, 516) << 284;
        QTest::newRow("O3 above range") << layout::panelO3Width(5000, 4000, 2000) << 880;
        QTest::newRow("O3 in range, page narrower than its left") << layout::panelO3Width(1000, 400, 516) << 0;
        QTest::newRow("V2 at 600") << layout::stripPanelHeights(600)[0] << 212;
        QTest::newRow("V4 at 600") << layout::stripPanelHeights(600)[1] << 71;
        QTest::newRow("V1 at 1000") << layout::stripPanelHeights(1000)[4] << 286;
        QTest::newRow("V2 at 3000") << layout::stripPanelHeights(3000)[0] << 636;
        // The parameter pages' sections: width - 40, at least 557; the expand mark 51 from the right.
        QTest::newRow("sections at 400") << layout::parameterGroupWidth(400) << 557;
        QTest::newRow("sections at 597, the limit") << layout::parameterGroupWidth(597) << 557;
        QTest::newRow("sections at 598") << layout::parameterGroupWidth(598) << 558;
        QTest::newRow("sections at 1400") << layout::parameterGroupWidth(1400) << 1360;
        QTest::newRow("sections at 0") << layout::parameterGroupWidth(0) << 557;
        QTest::newRow("mark at 557") << layout::expandMarkLeft(557) << 506;
        QTest::newRow("mark at 1360") << layout::expandMarkLeft(1360) << 1309;
    }
    void rules()
    {
        QFETCH(int, ruleResult);
        QFETCH(int, expected);
        QCOMPARE(ruleResult, expected);
    }

    void sizeLimits_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QSize>("result");
        QTest::newRow("allowed") << QSize(809, 650) << QSize(1200, 900) << true << QSize(1200, 900);
        QTest::newRow("at the limits") << QSize(809, 650) << QSize(400, 300) << true << QSize(400, 300);
        // Too narrow: the width snaps to 400 and the height stays as it was.
        QTest::newRow("350 x 500") << QSize(809, 650) << QSize(350, 500) << false << QSize(400, 650);
        QTest::newRow("600 x 200") << QSize(809, 650) << QSize(600, 200) << false << QSize(809, 300);
        QTest::newRow("both too small") << QSize(809, 650) << QSize(10, 10) << false << QSize(400, 300);
        // A window that was below a limit itself is brought up to it.
        QTest::newRow("old below the limit") << QSize(100, 650) << QSize(800, 200) << false << QSize(400, 300);
    }
    void sizeLimits()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(bool, accepted);
        QFETCH(QSize, result);
        const layout::ResizeCheck c = layout::FormCanResize(from.width(), from.height(), to.width(), to.height());
        QCOMPARE(c.accepted, accepted);
        QCOMPARE(QSize(c.width, c.height), result);
    }

    // The meters of PanelO1: heights by rule B, widths limited by their heights, both centred, the
    // 180-degree one right below the 270-degree one.
    void meters_data()
    {
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QRect>("rpm");
        QTest::addColumn<QRect>("difp");
        QTest::newRow("narrow") << QSize(180, 560) << QRect(0, 0, 180, 300) << QRect(1, 300, 178, 228);
        // The width limit by the height lies below the minimum width: the minimum wins.
        QTest::newRow("wide and low") << QSize(400, 250) << QRect(110, 0, 180, 150) << QRect(113, 150, 174, 115);
        QTest::newRow("large") << QSize(900, 1000) << QRect(292, 0, 315, 300) << QRect(261, 300, 378, 250);
    }
    void meters()
    {
        QFETCH(QSize, panel);
        QFETCH(QRect, rpm);
        QFETCH(QRect, difp);
        const layout::MeterRects m = layout::panelO1Meters(panel.width(), panel.height());
        QCOMPARE(QRect(m.rpm.x, m.rpm.y, m.rpm.w, m.rpm.h), rpm);
        QCOMPARE(QRect(m.difp.x, m.difp.y, m.difp.w, m.difp.h), difp);
    }
};

QTEST_APPLESS_MAIN(TstLayoutRules)
#include "tst_layoutrules.moc"
