// The editor's pictures as the binary ships them: every image decodes at the size and frame
// layout the editor loads it with, and what the editor relies on is where it must be: the value
// arc in the panel's groove and growing the right way, the clip light's brightness steps centred
// on the socket, the button's clear frame, the overlay clear where the build text goes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "raster/png_decoder.h"
#include "raster/png_loader.h"
#include "resources/img/editor_images.h"
#include "tests/artwork/shipped_images.h"

namespace kestrelon {

namespace testartwork {

std::unique_ptr<RasterMemBitmap> ShippedImages::LoadThroughLibpng(std::uint16_t id) const
{
    const void* data = nullptr;
    std::int32_t length = 0;
    if (!FindPngResource(module, id, &data, &length))
        return nullptr;
    return std::unique_ptr<RasterMemBitmap>(LoadPngFromMemory(data, length));
}

bool ShippedImages::ReadSize(std::uint16_t id, int& width, int& height) const
{
    PngHeader header;
    if (!ReadPngResourceHeader(module, id, header))
        return false;
    width = header.width;
    height = header.height;
    return true;
}

namespace {

constexpr double kPi = 3.14159265358979323846;
// The knob's value track: its radius round the frame's centre, and the travel either side of
// the top.
constexpr double kTrackRadius = 55.0;
constexpr double kKnobCentre = 67.0;

struct Pixel {
    int a, r, g, b;
};

Pixel At(const RasterMemBitmap& bitmap, int x, int y)
{
    const RasterPixel p = bitmap.PixelData()[static_cast<std::ptrdiff_t>(y) * bitmap.RowStride() + x];
    return {static_cast<int>(p >> 24), static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
            static_cast<int>(p & 0xFF)};
}

bool IsLitWhite(const Pixel& p)
{
    return p.a >= 200 && p.r >= 240 && p.g >= 240 && p.b >= 240;
}

// The point of the track at degrees clockwise from the top, in frame pixels.
int TrackX(double degrees)
{
    return static_cast<int>(std::floor(kKnobCentre + kTrackRadius * std::sin(degrees * kPi / 180.0)));
}
int TrackY(double degrees)
{
    return static_cast<int>(std::floor(kKnobCentre - kTrackRadius * std::cos(degrees * kPi / 180.0)));
}

class ShippedArtwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(images.Open(error)) << error;
    }

    std::unique_ptr<RasterMemBitmap> Load(std::uint16_t id)
    {
        std::unique_ptr<RasterMemBitmap> bitmap = images.Load(id);
        EXPECT_NE(bitmap, nullptr) << "image " << id << " does not load";
        return bitmap;
    }

    ShippedImages images;
};

TEST_F(ShippedArtwork, EveryImageDecodesAtItsSizeAndFrameLayout)
{
    for (const EditorImage& image : kEditorImages) {
        SCOPED_TRACE(image.name);
        const std::unique_ptr<RasterMemBitmap> bitmap = Load(image.id);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->PixelWidth(), image.width);
        EXPECT_EQ(bitmap->PixelHeight(), image.height);
        EXPECT_EQ(image.height % image.frames, 0);
        int width = 0;
        int height = 0;
        ASSERT_TRUE(images.ReadSize(image.id, width, height));
        EXPECT_EQ(width, image.width);
        EXPECT_EQ(height, image.height);
        // The module's own decoder gives libpng's pixels, bit for bit.
        const std::unique_ptr<RasterMemBitmap> general = images.LoadThroughLibpng(image.id);
        ASSERT_NE(general, nullptr);
        ASSERT_EQ(general->PixelHeight(), bitmap->PixelHeight());
        for (int y = 0; y < image.height; ++y)
            ASSERT_EQ(std::memcmp(general->PixelData() + std::ptrdiff_t{y} * general->RowStride(),
                                  bitmap->PixelData() + std::ptrdiff_t{y} * bitmap->RowStride(),
                                  sizeof(RasterPixel) * static_cast<std::size_t>(image.width)),
                      0)
                << "row " << y;
    }
    EXPECT_EQ(images.Load(99), nullptr);
    EXPECT_EQ(images.Load(108), nullptr);
}

