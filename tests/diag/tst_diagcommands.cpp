// kelvane-cli's "errors" and "dtc" on a scripted controller: what they print, the question before
// an erase, the frames of the erase, and the exit codes when the controller does not deliver.
#include "DiagBench.h"
#include "DiagCommands.h"
#include "ErrorMemory.h"

#include <QtTest>

#include <memory>
#include <sstream>

using namespace kelvane;
using test::Bytes;

namespace {
// A controller that also erases its error memory (moving its marker) and sends the OBD data area
// four bytes per live record.
struct Controller {
    test::DiagBench &bench;
    bool erases = true;
    bool obdRuns = true;
    std::array<std::uint8_t, 84> obd {};
    int slot = 0;
    std::uint16_t marker = 7;

    explicit Controller(test::DiagBench &b)
        : bench(b)
    {
        setFaults({ 8, 16 });
        obd[48] = 0x03, obd[49] = 0x01; // P0301
        obd[50] = 0x01, obd[51] = 0x71; // P0171
        bench.onFrame = [this](const Bytes &w) {
            if (w[0] == 0x61 && erases) {
                setFaults({});
                ++marker;
            } else if (w[0] == 0xAA && w[1] == 0x06) {
                std::fill(obd.begin() + 48, obd.begin() + 80, 0);
            } else if (w[0] == 0xAA && w[1] == 0x05) {
                bench.setLive16(rec::ErrorChangeMarker, marker);
                bench.setLive16(rec::ObdChunkOffset, static_cast<std::uint16_t>(slot * 4));
                for (int i = 0; i < 4; ++i)
                    bench.ecu.live[static_cast<std::size_t>(rec::ObdChunk + i)]
                        = obd[static_cast<std::size_t>(slot * 4 + i)];
                if (obdRuns)
                    slot = (slot + 1) % 21;
            }
        };
    }
    void setFaults(const std::vector<std::uint16_t> &codes)
    {
        bench.ecu.errors.fill(0);
        for (std::size_t k = 0; k < codes.size(); ++k) {
            bench.ecu.errors[2 * k] = static_cast<std::uint8_t>(codes[k] & 0xFF);
            bench.ecu.errors[2 * k + 1] = static_cast<std::uint8_t>(codes[k] >> 8);
        }
        bench.ecu.errors[64] = static_cast<std::uint8_t>(codes.size());
    }
};

struct Run {
    int code = -1;
    std::string out, err;
};
} // namespace

class TstDiagCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<test::DiagBench> bench;
    std::unique_ptr<Controller> ecu;

    Run run(int (*command)(ControllerSession &, const DiagCliOptions &, std::istream &, std::ostream &, std::ostream &),
        DiagCliOptions options, const std::string &stdinText = {})
    {
        std::istringstream in(stdinText);
        std::ostringstream out, err;
        Run r;
        r.code = command(bench->s, options, in, out, err);
        r.out = out.str();
        r.err = err.str();
        return r;
    }
    static DiagCliOptions clear(bool yes = false)
    {
        DiagCliOptions o;
        o.clear = true;
        o.yes = yes;
        return o;
    }

