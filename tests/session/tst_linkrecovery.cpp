// A lost link on the scripted line: polling notices a vanished device or a run of rejected replies
// and stops sending; recovery tries the same port about once a second (counted on the virtual
// clock, never in a busy loop), at once when the device comes back, other ports after a while; a
// controller found again has its image read beside the session's, which is left alone.
#include "../support/FakeEcu.h"
#include "ControllerSession.h"
#include "LinkRecovery.h"
#include "ScriptedSerial.h"

#include <QtTest>

#include <memory>

using namespace kelvane;

namespace {

const std::string Com1 = "/dev/ttyFAKE1";
const std::string Com2 = "/dev/ttyFAKE2";

struct CountingView : PollingView {
    int lost = 0, decoded = 0;
    void showNotConnected() override { }
    void showDecoded(const DecodeResult &) override { ++decoded; }
    void showLinkLost() override { ++lost; }
};

struct NullView : ConnectionView {
    void setCaption(const std::string &) override { }
    void showMessage(const std::string &) override { }
    void setProgress(int, int) override { }
    void showImage() override { }
};

ImageBytes patterned(int seed)
{
    ImageBytes b {};
    for (int i = 0; i < ImageSize; ++i)
        b[std::size_t(i)] = std::uint8_t((i * 13 + seed) & 0xFF);
    return b;
}

} // namespace

class TstLinkRecovery : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedSerial> line;
    std::unique_ptr<ControllerSession> session;
    std::unique_ptr<test::FakeEcu> ecu;
    CountingView view;

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            session->polling.tick(view);
            line->advance(PollIntervalMs);
        }
    }
    int framesWritten() const { return static_cast<int>(line->written().size()); }

private slots:
    void init()
    {
        line = std::make_unique<ScriptedSerial>();
        session = std::make_unique<ControllerSession>(*line);
        ecu = std::make_unique<test::FakeEcu>();
        ecu->image = patterned(5);
        session->ports.map(1, Com1);
        session->ports.map(2, Com2);
        line->addDevice(Com1, ecu->responder());
        NullView v;
        QCOMPARE(int(session->connection.autoconnect(v).result), int(ScanResult::Found));
        view = CountingView();
        ticks(4);
        QCOMPARE(view.decoded, 2);
    }

    void pollingStopsWhenTheLinkGoes_data()
    {
        QTest::addColumn<bool>("pulled");
        QTest::newRow("the device vanishes") << true;
        QTest::newRow("15 rejected replies in a row") << false;
    }
    void pollingStopsWhenTheLinkGoes()
    {
        QFETCH(bool, pulled);
        if (pulled)
            line->hangUp(Com1);
        else
            ecu->answerLive = 0;
        ticks(2 * int(LinkLossRejections) + 4);
        QCOMPARE(view.lost, 1);
        QVERIFY(session->polling.linkLost());
        // Nothing more goes out.
        const int frames = framesWritten();
        ticks(20);
        QCOMPARE(framesWritten(), frames);
        QCOMPARE(view.lost, 1);
    }

    void retriesAboutOnceASecondNotInABusyLoop()
    {
        line->hangUp(Com1);
        ticks(2);
        LinkRecovery recovery(*session);
        recovery.begin(line->now());
        QVERIFY(!session->conn.Connected);
        // Five seconds of timer ticks with the device gone.
        const double start = line->now();
        while (line->now() - start < 5000) {
            QVERIFY(recovery.attempt(line->now()) != RecoveryResult::Found);
            line->advance(PollIntervalMs);
        }
        QVERIFY2(
            recovery.attempts() >= 4 && recovery.attempts() <= 6, qPrintable(QString::number(recovery.attempts())));
        // The device is back under its name: the next attempt finds the controller at once.
        line->addDevice(Com1, ecu->responder());
        QCOMPARE(int(recovery.attempt(line->now(), true)), int(RecoveryResult::Found));
        QCOMPARE(recovery.foundPort(), 1);
        QVERIFY(recovery.imageMatches());
        QVERIFY(session->conn.Connected);
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(0));
        session->polling.resume();
        view = CountingView();
        ticks(4);
        QCOMPARE(view.decoded, 2);
        QVERIFY(session->polling.lastReplyAccepted());
    }

    void theAdapterComesBackUnderAnotherName()
    {
        line->hangUp(Com1);
        ticks(2);
        LinkRecovery recovery(*session, { 1000, 10000 });
        recovery.begin(line->now());
        line->addDevice(Com2, ecu->responder());
        // The same port only at first.
        line->advance(1000);
        QCOMPARE(int(recovery.attempt(line->now())), int(RecoveryResult::StillGone));
        line->advance(9000);
        QCOMPARE(int(recovery.attempt(line->now())), int(RecoveryResult::Found));
        QCOMPARE(recovery.foundPort(), 2);
    }

    void aChangedControllerIsReadBesideTheSessionImage()
    {
        const ImageBytes held = session->image.bytes;
        line->hangUp(Com1);
        ticks(2);
        LinkRecovery recovery(*session);
        recovery.begin(line->now());
        ecu->image[400] ^= 0x0F; // another tool changed a byte meanwhile
        line->addDevice(Com1, ecu->responder());
        QCOMPARE(int(recovery.attempt(line->now(), true)), int(RecoveryResult::Found));
        QVERIFY(!recovery.imageMatches());
        QVERIFY(recovery.controllerImage() == ecu->image);
        QVERIFY(session->image.bytes == held);
    }
};

QTEST_GUILESS_MAIN(TstLinkRecovery)
#include "tst_linkrecovery.moc"
