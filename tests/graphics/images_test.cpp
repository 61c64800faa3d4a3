// Shared images, rescaling and the redraw cycle on a windowless context.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/graphics/image_cache.h"
#include "framework/graphics/resample.h"
#include "framework/graphics/stock_controls.h"
#include "tests/graphics/test_graphics.h"

namespace kestrelon {
namespace {

// Every frame of the strip holds its own index in the blue byte.
RasterPixel StripPixel(int, int y)
{
    return 0xFF000000u | static_cast<RasterPixel>(y / 134 + 1);
}

TEST(Images, OneBitmapPerIdAndEveryRecordFollowsARescale)
{
    TestGraphics g;
    g.Provide(2000, 134, 13534, StripPixel);
    ImageRef* a = g.LoadImage(2000, "knob.png", 101);
    ImageRef* b = g.LoadImage(2000, "knob.png", 101);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->bitmap, b->bitmap);
    EXPECT_EQ(g.Loads(), 0) << "building reads the size only";
    EXPECT_EQ(a->width, 134);
    EXPECT_EQ(a->height, 13534);
    EXPECT_EQ(a->bitmap->PixelData(), nullptr);
    EXPECT_EQ(g.LoadImage(2999, "missing.png", 1), nullptr) << "a missing resource is a failure";

    g.RescaleImages(1.0);
    for (const ImageRef* image : {a, b}) {
        EXPECT_EQ(image->width, 134);
        EXPECT_EQ(image->height, 13635) << "one clear row under each of the 101 frames";
    }
    EXPECT_EQ(g.Loads(), 0) << "a rescale before the first draw sizes the records only";
    ASSERT_TRUE(g.DecodeImagePixels(*b));
    ASSERT_TRUE(g.DecodeImagePixels(*a));
    EXPECT_EQ(g.Loads(), 1) << "decoded once for every holder";
    EXPECT_EQ(a->bitmap->PixelHeight(), 13635);
    const RasterBitmap& strip = *a->bitmap;
    auto at = [&](int x, int y) { return strip.PixelData()[y * strip.RowStride() + x]; };
    for (int f : {1, 2, 51, 101}) {
        EXPECT_EQ(at(67, 135 * (f - 1)), StripPixel(0, 134 * (f - 1))) << "frame " << f << " starts at 135(f-1)";
        EXPECT_EQ(at(67, 135 * (f - 1) + 133), StripPixel(0, 134 * (f - 1))) << "and is 134 rows tall";
        EXPECT_EQ(at(67, 135 * f - 1), 0u) << "followed by a clear row";
    }

