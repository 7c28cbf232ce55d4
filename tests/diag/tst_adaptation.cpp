// The adaptation procedure on a scripted line: a car whose petrol controller's opening time on gas
// follows the main enrichment, driven by the polling cycle as the window drives it.
#include "Adaptation.h"
#include "DiagBench.h"
#include "FieldCodec.h"
#include "FieldTable.h"

#include <QtTest>

#include <memory>

using namespace kelvane;
using test::Bytes;

namespace {
constexpr std::uint8_t WordEnrichment = 170; // image word of the main enrichment

// The value of a write of the main enrichment in this frame; nothing for any other frame.
std::optional<int> enrichmentWrite(const Bytes &frame)
{
    const auto w = parseWriteFrame(frame);
    if (!w || !w->word || w->index != WordEnrichment)
        return std::nullopt;
    return w->value;
}
constexpr std::uint16_t storedEnrichment(int e)
{
    return static_cast<std::uint16_t>(e * 10 + 1000);
}

// The car and the controller as far as the adaptation sees them: injector 1's petrol opening
// time is 250 ticks on petrol and `onGas(E)` on gas; the override word comes back in the record.
struct Car {
    test::DiagBench &bench;
    std::function<int(int)> onGas;
    bool gas = false;
    int enrichment = 0;
    explicit Car(test::DiagBench &b, std::function<int(int)> opening)
        : bench(b)
        , onGas(std::move(opening))
    {
        bench.setLive16(rec::TempReducer, 60);
        bench.setLive16(rec::PresDiff, 1200);
        bench.onFrame = [this](const Bytes &w) {
            if (w[0] == 0x53)
                gas = false;
            else if (w[0] == 0x51)
                gas = true;
            else if (const auto stored = enrichmentWrite(w))
                enrichment = (*stored - 1000) / 10;
            else if (w[0] == 0x75)
                bench.setLive16(rec::PetrolOverrideWord, static_cast<std::uint16_t>((w[2] << 8) | w[3]));
            else if (w[0] == 0xAA && w[1] == 0x05)
                bench.setLive16(rec::InjPetrol1, static_cast<std::uint16_t>(gas ? onGas(enrichment) : 250));
        };
    }
};

double shown(const ControllerSession &s, const char *field)
{
    return decodeField(s.image, *findField(QString::fromLatin1(field)), DecodeContext { s.timeBases }).number;
}
} // namespace

class TstAdaptation : public QObject {
    Q_OBJECT

    std::unique_ptr<test::DiagBench> bench;
    std::unique_ptr<Adaptation> adaptation;
    test::BenchView view;
    std::vector<AdaptationUpdate> updates;
    bool pressNextAfterEveryStep = false;

    std::optional<AdaptText> lastText() const
    {
        for (auto it = updates.rbegin(); it != updates.rend(); ++it)
            if (it->text)
                return it->text;
        return std::nullopt;
    }
    std::vector<AdaptText> textsSeen() const
    {
        std::vector<AdaptText> t;
        for (const auto &u : updates)
            if (u.text && (t.empty() || t.back() != *u.text))
                t.push_back(*u.text);
        return t;
    }
    // Polls until the procedure reaches `state`, at most `maxDecodes` decodes.
    bool runUntil(int state, int maxDecodes = 10000)
    {
        const int until = view.decoded + maxDecodes;
        while (adaptation->state() != state && view.decoded < until)
            bench->tick(view);
        return adaptation->state() == state;
    }
    // Frames other than live requests, written since the log was cleared.
    std::vector<Bytes> commands() const
    {
        std::vector<Bytes> out;
        for (const auto &w : bench->line.written())
            if (!(w.bytes[0] == 0xAA && w.bytes[1] == 0x05))
                out.push_back(w.bytes);
        return out;
    }
    std::unique_ptr<Car> car;
    // Connects to a warm car, takes two records and presses START.
    bool begin(std::function<int(int)> gasOpening)
    {
        car = std::make_unique<Car>(*bench, std::move(gasOpening));
        if (!bench->connect())
            return false;
        while (view.decoded < 2)
            bench->tick(view);
        bench->line.clearLog();
        const AdaptationUpdate u = adaptation->start();
        return u.startEnabled == std::optional<bool>(false) && u.nextEnabled == std::optional<bool>(true)
            && adaptation->running() && adaptation->state() == 1;
    }

private slots:
    void init()
    {
        bench = std::make_unique<test::DiagBench>();
        adaptation = std::make_unique<Adaptation>(bench->s);
        updates.clear();
        pressNextAfterEveryStep = false;
        view = test::BenchView();
        view.adapting = [this] { return adaptation->running(); };
        view.adapt = [this] {
            updates.push_back(adaptation->step());
            if (pressNextAfterEveryStep)
                adaptation->next();
        };
    }
    void cleanup()
    {
        adaptation.reset();
        car.reset();
        bench.reset();
    }

