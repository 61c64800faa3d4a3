#pragma once

// The libpng glue shared by the memory and the file loaders.

#include <cstdint>
#include <cstdio>

namespace kestrelon {

class RasterBitmap;

// Where the encoded bytes come from: an open file, or a block of memory (used when file is
// null). Either way the stream starts at the PNG signature.
struct PngInput {
    std::FILE* file = nullptr;
    const std::uint8_t* data = nullptr;
    std::int32_t length = 0;
};

// Decodes into destination (resized to the image) or, without one, into a new RasterMemBitmap.
// Returns the bitmap, or null with nothing left allocated. The file is not closed here, but
// libpng is finished with it when this returns.
RasterBitmap* DecodePng(const PngInput& input, RasterBitmap* destination);

}  // namespace kestrelon