    // Drawing frame f reads from row 135(f - 1) of the rescaled strip.
    auto knob = std::make_unique<IKnobMultiControl>(nullptr, 0, 0, -1, a);
    knob->SetValue(0.5);
    g.AddControl(std::move(knob));
    ASSERT_TRUE(g.PaintRegion(Rect{0, 0, 340, 484}));
    EXPECT_EQ(g.Pixel(67, 0), StripPixel(0, 134 * 50)) << "frame 51";
    EXPECT_EQ(g.Pixel(67, 133), StripPixel(0, 134 * 50));
    EXPECT_EQ(g.Pixel(67, 134), 0u) << "the knob is one frame tall";
}

// Pixels decoded after a rescale are those a decode before it would give, for
// every holder, and a later rescale starts from the same original.
TEST(Images, ARescaleBeforeTheFirstDrawGivesTheSamePixels)
{
    TestGraphics g;
    g.Provide(2100, 134, 13534, StripPixel);
    g.Provide(2101, 134, 13534, StripPixel);
    ImageRef* early = g.LoadImage(2100, "early.png", 101);
    ImageRef* late = g.LoadImage(2101, "late.png", 101);
    ASSERT_NE(early, nullptr);
    ASSERT_NE(late, nullptr);
    ASSERT_TRUE(g.DecodeImagePixels(*early));
    for (double scale : {1.5, 1.0, 1.25}) {
        SCOPED_TRACE(scale);
        g.RescaleImages(scale);
        ImageRef* another = g.LoadImage(2101, "late.png", 101);
        ASSERT_NE(another, nullptr);
        EXPECT_EQ(late->width, early->width);
        EXPECT_EQ(late->height, early->height);
        EXPECT_EQ(another->height, early->height) << "a record made after the rescale has its size too";
        ASSERT_TRUE(g.DecodeImagePixels(*another));
        const RasterBitmap& a = *early->bitmap;
        const RasterBitmap& b = *late->bitmap;
        ASSERT_EQ(b.PixelWidth(), a.PixelWidth());
        ASSERT_EQ(b.PixelHeight(), a.PixelHeight());
        for (int y = 0; y < a.PixelHeight(); ++y)
            ASSERT_EQ(std::memcmp(a.PixelData() + y * a.RowStride(), b.PixelData() + y * b.RowStride(),
                                  sizeof(RasterPixel) * static_cast<std::size_t>(a.PixelWidth())),
                      0)
                << "row " << y;
    }
    EXPECT_EQ(g.Loads(), 2) << "each resource decoded once";
}

// A resource whose header reads but whose pixels do not decode keeps the
// editor from opening, and no paint draws from the empty bitmap.
TEST(Images, AnImageThatDoesNotDecodeKeepsTheEditorShut)
{
    TestGraphics g;
    g.ProvideUndecodable(2200, 20, 20);
    ImageRef* image = g.LoadImage(2200, "broken.png", 1);
    ASSERT_NE(image, nullptr);
    g.AddControl(std::make_unique<IBitmapControl>(nullptr, 0, 0, -1, image, BlendMethod::BlendMethodOpaque));
    EXPECT_FALSE(g.DecodeOwnImages());
    ASSERT_TRUE(g.PaintRegion(Rect{0, 0, 340, 484}));
    EXPECT_EQ(g.Pixel(5, 5), 0u);
    EXPECT_EQ(image->bitmap->PixelData(), nullptr);
    EXPECT_FALSE(g.DecodeImagePixels(*image)) << "still failing, not marked decoded";
}

TEST(Images, ResamplingAveragesBoxesAndInterpolatesEnlargements)
{
    // A 4 x 1 ramp halved: each pixel averages the bilinear samples of its
    // box of two.
    RasterMemBitmap source(4, 1);
    const RasterPixel ramp[4] = {0xFF000000u, 0xFF000040u, 0xFF000080u, 0xFF0000C0u};
    for (int x = 0; x < 4; ++x)
        source.PixelData()[x] = ramp[x];
    RasterMemBitmap half(2, 1);
    ResampleInto(source, half, 1);
    // (0 + 0x40) / 2 and (0x80 + 0xC0) / 2.
    EXPECT_EQ(half.PixelData()[0], 0xFF000020u);
    EXPECT_EQ(half.PixelData()[1], 0xFF0000A0u);

    RasterMemBitmap doubled(8, 1);
    ResampleInto(source, doubled, 1);
    EXPECT_EQ(doubled.PixelData()[0], 0xFF000000u);
    EXPECT_EQ(doubled.PixelData()[1], 0xFF000020u) << "half way between the first two";
    EXPECT_EQ(doubled.PixelData()[7], 0x7F000060u) << "the last half-sample meets the clear edge";
}

// The resampler as plainly written: a box of bilinear samples per pixel,
// neighbours past the right and bottom edges clear, each channel's sum
// truncated. The fast paths must give its bits exactly.
RasterPixel ReferenceSample(const RasterMemBitmap& src, int dw, int dh, int x, int y)
{
    const int sw = src.PixelWidth(), sh = src.PixelHeight();
    const int kx = std::max(1, static_cast<int>(static_cast<double>(sw) / dw + 0.99999999999));
    const int ky = std::max(1, static_cast<int>(static_cast<double>(sh) / dh + 0.99999999999));
    const double fx = static_cast<double>(sw) / dw * x, fy = static_cast<double>(sh) / dh * y;
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double ax = fx - ix, ay = fy - iy;
    auto at = [&](int c, int r, int k) -> int {
        return c >= sw || r >= sh ? 0 : static_cast<int>((src.PixelData()[r * src.RowStride() + c] >> (8 * k)) & 0xFF);
    };
    RasterPixel result = 0;
    for (int k = 0; k < 4; ++k) {
        double sum = 0.0;
        for (int u = 0; u < ky; ++u)
            for (int v = 0; v < kx; ++v) {
                const int c = ix + v, r = iy + u;
                sum += at(c, r, k) * ((1 - ax) * (1 - ay)) + at(c + 1, r, k) * (ax * (1 - ay)) +
                       at(c, r + 1, k) * ((1 - ax) * ay) + at(c + 1, r + 1, k) * (ax * ay);
            }
        result |= static_cast<RasterPixel>(static_cast<int>(sum / (kx * ky)) & 0xFF) << (8 * k);
    }
    return result;
}

TEST(Images, ResamplingGivesThePlainFormulasBits)
{
    RasterMemBitmap source(37, 29);
    std::uint32_t seed = 7;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 37; ++x) {
            seed = seed * 1664525u + 1013904223u;
            // Clear patches among the random pixels, as film strips have.
            source.PixelData()[y * source.RowStride() + x] = (x / 6 + y / 5) % 3 == 0 ? 0u : seed;
        }
    for (const auto& size : {std::pair{55, 43}, std::pair{37, 29}, std::pair{20, 15}, std::pair{74, 29}}) {
        RasterMemBitmap scaled(size.first, size.second);
        ResampleInto(source, scaled, 1);
        int wrong = 0;
        for (int y = 0; y < size.second; ++y)
            for (int x = 0; x < size.first; ++x)
                wrong += scaled.PixelData()[y * scaled.RowStride() + x] !=
                         ReferenceSample(source, size.first, size.second, x, y);
        EXPECT_EQ(wrong, 0) << size.first << " x " << size.second;
    }
}

TEST(RedrawCycle, DirtyRectanglesAreUnitedAndPaintedOnce)
{
    TestGraphics g;
    g.Provide(2010, 20, 20, [](int, int) { return 0xFF00FF00u; });
    ImageRef* image = g.LoadImage(2010, "a.png", 1);
    g.AddControl(std::make_unique<IBitmapControl>(nullptr, 10, 10, -1, image));
    g.AddControl(std::make_unique<IBitmapControl>(nullptr, 100, 50, -1, image));
    Rect dirty;
    ASSERT_TRUE(g.CollectDirtyRect(dirty)) << "new controls start dirty";
    EXPECT_EQ(dirty, (Rect{10, 10, 120, 70}));
    ASSERT_TRUE(g.PaintRegion(Rect{0, 0, 60, 60}));
    EXPECT_EQ(g.Pixel(15, 15), 0xFF00FF00u);
    EXPECT_EQ(g.Pixel(105, 55), 0u) << "outside the region: not painted";
    EXPECT_FALSE(g.CollectDirtyRect(dirty)) << "every control is clean after a pass";
    g.ControlAt(1)->SetHidden(true);
    ASSERT_TRUE(g.CollectDirtyRect(dirty));
    EXPECT_EQ(dirty, (Rect{100, 50, 120, 70}));
}

}  // namespace
}  // namespace kestrelon
