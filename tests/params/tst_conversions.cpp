// Ticks to milliseconds and rpm and back, at both link speeds.
#include "Conversions.h"

#include <QtTest>

using namespace kelvane;

namespace {
const TimeBases Baud57600 = timeBasesFor(0);
const TimeBases Baud38400 = timeBasesFor(1);
constexpr std::uint8_t FourCylinders = 3;
} // namespace

class TstConversions : public QObject {
    Q_OBJECT

private slots:
    void ticksToRpm_data()
    {
        QTest::addColumn<quint32>("ticks");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("signal");
        QTest::addColumn<quint32>("rpm");
        // 30 / (ticks x 4.34e-6 s) for two pulses per revolution
        QTest::newRow("1512.24 rpm rounds up to 1513, down to the grid") << 4571u << 3 << 0 << 1500u;
        QTest::newRow("2000.13 rpm") << 3456u << 3 << 0 << 2000u;
        QTest::newRow("1949.91 rpm rounds up to 1950") << 3545u << 3 << 0 << 1950u;
        QTest::newRow("0-14V reads like 12V") << 4571u << 3 << 1 << 1500u;
        QTest::newRow("INJ reads the same period differently") << 4571u << 3 << 2 << 11925u;
        QTest::newRow("65499 still converts") << 65499u << 3 << 0 << 100u;
        QTest::newRow("65499 one coil") << 65499u << 0 << 0 << 400u;
        QTest::newRow("65500 is a stopped engine") << 65500u << 3 << 0 << 0u;
        QTest::newRow("65500 INJ") << 65500u << 6 << 2 << 0u;
        QTest::newRow("70000 one coil") << 70000u << 0 << 0 << 0u;
        QTest::newRow("0 ticks divides by 1e-7 s") << 0u << 3 << 0 << 300000000u;
        QTest::newRow("0 ticks one coil") << 0u << 0 << 1 << 1200000000u;
        QTest::newRow("0 ticks INJ is 0") << 0u << 3 << 2 << 0u;
        QTest::newRow("type 7 gives 0") << 4571u << 7 << 0 << 0u;
        QTest::newRow("type 255 INJ gives 0") << 4571u << 255 << 2 << 0u;
    }
    void ticksToRpm()
    {
        QFETCH(quint32, ticks);
        QFETCH(int, type);
        QFETCH(int, signal);
        QFETCH(quint32, rpm);
        QCOMPARE(TicksToRpm(ticks, static_cast<std::uint8_t>(type), static_cast<unsigned>(signal), Baud57600), rpm);
    }

    void ticksToRpmStaysOnTheGrid()
    {
        for (std::uint8_t type = 0; type <= 6; ++type)
            for (unsigned signal : { 0u, 2u })
                for (std::uint32_t t = 0; t < 66000; t += 7)
                    QCOMPARE(TicksToRpm(t, type, signal, Baud38400) % 25, 0u);
    }

    void rpmToTicks_data()
    {
        QTest::addColumn<quint32>("rpm");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("baudFlag");
        QTest::addColumn<int>("ticks");
        QTest::newRow("0 converts 200 rpm") << 0u << 3 << 0 << 0 << 34562;
        QTest::newRow("200") << 200u << 3 << 0 << 0 << 34562;
        QTest::newRow("1909 converts 1900") << 1909u << 3 << 0 << 0 << 3638;
        QTest::newRow("1900") << 1900u << 3 << 0 << 0 << 3638;
        QTest::newRow("2009 converts 2000") << 2009u << 3 << 0 << 0 << 3456;
        QTest::newRow("2000 at 38400") << 2000u << 3 << 0 << 1 << 3750;
        QTest::newRow("2000 INJ") << 2000u << 3 << 2 << 0 << 27272;
        QTest::newRow("1200 INJ") << 1200u << 3 << 2 << 0 << 45454;
        QTest::newRow("type 7 gives 0") << 2000u << 7 << 0 << 0 << 0;
        QTest::newRow("type 9 INJ gives 0") << 2000u << 9 << 2 << 0 << 0;
        // 1 to 24 rpm fall to 0 on the grid: an endless period, held at the largest count
        QTest::newRow("10 rpm saturates") << 10u << 3 << 0 << 0 << INT32_MAX;
        QTest::newRow("24 rpm INJ saturates") << 24u << 3 << 2 << 0 << INT32_MAX;
    }
    void rpmToTicks()
    {
        QFETCH(quint32, rpm);
        QFETCH(int, type);
        QFETCH(int, signal);
        QFETCH(int, baudFlag);
        QFETCH(int, ticks);
        QCOMPARE(RpmToTicks(rpm, static_cast<std::uint8_t>(type), static_cast<unsigned>(signal),
                     timeBasesFor(static_cast<std::uint8_t>(baudFlag))),
            ticks);
    }

    void millisecondsAndTicks_data()
    {
        QTest::addColumn<int>("baudFlag");
        QTest::addColumn<float>("ms");
        QTest::addColumn<int>("ticks");
        QTest::newRow("1.0 ms at 57600") << 0 << 1.0f << 227;
        QTest::newRow("1.0 ms at 38400") << 1 << 1.0f << 246;
        QTest::newRow("-0.1 ms truncates toward zero") << 0 << -0.1f << -22;
        QTest::newRow("0.2 ms") << 0 << 0.2f << 45;
        QTest::newRow("1.5 ms") << 0 << 1.5f << 340;
    }
    void millisecondsAndTicks()
    {
        QFETCH(int, baudFlag);
        QFETCH(float, ms);
        QFETCH(int, ticks);
        const TimeBases tb = timeBasesFor(static_cast<std::uint8_t>(baudFlag));
        QCOMPARE(MsToTicks(ms, 1, tb), ticks);
        QCOMPARE(MsToTicks(ms, 0, tb), ticks);
    }

    void unusableMillisecondsStayDefined()
    {
        QCOMPARE(MsToTicks(1e30f, 1, Baud57600), INT32_MAX);
        QCOMPARE(MsToTicks(-1e30f, 1, Baud57600), INT32_MIN);
        QCOMPARE(MsToTicks(std::nanf(""), 1, Baud57600), 0);
    }

    void ticksReadBackAsFloat()
    {
        QCOMPARE(TicksToMs(227, 1, Baud57600), 0.9988f);
        QCOMPARE(TicksToMs(-23, 1, Baud57600), static_cast<float>(-23 * static_cast<long double>(0.0044f)));
        QCOMPARE(TicksToMs(0, 0, Baud38400), 0.0f);
    }

    void selectorPicksTheTimeBase()
    {
        TimeBases tb;
        tb.InjTickMsA = 0.01f;
        tb.InjTickMsB = 0.02f;
        QCOMPARE(TicksToMs(100, 1, tb), 1.0f);
        QCOMPARE(TicksToMs(100, 0, tb), 2.0f);
        QCOMPARE(TicksToMs(100, 7, tb), 2.0f);
        QCOMPARE(MsToTicks(1.0f, 1, tb), 100);
        QCOMPARE(MsToTicks(1.0f, 0, tb), 50);
    }
};

QTEST_APPLESS_MAIN(TstConversions)
#include "tst_conversions.moc"
