#include "InstrumentMath.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace kelvane;

class TestInstrumentMath : public QObject {
    Q_OBJECT
private slots:
    void meterAngleMapsAndClamps_data();
    void meterAngleMapsAndClamps();
    void barLengthMapsAndClamps_data();
    void barLengthMapsAndClamps();
    void scaleOfTheRpmDialCountsWholeThousands();
    void scaleStartingJustAboveZeroStillShowsZero();
    void barScaleNumbersBothEndsAndDropsCrowdedNeighbours_data();
    void barScaleNumbersBothEndsAndDropsCrowdedNeighbours();
    void scaleStaysBoundedOnDegenerateInput_data();
    void scaleStaysBoundedOnDegenerateInput();
};

static const double NaN = std::numeric_limits<double>::quiet_NaN();
static const double Inf = std::numeric_limits<double>::infinity();

void TestInstrumentMath::meterAngleMapsAndClamps_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("sweep");
    QTest::addColumn<double>("angle");
    QTest::newRow("min") << 0.0 << 0.0 << 8.0 << 270.0 << 0.0;
    QTest::newRow("max") << 8.0 << 0.0 << 8.0 << 270.0 << 270.0;
    QTest::newRow("mid") << 4.0 << 0.0 << 8.0 << 270.0 << 135.0;
    QTest::newRow("quarter of a 180 scale") << 0.75 << 0.0 << 3.0 << 180.0 << 45.0;
    QTest::newRow("offset range") << 55.0 << -40.0 << 150.0 << 190.0 << 95.0;
    QTest::newRow("below range") << -5.0 << 0.0 << 8.0 << 270.0 << 0.0;
    QTest::newRow("above range") << 12.0 << 0.0 << 8.0 << 270.0 << 270.0;
    QTest::newRow("minus infinity") << -Inf << 0.0 << 8.0 << 270.0 << 0.0;
    QTest::newRow("plus infinity") << Inf << 0.0 << 8.0 << 270.0 << 270.0;
    QTest::newRow("NaN value") << NaN << 0.0 << 8.0 << 270.0 << 0.0;
    QTest::newRow("zero-width range") << 0.0 << 0.0 << 0.0 << 270.0 << 0.0;
    QTest::newRow("zero-width range, value above") << 3.0 << 1.0 << 1.0 << 180.0 << 0.0;
    QTest::newRow("reversed range") << 6.0 << 8.0 << 0.0 << 270.0 << 202.5;
}

void TestInstrumentMath::meterAngleMapsAndClamps()
{
    QFETCH(double, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, sweep);
    QFETCH(double, angle);
    const double got = meterAngle(value, min, max, sweep);
    QVERIFY2(std::fabs(got - angle) < 1e-9, qPrintable(QString("got %1, want %2").arg(got).arg(angle)));
}

void TestInstrumentMath::barLengthMapsAndClamps_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("length");
    QTest::newRow("min") << 0.0 << 0.0 << 35.0 << 140 << 0;
    QTest::newRow("max") << 35.0 << 0.0 << 35.0 << 140 << 140;
    QTest::newRow("mid") << 17.5 << 0.0 << 35.0 << 140 << 70;
    QTest::newRow("rounds to nearest") << 1.0 << 0.0 << 3.0 << 100 << 33;
    QTest::newRow("rounds up") << 2.0 << 0.0 << 3.0 << 100 << 67;
    QTest::newRow("negative minimum") << 0.0 << -40.0 << 150.0 << 190 << 40;
    QTest::newRow("below range") << -50.0 << -40.0 << 150.0 << 190 << 0;
    QTest::newRow("above range") << 9999.5 << 0.0 << 9999.0 << 50 << 50;
    QTest::newRow("NaN value") << NaN << 0.0 << 5.0 << 50 << 0;
    QTest::newRow("zero-width range (lambda n/c)") << 0.7 << 0.0 << 0.0 << 120 << 0;
    QTest::newRow("no pixels") << 3.0 << 0.0 << 5.0 << 0 << 0;
    QTest::newRow("negative pixels") << 3.0 << 0.0 << 5.0 << -10 << 0;
}

