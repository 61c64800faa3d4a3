#include "raster/png_decoder.h"
#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/raster/png_resource_data.h"
#include "tests/raster/png_resource_module.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

namespace {

std::unique_ptr<RasterMemBitmap> Load(void* module, std::uint16_t id)
{
    return std::unique_ptr<RasterMemBitmap>(LoadPngFromResource(module, id));
}

TEST(PngResource, ImagesDecodeFromTheModule)
{
    for (const PngResourceImage& r : {kRgbaResource, kPaletteResource}) {
        SCOPED_TRACE(r.fileName);
        const auto bitmap = Load(ResourceTestModule(), r.id);
        ASSERT_NE(bitmap, nullptr);
        const PngTestImage image = ResourceTestImage(r);
        EXPECT_EQ(bitmap->PixelWidth(), image.width);
        EXPECT_EQ(bitmap->PixelHeight(), image.height);
        EXPECT_EQ(BitmapPixels(*bitmap), ExpectedPixels(image));
        PngHeader header;
        ASSERT_TRUE(ReadPngResourceHeader(ResourceTestModule(), r.id, header)) << "the size without the pixels";
        EXPECT_EQ(header.width, image.width);
        EXPECT_EQ(header.height, image.height);
    }
}

TEST(PngResource, MissingShortCutOrForeignResourcesGiveNull)
{
    const struct {
        const char* what;
        void* module;
        std::uint16_t id;
    } cases[] = {
        {"no such id", ResourceTestModule(), kMissingResourceId},
        {"id of another module", OtherTestModule(), kRgbaResource.id},
        {"shorter than a signature", ResourceTestModule(), kShortResource.id},
        {"cut in the pixel data", ResourceTestModule(), kCutResource.id},
        {"not a PNG", ResourceTestModule(), kForeignResourceId},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Load(c.module, c.id), nullptr) << c.what;
        PngHeader header;
        EXPECT_FALSE(ReadPngResourceHeader(c.module, c.id, header)) << c.what << ": refused from the header walk too";
    }
    // The module's own images are still there after the refusals.
    EXPECT_NE(Load(ResourceTestModule(), kRgbaResource.id), nullptr);
}

// The module's own images take a decoder of their own: it must give libpng's pixels for every
// 8-bit RGBA image, refuse what libpng refuses, and leave every other kind to libpng.
TEST(PngResource, OwnRgba8DecodeMatchesLibpng)
{
    const struct {
        int width, height;
        std::uint32_t seed;
    } sizes[] = {{1, 1, 31}, {5, 4, 32}, {67, 40, 33}, {134, 300, 34}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.width);
        const std::vector<std::uint8_t> png =
            EncodePng(MakeTestImage(6, 8, size.width, size.height, false, false, size.seed));
        bool handled = false;
        std::unique_ptr<RasterMemBitmap> own(
            DecodeOwnRgba8(png.data(), static_cast<std::int32_t>(png.size()), handled));
        std::unique_ptr<RasterMemBitmap> general(LoadPngFromMemory(png.data(), static_cast<std::int32_t>(png.size())));
        ASSERT_TRUE(handled);
        ASSERT_NE(own, nullptr);
        ASSERT_NE(general, nullptr);
        EXPECT_EQ(BitmapPixels(*own), BitmapPixels(*general));
    }

    const std::vector<std::uint8_t> whole = EncodePng(MakeTestImage(6, 8, 67, 40, false, false, 35));
    std::size_t idat = 0;
    for (std::size_t offset : PngChunkOffsets(whole))
        if (PngChunkType(whole, offset) == "IDAT")
            idat = offset;
    ASSERT_NE(idat, 0u);
    const auto damaged = [&](const char* what) -> std::vector<std::uint8_t> {
        std::vector<std::uint8_t> bytes = whole;
        if (std::string(what) == "pixel data cut, CRC fixed") {
            const std::uint32_t length = ReadBigEndian32(bytes, idat);
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(idat + 8 + length / 2),
                        bytes.begin() + static_cast<std::ptrdiff_t>(idat + 8 + length));
            WriteBigEndian32(bytes, idat, length - length / 2);
            FixPngCrc(bytes, idat);
        } else if (std::string(what) == "a byte of pixel data changed") {
            bytes[idat + 20] ^= 0x40;
        } else if (std::string(what) == "no IEND") {
            bytes.erase(bytes.end() - 12, bytes.end());
        }
        return bytes;
    };
    for (const char* what : {"pixel data cut, CRC fixed", "a byte of pixel data changed", "no IEND"}) {
        const std::vector<std::uint8_t> bytes = damaged(what);
        bool handled = false;
        std::unique_ptr<RasterMemBitmap> own(
            DecodeOwnRgba8(bytes.data(), static_cast<std::int32_t>(bytes.size()), handled));
        EXPECT_EQ(own, nullptr) << what;
        EXPECT_EQ(
            std::unique_ptr<RasterMemBitmap>(LoadPngFromMemory(bytes.data(), static_cast<std::int32_t>(bytes.size()))),
            nullptr)
            << what << " (libpng)";
    }

    // Other kinds are not this decoder's: palette, 16-bit, interlaced.
    for (const PngTestImage& other :
         {MakeTestImage(3, 8, 9, 7, false, false, 36), MakeTestImage(6, 16, 9, 7, false, false, 37),
          MakeTestImage(6, 8, 9, 7, true, false, 38)}) {
        const std::vector<std::uint8_t> png = EncodePng(other);
        bool handled = true;
        EXPECT_EQ(DecodeOwnRgba8(png.data(), static_cast<std::int32_t>(png.size()), handled), nullptr);
        EXPECT_FALSE(handled);
    }
}

}  // namespace

}  // namespace kestrelon
