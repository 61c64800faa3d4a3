// What hostile input costs: the whole plug-in through its entry point on
// subnormal and non-finite input, each block timed right after a block of
// music on a twin instance, so that the ratio is not skewed by the load of a
// shared machine. A ratio above 1.5 means a host feeding a fade-out's last
// bits, or a broken upstream plug-in's NaN, could overrun its deadline.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_host.h"

namespace kestrelon {

namespace {

using bench::kBlock;
using bench::kRate;
using bench::OpenEffect;

constexpr int kSignalFrames = 44100 * 2;

enum class Input { kMusic, kSubnormal, kNaN, kInfinity };

// Music, or the hostile input. Subnormals are scaled music, so the sign and
// level change from sample to sample as in a real fade-out's tail.
template <typename Sample>
std::vector<std::vector<Sample>> Signal(Input kind)
{
    std::vector<std::vector<Sample>> s(2, std::vector<Sample>(kSignalFrames));
    const Sample smallest = std::numeric_limits<Sample>::min();  // the subnormals lie below it
    uint32_t noise = 1;
    for (int i = 0; i < kSignalFrames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
        const int kick = i % 22050;
        const double music = 0.8 * std::exp(-kick / 2000.0) * std::sin(kick * 0.01) + 0.1 * n;
        Sample v = static_cast<Sample>(music);
        switch (kind) {
        case Input::kMusic:
            break;
        case Input::kSubnormal:
            v = static_cast<Sample>(music * 0.9) * smallest;
            break;
        case Input::kNaN:
            v = std::numeric_limits<Sample>::quiet_NaN();
            break;
        case Input::kInfinity:
            v = (i & 1 ? 1 : -1) * std::numeric_limits<Sample>::infinity();
            break;
        }
        s[0][static_cast<std::size_t>(i)] = v;
        s[1][static_cast<std::size_t>(i)] = v;
    }
    return s;
}

// The iteration time is that of the hostile block; "vs_music" is its total
// time over that of the music blocks played alternately.
template <typename Sample>
void HostileAgainstMusic(benchmark::State& state, Input kind)
{
    testhost::HostedEffect reference = OpenEffect();
    testhost::HostedEffect fx = OpenEffect();
    auto music = Signal<Sample>(Input::kMusic);
    auto hostile = Signal<Sample>(kind);
    std::vector<std::vector<Sample>> out(2, std::vector<Sample>(kBlock));
    double musicSeconds = 0.0, hostileSeconds = 0.0;
    int pos = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        bench::ProcessBlock(reference, music, pos, out);
        const auto t1 = std::chrono::steady_clock::now();
        bench::ProcessBlock(fx, hostile, pos, out);
        const auto t2 = std::chrono::steady_clock::now();
        musicSeconds += std::chrono::duration<double>(t1 - t0).count();
        const double seconds = std::chrono::duration<double>(t2 - t1).count();
        hostileSeconds += seconds;
        state.SetIterationTime(seconds);
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    state.counters["s_per_frame"] = hostileSeconds / frames;
    state.counters["vs_music"] = musicSeconds > 0.0 ? hostileSeconds / musicSeconds : 0.0;
}

void BM_FloatSubnormalInput(benchmark::State& state)
{
    HostileAgainstMusic<float>(state, Input::kSubnormal);
}
void BM_DoubleSubnormalInput(benchmark::State& state)
{
    HostileAgainstMusic<double>(state, Input::kSubnormal);
}
void BM_FloatNaNInput(benchmark::State& state)
{
    HostileAgainstMusic<float>(state, Input::kNaN);
}
void BM_DoubleInfiniteInput(benchmark::State& state)
{
    HostileAgainstMusic<double>(state, Input::kInfinity);
}

}  // namespace

BENCHMARK(BM_FloatSubnormalInput)->UseManualTime()->MinTime(1.0);
BENCHMARK(BM_DoubleSubnormalInput)->UseManualTime()->MinTime(1.0);
BENCHMARK(BM_FloatNaNInput)->UseManualTime()->MinTime(1.0);
BENCHMARK(BM_DoubleInfiniteInput)->UseManualTime()->MinTime(1.0);

}  // namespace kestrelon

BENCHMARK_MAIN();
