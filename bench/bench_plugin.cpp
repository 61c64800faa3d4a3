// Cost per frame of the whole plug-in as a host drives it: the exported entry
// point, the dispatcher's set-up calls, then processReplacing (float) and
// processDoubleReplacing at 44100 Hz in 512-frame blocks, with the attack and
// sustain stages both on. The counters give nanoseconds per stereo frame and
// the real-time factor.
#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_host.h"
#include "dsp/transient_engine.h"
#include "plugin/float_mode.h"

namespace kestrelon {

namespace {

using bench::kBlock;
using bench::kRate;
using bench::OpenEffect;

constexpr int kSignalFrames = 44100 * 4;

// Drum-like material: a kick every half second, noisy hats between, a tone.
template <typename Sample>
std::vector<std::vector<Sample>> Music()
{
    std::vector<std::vector<Sample>> s(2, std::vector<Sample>(kSignalFrames));
    uint32_t noise = 1;
    for (int i = 0; i < kSignalFrames; ++i) {
        const int kick = i % 22050;
        const int hat = i % 5512;
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
        const double v = 0.8 * std::exp(-kick / 2000.0) * std::sin(kick * 0.01) + 0.2 * std::exp(-hat / 300.0) * n +
                         0.05 * std::sin(i * 0.031);
        s[0][static_cast<std::size_t>(i)] = static_cast<Sample>(v);
        s[1][static_cast<std::size_t>(i)] = static_cast<Sample>(0.9 * v - 0.1 * n * std::exp(-hat / 300.0));
    }
    return s;
}

void SetCounters(benchmark::State& state)
{
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    state.SetItemsProcessed(static_cast<int64_t>(frames));
    state.counters["s_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

template <typename Sample>
void ProcessBlocks(benchmark::State& state)
{
    testhost::HostedEffect fx = OpenEffect();
    auto in = Music<Sample>();
    std::vector<std::vector<Sample>> out(2, std::vector<Sample>(kBlock));
    int pos = 0;
    for (auto _ : state) {
        bench::ProcessBlock(fx, in, pos, out);
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    SetCounters(state);
}

void BM_ProcessReplacingFloat(benchmark::State& state)
{
    ProcessBlocks<float>(state);
}

void BM_ProcessDoubleReplacing(benchmark::State& state)
{
    ProcessBlocks<double>(state);
}

// The engine's block step alone on the same material and settings, under
// the same processor modes: the floor the plug-in's own layers add to.
void BM_EngineAlone(benchmark::State& state)
{
    TransientEngine engine;
    engine.SetSampleRate(kRate);
    engine.SetSensitivity(std::pow(0.5, 3.431) * 990.0 + 10.0);
    engine.SetAttack(5.0, 1);
    engine.SetSustain(1.25, -1, 100.0);
    auto in = Music<double>();
    std::vector<std::vector<double>> out(2, std::vector<double>(kBlock));
    TransientEngine::GainPeaks peaks;
    int pos = 0;
    for (auto _ : state) {
        ScopedFlushDenormals modes;
        engine.ProcessBlock(in[0].data() + pos, in[1].data() + pos, out[0].data(), out[1].data(), kBlock, peaks);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    SetCounters(state);
}

}  // namespace

BENCHMARK(BM_EngineAlone)->MinTime(1.0);
BENCHMARK(BM_ProcessReplacingFloat)->MinTime(1.0);
BENCHMARK(BM_ProcessDoubleReplacing)->MinTime(1.0);

}  // namespace kestrelon

BENCHMARK_MAIN();
