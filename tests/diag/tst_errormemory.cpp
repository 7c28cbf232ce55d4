// The error memory: its two layouts, the list as the grid shows it, the read with polling put back
// as it was, a bad half and the bounded retry, the polling cadence against a controller that
// garbles its error memory, the refresh when the controller moves its marker, the erase frames.
#include "DataLogger.h"
#include "DiagBench.h"
#include "ErrorMemory.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kelvane;
using test::Bytes;

Q_DECLARE_METATYPE(std::vector<std::uint16_t>)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {
// The error memory as kept (after the reversal): code k at word k-1, the count at word 32.
template <typename Array> void putFaults(Array &bytes, std::uint16_t count, const std::vector<std::uint16_t> &codes)
{
    bytes.fill(0);
    for (std::size_t k = 0; k < codes.size() && k < 32; ++k) {
        bytes[2 * k] = static_cast<std::uint8_t>(codes[k] & 0xFF);
        bytes[2 * k + 1] = static_cast<std::uint8_t>(codes[k] >> 8);
    }
    bytes[64] = static_cast<std::uint8_t>(count & 0xFF);
    bytes[65] = static_cast<std::uint8_t>(count >> 8);
}
} // namespace

class TstErrorMemory : public QObject {
    Q_OBJECT

    std::unique_ptr<test::DiagBench> bench;
    std::unique_ptr<ErrorMemory> memory;
    test::BenchView view;

    // Ticks until `decodes` more replies were decoded; the refresh runs after each, as in the window.
    void decode(int decodes)
    {
        const int until = view.decoded + decodes;
        while (view.decoded < until)
            bench->tick(view);
    }

private slots:
    void init()
    {
        bench = std::make_unique<test::DiagBench>();
        memory = std::make_unique<ErrorMemory>(bench->s);
        view = test::BenchView();
        view.afterDecode = [this] { memory->refreshAfterDecode(); };
    }

