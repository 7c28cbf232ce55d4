// The diagnostic parts of the window on a scripted controller: the error memory (shown, refreshed
// when the controller moves its marker, erased, a failed read, cleared at a new connection), the
// service interval (and its refusal before the gas work time is known), the OBD commands and
// trouble codes, and a whole adaptation run.
#include "../support/WindowRig.h"
#include "DiagnosticPage.h"
#include "ErrorMemory.h"
#include "ErrorMemoryView.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "ObdPage.h"
#include "ScriptedSerial.h"
#include "TAbColBitBtn.h"
#include "TAbNumSpin.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";
using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::initializer_list<std::uint8_t> first4)
{
    const std::uint8_t *b = first4.begin();
    const CommandFrame f = makeFrame(b[0], b[1], b[2], b[3]);
    return { f.begin(), f.end() };
}
} // namespace

class TstDiag : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    bool spoilFirstErrorHalf = false;
    bool spoilSecondErrorHalf = false;

    template <class T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void set8(int off, std::uint8_t v) { ecu->live[static_cast<std::size_t>(off)] = v; }
    void set16(int off, std::uint16_t v)
    {
        set8(off, static_cast<std::uint8_t>(v & 0xFF));
        set8(off + 1, static_cast<std::uint8_t>(v >> 8));
    }
    void set32(int off, std::uint32_t v)
    {
        set16(off, static_cast<std::uint16_t>(v & 0xFFFF));
        set16(off + 2, static_cast<std::uint16_t>(v >> 16));
    }
    // The controller's error memory: `codes` and their number.
    void setFaults(std::initializer_list<std::uint16_t> codes)
    {
        ecu->errors.fill(0);
        std::size_t k = 0;
        for (std::uint16_t c : codes) {
            ecu->errors[2 * k] = static_cast<std::uint8_t>(c & 0xFF);
            ecu->errors[2 * k + 1] = static_cast<std::uint8_t>(c >> 8);
            ++k;
        }
        ecu->errors[64] = static_cast<std::uint8_t>(k);
    }
    void tick()
    {
        form->Timer1Timer();
        line->advance(35);
    }
    void decode()
    {
        QCOMPARE(state->session.polling.PollPhase, std::uint8_t(0));
        tick();
        tick();
    }
    void connectEcu()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        line->clearLog();
    }
    std::vector<Bytes> framesStartingWith(const Bytes &prefix) const
    {
        std::vector<Bytes> out;
        for (const auto &w : line->written()) {
            if (w.bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), w.bytes.begin()))
                out.push_back(w.bytes);
        }
        return out;
    }
    // Block reads of the error memory (two per read: the halves).
    std::size_t errorReads() const { return framesStartingWith({ 0xAA, 0x02 }).size(); }
    QStringList errorRows()
    {
        QStringList rows;
        auto *grid = child<QTableWidget>("StringGridErrorMemory");
        for (int r = 1; r <= 32; ++r)
            rows << cell(grid, 1, r);
        return rows;
    }
    // Writes of image word `index`.
    std::vector<int> wordWrites(int index) const
    {
        std::vector<int> out;
        for (const auto &w : line->written()) {
            const auto f = parseWriteFrame(w.bytes);
            if (f && f->word && f->index == index)
                out.push_back(f->value);
        }
        return out;
    }
    ErrorMemoryView *errorView() { return child<DiagnosticPage>("TabSheet4")->errorMemoryView(); }

