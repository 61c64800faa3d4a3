#include <cstdint>
#include <limits>
#include <utility>

#include <gtest/gtest.h>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

bool Aligned64(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p) % 64 == 0;
}

// Touches every pixel of every stored row, stride padding included: under AddressSanitizer
// this fails if the block is smaller than the layout the bitmap reports.
void WriteAllRows(RasterBitmap& bitmap)
{
    RasterPixel* p = bitmap.PixelData();
    const std::int64_t count = static_cast<std::int64_t>(bitmap.RowStride()) * bitmap.PixelHeight();
    for (std::int64_t i = 0; i < count; ++i)
        p[i] = static_cast<RasterPixel>(i);
}

void ExpectEmpty(const RasterBitmap& bitmap)
{
    EXPECT_EQ(bitmap.PixelData(), nullptr);
    EXPECT_EQ(bitmap.PixelWidth(), 0);
    EXPECT_EQ(bitmap.PixelHeight(), 0);
}

TEST(RasterMemBitmap, StartsEmptyAndAllocatesNothing)
{
    RasterMemBitmap bitmap;
    ExpectEmpty(bitmap);
    EXPECT_EQ(bitmap.RowStride(), 0);
    EXPECT_EQ(bitmap.Capacity(), 0);
    EXPECT_FALSE(bitmap.StoresBottomUp());
    EXPECT_EQ(bitmap.DeviceContext(), nullptr);
    EXPECT_EQ(bitmap.QueryExtension(0x59555678u, nullptr), 0);
    EXPECT_EQ(bitmap.QueryExtension(0x051B7000u, nullptr), 0);

    RasterMemBitmap zeroWide(0, 7);
    ExpectEmpty(zeroWide);
}

TEST(RasterMemBitmap, RowsArePaddedToFourPixelsAndStartOn64Bytes)
{
    const struct {
        std::int32_t width, height, stride;
    } cases[] = {{1, 1, 4},       {4, 2, 4},     {5, 3, 8},       {7, 9, 8},
                 {100, 100, 100}, {101, 3, 104}, {340, 484, 340}, {511, 2, 512}};
    for (const auto& c : cases) {
        RasterMemBitmap bitmap(c.width, c.height);
        ASSERT_NE(bitmap.PixelData(), nullptr) << c.width << "x" << c.height;
        EXPECT_EQ(bitmap.PixelWidth(), c.width);
        EXPECT_EQ(bitmap.PixelHeight(), c.height);
        EXPECT_EQ(bitmap.RowStride(), c.stride) << c.width;
        EXPECT_TRUE(Aligned64(bitmap.PixelData())) << c.width << "x" << c.height;
        EXPECT_EQ(bitmap.Capacity(), c.stride * c.height * 4);
        WriteAllRows(bitmap);
    }
}

TEST(RasterMemBitmap, GrowsByAQuarterAndNeverShrinks)
{
    RasterMemBitmap bitmap;
    EXPECT_TRUE(bitmap.SetSize(100, 100));
    EXPECT_EQ(bitmap.Capacity(), 40000);  // the first block is exact
    EXPECT_FALSE(bitmap.SetSize(100, 100));

    EXPECT_TRUE(bitmap.SetSize(101, 100));  // stride 104: 41600 bytes needed
    EXPECT_EQ(bitmap.RowStride(), 104);
    EXPECT_EQ(bitmap.Capacity(), 52000);
    EXPECT_TRUE(Aligned64(bitmap.PixelData()));
    WriteAllRows(bitmap);
    RasterPixel* grown = bitmap.PixelData();

    // Smaller and equal-sized requests reuse the block.
    EXPECT_TRUE(bitmap.SetSize(10, 10));
    EXPECT_EQ(bitmap.Capacity(), 52000);
    EXPECT_EQ(bitmap.PixelData(), grown);
    EXPECT_TRUE(bitmap.SetSize(125, 104));  // 128 * 104 * 4 = 53248 > 52000: grows again
    EXPECT_EQ(bitmap.Capacity(), 53248 + 53248 / 4);
    WriteAllRows(bitmap);
    EXPECT_TRUE(bitmap.SetSize(130, 100));  // 52000 < 132 * 100 * 4 = 52800 <= 66560: reused
    EXPECT_EQ(bitmap.Capacity(), 66560);
    WriteAllRows(bitmap);

    EXPECT_TRUE(bitmap.SetSize(0, 5));
    ExpectEmpty(bitmap);
    EXPECT_EQ(bitmap.Capacity(), 0);
    EXPECT_TRUE(bitmap.SetSize(3, 3));  // and can be used again
    EXPECT_EQ(bitmap.Capacity(), 48);
    EXPECT_TRUE(Aligned64(bitmap.PixelData()));
}

