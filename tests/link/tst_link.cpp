// The serial transport: opening, half-duplex writes, the bounded polling receive.
#include "Link.h"
#include "ScriptedSerial.h"

#include <QtTest>

using namespace kelvane;

class TstLink : public QObject {
    Q_OBJECT

    ScriptedSerial line;
    PortMap ports;
    LinkState state;
    SerialLink link { line, ports, state };
    const std::string dev = "/dev/ttyFAKE3";

    std::vector<std::uint8_t> bytes(int n, int first = 0)
    {
        std::vector<std::uint8_t> v;
        for (int i = 0; i < n; ++i)
            v.push_back(static_cast<std::uint8_t>(first + i));
        return v;
    }

private slots:
    void init()
    {
        line = ScriptedSerial();
        ports = PortMap();
        state = LinkState();
        ports.map(3, dev);
        line.addDevice(dev);
        state.PortName = ComPortName(2);
        QVERIFY(link.OpenComPort());
    }

    void replyQueuedAtFirstPollCompletesOnSecondPoll()
    {
        line.deliverAt(dev, line.now(), bytes(5));
        const double t0 = line.now();
        QVERIFY(link.ReceiveReply(5));
        QCOMPARE(line.now() - t0, 4.0); // two sleeps of 2 ms
        QCOMPARE(state.RxTotal, 5u);
    }

    void completionWindow_data()
    {
        QTest::addColumn<double>("lastByteAtMs");
        QTest::addColumn<bool>("complete");
        QTest::newRow("on poll 20") << 40.0 << true;
        QTest::newRow("on poll 21") << 41.5 << false;
        QTest::newRow("never") << 100.0 << false;
    }
    void completionWindow()
    {
        QFETCH(double, lastByteAtMs);
        QFETCH(bool, complete);
        const double t0 = line.now();
        line.deliverAt(dev, t0, bytes(4));
        line.deliverAt(dev, t0 + lastByteAtMs, { 0xF0 });
        QCOMPARE(link.ReceiveReply(5), complete);
        QCOMPARE(state.ReplyComplete == 1, complete);
        QVERIFY(line.now() - t0 <= 42.0);
    }

    void extraBytesFollowTheReply()
    {
        line.deliverAt(dev, line.now(), bytes(8, 10));
        QVERIFY(link.ReceiveReply(5));
        QCOMPARE(state.RxBuffer[5], std::uint8_t(15));
        QCOMPARE(state.RxBuffer[7], std::uint8_t(17));
    }

    void bytesPastTheBufferAreDropped()
    {
        // 1500 bytes: the buffer keeps the first 1024, nothing is written past it.
        state.RxBuffer.fill(0);
        line.deliverAt(dev, line.now(), bytes(1000, 0));
        line.deliverAt(dev, line.now() + 3, bytes(500, 0));
        QVERIFY(link.ReceiveReply(196));
        QCOMPARE(state.RxBuffer[999], std::uint8_t(999 & 0xFF));
        QCOMPARE(state.RxBuffer[1000], std::uint8_t(0));
        QCOMPARE(state.RxBuffer[1023], std::uint8_t(23));
    }

    void closeRefusesNullAndInvalidHandles()
    {
        QVERIFY(!link.CloseComPort(0));
        QVERIFY(!link.CloseComPort(InvalidHandle));
        QCOMPARE(line.openHandles(), 1);
        QVERIFY(link.CloseComPort(state.ComHandle));
        QCOMPARE(line.openHandles(), 0);
        QCOMPARE(state.ComHandle, InvalidHandle);
    }

    void noOpenPort_readsNothingAndWritesFail()
    {
        link.CloseComPort(state.ComHandle);
        const std::uint8_t frame[6] { 1, 0, 0, 0, 0xAB, 0xF0 };
        QVERIFY(!link.WriteComPort(state.ComHandle, frame, 6));
        QVERIFY(!link.ReceiveReply(5));
        QVERIFY(line.written().empty());
    }