TEST_F(ShippedArtwork, KnobArcSitsInTheGrooveAndGrowsFromTheTopCentre)
{
    struct Case {
        int frame;
        double lit[4];  // angles the arc covers
        double dark[4];  // angles it leaves clear
    };
    const Case cases[] = {
        {0, {-130, -90, -45, -10}, {10, 45, 90, 130}},
        {25, {-60, -45, -30, -10}, {-90, -75, 10, 30}},
        {50, {}, {-130, -45, 0, 130}},
        {75, {10, 30, 45, 60}, {-30, -10, 75, 90}},
        {100, {10, 45, 90, 130}, {-130, -90, -45, -10}},
    };
    const std::unique_ptr<RasterMemBitmap> panel = Load(kBackgroundImage);
    ASSERT_NE(panel, nullptr);
    for (int knob = 0; knob < 4; ++knob) {
        SCOPED_TRACE("knob " + std::to_string(knob + 1));
        const std::unique_ptr<RasterMemBitmap> strip = Load(static_cast<std::uint16_t>(kAttackKnobImage + knob));
        ASSERT_NE(strip, nullptr);
        const int frameSize = strip->PixelWidth();
        for (const Case& c : cases) {
            SCOPED_TRACE("frame index " + std::to_string(c.frame));
            for (double degrees : c.lit) {
                if (degrees == 0.0)
                    continue;
                EXPECT_TRUE(IsLitWhite(At(*strip, TrackX(degrees), c.frame * frameSize + TrackY(degrees))))
                    << degrees << " degrees";
            }
            for (double degrees : c.dark)
                EXPECT_EQ(At(*strip, TrackX(degrees), c.frame * frameSize + TrackY(degrees)).a, 0) << degrees;
        }
        // Under the arc the panel has its dark groove, so the knob's rectangle and the panel agree.
        const int left = knob % 2 == 0 ? 23 : 183;
        const int top = knob < 2 ? 119 : 279;
        for (double degrees : {-120.0, -60.0, 0.0, 60.0, 120.0}) {
            const Pixel p = At(*panel, left + TrackX(degrees), top + TrackY(degrees));
            EXPECT_LT(p.r + p.g + p.b, 3 * 40) << "groove at " << degrees << " degrees";
        }
    }
}

TEST_F(ShippedArtwork, ClipLightStepsUpToFullAndIsCentredOnTheSocket)
{
    const int peaks[10] = {0, 31, 57, 85, 113, 141, 170, 198, 226, 255};
    const std::unique_ptr<RasterMemBitmap> light = Load(kClipLightImage);
    ASSERT_NE(light, nullptr);
    const int size = light->PixelWidth();
    for (int frame = 0; frame < 10; ++frame) {
        int peak = 0;
        int sumX = 0;
        int sumY = 0;
        int count = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const Pixel p = At(*light, x, frame * size + y);
                peak = std::max(peak, p.a);
                if (p.a > 0 && p.a == peaks[frame]) {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
                if (p.a > 0) {
                    EXPECT_TRUE(p.r == 255 && p.g == 255 && p.b == 255) << "frame " << frame;
                }
            }
        }
        EXPECT_NEAR(peak, peaks[frame], 2) << "frame " << frame;
        if (count > 0) {
            // The brightest pixels sit round the frame's centre, which is the socket's (170, 84).
            EXPECT_NEAR(static_cast<double>(sumX) / count, size / 2.0 - 0.5, 0.01) << "frame " << frame;
            EXPECT_NEAR(static_cast<double>(sumY) / count, size / 2.0 - 0.5, 0.01) << "frame " << frame;
        }
    }
    const std::unique_ptr<RasterMemBitmap> panel = Load(kBackgroundImage);
    ASSERT_NE(panel, nullptr);
    const Pixel socket = At(*panel, 169, 83);
    EXPECT_LT(socket.r + socket.g + socket.b, 3 * 30);
}

TEST_F(ShippedArtwork, ClipButtonCoversTheSocketOnlyInItsFirstFrame)
{
    const std::unique_ptr<RasterMemBitmap> button = Load(kClipButtonImage);
    ASSERT_NE(button, nullptr);
    const int size = button->PixelWidth();
    const Pixel centre = At(*button, size / 2, size / 2);
    EXPECT_EQ(centre.a, 255);
    EXPECT_NEAR(centre.r, centre.b, 24);  // grey, not a colour
    EXPECT_GT(centre.r, 60);
    EXPECT_LT(centre.r, 200);
    EXPECT_EQ(At(*button, size / 2, 1).a, 255);  // the ring
    for (int y = size; y < 2 * size; ++y) {
        for (int x = 0; x < size; ++x)
            ASSERT_EQ(At(*button, x, y).a, 0) << x << ", " << y - size;
    }
}

TEST_F(ShippedArtwork, PanelIsOpaqueAndTheOverlayLeavesItsBuildTextClear)
{
    const std::unique_ptr<RasterMemBitmap> panel = Load(kBackgroundImage);
    const std::unique_ptr<RasterMemBitmap> credits = Load(kCreditsImage);
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(credits, nullptr);
    int opaque = 0;
    int clear = 0;
    for (int y = 0; y < panel->PixelHeight(); ++y) {
        for (int x = 0; x < panel->PixelWidth(); ++x) {
            opaque += At(*panel, x, y).a == 255 ? 1 : 0;
            clear += At(*credits, x, y).a == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(opaque, 340 * 484);
    EXPECT_GT(clear, 340 * 484 * 3 / 4);  // an overlay, not a second panel
    for (int y = 470; y < 482; ++y) {
        for (int x = 5; x < 155; ++x)
            ASSERT_EQ(At(*credits, x, y).a, 0) << x << ", " << y;
    }
}

}  // namespace

}  // namespace testartwork

}  // namespace kestrelon
