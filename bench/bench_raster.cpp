// Raster throughput on the editor's own size (340 x 484): pictures drawn with their alpha,
// rectangle fills and lines. Rates are in pixels per second ("pixels" counter).

#include <cmath>
#include <cstdint>
#include <random>

#include <benchmark/benchmark.h>

#include "raster/raster_ops.h"

namespace kestrelon {

namespace {

constexpr std::int32_t kWidth = 340;
constexpr std::int32_t kHeight = 484;

// Like the editor's pictures: opaque discs with soft edges on a clear background, and a band
// of translucent shading.
void PaintPicture(RasterMemBitmap& bitmap)
{
    for (std::int32_t y = 0; y < kHeight; ++y) {
        RasterPixel* row = bitmap.PixelData() + static_cast<std::ptrdiff_t>(y) * bitmap.RowStride();
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const double dx = (x % 170) - 85.0;
            const double dy = (y % 121) - 60.0;
            const double edge = 55.0 - std::sqrt(dx * dx + dy * dy);
            int alpha = edge >= 2.0 ? 255 : (edge <= -2.0 ? 0 : static_cast<int>((edge + 2.0) * 63.75));
            if (y > 400 && y < 440)
                alpha = 60 + x % 120;
            const RasterPixel colour = static_cast<RasterPixel>((x * 3) & 255) << 16 |
                                       static_cast<RasterPixel>((y * 5) & 255) << 8 |
                                       static_cast<RasterPixel>((x + y) & 255);
            row[x] = static_cast<RasterPixel>(alpha) << 24 | colour;
        }
    }
}

// Worst case for the source-alpha blit: every pixel a different alpha.
void PaintNoise(RasterMemBitmap& bitmap)
{
    std::mt19937 random(1);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        RasterPixel* row = bitmap.PixelData() + static_cast<std::ptrdiff_t>(y) * bitmap.RowStride();
        for (std::int32_t x = 0; x < kWidth; ++x)
            row[x] = random();
    }
}

void PaintBackground(RasterMemBitmap& bitmap)
{
    FillRectangle(&bitmap, 0, 0, kWidth, kHeight, 0xFF303440u, 1.0f, BlendMode::ModeCopy);
}

void SetRate(benchmark::State& state, std::int64_t pixelsPerIteration)
{
    state.counters["pixels"] =
        benchmark::Counter(static_cast<double>(pixelsPerIteration), benchmark::Counter::kIsIterationInvariantRate);
}

void BlitSourceAlpha(benchmark::State& state, bool noise)
{
    const float alpha = static_cast<float>(state.range(0)) / 100.0f;
    RasterMemBitmap source(kWidth, kHeight);
    RasterMemBitmap target(kWidth, kHeight);
    if (noise) {
        PaintNoise(source);
    } else {
        PaintPicture(source);
    }
    PaintBackground(target);
    for (auto _ : state) {
        BlitBitmap(&target, &source, 0, 0, nullptr, alpha, BlendMode::ModeUseSourceAlpha);
        benchmark::ClobberMemory();
    }
    SetRate(state, std::int64_t{kWidth} * kHeight);
}

void BM_BlitSourceAlphaPicture(benchmark::State& state)
{
    BlitSourceAlpha(state, false);
}
void BM_BlitSourceAlphaNoise(benchmark::State& state)
{
    BlitSourceAlpha(state, true);
}
BENCHMARK(BM_BlitSourceAlphaPicture)->Arg(100)->Arg(50);
BENCHMARK(BM_BlitSourceAlphaNoise)->Arg(100)->Arg(50);

void BM_BlitCopy(benchmark::State& state)
{
    const float alpha = static_cast<float>(state.range(0)) / 100.0f;
    RasterMemBitmap source(kWidth, kHeight);
    RasterMemBitmap target(kWidth, kHeight);
    PaintPicture(source);
    PaintBackground(target);
    for (auto _ : state) {
        BlitBitmap(&target, &source, 0, 0, nullptr, alpha, BlendMode::ModeCopy);
        benchmark::ClobberMemory();
    }
    SetRate(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_BlitCopy)->Arg(100)->Arg(50)->Arg(30);

// Opacity in percent and the colour's alpha: 255 is the editor's panel fill (direct stores),
// 128 lands on the halving shortcut, 77 on the general formula.
void BM_FillRectangle(benchmark::State& state)
{
    const float alpha = static_cast<float>(state.range(0)) / 100.0f;
    const RasterPixel colour = static_cast<RasterPixel>(state.range(1)) << 24 | 0x191919u;
    RasterMemBitmap target(kWidth, kHeight);
    PaintBackground(target);
    for (auto _ : state) {
        FillRectangle(&target, 0, 0, kWidth, kHeight, colour, alpha, BlendMode::ModeUseSourceAlpha);
        benchmark::ClobberMemory();
    }
    SetRate(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_FillRectangle)->Args({100, 255})->Args({100, 128})->Args({100, 77})->Args({50, 255});

// A fan of lines across the surface in every direction; the rate counts pixels along the
// major axis (each step touches two or three pixels).
void BM_DrawLine(benchmark::State& state)
{
    const float alpha = static_cast<float>(state.range(0)) / 100.0f;
    RasterMemBitmap target(kWidth, kHeight);
    PaintBackground(target);
    std::int64_t steps = 0;
    for (std::int32_t i = 0; i < 64; ++i) {
        const std::int32_t x = i * (kWidth - 1) / 63;
        steps += std::max(std::abs(kWidth - 1 - 2 * x), kHeight - 1) + 1;
    }
    for (auto _ : state) {
        for (std::int32_t i = 0; i < 64; ++i) {
            const std::int32_t x = i * (kWidth - 1) / 63;
            DrawLine(&target, x, 0, kWidth - 1 - x, kHeight - 1, 0xFFFFFFFFu, alpha, BlendMode::ModeCopy);
        }
        benchmark::ClobberMemory();
    }
    SetRate(state, steps);
}
BENCHMARK(BM_DrawLine)->Arg(100)->Arg(50)->Arg(30);

}  // namespace

}  // namespace kestrelon

BENCHMARK_MAIN();
