#pragma once

// What all fonts of the process share: the surface glyphs are rendered on, the scratch bitmap
// for native text on bitmaps without a device context, the number of live fonts (the last one
// frees both bitmaps) and whether the process runs under Wine. UI threads only, no locks.

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace raster_detail {

// Columns left of the pen where a glyph may still have ink (italics, overhanging letters).
inline std::int32_t GlyphPad(std::int32_t rowHeight)
{
    return rowHeight < 16 ? 2 : rowHeight / 16 + 2;
}

// Null until first needed and again after the last font is gone.
RasterSysBitmap* GlyphSurface();
RasterSysBitmap* NativeScratch();
std::int32_t FontCount();

// The glyph surface, created if missing and grown (and prepared for white-on-black text) to at
// least size x size. Null only when it cannot be created.
RasterSysBitmap* GlyphSurfaceOfSize(std::int32_t size);
// The native scratch, created if missing and grown to at least width x height (4 x 4 at least).
RasterSysBitmap* NativeScratchOfSize(std::int32_t width, std::int32_t height);

void FontCreated();
// Frees the shared bitmaps when the last font goes.
void FontDestroyed();

// Asks the registry once per process; overridden answers hold until overridden again.
bool RunsUnderWine();
// Test seam: 1 under Wine, 0 not, -1 ask the registry again at the next decision.
void OverrideWineState(std::int32_t state);

}  // namespace raster_detail

}  // namespace kestrelon
