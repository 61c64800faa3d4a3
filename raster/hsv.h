#pragma once

// Integer hue/saturation/value conversion for the HSV-adjust blend: hue 0..383 in six sectors
// of 64, saturation and value 0..255. Round trips lose a little; the exact losses are part of
// how adjusted pixels look.

#include <array>
#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace raster_detail {

struct Hsv {
    int h;
    int s;
    int v;
};

// floor(65536 / i) - 1, with 0 for i == 0: lets the conversion multiply instead of divide.
inline constexpr std::array<std::uint16_t, 256> kReciprocals = [] {
    std::array<std::uint16_t, 256> table{};
    for (int i = 1; i < 256; ++i)
        table[i] = static_cast<std::uint16_t>(65536 / i - 1);
    return table;
}();

Hsv PixelToHsv(int r, int g, int b);

// Channels and alpha are stored modulo 256.
RasterPixel HsvToPixel(int h, int s, int v, int a);

}  // namespace raster_detail

}  // namespace kestrelon
