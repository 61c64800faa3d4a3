#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "raster/raster_ops.h"
#include "tests/raster/raster_test_bitmap.h"

namespace kestrelon {

namespace {

const RasterPixel kInput[4][5] = {
    {0x9F767C45u, 0x4164D839u, 0xBDE5C099u, 0x5BC8FBBCu, 0xCB91CE37u},
    {0xB0C11FDEu, 0xF1446BEAu, 0xD76D4330u, 0xBD69FE29u, 0xA6EB8C9Eu},
    {0xEC1D7DA0u, 0x87B0B125u, 0x076CE2EFu, 0xD7210DFFu, 0x77330BDBu},
    {0xC6A53877u, 0xF17FD374u, 0x3FC1EA36u, 0xA6233255u, 0x0D464138u},
};

// The top-left 4 x 3 blurred, worked out independently: corners, edges and inner pixels each
// with their own weights, every term truncated per byte, all from unblurred neighbours. The
// region's own edges count as borders even where the bitmap goes on.
const RasterPixel kBlurred[4][5] = {
    {0x8B847B67u, 0x866DAD71u, 0xA6B2AA76u, 0x8BB7EC8Eu, 0xCB91CE37u},
    {0xC48247C5u, 0xC06971A1u, 0xB774816Au, 0xB86CAF56u, 0xA6EB8C9Eu},
    {0xC36A7190u, 0x9C799D7Du, 0x626B98A6u, 0x9B457DC4u, 0x77330BDBu},
    {0xC6A53877u, 0xF17FD374u, 0x3FC1EA36u, 0xA6233255u, 0x0D464138u},
};

TEST(BlurRegion, WeightsAtCornersEdgesAndInside)
{
    for (bool bottomUp : {false, true}) {
        GuardedBitmap bitmap(5, 4, 0, bottomUp);
        for (std::int32_t y = 0; y < 4; ++y)
            for (std::int32_t x = 0; x < 5; ++x)
                bitmap.At(x, y) = kInput[y][x];
        BlurRegion(&bitmap, 4, 3);
        for (std::int32_t y = 0; y < 4; ++y)
            for (std::int32_t x = 0; x < 5; ++x)
                EXPECT_EQ(bitmap.At(x, y), kBlurred[y][x]) << x << "," << y;
        EXPECT_TRUE(bitmap.GuardIntact());
    }
}

TEST(BlurRegion, TooSmallRegionsAndBitmapsAreLeftAlone)
{
    GuardedBitmap bitmap(5, 4);
    for (std::int32_t y = 0; y < 4; ++y)
        for (std::int32_t x = 0; x < 5; ++x)
            bitmap.At(x, y) = kInput[y][x];
    for (auto size : {std::pair{1, 4}, std::pair{5, 1}, std::pair{0, 0}, std::pair{-3, 100}}) {
        BlurRegion(&bitmap, size.first, size.second);
        for (std::int32_t y = 0; y < 4; ++y)
            for (std::int32_t x = 0; x < 5; ++x)
                ASSERT_EQ(bitmap.At(x, y), kInput[y][x]);
    }
    GuardedBitmap line(1, 5, 0x80808080u);
    BlurRegion(&line, 10, 10);  // limited to 1 wide: nothing
    EXPECT_EQ(line.CountNot(0x80808080u), 0);
    BlurRegion(nullptr, 4, 4);
    RasterMemBitmap empty;
    BlurRegion(&empty, 4, 4);
    EXPECT_TRUE(bitmap.GuardIntact());
}

// Regions wider than the stack rows (and sizes larger than the bitmap) give the same result
// as blurring from a full copy of the original.
TEST(BlurRegion, WideRegionsMatchACopyBasedBlur)
{
    auto half = [](RasterPixel p) { return (p >> 1) & 0x7F7F7F7Fu; };
    auto quarter = [](RasterPixel p) { return (p >> 2) & 0x3F3F3F3Fu; };
    auto eighth = [](RasterPixel p) { return (p >> 3) & 0x1F1F1F1Fu; };
    std::mt19937 random(7);
    for (std::int32_t width : {2, 3, 1024, 1025, 1500}) {
        const std::int32_t height = 4;
        GuardedBitmap bitmap(width, height);
        std::vector<RasterPixel> original;
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                original.push_back(bitmap.At(x, y) = random());
        auto at = [&](std::int32_t x, std::int32_t y) { return original[y * width + x]; };
        BlurRegion(&bitmap, width + 10, height + 10);
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const bool left = x > 0, right = x + 1 < width, up = y > 0, down = y + 1 < height;
                RasterPixel want = half(at(x, y));
                const RasterPixel horizontal =
                    left && right ? eighth(at(x - 1, y)) + eighth(at(x + 1, y)) : quarter(at(left ? x - 1 : x + 1, y));
                const RasterPixel vertical =
                    up && down ? eighth(at(x, y - 1)) + eighth(at(x, y + 1)) : quarter(at(x, up ? y - 1 : y + 1));
                want += horizontal + vertical;
                ASSERT_EQ(bitmap.At(x, y), want) << "width " << width << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(bitmap.GuardIntact());
    }
}

}  // namespace

}  // namespace kestrelon