void TestInstrumentMath::barLengthMapsAndClamps()
{
    QFETCH(double, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, pixels);
    QFETCH(int, length);
    QCOMPARE(barLength(value, min, max, pixels), length);
}

void TestInstrumentMath::scaleOfTheRpmDialCountsWholeThousands()
{
    const ScaleTicks t = niceScale(0.0, 8.0, 8, false);
    QCOMPARE(t.major, std::vector<double>({ 0, 1, 2, 3, 4, 5, 6, 7, 8 }));
    QCOMPARE(t.labels, t.major);
    QCOMPARE(t.decimals, 0);
    // minor ticks lie strictly between the major ones and inside the range
    QVERIFY(!t.minor.empty());
    for (double m : t.minor) {
        QVERIFY(m > 0.0 && m < 8.0);
        QVERIFY(std::fabs(m - std::round(m)) > 1e-6);
    }
}

void TestInstrumentMath::scaleStartingJustAboveZeroStillShowsZero()
{
    const ScaleTicks t = niceScale(0.001, 3.0, 6, false);
    QCOMPARE(t.major.front(), 0.0);
    QCOMPARE(t.major.back(), 3.0);
    QCOMPARE(t.major.size(), std::size_t(7)); // 0, 0.5, ... 3
    QCOMPARE(t.decimals, 1);
}

void TestInstrumentMath::barScaleNumbersBothEndsAndDropsCrowdedNeighbours_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("target");
    QTest::addColumn<std::vector<double>>("labels");
    QTest::newRow("temperature") << -40.0 << 150.0 << 4 << std::vector<double>({ -40, 0, 50, 100, 150 });
    QTest::newRow("lambda 1.1 V replaces 1.0") << 0.0 << 1.1 << 3 << std::vector<double>({ 0, 0.5, 1.1 });
    QTest::newRow("injection 35 ms replaces 30") << 0.0 << 35.0 << 4 << std::vector<double>({ 0, 10, 20, 35 });
    QTest::newRow("round ends need nothing extra") << 0.0 << 5.0 << 5 << std::vector<double>({ 0, 1, 2, 3, 4, 5 });
}

void TestInstrumentMath::barScaleNumbersBothEndsAndDropsCrowdedNeighbours()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, target);
    QFETCH(std::vector<double>, labels);
    const ScaleTicks t = niceScale(min, max, target, true);
    QCOMPARE(t.labels.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i)
        QVERIFY2(std::fabs(t.labels[i] - labels[i]) < 1e-9, qPrintable(QString::number(t.labels[i])));
    // every number has its tick
    for (double l : t.labels)
        QVERIFY(std::find(t.major.begin(), t.major.end(), l) != t.major.end());
}

void TestInstrumentMath::scaleStaysBoundedOnDegenerateInput_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("target");
    QTest::newRow("zero width") << 0.0 << 0.0 << 6;
    QTest::newRow("NaN") << NaN << 3.0 << 6;
    QTest::newRow("infinite") << 0.0 << Inf << 6;
    QTest::newRow("whole double range") << -1e308 << 1e308 << 6;
    QTest::newRow("tiny span") << 1.0 << 1.0 + 1e-12 << 6;
    QTest::newRow("absurd target") << 0.0 << 1.0 << 1000000;
    QTest::newRow("zero target") << 0.0 << 1.0 << 0;
}

void TestInstrumentMath::scaleStaysBoundedOnDegenerateInput()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, target);
    const ScaleTicks t = niceScale(min, max, target, true);
    QVERIFY(t.major.size() <= 256);
    QVERIFY(t.minor.size() <= 2048);
    for (double v : t.major)
        QVERIFY(std::isfinite(v));
}

QTEST_APPLESS_MAIN(TestInstrumentMath)
#include "tst_instrumentmath.moc"
