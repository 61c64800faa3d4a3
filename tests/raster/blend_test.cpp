#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

#include "raster/hsv.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace {

// Blends one source pixel onto one destination pixel through BlitBitmap.
RasterPixel BlitOne(RasterPixel destination, RasterPixel source, float alpha, BlendMode mode)
{
    RasterMemBitmap dst(1, 1);
    RasterMemBitmap src(1, 1);
    dst.PixelData()[0] = destination;
    src.PixelData()[0] = source;
    BlitBitmap(&dst, &src, 0, 0, nullptr, alpha, mode);
    return dst.PixelData()[0];
}

struct BlendCase {
    BlendMode mode;
    float alpha;
    RasterPixel destination;
    RasterPixel source;
    RasterPixel expected;
};

// Expected pixels worked out independently of this code, from the blend formulas with
// truncating division (opacity 0.3 is weight 76).
TEST(BlendFormulas, EveryOperationWithAndWithoutSourceAlpha)
{
    const BlendCase cases[] = {
        {BlendMode::ModeAdd, 1.0f, 0x80102030, 0x80FF4000, 0xFFFF6030},
        {BlendMode::ModeAdd, 1.0f, 0x7F3A9CF0, 0xFF00FF7F, 0xFF3AFFFF},
        {BlendMode::ModeAdd, 0.5f, 0xFF64C832, 0xFF808080, 0xFFA4FF72},
        {BlendMode::ModeAdd, 0.5f, 0xFFFFFFFF, 0x40102030, 0xFFFFFFFF},
        {BlendMode::ModeAdd, 0.3f, 0x00000000, 0x00C0C0C0, 0x00393939},
        {BlendMode::ModeAdd | BlendMode::ModeUseSourceAlpha, 1.0f, 0x80102030, 0x80FF4000, 0xC0904030},
        {BlendMode::ModeAdd | BlendMode::ModeUseSourceAlpha, 1.0f, 0x7F3A9CF0, 0xFF00FF7F, 0xFF3AFFFF},
        {BlendMode::ModeAdd | BlendMode::ModeUseSourceAlpha, 0.5f, 0xFF64C832, 0xFF808080, 0xFFA4FF72},
        {BlendMode::ModeAdd | BlendMode::ModeUseSourceAlpha, 0.5f, 0xFFFFFFFF, 0x40102030, 0xFFFFFFFF},
        {BlendMode::ModeAdd | BlendMode::ModeUseSourceAlpha, 0.3f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeDodge, 1.0f, 0xFF64C832, 0xFF808080, 0xFFC8FF64},
        {BlendMode::ModeDodge, 1.0f, 0xFFFFFFFF, 0x40102030, 0xFFFFFFFF},
        {BlendMode::ModeDodge, 0.5f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeDodge, 0.3f, 0x80102030, 0x80FF4000, 0x96162230},
        {BlendMode::ModeDodge, 0.3f, 0x7F3A9CF0, 0xFF00FF7F, 0xB33ADCFF},
        {BlendMode::ModeDodge | BlendMode::ModeUseSourceAlpha, 1.0f, 0xFF64C832, 0xFF808080, 0xFFC8FF64},
        {BlendMode::ModeDodge | BlendMode::ModeUseSourceAlpha, 1.0f, 0xFFFFFFFF, 0x40102030, 0xFFFFFFFF},
        {BlendMode::ModeDodge | BlendMode::ModeUseSourceAlpha, 0.5f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeDodge | BlendMode::ModeUseSourceAlpha, 0.3f, 0x80102030, 0x80FF4000, 0x8A122130},
        {BlendMode::ModeDodge | BlendMode::ModeUseSourceAlpha, 0.3f, 0x7F3A9CF0, 0xFF00FF7F, 0xB33ADCFF},
        {BlendMode::ModeMultiply, 1.0f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeMultiply, 0.5f, 0x80102030, 0x80FF4000, 0x600F1418},
        {BlendMode::ModeMultiply, 0.5f, 0x7F3A9CF0, 0xFF00FF7F, 0x7E1D9BB3},
        {BlendMode::ModeMultiply, 0.3f, 0xFF64C832, 0xFF808080, 0xFE55AA2A},
        {BlendMode::ModeMultiply, 0.3f, 0xFFFFFFFF, 0x40102030, 0xC6B8BCC1},
        {BlendMode::ModeMultiply | BlendMode::ModeUseSourceAlpha, 1.0f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeMultiply | BlendMode::ModeUseSourceAlpha, 0.5f, 0x80102030, 0x80FF4000, 0x700F1A24},
        {BlendMode::ModeMultiply | BlendMode::ModeUseSourceAlpha, 0.5f, 0x7F3A9CF0, 0xFF00FF7F, 0x7E1D9BB3},
        {BlendMode::ModeMultiply | BlendMode::ModeUseSourceAlpha, 0.3f, 0xFF64C832, 0xFF808080, 0xFE55AA2A},
        {BlendMode::ModeMultiply | BlendMode::ModeUseSourceAlpha, 0.3f, 0xFFFFFFFF, 0x40102030, 0xF0EDEEEF},
        {BlendMode::ModeOverlay, 1.0f, 0x80102030, 0x80FF4000, 0x801E1209},
        {BlendMode::ModeOverlay, 1.0f, 0x7F3A9CF0, 0xFF00FF7F, 0xBE0DD8EF},
        {BlendMode::ModeOverlay, 0.5f, 0xFF64C832, 0xFF808080, 0xFF64C832},
        {BlendMode::ModeOverlay, 0.5f, 0xFFFFFFFF, 0x40102030, 0xFEFEFEFE},
        {BlendMode::ModeOverlay, 0.3f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeOverlay | BlendMode::ModeUseSourceAlpha, 1.0f, 0x80102030, 0x80FF4000, 0x8017181C},
        {BlendMode::ModeOverlay | BlendMode::ModeUseSourceAlpha, 1.0f, 0x7F3A9CF0, 0xFF00FF7F, 0xBE0DD8EF},
        {BlendMode::ModeOverlay | BlendMode::ModeUseSourceAlpha, 0.5f, 0xFF64C832, 0xFF808080, 0xFF64C832},
        {BlendMode::ModeOverlay | BlendMode::ModeUseSourceAlpha, 0.5f, 0xFFFFFFFF, 0x40102030, 0xFEFEFEFE},
        {BlendMode::ModeOverlay | BlendMode::ModeUseSourceAlpha, 0.3f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeHsvAdjust, 1.0f, 0xFF64C832, 0xFF808080, 0xFF63C832},
        {BlendMode::ModeHsvAdjust, 1.0f, 0xFFFFFFFF, 0x40102030, 0x405F5F5F},
        {BlendMode::ModeHsvAdjust, 0.5f, 0x00000000, 0x00C0C0C0, 0x003C3040},
        {BlendMode::ModeHsvAdjust, 0.3f, 0x80102030, 0x80FF4000, 0x80000000},
        {BlendMode::ModeHsvAdjust, 0.3f, 0x7F3A9CF0, 0xFF00FF7F, 0xFF00F08B},
        {BlendMode::ModeHsvAdjust | BlendMode::ModeUseSourceAlpha, 1.0f, 0xFF64C832, 0xFF808080, 0xFF63C832},
        {BlendMode::ModeHsvAdjust | BlendMode::ModeUseSourceAlpha, 1.0f, 0xFFFFFFFF, 0x40102030, 0x40D7D7D7},
        {BlendMode::ModeHsvAdjust | BlendMode::ModeUseSourceAlpha, 0.5f, 0x00000000, 0x00C0C0C0, 0x00000000},
        {BlendMode::ModeHsvAdjust | BlendMode::ModeUseSourceAlpha, 0.3f, 0x80102030, 0x80FF4000, 0x8004040A},
        {BlendMode::ModeHsvAdjust | BlendMode::ModeUseSourceAlpha, 0.3f, 0x7F3A9CF0, 0xFF00FF7F, 0xFF00F08B},
    };
    for (const BlendCase& c : cases) {
        EXPECT_EQ(BlitOne(c.destination, c.source, c.alpha, c.mode), c.expected)
            << std::hex << "mode " << ModeBits(c.mode) << " alpha " << c.alpha << " dst " << c.destination << " src "
            << c.source;
    }
}

