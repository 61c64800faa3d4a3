#include <algorithm>
#include <cstdint>

#include "raster/pixel_rows.h"
#include "raster/raster_ops.h"

namespace kestrelon {

// UI thread.
void ClearBitmap(RasterBitmap* bitmap)
{
    raster_detail::PixelRows rows;
    if (!raster_detail::MapRows(bitmap, rows))
        return;
    for (std::int32_t y = 0; y < rows.height; ++y)
        std::fill_n(rows.Row(y), rows.width, RasterPixel{0});
}

}  // namespace kestrelon
