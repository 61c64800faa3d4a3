#include <algorithm>
#include <new>

#include "raster/font_platform.h"
#include "raster/text_surfaces.h"

namespace kestrelon {

namespace raster_detail {

namespace {

// Plain pointers, not objects with destructors: a font that lives in another file's static
// cache may be destroyed after this file's statics, and must still find them intact.
RasterSysBitmap* glyphSurface = nullptr;
RasterSysBitmap* nativeScratch = nullptr;
std::int32_t fontCount = 0;
std::int32_t wineState = -1;

}  // namespace

RasterSysBitmap* GlyphSurface()
{
    return glyphSurface;
}

RasterSysBitmap* NativeScratch()
{
    return nativeScratch;
}

std::int32_t FontCount()
{
    return fontCount;
}

RasterSysBitmap* GlyphSurfaceOfSize(std::int32_t size)
{
    if (!glyphSurface)
        glyphSurface = new (std::nothrow) RasterSysBitmap();
    if (glyphSurface == nullptr)
        return nullptr;
    if (glyphSurface->PixelWidth() < size || glyphSurface->PixelHeight() < size) {
        glyphSurface->SetSize(size, size);
        PrepareGlyphSurface(*glyphSurface);
    }
    return glyphSurface;
}

RasterSysBitmap* NativeScratchOfSize(std::int32_t width, std::int32_t height)
{
    if (!nativeScratch)
        nativeScratch = new (std::nothrow) RasterSysBitmap(4, 4);
    if (nativeScratch == nullptr)
        return nullptr;
    const std::int32_t w = std::max({width, nativeScratch->PixelWidth(), 4});
    const std::int32_t h = std::max({height, nativeScratch->PixelHeight(), 4});
    nativeScratch->SetSize(w, h);
    return nativeScratch;
}

void FontCreated()
{
    ++fontCount;
}

void FontDestroyed()
{
    if (--fontCount > 0)
        return;
    fontCount = 0;
    delete glyphSurface;
    glyphSurface = nullptr;
    delete nativeScratch;
    nativeScratch = nullptr;
}

bool RunsUnderWine()
{
    if (wineState < 0)
        wineState = ProbeRunsUnderWine() ? 1 : 0;
    return wineState == 1;
}

void OverrideWineState(std::int32_t state)
{
    wineState = state < 0 ? -1 : (state > 0 ? 1 : 0);
}

}  // namespace raster_detail

}  // namespace kestrelon