TEST(BlendFormulas, DocumentedEdgeCases)
{
    // Add saturates per channel.
    EXPECT_EQ(BlitOne(0x10203040u, 0x80FF8040u, 1.0f, BlendMode::ModeAdd), 0x90FFB080u);
    EXPECT_EQ(BlitOne(0x10203040u, 0x80FF8040u, 0.5f, BlendMode::ModeAdd), 0x509F7060u);
    // Multiply by white at full weight still darkens by one step: 255 -> 254, 100 -> 99.
    EXPECT_EQ(BlitOne(0xFF64FF00u, 0xFFFFFFFFu, 1.0f, BlendMode::ModeMultiply), 0xFE63FE00u);
    EXPECT_EQ(BlitOne(0xC8C8C8C8u, 0x00000000u, 0.5f, BlendMode::ModeMultiply), 0x64646464u);
    // Dodge: t == 1 (s 255 at w 256) saturates; s 0 leaves the channel.
    EXPECT_EQ(BlitOne(0x64646464u, 0x00FF8000u, 1.0f, BlendMode::ModeDodge), 0x64FFC864u);
    EXPECT_EQ(BlitOne(0x00000000u, 0xFFFFFFFFu, 1.0f, BlendMode::ModeDodge), 0x00000000u);
    // Overlay with grey at full weight is neutral; black squares the channel (d * d / 256).
    EXPECT_EQ(BlitOne(0x64C80364u, 0x80808080u, 1.0f, BlendMode::ModeOverlay), 0x64C80364u);
    EXPECT_EQ(BlitOne(0x64C86464u, 0x00000000u, 1.0f, BlendMode::ModeOverlay), 0x279C2727u);
    // A clear source pixel at half opacity has weight (0 + 1) * 128 / 256 = 0: no change.
    EXPECT_EQ(BlitOne(0x12345678u, 0x00FFFFFFu, 0.5f, BlendMode::ModeUseSourceAlpha | BlendMode::ModeDodge),
              0x12345678u);
    // Add and multiply skip clear source pixels; overlay does not: at full opacity a clear
    // pixel still has weight 1, enough to move a channel by one.
    EXPECT_EQ(BlitOne(0x40404040u, 0x00FFFFFFu, 1.0f, BlendMode::ModeUseSourceAlpha | BlendMode::ModeAdd), 0x40404040u);
    EXPECT_EQ(BlitOne(0x40404040u, 0x00000000u, 1.0f, BlendMode::ModeUseSourceAlpha | BlendMode::ModeMultiply),
              0x40404040u);
    EXPECT_EQ(BlitOne(0x40404040u, 0x00FFFFFFu, 1.0f, BlendMode::ModeUseSourceAlpha | BlendMode::ModeOverlay),
              0x3F404040u);
}

