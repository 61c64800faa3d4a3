// The artwork tool's own drawing rules, which every picture rests on: blending is a true "over"
// in straight alpha (so the transparent strips and the overlay keep clean colours at their soft
// edges), the shape distances give the right side and the round caps, and the PNG writer keeps
// every byte and writes the same file every time.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"
#include "tools/artwork/canvas.h"
#include "tools/artwork/png_writer.h"

namespace kestrelon {

namespace artwork {

namespace {

TEST(ArtworkCanvas, BlendsStraightAlphaOver)
{
    struct Case {
        RasterPixel before;
        Colour colour;
        double coverage;
        RasterPixel after;
    };
    const Case cases[] = {
        {0x00000000u, Rgb(0xffffff), 1.0, 0xFFFFFFFFu},
        // Half a white pixel on a clear one is white at half opacity, not grey.
        {0x00000000u, Rgb(0xffffff), 0.5, 0x80FFFFFFu},
        {0x00000000u, Rgb(0x336699, 0.5), 0.5, 0x40336699u},
        {0xFF000000u, Rgb(0xffffff), 0.5, 0xFF808080u},
        // A quarter of black over white at 0.4: opacity 0.55, and the colour is what shows through,
        // not darkened by the destination's own transparency.
        {0x66FFFFFFu, Rgb(0x000000), 0.25, 0x8C8B8B8Bu},
        {0xFF0000FFu, Rgb(0xff0000), 0.25, 0xFF4000BFu},
        {0xFF123456u, Rgb(0xffffff, 0.0), 1.0, 0xFF123456u},
        {0xFF123456u, Rgb(0xffffff), 0.0, 0xFF123456u},
    };
    for (const Case& c : cases) {
        RasterMemBitmap bitmap(1, 1);
        bitmap.PixelData()[0] = c.before;
        Canvas canvas(bitmap);
        canvas.Blend(0, 0, c.colour, c.coverage);
        EXPECT_EQ(bitmap.PixelData()[0], c.after) << std::hex << c.before;
    }
    // Outside the canvas nothing is touched, and a frame canvas only reaches its own frame.
    RasterMemBitmap strip(2, 4);
    ClearBitmap(&strip);
    Canvas frame(strip, 0, 2, 2, 2);
    frame.Blend(-1, 0, Rgb(0xffffff), 1.0);
    frame.Blend(0, 2, Rgb(0xffffff), 1.0);
    frame.Blend(1, 1, Rgb(0xffffff), 1.0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(strip.PixelData()[y * strip.RowStride() + x], x == 1 && y == 3 ? 0xFFFFFFFFu : 0u)
                << x << ", " << y;
    }
}

TEST(ArtworkCanvas, ShapeDistancesHaveTheirInsideAndRoundCaps)
{
    // An arc of radius 50 and half width 2 from 20 degrees left of the top to 20 right of it.
    auto arc = [](double x, double y) { return ArcDistance(x, y, 0.0, 0.0, 50.0, 2.0, -20.0, 20.0); };
    EXPECT_DOUBLE_EQ(arc(0.0, -50.0), -2.0);  // on the circle at the top
    EXPECT_DOUBLE_EQ(arc(0.0, -55.0), 3.0);  // outside it
    EXPECT_NEAR(arc(0.0, 50.0), 100.0 * std::sin(80.0 * kPi / 180.0) - 2.0, 1e-9);  // the far side, to a cap
    const double endX = PointX(0.0, 50.0, 20.0);
    const double endY = PointY(0.0, 50.0, 20.0);
    // Past the end, along the circle's tangent: the cap is round.
    const double tx = std::cos(20.0 * kPi / 180.0);
    const double ty = std::sin(20.0 * kPi / 180.0);
    EXPECT_NEAR(arc(endX + 3.0 * tx, endY + 3.0 * ty), 1.0, 1e-9);
    // Angles wrap at the top: an arc from 340 to 380 degrees is the same arc.
    EXPECT_DOUBLE_EQ(ArcDistance(0.0, -50.0, 0.0, 0.0, 50.0, 2.0, 340.0, 380.0), -2.0);

    EXPECT_DOUBLE_EQ(RoundedRectDistance(5.0, 5.0, 0.0, 0.0, 10.0, 10.0, 2.0), -5.0);
    EXPECT_DOUBLE_EQ(RoundedRectDistance(15.0, 5.0, 0.0, 0.0, 10.0, 10.0, 2.0), 5.0);
    EXPECT_NEAR(RoundedRectDistance(11.0, 11.0, 0.0, 0.0, 10.0, 10.0, 2.0), std::sqrt(18.0) - 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(EdgeCoverage(-3.0), 1.0);
    EXPECT_DOUBLE_EQ(EdgeCoverage(0.0), 0.5);
    EXPECT_DOUBLE_EQ(EdgeCoverage(3.0), 0.0);
}

TEST(ArtworkPngWriter, KeepsEveryByteAndWritesTheSameFileTwice)
{
    RasterMemBitmap bitmap(7, 5);  // a width that is not a whole row stride
    std::uint32_t state = 12345;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            state = state * 1664525u + 1013904223u;
            bitmap.PixelData()[y * bitmap.RowStride() + x] = state;
        }
    }
    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> second;
    ASSERT_TRUE(EncodePng(bitmap, first));
    ASSERT_TRUE(EncodePng(bitmap, second));
    EXPECT_EQ(first, second);
    const std::unique_ptr<RasterMemBitmap> decoded(
        LoadPngFromMemory(first.data(), static_cast<std::int32_t>(first.size())));
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->PixelWidth(), 7);
    ASSERT_EQ(decoded->PixelHeight(), 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(decoded->PixelData()[y * decoded->RowStride() + x],
                      bitmap.PixelData()[y * bitmap.RowStride() + x]);
    }
    RasterMemBitmap empty;
    EXPECT_FALSE(EncodePng(empty, first));
}

}  // namespace

}  // namespace artwork

}  // namespace kestrelon
