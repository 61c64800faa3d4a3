#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "raster/blend_formulas.h"
#include "raster/pixel_rows.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace raster_detail {

namespace {

// Regions up to this wide keep their two saved rows on the stack (glyphs are far narrower).
constexpr std::int32_t kStackWidth = 1024;

// One row of the blur: centre 1/2, the rest shared out in eighths and quarters as neighbours
// exist. Every term is truncated per byte before the sum, so no byte can carry into the next.
// above is null on the first row, below null on the last.
void BlurRow(RasterPixel* out, const RasterPixel* row, const RasterPixel* above, const RasterPixel* below,
             std::int32_t w)
{
    const RasterPixel* vertical = above != nullptr ? above : below;
    const bool both = above != nullptr && below != nullptr;
    auto verticalPart = [&](std::int32_t x) {
        return both ? Eighth(above[x]) + Eighth(below[x]) : Quarter(vertical[x]);
    };
    // A sliding window reads each pixel before its own output is stored, so the row's own
    // neighbours are unblurred even when out and row are the same memory.
    RasterPixel left = 0;
    RasterPixel centre = row[0];
    RasterPixel right = row[1];
    out[0] = Half(centre) + Quarter(right) + verticalPart(0);
    for (std::int32_t x = 1; x < w - 1; ++x) {
        left = centre;
        centre = right;
        right = row[x + 1];
        out[x] = Half(centre) + Eighth(left) + Eighth(right) + verticalPart(x);
    }
    out[w - 1] = Half(right) + Quarter(centre) + verticalPart(w - 1);
}

}  // namespace

}  // namespace raster_detail

// UI thread (the glyph renderer).
void BlurRegion(RasterBitmap* bitmap, std::int32_t w, std::int32_t h)
{
    using namespace raster_detail;
    PixelRows rows;
    if (!MapRows(bitmap, rows))
        return;
    w = std::min(w, rows.width);
    h = std::min(h, rows.height);
    if (w < 2 || h < 2)
        return;

    // Two saved rows: the row being blurred and the one above it, both as they were before
    // blurring, so every pixel is computed from unblurred neighbours.
    RasterPixel stackRows[2 * kStackWidth];
    std::unique_ptr<RasterPixel[]> heapRows;
    RasterPixel* saved = stackRows;
    if (w > kStackWidth) {
        heapRows.reset(new (std::nothrow) RasterPixel[2 * static_cast<std::size_t>(w)]);
        saved = heapRows.get();
    }
    const std::size_t rowBytes = static_cast<std::size_t>(w) * sizeof(RasterPixel);

    for (std::int32_t y = 0; y < h; ++y) {
        RasterPixel* out = rows.Row(y);
        const RasterPixel* below = y + 1 < h ? rows.Row(y + 1) : nullptr;
        const RasterPixel* row = out;
        const RasterPixel* above = y > 0 ? rows.Row(y - 1) : nullptr;
        if (saved != nullptr) {
            RasterPixel* slot = saved + (y & 1) * static_cast<std::ptrdiff_t>(w);
            std::memcpy(slot, out, rowBytes);
            row = slot;
            if (y > 0)
                above = saved + ((y - 1) & 1) * static_cast<std::ptrdiff_t>(w);
        }
        // Without saved rows (allocation failed) the row above is read already blurred.
        BlurRow(out, row, above, below, w);
    }
}

}  // namespace kestrelon
