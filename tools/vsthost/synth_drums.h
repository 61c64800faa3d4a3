// A short drum loop made from nothing: kick, snare and hi-hats with their
// natural decays and a little room, so the demo and the tests have material
// with clear attacks and sustains without downloading anything.
#pragma once

#include <vector>

namespace kestrelon {

namespace vsthost {

// Interleaved stereo at `sampleRate`, `seconds` long (120 BPM, a two-bar
// pattern repeated), peaking at 0.7. The same arguments always give the same samples.
std::vector<double> SynthesizeDrumLoop(int sampleRate, double seconds);

}  // namespace vsthost

}  // namespace kestrelon
