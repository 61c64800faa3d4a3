#pragma once

// Decoding PNG images into bitmaps of straight-alpha RasterPixels (0xAARRGGBB). Every colour
// type and bit depth arrives as 8-bit alpha, red, green and blue. Loaders keep no state between
// calls and may run on any thread; the editor calls them on its UI thread.

#include <cstdint>

namespace kestrelon {

class RasterBitmap;
class RasterMemBitmap;

// Images beyond these are refused before any pixel memory is taken: a corrupt or hostile
// header must not make the editor ask for gigabytes. The area limit keeps the bitmap's byte
// count (row stride x height x 4) at 1 GiB, well inside its 32-bit size arithmetic.
inline constexpr std::int64_t kMaxPngPixels = 256LL * 1024 * 1024;
inline constexpr std::uint32_t kMaxPngSide = 1u << 20;

// A new bitmap owned by the caller, or null. The bytes are read in place and not retained.
RasterMemBitmap* LoadPngFromMemory(const void* data, std::int32_t length);

// Decodes the file named in UTF-8. With a destination it resizes and fills that bitmap and
// returns it; otherwise it returns a new RasterMemBitmap. Null on failure. A destination is
// never deleted: after a failure it is still a valid bitmap, possibly resized, all pixels 0.
RasterBitmap* LoadPngFromFile(const char* fileName, RasterBitmap* destination);

}  // namespace kestrelon
