#include "tools/vsthost/analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrelon {

namespace vsthost {
namespace {

// Below this input level (about -70 dBFS RMS) the ratio is mostly noise.
constexpr double kQuietRms = 3.16e-4;

// Running sums of squares per frame, so any window's RMS costs two reads.
std::vector<double> PrefixEnergy(const std::vector<double>& interleaved, int channels)
{
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    std::vector<double> prefix(frames + 1, 0.0);
    for (std::size_t i = 0; i < frames; ++i) {
        double e = 0.0;
        for (int c = 0; c < channels; ++c)
            e += interleaved[i * channels + c] * interleaved[i * channels + c];
        prefix[i + 1] = prefix[i] + e;
    }
    return prefix;
}

}  // namespace

LevelStats MeasureLevels(const std::vector<double>& interleaved)
{
    LevelStats stats;
    double energy = 0.0;
    for (double s : interleaved) {
        stats.peak = std::max(stats.peak, std::fabs(s));
        energy += s * s;
    }
    if (!interleaved.empty())
        stats.rms = std::sqrt(energy / static_cast<double>(interleaved.size()));
    return stats;
}

double ToDecibels(double linear)
{
    return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

std::vector<PlotRow> BuildPlotRows(const std::vector<double>& in, const std::vector<double>& out, int channels,
                                   int sampleRate, int bucket, int window)
{
    std::vector<PlotRow> rows;
    if (channels < 1 || bucket < 1 || in.size() != out.size())
        return rows;
    const std::size_t frames = in.size() / static_cast<std::size_t>(channels);
    const std::vector<double> inEnergy = PrefixEnergy(in, channels);
    const std::vector<double> outEnergy = PrefixEnergy(out, channels);
    const auto step = static_cast<std::size_t>(bucket);
    const auto half = static_cast<std::size_t>(window / 2);
    for (std::size_t start = 0; start < frames; start += step) {
        const std::size_t end = std::min(frames, start + step);
        PlotRow row;
        row.time = static_cast<double>(start) / sampleRate;
        row.inMin = row.inMax = in[start * channels];
        row.outMin = row.outMax = out[start * channels];
        for (std::size_t i = start; i < end; ++i) {
            row.inMin = std::min(row.inMin, in[i * channels]);
            row.inMax = std::max(row.inMax, in[i * channels]);
            row.outMin = std::min(row.outMin, out[i * channels]);
            row.outMax = std::max(row.outMax, out[i * channels]);
        }
        const std::size_t centre = (start + end) / 2;
        const std::size_t from = centre > half ? centre - half : 0;
        const std::size_t to = std::min(frames, centre + half + 1);
        const double count = static_cast<double>((to - from) * static_cast<std::size_t>(channels));
        const double inRms = std::sqrt((inEnergy[to] - inEnergy[from]) / count);
        const double outRms = std::sqrt((outEnergy[to] - outEnergy[from]) / count);
        if (inRms > kQuietRms && outRms > 0.0) {
            row.hasGain = true;
            row.gainDb = 20.0 * std::log10(outRms / inRms);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace vsthost

}  // namespace kestrelon
