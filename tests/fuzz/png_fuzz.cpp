// Any bytes as an image resource: the loader answers a whole bitmap of the
// size the header claims, or null with nothing left allocated (the leak
// checker sees to that).
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/png_decoder.h"
#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/fuzz/fuzz_check.h"

namespace kestrelon {

namespace {

std::uint32_t ReadBigEndian(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// Almost every mutation breaks a chunk's CRC, and the loader refuses a bad
// CRC at once: only with the CRCs made right again do mutated headers,
// palettes and image data reach the decoding. Chunks are walked from the
// signature on; the walk ends at the first chunk that runs past the end.
// True when any CRC changed.
bool RepairCrcs(std::vector<std::uint8_t>& png)
{
    bool changed = false;
    std::size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const std::uint32_t length = ReadBigEndian(&png[pos]);
        if (length > png.size() - pos - 12)
            break;
        const uLong crc = crc32(0L, &png[pos + 4], static_cast<uInt>(length) + 4);
        std::uint8_t* stored = &png[pos + 8 + length];
        const std::uint8_t want[4] = {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                                      static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
        if (std::memcmp(stored, want, 4) != 0) {
            std::memcpy(stored, want, 4);
            changed = true;
        }
        pos += 12 + length;
    }
    return changed;
}

void Load(const std::vector<std::uint8_t>& bytes)
{
    // The loader reads the resource in place; a block of exactly its size
    // makes every read past the end a report.
    std::unique_ptr<std::uint8_t[]> resource = std::make_unique<std::uint8_t[]>(bytes.size());
    if (!bytes.empty())
        std::memcpy(resource.get(), bytes.data(), bytes.size());
    std::unique_ptr<RasterMemBitmap> bitmap(LoadPngFromMemory(resource.get(), static_cast<std::int32_t>(bytes.size())));
    if (!bitmap)
        return;

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
}

}  // namespace

}  // namespace kestrelon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrelon;
    std::vector<std::uint8_t> bytes(data, data + size);
    Load(bytes);
    if (RepairCrcs(bytes))
        Load(bytes);
    return 0;
}
