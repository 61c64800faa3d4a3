// Filling the glyph cache: each character is rendered once by the platform, white on black, on
// the shared glyph surface, reduced to one coverage byte per pixel (the red byte), trimmed to
// its inked columns, post-processed by the font's effect flags and stored.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "raster/font_platform.h"
#include "raster/raster_font.h"
#include "raster/raster_ops.h"
#include "raster/text_surfaces.h"

namespace kestrelon {

namespace {

// Taller fonts are drawn natively (Windows) or not at all: their cells would not fit a surface
// the cache is willing to keep.
constexpr std::int32_t kMaxCachedRowHeight = 1024;

void MarkEmpty(GlyphRecord& glyph)
{
    const std::int32_t code = glyph.code;
    glyph = GlyphRecord{};
    glyph.pixelOffset = -1;
    glyph.code = code;
}

// A quarter turn of a w x h image into out (h x w): clockwise for text that reads downwards,
// anticlockwise for text that reads upwards.
void Rotate(const std::uint8_t* in, std::uint8_t* out, std::int32_t w, std::int32_t h, bool anticlockwise)
{
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t outX = anticlockwise ? y : h - 1 - y;
            const std::int32_t outY = anticlockwise ? w - 1 - x : x;
            out[static_cast<std::ptrdiff_t>(outY) * h + outX] = in[static_cast<std::ptrdiff_t>(y) * w + x];
        }
    }
}

}  // namespace

GlyphRecord* RasterCachedFont::FindGlyph(std::uint16_t code)
{
    if (code < 128)
        return &asciiGlyphs[code];
    GlyphRecord* first = extraGlyphs.Data();
    GlyphRecord* last = first + extraGlyphs.Count();
    GlyphRecord* found =
        std::lower_bound(first, last, code, [](const GlyphRecord& g, std::int32_t c) { return g.code < c; });
    return found != last && found->code == code ? found : nullptr;
}

bool RasterCachedFont::RenderGlyph(std::uint16_t code)
{
    if (rowHeight >= kMaxCachedRowHeight)
        return false;
    GlyphRecord* glyph = FindGlyph(code);
    bool added = false;
    if (glyph == nullptr) {
        if (HasFlag(flags, FontFlags::FontPrecacheAscii))
            return false;
        // Inserted in code order at once rather than appended and sorted: the same order, and
        // the record stays where it is while it is filled in.
        GlyphRecord* first = extraGlyphs.Data();
        GlyphRecord* at = std::lower_bound(first, first + extraGlyphs.Count(), code,
                                           [](const GlyphRecord& g, std::int32_t c) { return g.code < c; });
        const auto index = static_cast<std::int32_t>(at - first);
        GlyphRecord fresh{};
        fresh.code = code;
        if (!extraGlyphs.Insert(index, fresh))
            return false;
        glyph = extraGlyphs.Data() + index;
        added = true;
    }

    RasterSysBitmap* surface = raster_detail::GlyphSurfaceOfSize(std::max(rowHeight, 1) * 2 + 8);
    // Without a font every glyph is empty: the surface's own default font would draw something
    // that the line height (0) knows nothing of.
    if (surface == nullptr || surface->PixelData() == nullptr || handle == nullptr) {
        MarkEmpty(*glyph);
        return added;
    }
    const std::int32_t pad = raster_detail::GlyphPad(rowHeight);
    const raster_detail::GlyphCellSize cell = raster_detail::MeasureGlyphCell(handle, *surface, code);
    std::int32_t w = cell.width;
    std::int32_t h = cell.height;
    std::int32_t cellWidth = w + 2 * pad;
    FillRectangle(surface, 0, 0, cellWidth, h, 0, 1.0f, BlendMode::ModeCopy);
    raster_detail::DrawGlyphCell(handle, *surface, code, pad, cellWidth, h);

    w = std::min(w, surface->PixelWidth());
    cellWidth = std::min(cellWidth, surface->PixelWidth());
    h = std::min(h, surface->PixelHeight());
    if (w < 1 || h < 1) {
        MarkEmpty(*glyph);
        return added;
    }
    glyph->advance = w;
    if (HasFlag(flags, FontFlags::FontBlur))
        BlurRegion(surface, cellWidth, h);
    StoreCoverage(*glyph, *surface, w, cellWidth, h, pad);
    if (glyph->pixelOffset > 0)
        PostProcess(*glyph);
    return added;
}

