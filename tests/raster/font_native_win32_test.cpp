// Native text on Windows: a bitmap without a device context gets the same text as one with, by
// way of the shared scratch bitmap, which goes with the last font.

#include <windows.h>

#include <cstdint>

#include <gtest/gtest.h>

#include "raster/raster_font.h"
#include "raster/raster_ops.h"
#include "raster/text_surfaces.h"
#include "tests/raster/font_test_support.h"
#include "tests/raster/png_test_image.h"

namespace kestrelon {

namespace {

TEST(NativeText, BitmapWithoutDeviceContextDrawsAsOneWithIt)
{
    raster_detail::OverrideWineState(0);
    auto font = MakeFont(16, FontFlags::FontPreferNative);
    font->SetForegroundColor(0xFFFFFFFFu);
    // Vertical alignment counts on a single line only, as DrawText has it.
    for (std::int32_t format : {0, kTextCenter, kTextRight | kTextBottom, kTextRight | kTextBottom | kTextSingleLine,
                                kTextCenter | kTextVCenter | kTextSingleLine | kTextNoClip}) {
        RasterSysBitmap direct(80, 24);
        RasterMemBitmap scratched(80, 24);
        std::int32_t results[2] = {};
        int i = 0;
        for (RasterBitmap* bitmap : {static_cast<RasterBitmap*>(&direct), static_cast<RasterBitmap*>(&scratched)}) {
            FillRectangle(bitmap, 0, 0, 80, 24, 0xFF336699u, 1.0f, BlendMode::ModeCopy);
            TextRect rect{4, 2, 76, 22};
            results[i++] = font->RenderText(bitmap, "Wave", -1, rect, format);
        }
        EXPECT_GE(results[0], 16) << format;
        EXPECT_EQ(results[0], results[1]) << format;
        EXPECT_EQ(BitmapPixels(direct), BitmapPixels(scratched)) << format;
        EXPECT_FALSE(font->DrawCachedGlyph(&direct, 'W', 0, 0, TextRect{0, 0, 80, 24}));
    }
    // Measuring needs no bitmap at all.
    TextRect onBitmap{5, 5, 5, 5};
    TextRect onNothing = onBitmap;
    RasterSysBitmap direct(8, 8);
    EXPECT_EQ(font->RenderText(&direct, "Wave", -1, onBitmap, kTextCalcRect), 16);
    EXPECT_EQ(font->RenderText(nullptr, "Wave", -1, onNothing, kTextCalcRect), 16);
    EXPECT_EQ(onNothing.right, onBitmap.right);
    EXPECT_EQ(onNothing.bottom, 21);
    EXPECT_GT(onNothing.right, 5 + 16);

    EXPECT_NE(raster_detail::NativeScratch(), nullptr);
    font.reset();
    EXPECT_EQ(raster_detail::NativeScratch(), nullptr);
    raster_detail::OverrideWineState(-1);
}

}  // namespace

}  // namespace kestrelon
