#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "raster/raster_ops.h"
#include "tests/raster/raster_test_bitmap.h"

namespace kestrelon {

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Source pixel (x, y) = 0xFF000000 | y << 8 | x: every copied pixel says where it came from.
void NumberPixels(GuardedBitmap& bitmap)
{
    for (std::int32_t y = 0; y < bitmap.PixelHeight(); ++y)
        for (std::int32_t x = 0; x < bitmap.PixelWidth(); ++x)
            bitmap.At(x, y) = 0xFF000000u | y << 8 | x;
}

RasterPixel Numbered(std::int32_t x, std::int32_t y)
{
    return 0xFF000000u | y << 8 | x;
}

TEST(BlitBitmap, ClipsSourceAndDestination)
{
    GuardedBitmap source(6, 5);
    NumberPixels(source);
    const struct {
        std::int32_t destX, destY;
        bool hasRect;
        SourceRect rect;
        // Expected: destination (x, y) shows source (x - shiftX, y - shiftY) inside the box.
        std::int32_t left, top, right, bottom, shiftX, shiftY;
    } cases[] = {
        {0, 0, false, {}, 0, 0, 6, 5, 0, 0},
        {2, 1, false, {}, 2, 1, 8, 6, 2, 1},  // cut by the destination's right and bottom
        {-2, -3, false, {}, 0, 0, 4, 2, -2, -3},  // negative position shifts the source start
        {1, 1, true, {1, 1, 3, 4}, 1, 1, 3, 4, 0, 0},
        {1, 1, true, {-2, -1, 3, 2}, 3, 2, 6, 4, 3, 2},  // rectangle starting before the source
        {0, 0, true, {4, 3, 100, 100}, 0, 0, 2, 2, -4, -3},  // larger than the source: cut
    };
    for (const auto& c : cases) {
        GuardedBitmap dst(8, 6, 0x11111111u);
        BlitBitmap(&dst, &source, c.destX, c.destY, c.hasRect ? &c.rect : nullptr, 1.0f, BlendMode::ModeCopy);
        for (std::int32_t y = 0; y < 6; ++y) {
            for (std::int32_t x = 0; x < 8; ++x) {
                const bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                const RasterPixel want = inside ? Numbered(x - c.shiftX, y - c.shiftY) : 0x11111111u;
                ASSERT_EQ(dst.At(x, y), want) << "case at " << c.destX << "," << c.destY << " pixel " << x << "," << y;
            }
        }
        EXPECT_TRUE(dst.GuardIntact());
        EXPECT_TRUE(source.GuardIntact());
    }
}

TEST(BlitBitmap, DrawsNothingWhenThereIsNothingToDraw)
{
    GuardedBitmap source(4, 4, 0xFFFFFFFFu);
    GuardedBitmap dst(4, 4, 0x22222222u);
    RasterMemBitmap empty;
    const SourceRect outside = {10, 10, 20, 20};
    const SourceRect inverted = {3, 3, 1, 1};
    BlitBitmap(&dst, &source, 0, 0, nullptr, 0.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &source, 0, 0, nullptr, -0.0f, BlendMode::ModeAdd);
    BlitBitmap(&dst, nullptr, 0, 0, nullptr, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(nullptr, &source, 0, 0, nullptr, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &empty, 0, 0, nullptr, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&empty, &source, 0, 0, nullptr, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &source, 0, 0, &outside, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &source, 0, 0, &inverted, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &source, 4, 0, nullptr, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &source, 0, -4, nullptr, 1.0f, BlendMode::ModeCopy);
    BlitBitmap(&dst, &source, 0, 0, nullptr, 0.001f, BlendMode::ModeCopy);  // weight 0
    EXPECT_EQ(dst.CountNot(0x22222222u), 0);
    EXPECT_TRUE(dst.GuardIntact());
    EXPECT_EQ(empty.PixelData(), nullptr);
}

// Positions and rectangles near the int32 limits: x + w style arithmetic would wrap here.
TEST(BlitBitmap, FarOutCoordinatesNeverWriteOutside)
{
    GuardedBitmap source(5, 5, 0xFFABCDEFu);
    const std::int32_t far[] = {kMin, kMin + 1, -1000000000, -6, 6, 1000000000, kMax - 1, kMax};
    for (std::int32_t dx : far) {
        for (std::int32_t dy : {kMin, 0, kMax}) {
            GuardedBitmap dst(4, 4);
            BlitBitmap(&dst, &source, dx, dy, nullptr, 1.0f, BlendMode::ModeUseSourceAlpha);
            EXPECT_EQ(dst.CountNot(0), 0) << dx << "," << dy;
            EXPECT_TRUE(dst.GuardIntact());
        }
    }
    // A rectangle starting at kMin pushes the destination 2^31 pixels right: nothing is left.
    const SourceRect rects[] = {{kMin, kMin, kMax, kMax}, {kMin, 0, kMin + 2, 5}, {kMax - 1, 0, kMax, 5},
                                {-3, -3, kMax, kMax},     {0, 0, kMin, kMin},     {0, 0, kMax, kMax}};
    const int expectedDrawn[] = {0, 0, 0, 1, 0, 16};
    for (int i = 0; i < 6; ++i) {
        GuardedBitmap dst(4, 4);
        BlitBitmap(&dst, &source, 0, 0, &rects[i], 0.5f, BlendMode::ModeCopy);
        EXPECT_EQ(dst.CountNot(0), expectedDrawn[i]) << "rect " << i;
        EXPECT_TRUE(dst.GuardIntact());
        GuardedBitmap shifted(4, 4);
        BlitBitmap(&shifted, &source, kMax, kMax, &rects[i], 1.0f, BlendMode::ModeCopy);
        EXPECT_EQ(shifted.CountNot(0), 0);
        EXPECT_TRUE(shifted.GuardIntact());
    }
}

TEST(BlitBitmap, CopyFastPathsAndGeneralWeight)
{
    auto blitOne = [](RasterPixel d, RasterPixel s, float alpha, BlendMode mode) {
        GuardedBitmap dst(1, 1, d);
        GuardedBitmap src(1, 1, s);
        BlitBitmap(&dst, &src, 0, 0, nullptr, alpha, mode);
        return dst.At(0, 0);
    };
    EXPECT_EQ(blitOne(0x00000000u, 0x12345678u, 1.0f, BlendMode::ModeCopy), 0x12345678u);  // alpha byte too
    EXPECT_EQ(blitOne(0xFFFFFFFFu, 0x00000000u, 1.0f, BlendMode::ModeCopy), 0x00000000u);
    // Halves per byte, fractions dropped: 0x7F rather than 0x80.
    EXPECT_EQ(blitOne(0x00000000u, 0xFFFFFFFFu, 0.5f, BlendMode::ModeCopy), 0x7F7F7F7Fu);
    EXPECT_EQ(blitOne(0x03050709u, 0x01010101u, 0.5f, BlendMode::ModeCopy), 0x01020304u);
    // General weight 192: 255 + (0 - 255) * 64 / 256 truncates towards zero to 192.
    EXPECT_EQ(blitOne(0x00000000u, 0xFFFFFFFFu, 0.75f, BlendMode::ModeCopy), 0xC0C0C0C0u);
    EXPECT_EQ(blitOne(0xFFFFFFFFu, 0x00000000u, 0.75f, BlendMode::ModeCopy), 0x3F3F3F3Fu);
    // Opacities above 1 act as 1; NaN and negative ones draw nothing.
    EXPECT_EQ(blitOne(0x00000000u, 0x12345678u, 3.0f, BlendMode::ModeCopy), 0x12345678u);
    EXPECT_EQ(blitOne(0x40404040u, 0xFFFFFFFFu, 1e30f, BlendMode::ModeOverlay),
              blitOne(0x40404040u, 0xFFFFFFFFu, 1.0f, BlendMode::ModeOverlay));
    EXPECT_EQ(blitOne(0x40404040u, 0xFFFFFFFFu, -1.0f, BlendMode::ModeAdd), 0x40404040u);
    EXPECT_EQ(blitOne(0x40404040u, 0xFFFFFFFFu, std::numeric_limits<float>::quiet_NaN(), BlendMode::ModeAdd),
              0x40404040u);
}

TEST(BlitBitmap, SourceAlphaEdgeCases)
{
    auto blitOne = [](RasterPixel d, RasterPixel s, float alpha) {
        GuardedBitmap dst(1, 1, d);
        GuardedBitmap src(1, 1, s);
        BlitBitmap(&dst, &src, 0, 0, nullptr, alpha, BlendMode::ModeUseSourceAlpha);
        return dst.At(0, 0);
    };
    EXPECT_EQ(blitOne(0x12345678u, 0x00FFFFFFu, 1.0f), 0x12345678u);  // clear: untouched
    EXPECT_EQ(blitOne(0x12345678u, 0xFFABCDEFu, 1.0f), 0xFFABCDEFu);  // opaque: replaced
    EXPECT_EQ(blitOne(0xFF2080F0u, 0x80FF4010u, 1.0f), 0xFF915F7Fu);  // s + (d - s) * 127 / 256
    EXPECT_EQ(blitOne(0x00000000u, 0x80FFFFFFu, 1.0f), 0x80818181u);  // alphas add up
    EXPECT_EQ(blitOne(0x80000000u, 0xC0FFFFFFu, 1.0f), 0xFFC1C1C1u);  // and saturate
    EXPECT_EQ(blitOne(0xFF2080F0u, 0x80FF4010u, 0.5f), 0xFF5870B8u);  // a = (128 + 1) * 128 / 256
    EXPECT_EQ(blitOne(0x102080F0u, 0xFFFF4010u, 0.5f), 0x90906080u);
    EXPECT_EQ(blitOne(0x102080F0u, 0x01FF4010u, 0.5f), 0x11217FEFu);
    EXPECT_EQ(blitOne(0x102080F0u, 0x00FF4010u, 0.5f), 0x102080F0u);
}

TEST(BlitBitmap, ChannelCopyMovesOneByte)
{
    const struct {
        BlendMode mode;
        RasterPixel expected;
    } cases[] = {
        {BlendMode{0xF3}, (0x11223344u & 0xFFFFFF00u) | 0xAAu},  // source alpha into destination blue
        {BlendMode{0xFE}, (0x11223344u & 0x00FFFFFFu) | 0xBB000000u},  // source red into destination alpha
        {BlendMode{0xF5}, (0x11223344u & 0xFFFF00FFu) | 0xDD00u},  // green into green
        {BlendMode{0x100F0}, (0x11223344u & 0xFFFFFF00u) | 0xDDu},  // blue into blue, flag ignored
    };
    for (const auto& c : cases) {
        GuardedBitmap dst(3, 2, 0x11223344u);
        GuardedBitmap src(3, 2, 0xAABBCCDDu);
        src.At(1, 1) = 0xAABBDDDDu;  // green sample differs from blue only here
        BlitBitmap(&dst, &src, 0, 0, nullptr, 0.3f, c.mode);
        EXPECT_EQ(dst.At(0, 0), ModeBits(c.mode) == 0xF5 ? ((0x11223344u & 0xFFFF00FFu) | 0xCC00u) : c.expected)
            << ModeBits(c.mode);
        EXPECT_EQ(dst.At(1, 1), c.expected) << ModeBits(c.mode);
        EXPECT_TRUE(dst.GuardIntact());
    }
}

TEST(BlitBitmap, HonoursBottomUpStorageOnBothSides)
{
    for (bool sourceBottomUp : {false, true}) {
        for (bool destBottomUp : {false, true}) {
            GuardedBitmap source(4, 3, 0, sourceBottomUp);
            NumberPixels(source);
            GuardedBitmap dst(5, 5, 0, destBottomUp);
            const SourceRect rect = {1, 1, 4, 3};
            BlitBitmap(&dst, &source, 2, 3, &rect, 1.0f, BlendMode::ModeUseSourceAlpha);
            for (std::int32_t y = 0; y < 5; ++y) {
                for (std::int32_t x = 0; x < 5; ++x) {
                    const bool inside = x >= 2 && y >= 3;
                    EXPECT_EQ(dst.At(x, y), inside ? Numbered(x - 1, y - 2) : 0u)
                        << sourceBottomUp << destBottomUp << " at " << x << "," << y;
                }
            }
            EXPECT_TRUE(dst.GuardIntact());
        }
    }
}

// The vectorised rows must match the per-pixel formulas exactly, for every row length
// (vector bodies and scalar tails), unaligned starts, and runs of clear and opaque pixels.
TEST(BlitBitmap, VectorRowsMatchPerPixelFormulas)
{
    auto towards = [](int d, int s, int keep) { return s + (d - s) * keep / 256; };
    auto channel = [](RasterPixel p, int shift) { return static_cast<int>(p >> shift & 0xFF); };
    auto reference = [&](RasterPixel d, RasterPixel s, int ia, BlendMode mode) -> RasterPixel {
        const int sa = channel(s, 24);
        int a;
        int keep;
        if (mode == BlendMode::ModeCopy) {
            keep = 256 - ia;
            a = towards(channel(d, 24), sa, keep);
        } else {
            if (sa == 0)
                return d;
            const int w = ia == 256 ? sa : (sa + 1) * ia / 256;
            keep = ia == 256 ? 255 - sa : 256 - w;
            a = std::min(channel(d, 24) + w, 255);
        }
        return static_cast<RasterPixel>(a) << 24 |
               static_cast<RasterPixel>(towards(channel(d, 16), channel(s, 16), keep)) << 16 |
               static_cast<RasterPixel>(towards(channel(d, 8), channel(s, 8), keep)) << 8 |
               static_cast<RasterPixel>(towards(channel(d, 0), channel(s, 0), keep));
    };

    std::mt19937 random(1234);
    const struct {
        BlendMode mode;
        float alpha;
        int ia;
    } settings[] = {{BlendMode::ModeUseSourceAlpha, 1.0f, 256},
                    {BlendMode::ModeUseSourceAlpha, 0.5f, 128},
                    {BlendMode::ModeUseSourceAlpha, 0.3f, 76},
                    {BlendMode::ModeUseSourceAlpha, 0.999f, 255},
                    {BlendMode::ModeCopy, 0.3f, 76},
                    {BlendMode::ModeCopy, 0.999f, 255},
                    {BlendMode::ModeCopy, 0.004f, 1}};
    for (std::int32_t width = 1; width <= 21; ++width) {
        for (const auto& setting : settings) {
            GuardedBitmap src(width, 3);
            GuardedBitmap dst(width + 3, 3);
            std::vector<RasterPixel> before;
            for (std::int32_t y = 0; y < 3; ++y) {
                for (std::int32_t x = 0; x < width; ++x) {
                    RasterPixel p = random();
                    // Rows of whole clear and whole opaque groups, and mixed ones.
                    if (y == 0)
                        p = (x / 4) % 2 ? (p | 0xFF000000u) : (p & 0x00FFFFFFu);
                    if (y == 1 && x % 3 == 0)
                        p &= 0x00FFFFFFu;
                    if (y == 1 && x % 3 == 1)
                        p |= 0xFF000000u;
                    src.At(x, y) = p;
                }
                for (std::int32_t x = 0; x < width + 3; ++x)
                    dst.At(x, y) = random();
            }
            for (std::int32_t y = 0; y < 3; ++y)
                for (std::int32_t x = 0; x < width; ++x)
                    before.push_back(dst.At(x + 3, y));
            BlitBitmap(&dst, &src, 3, 0, nullptr, setting.alpha, setting.mode);
            for (std::int32_t y = 0; y < 3; ++y) {
                for (std::int32_t x = 0; x < width; ++x) {
                    const RasterPixel want = reference(before[y * width + x], src.At(x, y), setting.ia, setting.mode);
                    ASSERT_EQ(dst.At(x + 3, y), want) << "width " << width << " mode " << ModeBits(setting.mode)
                                                      << " alpha " << setting.alpha << " at " << x << "," << y;
                }
            }
            ASSERT_TRUE(dst.GuardIntact());
        }
    }
}

}  // namespace

}  // namespace kestrelon
