// One receive tick of the polling cycle in the window: receive and validate the live reply,
// decode it, set the readings page and the side strip, feed the oscilloscope, and paint what changed.
// The FourTraces cases run with the four oscilloscope channels on (speed, petrol time, pressure
// difference, lambda), as a fitter watching a drive has them; the others with the channels off.
//
// For instruction counts (steadier than wall time on a shared machine) the program runs a fixed
// number of ticks with collection switched on only around the measured part:
//   KELVANE_BENCH_COUNT=pending KELVANE_BENCH_TRACES=4 valgrind --tool=callgrind --collect-atstart=no bench_tick
// and the instructions collected, divided by the ticks it prints, are one tick's. Modes: pending
// (the tick and the paints it causes), repaint (the tick and a forced repaint of the readings page
// and the strip), nopaint (the tick alone), readings (a forced repaint of the readings page alone).
#include "../tests/support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

using namespace kelvane;

namespace {

test::WindowRig::Options connectedWindow()
{
    test::WindowRig::Options options;
    options.connect = true;
    return options;
}

struct Rig {
    test::WindowRig window { connectedWindow() };
    ScriptedSerial &line = *window.line;
    test::FakeEcu &ecu = *window.ecu;
    AppState &state = *window.state;
    std::unique_ptr<TForm1> &form = window.form;
    QWidget *readings = nullptr;
    QWidget *scope = nullptr; // the oscilloscope's chart
    unsigned step = 0;

    Rig()
    {
        readings = form->findChild<QWidget *>(QStringLiteral("TabSheet1"));
        scope = form->findChild<QWidget *>(QStringLiteral("PaintBoxScope"));
    }

