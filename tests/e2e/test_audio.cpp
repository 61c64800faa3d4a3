#include "tests/e2e/test_audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace kestrelon {

namespace e2e {

FloatChannels Bursts(int frames, std::uint32_t seed, int channels)
{
    FloatChannels out(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    std::uint32_t state = seed * 2654435761u + 1u;
    const double pi = 3.14159265358979323846;
    for (int c = 0; c < channels; ++c) {
        const int period = 300 + 70 * c;  // onsets at different places on each channel
        const double pitch = 0.013 + 0.004 * c;
        for (int n = 0; n < frames; ++n) {
            state = state * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 0.02;
            const double envelope = 1.3 * std::exp(-static_cast<double>(n % period) / 45.0);
            out[static_cast<std::size_t>(c)][static_cast<std::size_t>(n)] =
                static_cast<float>(envelope * std::sin(2.0 * pi * pitch * n) + noise);
        }
    }
    return out;
}

DoubleChannels ToDouble(const FloatChannels& in)
{
    DoubleChannels out;
    for (const auto& channel : in)
        out.emplace_back(channel.begin(), channel.end());
    return out;
}

FloatChannels Filled(int channels, int frames, float value)
{
    return FloatChannels(static_cast<std::size_t>(channels),
                         std::vector<float>(static_cast<std::size_t>(frames), value));
}

DoubleChannels FilledDouble(int channels, int frames, double value)
{
    return DoubleChannels(static_cast<std::size_t>(channels),
                          std::vector<double>(static_cast<std::size_t>(frames), value));
}

std::vector<double> DelayedAndLimited(const std::vector<double>& in, int delay)
{
    std::vector<double> out(in.size(), 0.0);
    for (std::size_t n = static_cast<std::size_t>(delay); n < in.size(); ++n) {
        out[n] = std::clamp(in[n - static_cast<std::size_t>(delay)], -0.989, 0.989);
    }
    return out;
}

namespace {

enum class Path { kDouble, kReplacing, kAccumulating };

template <typename T>
std::vector<std::vector<T>> Render(testhost::HostedEffect& fx, const std::vector<std::vector<T>>& in, int block,
                                   Path path, T base)
{
    const int frames = static_cast<int>(in.empty() ? 0 : in[0].size());
    std::vector<std::vector<T>> out(in.size());
    for (int first = 0; first < frames; first += block) {
        const int count = std::min(block, frames - first);
        std::vector<std::vector<T>> slice = Slice(in, first, count);
        std::vector<std::vector<T>> result(in.size(), std::vector<T>(static_cast<std::size_t>(count), base));
        if constexpr (std::is_same_v<T, double>) {
            fx.ProcessDouble(slice, result, count);
        } else if (path == Path::kReplacing) {
            fx.ProcessReplacing(slice, result, count);
        } else {
            fx.ProcessAccumulating(slice, result, count);
        }
        Append(out, result);
    }
    return out;
}

template <typename T>
int FirstDifferenceOf(const std::vector<T>& a, const std::vector<T>& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0)
            return static_cast<int>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<int>(n);
}

}  // namespace

DoubleChannels RenderDouble(testhost::HostedEffect& fx, const DoubleChannels& in, int block)
{
    return Render(fx, in, block, Path::kDouble, 0.0);
}

FloatChannels RenderReplacing(testhost::HostedEffect& fx, const FloatChannels& in, int block)
{
    // Outputs start as garbage: replacing must overwrite every sample.
    return Render(fx, in, block, Path::kReplacing, 7.0f);
}

FloatChannels RenderAccumulating(testhost::HostedEffect& fx, const FloatChannels& in, int block, float base)
{
    return Render(fx, in, block, Path::kAccumulating, base);
}

int FirstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    return FirstDifferenceOf(a, b);
}
int FirstDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    return FirstDifferenceOf(a, b);
}

}  // namespace e2e

}  // namespace kestrelon
