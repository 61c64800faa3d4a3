// Cost of the engine per stereo frame with both stages on, frame by frame
// (Process) and in blocks (ProcessBlock), on music-like material and on the
// long silence after a hit, where the followers decay into subnormal numbers
// unless the processor flushes them.
#include "dsp/transient_engine.h"

#include <time.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

namespace kestrelon {

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
        const double tone =
            0.2 * std::sin(2.0 * kPi * 196.0 * t) + 0.1 * std::sin(2.0 * kPi * 293.7 * t * (1.0 + 0.001 * std::sin(t)));
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

// The two ways the effect can drive the engine.
enum Path { kPerFrame = 0, kBlock = 1 };

constexpr size_t kBlockFrames = 512;

// What the effect does with the engine for a stretch of audio in 512-frame
// blocks: a noise offset per block, the processed frames into the output
// buffers and the peaks of the two gain changes for the meters.
void RunBlocks(TransientEngine& engine, Path path, const double* left, const double* right, double* outLeft,
               double* outRight, size_t frames, double noiseOffset, TransientEngine::GainPeaks& peaks)
{
    for (size_t start = 0; start < frames; start += kBlockFrames) {
        const size_t n = std::min(kBlockFrames, frames - start);
        engine.SetNoiseOffset(noiseOffset);
        if (path == kBlock) {
            engine.ProcessBlock(left + start, right + start, outLeft + start, outRight + start, static_cast<int32_t>(n),
                                peaks);
            continue;
        }
        for (size_t i = start; i < start + n; ++i) {
            engine.Process(left[i], right[i]);
            outLeft[i] = engine.outLeft;
            outRight[i] = engine.outRight;
            peaks.attack = std::max(peaks.attack, engine.attackGainChange);
            peaks.sustain = std::max(peaks.sustain, engine.sustainGainChange);
        }
    }
}

void Consume(std::vector<double>& outLeft, std::vector<double>& outRight, TransientEngine::GainPeaks& peaks)
{
    benchmark::DoNotOptimize(outLeft.data());
    benchmark::DoNotOptimize(outRight.data());
    benchmark::DoNotOptimize(peaks);
    benchmark::ClobberMemory();
}

// Four seconds of music, frame by frame (Process) or in blocks
// (ProcessBlock).
void BM_EngineMusic(benchmark::State& state)
{
    const Path path = static_cast<Path>(state.range(0));
    const Signal music = MakeMusic(static_cast<size_t>(kRate * 4));
    const size_t frames = music.left.size();
    std::vector<double> outLeft(frames), outRight(frames);
    auto engine = MakeEngine();
    TransientEngine::GainPeaks peaks;
    double total = 0.0;
    for (auto _ : state) {
        RunBlocks(*engine, path, music.left.data(), music.right.data(), outLeft.data(), outRight.data(), frames, 5e-10,
                  peaks);
        Consume(outLeft, outRight, peaks);
        total += static_cast<double>(frames);
    }
    SetFrameCounters(state, total);
}
BENCHMARK(BM_EngineMusic)->ArgName("block")->Arg(kPerFrame)->Arg(kBlock)->Unit(benchmark::kMillisecond);

// A loud hit, then silence with no noise offset. 150 s of silence are run
// before timing so that every follower (the slowest falls with a 200 ms peak
// release) has decayed to its subnormal floor, where the one-pole arithmetic
// keeps it for good; timing then covers further seconds of that silence.
void BM_EngineDecayingSilence(benchmark::State& state)
{
    const bool flush = state.range(0) != 0;
    const Path path = static_cast<Path>(state.range(1));
    const unsigned savedCsr = _mm_getcsr();
    if (flush)
        _mm_setcsr(savedCsr | kFlushToZero | kDenormalsAreZero);

    auto engine = MakeEngine();
    TransientEngine::GainPeaks peaks;
    const Signal hit = MakeMusic(static_cast<size_t>(kRate * 0.1));
    const size_t frames = static_cast<size_t>(kRate);
    const std::vector<double> silence(frames, 0.0);
    std::vector<double> outLeft(frames), outRight(frames);
    RunBlocks(*engine, path, hit.left.data(), hit.right.data(), outLeft.data(), outRight.data(), hit.left.size(), 0.0,
              peaks);
    for (int second = 0; second < 150; ++second)
        RunBlocks(*engine, path, silence.data(), silence.data(), outLeft.data(), outRight.data(), frames, 0.0, peaks);
    const bool subnormal = std::fpclassify(engine->GetMainEnvelope()) == FP_SUBNORMAL;

    double total = 0.0;
    for (auto _ : state) {
        RunBlocks(*engine, path, silence.data(), silence.data(), outLeft.data(), outRight.data(), frames, 0.0, peaks);
        Consume(outLeft, outRight, peaks);
        total += static_cast<double>(frames);
    }
    _mm_setcsr(savedCsr);
    SetFrameCounters(state, total);
    // 1 when the detector really was running on subnormal numbers.
    state.counters["subnormal"] = subnormal ? 1.0 : 0.0;
}
BENCHMARK(BM_EngineDecayingSilence)
    ->ArgNames({"ftz_daz", "block"})
    ->ArgsProduct({{0, 1}, {kPerFrame, kBlock}})
    ->Unit(benchmark::kMillisecond);

double ThreadCpuNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

// Both paths on the same music, alternately within every iteration, so that
// a machine shared with other work loads both alike: the per-frame and block
// CPU times per frame and their ratio.
void BM_EngineBlockSpeedup(benchmark::State& state)
{
    const Signal music = MakeMusic(static_cast<size_t>(kRate * 4));
    const size_t frames = music.left.size();
    std::vector<double> outLeft(frames), outRight(frames);
    auto perFrame = MakeEngine();
    auto block = MakeEngine();
    TransientEngine::GainPeaks peaks;
    double perFrameNs = 0.0;
    double blockNs = 0.0;
    for (auto _ : state) {
        const double t0 = ThreadCpuNanoseconds();
        RunBlocks(*perFrame, kPerFrame, music.left.data(), music.right.data(), outLeft.data(), outRight.data(), frames,
                  5e-10, peaks);
        Consume(outLeft, outRight, peaks);
        const double t1 = ThreadCpuNanoseconds();
        RunBlocks(*block, kBlock, music.left.data(), music.right.data(), outLeft.data(), outRight.data(), frames, 5e-10,
                  peaks);
        Consume(outLeft, outRight, peaks);
        const double t2 = ThreadCpuNanoseconds();
        perFrameNs += t1 - t0;
        blockNs += t2 - t1;
    }
    const double count = static_cast<double>(state.iterations()) * static_cast<double>(frames);
    state.counters["frame_ns"] = perFrameNs / count;
    state.counters["block_ns"] = blockNs / count;
    state.counters["speedup"] = perFrameNs / blockNs;
}
BENCHMARK(BM_EngineBlockSpeedup)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace kestrelon

BENCHMARK_MAIN();
