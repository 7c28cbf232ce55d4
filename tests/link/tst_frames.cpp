// Command frames, the catalogue's codes and delays, block replies.
#include "../support/FakeEcu.h"
#include "Commands.h"
#include "ScriptedSerial.h"

#include <QtTest>
#include <functional>

using namespace kelvane;
using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(std::function<void(kelvane::Commands &)>)

class TstFrames : public QObject {
    Q_OBJECT

    ScriptedSerial line;
    PortMap ports;
    LinkState state;
    SerialLink link { line, ports, state };
    Commands cmd { link };
    test::FakeEcu ecu;
    const std::string dev = "/dev/ttyFAKE1";
    std::array<std::uint8_t, 768> image {};

private slots:
    void init()
    {
        line = ScriptedSerial();
        ports = PortMap();
        state = LinkState();
        ecu = test::FakeEcu();
        ports.map(1, dev);
        line.addDevice(dev, ecu.responder());
        state.PortName = ComPortName(0);
        QVERIFY(link.OpenComPort());
        for (int i = 0; i < 768; ++i)
            image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
    }

    void catalogue_data()
    {
        using Op = std::function<void(Commands &)>;
        QTest::addColumn<Op>("op");
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<int>("pre");
        QTest::addColumn<int>("post");
        QTest::newRow("SendHello") << Op([](Commands &c) { c.SendHello(); }) << Bytes { 0x01, 0, 0, 0, 0xAB, 0xF0 } << 0
                                   << 0;
        QTest::newRow("SendLiveRequest") << Op([](Commands &c) { c.SendLiveRequest(); })
                                         << Bytes { 0xAA, 5, 0, 0, 0x59, 0xF0 } << 0 << 0;
        QTest::newRow("SendModePetrol") << Op([](Commands &c) { c.SendModePetrol(); })
                                        << Bytes { 0x53, 0, 0, 0, 0xFD, 0xF0 } << 0 << 4;
        QTest::newRow("SendModeAuto") << Op([](Commands &c) { c.SendModeAuto(); })
                                      << Bytes { 0x52, 0, 0, 0, 0xFC, 0xF0 } << 0 << 4;
        QTest::newRow("SendModeGas") << Op([](Commands &c) { c.SendModeGas(); }) << Bytes { 0x51, 0, 0, 0, 0xFB, 0xF0 }
                                     << 0 << 4;
        QTest::newRow("SendObdErase") << Op([](Commands &c) { c.SendObdErase(); })
                                      << Bytes { 0xAA, 6, 0, 0, 0x5A, 0xF0 } << 5 << 5;
        QTest::newRow("SendObdReadAll") << Op([](Commands &c) { c.SendObdReadAll(); })
                                        << Bytes { 0xAA, 7, 0, 0, 0x5B, 0xF0 } << 5 << 5;
        QTest::newRow("SendObdReadErrors")
            << Op([](Commands &c) { c.SendObdReadErrors(); }) << Bytes { 0xAA, 10, 0, 0, 0x5E, 0xF0 } << 5 << 5;
        QTest::newRow("SendCommitImage") << Op([](Commands &c) { c.SendCommitImage(0); })
                                         << Bytes { 0x45, 0, 0, 0, 0xEF, 0xF0 } << 0 << 35;
        QTest::newRow("SendResetMapPetrol")
            << Op([](Commands &c) { c.SendResetMapPetrol(); }) << Bytes { 0x5B, 0, 0, 0, 0x05, 0xF0 } << 2 << 4;
        QTest::newRow("SendResetMapGas") << Op([](Commands &c) { c.SendResetMapGas(); })
                                         << Bytes { 0x5C, 0, 0, 0, 0x06, 0xF0 } << 2 << 4;
        QTest::newRow("SendEraseErrors") << Op([](Commands &c) { c.SendEraseErrors(); })
                                         << Bytes { 0x61, 0, 0, 0, 0x0B, 0xF0 } << 0 << 4;
        QTest::newRow("SendGasCutOffWord") << Op([](Commands &c) { c.SendGasCutOffWord(0x020F); })
                                           << Bytes { 0x65, 0, 0x02, 0x0F, 0x20, 0xF0 } << 10 << 10;
        QTest::newRow("SendPetrolOverrideWord") << Op([](Commands &c) { c.SendPetrolOverrideWord(0x1204); })
                                                << Bytes { 0x75, 0, 0x12, 0x04, 0x35, 0xF0 } << 10 << 10;
    }
    void catalogue()
    {
        QFETCH(std::function<void(Commands &)>, op);
        QFETCH(Bytes, frame);
        QFETCH(int, pre);
        QFETCH(int, post);
        const double t0 = line.now();
        op(cmd);
        QCOMPARE(line.written().size(), std::size_t(1));
        const auto &w = line.written()[0];
        QCOMPARE(w.bytes, frame);
        QCOMPARE(w.timeMs - t0, double(pre));
        QCOMPARE(line.now() - w.doneMs, double(post));
    }