    // E = 10 leaves the gas opening 25 ticks long (100 samples: 2500 over the reference), one step
    // up brings it to exactly the edge of the band. A fitter pressing NEXT twice, or all the time,
    // changes nothing: NEXT acts only where the procedure waits for it.
    void fullRunReachesAdaptationFinished_data()
    {
        QTest::addColumn<bool>("hammerNext");
        QTest::newRow("NEXT double click") << false;
        QTest::newRow("NEXT after every step") << true;
    }
    void fullRunReachesAdaptationFinished()
    {
        QFETCH(bool, hammerNext);
        QVERIFY(begin([](int e) { return 250 + 5 * (15 - e); }));
        QVERIFY(runUntil(1, 4));
        bench->tick(view), bench->tick(view);
        QCOMPARE(adaptation->state(), 1);
        QCOMPARE(lastText(), std::optional<AdaptText>(AdaptText::T1));
        adaptation->next();
        adaptation->next();
        QCOMPARE(adaptation->state(), 2);
        pressNextAfterEveryStep = hammerNext;
        QVERIFY(runUntil(16));

        QCOMPARE(adaptation->petrolReferenceSum(), 25000.0f);
        QCOMPARE(lastText(), std::optional<AdaptText>(AdaptText::T14));
        QCOMPARE(textsSeen(),
            (std::vector<AdaptText> { AdaptText::T1, AdaptText::T2, AdaptText::T3, AdaptText::T4, AdaptText::T5,
                AdaptText::T6, AdaptText::T7, AdaptText::T8, AdaptText::T9, AdaptText::T10, AdaptText::T11,
                AdaptText::T12, AdaptText::T13, AdaptText::T14 }));
        QCOMPARE(updates.back().startEnabled, std::optional<bool>(true));
        QCOMPARE(updates.back().nextEnabled, std::optional<bool>(false));

        // Start values, work pressure 1.2 - 0.1 bar, one step of enrichment, the cylinders given
        // back to gas one at a time, then the mask cleared.
        const std::vector<Bytes> c = commands();
        // Word writes by their index, other commands by their code and data bytes.
        std::vector<Bytes> heads;
        for (const Bytes &f : c) {
            if (const auto w = parseWriteFrame(f))
                heads.push_back({ static_cast<std::uint8_t>(w->index) });
            else
                heads.push_back(f[0] == 0x75 ? Bytes { f[0], f[2], f[3] } : Bytes { f[0], f[1] });
        }
        const std::vector<Bytes> expected
            = { { 0x53, 0x00 }, { 157 }, { 170 }, { 0x51, 0x00 }, { 196 }, { 221 }, { 0x75, 0x00, 0xFE }, { 178 },
                  { 170 }, { 0x75, 0x00, 0xFC }, { 0x75, 0x00, 0xF8 }, { 0x75, 0x00, 0xF0 }, { 0x75, 0x00, 0xE0 },
                  { 0x75, 0x00, 0xC0 }, { 0x75, 0x00, 0x80 }, { 0x75, 0x00, 0x00 }, { 0x75, 0x00, 0x00 } };
        QCOMPARE(heads, expected);
        QCOMPARE(parseWriteFrame(c[2]), std::optional<WriteFrame>(WriteFrame { true, 170, 0x044C }));
        QVERIFY(commandFrameValid(c[2].data()));
        QCOMPARE(shown(bench->s, "WzbogacenieGlowne"), 11.0);
        QCOMPARE(car->enrichment, 11);
        // 1200 x 0.001 - 0.1 in double precision lies just below 1.1: the word holds 1099.
        QCOMPARE(bench->s.image.wordAt(178), std::uint16_t(1099));
        QVERIFY(qAbs(shown(bench->s, "OffsetGlowny") - 0.8) < 0.01);
        QVERIFY(qAbs(shown(bench->s, "CylinderTime") - 2.0) < 1e-6);
        QVERIFY(car->gas);

        // Finished: nothing more happens until a new START.
        const std::size_t frames = bench->line.written().size();
        for (int i = 0; i < 10; ++i)
            bench->tick(view);
        QCOMPARE(commands().size(), c.size());
        QVERIFY(bench->line.written().size() > frames);
        QCOMPARE(adaptation->state(), 16);
    }

