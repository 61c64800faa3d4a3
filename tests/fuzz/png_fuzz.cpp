// Any bytes as an image resource: the loader answers a whole bitmap of the
// size the header claims, or null with nothing left allocated (the leak
// checker sees to that).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The loader reads the resource in place; a copy of exactly its size
    // makes every read past the end a report.
    std::unique_ptr<std::uint8_t[]> resource = std::make_unique<std::uint8_t[]>(size);
    if (size > 0)
        std::memcpy(resource.get(), data, size);
    std::unique_ptr<RasterMemBitmap> bitmap(LoadPngFromMemory(resource.get(), static_cast<std::int32_t>(size)));
    if (!bitmap)
        return 0;

    const std::int32_t width = bitmap->PixelWidth();
    const std::int32_t height = bitmap->PixelHeight();
    FUZZ_CHECK(width > 0 && height > 0, "bitmap without pixels", static_cast<long long>(width) * height);
    FUZZ_CHECK(bitmap->PixelData() != nullptr, "bitmap without pixel data", width);
    FUZZ_CHECK(bitmap->RowStride() >= width, "row stride below the width", bitmap->RowStride());
    FUZZ_CHECK(static_cast<std::int64_t>(width) * height <= kMaxPngPixels, "bitmap beyond the size limit", width);
    // Every row the editor would draw from is there.
    for (std::int32_t y = 0; y < height; ++y)
        TouchBytes(bitmap->PixelData() + static_cast<std::ptrdiff_t>(y) * bitmap->RowStride(),
                   static_cast<std::size_t>(width) * sizeof(RasterPixel));
    return 0;
}
