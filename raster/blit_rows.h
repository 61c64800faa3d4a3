#pragma once

// Row kernels for the blits the editor does most (drawing its pictures with their own alpha,
// and fading whole bitmaps). Vectorised where the processor allows; results are identical to
// the per-pixel formulas, rounding included.

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace raster_detail {

// ModeCopy at weight 1..255: every byte d = s + (d - s) * (256 - weight) / 256.
void BlitRowCopyWeighted(RasterPixel* dst, const RasterPixel* src, std::int32_t count, int weight);

// ModeUseSourceAlpha at full opacity: alpha 0 skipped, 255 replaces the colour, otherwise the
// colour moves by (255 - sA) / 256 and the alpha adds up, saturating.
void BlitRowSourceAlpha(RasterPixel* dst, const RasterPixel* src, std::int32_t count);

// ModeUseSourceAlpha at weight 1..255: a = (sA + 1) * weight / 256 is the pixel's weight.
void BlitRowSourceAlphaWeighted(RasterPixel* dst, const RasterPixel* src, std::int32_t count, int weight);

}  // namespace raster_detail

}  // namespace kestrelon
