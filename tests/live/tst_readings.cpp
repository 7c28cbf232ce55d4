// What the readings, the OBD tab and the work-time label show for a record.
#include "Readings.h"

#include <QtTest>

using namespace kelvane;

class TstReadings : public QObject {
    Q_OBJECT
    StatusTexts texts;

private slots:
    void statusLamp_data()
    {
        QTest::addColumn<int>("signalFlags");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pressureFlags");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("flashing");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no speed signal") << 0x00 << 2 << 0 << 1 << true << "error RPM/IGN.";
        QTest::newRow("speed signal error") << 0x0C << 2 << 0 << 1 << true << "error RPM/IGN.";
        QTest::newRow("petrol") << 0x04 << 0 << 0 << 0 << false << "gasoline";
        QTest::newRow("auto") << 0x04 << 1 << 0 << 0 << false << "auto";
        QTest::newRow("gas") << 0x04 << 2 << 0 << 0 << false << "gaz";
        QTest::newRow("pressure error") << 0x04 << 3 << 1 << 1 << true << "error pres.";
        QTest::newRow("error") << 0x04 << 3 << 0 << 1 << true << "error";
    }
    void statusLamp()
    {
        QFETCH(int, signalFlags);
        QFETCH(int, mode);
        QFETCH(int, pressureFlags);
        QFETCH(int, state);
        QFETCH(bool, flashing);
        QFETCH(QString, caption);
        LiveData live;
        live.setU8(rec::SignalFlags, static_cast<std::uint8_t>(signalFlags));
        live.setU16(rec::ModeWord, static_cast<std::uint16_t>(mode << 7));
        live.setU8(rec::PressureFlags, static_cast<std::uint8_t>(pressureFlags));
        const LampState lamp = kelvane::statusLamp(live, texts);
        QCOMPARE(lamp.state, state);
        QCOMPARE(lamp.flashing, flashing);
        QCOMPARE(QString::fromStdString(lamp.caption), caption);
    }

    void levelLamps_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("lit"); // lamps 0-4, "-" = unchanged
        QTest::newRow("0") << 0 << "10000";
        QTest::newRow("1") << 1 << "01000";
        QTest::newRow("2") << 2 << "01100";
        QTest::newRow("3") << 3 << "01110";
        QTest::newRow("4") << 4 << "01111";
        QTest::newRow("5") << 5 << "-";
        QTest::newRow("7") << 7 << "-";
    }
    void levelLamps()
    {
        QFETCH(int, step);
        QFETCH(QString, lit);
        const auto lamps = kelvane::levelLamps(static_cast<std::uint8_t>(step));
        if (lit == "-") {
            QVERIFY(!lamps.has_value());
            return;
        }
        QVERIFY(lamps.has_value());
        QString got;
        for (bool b : *lamps)
            got += b ? '1' : '0';
        QCOMPARE(got, lit);
    }

    void workTime()
    {
        QCOMPARE(QString::fromStdString(workTimeText(3725, 0, texts, '.')),
            QString("work time gasoline: [ 1h : 2m : 5s ] gaz: [ 0h : 0m : 0s ] 99.97/0.00 %"));
        QCOMPARE(QString::fromStdString(workTimeText(0, 0, texts, ',')),
            QString("work time gasoline: [ 0h : 0m : 0s ] gaz: [ 0h : 0m : 0s ] 0,00/0,00 %"));
        // Counters past 136 years of seconds do not overflow the hours.
        QVERIFY(QString::fromStdString(workTimeText(0xFFFFFFFFu, 0xFFFFFFFFu, texts, '.')).contains("1193046h"));
    }

    void canLine_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        QTest::newRow("0x09") << 0x09 << "1:CAN 250k/29b |ConOK:1|ConFail:0|ReadPid:0|";
        QTest::newRow("0x34") << 0x34 << "4: CAN n/a |ConOK:0|ConFail:1|ReadPid:1|";
        QTest::newRow("mode 6: flags alone") << 0x0E << "|ConOK:1|ConFail:0|ReadPid:0|";
    }
    void canLine()
    {
        QFETCH(int, status);
        QFETCH(QString, line);
        QCOMPARE(QString::fromStdString(canStatusLine(static_cast<std::uint8_t>(status))), line);
        // Every decode gives the same text: the line never grows.
        QCOMPARE(canStatusLine(static_cast<std::uint8_t>(status)), canStatusLine(static_cast<std::uint8_t>(status)));
    }

    void obdValuesAndTrims()
    {
        LiveData live;
        live.ObdBlock[4] = 0x01;
        live.ObdBlock[36] = 0x90;
        live.setU8(rec::ObdShortTrim, 0x90);
        auto v = obdValues(live);
        QVERIFY(v[0].supported);
        QCOMPARE(QString::fromStdString(screenFixed(v[0].value, 2, '.')), QString("12.50"));
        QVERIFY(!v[1].supported);
        QCOMPARE(QString::fromStdString(obdShortTrimText(live, '.')), QString("12.50"));
        QCOMPARE(QString::fromStdString(obdLongTrimText(live, '.')), QString("n/a"));
        live.ObdBlock[4] = 0;
        QCOMPARE(QString::fromStdString(obdShortTrimText(live, '.')), QString("n/a"));
    }

    void obdValueScales()
    {
        LiveData live;
        live.ObdBlock[5] = 0xEF; // values 9-12 and 13-15
        live.ObdBlock[6] = 0x3F; // values 16-21
        live.ObdBlock[23] = 180; // oxygen bank 2 sensor 1, high byte of word 22
        live.ObdBlock[40] = 255;
        live.ObdBlock[41] = 130;
        live.ObdBlock[42] = 101;
        live.ObdBlock[32] = 0x80; // 0x0C80 = 3200 / 4 = 800 rpm
        live.ObdBlock[33] = 0x0C;
        live.ObdBlock[43] = 88;
        live.ObdBlock[44] = 140;
        live.ObdBlock[45] = 65;
        live.ObdBlock[30] = 0xE8; // 1000 x 0.1
        live.ObdBlock[31] = 0x03;
        const auto v = obdValues(live);
        QVERIFY(v[8].supported && !v[4].supported);
        QCOMPARE(v[8].value, 0.9);
        QCOMPARE(v[12].value, 255 * 0.392156862);
        QCOMPARE(v[13].value, 90.0);
        QCOMPARE(v[14].value, 101.0);
        QCOMPARE(v[15].value, 800.0);
        QCOMPARE(v[16].value, 88.0);
        QCOMPARE(v[17].value, 6.0);
        QCOMPARE(v[18].value, 25.0);
        QCOMPARE(v[19].value, 100.0);
        for (int k = 8; k < 21; ++k)
            QVERIFY2(v[static_cast<std::size_t>(k)].supported, qPrintable(QString::number(k + 1)));
    }
};

QTEST_GUILESS_MAIN(TstReadings)
#include "tst_readings.moc"