// Sizes whose byte count overflows 32 bits used to wrap into a block too small for the
// rows the bitmap reported; now they leave the bitmap empty.
TEST(RasterMemBitmap, SizesBeyondAddressableMemoryLeaveItEmpty)
{
    const struct {
        std::int32_t width, height;
    } cases[] = {{kMax, 1}, {kMax - 2, 1}, {1 << 20, 1 << 20}, {kMax, kMax},
                 {-5, 5},   {5, -5},       {kMin, kMin},       {65536, 32768}};
    for (const auto& c : cases) {
        RasterMemBitmap bitmap(8, 8);
        EXPECT_TRUE(bitmap.SetSize(c.width, c.height)) << c.width << "x" << c.height;
        ExpectEmpty(bitmap);
        EXPECT_EQ(bitmap.RowStride(), 0);
        EXPECT_EQ(bitmap.Capacity(), 0);
    }
}

TEST(RasterSysBitmap, RoundsWidthToFourAndReusesSurfaceWhenShrinking)
{
    RasterSysBitmap bitmap(5, 4);
    ASSERT_NE(bitmap.PixelData(), nullptr);
    EXPECT_EQ(bitmap.PixelWidth(), 5);
    EXPECT_EQ(bitmap.PixelHeight(), 4);
    EXPECT_EQ(bitmap.RowStride(), 8);
    EXPECT_FALSE(bitmap.StoresBottomUp());
    EXPECT_EQ(bitmap.QueryExtension(0x59555678u, nullptr), 0);
    WriteAllRows(bitmap);
    RasterPixel* first = bitmap.PixelData();

    EXPECT_FALSE(bitmap.SetSize(5, 4));
    EXPECT_TRUE(bitmap.SetSize(3, 3));
    EXPECT_EQ(bitmap.PixelWidth(), 3);
    EXPECT_EQ(bitmap.RowStride(), 8);
    EXPECT_EQ(bitmap.PixelData(), first);
    EXPECT_TRUE(bitmap.SetSize(8, 4));  // still fits the surface
    EXPECT_EQ(bitmap.PixelData(), first);

    EXPECT_TRUE(bitmap.SetSize(9, 4));  // wider: a new surface
    EXPECT_EQ(bitmap.RowStride(), 12);
    ASSERT_NE(bitmap.PixelData(), nullptr);
    WriteAllRows(bitmap);
    EXPECT_TRUE(bitmap.SetSize(9, 6));  // taller: a new surface too
    EXPECT_EQ(bitmap.PixelHeight(), 6);
    WriteAllRows(bitmap);
}

TEST(RasterSysBitmap, EmptyAndImpossibleSizesHaveNoPixels)
{
    RasterSysBitmap none;
    ExpectEmpty(none);
    EXPECT_EQ(none.RowStride(), 0);

    RasterSysBitmap bitmap(16, 16);
    EXPECT_FALSE(bitmap.SetSize(0, 0));  // nothing to allocate
    EXPECT_EQ(bitmap.PixelData(), nullptr);
    EXPECT_EQ(bitmap.RowStride(), 0);
    EXPECT_TRUE(bitmap.SetSize(4, 4));
    EXPECT_NE(bitmap.PixelData(), nullptr);

    const struct {
        std::int32_t width, height;
    } huge[] = {{kMax, 2}, {kMax - 1, kMax}, {1 << 20, 1 << 20}};
    for (const auto& c : huge) {
        RasterSysBitmap big(4, 4);
        big.SetSize(c.width, c.height);
        EXPECT_EQ(big.PixelData(), nullptr) << c.width << "x" << c.height;
        EXPECT_EQ(big.PixelWidth(), 0);
        EXPECT_EQ(big.PixelHeight(), 0);
        EXPECT_TRUE(big.SetSize(6, 2));  // recovers
        EXPECT_EQ(big.RowStride(), 8);
    }
    for (const auto& c : {std::pair{-4, 4}, std::pair{4, -4}}) {
        RasterSysBitmap negative(8, 8);
        EXPECT_FALSE(negative.SetSize(c.first, c.second));
        EXPECT_EQ(negative.PixelData(), nullptr);
    }
}

}  // namespace

}  // namespace kestrelon
