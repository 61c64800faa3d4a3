#pragma once

// Fonts for the text tests: the editor's face ("Arial", Liberation Sans on Linux) at a given size,
// and the coverage a glyph leaves, read back exactly: white added onto black at full opacity
// turns coverage m into a red byte of m.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "raster/font_platform.h"
#include "raster/raster_font.h"
#include "tests/raster/raster_test_bitmap.h"

namespace kestrelon {

inline std::unique_ptr<RasterCachedFont> MakeFont(std::int32_t height, FontFlags flags = FontFlags::None,
                                                  std::int32_t weight = 400, bool italic = false)
{
    PlatformFontDescription description;
    description.face = "Arial";
    description.height = height;
    description.weight = weight;
    description.italic = italic;
    RasterFontHandle handle = CreatePlatformFont(description);
    EXPECT_NE(handle, nullptr);
    auto font = std::make_unique<RasterCachedFont>();
    font->AttachFont(handle, flags | FontFlags::FontOwnsHandle);
    return font;
}

// A width x height grid of bytes, row after row.
struct Coverage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bytes;

    std::uint8_t At(std::int32_t x, std::int32_t y) const { return bytes[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Coverage& other) const = default;
};

// Failures show the image, one hex digit (coverage / 16) per pixel.
inline void PrintTo(const Coverage& image, std::ostream* out)
{
    *out << image.width << " x " << image.height;
    for (std::int32_t y = 0; y < image.height; ++y) {
        *out << "\n";
        for (std::int32_t x = 0; x < image.width; ++x)
            *out << "0123456789abcdef"[image.At(x, y) >> 4];
    }
}

// The red bytes of a bitmap.
inline Coverage RedBytes(GuardedBitmap& bitmap)
{
    Coverage out{bitmap.PixelWidth(), bitmap.PixelHeight(), {}};
    for (std::int32_t y = 0; y < out.height; ++y)
        for (std::int32_t x = 0; x < out.width; ++x)
            out.bytes.push_back(static_cast<std::uint8_t>(bitmap.At(x, y) >> 16));
    return out;
}

// What text leaves on a black w x h bitmap drawn white with ModeAdd at (x, y), unclipped.
inline Coverage DrawnCoverage(RasterCachedFont& font, const char* text, std::int32_t format = 0,
                              std::int32_t length = -1, std::int32_t x = 8, std::int32_t y = 8, std::int32_t w = 96,
                              std::int32_t h = 64)
{
    GuardedBitmap bitmap(w, h, 0xFF000000u);
    font.SetForegroundColor(0xFFFFFFFFu);
    font.SetBlending(BlendMode::ModeAdd, 1.0f);
    TextRect rect{x, y, w, h};
    font.RenderText(&bitmap, text, length, rect, format | kTextNoClip);
    EXPECT_TRUE(bitmap.GuardIntact());
    return RedBytes(bitmap);
}

// The smallest part of image holding every non-zero byte, and where it starts.
struct Inked {
    Coverage image;
    std::int32_t left = 0;
    std::int32_t top = 0;
};

inline Inked Trim(const Coverage& image)
{
    std::int32_t left = image.width, top = image.height, right = -1, bottom = -1;
    for (std::int32_t y = 0; y < image.height; ++y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            if (image.At(x, y) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    Inked out;
    if (right < 0)
        return out;
    out.left = left;
    out.top = top;
    out.image.width = right - left + 1;
    out.image.height = bottom - top + 1;
    for (std::int32_t y = top; y <= bottom; ++y)
        for (std::int32_t x = left; x <= right; ++x)
            out.image.bytes.push_back(image.At(x, y));
    return out;
}

}  // namespace kestrelon
