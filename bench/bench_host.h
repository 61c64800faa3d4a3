// The host side shared by the benchmarks that drive the whole plug-in through
// its entry point and record, at the rate and block size they all use: the
// tests' hosted effect, made in-process through VSTPluginMain.
#pragma once

#include <vector>

#include <benchmark/benchmark.h>

#include "tests/support/hosted_effect.h"

namespace kestrelon {

namespace bench {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

// What a host does before the first block: open, rate, block size, resume,
// then Attack +5 (boost) and Sustain -5 (cut) typed in as a user would, so
// every stage of the engine runs. Closed when it goes.
testhost::HostedEffect OpenEffect();

// One kBlock-frame replacing call, float or double, reading the stereo
// material from frame pos and writing into out; kept from being optimised away.
template <typename Sample>
void ProcessBlock(testhost::HostedEffect& fx, std::vector<std::vector<Sample>>& in, int pos,
                  std::vector<std::vector<Sample>>& out)
{
    Sample* ins[2] = {in[0].data() + pos, in[1].data() + pos};
    Sample* outs[2] = {out[0].data(), out[1].data()};
    if constexpr (sizeof(Sample) == sizeof(float))
        fx.ProcessReplacing(ins, outs, kBlock);
    else
        fx.ProcessDouble(ins, outs, kBlock);
    benchmark::DoNotOptimize(out[0].data());
    benchmark::ClobberMemory();
}

}  // namespace bench

}  // namespace kestrelon
