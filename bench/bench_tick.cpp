// One receive tick of the polling cycle in the window: receive and validate the live reply,
// decode it, set the readings page and the side strip, and paint both.
#include "KelvaneApplication.h"
#include "Main.h"
#include "ScriptedSerial.h"
#include "../tests/support/FakeEcu.h"

#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kelvane;

namespace {

struct Rig {
    ScriptedSerial line;
    test::FakeEcu ecu;
    AppState state {line};
    std::unique_ptr<TForm1> form;
    unsigned step = 0;

    Rig()
    {
        state.session.ports.map(3, "/dev/ttyBENCH3");
        line.addDevice("/dev/ttyBENCH3", ecu.responder());
        form = std::make_unique<TForm1>(state);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("bench_tick: the window was not exposed; painting may be skipped");
        form->timer()->stop();
        form->F10autoconnect1Click();
        form->timer()->stop();
        line.clearLog();
    }

    // A new record each time, so that every control has something to change.
    void vary()
    {
        ++step;
        auto set16 = [this](int off, unsigned v) {
            ecu.live[static_cast<std::size_t>(off)] = static_cast<std::uint8_t>(v & 0xFF);
            ecu.live[static_cast<std::size_t>(off) + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        };
        for (int n = 0; n < 8; ++n) {
            set16(rec::InjPetrol1 + 2 * n, 500 + (step * 37 + n * 11) % 900);
            set16(rec::InjGas1 + 2 * n, 600 + (step * 29 + n * 7) % 900);
        }
        set16(rec::RpmPeriod, 3000 + step % 2000);
        set16(rec::TempReducer, 20 + step % 60);
        set16(rec::TempGas, 15 + step % 40);
        set16(rec::PresDiff, 900 + step % 400);
        set16(rec::LambdaRaw, step % 800);
        set16(rec::LevelRaw, 1000 + step % 2000);
        set16(rec::GasCutOffWord, 0x000F);
        ecu.live[rec::PetrolStateMask] = 0x0F;
        ecu.live[rec::SignalFlags] = 0x04;
        ecu.live[rec::LevelStep] = static_cast<std::uint8_t>(step % 5);
    }
};

// Counts the paint events the application delivers.
struct PaintCounter : QObject {
    long paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

Rig &rig()
{
    static Rig r;
    return r;
}

void BM_ReceiveTickWithRepaint(benchmark::State &st)
{
    Rig &r = rig();
    for (auto _ : st) {
        st.PauseTiming();
        r.vary();
        r.form->Timer1Timer(); // the request tick
        r.line.advance(35);
        if (r.line.written().size() > 1000)
            r.line.clearLog();
        st.ResumeTiming();
        r.form->Timer1Timer(); // receive, validate, decode, show
        r.form->repaintReadings();
        st.PauseTiming();
        r.line.advance(35);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_ReceiveTickWithRepaint)->Unit(benchmark::kMicrosecond);

// What the window does after a tick: the controls whose value changed are painted when the event
// loop flushes the pending updates.
void BM_ReceiveTickWithPendingPaint(benchmark::State &st)
{
    Rig &r = rig();
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    for (auto _ : st) {
        st.PauseTiming();
        r.vary();
        r.form->Timer1Timer();
        r.line.advance(35);
        if (r.line.written().size() > 1000)
            r.line.clearLog();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        st.ResumeTiming();
        r.form->Timer1Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        st.PauseTiming();
        r.line.advance(35);
        st.ResumeTiming();
    }
    qApp->removeEventFilter(&counter);
    // Widgets painted per tick, the pauses' flushes included.
    st.counters["paints"] = benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReceiveTickWithPendingPaint)->Unit(benchmark::kMicrosecond);

void BM_ReceiveTickWithoutPaint(benchmark::State &st)
{
    Rig &r = rig();
    for (auto _ : st) {
        st.PauseTiming();
        r.vary();
        r.form->Timer1Timer();
        r.line.advance(35);
        if (r.line.written().size() > 1000)
            r.line.clearLog();
        st.ResumeTiming();
        r.form->Timer1Timer();
        st.PauseTiming();
        r.line.advance(35);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_ReceiveTickWithoutPaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KelvaneApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
