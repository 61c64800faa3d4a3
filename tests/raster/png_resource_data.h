#pragma once

// The PNG resources of the resource tests. The files under data/ were written by
// png_write_resource_data from these descriptions; on Windows png_resource_test.rc builds them
// into the test program, elsewhere the test registers their bytes.

#include "tests/support/png_test_image.h"

#include <cstdint>

namespace kestrelon {

struct PngResourceImage {
    std::uint16_t id;
    const char* fileName;
    int colourType, bitDepth, width, height;
    bool interlaced, transparency;
    std::uint32_t seed;
    // Bytes kept of the encoded image; 0 keeps it whole.
    std::size_t keptBytes;
};

// Loadable images.
inline constexpr PngResourceImage kRgbaResource{100, "png_rgba.png", 6, 8, 5, 4, false, false, 21, 0};
inline constexpr PngResourceImage kPaletteResource{101, "png_palette.png", 3, 4, 9, 7, true, true, 22, 0};
// Refused ones: shorter than a signature, cut in the pixel data.
inline constexpr PngResourceImage kShortResource{102, "png_short.png", 2, 16, 4, 4, false, false, 23, 5};
inline constexpr PngResourceImage kCutResource{103, "png_cut.png", 2, 16, 4, 4, false, false, 24, 60};
// Not a PNG at all.
inline constexpr std::uint16_t kForeignResourceId = 104;
inline constexpr const char* kForeignResourceFile = "png_foreign.png";
// No resource of this id exists.
inline constexpr std::uint16_t kMissingResourceId = 105;

inline PngTestImage ResourceTestImage(const PngResourceImage& r)
{
    return MakeTestImage(r.colourType, r.bitDepth, r.width, r.height, r.interlaced, r.transparency, r.seed);
}

}  // namespace kestrelon
