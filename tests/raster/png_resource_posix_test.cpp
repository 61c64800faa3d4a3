#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/raster/png_resource_data.h"
#include "tests/raster/png_resource_module.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

namespace {

int gTestModule;  // their addresses name the modules
int gOtherModule;

std::vector<std::uint8_t> ReadDataFile(const char* name)
{
    std::ifstream in(std::string(KESTRELON_PNG_TEST_DATA) + "/" + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The resource bytes must outlive every load, as static data does in a real module.
struct RegisteredData {
    std::vector<std::vector<std::uint8_t>> files;
    bool allRegistered = true;

    RegisteredData()
    {
        const std::pair<std::uint16_t, const char*> resources[] = {
            {kRgbaResource.id, kRgbaResource.fileName},   {kPaletteResource.id, kPaletteResource.fileName},
            {kShortResource.id, kShortResource.fileName}, {kCutResource.id, kCutResource.fileName},
            {kForeignResourceId, kForeignResourceFile},
        };
        files.reserve(std::size(resources));
        for (const auto& [id, name] : resources) {
            files.push_back(ReadDataFile(name));
            allRegistered = allRegistered && !files.back().empty() &&
                            RegisterPngResource(&gTestModule, id, files.back().data(),
                                                static_cast<std::int32_t>(files.back().size()));
        }
    }
};

const RegisteredData& Registered()
{
    static const RegisteredData data;
    return data;
}

TEST(PngResourceRegistry, RefusesBadOrRepeatedRegistrations)
{
    ASSERT_TRUE(Registered().allRegistered);
    const std::vector<std::uint8_t>& rgba = Registered().files[0];
    const auto length = static_cast<std::int32_t>(rgba.size());
    EXPECT_FALSE(RegisterPngResource(&gTestModule, kRgbaResource.id, rgba.data(), length)) << "repeated";
    EXPECT_FALSE(RegisterPngResource(&gOtherModule, 7, nullptr, length)) << "null data";
    EXPECT_FALSE(RegisterPngResource(&gOtherModule, 7, rgba.data(), -1)) << "negative length";
    EXPECT_EQ(LoadPngFromResource(&gOtherModule, 7), nullptr);

    // The same id in another module is a separate resource; a zero length gives null.
    EXPECT_TRUE(RegisterPngResource(&gOtherModule, 8, rgba.data(), 0));
    EXPECT_EQ(LoadPngFromResource(&gOtherModule, 8), nullptr);
    EXPECT_TRUE(RegisterPngResource(&gOtherModule, 9, rgba.data(), length));
    std::unique_ptr<RasterMemBitmap> bitmap(LoadPngFromResource(&gOtherModule, 9));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(BitmapPixels(*bitmap), ExpectedPixels(ResourceTestImage(kRgbaResource)));
}

}  // namespace

void* ResourceTestModule()
{
    EXPECT_TRUE(Registered().allRegistered);
    return &gTestModule;
}

void* OtherTestModule()
{
    return &gOtherModule;
}

}  // namespace kestrelon
