#include <cstdint>
#include <cstdlib>
#include <limits>

#include "raster/large_pages.h"
#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace {

constexpr std::size_t kAlignment = 64;

// Largest pixel block the int32 capacity can describe; anything bigger counts as an
// allocation failure instead of wrapping around into a block too small for its rows.
constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

}  // namespace

RasterMemBitmap::RasterMemBitmap(std::int32_t width, std::int32_t height)
{
    if (width > 0 && height > 0)
        SetSize(width, height);
}

RasterPixel* RasterMemBitmap::PixelData() const
{
    if (!buffer)
        return nullptr;
    const auto address = reinterpret_cast<std::uintptr_t>(buffer.get());
    const std::uintptr_t aligned = (address + (kAlignment - 1)) & ~static_cast<std::uintptr_t>(kAlignment - 1);
    return reinterpret_cast<RasterPixel*>(aligned);
}

// UI thread.
bool RasterMemBitmap::SetSize(std::int32_t newWidth, std::int32_t newHeight)
{
    if (newWidth == width && newHeight == height)
        return false;
    width = newWidth;
    height = newHeight;

    // In 64 bits: a width near the int32 limit must not wrap the stride or the byte count.
    const std::int64_t stride =
        (static_cast<std::int64_t>(newWidth) + strideMask) & ~static_cast<std::int64_t>(strideMask);
    const bool fits = newWidth >= 1 && newHeight >= 1 && stride <= kMaxBytes / 4 / newHeight;
    const std::int64_t needed = fits ? stride * newHeight * 4 : 0;

    const std::int32_t capacityBefore = capacity;
    if (!fits) {
        buffer.reset();
        capacity = 0;
    } else if (!buffer) {
        buffer.reset(static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(needed) + kAlignment - 1)));
        capacity = buffer ? static_cast<std::int32_t>(needed) : 0;
    } else if (needed > capacity) {
        // A quarter more than asked, so a scratch bitmap that creeps larger stops reallocating.
        std::int64_t grown = needed + needed / 4;
        if (grown > kMaxBytes)
            grown = kMaxBytes;
        void* moved = std::realloc(buffer.get(), static_cast<std::size_t>(grown) + kAlignment - 1);
        if (moved != nullptr) {
            (void)buffer.release();
            buffer.reset(static_cast<unsigned char*>(moved));
            capacity = static_cast<std::int32_t>(grown);
        } else {
            // Give the old block back first: the exact-size retry is for when memory is short.
            buffer.reset();
            buffer.reset(static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(needed) + kAlignment - 1)));
            capacity = buffer ? static_cast<std::int32_t>(needed) : 0;
        }
    }
    // Otherwise the block is big enough: memory is never given back while the bitmap lives.
    // A new or grown block gets the advice once; a reused one has had it.
    if (buffer && capacity != capacityBefore && static_cast<std::size_t>(needed) >= kLargePageWorthy)
        AdviseLargePages(buffer.get(), static_cast<std::size_t>(needed) + kAlignment - 1);

    if (!buffer) {
        width = 0;
        height = 0;
    }
    return true;
}

}  // namespace kestrelon