void RasterCachedFont::StoreCoverage(GlyphRecord& glyph, RasterSysBitmap& surface, std::int32_t w,
                                     std::int32_t cellWidth, std::int32_t h, std::int32_t pad)
{
    const std::int32_t start = glyphPixels.Count();
    if (static_cast<std::int64_t>(cellWidth) * h > INT32_MAX - 1 - static_cast<std::int64_t>(start) ||
        !glyphPixels.Grow(cellWidth * h)) {
        MarkEmpty(glyph);
        return;
    }
    const bool invert = HasFlag(flags, FontFlags::FontInvert);
    std::uint8_t* image = glyphPixels.Data() + start;
    // Ink left of the pen and right of the advance widens the image; the pad columns between
    // are dropped when nothing is drawn there.
    std::int32_t left = std::min(pad, cellWidth);
    std::int32_t right = std::min(w + pad, cellWidth);
    for (std::int32_t y = 0; y < h; ++y) {
        const RasterPixel* row = surface.PixelData() + static_cast<std::ptrdiff_t>(y) * surface.RowStride();
        std::uint8_t* out = image + static_cast<std::ptrdiff_t>(y) * cellWidth;
        for (std::int32_t x = 0; x < cellWidth; ++x) {
            const auto value = static_cast<std::uint8_t>(row[x] >> 16);
            out[x] = invert ? static_cast<std::uint8_t>(255 - value) : value;
            if (value != 0) {
                if (x < left)
                    left = x;
                if (x >= right)
                    right = x + 1;
            }
        }
    }
    const std::int32_t width = right - left;
    if (width < cellWidth) {
        for (std::int32_t y = 0; y < h; ++y)
            std::memmove(image + static_cast<std::ptrdiff_t>(y) * width,
                         image + static_cast<std::ptrdiff_t>(y) * cellWidth + left, static_cast<std::size_t>(width));
        glyphPixels.Shrink(start + width * h);
    }
    glyph.pixelOffset = start + 1;
    glyph.leftOffset = pad - left;
    glyph.width = width;
    glyph.height = h;
    if (width < 1) {
        glyphPixels.Shrink(start);
        MarkEmpty(glyph);
    }
}

void RasterCachedFont::PostProcess(GlyphRecord& glyph)
{
    std::uint8_t* image = glyphPixels.Data() + glyph.pixelOffset - 1;
    const std::int32_t size = glyph.width * glyph.height;
    if (Vertical()) {
        auto* turned = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size)));
        if (turned == nullptr) {
            MarkEmpty(glyph);
            return;
        }
        Rotate(image, turned, glyph.width, glyph.height, HasFlag(flags, FontFlags::FontBottomUp));
        std::memcpy(image, turned, static_cast<std::size_t>(size));
        std::free(turned);
        std::swap(glyph.width, glyph.height);
    }
    const bool shadow = HasFlag(flags, FontFlags::FontShadow);
    const bool outline = HasFlag(flags, FontFlags::FontOutline);
    if (!HasFlag(flags, FontFlags::FontMono) && !shadow && !outline)
        return;
    for (std::int32_t i = 0; i < size; ++i)
        image[i] = image[i] > 130 ? 255 : 0;
    if (!shadow && !outline)
        return;
    // The new pixels are 128, so testing neighbours for 255 sees only the glyph itself.
    const std::int32_t w = glyph.width;
    const std::int32_t h = glyph.height;
    auto ink = [&](std::int32_t x, std::int32_t y) {
        return x >= 0 && y >= 0 && x < w && y < h && image[static_cast<std::ptrdiff_t>(y) * w + x] == 255;
    };
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            std::uint8_t& p = image[static_cast<std::ptrdiff_t>(y) * w + x];
            if (p != 0)
                continue;
            const bool edge = shadow ? ink(x - 1, y) || ink(x - 1, y - 1) || ink(x, y - 1)
                                     : ink(x - 1, y) || ink(x + 1, y) || ink(x, y - 1) || ink(x, y + 1);
            if (edge)
                p = 128;
        }
    }
}

}  // namespace kestrelon
