// The live reply, its side channels, LiveValues and the map operating point.
#include "../support/FakeEcu.h"
#include "LiveRecord.h"

#include <QtTest>

using namespace kelvane;

class TstLiveRecord : public QObject {
    Q_OBJECT

    LiveData live;
    ParameterImage image;
    TimeBases tb;

    // A reply as it comes off the wire: payload bytes in reception order.
    static std::vector<std::uint8_t> wire(const std::vector<std::uint8_t> &payload, std::uint8_t type = 0x05)
    {
        std::vector<std::uint8_t> r;
        r.reserve(payload.size() + 4);
        r.push_back(0x56);
        r.push_back(type);
        r.insert(r.end(), payload.begin(), payload.end());
        r.push_back(replyChecksum(r.data() + 2, 192));
        r.push_back(0xF0);
        return r;
    }

    std::array<std::uint8_t, 192> recordWith(std::initializer_list<std::pair<int, std::uint16_t>> words)
    {
        LiveData d;
        for (auto [off, v] : words)
            d.setU16(off, v);
        return d.Record;
    }

    void accept(const std::array<std::uint8_t, 192> &record)
    {
        auto r = test::FakeEcu::liveReply(record);
        QVERIFY(acceptLiveReply(r.data(), true, live));
    }

private slots:
    void init()
    {
        live = LiveData();
        image = ParameterImage();
        tb = TimeBases();
    }

    void payloadIsStoredReversed()
    {
        std::vector<std::uint8_t> payload;
        for (int i = 0; i < 192; ++i)
            payload.push_back(static_cast<std::uint8_t>(i));
        auto r = wire(payload);
        QVERIFY(acceptLiveReply(r.data(), true, live));
        QCOMPARE(live.Record[0], std::uint8_t(191));
        QCOMPARE(live.Record[191], std::uint8_t(0));
        QCOMPARE(live.s16(rec::TempReducer), std::int16_t(static_cast<std::uint16_t>((190 << 8) | 191)));
        QVERIFY(live.s16(rec::TempReducer) < 0);
    }