private slots:
    void init()
    {
        bench = std::make_unique<test::DiagBench>();
        ecu = std::make_unique<Controller>(*bench);
    }
    void cleanup()
    {
        bench->onFrame = nullptr;
        ecu.reset();
        bench.reset();
    }

    void notConnectedSendsNothing()
    {
        QCOMPARE(run(runErrorsCommand, {}).code, DiagExitNotConnected);
        QCOMPARE(run(runDtcCommand, clear(true)).code, DiagExitNotConnected);
        QVERIFY(bench->line.written().empty());
    }

    void errorsPrintsTheList()
    {
        QVERIFY(bench->connect());
        bench->line.clearLog();
        const Run r = run(runErrorsCommand, {});
        QCOMPARE(r.code, DiagExitOk);
        QCOMPARE(r.out, std::string("8 ErrPres_L- Erorr Pressure Low\n16 ErrRpm_L  - RPM's Error Low\n"));
        QCOMPARE(bench->line.written().size(), std::size_t(2)); // the two halves, nothing else
    }

    void errorsReadErrorFails()
    {
        bench->rewrite = [](const Bytes &w, std::vector<ScriptedSerial::Delivery> &out) {
            if (w[0] == 0xAA && w[1] == 0x02 && w[2] == 0x00)
                out.clear();
        };
        QVERIFY(bench->connect());
        const Run r = run(runErrorsCommand, {});
        QCOMPARE(r.code, DiagExitNoData);
        QCOMPARE(r.out, std::string());
        QVERIFY(r.err.find(ErrorReadFailedText) != std::string::npos);
        QVERIFY(r.err.find("first half rejected") != std::string::npos);
    }

    void errorsClear_data()
    {
        QTest::addColumn<bool>("yesOption");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("controllerErases");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("answered y") << false << "y\n" << true << DiagExitOk;
        QTest::newRow("answered YES") << false << " YES \n" << true << DiagExitOk;
        QTest::newRow("--yes") << true << "" << true << DiagExitOk;
        QTest::newRow("answered n") << false << "n\n" << true << DiagExitNotErased;
        QTest::newRow("no answer (end of input)") << false << "" << true << DiagExitNotErased;
        QTest::newRow("controller keeps its faults") << true << "" << false << DiagExitNoData;
    }
    void errorsClear()
    {
        QFETCH(bool, yesOption);
        QFETCH(QString, answer);
        QFETCH(bool, controllerErases);
        QFETCH(int, exitCode);
        ecu->erases = controllerErases;
        QVERIFY(bench->connect());
        bench->line.clearLog();
        const Run r = run(runErrorsCommand, clear(yesOption), answer.toStdString());
        QCOMPARE(r.code, exitCode);
        const std::string list = "8 ErrPres_L- Erorr Pressure Low\n16 ErrRpm_L  - RPM's Error Low\n";
        QCOMPARE(r.err.find("[y/N]") != std::string::npos, !yesOption);
        const auto erase = bench->framesStartingWith({ 0x61 });
        if (exitCode == DiagExitNotErased) {
            QVERIFY(erase.empty());
            QCOMPARE(r.out, list);
            return;
        }
        // The window's frames: erase, then automatic mode, nothing between them.
        std::vector<Bytes> commands;
        for (const auto &w : bench->line.written())
            if (w.bytes[0] != 0xAA)
                commands.push_back(w.bytes);
        QCOMPARE(commands,
            (std::vector<Bytes> { { 0x61, 0x00, 0x00, 0x00, 0x0B, 0xF0 }, { 0x52, 0x00, 0x00, 0x00, 0xFC, 0xF0 } }));
        QCOMPARE(r.out, list + (controllerErases ? "NO Errors\n" : list));
        QCOMPARE(bench->errorBlockRequests(), std::size_t(2));
    }

    void dtcPrintsTheCodes()
    {
        QVERIFY(bench->connect());
        bench->line.clearLog();
        const Run r = run(runDtcCommand, {});
        QCOMPARE(r.code, DiagExitOk);
        QCOMPARE(r.out, std::string("P0301\nP0171\n"));
        QCOMPARE(bench->framesStartingWith({ 0xAA, 0x0A }).size(), std::size_t(1));
        QVERIFY(bench->framesStartingWith({ 0xAA, 0x06 }).empty());
    }

    void dtcClear_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("answered y") << "y\n" << DiagExitOk;
        QTest::newRow("answered no") << "no\n" << DiagExitNotErased;
    }
    void dtcClear()
    {
        QFETCH(QString, answer);
        QFETCH(int, exitCode);
        QVERIFY(bench->connect());
        bench->line.clearLog();
        const Run r = run(runDtcCommand, clear(), answer.toStdString());
        QCOMPARE(r.code, exitCode);
        QCOMPARE(r.out, std::string());
        std::vector<Bytes> obd;
        for (const auto &w : bench->line.written())
            if (w.bytes[0] == 0xAA && w.bytes[1] != 0x05)
                obd.push_back(w.bytes);
        if (exitCode == DiagExitNotErased) {
            QVERIFY(obd.empty());
            return;
        }
        QCOMPARE(obd,
            (std::vector<Bytes> { { 0xAA, 0x06, 0x00, 0x00, 0x5A, 0xF0 }, { 0xAA, 0x0A, 0x00, 0x00, 0x5E, 0xF0 } }));
        QVERIFY(r.err.find("no trouble codes") != std::string::npos);
    }

    // OBD switched off: the slots never reach the trouble codes, so there is no list to print.
    void dtcWithoutObdDataFails()
    {
        ecu->obdRuns = false;
        QVERIFY(bench->connect());
        const Run r = run(runDtcCommand, {});
        QCOMPARE(r.code, DiagExitNoData);
        QCOMPARE(r.out, std::string());
    }

    void interruptedBetweenTicks()
    {
        QVERIFY(bench->connect());
        DiagCliOptions o;
        o.cancelled = [] { return true; };
        QCOMPARE(run(runDtcCommand, o).code, DiagExitInterrupted);
    }
};

QTEST_GUILESS_MAIN(TstDiagCommands)
#include "tst_diagcommands.moc"