    // No enrichment brings the opening time into the band: the search walks to its limit, and the
    // step that reaches it switches to petrol and clears the mask at once.
    void searchAbortsAtTheEnrichmentLimits_data()
    {
        QTest::addColumn<int>("gasOpening");
        QTest::addColumn<int>("limit");
        QTest::newRow("too long: up to 40") << 350 << 40;
        QTest::newRow("too short: down to -10") << 150 << -10;
    }
    void searchAbortsAtTheEnrichmentLimits()
    {
        QFETCH(int, gasOpening);
        QFETCH(int, limit);
        QVERIFY(begin([gasOpening](int) { return gasOpening; }));
        QVERIFY(runUntil(1, 4));
        adaptation->next();
        QVERIFY(runUntil(16, 5000));
        QCOMPARE(lastText(), std::optional<AdaptText>(AdaptText::T15));
        QCOMPARE(QString::fromUtf8(adaptDefaultText(AdaptText::T15)), QStringLiteral("inappropriate injectors size"));
        QCOMPARE(updates.back().startEnabled, std::optional<bool>(true));
        QCOMPARE(updates.back().nextEnabled, std::optional<bool>(false));
        QCOMPARE(shown(bench->s, "WzbogacenieGlowne"), double(limit));

        const std::vector<Bytes> all = [this] {
            std::vector<Bytes> v;
            for (const auto &w : bench->line.written())
                v.push_back(w.bytes);
            return v;
        }();
        // Every enrichment from 9 or 11 to the limit was written once, one per series.
        const auto writes
            = std::count_if(all.begin(), all.end(), [](const Bytes &b) { return enrichmentWrite(b).has_value(); });
        QCOMPARE(int(writes), 1 + std::abs(limit - 10));
        // The write of the limit, the petrol command and the cleared mask in the same step: no live
        // request in between.
        const auto at = std::find_if(
            all.begin(), all.end(), [&](const Bytes &b) { return enrichmentWrite(b) == storedEnrichment(limit); });
        QVERIFY(at != all.end() && all.end() - at >= 3);
        QCOMPARE((*(at + 1))[0], std::uint8_t(0x53));
        QCOMPARE(*(at + 2), (Bytes { 0x75, 0x00, 0x00, 0x00, 0x1F, 0xF0 }));
        QVERIFY(!car->gas);
        QVERIFY(bench->framesStartingWith({ 0x75, 0x00, 0xFC }).empty()); // never reached cylinder 2
    }

    // With the cable gone the record stays as it was: no sample is taken from it, and after a run
    // of rejected replies the procedure aborts the way it does for unsuitable injectors.
    void runOfRejectedRepliesAborts()
    {
        QVERIFY(begin([](int) { return 350; }));
        QVERIFY(runUntil(1, 4));
        adaptation->next();
        QVERIFY(runUntil(5));
        while (adaptation->counter() < 50)
            bench->tick(view);
        const float gasSum = adaptation->gasSum();
        const int counter = adaptation->counter();
        bench->ecu.answerLive = 0;
        bench->line.clearLog();
        for (std::uint64_t n = 1; n < AdaptNoReplyLimit; ++n) {
            const int decoded = view.decoded;
            while (view.decoded == decoded)
                bench->tick(view);
            QCOMPARE(bench->s.polling.stats().rejectedInARow, n);
            QCOMPARE(adaptation->state(), 5);
            QCOMPARE(adaptation->counter(), counter);
            QCOMPARE(adaptation->gasSum(), gasSum);
        }
        QVERIFY(commands().empty());
        QVERIFY(runUntil(15, 1));
        QCOMPARE(commands(),
            (std::vector<Bytes> { { 0x53, 0x00, 0x00, 0x00, 0xFD, 0xF0 }, { 0x75, 0x00, 0x00, 0x00, 0x1F, 0xF0 } }));
        QVERIFY(runUntil(16, 1));
        QCOMPARE(lastText(), std::optional<AdaptText>(AdaptText::NoReply));
        QCOMPARE(updates.back().startEnabled, std::optional<bool>(true));
        const auto seen = textsSeen();
        QVERIFY(std::find(seen.begin(), seen.end(), AdaptText::T15) == seen.end());
    }

