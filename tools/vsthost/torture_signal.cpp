#include "tools/vsthost/torture_signal.h"

#include <cmath>

namespace kestrelon {

namespace vsthost::torture {

Signal Music(Rng& rng, int channels, int frames, double sampleRate)
{
    Signal s(static_cast<std::size_t>(channels), std::vector<double>(static_cast<std::size_t>(frames), 0.0));
    // A new burst every 20 to 120 ms, so even short blocks meet onsets.
    int next = 0;
    double freq = 200.0, level = 0.5, decay = 0.001;
    int start = 0;
    for (int i = 0; i < frames; ++i) {
        if (i == next) {
            start = i;
            freq = 60.0 + rng.Unit() * 2000.0;
            level = 0.1 + rng.Unit() * 1.0;
            decay = 20.0 / sampleRate + rng.Unit() * 200.0 / sampleRate;
            next = i + static_cast<int>(sampleRate * (0.02 + rng.Unit() * 0.1));
        }
        const double t = static_cast<double>(i - start);
        const double tone = level * std::exp(-t * decay) * std::sin(6.283185307179586 * freq * t / sampleRate);
        for (int c = 0; c < channels; ++c) {
            const double noise = (rng.Unit() - 0.5) * 0.01;
            s[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = tone * (c == 0 ? 1.0 : 0.8) + noise;
        }
    }
    return s;
}

Signal Silence(int channels, int frames)
{
    return Constant(channels, frames, 0.0);
}

Signal Constant(int channels, int frames, double value)
{
    return Signal(static_cast<std::size_t>(channels), std::vector<double>(static_cast<std::size_t>(frames), value));
}

Signal Square(int channels, int frames, int period)
{
    Signal s = Silence(channels, frames);
    for (auto& channel : s) {
        for (int i = 0; i < frames; ++i)
            channel[static_cast<std::size_t>(i)] = (i % period) < period / 2 ? 1.0 : -1.0;
    }
    return s;
}

Signal Sprinkled(Rng& rng, int channels, int frames, double sampleRate, int every, double value)
{
    Signal s = Music(rng, channels, frames, sampleRate);
    if (channels == 0)
        return s;
    for (int i = 0; i < frames; i += every)
        s[0][static_cast<std::size_t>(i)] = value;
    return s;
}

double Energy(const Signal& s)
{
    double sum = 0.0;
    std::size_t n = 0;
    for (const auto& channel : s) {
        for (double v : channel)
            sum += v * v;
        n += channel.size();
    }
    return n ? sum / static_cast<double>(n) : 0.0;
}

}  // namespace vsthost::torture

}  // namespace kestrelon
