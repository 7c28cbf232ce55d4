// The autoconnect scan and the image read, on a scripted line with controllers on chosen ports.
#include "../support/FakeEcu.h"
#include "ControllerSession.h"
#include "ScriptedSerial.h"

#include <QtTest>
#include <memory>

using namespace kelvane;

namespace {
struct RecordingView : ConnectionView {
    std::string caption;
    std::vector<std::string> messages;
    std::vector<std::pair<int, int>> progress;
    int showImageCalls = 0;
    void setCaption(const std::string &c) override { caption = c; }
    void showMessage(const std::string &t) override { messages.push_back(t); }
    void setProgress(int p, int m) override { progress.emplace_back(p, m); }
    void showImage() override { ++showImageCalls; }
};

std::string deviceOf(int port)
{
    return "/dev/ttyFAKE" + std::to_string(port);
}
} // namespace

class TstConnection : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedSerial> line;
    std::unique_ptr<ControllerSession> session;
    RecordingView view;
    std::map<int, std::unique_ptr<test::FakeEcu>> ecus;

    Connection &connection() { return session->connection; }
    ConnectionState &conn() { return session->conn; }
    TimeBases &tb() { return session->timeBases; }
    ImageBytes &image() { return session->image.bytes; }
    LinkState &linkState() { return session->linkState; }
    // The port found, 0 when none.
    int scan()
    {
        const ScanOutcome o = connection().autoconnect(view);
        return o.result == ScanResult::Found ? o.port : 0;
    }

    // Ports 1 to 6 exist; controllers sit where a test puts them.
    test::FakeEcu &controllerOn(int port)
    {
        auto &e = ecus[port];
        e = std::make_unique<test::FakeEcu>();
        line->addDevice(deviceOf(port), e->responder());
        return *e;
    }

    // Baud of each greeting sent, in order, with its port.
    std::vector<std::pair<std::string, int>> greetings() const
    {
        std::vector<std::pair<std::string, int>> g;
        for (const auto &w : line->written())
            if (w.bytes[0] == 0x01)
                g.emplace_back(w.device, w.baud);
        return g;
    }

