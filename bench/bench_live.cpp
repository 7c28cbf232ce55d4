// Reply validation and decode of one live record; the four unit conversions.
#include "Frames.h"
#include "LiveRecord.h"

#include <benchmark/benchmark.h>

using namespace kelvane;

namespace {
std::vector<std::uint8_t> liveReply()
{
    std::vector<std::uint8_t> r { 0x56, 0x05 };
    for (int i = 0; i < 192; ++i)
        r.push_back(static_cast<std::uint8_t>(i * 31 + 7));
    r.push_back(replyChecksum(r.data() + 2, 192));
    r.push_back(0xF0);
    return r;
}

ParameterImage sampleImage()
{
    ParameterImage image;
    image.setByte(img::RpmSet, 3);
    for (int k = 0; k < 8; ++k)
        image.setWordAt(img::RpmAxisWord + k, static_cast<std::uint16_t>(40000 - 4000 * k));
    for (int k = 0; k < 16; ++k)
        image.setWordAt(img::InjTimeAxisWord + k, static_cast<std::uint16_t>(500 + 300 * k));
    return image;
}
} // namespace

static void BM_LiveReplyValidateAndDecode(benchmark::State &state)
{
    const auto reply = liveReply();
    const ParameterImage image = sampleImage();
    const TimeBases tb;
    LiveData live;
    for (auto _ : state) {
        bool ok = acceptLiveReply(reply.data(), true, live);
        DecodeResult r = decodeLiveData(live, image, tb);
        bool moved = computeMapPoint(live, image);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(moved);
        benchmark::DoNotOptimize(live.LiveValues.data());
    }
}
BENCHMARK(BM_LiveReplyValidateAndDecode);

static void BM_TicksToMs(benchmark::State &state)
{
    const TimeBases tb;
    std::int32_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TicksToMs(t, 1, tb));
        t = (t + 37) & 0xFFFF;
    }
}
BENCHMARK(BM_TicksToMs);

static void BM_MsToTicks(benchmark::State &state)
{
    const TimeBases tb;
    float ms = 0.05f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MsToTicks(ms, 1, tb));
        ms = ms > 20 ? 0.05f : ms + 0.05f;
    }
}
BENCHMARK(BM_MsToTicks);

static void BM_TicksToRpm(benchmark::State &state)
{
    const TimeBases tb;
    std::uint32_t t = 1000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TicksToRpm(t, 3, 0, tb));
        t = t > 65000 ? 1000 : t + 97;
    }
}
BENCHMARK(BM_TicksToRpm);

static void BM_RpmToTicks(benchmark::State &state)
{
    const TimeBases tb;
    std::uint32_t rpm = 500;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RpmToTicks(rpm, 3, 0, tb));
        rpm = rpm > 8000 ? 500 : rpm + 25;
    }
}
BENCHMARK(BM_RpmToTicks);

BENCHMARK_MAIN();
