#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "raster/raster_ops.h"
#include "tests/raster/raster_test_bitmap.h"

namespace kestrelon {

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

RasterPixel FillOne(RasterPixel destination, RasterPixel colour, float alpha, BlendMode mode)
{
    GuardedBitmap bitmap(1, 1, destination);
    FillRectangle(&bitmap, 0, 0, 1, 1, colour, alpha, mode);
    EXPECT_TRUE(bitmap.GuardIntact());
    return bitmap.At(0, 0);
}

TEST(FillRectangle, CopyFastPathsAndGeneralFormula)
{
    const struct {
        RasterPixel destination, colour;
        float alpha;
        BlendMode mode;
        RasterPixel expected;
    } cases[] = {
        // The editor's panel fill: opaque colour, source alpha, written exactly.
        {0x00000000u, 0xFF191919u, 1.0f, BlendMode::ModeUseSourceAlpha, 0xFF191919u},
        {0xFFFFFFFFu, 0xFF191919u, 1.0f, BlendMode::ModeUseSourceAlpha, 0xFF191919u},
        {0x12345678u, 0x00191919u, 1.0f, BlendMode::ModeUseSourceAlpha, 0x12345678u},  // clear colour: nothing
        {0x12345678u, 0x00ABCDEFu, 1.0f, BlendMode::ModeCopy, 0x00ABCDEFu},  // all four bytes, even alpha 0
        // Shift-and-mask thirds of the fast paths: fractions dropped per byte.
        {0x00000000u, 0xFFFFFFFFu, 0.5f, BlendMode::ModeCopy, 0x7F7F7F7Fu},
        {0x00000000u, 0xFFFFFFFFu, 0.25f, BlendMode::ModeCopy, 0x3F3F3F3Fu},
        {0xFFFFFFFFu, 0x00000000u, 0.25f, BlendMode::ModeCopy, 0xBEBEBEBEu},
        {0x00000000u, 0xFFFFFFFFu, 0.75f, BlendMode::ModeCopy, 0xBEBEBEBEu},
        {0xFFFFFFFFu, 0x00000000u, 0.75f, BlendMode::ModeCopy, 0x3F3F3F3Fu},
        // A colour alpha of 128 or 64 scales the opacity onto the same fast paths.
        {0x00000000u, 0x80FFFFFFu, 1.0f, BlendMode::ModeUseSourceAlpha, 0x407F7F7Fu},
        {0x00000000u, 0x40FFFFFFu, 1.0f, BlendMode::ModeUseSourceAlpha, 0x103F3F3Fu},
        // General path: the weight is the target alpha (76 here, for opacity 0.3).
        {0x00000000u, 0xFFFFFFFFu, 0.3f, BlendMode::ModeCopy, 0x174C4C4Cu},
        {0xFF102030u, 0x00FF8040u, 0.3f, BlendMode::ModeCopy, 0xC9573D35u},
        {0x80808080u, 0x12345678u, 0.999f, BlendMode::ModeCopy, 0xFF345678u},
        // Other operations: the colour's channels with A = w = weight.
        {0x10203040u, 0xFFFF8040u, 0.3f, BlendMode::ModeAdd, 0x266B5653u},
        {0xFF808080u, 0x000080FFu, 1.0f, BlendMode::ModeMultiply, 0xFF00407Fu},
        {0x20404040u, 0x00808080u, 0.5f, BlendMode::ModeDodge, 0x2A555555u},
        // Not operations of a fill.
        {0x12345678u, 0xFFFFFFFFu, 1.0f, BlendMode{6}, 0x12345678u},
        {0x12345678u, 0xFFFFFFFFu, 1.0f, BlendMode::ModeChannelCopy | BlendMode{3}, 0x12345678u},
        {0x12345678u, 0xFFFFFFFFu, 0.0f, BlendMode::ModeCopy, 0x12345678u},
        {0x12345678u, 0xFFFFFFFFu, 0.003f, BlendMode::ModeCopy, 0x12345678u},  // weight 0
        {0x12345678u, 0xFFFFFFFFu, std::numeric_limits<float>::quiet_NaN(), BlendMode::ModeCopy, 0x12345678u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FillOne(c.destination, c.colour, c.alpha, c.mode), c.expected)
            << std::hex << c.destination << " " << c.colour << " " << c.alpha << " " << ModeBits(c.mode);
    }
}

TEST(FillRectangle, ClipsToTheBitmapForAnyCoordinates)
{
    const struct {
        std::int32_t x, y, w, h;
        int filled;
    } cases[] = {
        {1, 1, 2, 3, 6},
        {-2, -1, 4, 3, 4},  // corner cut off on both sides
        {3, 3, 100, 100, 9},  // cut at right and bottom (6 x 6 bitmap)
        {-1, 0, 1, 6, 0},  // entirely left after clipping
        {6, 0, 1, 1, 0},
        {0, 6, 1, 1, 0},
        {0, 0, 0, 5, 0},
        {0, 0, 5, -1, 0},
        {kMin, kMin, kMax, kMax, 0},  // x + w would wrap to -1
        {-10, -10, kMax, kMax, 36},
        {kMax, kMax, kMax, kMax, 0},
        {kMax - 1, 0, 2, 6, 0},
        {2, kMin, 1, kMax, 0},
        {0, 0, kMax, kMax, 36},
        {kMin + 5, 0, kMax, 1, 4},  // kMin + 5 + kMax == 4: four columns are left
    };
    for (const auto& c : cases) {
        for (bool bottomUp : {false, true}) {
            GuardedBitmap bitmap(6, 6, 0, bottomUp);
            FillRectangle(&bitmap, c.x, c.y, c.w, c.h, 0xFF102030u, 1.0f, BlendMode::ModeCopy);
            EXPECT_EQ(bitmap.CountNot(0), c.filled) << c.x << "," << c.y << " " << c.w << "x" << c.h;
            EXPECT_TRUE(bitmap.GuardIntact());
        }
    }
    // The filled box is where it was asked for, top row first, whatever the storage order.
    for (bool bottomUp : {false, true}) {
        GuardedBitmap bitmap(4, 3, 0, bottomUp);
        FillRectangle(&bitmap, 1, 0, 2, 1, 0xFFFFFFFFu, 0.5f, BlendMode::ModeCopy);
        EXPECT_EQ(bitmap.At(1, 0), 0x7F7F7F7Fu);
        EXPECT_EQ(bitmap.At(2, 0), 0x7F7F7F7Fu);
        EXPECT_EQ(bitmap.CountNot(0), 2);
    }
}

TEST(FillRectangle, NullAndEmptyBitmapsAreIgnored)
{
    FillRectangle(nullptr, 0, 0, 4, 4, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    RasterMemBitmap empty;
    FillRectangle(&empty, 0, 0, 4, 4, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    EXPECT_EQ(empty.PixelData(), nullptr);
    RasterSysBitmap none;
    FillRectangle(&none, 0, 0, 4, 4, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    EXPECT_EQ(none.PixelData(), nullptr);
}

TEST(ClearBitmap, ZeroesEveryRowButNotThePadding)
{
    for (bool bottomUp : {false, true}) {
        GuardedBitmap bitmap(5, 3, 0xFFFFFFFFu, bottomUp);
        ClearBitmap(&bitmap);
        EXPECT_EQ(bitmap.CountNot(0), 0);
        EXPECT_TRUE(bitmap.GuardIntact());
    }
    RasterMemBitmap mem(7, 2);
    FillRectangle(&mem, 0, 0, 7, 2, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    ClearBitmap(&mem);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(mem.PixelData()[8 + i], 0u);
    ClearBitmap(nullptr);
    RasterMemBitmap empty;
    ClearBitmap(&empty);
}

}  // namespace

}  // namespace kestrelon