    void imageWrites_data()
    {
        QTest::addColumn<bool>("isWord");
        QTest::addColumn<int>("where");
        QTest::addColumn<Bytes>("frame"); // the image holds i * 7 at offset i
        QTest::addColumn<int>("value"); // as the controller reads it back
        QTest::newRow("byte 0") << false << 0 << Bytes { 0xC1, 0x00, 0x00, 0x00, 0x6B, 0xF0 } << 0;
        QTest::newRow("byte 300") << false << 300 << Bytes { 0xC2, 0x2C, 0x00, 0x34, 0xCC, 0xF0 } << 0x34;
        QTest::newRow("byte 767") << false << 767 << Bytes { 0xC3, 0xFF, 0x00, 0xF9, 0x65, 0xF0 } << 0xF9;
        QTest::newRow("word 383") << true << 383 << Bytes { 0xD2, 0x7F, 0xF9, 0xF2, 0xE6, 0xF0 } << 0xF9F2;
        QTest::newRow("word 255") << true << 255 << Bytes { 0xD1, 0xFF, 0xF9, 0xF2, 0x65, 0xF0 } << 0xF9F2;
    }
    void imageWrites()
    {
        QFETCH(bool, isWord);
        QFETCH(int, where);
        QFETCH(Bytes, frame);
        QFETCH(int, value);
        if (isWord)
            cmd.SendImageWord(image.data(), where);
        else
            cmd.SendImageByte(image.data(), where);
        const Bytes &f = line.written().at(0).bytes;
        QCOMPARE(f, frame);
        // The controller's side reads the same frame back.
        QVERIFY(commandFrameValid(f.data()));
        QCOMPARE(parseWriteFrame(f), std::optional<WriteFrame>(WriteFrame { isWord, where, std::uint16_t(value) }));
    }