private slots:
    void init()
    {
        spoilFirstErrorHalf = false;
        spoilSecondErrorHalf = false;
        test::WindowRig::Options options;
        options.show = false;
        options.frameHook = [this](const Bytes &w, int baud, const ScriptedSerial::Responder &controller) {
            auto out = controller(w, baud);
            // A first error-memory half whose checksum is off by one.
            if (spoilFirstErrorHalf && w.size() == 6 && w[0] == 0xAA && w[1] == 0x02 && w[2] == 0x00 && !out.empty())
                out[0].bytes[130] = static_cast<std::uint8_t>(out[0].bytes[130] + 1);
            // The same for the second half.
            if (spoilSecondErrorHalf && w.size() == 6 && w[0] == 0xAA && w[1] == 0x02 && w[2] == 0x80 && !out.empty())
                out[0].bytes[130] = static_cast<std::uint8_t>(out[0].bytes[130] + 1);
            return out;
        };
        QVERIFY2(rig.start(options), rig.error.c_str());
        ecu->image[133] = 4;
    }
    void cleanup() { rig.stop(); }

    // --- Error memory --------------------------------------------------------------------------

    void errorMemoryIsReadAfterConnectingAndAgainWhenTheMarkerMoves()
    {
        setFaults({ 21, 1, 29 });
        set16(rec::ErrorChangeMarker, 5);
        connectEcu();
        QVERIFY(errorRows().join(QString()).isEmpty());
        decode();
        QCOMPARE(errorReads(), std::size_t(2));
        QStringList expected(32, QString());
        expected[0] = QStringLiteral("21 ErrInjGchk1- Injector 1 Error");
        expected[1] = QStringLiteral("1 ErrTr_H  - Reducer Temp. Error High");
        expected[2] = QStringLiteral("29 ErrorEgtTH - EGT Temp. High");
        QCOMPARE(errorRows(), expected);
        QCOMPARE(child<QLabel>("LabelErrorCount")->text(), QStringLiteral("3 fault(s) stored"));
        // The header row and column stay empty.
        auto *grid = child<QTableWidget>("StringGridErrorMemory");
        QCOMPARE(grid->rowCount(), 33);
        QCOMPARE(grid->columnCount(), 2);
        QCOMPARE(grid->columnWidth(0), 50);
        QCOMPARE(grid->columnWidth(1), 1060);
        QVERIFY(cell(grid, 1, 0).isEmpty() && cell(grid, 0, 1).isEmpty());

        // The same marker: no read.
        decode();
        QCOMPARE(errorReads(), std::size_t(2));

        // The controller erased its faults and moved its marker: one read, the longer list is gone.
        setFaults({});
        set16(rec::ErrorChangeMarker, 6);
        decode();
        decode();
        QCOMPARE(errorReads(), std::size_t(4));
        expected = QStringList(32, QString());
        expected[0] = QStringLiteral("NO Errors");
        QCOMPARE(errorRows(), expected);
        QVERIFY(child<QLabel>("LabelErrorCount")->text().isEmpty());
        // Polling goes on after the read.
        QCOMPARE(state->session.conn.PollingEnabled, std::uint8_t(1));
    }

    void showErrorsReadsOnClickAndTellsWhenTheReadFailed()
    {
        child<QPushButton>("ButtonErrorShow")->click();
        QCOMPARE(messages, QStringList { QStringLiteral("No Connection") });
        messages.clear();

        setFaults({ 7 });
        connectEcu();
        form->timer()->start();
        child<QPushButton>("ButtonErrorShow")->click();
        QVERIFY(form->timer()->isActive());
        QCOMPARE(errorRows().first(), QStringLiteral("7 ErrPres_H- Erorr Pressure High"));

        // The first half does not come: the list stays, and the label says it is an earlier one.
        spoilFirstErrorHalf = true;
        setFaults({ 8 });
        child<QPushButton>("ButtonErrorShow")->click();
        QCOMPARE(errorRows().first(), QStringLiteral("7 ErrPres_H- Erorr Pressure High"));
        QCOMPARE(child<QLabel>("LabelErrorCount")->text(),
            QStringLiteral("1 fault(s) stored - Error memory read error: no valid reply from the ECU; the list is "
                           "from an earlier read"));
        QVERIFY(messages.isEmpty());

        // Only the second half does not come: the list is new.
        spoilFirstErrorHalf = false;
        spoilSecondErrorHalf = true;
        child<QPushButton>("ButtonErrorShow")->click();
        QCOMPARE(errorRows().first(), QStringLiteral("8 ErrPres_L- Erorr Pressure Low"));
        QCOMPARE(child<QLabel>("LabelErrorCount")->text(), QStringLiteral("1 fault(s) stored"));

        // A controller that never delivered a list: row 1 says the read failed.
        spoilFirstErrorHalf = true;
        connectEcu();
        child<QPushButton>("ButtonErrorShow")->click();
        QCOMPARE(errorRows().first(), QStringLiteral("Error memory read error: no valid reply from the ECU"));
    }

    // A controller whose error memory reply always fails its check: the window keeps polling at
    // its cadence, reads a bounded number of times, and shows the list whenever the first half
    // comes.
    void aGarblingControllerDoesNotSlowThePolling_data()
    {
        QTest::addColumn<bool>("firstHalf");
        QTest::addColumn<int>("blockReads");
        QTest::addColumn<QString>("row1");
        QTest::newRow("second half garbled") << false << 2 << QStringLiteral("21 ErrInjGchk1- Injector 1 Error");
        QTest::newRow("first half garbled") << true << 2 * ErrorReadAttemptsPerMarker
                                            << QStringLiteral("Error memory read error: no valid reply from the ECU");
    }
    void aGarblingControllerDoesNotSlowThePolling()
    {
        QFETCH(bool, firstHalf);
        QFETCH(int, blockReads);
        QFETCH(QString, row1);
        setFaults({ 21 });
        set16(rec::ErrorChangeMarker, 5);
        spoilFirstErrorHalf = firstHalf;
        spoilSecondErrorHalf = !firstHalf;
        connectEcu();
        const std::uint64_t before = state->session.polling.stats().accepted;
        const double start = line->now();
        while (line->now() - start < 30000)
            tick();
        const double elapsed = line->now() - start;
        const auto records = double(state->session.polling.stats().accepted - before);
        // A record takes a little over its two 35 ms ticks (the frames' own delays on the line), and the
        // few bounded retries a second or two of the span; a read after every record would leave
        // about a tenth of the records.
        QVERIFY2(records >= 0.85 * elapsed / 70, qPrintable(QString("%1 records in %2 ms").arg(records).arg(elapsed)));
        QCOMPARE(errorReads(), std::size_t(blockReads));
        QCOMPARE(errorRows().first(), row1);
    }

    void eraseAsksFirstThenSendsEraseAndAuto()
    {
        QStringList questions;
        bool answer = false;
        rig.user.answerConfirm = [&](const QString &, const QString &text) {
            questions << text;
            return answer;
        };
        auto *erase = child<TAbColBitBtn>("AbColBitBtn42");
        QCOMPARE(erase->currentText(), QStringLiteral("erase errors"));
        connectEcu();
        QTest::mouseClick(erase, Qt::LeftButton);
        QCOMPARE(questions.size(), 1);
        QVERIFY(line->written().empty());

        answer = true;
        QTest::mouseClick(erase, Qt::LeftButton);
        QCOMPARE(line->written().size(), std::size_t(2));
        QCOMPARE(line->written()[0].bytes, frame({ 0x61, 0x00, 0x00, 0x00 }));
        QCOMPARE(line->written()[1].bytes, frame({ 0x52, 0x00, 0x00, 0x00 }));

        // The controller is gone: a new scan finds nothing.
        line->removeDevice(Device);
        form->F10autoconnect1Click();
        QVERIFY(!state->session.conn.Connected);
        messages.clear();
        errorView()->AbColBitBtn42Click();
        QCOMPARE(messages, QStringList { QStringLiteral("No Connection") });
    }

    void aNewConnectionClearsTheListUntilTheNewControllerIsRead()
    {
        setFaults({ 3 });
        set16(rec::ErrorChangeMarker, 9);
        connectEcu();
        decode();
        QCOMPARE(errorRows().first(), QStringLiteral("3 ErrTg_H  - Gas Temp. Error High"));

        // Another controller, the same marker: its list is read all the same.
        setFaults({ 4 });
        connectEcu();
        QVERIFY(errorRows().join(QString()).isEmpty());
        decode();
        QCOMPARE(errorRows().first(), QStringLiteral("4 ErrTg_L  - Gas Temp. Error Low"));
    }

    // --- Service interval ------------------------------------------------------------------------

    void serviceIsRefusedUntilTheGasWorkTimeIsKnown()
    {
        set32(rec::GasWorkTime, 7200);
        set8(rec::ServiceBeeps, 3);
        auto *set = child<QPushButton>("ButtonSetSerwis");
        QCOMPARE(set->text(), QStringLiteral("SET SERVICE"));
        set->click();
        QCOMPARE(messages, QStringList { QStringLiteral("No Connection") });
        messages.clear();

        connectEcu();
        set->click();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("The ECU's gas work time has not been read yet.")),
            qPrintable(messages[0]));
        QVERIFY(line->written().empty());
        QCOMPARE(state->session.image.dword(8), std::uint32_t(0));

        decode();
        line->clearLog();
        QCOMPARE(child<TAbNumSpin>("AbNumSpinSerwis")->value(), 50.0);
        set->click();
        QCOMPARE(state->session.image.dword(8), std::uint32_t(7200 + 50 * 60));
        QCOMPARE(wordWrites(4), std::vector<int> { 10200 });
        QCOMPARE(wordWrites(5), std::vector<int> { 0 });
        auto *label = child<QLabel>("LabelSerwisWhen");
        QCOMPARE(label->text(), QStringLiteral("service time left [50 min. ] Beep: 3"));
        // It stands beside the section's title.
        QCOMPARE(label->parentWidget(), child<QLabel>("LabelAdvService")->parentWidget());

        // The point has passed.
        set32(rec::GasWorkTime, 10261);
        decode();
        QCOMPARE(label->text(), QStringLiteral("service time left [-1 min. ] Beep: 3"));

        line->clearLog();
        child<QPushButton>("ButtonDeleteSerwis")->click();
        QCOMPARE(wordWrites(4), std::vector<int> { 0 });
        QCOMPARE(wordWrites(5), std::vector<int> { 0 });
        QCOMPARE(label->text(), QStringLiteral("service off"));

        // A new connection: the refusal applies again until its first accepted reply.
        connectEcu();
        messages.clear();
        set->click();
        QCOMPARE(messages.size(), 1);
        QVERIFY(line->written().empty());
    }

    void serviceLabelText_data()
    {
        QTest::addColumn<uint>("due");
        QTest::addColumn<uint>("gas");
        QTest::addColumn<QString>("text");
        QTest::newRow("off") << 0u << 100u << "service off";
        QTest::newRow("whole minutes") << 10200u << 7200u << "service time left [50 min. ] Beep: 2";
        QTest::newRow("part of a minute") << 7259u << 7200u << "service time left [0 min. ] Beep: 2";
        QTest::newRow("reached") << 7200u << 7200u << "service time left [0 min. ] Beep: 2";
        QTest::newRow("passed") << 7199u << 7200u << "service time left [-1 min. ] Beep: 2";
        QTest::newRow("far") << 4294967295u << 0u << "service time left [71582788 min. ] Beep: 2";
    }
    void serviceLabelText()
    {
        QFETCH(uint, due);
        QFETCH(uint, gas);
        QFETCH(QString, text);
        QCOMPARE(ServicePanel::labelText(due, gas, 2, "service time left", "service off"), text);
    }

    // --- OBD -------------------------------------------------------------------------------------

    void obdTroubleCodesAreListedWhenTheBlockIsComplete()
    {
        connectEcu();
        auto feed = [this](int offset, std::array<std::uint8_t, 4> bytes) {
            set16(rec::ObdChunkOffset, static_cast<std::uint16_t>(offset));
            for (int i = 0; i < 4; ++i)
                set8(rec::ObdChunk + i, bytes[static_cast<std::size_t>(i)]);
            decode();
        };
        feed(48, { 0x03, 0x01, 0x41, 0x2A });
        feed(52, { 0xC1, 0x00, 0x00, 0x16 });
        auto *grid = child<QTableWidget>("StringGridObdErrors");
        QCOMPARE(grid->rowCount(), 17);
        QCOMPARE(grid->columnCount(), 2);
        QVERIFY(cell(grid, 1, 1).isEmpty()); // not drawn before the block is complete
        feed(80, { 0, 0, 0, 0 });
        const QStringList codes = { "P0301", "C012A", "U0100", "P0016" };
        for (int k = 1; k <= 16; ++k)
            QCOMPARE(cell(grid, 1, k), k <= 4 ? codes[k - 1] : QString());
    }

    void obdCommandsSendTheirFramesTheEraseWaitsASecond()
    {
        // The page is disabled until a controller is read; the handler itself refuses too.
        child<DiagnosticPage>("TabSheet4")->obdPage()->ButtonReadObdErrorsClick();
        QCOMPARE(messages, QStringList { QStringLiteral("No Connection") });
        connectEcu();
        child<QPushButton>("ButtonReadObdErrors")->click();
        child<QPushButton>("Button6")->click();
        child<QPushButton>("ButtonEraseObdErrors")->click();
        const auto &w = line->written();
        QCOMPARE(w.size(), std::size_t(4));
        QCOMPARE(w[0].bytes, frame({ 0xAA, 0x0A, 0x00, 0x00 }));
        QCOMPARE(w[1].bytes, frame({ 0xAA, 0x07, 0x00, 0x00 }));
        QCOMPARE(w[2].bytes, frame({ 0xAA, 0x06, 0x00, 0x00 }));
        QCOMPARE(w[3].bytes, frame({ 0xAA, 0x0A, 0x00, 0x00 }));
        QVERIFY(w[3].timeMs - w[2].doneMs >= 1000);
        QCOMPARE(child<QPushButton>("ButtonEraseObdErrors")->text(), QStringLiteral("DELETE OBD ERRORS"));
        QCOMPARE(child<QPushButton>("Button6")->text(), QStringLiteral("ReadAllData"));
    }

    void obdInfoShowsOnlyWhileTheCorrectionIsOff()
    {
        connectEcu();
        auto *info = child<QGroupBox>("GroupBoxObdInfo");
        QCOMPARE(info->title(), QStringLiteral("OBD INFO"));
        QVERIFY(info->findChild<QWidget *>(QStringLiteral("EditOdb1")));
        decode();
        QVERIFY(!info->isHidden());
        state->session.image.setBits(549, 1, 2, 2); // "ENABLE ST"
        decode();
        QVERIFY(info->isHidden());
        state->session.image.setBits(549, 1, 2, 0);
        decode();
        QVERIFY(!info->isHidden());
    }

    // --- Adaptation ------------------------------------------------------------------------------

    void adaptationRunsToTheEndAndShowsTheSettingsItChanged()
    {
        auto *start = child<QPushButton>("ButtonAdaptacjaStart");
        auto *next = child<QPushButton>("ButtonAdaptNext");
        auto *text = child<QPlainTextEdit>("RichEditAdapt");
        QVERIFY(start->isEnabled());
        QVERIFY(!next->isEnabled());
        QCOMPARE(text->toPlainText(), QStringLiteral("Adapt. commands:\n- Press START to make adaptation"));

        set16(rec::TempReducer, 45);
        connectEcu();
        decode();
        line->clearLog();
        start->click();
        QCOMPARE(text->toPlainText(), QStringLiteral("Wait for reducer 50 \u00B0C, then press START"));
        QVERIFY(!next->isEnabled());
        QVERIFY(line->written().empty());

        set16(rec::TempReducer, 60);
        set16(rec::InjPetrol1, 250);
        set16(rec::PresDiff, 1200);
        decode();
        start->click();
        QCOMPARE(line->written().back().bytes, frame({ 0x53, 0x00, 0x00, 0x00 }));
        QVERIFY(!start->isEnabled());
        QVERIFY(next->isEnabled());
        decode();
        QCOMPARE(text->toPlainText(),
            QStringLiteral("TURN OFF Air Condiotion, TURN ON: lights and FAN to make load. After, press NEXT"));
        next->click();
        const AppState &s = *state;
        int guard = 0;
        while (s.adaptation.state() < 5 && ++guard < 400)
            decode();
        QCOMPARE(s.adaptation.state(), 5);
        // The forced start values and the work pressure show in their controls, written once each.
        QCOMPARE(child<TAbNumSpin>("AbNumSpinWzbogacenieGlowne")->value(), 10.0);
        QVERIFY(qAbs(child<TAbNumSpin>("AbNumSpinOffsetGlowny")->value() - 0.8) < 0.01);
        QCOMPARE(child<TAbNumSpin>("AbNumSpinCylinderTime")->value(), 2.0);
        // 1.2 bar - 0.1 bar, stored as whole thousandths (truncated: 1099).
        QCOMPARE(child<TAbNumSpin>("AbNumSpinCisnieniePracy")->value(), state->session.image.word(356) * 0.001);
        QVERIFY(qAbs(child<TAbNumSpin>("AbNumSpinCisnieniePracy")->value() - 1.1) <= 0.0011);
        QCOMPARE(wordWrites(170).size(), std::size_t(1)); // WzbogacenieGlowne
        QCOMPARE(wordWrites(178).size(), std::size_t(1)); // CisnieniePracy
        QVERIFY(child<QLabel>("LabelAdaptProgress")->text().startsWith(QStringLiteral("step 5 of 15")));

        // On gas the car's controller opens longer: the enrichment goes up by one, then the times match.
        set16(rec::InjPetrol1, 275);
        while (s.adaptation.counter() < 100 && ++guard < 800)
            decode();
        decode();
        QCOMPARE(child<TAbNumSpin>("AbNumSpinWzbogacenieGlowne")->value(), 11.0);
        QCOMPARE(wordWrites(170).size(), std::size_t(2));
        set16(rec::InjPetrol1, 250);
        while (s.adaptation.state() != 16 && ++guard < 1600)
            decode();
        QCOMPARE(text->toPlainText(), QStringLiteral("Adaptation Finished"));
        QVERIFY(start->isEnabled());
        QVERIFY(!next->isEnabled());
        // The last mask sent gives every cylinder back to gas.
        const auto masks = framesStartingWith({ 0x75 });
        QVERIFY(masks.size() >= 9);
        QCOMPARE(masks.back(), frame({ 0x75, 0x00, 0x00, 0x00 }));
        QCOMPARE(wordWrites(170).size(), std::size_t(2));
        QVERIFY(child<QLabel>("LabelAdaptProgress")->text().isEmpty());

        child<QPushButton>("ButtonAdaptacjaStop")->click();
        QVERIFY(!s.adaptation.running());
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstDiag t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_diag.moc"
