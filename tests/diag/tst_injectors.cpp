// Injector switches, their frames and the injection-sequence view.
#include "Injectors.h"
#include "ScriptedSerial.h"

#include <QtTest>

using namespace kelvane;
using Bytes = std::vector<std::uint8_t>;

class TstInjectors : public QObject {
    Q_OBJECT

    ScriptedSerial line;
    PortMap ports;
    LinkState linkState;
    SerialLink link { line, ports, linkState };
    Commands cmd { link };
    ParameterImage image;
    WriteDispatcher writes { cmd, image };
    LiveData live;
    TimeBases tb;

private slots:
    void init()
    {
        line = ScriptedSerial();
        ports = PortMap();
        linkState = LinkState();
        live = LiveData();
        ports.map(1, "/dev/ttyFAKE1");
        line.addDevice("/dev/ttyFAKE1");
        linkState.PortName = ComPortName(0);
        QVERIFY(link.OpenComPort());
    }

    void gasSwitchesFollowActiveAndCutOffMasks()
    {
        live.setU16(rec::GasCutOffWord, 0x020F);
        for (int n = 1; n <= 8; ++n)
            live.setU16(rec::InjGas1 + 2 * (n - 1), 1000);
        const bool on[8] = { true, false, true, true, false, false, false, false };
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(gasSwitchOn(live, n), on[n - 1]);
            QCOMPARE(gatedGasMs(live, n, tb), on[n - 1] ? TicksToMs(1000, 1, tb) : 0.0f);
        }
    }

    void clickOnGasSwitch2SendsTheWholeWord()
    {
        live.setU16(rec::GasCutOffWord, 0x020F);
        toggleGasInjector(live, writes, 2);
        QCOMPARE(line.written().at(0).bytes, (Bytes { 0x65, 0x00, 0x00, 0x0F, 0x1E, 0xF0 }));
        QCOMPARE(live.gasCutOffMask(), std::uint8_t(0));
    }

    void twoQuickClicksOnPetrol3()
    {
        live.setU16(rec::PetrolOverrideWord, 0x5500);
        live.setU8(rec::PetrolStateMask, 0xFF);
        togglePetrolInjector(live, writes, 3);
        togglePetrolInjector(live, writes, 3);
        QCOMPARE(line.written().size(), std::size_t(2));
        const Bytes &a = line.written()[0].bytes;
        const Bytes &b = line.written()[1].bytes;
        QCOMPARE(a[0], std::uint8_t(0x75));
        QCOMPARE(a[2], std::uint8_t(0x55)); // high byte sent back unchanged
        QCOMPARE(a[3] ^ b[3], 0x04);
        // The switch shows the controller's state mask, not the override word.
        QVERIFY(petrolSwitchOn(live, 3));
    }

    void sequence_data()
    {
        QTest::addColumn<QVector<int>>("values");
        QTest::addColumn<QVector<int>>("cylinders");
        QTest::addColumn<QVector<int>>("groups");
        QTest::newRow("pairs") << QVector<int> { 10, 30, 10, 30, 20, 40, 20, 40 }
                               << QVector<int> { 1, 3, 5, 7, 2, 4, 6, 8 } << QVector<int> { 0, 0, 1, 1, 2, 2, 3, 3 };
        QTest::newRow("all equal") << QVector<int>(8, 5) << QVector<int> { 1, 2, 3, 4, 5, 6, 7, 8 }
                                   << QVector<int>(8, 0);
        QTest::newRow("sequential") << QVector<int> { 4, 3, 2, 1, 8, 7, 6, 5 }
                                    << QVector<int> { 4, 3, 2, 1, 8, 7, 6, 5 }
                                    << QVector<int> { 0, 1, 2, 3, 4, 5, 6, 7 };
    }
    void sequence()
    {
        QFETCH(QVector<int>, values);
        QFETCH(QVector<int>, cylinders);
        QFETCH(QVector<int>, groups);
        for (int n = 0; n < 8; ++n)
            live.setU16(rec::Sequence1 + 2 * n, static_cast<std::uint16_t>(values[n]));
        const auto rows = injectionSequence(live);
        for (int r = 0; r < 8; ++r) {
            QCOMPARE(rows[static_cast<std::size_t>(r)].cylinder, cylinders[r]);
            QCOMPARE(rows[static_cast<std::size_t>(r)].group, groups[r]);
        }
    }

    void cylindersOutsideOneToEightDoNothing()
    {
        live.setU16(rec::GasCutOffWord, 0xFFFF);
        toggleGasInjector(live, writes, 0);
        togglePetrolInjector(live, writes, 9);
        QVERIFY(line.written().empty());
        QVERIFY(!gasSwitchOn(live, 0));
    }
};

QTEST_GUILESS_MAIN(TstInjectors)
#include "tst_injectors.moc"