    void writeFramesAreReadOnlyFromWriteCommands_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<bool>("isWrite");
        QTest::newRow("last byte code, offset 0xEFF") << Bytes { 0xCF, 0xFF, 0, 1, 0, 0xF0 } << true;
        QTest::newRow("last word code") << Bytes { 0xDF, 0x00, 0, 1, 0, 0xF0 } << true;
        QTest::newRow("0xC0 is no write") << Bytes { 0xC0, 0x00, 0, 1, 0, 0xF0 } << false;
        QTest::newRow("0xD0 is no write") << Bytes { 0xD0, 0x00, 0, 1, 0, 0xF0 } << false;
        QTest::newRow("0xE0 is no write") << Bytes { 0xE0, 0x00, 0, 1, 0, 0xF0 } << false;
        QTest::newRow("live request") << Bytes { 0xAA, 5, 0, 0, 0x59, 0xF0 } << false;
        QTest::newRow("five bytes") << Bytes { 0xC1, 0x00, 0, 1, 0 } << false;
        QTest::newRow("seven bytes") << Bytes { 0xC1, 0x00, 0, 1, 0, 0xF0, 0 } << false;
    }
    void writeFramesAreReadOnlyFromWriteCommands()
    {
        QFETCH(Bytes, frame);
        QFETCH(bool, isWrite);
        QCOMPARE(parseWriteFrame(frame).has_value(), isWrite);
    }

    void aFrameIsValidOnlyWithItsChecksumAndEndByte()
    {
        Bytes good { 0xD1, 0x0A, 0x12, 0x34, 0xCB, 0xF0 };
        QVERIFY(commandFrameValid(good.data()));
        Bytes badSum = good;
        badSum[4] = 0xCC;
        QVERIFY(!commandFrameValid(badSum.data()));
        Bytes badEnd = good;
        badEnd[5] = 0xF1;
        QVERIFY(!commandFrameValid(badEnd.data()));
        // The writes among other frames, in order.
        const std::vector<Bytes> frames { { 0xAA, 5, 0, 0, 0x59, 0xF0 }, good, { 0xC2, 0x2C, 0x00, 0x34, 0xCC, 0xF0 } };
        QCOMPARE(writeFramesIn(frames), (std::vector<WriteFrame> { { true, 10, 0x1234 }, { false, 300, 0x34 } }));
    }

    void wordExampleFromTheCatalogue()
    {
        image[20] = 0x34;
        image[21] = 0x12;
        cmd.SendImageWord(image.data(), 10);
        QCOMPARE(line.written().at(0).bytes, (Bytes { 0xD1, 0x0A, 0x12, 0x34, 0xCB, 0xF0 }));
    }

    void dwordSendsLowWordThenHighWord()
    {
        cmd.SendImageDword(image.data(), 8);
        QCOMPARE(line.written().size(), std::size_t(2));
        QCOMPARE(line.written()[0].bytes[1], std::uint8_t(4));
        QCOMPARE(line.written()[1].bytes[1], std::uint8_t(5));
    }

    void writesOutsideTheImageAreNotSent()
    {
        cmd.SendImageByte(image.data(), 768);
        cmd.SendImageWord(image.data(), 384);
        cmd.SendImageByte(image.data(), -1);
        QVERIFY(line.written().empty());
    }

    void blockIsStoredReversed()
    {
        for (int i = 0; i < 768; ++i)
            ecu.image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i ^ 0x5A);
        std::array<std::uint8_t, 128> dest {};
        QVERIFY(cmd.ReadImageBlock(64, dest.data(), dest.size()));
        for (int k = 0; k < 128; ++k)
            QCOMPARE(dest[static_cast<std::size_t>(k)], static_cast<std::uint8_t>((64 + k) ^ 0x5A));
        QCOMPARE(line.written().at(0).bytes, (Bytes { 0xAA, 1, 0, 64, 0x95, 0xF0 }));
    }

    void badBlocksLeaveTheDestination_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("checksum off by one") << 0;
        QTest::newRow("wrong type") << 1;
        QTest::newRow("wrong header") << 2;
        QTest::newRow("wrong end byte") << 3;
        QTest::newRow("short") << 4;
    }
    void badBlocksLeaveTheDestination()
    {
        QFETCH(int, fault);
        std::array<std::uint8_t, 128> data {};
        data.fill(0xFF); // sum wraps many times
        Bytes reply = test::FakeEcu::blockReply(1, data.data(), fault == 0);
        if (fault == 1)
            reply[1] = 2;
        if (fault == 2)
            reply[0] = 0x49;
        if (fault == 3)
            reply[131] = 0xF1;
        if (fault == 4)
            reply.resize(131);
        line.addDevice(dev, [&](const Bytes &, int) {
            return std::vector<ScriptedSerial::Delivery> { { 1.0, reply } };
        });
        std::array<std::uint8_t, 128> dest {};
        dest.fill(0x11);
        QVERIFY(!cmd.ReadImageBlock(0, dest.data(), dest.size()));
        QVERIFY(std::all_of(dest.begin(), dest.end(), [](std::uint8_t b) { return b == 0x11; }));
    }

    void checksumWrapsModulo256()
    {
        std::array<std::uint8_t, 128> data {};
        data.fill(0xFF);
        Bytes reply = test::FakeEcu::blockReply(1, data.data());
        QCOMPARE(reply[130], std::uint8_t(0x2A)); // 0xAA + 128 * 0xFF, modulo 256
        QVERIFY(blockReplyValid(reply.data(), true, 1));
        QVERIFY(!blockReplyValid(reply.data(), true, 2));
        QVERIFY(!blockReplyValid(reply.data(), false, 1));
    }

    void errorBlocksAreKeptHalfByHalf()
    {
        for (int i = 0; i < 256; ++i)
            ecu.errors[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        // The second half answers with an image block type: rejected on its own.
        int calls = 0;
        auto good = ecu.responder();
        line.addDevice(dev, [&](const Bytes &w, int baud) {
            auto r = good(w, baud);
            if (++calls == 2 && !r.empty())
                r[0].bytes[1] = 1;
            return r;
        });
        std::array<std::uint8_t, 256> dest {};
        dest.fill(0xEE);
        cmd.ReadErrorBlocks(dest.data());
        QCOMPARE(dest[0], std::uint8_t(0));
        QCOMPARE(dest[127], std::uint8_t(127));
        QCOMPARE(dest[128], std::uint8_t(0xEE));
        QCOMPARE(dest[255], std::uint8_t(0xEE));
        QCOMPARE(line.written().size(), std::size_t(2));
        QCOMPARE(line.written()[1].bytes, (Bytes { 0xAA, 2, 0x80, 0x80, 0x56, 0xF0 }));
    }
};

QTEST_GUILESS_MAIN(TstFrames)
#include "tst_frames.moc"
