// The car's trouble codes: the text of a slot, the list from the OBD data area, the three commands.
#include "DiagBench.h"
#include "Obd.h"

#include <QtTest>

#include <memory>

using namespace kelvane;
using test::Bytes;

class TstObd : public QObject {
    Q_OBJECT

private slots:
    void codeText_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text");
        QTest::newRow("P0301") << 0x03 << 0x01 << "P0301";
        QTest::newRow("P0016") << 0x00 << 0x16 << "P0016";
        QTest::newRow("C012A") << 0x41 << 0x2A << "C012A";
        QTest::newRow("B group, digit 3") << 0xB2 << 0xFE << "B32FE";
        QTest::newRow("U0100") << 0xC1 << 0x00 << "U0100";
        QTest::newRow("all bits") << 0xFF << 0xFF << "U3FFF";
        QTest::newRow("second byte only") << 0x00 << 0x01 << "P0001";
        QTest::newRow("first byte only") << 0x80 << 0x00 << "B0000";
        QTest::newRow("empty slot") << 0x00 << 0x00 << "";
    }
    void codeText()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(
                     troubleCodeText(static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second))),
            text);
    }

    // Slot k of the list is bytes 48 + 2(k-1) (first) and 49 + 2(k-1) of the OBD data area; the
    // bytes around the list are not part of it.
    void listFromTheDataArea()
    {
        LiveData live;
        live.ObdBlock.fill(0x5A);
        for (int i = 48; i < 80; ++i)
            live.ObdBlock[static_cast<std::size_t>(i)] = 0;
        live.ObdBlock[48] = 0x03, live.ObdBlock[49] = 0x01; // slot 1
        live.ObdBlock[52] = 0xC1, live.ObdBlock[53] = 0x00; // slot 3
        live.ObdBlock[78] = 0x41, live.ObdBlock[79] = 0x2A; // slot 16
        const auto rows = troubleCodeRows(live);
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const char *expected = k == 0 ? "P0301" : k == 2 ? "U0100" : k == 15 ? "C012A" : "";
            QCOMPARE(rows[k], std::string(expected));
        }
        QCOMPARE(troubleCodes(live), (std::vector<std::string> { "P0301", "U0100", "C012A" }));
    }

    void commandFrames()
    {
        test::DiagBench bench;
        QVERIFY(!obdReadTroubleCodes(bench.s));
        QVERIFY(!obdEraseTroubleCodes(bench.s));
        QVERIFY(!obdReadAllData(bench.s));
        QVERIFY(bench.line.written().empty());

        QVERIFY(bench.connect());
        bench.line.clearLog();
        QVERIFY(obdReadTroubleCodes(bench.s));
        QVERIFY(obdReadAllData(bench.s));
        QVERIFY(obdEraseTroubleCodes(bench.s));
        const auto &w = bench.line.written();
        QCOMPARE(w.size(), std::size_t(4));
        QCOMPARE(w[0].bytes, (Bytes { 0xAA, 0x0A, 0x00, 0x00, 0x5E, 0xF0 }));
        QCOMPARE(w[1].bytes, (Bytes { 0xAA, 0x07, 0x00, 0x00, 0x5B, 0xF0 }));
        QCOMPARE(w[2].bytes, (Bytes { 0xAA, 0x06, 0x00, 0x00, 0x5A, 0xF0 }));
        QCOMPARE(w[3].bytes, (Bytes { 0xAA, 0x0A, 0x00, 0x00, 0x5E, 0xF0 }));
        // 5 ms after each frame, 1000 ms between the erase and the read, 5 ms before the read.
        QVERIFY(w[1].timeMs - w[0].doneMs >= 10);
        const double gap = w[3].timeMs - w[2].doneMs;
        QVERIFY2(gap >= 1010 && gap < 1020, QByteArray::number(gap));
    }
};

QTEST_GUILESS_MAIN(TstObd)
#include "tst_obd.moc"
