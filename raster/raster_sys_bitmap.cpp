#include <cstdint>
#include <limits>

#include "raster/raster_bitmap.h"
#include "raster/sys_surface.h"

namespace kestrelon {

using raster_detail::SysSurface;

RasterSysBitmap::RasterSysBitmap(std::int32_t newWidth, std::int32_t newHeight)
    : dc(raster_detail::OpenSurfaceContext())
{
    SetSize(newWidth, newHeight);
}

RasterSysBitmap::~RasterSysBitmap()
{
    ReleaseSurface();
    if (dc != nullptr)
        raster_detail::CloseSurfaceContext(dc);
}

void RasterSysBitmap::ReleaseSurface()
{
    SysSurface surface{pixels, dib, previousBitmap};
    raster_detail::DestroySurface(dc, surface);
    pixels = nullptr;
    dib = nullptr;
    previousBitmap = nullptr;
}

// UI thread.
bool RasterSysBitmap::SetSize(std::int32_t newWidth, std::int32_t newHeight)
{
    if (dc == nullptr && raster_detail::SurfaceNeedsContext()) {
        width = 0;
        height = 0;
        pixels = nullptr;
        return false;
    }
    if (newWidth == width && newHeight == height)
        return false;
    width = newWidth;
    height = newHeight;

    // A shrink keeps the larger surface, so resizing the editor down and up again is cheap;
    // RowStride stays the allocated width.
    if (newWidth > 0 && newHeight > 0 && newWidth <= allocatedWidth && newHeight <= allocatedHeight &&
        pixels != nullptr) {
        return true;
    }

    // Rounded up to 4 pixels in 64 bits, so a width near the int32 limit cannot wrap.
    const std::int64_t rounded = (static_cast<std::int64_t>(newWidth) + 3) & ~static_cast<std::int64_t>(3);
    ReleaseSurface();
    // An empty bitmap reports a stride of 0 rather than the width of a surface it has not got.
    allocatedWidth = 0;
    allocatedHeight = 0;
    if (rounded < 1 || newHeight < 1)
        return false;

    SysSurface surface;
    const bool fits = rounded <= std::numeric_limits<std::int32_t>::max() / 4 / newHeight;
    if (fits && raster_detail::CreateSurface(dc, static_cast<std::int32_t>(rounded), newHeight, surface)) {
        allocatedWidth = static_cast<std::int32_t>(rounded);
        pixels = surface.pixels;
        dib = surface.handle;
        previousBitmap = surface.previous;
        allocatedHeight = newHeight;
    } else {
        // Reported as a change, but the bitmap is empty: callers test PixelData.
        width = 0;
        height = 0;
    }
    return true;
}

}  // namespace kestrelon
