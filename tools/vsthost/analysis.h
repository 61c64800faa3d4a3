// Measurements for the demo: level statistics of a file, and the data behind
// the plots of input against output with the gain change over time.
#pragma once

#include <vector>

namespace kestrelon {

namespace vsthost {

struct LevelStats {
    double peak = 0.0;  // largest magnitude, linear
    double rms = 0.0;  // over every sample of every channel, linear
};

LevelStats MeasureLevels(const std::vector<double>& interleaved);

// Decibels of a linear level; -inf for silence.
double ToDecibels(double linear);

struct PlotRow {
    double time = 0.0;  // seconds, at the bucket's start
    double inMin = 0.0, inMax = 0.0;
    double outMin = 0.0, outMax = 0.0;
    bool hasGain = false;  // false where the input is too quiet for a ratio
    double gainDb = 0.0;  // output level over input level
};

// One row per `bucket` frames: the waveform envelopes of the first channel and
// the gain change, from the RMS of all channels over a `window`-frame span
// centred on the bucket. The inputs must have the same length and channels.
std::vector<PlotRow> BuildPlotRows(const std::vector<double>& in, const std::vector<double>& out, int channels,
                                   int sampleRate, int bucket, int window);

}  // namespace vsthost

}  // namespace kestrelon
