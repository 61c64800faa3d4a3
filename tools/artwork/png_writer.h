#pragma once

// Writing a bitmap as an 8-bit RGBA PNG with libpng, in memory, with nothing in the file that
// changes from run to run (no time, no text chunks): the same picture gives the same bytes.

#include <cstdint>
#include <vector>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace artwork {

// False when libpng fails; bytes holds the file otherwise.
bool EncodePng(const RasterBitmap& bitmap, std::vector<std::uint8_t>& bytes);

}  // namespace artwork

}  // namespace kestrelon
