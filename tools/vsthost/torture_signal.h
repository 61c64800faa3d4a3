// Audio for the torture command, one vector of doubles per channel: music-like
// material and the inputs no sane source produces.
#pragma once

#include <vector>

#include "tools/vsthost/torture.h"

namespace kestrelon {

namespace vsthost::torture {

using Signal = std::vector<std::vector<double>>;

// Decaying tone bursts of random pitch and level over a little noise, with
// peaks from about -20 dBFS up to just over full scale.
Signal Music(Rng& rng, int channels, int frames, double sampleRate);
Signal Silence(int channels, int frames);
Signal Constant(int channels, int frames, double value);
// +-1 with the given period in frames: the hardest thing to hold at a clip level.
Signal Square(int channels, int frames, int period);
// Music with every `every`-th sample of one channel replaced by `value`.
Signal Sprinkled(Rng& rng, int channels, int frames, double sampleRate, int every, double value);

// Mean square over every channel; 0 for no frames.
double Energy(const Signal& s);

}  // namespace vsthost::torture

}  // namespace kestrelon