    void listAsTheGridShowsIt_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<std::vector<std::uint16_t>>("codes");
        QTest::addColumn<std::vector<std::string>>("rows"); // rows 1..n; the rest must be empty
        QTest::addColumn<int>("notShown");
        QTest::newRow("no faults") << 0 << std::vector<std::uint16_t> { 21, 1 }
                                   << std::vector<std::string> { "NO Errors" } << 0;
        QTest::newRow("three faults") << 3 << std::vector<std::uint16_t> { 21, 1, 29, 5 }
                                      << std::vector<std::string> { "21 ErrInjGchk1- Injector 1 Error",
                                             "1 ErrTr_H  - Reducer Temp. Error High", "29 ErrorEgtTH - EGT Temp. High" }
                                      << 0;
        QTest::newRow("spacing of codes 0 and 17")
            << 2 << std::vector<std::uint16_t> { 0, 17 }
            << std::vector<std::string> { "0 ND       - Not Defined Error", "17 ND        - Not Defined Error" } << 0;
        QTest::newRow("codes past the table")
            << 3 << std::vector<std::uint16_t> { 30, 31, 65535 }
            << std::vector<std::string> { "30 NULL:CZYLI KONIEC OPISOW :NULL", "31", "65535" } << 0;
        std::vector<std::uint16_t> many;
        std::vector<std::string> manyRows;
        for (std::uint16_t k = 0; k < 32; ++k) {
            many.push_back(k < 31 ? 7 : 300);
            manyRows.push_back(k < 31 ? "7 ErrPres_H- Erorr Pressure High" : "300");
        }
        QTest::newRow("40 faults: 32 rows") << 40 << many << manyRows << 8;
        QTest::newRow("count 65535") << 65535 << many << manyRows << 65535 - 32;
    }
    void listAsTheGridShowsIt()
    {
        QFETCH(int, count);
        QFETCH(std::vector<std::uint16_t>, codes);
        QFETCH(std::vector<std::string>, rows);
        QFETCH(int, notShown);
        ErrorMemoryBytes bytes;
        putFaults(bytes, static_cast<std::uint16_t>(count), codes);
        // Bytes past the count word hold garbage a careless decode would show.
        for (std::size_t i = 66; i < bytes.size(); ++i)
            bytes[i] = 0x11;
        const ErrorList list = decodeErrorMemory(bytes, FaultTexts());
        QCOMPARE(list.kind, ErrorList::Kind::Faults);
        QCOMPARE(int(list.count), count);
        QCOMPARE(list.notShown(), notShown);
        for (std::size_t r = 0; r < list.rows.size(); ++r)
            QCOMPARE(list.rows[r], r < rows.size() ? rows[r] : std::string());
        QCOMPARE(list.faults.size(), count == 0 ? std::size_t(0) : rows.size());
        if (!list.faults.empty())
            QCOMPARE(list.faults.front().code, codes.front());
    }

    void languageReplacesCodes0To29Only()
    {
        FaultTexts t;
        QVERIFY(t.replace(100708, "Pressure too high"));
        QVERIFY(!t.replace(100731, "end")); // code 30 keeps its text
        QVERIFY(!t.replace(100700, "x"));
        QCOMPARE(FaultTexts::idFor(30), 0);
        ErrorMemoryBytes bytes;
        putFaults(bytes, 2, { 7, 30 });
        const ErrorList list = decodeErrorMemory(bytes, t);
        QCOMPARE(list.rows[0], std::string("7 Pressure too high"));
        QCOMPARE(list.rows[1], std::string("30 NULL:CZYLI KONIEC OPISOW :NULL"));
    }

    // The first reply's data bytes in the order they arrive: the count big-endian at 62-63, code k
    // at 128-2k (high) and 129-2k (low).
    void arrivalOrderOnTheLine()
    {
        std::array<std::uint8_t, 128> arrival {};
        const std::uint16_t codes[] = { 21, 0x0115, 1 };
        arrival[62] = 0;
        arrival[63] = 3;
        for (int k = 1; k <= 3; ++k) {
            arrival[static_cast<std::size_t>(128 - 2 * k)] = static_cast<std::uint8_t>(codes[k - 1] >> 8);
            arrival[static_cast<std::size_t>(129 - 2 * k)] = static_cast<std::uint8_t>(codes[k - 1] & 0xFF);
        }
        bench->rewrite = [&](const Bytes &w, std::vector<ScriptedSerial::Delivery> &out) {
            if (w[0] == 0xAA && w[1] == 0x02 && w[2] == 0x00) {
                Bytes r { 0x48, 0x02 };
                r.insert(r.end(), arrival.begin(), arrival.end());
                r.push_back(replyChecksum(r.data() + 2, 128));
                r.push_back(0xF0);
                out = { { 1.0, r } };
            }
        };
        QVERIFY(bench->connect());
        QCOMPARE(memory->read().status, ErrorReadStatus::Read);
        const ErrorList list = memory->list();
        QCOMPARE(int(list.count), 3);
        QCOMPARE(list.rows[0], std::string("21 ErrInjGchk1- Injector 1 Error"));
        QCOMPARE(list.rows[1], std::string("277"));
        QCOMPARE(list.rows[2], std::string("1 ErrTr_H  - Reducer Temp. Error High"));
    }

    void readFramesWaitsAndSuspendedPolling()
    {
        putFaults(bench->ecu.errors, 1, { 8 });
        std::vector<int> pollingDuringRead;
        bench->onFrame = [&](const Bytes &w) {
            if (w[0] == 0xAA && w[1] == 0x02)
                pollingDuringRead.push_back(bench->s.conn.PollingEnabled);
        };
        QVERIFY(bench->connect());
        bench->line.clearLog();
        const double started = bench->line.now();
        const ErrorReadResult r = memory->read();
        QCOMPARE(r.status, ErrorReadStatus::Read);
        QVERIFY(r.firstHalfAccepted && r.secondHalfAccepted);
        const auto &w = bench->line.written();
        QCOMPARE(w.size(), std::size_t(2));
        QCOMPARE(w[0].bytes, (Bytes { 0xAA, 0x02, 0x00, 0x00, 0x56, 0xF0 }));
        QCOMPARE(w[1].bytes, (Bytes { 0xAA, 0x02, 0x80, 0x80, 0x56, 0xF0 }));
        QVERIFY(w[0].timeMs - started >= 150 + 100);
        QVERIFY(w[1].timeMs - w[0].doneMs >= 150 + 100);
        QCOMPARE(pollingDuringRead, (std::vector<int> { 0, 0 }));
        QCOMPARE(bench->s.conn.PollingEnabled, std::uint8_t(1));
        QCOMPARE(memory->list().rows[0], std::string("8 ErrPres_L- Erorr Pressure Low"));
    }

    // "ShowErrors" puts polling back as it found it, and reads nothing without a controller.
    void pollingStateIsRestored_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<int>("pollingBefore");
        QTest::addColumn<int>("status");
        QTest::newRow("not connected") << false << 0 << int(ErrorReadStatus::NotConnected);
        QTest::newRow("not connected, polling flag on") << false << 1 << int(ErrorReadStatus::NotConnected);
        QTest::newRow("connected, polling off") << true << 0 << int(ErrorReadStatus::Read);
        QTest::newRow("connected, polling on") << true << 1 << int(ErrorReadStatus::Read);
    }
    void pollingStateIsRestored()
    {
        QFETCH(bool, connect);
        QFETCH(int, pollingBefore);
        QFETCH(int, status);
        if (connect)
            QVERIFY(bench->connect());
        bench->line.clearLog();
        bench->s.conn.PollingEnabled = static_cast<std::uint8_t>(pollingBefore);
        QCOMPARE(int(memory->read().status), status);
        QCOMPARE(int(bench->s.conn.PollingEnabled), pollingBefore);
        QCOMPARE(bench->line.written().size(), connect ? std::size_t(2) : std::size_t(0));
    }

    // A live reply still on its way when the button is pressed is not taken for the first block,
    // and the cycle asks anew afterwards.
    void pendingLiveReplyDoesNotSpoilTheRead()
    {
        putFaults(bench->ecu.errors, 1, { 16 });
        QVERIFY(bench->connect());
        bench->s.polling.PollPhase = 0;
        bench->tick(view); // request sent, reply queued
        QCOMPARE(bench->s.polling.PollPhase, std::uint8_t(1));
        const ErrorReadResult r = memory->read();
        QVERIFY(r.firstHalfAccepted && r.secondHalfAccepted);
        QCOMPARE(memory->list().rows[0], std::string("16 ErrRpm_L  - RPM's Error Low"));
        view.afterDecode = nullptr;
        bench->tick(view);
        bench->tick(view);
        QCOMPARE(view.decoded, 1);
        QVERIFY(bench->s.polling.lastReplyAccepted());
    }

    void refreshWhenTheMarkerMoves()
    {
        putFaults(bench->ecu.errors, 1, { 3 });
        bench->setLive16(rec::ErrorChangeMarker, 0xFFFF); // no special value: the first record loads
        QVERIFY(bench->connect());
        // Read with the first record that carries the new marker (the reply already on its way
        // when the marker changed may still carry the old one).
        for (int k = 0; k < 2 && bench->errorBlockRequests() == 0; ++k)
            decode(1);
        QCOMPARE(bench->errorBlockRequests(), std::size_t(1));
        QCOMPARE(memory->lastSeenMarker(), std::optional<std::uint16_t>(0xFFFF));
        decode(3);
        QCOMPARE(bench->errorBlockRequests(), std::size_t(1));

        bench->setLive16(rec::ErrorChangeMarker, 5);
        putFaults(bench->ecu.errors, 2, { 3, 4 });
        decode(1);
        QCOMPARE(bench->errorBlockRequests(), std::size_t(2));
        QCOMPARE(memory->list().rows[1], std::string("4 ErrTg_L  - Gas Temp. Error Low"));
        bench->setLive16(rec::ErrorChangeMarker, 6);
        decode(4);
        QCOMPARE(bench->errorBlockRequests(), std::size_t(3));
    }

    // A record the controller did not send (rejected reply) carries no news of its error memory.
    void rejectedLiveRepliesDoNotTriggerAReadAndANewConnectionStartsEmpty()
    {
        putFaults(bench->ecu.errors, 1, { 9 });
        bench->setLive16(rec::ErrorChangeMarker, 1);
        QVERIFY(bench->connect());
        decode(2);
        QCOMPARE(memory->list().rows[0], std::string("9 ErrMAF_H - Manifold Pressure Sensor Error High"));

        // Another controller, same marker value, fewer faults: nothing of the first may show.
        putFaults(bench->ecu.errors, 0, {});
        bench->ecu.answerLive = 0;
        QVERIFY(bench->connect());
        memory->resetForNewConnection();
        const ErrorList fresh = memory->list();
        QCOMPARE(fresh.kind, ErrorList::Kind::NotRead);
        QVERIFY(std::all_of(fresh.rows.begin(), fresh.rows.end(), [](const std::string &r) { return r.empty(); }));
        const std::size_t before = bench->errorBlockRequests();
        decode(5);
        QCOMPARE(bench->errorBlockRequests(), before);
        bench->ecu.answerLive = 1;
        decode(2);
        QCOMPARE(bench->errorBlockRequests(), before + 1);
        QCOMPARE(memory->list().rows[0], std::string(NoErrorsText));
    }

    // A rejected second half holds nothing the list uses: the list is new and the marker settled.
    // A rejected first half keeps the list as it was, marked as from an earlier read (before any
    // list, row 1 says the read failed), and the refresh tries again only after its pause.
    void aBadHalf_data()
    {
        QTest::addColumn<int>("badHalf");
        QTest::newRow("first half") << 0;
        QTest::newRow("second half") << 1;
    }
    void aBadHalf()
    {
        QFETCH(int, badHalf);
        putFaults(bench->ecu.errors, 1, { 2 });
        bench->setLive16(rec::ErrorChangeMarker, 10);
        QVERIFY(bench->connect());
        decode(1);
        QCOMPARE(memory->list().rows[0], std::string("2 ErrTr_L  - Reducer Temp. Error Low"));

        bool spoil = true;
        bench->rewrite = [&](const Bytes &w, std::vector<ScriptedSerial::Delivery> &out) {
            const int half = w[2] == 0x80 ? 1 : 0;
            if (spoil && w[0] == 0xAA && w[1] == 0x02 && half == badHalf)
                ++out.at(0).bytes.at(130);
        };
        putFaults(bench->ecu.errors, 0, {});
        bench->setLive16(rec::ErrorChangeMarker, 11);
        std::optional<ErrorReadResult> r;
        int reads = 0;
        view.afterDecode = [&] {
            if (auto got = memory->refreshAfterDecode()) {
                r = got;
                ++reads;
            }
        };
        decode(1);
        QCOMPARE(reads, 1);
        QCOMPARE(r->firstHalfAccepted, badHalf != 0);
        QCOMPARE(r->secondHalfAccepted, badHalf != 1);
        const ErrorList shown = memory->list();
        QCOMPARE(shown.kind, ErrorList::Kind::Faults);
        if (badHalf == 1) {
            QCOMPARE(r->status, ErrorReadStatus::Read);
            QCOMPARE(shown.rows[0], std::string(NoErrorsText));
            QVERIFY(!shown.fromEarlierRead);
            QCOMPARE(memory->lastSeenMarker(), std::optional<std::uint16_t>(11));
            decode(3 * ErrorRetryPauseDecodes);
            QCOMPARE(reads, 1); // nothing to retry
            return;
        }
        QCOMPARE(r->status, ErrorReadStatus::ReadError);
        QCOMPARE(shown.rows[0], std::string("2 ErrTr_L  - Reducer Temp. Error Low"));
        QVERIFY(shown.fromEarlierRead);
        QCOMPARE(memory->lastSeenMarker(), std::optional<std::uint16_t>(10));

        // No read on the next replies: the pause first.
        decode(ErrorRetryPauseDecodes - 1);
        QCOMPARE(reads, 1);
        spoil = false;
        decode(1);
        QCOMPARE(reads, 2);
        QCOMPARE(r->status, ErrorReadStatus::Read);
        QCOMPARE(memory->list().rows[0], std::string(NoErrorsText));
        QVERIFY(!memory->list().fromEarlierRead);
        QCOMPARE(memory->lastSeenMarker(), std::optional<std::uint16_t>(11));
        decode(3);
        QCOMPARE(reads, 2);

        // A new controller whose first half never comes: row 1 says so, not "NO Errors".
        spoil = true;
        QVERIFY(bench->connect());
        memory->resetForNewConnection();
        decode(1);
        QCOMPARE(reads, 3);
        QCOMPARE(memory->list().kind, ErrorList::Kind::ReadError);
        QCOMPARE(memory->list().rows[0], std::string(ErrorReadFailedText));
    }

    // A controller that always garbles one half (or both) of the error memory: over a minute of
    // the line's clock the polling cycle brings about as many records as without garbling, the
    // reads stay few, the logger's rows keep their time, and the list shows when the first half
    // comes. A new marker is tried afresh, as few times.
    void garblingControllerKeepsTheCadence_data()
    {
        QTest::addColumn<QList<int>>("badHalves");
        QTest::addColumn<int>("reads");
        QTest::addColumn<bool>("listShown");
        QTest::newRow("no garbling") << QList<int> {} << 1 << true;
        QTest::newRow("second half") << QList<int> { 1 } << 1 << true;
        QTest::newRow("first half") << QList<int> { 0 } << ErrorReadAttemptsPerMarker << false;
        QTest::newRow("both halves") << QList<int> { 0, 1 } << ErrorReadAttemptsPerMarker << false;
    }
    void garblingControllerKeepsTheCadence()
    {
        QFETCH(QList<int>, badHalves);
        QFETCH(int, reads);
        QFETCH(bool, listShown);
        putFaults(bench->ecu.errors, 2, { 21, 1 });
        bench->setLive16(rec::ErrorChangeMarker, 7);
        bench->rewrite = [&](const Bytes &w, std::vector<ScriptedSerial::Delivery> &out) {
            const int half = w[2] == 0x80 ? 1 : 0;
            if (w[0] == 0xAA && w[1] == 0x02 && badHalves.contains(half))
                ++out.at(0).bytes.at(130);
        };
        QVERIFY(bench->connect());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        DataLogger logger(dir.filePath("Log.csv").toStdString());
        std::string caption;
        QVERIFY(logger.start("x").started);
        view.afterDecode = [&] {
            memory->refreshAfterDecode();
            logger.rowStep(bench->s.live.LiveValues, caption);
        };
        bench->line.clearLog();
        const std::uint64_t acceptedBefore = bench->s.polling.stats().accepted;
        const double start = bench->line.now();
        constexpr double Span = 60000; // ms
        while (bench->line.now() - start < Span)
            bench->tick(view);
        const double elapsed = bench->line.now() - start;
        const auto records = double(bench->s.polling.stats().accepted - acceptedBefore);
        const double nominal = elapsed / (2 * PollIntervalMs);
        // A record takes a little over its two ticks (the frames' own delays on the line: about 76 ms
        // without garbling), the bounded retries about 2 s of the minute; a read after every record
        // (650 ms each) would leave about a tenth of the records.
        QVERIFY2(records >= 0.85 * nominal, qPrintable(QString("%1 records in %2 ms").arg(records).arg(elapsed)));
        QCOMPARE(bench->errorBlockRequests(), std::size_t(reads)); // first halves asked for
        // One row per decode, stamped 70 ms apart: the stamps follow the line's clock.
        QCOMPARE(logger.rows(), std::int64_t(view.decoded));
        QVERIFY2(double(logger.elapsedMs()) >= 0.85 * elapsed,
            qPrintable(QString("rows span %1 ms of %2").arg(logger.elapsedMs()).arg(elapsed)));
        logger.discard();
        const ErrorList list = memory->list();
        QCOMPARE(list.kind, listShown ? ErrorList::Kind::Faults : ErrorList::Kind::ReadError);
        QCOMPARE(list.rows[0],
            listShown ? std::string("21 ErrInjGchk1- Injector 1 Error") : std::string(ErrorReadFailedText));

        // The controller reports a change: read at once, and again no more than allowed.
        bench->line.clearLog();
        bench->setLive16(rec::ErrorChangeMarker, 8);
        // Read with the first record that carries the new marker (the reply already on its way
        // when the marker changed may still carry the old one).
        for (int k = 0; k < 2 && bench->errorBlockRequests() == 0; ++k)
            decode(1);
        QCOMPARE(bench->errorBlockRequests(), std::size_t(1));
        decode(ErrorReadAttemptsPerMarker * ErrorRetryPauseDecodes + 100);
        QCOMPARE(bench->errorBlockRequests(), std::size_t(reads));
    }

    void eraseSendsEraseThenAuto()
    {
        QVERIFY(!memory->erase()); // not connected: nothing
        QVERIFY(bench->line.written().empty());
        QVERIFY(bench->connect());
        bench->line.clearLog();
        QVERIFY(memory->erase());
        const auto &w = bench->line.written();
        QCOMPARE(w.size(), std::size_t(2));
        QCOMPARE(w[0].bytes, (Bytes { 0x61, 0x00, 0x00, 0x00, 0x0B, 0xF0 }));
        QCOMPARE(w[1].bytes, (Bytes { 0x52, 0x00, 0x00, 0x00, 0xFC, 0xF0 }));
        QVERIFY(w[1].timeMs - w[0].doneMs >= 4);
    }
};

QTEST_GUILESS_MAIN(TstErrorMemory)
#include "tst_errormemory.moc"
