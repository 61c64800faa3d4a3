// The CLAP plug-in in bench_plugin, beside the VST 2.4 paths on the same
// material, settings and block size: process with data32 and with data64 and
// no events, per frame, to read against processReplacing and
// processDoubleReplacing; the float block carrying 64 parameter events
// against the same block without; and the cost of a new instance.
#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_clap_host.h"
#include "bench/bench_host.h"
#include "bench/bench_material.h"

namespace kestrelon {

namespace {

using bench::kBlock;
using bench::kSignalFrames;
using bench::Music;
using bench::SetCounters;

constexpr clap::clap_id kAttack = 0;
// The Attack the set-up gives, and the two values the events swing between.
constexpr double kAttackSet = 5.0;
constexpr double kSwingLow = 4.0;
constexpr double kSwingHigh = 6.0;
// Enough blocks to take in the first kick's onset behind the look-ahead.
constexpr int kCheckBlocks = 16;

// Null when the CLAP plug-in renders exactly what the VST 2.4 one renders
// from the same material, and that is more than the input delayed by the
// look-ahead; otherwise what is wrong. A pass-through, or other work than
// the VST 2.4 path does, would make the ratio between them meaningless.
template <typename Sample>
const char* CheckSameWorkAsVST(std::vector<std::vector<Sample>>& in)
{
    bench::ClapEffect clap;
    if (clap.Failure())
        return clap.Failure();
    testhost::HostedEffect vst = bench::OpenEffect();
    const int latency = static_cast<int>(clap.Latency());
    if (latency <= 0)
        return "the CLAP plug-in reports no look-ahead";
    std::vector<std::vector<Sample>> outClap(2, std::vector<Sample>(kBlock));
    std::vector<std::vector<Sample>> outVst(2, std::vector<Sample>(kBlock));
    bool shaped = false;
    for (int b = 0; b < kCheckBlocks; ++b) {
        const int pos = b * kBlock;
        if (clap.Process(in, pos, outClap) != clap::CLAP_PROCESS_CONTINUE)
            return "the CLAP plug-in's process failed";
        bench::ProcessBlock(vst, in, pos, outVst);
        if (outClap != outVst)
            return "the CLAP output differs from the VST 2.4 output";
        for (std::size_t c = 0; c < 2; ++c)
            for (int i = 0; i < kBlock; ++i) {
                const int source = pos + i - latency;
                const Sample dry = source >= 0 ? in[c][static_cast<std::size_t>(source)] : Sample(0);
                shaped = shaped || std::abs(outClap[c][static_cast<std::size_t>(i)] - dry) > Sample(1e-3);
            }
    }
    return shaped ? nullptr : "the output is the input delayed: nothing was shaped";
}

// count value events for Attack spread evenly over the block, sorted by time,
// each a change from the one before: an even count ends on kSwingHigh, so the
// next block's first (kSwingLow) is a change too.
std::vector<clap::clap_event_param_value> AttackSwings(int count)
{
    std::vector<clap::clap_event_param_value> events;
    for (int i = 0; i < count; ++i) {
        const auto time = static_cast<std::uint32_t>(i * kBlock / count);
        events.push_back(bench::ClapEffect::ValueEvent(time, kAttack, i % 2 == 0 ? kSwingLow : kSwingHigh));
    }
    return events;
}

template <typename Sample>
void ProcessCLAP(benchmark::State& state, int eventCount)
{
    auto in = Music<Sample>();
    if (const char* fault = CheckSameWorkAsVST(in)) {
        state.SkipWithError(fault);
        return;
    }
    bench::ClapEffect fx;
    if (fx.Failure()) {
        state.SkipWithError(fx.Failure());
        return;
    }
    std::vector<std::vector<Sample>> out(2, std::vector<Sample>(kBlock));
    const std::vector<clap::clap_event_param_value> events = AttackSwings(eventCount);
    fx.SetEvents(events);
    // One block before the timing: the parameter must end it at the last
    // event's value, or the events were never applied.
    fx.Process(in, 0, out);
    if (fx.ParamValue(kAttack) != (events.empty() ? kAttackSet : events.back().value)) {
        state.SkipWithError("Attack is not at the block's last value");
        return;
    }
    int pos = kBlock;
    for (auto _ : state) {
        fx.Process(in, pos, out);
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    SetCounters(state);
}

void BM_CLAPProcessFloat(benchmark::State& state)
{
    ProcessCLAP<float>(state, static_cast<int>(state.range(0)));
}

void BM_CLAPProcessDouble(benchmark::State& state)
{
    ProcessCLAP<double>(state, 0);
}

// What a CLAP host pays for a new instance ready to play: the entry's init,
// the factory, create_plugin, init, activate, the two settings,
// start_processing, then the way back to the entry's deinit.
void BM_CreateInstanceCLAP(benchmark::State& state)
{
    for (auto _ : state) {
        bench::ClapEffect fx;
        if (fx.Failure()) {
            state.SkipWithError(fx.Failure());
            return;
        }
        benchmark::DoNotOptimize(&fx);
    }
}

}  // namespace

// events:0 against processReplacing; events:64 against events:0.
BENCHMARK(BM_CLAPProcessFloat)->ArgName("events")->Arg(0)->Arg(64)->MinTime(1.0);
BENCHMARK(BM_CLAPProcessDouble)->MinTime(1.0);
BENCHMARK(BM_CreateInstanceCLAP)->Unit(benchmark::kMicrosecond);

}  // namespace kestrelon
