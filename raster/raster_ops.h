#pragma once

// The raster operations the editor draws with. None reports errors: a null or empty bitmap,
// a zero opacity or a request that clips away entirely simply draws nothing, and no
// coordinates passed in can make an operation touch memory outside its bitmaps.

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

// Right and bottom are exclusive.
struct SourceRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Draws the source rectangle (the whole source when sourceRect is null) unscaled with its
// top-left corner at (destX, destY). alpha is the global opacity, 0..1.
void BlitBitmap(RasterBitmap* destination, RasterBitmap* source, std::int32_t destX, std::int32_t destY,
                const SourceRect* sourceRect, float alpha, BlendMode mode);

void FillRectangle(RasterBitmap* destination, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   RasterPixel colour, float alpha, BlendMode mode);

// Anti-aliased; both end points are drawn.
void DrawLine(RasterBitmap* destination, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              RasterPixel colour, float alpha, BlendMode mode);

// Zeroes the first PixelWidth() pixels of every row.
void ClearBitmap(RasterBitmap* bitmap);

// Softens the top-left w x h pixels in place (glyph blurring).
void BlurRegion(RasterBitmap* bitmap, std::int32_t w, std::int32_t h);

}  // namespace kestrelon
