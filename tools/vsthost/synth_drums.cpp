#include "tools/vsthost/synth_drums.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestrelon {

namespace vsthost {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStepSeconds = 0.125;  // sixteenth notes at 120 BPM
constexpr double kPeak = 0.7;

// Its own generator, so the loop is identical on every platform and run.
class Noise {
public:
    double Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state = 0x9E3779B9u;
};

enum class Voice { Kick, Snare, ClosedHat, OpenHat };

struct Hit {
    int step;
    Voice voice;
    double gain;
};

// Two bars of sixteen steps.
const Hit kPattern[] = {
    {0, Voice::Kick, 1.0},        {8, Voice::Kick, 0.9},        {10, Voice::Kick, 0.7},
    {16, Voice::Kick, 1.0},       {19, Voice::Kick, 0.6},       {24, Voice::Kick, 0.9},
    {4, Voice::Snare, 0.9},       {12, Voice::Snare, 0.9},      {20, Voice::Snare, 0.9},
    {28, Voice::Snare, 1.0},      {31, Voice::Snare, 0.35},     {0, Voice::ClosedHat, 0.5},
    {2, Voice::ClosedHat, 0.35},  {4, Voice::ClosedHat, 0.5},   {6, Voice::ClosedHat, 0.35},
    {8, Voice::ClosedHat, 0.5},   {10, Voice::ClosedHat, 0.35}, {12, Voice::ClosedHat, 0.5},
    {14, Voice::OpenHat, 0.45},   {16, Voice::ClosedHat, 0.5},  {18, Voice::ClosedHat, 0.35},
    {20, Voice::ClosedHat, 0.5},  {22, Voice::ClosedHat, 0.35}, {24, Voice::ClosedHat, 0.5},
    {26, Voice::ClosedHat, 0.35}, {28, Voice::ClosedHat, 0.5},  {30, Voice::OpenHat, 0.45},
};
constexpr int kPatternSteps = 32;

// Adds one hit into the left and right accumulators.
void AddHit(Voice voice, double gain, std::size_t start, int rate, std::vector<double>& left,
            std::vector<double>& right, Noise& noise)
{
    const double seconds = voice == Voice::Kick      ? 0.9
                           : voice == Voice::Snare   ? 0.6
                           : voice == Voice::OpenHat ? 0.7
                                                     : 0.15;
    const std::size_t length =
        std::min(static_cast<std::size_t>(seconds * rate), left.size() - std::min(start, left.size()));
    double phase = 0.0;
    double lowPassed = 0.0;
    double previous = 0.0;
    const double pan = voice == Voice::ClosedHat || voice == Voice::OpenHat ? 0.62 : 0.5;
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        double s = 0.0;
        const double white = noise.Next();
        switch (voice) {
        case Voice::Kick: {
            // A sine falling from about 155 Hz to 45 Hz, with a short click on top.
            const double freq = 45.0 + 110.0 * std::exp(-t / 0.035);
            phase += 2.0 * kPi * freq / rate;
            s = std::sin(phase) * std::exp(-t / 0.28) + white * 0.3 * std::exp(-t / 0.003);
            break;
        }
        case Voice::Snare: {
            // Two drum-head partials and a rattle of high-passed noise with a longer tail.
            const double body = 0.6 * std::sin(2.0 * kPi * 185.0 * t) + 0.3 * std::sin(2.0 * kPi * 330.0 * t);
            const double rattle = white - previous;
            previous = white;
            s = body * std::exp(-t / 0.06) + 0.4 * rattle * std::exp(-t / 0.17);
            break;
        }
        case Voice::ClosedHat:
        case Voice::OpenHat: {
            // Bright noise: white noise minus its own low-passed copy.
            lowPassed += 0.35 * (white - lowPassed);
            s = (white - lowPassed) * std::exp(-t / (voice == Voice::OpenHat ? 0.22 : 0.022));
            break;
        }
        }
        left[start + i] += gain * s * (1.0 - pan) * 2.0;
        right[start + i] += gain * s * pan * 2.0;
    }
}

// A small room: parallel feedback combs and a series all-pass per side,
// with different lengths left and right so the tails are wide.
void AddRoom(std::vector<double>& channel, int rate, const double (&combMs)[4], double allpassMs, double mix)
{
    std::vector<double> wet(channel.size(), 0.0);
    for (double ms : combMs) {
        const std::size_t delay = static_cast<std::size_t>(ms * rate / 1000.0);
        std::vector<double> line(delay, 0.0);
        std::size_t pos = 0;
        double damp = 0.0;
        for (std::size_t i = 0; i < channel.size(); ++i) {
            const double out = line[pos];
            damp += 0.4 * (out - damp);
            line[pos] = channel[i] + damp * 0.78;
            pos = pos + 1 == delay ? 0 : pos + 1;
            wet[i] += out * 0.25;
        }
    }
    const std::size_t delay = static_cast<std::size_t>(allpassMs * rate / 1000.0);
    std::vector<double> line(delay, 0.0);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < channel.size(); ++i) {
        const double delayed = line[pos];
        const double input = wet[i];
        line[pos] = input + delayed * 0.5;
        pos = pos + 1 == delay ? 0 : pos + 1;
        channel[i] += mix * (delayed - 0.5 * input);
    }
}

}  // namespace

std::vector<double> SynthesizeDrumLoop(int sampleRate, double seconds)
{
    const auto frames = static_cast<std::size_t>(seconds * sampleRate);
    std::vector<double> left(frames, 0.0), right(frames, 0.0);
    Noise noise;
    const auto stepFrames = kStepSeconds * sampleRate;
    const int totalSteps = static_cast<int>(std::ceil(seconds / kStepSeconds));
    for (int bar = 0; bar * kPatternSteps < totalSteps; ++bar) {
        for (const Hit& hit : kPattern) {
            const int step = bar * kPatternSteps + hit.step;
            const auto start = static_cast<std::size_t>(step * stepFrames);
            if (start < frames)
                AddHit(hit.voice, hit.gain, start, sampleRate, left, right, noise);
        }
    }
    AddRoom(left, sampleRate, {29.7, 37.1, 41.1, 43.7}, 5.0, 0.35);
    AddRoom(right, sampleRate, {30.5, 35.9, 40.3, 45.1}, 5.3, 0.35);

    double peak = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    const double scale = peak > 0.0 ? kPeak / peak : 0.0;
    std::vector<double> interleaved(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        interleaved[2 * i] = left[i] * scale;
        interleaved[2 * i + 1] = right[i] * scale;
    }
    return interleaved;
}

}  // namespace vsthost

}  // namespace kestrelon
