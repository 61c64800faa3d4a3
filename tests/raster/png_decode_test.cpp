#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/support/png_test_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace kestrelon {

namespace {

std::unique_ptr<RasterMemBitmap> Decode(const std::vector<std::uint8_t>& file)
{
    return std::unique_ptr<RasterMemBitmap>(LoadPngFromMemory(file.data(), static_cast<std::int32_t>(file.size())));
}

bool HasChunk(const std::vector<std::uint8_t>& file, const char* type)
{
    for (std::size_t offset : PngChunkOffsets(file)) {
        if (PngChunkType(file, offset) == type)
            return true;
    }
    return false;
}

struct Format {
    int colourType;
    int bitDepth;
    bool transparency;  // tRNS chunk
};

// Every colour type at every legal depth, with and without tRNS where tRNS is allowed.
const Format kFormats[] = {
    {0, 1, false}, {0, 2, false}, {0, 4, false},  {0, 8, false}, {0, 16, false}, {0, 1, true}, {0, 2, true},
    {0, 4, true},  {0, 8, true},  {0, 16, true},  {2, 8, false}, {2, 16, false}, {2, 8, true}, {2, 16, true},
    {3, 1, false}, {3, 2, false}, {3, 4, false},  {3, 8, false}, {3, 1, true},   {3, 2, true}, {3, 4, true},
    {3, 8, true},  {4, 8, false}, {4, 16, false}, {6, 8, false}, {6, 16, false},
};

TEST(PngDecode, EveryColourTypeAndDepthArrivesAsStraightArgb)
{
    std::uint32_t seed = 1;
    for (const Format& format : kFormats) {
        for (bool interlaced : {false, true}) {
            // Odd sizes leave partial bytes at low depths and empty Adam7 passes.
            for (auto [width, height] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{3, 10}}) {
                SCOPED_TRACE(testing::Message()
                             << "colour type " << format.colourType << ", depth " << format.bitDepth << ", tRNS "
                             << format.transparency << ", interlaced " << interlaced << ", " << width << "x" << height);
                const PngTestImage image = MakeTestImage(format.colourType, format.bitDepth, width, height, interlaced,
                                                         format.transparency, seed++);
                const std::vector<std::uint8_t> file = EncodePng(image);
                ASSERT_FALSE(file.empty());
                // The writer really made the variant under test.
                ASSERT_EQ(file[28], interlaced ? 1 : 0);
                ASSERT_EQ(HasChunk(file, "tRNS"), format.transparency);
                const auto bitmap = Decode(file);
                ASSERT_NE(bitmap, nullptr);
                EXPECT_EQ(bitmap->PixelWidth(), width);
                EXPECT_EQ(bitmap->PixelHeight(), height);
                EXPECT_EQ(BitmapPixels(*bitmap), ExpectedPixels(image));
            }
        }
    }
}

TEST(PngDecode, ColourKeysAreMatchedOnFullSamples)
{
    // The key pixel turns transparent; its neighbour, one low bit away, must stay opaque even
    // where the low bytes of 16-bit samples are dropped afterwards.
    for (const Format& format : {Format{0, 16, true}, Format{2, 16, true}, Format{0, 8, true}, Format{2, 8, true}}) {
        SCOPED_TRACE(testing::Message() << "colour type " << format.colourType << ", depth " << format.bitDepth);
        const PngTestImage image = MakeTestImage(format.colourType, format.bitDepth, 4, 1, false, true, 7);
        const auto bitmap = Decode(EncodePng(image));
        ASSERT_NE(bitmap, nullptr);
        const std::vector<RasterPixel> pixels = BitmapPixels(*bitmap);
        EXPECT_EQ(pixels[0] >> 24, 0u);
        EXPECT_EQ(pixels[1] >> 24, 0xFFu);
        // 16-bit: the same colour once stripped; 8-bit: the lowest bit of the last channel
        // apart (of all three for grey).
        const RasterPixel colourDifference = (pixels[0] ^ pixels[1]) & 0xFFFFFF;
        const RasterPixel expected = format.bitDepth == 16 ? 0 : format.colourType == 0 ? 0x010101 : 1;
        EXPECT_EQ(colourDifference, expected);
    }
}

TEST(PngDecode, KnownPixelsKeepTheirValuesAndMemoryOrder)
{
    struct Case {
        const char* what;
        int colourType;
        int bitDepth;
        std::vector<std::uint16_t> samples;  // one pixel
        RasterPixel expected;
    };
    const Case cases[] = {
        {"RGBA keeps alpha, colour not premultiplied", 6, 8, {200, 100, 50, 128}, 0x80C86432},
        {"RGB is opaque", 2, 8, {1, 2, 3}, 0xFF010203},
        {"16-bit keeps the high byte, no rounding", 2, 16, {0x12FF, 0x3480, 0x56FF}, 0xFF123456},
        {"grey with alpha spreads to red, green, blue", 4, 8, {0x40, 0x90}, 0x90404040},
        {"1-bit grey white", 0, 1, {1}, 0xFFFFFFFF},
        {"1-bit grey black", 0, 1, {0}, 0xFF000000},
        {"2-bit grey", 0, 2, {2}, 0xFFAAAAAA},
        {"4-bit grey", 0, 4, {3}, 0xFF333333},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PngTestImage image;
        image.colourType = c.colourType;
        image.bitDepth = c.bitDepth;
        image.samples = c.samples;
        const auto bitmap = Decode(EncodePng(image));
        ASSERT_NE(bitmap, nullptr);
        ASSERT_NE(bitmap->PixelData(), nullptr);
        EXPECT_EQ(bitmap->PixelData()[0], c.expected);
        const std::uint8_t bgra[4] = {static_cast<std::uint8_t>(c.expected), static_cast<std::uint8_t>(c.expected >> 8),
                                      static_cast<std::uint8_t>(c.expected >> 16),
                                      static_cast<std::uint8_t>(c.expected >> 24)};
        EXPECT_EQ(std::memcmp(bitmap->PixelData(), bgra, 4), 0);
    }
}

TEST(PngDecode, PaletteTransparencyIsPerEntry)
{
    PngTestImage image;
    image.colourType = 3;
    image.width = 4;
    image.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
    image.paletteAlpha = {0, 128, 255};  // the fourth entry has none: opaque
    image.samples = {3, 2, 1, 0};
    const auto bitmap = Decode(EncodePng(image));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(BitmapPixels(*bitmap), (std::vector<RasterPixel>{0xFF646E78, 0xFF46505A, 0x8028323C, 0x000A141E}));
}

TEST(PngDecode, RowsFollowTheBitmapStride)
{
    // A width that is not a multiple of 4 leaves padding in every row; a filmstrip-like tall
    // image, compressed at every level, lands row for row.
    for (int level : {0, 1, 9}) {
        PngTestImage image = MakeTestImage(6, 8, 5, 40, false, false, 99);
        image.compressionLevel = level;
        const auto bitmap = Decode(EncodePng(image));
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->RowStride(), 8);
        EXPECT_EQ(BitmapPixels(*bitmap), ExpectedPixels(image));
    }
}

}  // namespace

}  // namespace kestrelon