    void badRepliesLeaveTheRecord_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("type 0x04") << 0;
        QTest::newRow("checksum") << 1;
        QTest::newRow("end byte") << 2;
        QTest::newRow("incomplete") << 3;
    }
    void badRepliesLeaveTheRecord()
    {
        QFETCH(int, fault);
        live.Record.fill(0x77);
        auto r = wire(std::vector<std::uint8_t>(192, 1), fault == 0 ? 0x04 : 0x05);
        if (fault == 1)
            r[194] ^= 1;
        if (fault == 2)
            r[195] = 0;
        QVERIFY(!acceptLiveReply(r.data(), fault != 3, live));
        QVERIFY(std::all_of(live.Record.begin(), live.Record.end(), [](std::uint8_t b) { return b == 0x77; }));
    }

    void modeWord_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("mode");
        QTest::newRow("0x0180 error") << 0x0180 << 3;
        QTest::newRow("0x0080 auto") << 0x0080 << 1;
        QTest::newRow("0x0100 gas") << 0x0100 << 2;
        QTest::newRow("0x7E7F petrol") << 0x7E7F << 0;
    }
    void modeWord()
    {
        QFETCH(int, word);
        QFETCH(int, mode);
        live.setU16(rec::ModeWord, static_cast<std::uint16_t>(word));
        QCOMPARE(live.mode(), mode);
    }

    void mapColumnFromTheSpeedAxis_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("column");
        QTest::newRow("below every breakpoint") << 999 << 7;
        QTest::newRow("at the breakpoints") << 1000 << 0;
    }
    void mapColumnFromTheSpeedAxis()
    {
        QFETCH(int, period);
        QFETCH(int, column);
        for (int k = 0; k < 8; ++k)
            image.setWordAt(img::RpmAxisWord + k, 1000);
        live.setU16(rec::RpmPeriod, static_cast<std::uint16_t>(period));
        computeMapPoint(live, image);
        QCOMPARE(live.MapColumn, column);
    }

    void mapPointOnARealAxis()
    {
        // Periods fall as the speed rises; injection times rise along the rows.
        const std::uint16_t rpmAxis[8] = { 60000, 40000, 30000, 20000, 15000, 10000, 8000, 6000 };
        for (int k = 0; k < 8; ++k)
            image.setWordAt(img::RpmAxisWord + k, rpmAxis[k]);
        for (int k = 0; k < 16; ++k)
            image.setWordAt(img::InjTimeAxisWord + k, static_cast<std::uint16_t>(500 + 250 * k));
        live.setU16(rec::RpmPeriod, 25000); // between 30000 and 20000: column 3
        live.setU16(rec::InjPetrolRef, 100); // below the first breakpoint: row 0
        QVERIFY(computeMapPoint(live, image)); // (1,1) at start-up
        QCOMPARE(live.MapColumn, 3);
        QCOMPARE(live.MapRow, 0);
        QVERIFY(!computeMapPoint(live, image)); // unchanged
        live.setU16(rec::InjPetrolRef, 1000); // reaches breakpoints 0..2: row 3
        QVERIFY(computeMapPoint(live, image));
        QCOMPARE(live.MapRow, 3);
        live.setU16(rec::InjPetrolRef, 65535); // breakpoint 15 takes no part
        computeMapPoint(live, image);
        QCOMPARE(live.MapRow, 15);
    }

    void obdChunks_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("redraw");
        QTest::addColumn<bool>("written");
        QTest::newRow("76") << 76 << false << true;
        QTest::newRow("80") << 80 << true << true;
        QTest::newRow("81 outside") << 81 << true << false;
        QTest::newRow("65535 outside") << 65535 << true << false;
    }
    void obdChunks()
    {
        QFETCH(int, offset);
        QFETCH(bool, redraw);
        QFETCH(bool, written);
        live.setU16(rec::ObdChunkOffset, static_cast<std::uint16_t>(offset));
        for (int i = 0; i < 4; ++i)
            live.setU8(rec::ObdChunk + i, static_cast<std::uint8_t>(0xA0 + i));
        const auto before = live.ObdBlock;
        QCOMPARE(mergeSideChannels(live), redraw);
        if (written) {
            for (int i = 0; i < 4; ++i)
                QCOMPARE(live.ObdBlock[static_cast<std::size_t>(offset + i)], static_cast<std::uint8_t>(0xA0 + i));
        } else {
            QVERIFY(live.ObdBlock == before);
        }
    }

    void autoMapSlots_data()
    {
        QTest::addColumn<int>("slotA");
        QTest::addColumn<int>("slotB");
        QTest::addColumn<int>("wordA"); // -1: nothing written
        QTest::addColumn<int>("wordB");
        QTest::newRow("first slots") << 1 << 1 << 0 << 128;
        QTest::newRow("last slots") << 128 << 128 << 127 << 255;
        QTest::newRow("slot 0 skipped") << 0 << 0 << -1 << -1;
        QTest::newRow("slot 129 skipped") << 129 << 200 << -1 << -1;
    }
    void autoMapSlots()
    {
        QFETCH(int, slotA);
        QFETCH(int, slotB);
        QFETCH(int, wordA);
        QFETCH(int, wordB);
        live.setU16(rec::AutoMapIndexA, static_cast<std::uint16_t>(slotA));
        live.setU16(rec::AutoMapIndexB, static_cast<std::uint16_t>(slotB));
        live.setU16(rec::AutoMapValueA, 1111);
        live.setU16(rec::AutoMapValueB, 2222);
        mergeSideChannels(live);
        int written = 0;
        for (std::size_t i = 0; i < live.AutoMapStore.size(); ++i) {
            if (live.AutoMapStore[i] == 0)
                continue;
            ++written;
            QVERIFY(static_cast<int>(i) == wordA || static_cast<int>(i) == wordB);
        }
        QCOMPARE(written, (wordA >= 0) + (wordB >= 0));
        if (wordA >= 0)
            QCOMPARE(live.AutoMapStore[static_cast<std::size_t>(wordA)], std::uint16_t(1111));
        if (wordB >= 0)
            QCOMPARE(live.AutoMapStore[static_cast<std::size_t>(wordB)], std::uint16_t(2222));
    }

    void liveValues()
    {
        image.setByte(img::RpmSet, 3); // 4 cylinders: 2 pulses per revolution
        LiveData d;
        d.setU16(rec::TempReducer, static_cast<std::uint16_t>(-5));
        d.setU16(rec::TempGas, 30);
        d.setU16(rec::InjPetrol1, 1000);
        d.setU16(rec::InjGas1 + 14, 500);
        d.setU16(rec::RpmPeriod, 6912); // 6912 ticks x 4.34 us = 30 ms -> 1000 rpm at 2 pulses
        d.setU16(rec::GasPressure1, 1500);
        d.setU16(rec::PresManifold, 400);
        d.setU16(rec::PresDiff, 1100);
        d.setU16(rec::LevelRaw, 1000);
        d.setU16(rec::SupplyRaw, 2000);
        d.setU16(rec::LambdaRaw, 500);
        d.setU16(rec::Correction1 + 6, 123);
        d.setU16(rec::ErrorCount, 4);
        d.setU16(rec::PetrolWorkTime, 3725);
        d.setU16(rec::GasWorkTime, 0);
        d.setU16(rec::GasWorkTime + 2, 1); // 65536 s
        live.Record = d.Record;
        live.LiveValues = {};
        computeLiveValues(live, image, tb);
        const auto &v = live.LiveValues;
        QCOMPARE(v[0], 65536.0f);
        QCOMPARE(v[1], 3725.0f);
        QCOMPARE(v[2], 1000.0f);
        QCOMPARE(v[3], TicksToMs(1000, 1, tb));
        QCOMPARE(v[18], TicksToMs(500, 0, tb));
        QCOMPARE(v[19], -5.0f);
        QCOMPARE(v[20], 30.0f);
        QCOMPARE(v[22], 1.5f);
        QCOMPARE(v[23], 0.4f);
        QCOMPARE(v[24], 1.1f);
        QCOMPARE(v[25], 1.22f);
        QCOMPARE(v[26], static_cast<float>(2000 * 0.00122L * 5.4L));
        QCOMPARE(v[28], 0.61f);
        QCOMPARE(v[36], 12.3f);
        QCOMPARE(v[37], 4.0f);
        for (int unused : { 21, 27, 29, 30, 31, 32 })
            QCOMPARE(v[static_cast<std::size_t>(unused)], 0.0f);
    }
};

QTEST_GUILESS_MAIN(TstLiveRecord)
#include "tst_liverecord.moc"
