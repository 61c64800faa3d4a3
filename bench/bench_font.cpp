// Text through the glyph cache, as the editor draws its readouts: a 12-character value in the
// readout style (Arial 16, white of alpha 100, centred) on the editor's surface, once every glyph
// is cached; and what a glyph costs the first time it is used. The baseline is the same readout
// drawn as a picture: a blit with source alpha of a 64 x 16 image.
//   build/linux/bench/bench_font

#include <cstdint>

#include <benchmark/benchmark.h>

#include "raster/font_platform.h"
#include "raster/raster_font.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace {

constexpr const char* kReadout = "Gain -10.5dB";  // 12 characters
constexpr std::int32_t kFormat = kTextNoClip | kTextCenter | kTextUseColorAlpha;
const TextRect kReadoutRect{58, 253, 122, 269};
// Every printable ASCII character once.
constexpr std::int32_t kPrintable = 95;

RasterFontHandle ReadoutFont()
{
    PlatformFontDescription description;
    description.face = "Arial";
    description.height = 16;
    return CreatePlatformFont(description);
}

void PaintSurface(RasterBitmap& surface)
{
    FillRectangle(&surface, 0, 0, surface.PixelWidth(), surface.PixelHeight(), 0xFF2A2E36u, 1.0f, BlendMode::ModeCopy);
}

void BM_ReadoutWarm(benchmark::State& state)
{
    RasterSysBitmap surface(340, 484);
    PaintSurface(surface);
    RasterCachedFont font;
    font.AttachFont(ReadoutFont(), kEditorFontFlags);
    font.SetForegroundColor(0x64FFFFFFu);
    TextRect rect = kReadoutRect;
    font.RenderText(&surface, kReadout, -1, rect, kFormat);  // fills the cache
    for (auto _ : state) {
        rect = kReadoutRect;
        benchmark::DoNotOptimize(font.RenderText(&surface, kReadout, -1, rect, kFormat));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReadoutWarm);

// The baseline: the same area drawn from a picture of it.
void BM_ReadoutAsPicture(benchmark::State& state)
{
    RasterSysBitmap surface(340, 484);
    PaintSurface(surface);
    RasterMemBitmap picture(64, 16);
    FillRectangle(&picture, 0, 0, 64, 16, 0x00000000u, 1.0f, BlendMode::ModeCopy);
    RasterCachedFont font;
    font.AttachFont(ReadoutFont(), kEditorFontFlags);
    font.SetForegroundColor(0xFFFFFFFFu);
    TextRect rect{0, 0, 64, 16};
    font.RenderText(&picture, kReadout, -1, rect, kTextNoClip | kTextCenter);
    for (auto _ : state) {
        BlitBitmap(&surface, &picture, kReadoutRect.left, kReadoutRect.top, nullptr, 1.0f,
                   BlendMode::ModeUseSourceAlpha);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReadoutAsPicture);

// Attaching the font again empties its cache; measuring then renders every character once.
void BM_GlyphFirstUse(benchmark::State& state)
{
    char text[kPrintable + 1] = {};
    for (std::int32_t i = 0; i < kPrintable; ++i)
        text[i] = static_cast<char>(32 + i);
    RasterCachedFont font;
    const RasterFontHandle handle = ReadoutFont();
    font.AttachFont(handle, FontFlags::FontPreferNative);
    for (auto _ : state) {
        font.AttachFont(handle, FontFlags::FontPreferNative);
        TextRect rect{0, 0, 0, 0};
        benchmark::DoNotOptimize(font.RenderText(nullptr, text, -1, rect, kTextCalcRect | kTextNoNative));
    }
    state.counters["glyphs"] = benchmark::Counter(kPrintable, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["per glyph"] =
        benchmark::Counter(kPrintable, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    DeletePlatformFont(handle);
}
BENCHMARK(BM_GlyphFirstUse);

}  // namespace

}  // namespace kestrelon

BENCHMARK_MAIN();
