#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/raster/png_resource_data.h"
#include "tests/raster/png_resource_module.h"

#include <gtest/gtest.h>

#include <memory>

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
    for (const auto& c : cases)
        EXPECT_EQ(Load(c.module, c.id), nullptr) << c.what;
    // The module's own images are still there after the refusals.
    EXPECT_NE(Load(ResourceTestModule(), kRgbaResource.id), nullptr);
}

}  // namespace

}  // namespace kestrelon
