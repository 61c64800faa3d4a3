// Test material and expectations for the end-to-end audio checks.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/hosted_effect.h"

namespace kestrelon {

namespace e2e {

using FloatChannels = std::vector<std::vector<float>>;
using DoubleChannels = std::vector<std::vector<double>>;

// Two channels of decaying tone bursts with a little noise, different on each
// channel, peaking above full scale so that the output limit is exercised.
// The same seed gives the same samples.
FloatChannels Bursts(int frames, std::uint32_t seed, int channels = 2);
DoubleChannels ToDouble(const FloatChannels& in);
FloatChannels Filled(int channels, int frames, float value);
DoubleChannels FilledDouble(int channels, int frames, double value);

// What the effect does at its default settings: the input delayed by delay
// frames (silence before it), limited to +-0.989.
std::vector<double> DelayedAndLimited(const std::vector<double>& in, int delay);

// Copies frames [first, first + count) of every channel.
template <typename T>
std::vector<std::vector<T>> Slice(const std::vector<std::vector<T>>& in, int first, int count)
{
    std::vector<std::vector<T>> out;
    for (const auto& channel : in)
        out.emplace_back(channel.begin() + first, channel.begin() + first + count);
    return out;
}

// Appends every channel of b to the same channel of a.
template <typename T>
void Append(std::vector<std::vector<T>>& a, const std::vector<std::vector<T>>& b)
{
    a.resize(b.size());
    for (std::size_t c = 0; c < b.size(); ++c)
        a[c].insert(a[c].end(), b[c].begin(), b[c].end());
}

// Runs in through the effect in consecutive calls of block frames (the last
// may be shorter) and returns what came out. The accumulating render starts
// from outputs holding base.
DoubleChannels RenderDouble(testhost::HostedEffect& fx, const DoubleChannels& in, int block);
FloatChannels RenderReplacing(testhost::HostedEffect& fx, const FloatChannels& in, int block);
FloatChannels RenderAccumulating(testhost::HostedEffect& fx, const FloatChannels& in, int block, float base);

// Index of the first frame whose sample differs bit for bit, or -1.
int FirstDifference(const std::vector<float>& a, const std::vector<float>& b);
int FirstDifference(const std::vector<double>& a, const std::vector<double>& b);

}  // namespace e2e

}  // namespace kestrelon
