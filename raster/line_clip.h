#pragma once

// Clipping of line end points to a bitmap, shared by the line drawer and its tests.

#include <cstdint>

namespace kestrelon {

namespace raster_detail {

// Moves the end points of the line onto the bitmap 0 <= x < width, 0 <= y < height
// (Cohen-Sutherland). False when no part of the line is left. Coordinates are 64-bit so that
// any pair of int32 end points clips without overflow.
bool ClipLineToBitmap(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2, std::int64_t& y2, std::int32_t width,
                      std::int32_t height);

}  // namespace raster_detail

}  // namespace kestrelon
