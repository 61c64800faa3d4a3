// The editor's two text styles drawn once and compared with reference images, one set per
// platform (GDI under Wine and our FreeType renderer do not agree to the pixel). Each reference
// was looked at when it was made. To make them again:
//   KESTRELON_WRITE_FONT_GOLDEN=1 build/linux/tests/raster/font_test --gtest_filter='FontGolden*'
// (and the Windows program under scripts/wine-run.sh likewise).

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "raster/font_platform.h"
#include "raster/png_loader.h"
#include "raster/raster_font.h"
#include "raster/raster_ops.h"
#include "tests/raster/png_test_image.h"

namespace kestrelon {

namespace {

struct Style {
    const char* name;
    const char* text;
    std::int32_t width;  // of the control's rectangle
    std::int32_t height;
    std::int32_t size;
    std::int32_t weight;
    std::int32_t format;
};

// As the editor draws them: white of alpha 100 on the dark panel, without clipping.
const Style kStyles[] = {
    {"readout", "-2.5 dB", 64, 16, 16, 400, kTextNoClip | kTextCenter | kTextUseColorAlpha},
    {"credits", "Build 170907", 150, 12, 12, 700, kTextNoClip | kTextUseColorAlpha},
};

std::string GoldenPath(const Style& style)
{
    const char* platform = raster_detail::PlatformHasNativeText() ? "windows" : "linux";
    return std::string(KESTRELON_FONT_GOLDEN_DIR) + "/" + platform + "_" + style.name + ".png";
}

void WritePng(const RasterBitmap& bitmap, const std::string& path)
{
    PngTestImage image;
    image.width = bitmap.PixelWidth();
    image.height = bitmap.PixelHeight();
    for (RasterPixel p : BitmapPixels(bitmap))
        for (int shift : {16, 8, 0, 24})
            image.samples.push_back(static_cast<std::uint16_t>((p >> shift) & 0xFF));
    const std::vector<std::uint8_t> file = EncodePng(image);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

TEST(FontGolden, EditorStylesDrawAsReviewed)
{
    for (const Style& style : kStyles) {
        PlatformFontDescription description;
        description.face = "Arial";
        description.height = style.size;
        description.weight = style.weight;
        RasterCachedFont font;
        font.AttachFont(CreatePlatformFont(description), kEditorFontFlags);
        font.SetForegroundColor(0x64FFFFFFu);
        RasterMemBitmap drawn(style.width, style.height);
        FillRectangle(&drawn, 0, 0, style.width, style.height, 0xFF2A2E36u, 1.0f, BlendMode::ModeCopy);
        TextRect rect{0, 0, style.width, style.height};
        EXPECT_EQ(font.RenderText(&drawn, style.text, -1, rect, style.format), style.size) << style.name;

        const std::string path = GoldenPath(style);
        if (std::getenv("KESTRELON_WRITE_FONT_GOLDEN") != nullptr) {
            WritePng(drawn, path);
            continue;
        }
        std::unique_ptr<RasterBitmap> golden(LoadPngFromFile(path.c_str(), nullptr));
        ASSERT_NE(golden, nullptr) << path;
        EXPECT_EQ(BitmapPixels(drawn), BitmapPixels(*golden)) << path;
    }
}

}  // namespace

}  // namespace kestrelon
