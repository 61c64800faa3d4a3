#pragma once

// The libpng glue under the loaders of png_loader.h, and the one platform step of reading a file.

#include <cstdint>
#include <cstdio>

namespace kestrelon {

class RasterBitmap;
class RasterMemBitmap;

// Images beyond these are refused before any pixel memory is taken: a corrupt or hostile
// header must not make the editor ask for gigabytes. The area limit keeps the bitmap's byte
// count (row stride x height x 4) at 1 GiB, well inside its 32-bit size arithmetic.
inline constexpr std::int64_t kMaxPngPixels = 256LL * 1024 * 1024;
inline constexpr std::uint32_t kMaxPngSide = 1u << 20;

// Where the encoded bytes come from: an open file, or a block of memory (used when file is
// null). Either way the stream starts at the PNG signature.
struct PngInput {
    std::FILE* file = nullptr;
    const std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    bool ownResource = false;  // the bytes are one of the module's own resources
};

// Decodes into destination (resized to the image) or, without one, into a new RasterMemBitmap.
// Returns the bitmap, or null with nothing left allocated. The file is not closed here, but
// libpng is finished with it when this returns.
RasterBitmap* DecodePng(const PngInput& input, RasterBitmap* destination);

// LoadPngFromMemory, saying whether the bytes are one of the module's own resources.
RasterMemBitmap* DecodePngBytes(const void* data, std::int32_t length, bool ownResource);

// The bytes of a module's "PNG" resource (read in place, owned by the module), or false when it
// is missing or shorter than a signature (png_source_*.cpp).
bool FindPngResource(void* module, std::uint16_t id, const void** data, std::int32_t* length);

// The module's own 8-bit RGBA images, decoded without libpng (png_own_decode.cpp). handled is
// false (and the answer null) for any other kind of image, which libpng then decodes; when true,
// the answer is the bitmap, or null when the data does not decode.
RasterMemBitmap* DecodeOwnRgba8(const std::uint8_t* data, std::int32_t length, bool& handled);

// Opens a file named in UTF-8 for binary reading, or returns null (png_source_*.cpp).
std::FILE* OpenPngFileForReading(const char* utf8Name);

}  // namespace kestrelon