TEST(BlendFormulas, UnknownOperationsDrawNothing)
{
    for (int bits : {6, 7, 0x42, 0xEF, 0x10006, 0x100EF}) {
        const BlendMode mode{bits};
        EXPECT_EQ(BlitOne(0x11223344u, 0xFFFFFFFFu, 1.0f, mode), 0x11223344u) << bits;
        EXPECT_EQ(BlitOne(0x11223344u, 0xFFFFFFFFu, 0.5f, mode), 0x11223344u) << bits;
    }
    // Bits other than the low byte and bit 16 are ignored.
    EXPECT_EQ(BlitOne(0x10203040u, 0x80FF8040u, 1.0f, BlendMode{0x7F000000} | BlendMode::ModeAdd), 0x90FFB080u);
}

TEST(HsvConversion, ReciprocalTable)
{
    using raster_detail::kReciprocals;
    EXPECT_EQ(kReciprocals[0], 0);
    EXPECT_EQ(kReciprocals[1], 65535);
    EXPECT_EQ(kReciprocals[2], 32767);
    EXPECT_EQ(kReciprocals[3], 21844);
    EXPECT_EQ(kReciprocals[7], 9361);
    EXPECT_EQ(kReciprocals[255], 256);
}

TEST(HsvConversion, SectorsAndTies)
{
    using raster_detail::PixelToHsv;
    const struct {
        int r, g, b, h, s, v;
    } cases[] = {
        {128, 128, 128, 256, 0, 128},  // grey lands at 256 with no saturation
        {0, 0, 0, 256, 0, 0},          {255, 0, 0, 0, 255, 255},     {0, 255, 0, 128, 255, 255},
        {0, 0, 255, 256, 255, 255},    {10, 200, 90, 154, 241, 200},  // green highest
        {200, 30, 120, 350, 216, 200},  // red highest, green lowest: counted back from 383
        {200, 120, 30, 33, 216, 200},  // red highest, blue lowest
        {30, 120, 200, 223, 216, 200},  // green above red, blue highest
        {120, 30, 200, 289, 216, 200},  // red above green, blue highest
        {200, 200, 100, 63, 127, 200},  // red equals green
    };
    for (const auto& c : cases) {
        const auto hsv = PixelToHsv(c.r, c.g, c.b);
        EXPECT_EQ(hsv.h, c.h) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(hsv.s, c.s) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(hsv.v, c.v) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(HsvConversion, BackToPixel)
{
    using raster_detail::HsvToPixel;
    EXPECT_EQ(HsvToPixel(256, 0, 128, 0x80), 0x80808080u);
    EXPECT_EQ(HsvToPixel(0, 255, 255, 255), 0xFFFF0000u);
    EXPECT_EQ(HsvToPixel(128, 255, 255, 255), 0xFF00FF00u);
    EXPECT_EQ(HsvToPixel(154, 241, 200, 7), 0x070BC858u);
    EXPECT_EQ(HsvToPixel(350, 216, 200, 255), 0xFFC81F78u);
    // Alpha is stored modulo 256: a weight of 256 standing in for alpha becomes 0.
    EXPECT_EQ(HsvToPixel(256, 0, 10, 256), 0x000A0A0Au);
}

// A neutral source (R = G = B = 128) changes no colour beyond the conversion's own rounding,
// at any weight, and its alpha replaces the destination's.
TEST(HsvConversion, NeutralAdjustKeepsColour)
{
    int worst = 0;
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 17) {
            for (int b = 0; b < 256; b += 13) {
                const RasterPixel d = 0x40000000u | static_cast<RasterPixel>(r << 16 | g << 8 | b);
                for (float alpha : {1.0f, 0.5f}) {
                    const RasterPixel out = BlitOne(d, 0xC8808080u, alpha, BlendMode::ModeHsvAdjust);
                    ASSERT_EQ(out >> 24, 0xC8u);
                    const int channels[3][2] = {
                        {r, int(out >> 16 & 255)}, {g, int(out >> 8 & 255)}, {b, int(out & 255)}};
                    for (const auto& c : channels)
                        worst = std::max(worst, std::abs(c[0] - c[1]));
                }
            }
        }
    }
    // The conversion's rounding costs at most a few steps (the worst over all colours is 5).
    EXPECT_LE(worst, 5);
    EXPECT_GT(worst, 0);
    EXPECT_EQ(BlitOne(0x4000EDE6u, 0xC8808080u, 1.0f, BlendMode::ModeHsvAdjust), 0xC801EDE1u);
    // Grey survives exactly.
    EXPECT_EQ(BlitOne(0x10646464u, 0xFF808080u, 1.0f, BlendMode::ModeHsvAdjust), 0xFF646464u);
}

TEST(HsvConversion, AdjustShiftsHueSaturationAndValue)
{
    // Pure red turned by a quarter of the hue circle (R 255: +190 of 384) lands past green.
    EXPECT_EQ(BlitOne(0xFFFF0000u, 0xFFFF8080u, 1.0f, BlendMode::ModeHsvAdjust), 0xFF00FFF7u);
    // Green 0 removes the saturation, blue 0 the value.
    EXPECT_EQ(BlitOne(0xFFFF0000u, 0xFF800080u, 1.0f, BlendMode::ModeHsvAdjust), 0xFFFFFFFFu);
    EXPECT_EQ(BlitOne(0xFFFF0000u, 0xFF808000u, 1.0f, BlendMode::ModeHsvAdjust), 0xFF000000u);
    // Half weight halves the shifts.
    EXPECT_EQ(BlitOne(0xFFFF0000u, 0xFF808000u, 0.5f, BlendMode::ModeHsvAdjust), 0xFF7F0000u);
}

}  // namespace

}  // namespace kestrelon
