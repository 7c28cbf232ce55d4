// The data logger's row of one decode, FeedScope plus the geometry of one Draw, the memory an hour
// of recording holds, and loading a log into the viewer.
#include "DataLogger.h"
#include "LogTable.h"
#include "Oscilloscope.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace kelvane;

namespace {
std::array<float, LiveValueCount> driveValues(int k)
{
    std::array<float, LiveValueCount> v {};
    v[lv::GasWorkTime] = 36000.0f + static_cast<float>(k / 14);
    v[lv::PetrolWorkTime] = 1200.0f;
    v[lv::Rpm] = 800.0f + 25.0f * static_cast<float>(k % 200);
    for (int c = 0; c < 8; ++c) {
        v[static_cast<std::size_t>(lv::InjPetrol1 + c)] = 2.5f + 0.001f * static_cast<float>(k % 1000);
        v[static_cast<std::size_t>(lv::InjGas1 + c)] = 3.1f + 0.002f * static_cast<float>(k % 500);
    }
    v[lv::TempReducer] = 64.0f;
    v[lv::TempGas] = 31.0f;
    v[lv::GasPressure] = 1.234f;
    v[lv::PresManifold] = 0.456f;
    v[lv::PresDiff] = 0.778f;
    v[lv::Level] = 2.44f;
    v[lv::Supply] = 13.18f;
    v[lv::Lambda] = 0.61f;
    return v;
}

// Resident memory of the process now, kB (VmRSS).
long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

struct InFolder {
    QTemporaryDir dir;
    QString old = QDir::currentPath();
    InFolder() { QDir::setCurrent(dir.path()); }
    ~InFolder() { QDir::setCurrent(old); }
};

void tickAll(DataLogger &log)
{
    for (int i = 0; i < LogColumnCount; ++i)
        log.setTicked(i, true);
}
} // namespace

// The row step of one decode with the default columns: formatting, the caption mark, and (every
// eighty rows or so) a write to the spill file.
static void BM_LoggerRowDefaultColumns(benchmark::State &state)
{
    InFolder folder;
    DataLogger log;
    log.start("bench");
    std::string caption = "Kelvane Sequential v.3.02+OBD";
    const auto values = driveValues(1234);
    for (auto _ : state)
        log.rowStep(values, caption);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    log.discard();
}
BENCHMARK(BM_LoggerRowDefaultColumns);

static void BM_LoggerRowAllColumns(benchmark::State &state)
{
    InFolder folder;
    DataLogger log;
    tickAll(log);
    log.start("bench");
    std::string caption = "Kelvane Sequential v.3.02+OBD";
    const auto values = driveValues(1234);
    for (auto _ : state)
        log.rowStep(values, caption);
    log.discard();
}
BENCHMARK(BM_LoggerRowAllColumns);

// FeedScope of four channels and the geometry of one Draw on an 800 x 235 chart with full rings.
static void BM_FeedScopeAndDraw(benchmark::State &state)
{
    OSCYLOSKOP scope(0xF0F0F0);
    LiveData live;
    ParameterImage image;
    image.setByte(img::RpmSet, 3);
    const TimeBases tb;
    ScopeSelection sel;
    sel.item = { scope::Rpm, scope::InjB1, scope::TempGas, scope::Lambda };
    const int width = static_cast<int>(state.range(0));
    int k = 0;
    auto feed = [&] {
        live.setU16(rec::RpmPeriod, static_cast<std::uint16_t>(4000 + (k * 37) % 20000));
        live.setU16(rec::InjPetrolRef, static_cast<std::uint16_t>(500 + (k * 13) % 3000));
        live.setU16(rec::TempGas, static_cast<std::uint16_t>(20 + k % 60));
        live.setU16(rec::LambdaRaw, static_cast<std::uint16_t>((k * 7) % 800));
        ++k;
        scope.FeedScope(sel, live, image, tb);
        return &scope.Draw(width, 235, width, '.');
    };
    for (int i = 0; i < ScopeSamples; ++i)
        feed();
    for (auto _ : state) {
        const ScopeFrame *f = feed();
        benchmark::DoNotOptimize(f->traces[3].points[width - 1]);
    }
}
BENCHMARK(BM_FeedScopeAndDraw)->Arg(800)->Arg(1600)->Arg(4096);

// One hour of rows (51429, every column) through the logger: what it holds in memory, how
// resident memory grows, and the file it writes. Compare the whole log kept as text.
static void BM_OneHourRecordingMemory(benchmark::State &state)
{
    const int rows = 3600 * 1000 / LogRowIntervalMs;
    for (auto _ : state) {
        InFolder folder;
        DataLogger log;
        tickAll(log);
        std::string caption = "Kelvane";
        const long before = residentKb();
        log.start("bench");
        std::size_t held = 0;
        for (int k = 0; k < rows; ++k) {
            log.rowStep(driveValues(k), caption);
            held = std::max(held, log.memoryCapacity());
        }
        const long after = residentKb();
        const LogResult r = log.stop();
        const qint64 fileBytes = QFileInfo(QString::fromStdString(r.path)).size();
        state.counters["rows"] = static_cast<double>(r.rows);
        state.counters["held_peak_B"] = static_cast<double>(held);
        state.counters["rss_growth_kB"] = static_cast<double>(after - before);
        state.counters["file_B"] = static_cast<double>(fileBytes);
    }
}
BENCHMARK(BM_OneHourRecordingMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_OneHourAsOneText(benchmark::State &state)
{
    const int rows = 3600 * 1000 / LogRowIntervalMs;
    const auto columns = logAllSelectableColumns();
    for (auto _ : state) {
        const long before = residentKb();
        std::string text = logHeader(columns);
        for (int k = 0; k < rows; ++k) {
            text += '\n';
            appendLogRow(text, 70LL * (k + 1), driveValues(k), columns);
        }
        const long after = residentKb();
        benchmark::DoNotOptimize(text.data());
        state.counters["held_B"] = static_cast<double>(text.capacity());
        state.counters["rss_growth_kB"] = static_cast<double>(after - before);
    }
}
BENCHMARK(BM_OneHourAsOneText)->Iterations(1)->Unit(benchmark::kMillisecond);

// Loading an hour of every column into the viewer.
static void BM_LoadOneHourLog(benchmark::State &state)
{
    const int rows = 3600 * 1000 / LogRowIntervalMs;
    const auto columns = logAllSelectableColumns();
    std::string text = logHeader(columns) + "\n";
    for (int k = 0; k < rows; ++k)
        text += logRow(70LL * (k + 1), driveValues(k), columns) + "\n";
    for (auto _ : state) {
        LogLoadResult r = parseLogTable(text);
        benchmark::DoNotOptimize(r.table.rowCount());
    }
    state.counters["MB"] = static_cast<double>(text.size()) / (1024 * 1024);
}
BENCHMARK(BM_LoadOneHourLog)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
