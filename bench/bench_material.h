// What the benchmarks of the whole plug-in play through it in every format,
// and the counters they report, so their figures compare frame for frame.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_host.h"

namespace kestrelon {

namespace bench {

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

// Items are stereo frames, so every format's rate reads per frame; with the
// time per frame and the real-time factor beside them.
inline void SetCounters(benchmark::State& state)
{
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    state.SetItemsProcessed(static_cast<int64_t>(frames));
    state.counters["s_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

}  // namespace bench

}  // namespace kestrelon
