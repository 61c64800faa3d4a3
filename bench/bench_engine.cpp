// Cost of TransientEngine::Process per stereo frame with both stages on, on
// music-like material and on the long silence after a hit, where the
// followers decay into subnormal numbers unless the processor flushes them.
#include "dsp/transient_engine.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr double kRate = 44100.0;
constexpr unsigned kFlushToZero = 0x8000;
constexpr unsigned kDenormalsAreZero = 0x0040;

// The effect's settings for Attack +5 (boost, depth 0.5^2 * 20) and
// Sustain -5 (cut, depth 0.5^2 * 5, 100 ms smoothing) at default sensitivity.
std::unique_ptr<TransientEngine> MakeEngine()
{
    auto engine = std::make_unique<TransientEngine>();
    engine->SetSampleRate(kRate);
    engine->SetSensitivity(101.79);
    engine->SetAttack(5.0, 1);
    engine->SetSustain(1.25, -1, 100.0);
    return engine;
}

// Four seconds of kick, snare-like noise bursts and a wavering tone.
struct Signal {
    std::vector<double> left, right;
};

Signal MakeMusic(size_t frames)
{
    Signal s;
    s.left.resize(frames);
    s.right.resize(frames);
    uint32_t seed = 99;
    const double kPi = 3.14159265358979323846;
    const size_t beat = static_cast<size_t>(kRate * 0.25);
    for (size_t i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        const double t = i / kRate;
        const size_t since = i % beat;
        const double env = std::exp(-static_cast<double>(since) / (kRate * 0.04));
        const double kick = std::sin(2.0 * kPi * (50.0 + 80.0 * env) * since / kRate) * env;
        const double snare = (i / beat) % 2 ? noise * env * 0.5 : 0.0;
        const double hat = noise * std::exp(-static_cast<double>(i % (beat / 2)) / (kRate * 0.005)) * 0.15;
        const double tone = 0.2 * std::sin(2.0 * kPi * 196.0 * t) + 0.1 * std::sin(2.0 * kPi * 293.7 * t * (1.0 + 0.001 * std::sin(t)));
        s.left[i] = 0.6 * kick + snare + hat + tone;
        s.right[i] = 0.6 * kick + 0.8 * snare - hat + 0.9 * tone;
    }
    return s;
}

void SetFrameCounters(benchmark::State& state, double frames)
{
    // Both per second of measured CPU time: inverted, frames give the time
    // per frame (printed as e.g. "11.2ns"); audio seconds per second is the
    // real-time factor at 44100 Hz (printed as e.g. "2.01k/s", i.e. 2010x).
    state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}

void BM_EngineMusic(benchmark::State& state)
{
    const Signal music = MakeMusic(static_cast<size_t>(kRate * 4));
    const size_t frames = music.left.size();
    std::vector<double> outLeft(frames), outRight(frames);
    auto engine = MakeEngine();
    double total = 0.0;
    for (auto _ : state) {
        for (size_t i = 0; i < frames; ++i) {
            if (i % 512 == 0)
                engine->SetNoiseOffset(5e-10);
            engine->Process(music.left[i], music.right[i]);
            outLeft[i] = engine->outLeft;
            outRight[i] = engine->outRight;
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
        total += static_cast<double>(frames);
    }
    SetFrameCounters(state, total);
}
BENCHMARK(BM_EngineMusic)->Unit(benchmark::kMillisecond);

// The same material through ProcessBlock in the effect's 512-frame blocks,
// with the effect's peak tracking of the two gain changes.
void BM_EngineMusicBlock(benchmark::State& state)
{
    const Signal music = MakeMusic(static_cast<size_t>(kRate * 4));
    const size_t frames = music.left.size();
    std::vector<double> outLeft(frames), outRight(frames);
    auto engine = MakeEngine();
    TransientEngine::GainPeaks peaks;
    double total = 0.0;
    for (auto _ : state) {
        for (size_t i = 0; i < frames; i += 512) {
            const int32_t n = static_cast<int32_t>(std::min<size_t>(512, frames - i));
            engine->SetNoiseOffset(5e-10);
            engine->ProcessBlock(&music.left[i], &music.right[i], &outLeft[i], &outRight[i], n, peaks);
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::DoNotOptimize(peaks);
        benchmark::ClobberMemory();
        total += static_cast<double>(frames);
    }
    SetFrameCounters(state, total);
}
BENCHMARK(BM_EngineMusicBlock)->Unit(benchmark::kMillisecond);

// A loud hit, then silence with no noise offset. 150 s of silence are run
// before timing so that every follower (the slowest falls with a 200 ms peak
// release) has decayed to its subnormal floor, where the one-pole arithmetic
// keeps it for good; timing then covers further seconds of that silence.
void BM_EngineDecayingSilence(benchmark::State& state)
{
    const bool flush = state.range(0) != 0;
    const unsigned savedCsr = _mm_getcsr();
    if (flush)
        _mm_setcsr(savedCsr | kFlushToZero | kDenormalsAreZero);

    auto engine = MakeEngine();
    engine->SetNoiseOffset(0.0);
    const Signal hit = MakeMusic(static_cast<size_t>(kRate * 0.1));
    for (size_t i = 0; i < hit.left.size(); ++i)
        engine->Process(hit.left[i], hit.right[i]);
    for (size_t i = 0; i < static_cast<size_t>(kRate * 150); ++i)
        engine->Process(0.0, 0.0);
    const bool subnormal = std::fpclassify(engine->GetMainEnvelope()) == FP_SUBNORMAL;

    const size_t block = static_cast<size_t>(kRate);
    std::vector<double> outLeft(block), outRight(block);
    double total = 0.0;
    for (auto _ : state) {
        for (size_t i = 0; i < block; ++i) {
            engine->Process(0.0, 0.0);
            outLeft[i] = engine->outLeft;
            outRight[i] = engine->outRight;
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
        total += static_cast<double>(block);
    }
    _mm_setcsr(savedCsr);
    SetFrameCounters(state, total);
    // 1 when the detector really was running on subnormal numbers.
    state.counters["subnormal"] = subnormal ? 1.0 : 0.0;
}
BENCHMARK(BM_EngineDecayingSilence)->ArgName("ftz_daz")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
