// The polling cycle on a scripted line: request and receive alternate, only receive ticks decode.
#include "../support/FakeEcu.h"
#include "PollingCycle.h"
#include "ScriptedSerial.h"

#include <QtTest>

using namespace kelvane;

namespace {
struct CountingView : PollingView {
    int notConnected = 0, decoded = 0;
    std::vector<std::int16_t> tempReducer;
    const LiveData *live = nullptr;
    void showNotConnected() override { ++notConnected; }
    void showDecoded(const DecodeResult &) override
    {
        ++decoded;
        tempReducer.push_back(live->s16(rec::TempReducer));
    }
};
} // namespace

class TstPollingCycle : public QObject {
    Q_OBJECT

    ScriptedSerial line;
    PortMap ports;
    LinkState linkState;
    SerialLink link { line, ports, linkState };
    Commands cmd { link };
    ConnectionState conn;
    LiveData live;
    ParameterImage image;
    TimeBases tb;
    CountingView view;
    test::FakeEcu ecu;
    const std::string dev = "/dev/ttyFAKE1";

    std::size_t liveRequests() const
    {
        return static_cast<std::size_t>(std::count_if(line.written().begin(), line.written().end(),
            [](const auto &w) { return w.bytes[1] == proto::code(proto::Request::Live); }));
    }
    void tick(PollingCycle &cycle)
    {
        cycle.tick(view);
        line.advance(35);
    }

private slots:
    void init()
    {
        line = ScriptedSerial();
        ports = PortMap();
        linkState = LinkState();
        conn = ConnectionState();
        live = LiveData();
        view = CountingView();
        view.live = &live;
        ecu = test::FakeEcu();
        ports.map(1, dev);
        line.addDevice(dev, ecu.responder());
        linkState.PortName = ComPortName(0);
        QVERIFY(link.OpenComPort());
    }

    void notConnectedTicksOnlyShowTheLamp()
    {
        PollingCycle cycle(cmd, conn, live, image, tb);
        for (int i = 0; i < 5; ++i)
            tick(cycle);
        QCOMPARE(view.notConnected, 5);
        QCOMPARE(view.decoded, 0);
        QVERIFY(line.written().empty());
    }

    void connectedTicksAlternate()
    {
        conn.Connected = true;
        conn.PollingEnabled = 1;
        PollingCycle cycle(cmd, conn, live, image, tb);
        for (int i = 1; i <= 6; ++i) {
            LiveData rec0;
            rec0.setU16(rec::TempReducer, static_cast<std::uint16_t>(10 * i));
            ecu.live = rec0.Record;
            tick(cycle);
            QCOMPARE(liveRequests(), std::size_t((i + 1) / 2));
            QCOMPARE(view.decoded, i / 2);
        }
        QCOMPARE(view.notConnected, 0);
        QCOMPARE(cycle.stats().accepted, std::uint64_t(3));
        // Each receive tick shows the reply to the request of the tick before.
        QCOMPARE(view.tempReducer, (std::vector<std::int16_t> { 10, 30, 50 }));
    }

    void rejectedReplyStillDecodesTheKeptRecord()
    {
        conn.Connected = true;
        conn.PollingEnabled = 1;
        PollingCycle cycle(cmd, conn, live, image, tb);
        LiveData r;
        r.setU16(rec::TempReducer, 77);
        ecu.live = r.Record;
        tick(cycle);
        tick(cycle);
        ecu.answerLive = 0;
        tick(cycle);
        tick(cycle);
        QCOMPARE(view.decoded, 2);
        QCOMPARE(cycle.stats().rejected, std::uint64_t(1));
        QCOMPARE(cycle.stats().rejectedInARow, std::uint64_t(1));
        QVERIFY(!cycle.lastReplyAccepted());
        QCOMPARE(view.tempReducer, (std::vector<std::int16_t> { 77, 77 }));
        ecu.answerLive = 1;
        tick(cycle);
        tick(cycle);
        QCOMPARE(cycle.stats().rejectedInARow, std::uint64_t(0));
        QVERIFY(cycle.lastReplyAccepted());
    }

    void suspendedPollingSendsNothing()
    {
        conn.Connected = true;
        conn.PollingEnabled = 0;
        PollingCycle cycle(cmd, conn, live, image, tb);
        for (int i = 0; i < 4; ++i)
            tick(cycle);
        QVERIFY(line.written().empty());
        QCOMPARE(view.notConnected, 0);
    }

    void firstTickAfterConnectMayBeAReceive()
    {
        conn.Connected = true;
        conn.PollingEnabled = 1;
        PollingCycle cycle(cmd, conn, live, image, tb);
        cycle.PollPhase = 1; // left from an earlier connection
        tick(cycle);
        QCOMPARE(cycle.stats().rejected, std::uint64_t(1));
        tick(cycle);
        tick(cycle);
        QCOMPARE(cycle.stats().accepted, std::uint64_t(1));
    }
};

QTEST_GUILESS_MAIN(TstPollingCycle)
#include "tst_pollingcycle.moc"