    void portNames()
    {
        QCOMPARE(ComPortName(0), std::string("\\\\.\\COM1"));
        QCOMPARE(ComPortName(15), std::string("\\\\.\\COM16"));
        QCOMPARE(ComPortName(16), std::string("COM1"));
        QCOMPARE(ComPortName(-1), std::string("COM1"));
        QCOMPARE(portNumberOf(ComPortName(15)), 16);
    }

    void baudFlagPicksTheSpeed_data()
    {
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("baud");
        QTest::newRow("1") << 1 << 38400;
        QTest::newRow("0") << 0 << 57600;
        QTest::newRow("2") << 2 << 57600;
    }
    void baudFlagPicksTheSpeed()
    {
        QFETCH(int, flag);
        QFETCH(int, baud);
        link.CloseComPort(state.ComHandle);
        state.BaudFlag = static_cast<std::uint8_t>(flag);
        QVERIFY(link.OpenComPort());
        QCOMPARE(line.lastBaud(dev), baud);
    }

    void rtsIsHighExactlyForTheFrame()
    {
        const std::uint8_t frame[6] { 1, 0, 0, 0, 0xAB, 0xF0 };
        QVERIFY(link.WriteComPort(state.ComHandle, frame, 6));
        QCOMPARE(line.written().size(), std::size_t(1));
        const auto &w = line.written()[0];
        QVERIFY(w.rtsHigh);
        const auto &rts = line.rtsChanges();
        QCOMPARE(rts.size(), std::size_t(2));
        QVERIFY(rts[0].on && rts[0].timeMs <= w.timeMs);
        QVERIFY(!rts[1].on && rts[1].timeMs >= w.doneMs);
    }

    void unmappedPortDoesNotOpen()
    {
        LinkState other;
        SerialLink l2(line, ports, other);
        other.PortName = ComPortName(0); // COM1 is not mapped once any port is
        QVERIFY(!l2.OpenComPort());
        QCOMPARE(other.PortOpen, std::uint8_t(0));
        QCOMPARE(other.ComHandle, InvalidHandle);
    }

    void aLineThatCannotBeSetUpIsNoPort()
    {
        const std::string other = "/dev/ttyFAKE4";
        ports.map(4, other);
        line.addDevice(other);
        line.refuseSettings(other);
        LinkState st;
        SerialLink l2(line, ports, st);
        st.PortName = ComPortName(3);
        QVERIFY(!l2.OpenComPort());
        QCOMPARE(st.PortOpen, std::uint8_t(0));
        QCOMPARE(st.ComHandle, InvalidHandle);
        QCOMPARE(line.openHandles(), 1); // only the port init() opened; the refused one was closed
    }

    void comOptionParsing_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("port");
        QTest::newRow("good") << "3=/dev/ttyUSB0" << true << 3;
        QTest::newRow("16") << "16=/tmp/x" << true << 16;
        QTest::newRow("0") << "0=/tmp/x" << false << 0;
        QTest::newRow("17") << "17=/tmp/x" << false << 0;
        QTest::newRow("no path") << "3=" << false << 0;
        QTest::newRow("no number") << "=/tmp/x" << false << 0;
        QTest::newRow("letters") << "a=/tmp/x" << false << 0;
        QTest::newRow("no equals") << "/dev/ttyS0" << false << 0;
    }
    void comOptionParsing()
    {
        QFETCH(QString, value);
        QFETCH(bool, ok);
        QFETCH(int, port);
        int p = 0;
        std::string path, error;
        QCOMPARE(PortMap::parseComOption(value.toStdString(), p, path, error), ok);
        if (ok)
            QCOMPARE(p, port);
        else
            QVERIFY(!error.empty());
    }

    void devicesAreNumberedUsbFirst()
    {
        auto order
            = PortMap::orderDevices({ "/dev/ttyS1", "/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB2" });
        std::vector<std::string> want { "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1" };
        QCOMPARE(order, want);
        PortMap detected;
        detected.setDetected(order);
        QCOMPARE(detected.deviceForPort(1), std::string("/dev/ttyUSB2"));
        QCOMPARE(detected.deviceForPort(6), std::string());
    }
};

QTEST_GUILESS_MAIN(TstLink)
#include "tst_link.moc"
