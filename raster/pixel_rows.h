#pragma once

// Row addressing shared by the raster operations: one place that knows about stride and
// bottom-up storage, so every operation honours both the same way.

#include <cstddef>
#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace raster_detail {

struct PixelRows {
    RasterPixel* top = nullptr;  // address of pixel (0, 0)
    std::ptrdiff_t step = 0;  // pixels from row y to row y + 1; negative when stored bottom-up
    std::int32_t width = 0;
    std::int32_t height = 0;

    RasterPixel* Row(std::int32_t y) const { return top + y * step; }
};

// False when the bitmap is null, has no pixels or describes an impossible layout; only then
// may an operation skip its work silently.
inline bool MapRows(const RasterBitmap* bitmap, PixelRows& rows)
{
    if (bitmap == nullptr)
        return false;
    RasterPixel* data = bitmap->PixelData();
    const std::int32_t width = bitmap->PixelWidth();
    const std::int32_t height = bitmap->PixelHeight();
    const std::int32_t stride = bitmap->RowStride();
    if (data == nullptr || width <= 0 || height <= 0 || stride < width)
        return false;
    rows.width = width;
    rows.height = height;
    if (bitmap->StoresBottomUp()) {
        rows.top = data + static_cast<std::ptrdiff_t>(height - 1) * stride;
        rows.step = -static_cast<std::ptrdiff_t>(stride);
    } else {
        rows.top = data;
        rows.step = stride;
    }
    return true;
}

}  // namespace raster_detail

}  // namespace kestrelon