    // A single rejected reply while the reference is taken: the sample is not counted twice.
    void staleRecordGivesNoSample()
    {
        QVERIFY(begin([](int) { return 270; }));
        QVERIFY(runUntil(1, 4));
        adaptation->next();
        while (adaptation->counter() < 10)
            bench->tick(view);
        bench->rewrite = [](const Bytes &w, std::vector<ScriptedSerial::Delivery> &out) {
            if (w[0] == 0xAA && w[1] == 0x05)
                out.clear();
        };
        const int decoded = view.decoded;
        while (view.decoded == decoded)
            bench->tick(view);
        QCOMPARE(adaptation->counter(), 10);
        QCOMPARE(adaptation->petrolReferenceSum(), 2500.0f);
        bench->rewrite = nullptr;
        QVERIFY(runUntil(3));
        QCOMPARE(adaptation->petrolReferenceSum(), 25000.0f);
    }

    void coldReducerStartsNothing()
    {
        Car c(*bench, [](int) { return 250; });
        bench->setLive16(rec::TempReducer, 49);
        QVERIFY(bench->connect());
        while (view.decoded < 2)
            bench->tick(view);
        bench->line.clearLog();
        const AdaptationUpdate u = adaptation->start();
        QCOMPARE(u.text, std::optional<AdaptText>(AdaptText::Cold));
        QVERIFY(!u.startEnabled && !u.nextEnabled);
        QVERIFY(!adaptation->running());
        QVERIFY(bench->line.written().empty());
        adaptation->next(); // not running: NEXT does nothing either
        QCOMPARE(adaptation->state(), 0);
        bench->onFrame = nullptr;
    }

    // STOP leaves the controller as it is (gas, mask as last sent) and sends nothing.
    void stopInTheSecondSearch()
    {
        QVERIFY(begin([](int e) { return 250 + 5 * (15 - e); }));
        QVERIFY(runUntil(1, 4));
        adaptation->next();
        QVERIFY(runUntil(7));
        bench->line.clearLog();
        const AdaptationUpdate u = adaptation->stop();
        QCOMPARE(u.startEnabled, std::optional<bool>(true));
        QVERIFY(!u.nextEnabled);
        QVERIFY(!adaptation->running());
        QCOMPARE(adaptation->state(), 0);
        for (int i = 0; i < 6; ++i)
            bench->tick(view);
        QVERIFY(commands().empty());
        QVERIFY(car->gas);
        QCOMPARE(bench->s.live.petrolOverrideMask(), std::uint8_t(0xFC));
    }

    void textIds()
    {
        QCOMPARE(adaptTextId(AdaptText::T0), 101201);
        QCOMPARE(adaptTextId(AdaptText::Cold), 101202);
        QCOMPARE(adaptTextId(AdaptText::T7), 101209);
        QCOMPARE(adaptTextId(AdaptText::T15), 101217);
        QCOMPARE(adaptTextId(AdaptText::NoReply), 0);
        QCOMPARE(QString::fromUtf8(adaptDefaultText(AdaptText::T13)), QStringLiteral("SettingEnrichment C8"));
        QCOMPARE(QString::fromUtf8(adaptDefaultText(AdaptText::Cold)),
            QStringLiteral("Wait for reducer 50 °C, then press START"));
    }
};

QTEST_GUILESS_MAIN(TstAdaptation)
#include "tst_adaptation.moc"