private slots:
    void init()
    {
        session.reset();
        line = std::make_unique<ScriptedSerial>();
        session = std::make_unique<ControllerSession>(*line);
        view = RecordingView();
        ecus.clear();
        for (int p = 1; p <= 6; ++p) {
            session->ports.map(p, deviceOf(p));
            line->addDevice(deviceOf(p));
        }
    }

    void controllerOnCom3At57600IsFoundOnAttempt5()
    {
        auto &ecu = controllerOn(3);
        for (int i = 0; i < 768; ++i)
            ecu.image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 13 + 1);
        QCOMPARE(scan(), 3);
        const auto g = greetings();
        QCOMPARE(g.size(), std::size_t(6)); // attempts 0 to 5
        QCOMPARE(g[0], std::make_pair(deviceOf(1), 38400));
        QCOMPARE(g[1], std::make_pair(deviceOf(1), 57600));
        QCOMPARE(g[4], std::make_pair(deviceOf(3), 38400));
        QCOMPARE(g[5], std::make_pair(deviceOf(3), 57600));
        QVERIFY(QString::fromStdString(view.caption).endsWith("COM3"));
        QCOMPARE(view.caption, std::string("Kelvane Sequential v.3.02+OBD Rev.H 2 Rev.S 3 TQ204  COM3"));
        QVERIFY(conn().Connected);
        QCOMPARE(conn().PollingEnabled, std::uint8_t(1));
        QCOMPARE(conn().HardwareRevision, std::uint8_t(2));
        QCOMPARE(conn().SoftwareRevision, std::uint8_t(3));
        QCOMPARE(view.showImageCalls, 1);
        QVERIFY(image() == ecu.image);
        QVERIFY(view.messages.empty());
    }

    void revision4StopsTheScanAtOnce()
    {
        controllerOn(2).sw = 4;
        controllerOn(3); // a good controller further on is never reached
        const ScanOutcome o = connection().autoconnect(view);
        QCOMPARE(int(o.result), int(ScanResult::Refused));
        QCOMPARE(o.port, 2);
        QCOMPARE(view.messages, std::vector<std::string> { "Need software update. Download From www !!!" });
        for (const auto &w : line->written())
            QVERIFY(w.device != deviceOf(3));
        QVERIFY(!conn().Connected);
        QCOMPARE(conn().PollingEnabled, std::uint8_t(0));
        QCOMPARE(line->openHandles(), 0);
        QCOMPARE(linkState().PortOpen, std::uint8_t(0));
    }

    void greetingByte3IsNotExamined_data()
    {
        QTest::addColumn<int>("byte3");
        QTest::newRow("0") << 0;
        QTest::newRow("0xF0") << 0xF0;
        QTest::newRow("0xFF") << 0xFF;
    }
    void greetingByte3IsNotExamined()
    {
        QFETCH(int, byte3);
        controllerOn(1).greetingByte3 = static_cast<std::uint8_t>(byte3);
        ecus[1]->baud = 38400;
        QCOMPARE(scan(), 1);
    }

    void timeBasesFollowTheLinkSpeed_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<float>("inj");
        QTest::addColumn<float>("rpm");
        QTest::newRow("38400") << 38400 << 0.0040553f << 4e-6f;
        QTest::newRow("57600") << 57600 << 0.0044f << 4.34e-6f;
    }
    void timeBasesFollowTheLinkSpeed()
    {
        QFETCH(int, baud);
        QFETCH(float, inj);
        QFETCH(float, rpm);
        tb() = { 1, 1, 1 };
        controllerOn(2).baud = baud;
        QCOMPARE(scan(), 2);
        QCOMPARE(tb().InjTickMsA, inj);
        QCOMPARE(tb().InjTickMsB, inj);
        QCOMPARE(tb().RpmTickSec, rpm);
    }

    void theNextScanStartsWithTheOtherSpeed()
    {
        auto &ecu = controllerOn(1);
        ecu.baud = 38400;
        QCOMPARE(scan(), 1);
        line->clearLog();
        ecu.baud = 57600;
        QCOMPARE(scan(), 1);
        const auto g = greetings();
        QCOMPARE(g.size(), std::size_t(1));
        QCOMPARE(g[0].second, 57600);
    }

    void nothingFound()
    {
        QCOMPARE(scan(), 0);
        QCOMPARE(greetings().size(), std::size_t(12)); // ports 1-6 exist, both speeds each
        QVERIFY(view.messages.empty());
        QVERIFY(!conn().Connected);
        QCOMPARE(line->openHandles(), 0);
    }

    void imageReadIs12OverlappingBlocks()
    {
        controllerOn(1).baud = 38400;
        QCOMPARE(scan(), 1);
        std::vector<int> addresses;
        for (const auto &w : line->written())
            if (w.bytes[0] == 0xAA && w.bytes[1] == 1)
                addresses.push_back((w.bytes[2] << 8) | w.bytes[3]);
        std::vector<int> want;
        for (int i = 0; i < 12; ++i)
            want.push_back(i * 64);
        QCOMPARE(addresses, want);
        QCOMPARE(view.progress.front(), std::make_pair(0, 768));
        QCOMPARE(view.progress.back(), std::make_pair(768, 768));
        QCOMPARE(view.progress.size(), std::size_t(14));
    }

    void rejectedBlockKeepsItsOldBytes()
    {
        image().fill(0x5A);
        auto &ecu = controllerOn(1);
        ecu.baud = 38400;
        ecu.image.fill(0x33);
        ecu.corruptBlockAddress = 0;
        QCOMPARE(scan(), 1);
        QCOMPARE(connection().rejectedBlocks(), std::vector<int> { 0 });
        for (int i = 0; i < 64; ++i)
            QCOMPARE(image()[static_cast<std::size_t>(i)], std::uint8_t(0x5A));
        for (int i = 64; i < 768; ++i)
            QCOMPARE(image()[static_cast<std::size_t>(i)], std::uint8_t(0x33));
    }

    void imageReadWithoutConnection()
    {
        connection().ReadParameterImage(view);
        QCOMPARE(view.messages, std::vector<std::string> { "No Connection" });
        QVERIFY(line->written().empty());
    }

    void disconnectClosesAnOpenPortOnly()
    {
        connection().Disconnect(); // nothing open: nothing happens
        QCOMPARE(line->openHandles(), 0);
        controllerOn(1).baud = 38400;
        QCOMPARE(scan(), 1);
        QCOMPARE(line->openHandles(), 1);
        connection().Disconnect();
        QCOMPARE(line->openHandles(), 0);
        QVERIFY(!conn().Connected);
        QCOMPARE(conn().PollingEnabled, std::uint8_t(1)); // not changed by a disconnect
    }

    void malformedGreetingOnTheLastAttemptLeavesThePortClosed()
    {
        // Port 16 exists and answers with a greeting whose end byte is wrong, at both speeds.
        session->ports.map(16, "/dev/ttyFAKE16");
        line->addDevice("/dev/ttyFAKE16", [](const std::vector<std::uint8_t> &w, int) {
            std::vector<ScriptedSerial::Delivery> d;
            if (w.size() == 6 && w[0] == proto::code(proto::Command::Hello))
                d.push_back({ 1.0, { proto::GreetingHeader, 2, 3, 0, 0x00 } });
            return d;
        });
        const ScanOutcome o = connection().autoconnect(view);
        QCOMPARE(int(o.result), int(ScanResult::NotFound));
        QCOMPARE(line->openHandles(), 0);
        QCOMPARE(linkState().PortOpen, std::uint8_t(0));
    }

    // A re-read of a rejected block after the next one was delivered keeps only the lower 64 bytes:
    // the controller's image changed between the two reads, and the upper half of the rejected
    // block must not write older bytes over what the next block brought.
    void rereadKeepsTheNextBlocksBytes_data()
    {
        QTest::addColumn<std::vector<int>>("corrupt");
        QTest::addColumn<int>("changedFrom"); // bytes from here on change after the first read
        QTest::newRow("block 0, block 64 delivered") << std::vector<int> { 0 } << 64;
        QTest::newRow("blocks 0 and 64 rejected") << std::vector<int> { 0, 64 } << 128;
        QTest::newRow("last block") << std::vector<int> { 704 } << 704;
    }
    void rereadKeepsTheNextBlocksBytes()
    {
        QFETCH(std::vector<int>, corrupt);
        QFETCH(int, changedFrom);
        auto &ecu = controllerOn(1);
        ecu.baud = 38400;
        ecu.image.fill(0x11);
        ecu.corruptBlocks = corrupt;
        QCOMPARE(scan(), 1);
        QCOMPARE(connection().rejectedBlocks(), corrupt);
        // What a re-read would bring for bytes the next block delivered already.
        ecu.corruptBlocks.clear();
        for (int i = changedFrom; i < 768; ++i)
            ecu.image[std::size_t(i)] = 0x77;
        QCOMPARE(connection().rereadRejectedBlocks(3), -1);
        QVERIFY(connection().rejectedBlocks().empty());
        for (int i = 0; i < 768; ++i) {
            // A byte holds what the highest block covering it brought, as in a read without errors;
            // only where that block is a re-read one can the new bytes show.
            const int top = i / 64 * 64;
            const bool reread = std::find(corrupt.begin(), corrupt.end(), top) != corrupt.end();
            const std::uint8_t want = (reread && i >= changedFrom) ? 0x77 : 0x11;
            QCOMPARE(image()[std::size_t(i)], want);
        }
    }

    void rereadReportsABlockThatStaysMissing()
    {
        auto &ecu = controllerOn(1);
        ecu.baud = 38400;
        ecu.corruptBlocks = { 128 };
        QCOMPARE(scan(), 1);
        QCOMPARE(connection().rereadRejectedBlocks(3), 128);
    }

    void aCancelledScanEndsClosed()
    {
        struct CancelAfter : RecordingView {
            mutable int asked = 0;
            bool cancelled() const override { return ++asked > 3; }
        } cancelling;
        controllerOn(5);
        const ScanOutcome o = connection().autoconnect(cancelling);
        QCOMPARE(int(o.result), int(ScanResult::Cancelled));
        QCOMPARE(line->openHandles(), 0);
        QVERIFY(!conn().Connected);
    }
};

QTEST_GUILESS_MAIN(TstConnection)
#include "tst_connection.moc"
