// Decoding the editor's largest images: knob film strips of 101 frames, 134 x 134 each, stacked
// into one 134 x 13534 RGBA PNG, from memory as the resource loader does. Each strip is written
// once with libpng's default compression.

#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/support/png_test_image.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace kestrelon {

namespace {

constexpr int kFrameSize = 134;
constexpr int kFrames = 101;
constexpr double kPi = 3.14159265358979;

struct Rgba {
    double r, g, b, a;  // 0..255 colour, 0..1 alpha
};

// Straight-alpha "over" of one layer onto what is below.
Rgba Over(Rgba below, Rgba layer)
{
    const double a = layer.a + below.a * (1.0 - layer.a);
    if (a <= 0.0)
        return {0, 0, 0, 0};
    const auto mix = [&](double top, double bottom) {
        return (top * layer.a + bottom * below.a * (1.0 - layer.a)) / a;
    };
    return {mix(layer.r, below.r), mix(layer.g, below.g), mix(layer.b, below.b), a};
}

// Coverage of a pixel by a band of the given half width around a distance of 0.
double Band(double distance, double halfWidth)
{
    return std::clamp(halfWidth + 0.5 - std::abs(distance), 0.0, 1.0);
}

PngTestImage MakeStrip(Rgba (*pixel)(int frame, double dx, double dy, std::uint32_t& random))
{
    PngTestImage image;
    image.width = kFrameSize;
    image.height = kFrameSize * kFrames;
    image.colourType = 6;
    image.bitDepth = 8;
    image.samples.reserve(static_cast<std::size_t>(image.width) * image.height * 4);
    const double centre = (kFrameSize - 1) / 2.0;
    std::uint32_t random = 12345;
    for (int frame = 0; frame < kFrames; ++frame) {
        for (int y = 0; y < kFrameSize; ++y) {
            for (int x = 0; x < kFrameSize; ++x) {
                const Rgba p = pixel(frame, x - centre, y - centre, random);
                for (double v : {p.r, p.g, p.b, p.a * 255.0})
                    image.samples.push_back(static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0, 255.0))));
            }
        }
    }
    return image;
}

// As the editor's knobs are drawn: transparent but for a white arc over the knob's track, from
// the top centre to the left below the middle frame and to the right above it, and a small grey
// icon in the centre that changes with the frame.
Rgba KnobFramePixel(int frame, double dx, double dy, std::uint32_t&)
{
    Rgba p{0, 0, 0, 0};
    const double value = (frame - (kFrames - 1) / 2.0) / ((kFrames - 1) / 2.0);  // -1..1
    const double distance = std::hypot(dx, dy);
    const double angle = std::atan2(dx, -dy);  // 0 at the top, positive to the right
    const double reach = value * 0.75 * kPi;
    const bool onArc = value < 0 ? (angle <= 0 && angle >= reach) : (angle >= 0 && angle <= reach);
    if (onArc)
        p = Over(p, {255, 255, 255, Band(distance - 58.0, 2.5)});
    // Icon: a transient-like pulse whose height follows the frame.
    if (std::abs(dx) < 18 && std::abs(dy) < 14) {
        const double height = 4.0 + 8.0 * (frame / static_cast<double>(kFrames - 1));
        const double curve = -height * std::exp(-std::abs(dx + 6.0) / 5.0);
        p = Over(p, {150, 150, 150, Band(dy - curve, 1.0)});
    }
    return p;
}

// A worst case for comparison: a shaded metal knob with a brushed grain on every body pixel, a
// soft shadow and a turning pointer. The grain is what makes it compress, and decode, hard.
Rgba TexturedFramePixel(int frame, double dx, double dy, std::uint32_t& random)
{
    const double radius = 52.0;
    const double angle = (-135.0 + 270.0 * frame / (kFrames - 1)) * kPi / 180.0;
    const double px = std::sin(angle), py = -std::cos(angle);
    const double distance = std::hypot(dx, dy);
    random = random * 1664525u + 1013904223u;
    const double grain = 16.0 * (static_cast<double>(random >> 16) / 65535.0 - 0.5);
    Rgba p{0, 0, 0, std::clamp((radius + 8.0 - std::hypot(dx - 3.0, dy - 5.0)) / 10.0, 0.0, 1.0) * 0.45};
    const double coverage = std::clamp(radius + 0.5 - distance, 0.0, 1.0);
    if (coverage > 0) {
        double shade = std::clamp(
            (0.55 - 0.35 * (dx + dy) / (2.0 * radius) + 0.1 * std::cos(distance / 4.0)) * 200.0 + grain, 0.0, 255.0);
        const double along = dx * px + dy * py;
        if (along > 10 && along < radius - 6)
            shade += (235.0 - shade) * Band(dx * py - dy * px, 2.0);
        shade += (250.0 - shade) * Band(distance - (radius - 2.0), 1.0) * 0.6;
        p = Over(p, {shade, shade * 0.96, shade * 0.9, coverage});
    }
    return p;
}

void DecodeStrip(benchmark::State& state, const std::vector<std::uint8_t>& file)
{
    if (file.empty()) {
        state.SkipWithError("the film strip could not be encoded");
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<RasterMemBitmap> bitmap(LoadPngFromMemory(file.data(), static_cast<std::int32_t>(file.size())));
        if (bitmap == nullptr) {
            state.SkipWithError("the film strip did not decode");
            return;
        }
        benchmark::DoNotOptimize(bitmap->PixelData());
    }
    state.counters["file_kB"] = static_cast<double>(file.size()) / 1000.0;
    state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(kFrameSize) * kFrameSize * kFrames / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeKnobStrip(benchmark::State& state)
{
    static const std::vector<std::uint8_t> file = EncodePng(MakeStrip(KnobFramePixel));
    DecodeStrip(state, file);
}
BENCHMARK(BM_DecodeKnobStrip)->Unit(benchmark::kMillisecond);

void BM_DecodeTexturedStrip(benchmark::State& state)
{
    static const std::vector<std::uint8_t> file = EncodePng(MakeStrip(TexturedFramePixel));
    DecodeStrip(state, file);
}
BENCHMARK(BM_DecodeTexturedStrip)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace kestrelon

BENCHMARK_MAIN();
