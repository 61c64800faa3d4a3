#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace kestrelon {

// Deterministic stereo material for the engine tests: drum-like hits (noise
// bursts with fast decays) over sustained tones, so both the attack and the
// sustain detectors have work to do.
struct StereoSignal {
    std::vector<double> left;
    std::vector<double> right;
    size_t size() const { return left.size(); }
};

inline StereoSignal MakeMusicLikeSignal(size_t frames, double sampleRate, uint32_t seed = 1)
{
    StereoSignal s;
    s.left.resize(frames);
    s.right.resize(frames);
    uint32_t state = seed;
    auto noise = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    };
    const double kPi = 3.14159265358979323846;
    const size_t hitSpacing = static_cast<size_t>(sampleRate * 0.25);
    for (size_t i = 0; i < frames; ++i) {
        const double t = i / sampleRate;
        const size_t sinceHit = i % hitSpacing;
        const double hitEnv = std::exp(-static_cast<double>(sinceHit) / (sampleRate * 0.03));
        const double kick = std::sin(2.0 * kPi * 55.0 * sinceHit / sampleRate) * hitEnv;
        const double snap = noise() * hitEnv * ((i / hitSpacing) % 2 ? 0.6 : 0.2);
        const double tone = 0.25 * std::sin(2.0 * kPi * 220.0 * t) * (0.6 + 0.4 * std::sin(2.0 * kPi * 0.7 * t));
        s.left[i] = 0.5 * kick + snap + tone;
        s.right[i] = 0.5 * kick - 0.7 * snap + 0.8 * tone;
    }
    return s;
}

inline bool SameBits(double a, double b)
{
    return std::signbit(a) == std::signbit(b) && (a == b || (std::isnan(a) && std::isnan(b)));
}

}  // namespace kestrelon