    // The four channels of the oscilloscope on (items of the combo boxes), or all off.
    void traces(bool on)
    {
        const char *names[]
            = { "ComboBoxScopType", "ComboBoxScopeTypeRed", "ComboBoxScopeTypeBlue", "ComboBoxScopeTypeGreen" };
        const int items[] = { 3 /* RPM */, 1 /* InjB1 */, 6 /* DifP */, 10 /* L1 */ };
        for (int i = 0; i < 4; ++i) {
            if (auto *c = form->findChild<QComboBox *>(QString::fromLatin1(names[i])))
                c->setCurrentIndex(on ? items[i] : 0);
        }
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
        set16(rec::InjPetrolRef, 500 + (step * 37) % 900);
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

    // Ticks outside the measurement: fonts loaded, caches and the scope's traces filled.
    void warmUp(int ticks = 30)
    {
        for (int k = 0; k < ticks; ++k) {
            prepare();
            form->Timer1Timer();
            line.advance(35);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        }
    }

    // Untimed: a new record, the request tick, the reply's time on the line.
    void prepare()
    {
        vary();
        form->Timer1Timer();
        line.advance(35);
        if (line.written().size() > 1000)
            line.clearLog();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
};

// The measured pieces, out of line so that callgrind can count them alone.
__attribute__((noinline)) void measuredReceiveTick(Rig &r)
{
    r.form->Timer1Timer();
}
__attribute__((noinline)) void measuredPendingPaints()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}
__attribute__((noinline)) void measuredForcedRepaint(Rig &r)
{
    r.form->repaintReadings();
}
__attribute__((noinline)) void measuredReadingsRepaint(Rig &r)
{
    r.readings->repaint();
}

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

void tickWithRepaint(benchmark::State &st, bool traces)
{
    Rig &r = rig();
    r.traces(traces);
    r.warmUp();
    for (auto _ : st) {
        st.PauseTiming();
        r.prepare();
        st.ResumeTiming();
        measuredReceiveTick(r); // receive, validate, decode, show
        measuredForcedRepaint(r);
        st.PauseTiming();
        r.line.advance(35);
        st.ResumeTiming();
    }
}

// What the window does after a tick: the controls whose value changed are painted when the event
// loop flushes the pending updates.
void tickWithPendingPaint(benchmark::State &st, bool traces)
{
    Rig &r = rig();
    r.traces(traces);
    r.warmUp();
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    for (auto _ : st) {
        st.PauseTiming();
        r.prepare();
        st.ResumeTiming();
        measuredReceiveTick(r);
        measuredPendingPaints();
        st.PauseTiming();
        r.line.advance(35);
        st.ResumeTiming();
    }
    qApp->removeEventFilter(&counter);
    // Widgets painted per tick, the pauses' flushes included.
    st.counters["paints"] = benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
}

void BM_ReceiveTickWithRepaint(benchmark::State &st)
{
    tickWithRepaint(st, false);
}
BENCHMARK(BM_ReceiveTickWithRepaint)->Unit(benchmark::kMicrosecond);
void BM_ReceiveTickWithPendingPaint(benchmark::State &st)
{
    tickWithPendingPaint(st, false);
}
BENCHMARK(BM_ReceiveTickWithPendingPaint)->Unit(benchmark::kMicrosecond);

void BM_ReceiveTickWithoutPaint(benchmark::State &st)
{
    Rig &r = rig();
    r.traces(false);
    r.warmUp();
    for (auto _ : st) {
        st.PauseTiming();
        r.prepare();
        st.ResumeTiming();
        measuredReceiveTick(r);
        st.PauseTiming();
        r.line.advance(35);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_ReceiveTickWithoutPaint)->Unit(benchmark::kMicrosecond);

void BM_FourTraces_ReceiveTickWithRepaint(benchmark::State &st)
{
    tickWithRepaint(st, true);
}
BENCHMARK(BM_FourTraces_ReceiveTickWithRepaint)->Unit(benchmark::kMicrosecond);
void BM_FourTraces_ReceiveTickWithPendingPaint(benchmark::State &st)
{
    tickWithPendingPaint(st, true);
}
BENCHMARK(BM_FourTraces_ReceiveTickWithPendingPaint)->Unit(benchmark::kMicrosecond);

// A full repaint of the readings page alone (an expose, a resize), its scope holding four traces.
void BM_FourTraces_FullRepaintOfTheReadingsPage(benchmark::State &st)
{
    Rig &r = rig();
    r.traces(true);
    r.warmUp(900); // the traces fill the chart
    for (auto _ : st)
        measuredReadingsRepaint(r);
}
BENCHMARK(BM_FourTraces_FullRepaintOfTheReadingsPage)->Unit(benchmark::kMicrosecond);

// The oscilloscope's chart alone, four full traces.
void BM_FourTraces_ScopeRepaint(benchmark::State &st)
{
    Rig &r = rig();
    r.traces(true);
    r.warmUp(900);
    if (!r.scope) {
        st.SkipWithError("no oscilloscope");
        return;
    }
    for (auto _ : st)
        r.scope->repaint();
}
BENCHMARK(BM_FourTraces_ScopeRepaint)->Unit(benchmark::kMicrosecond);

// The program as it runs: the 35 ms timer polls, the event loop paints. The share of one core the
// process uses (its CPU time over the wall time) is the counter "cpu_share_percent".
void BM_FourTraces_PollingCpuShare(benchmark::State &st)
{
    Rig &r = rig();
    r.traces(true);
    auto cpuNow = [] {
        timespec ts {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return ts.tv_sec + ts.tv_nsec * 1e-9;
    };
    // The record changes with every request the controller sees.
    QTimer varier;
    QObject::connect(&varier, &QTimer::timeout, [&r] { r.vary(); });
    double share = 0;
    const std::uint64_t records0 = r.state.session.polling.stats().accepted;
    for (auto _ : st) {
        const double cpu0 = cpuNow();
        QElapsedTimer wall;
        wall.start();
        varier.start(70);
        r.form->timer()->start();
        QTest::qWait(static_cast<int>(st.range(0)));
        r.form->timer()->stop();
        varier.stop();
        share = 100.0 * (cpuNow() - cpu0) / (wall.nsecsElapsed() * 1e-9);
        st.SetIterationTime(wall.nsecsElapsed() * 1e-9);
    }
    st.counters["cpu_share_percent"] = share;
    st.counters["records"] = double(r.state.session.polling.stats().accepted - records0);
}
BENCHMARK(BM_FourTraces_PollingCpuShare)->Arg(10000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The fixed run for callgrind (see the top of the file).
int countInstructions(const char *mode, bool traces, int ticks)
{
    Rig &r = rig();
    r.traces(traces);
    const bool readingsOnly = std::strcmp(mode, "readings") == 0;
    r.warmUp(readingsOnly ? 900 : 30);
    for (int k = 0; k < ticks; ++k) {
        r.prepare();
        CALLGRIND_TOGGLE_COLLECT;
        if (readingsOnly) {
            r.readings->repaint();
        } else {
            r.form->Timer1Timer();
            if (std::strcmp(mode, "pending") == 0)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            else if (std::strcmp(mode, "repaint") == 0)
                r.form->repaintReadings();
        }
        CALLGRIND_TOGGLE_COLLECT;
        r.line.advance(35);
    }
    std::printf("bench_tick: %s, %s traces: %d ticks measured\n", mode, traces ? "four" : "no", ticks);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KelvaneApplication app(argc, argv);
    if (const char *mode = std::getenv("KELVANE_BENCH_COUNT"))
        return countInstructions(mode, qEnvironmentVariableIntValue("KELVANE_BENCH_TRACES") == 4, 50);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
