// The host side shared by the benchmarks that drive the whole plug-in through
// its entry point and record, at the rate and block size they all use.
#pragma once

#include "framework/vst2_abi.h"

namespace bench {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

// What a host does before the first block: open, rate, block size, resume,
// then Attack +5 (boost) and Sustain -5 (cut) typed in as a user would, so
// every stage of the engine runs.
vst2::AEffect* OpenEffect();

}  // namespace bench
