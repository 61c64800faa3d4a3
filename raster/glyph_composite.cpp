// Compositing a cached glyph: its coverage bytes weight the font's colour into the destination
// through the raster layer's blend formulas, so text blends exactly like every other drawing.

#include <algorithm>
#include <cstdint>

#include "raster/blend_formulas.h"
#include "raster/pixel_rows.h"
#include "raster/raster_font.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace raster_detail {

namespace {

struct GlyphArea {
    const std::uint8_t* coverage;  // first visible byte
    std::int32_t stride;  // bytes per glyph row
    const PixelRows* rows;
    std::int32_t x;  // first visible destination pixel
    std::int32_t y;
    std::int32_t w;
    std::int32_t h;
};

template <typename PixelFunction>
void ForEachInked(const GlyphArea& area, PixelFunction blend)
{
    for (std::int32_t row = 0; row < area.h; ++row) {
        const std::uint8_t* m = area.coverage + static_cast<std::ptrdiff_t>(row) * area.stride;
        RasterPixel* p = area.rows->Row(area.y + row) + area.x;
        for (std::int32_t i = 0; i < area.w; ++i) {
            if (m[i] != 0)
                p[i] = blend(p[i], m[i]);
        }
    }
}

template <int Op>
RasterPixel BlendColour(RasterPixel d, RasterPixel c, int weight)
{
    if constexpr (Op == ModeCopy) {
        return CopyBlend(d, c, weight);
    } else {
        return BlendPixel<Op>(d, Red(c), Green(c), Blue(c), 255, weight);
    }
}

// colourOf(m) picks the colour for a coverage byte, weightOf(m) its weight.
template <int Op, typename ColourOf, typename WeightOf>
void Composite(const GlyphArea& area, ColourOf colourOf, WeightOf weightOf)
{
    ForEachInked(area, [&](RasterPixel d, int m) { return BlendColour<Op>(d, colourOf(m), weightOf(m)); });
}

template <typename ColourOf, typename WeightOf>
void CompositeWith(int op, const GlyphArea& area, ColourOf colourOf, WeightOf weightOf)
{
    switch (op) {
    case ModeCopy:
        Composite<ModeCopy>(area, colourOf, weightOf);
        break;
    case ModeAdd:
        Composite<ModeAdd>(area, colourOf, weightOf);
        break;
    case ModeDodge:
        Composite<ModeDodge>(area, colourOf, weightOf);
        break;
    case ModeMultiply:
        Composite<ModeMultiply>(area, colourOf, weightOf);
        break;
    case ModeOverlay:
        Composite<ModeOverlay>(area, colourOf, weightOf);
        break;
    case ModeHsvAdjust:
        Composite<ModeHsvAdjust>(area, colourOf, weightOf);
        break;
    default:
        break;  // not an operation: nothing is drawn
    }
}

}  // namespace

}  // namespace raster_detail

bool RasterCachedFont::DrawCachedGlyph(RasterBitmap* destination, std::uint16_t code, std::int32_t x, std::int32_t y,
                                       const TextRect& clip)
{
    using namespace raster_detail;
    const GlyphRecord* glyph = FindGlyph(code);
    if (glyph == nullptr || glyph->pixelOffset <= 0 || glyph->width < 1 || glyph->height < 1)
        return false;
    const std::int64_t bytes = static_cast<std::int64_t>(glyph->width) * glyph->height;
    if (glyph->pixelOffset - 1 + bytes > glyphPixels.Count())
        return false;
    PixelRows rows;
    if (!MapRows(destination, rows))
        return false;

    // 64 bits: no pen position or clip the caller passes can wrap.
    std::int64_t left = x;
    std::int64_t top = y;
    if (!Vertical()) {
        left -= glyph->leftOffset;
    } else if (BottomUp()) {
        top += glyph->leftOffset;
    } else {
        top -= glyph->leftOffset;
    }
    const std::int64_t clipLeft = std::max<std::int64_t>(clip.left, 0);
    const std::int64_t clipTop = std::max<std::int64_t>(clip.top, 0);
    const std::int64_t clipRight = std::min<std::int64_t>(clip.right, rows.width);
    const std::int64_t clipBottom = std::min<std::int64_t>(clip.bottom, rows.height);
    if (left >= clipRight || top >= clipBottom || left + glyph->width <= clipLeft || top + glyph->height <= clipTop)
        return false;
    const std::int64_t skipX = std::max<std::int64_t>(clipLeft - left, 0);
    const std::int64_t skipY = std::max<std::int64_t>(clipTop - top, 0);
    const std::int64_t w = std::min<std::int64_t>(glyph->width, clipRight - left) - skipX;
    const std::int64_t h = std::min<std::int64_t>(glyph->height, clipBottom - top) - skipY;
    if (w < 1 || h < 1)
        return false;

    GlyphArea area{};
    area.coverage = glyphPixels.Data() + glyph->pixelOffset - 1 + skipY * glyph->width + skipX;
    area.stride = glyph->width;
    area.rows = &rows;
    area.x = static_cast<std::int32_t>(left + skipX);
    area.y = static_cast<std::int32_t>(top + skipY);
    area.w = static_cast<std::int32_t>(w);
    area.h = static_cast<std::int32_t>(h);

    if (backgroundMode == kBackgroundOpaque) {
        const auto fillMode = static_cast<BlendMode>(ModeBits(blendMode) & ~ModeUseSourceAlpha);
        FillRectangle(destination, area.x, area.y, area.w, area.h, background, alpha, fillMode);
    }

    // The colours' own alpha bytes play no part: the glyph's coverage and the font's opacity say
    // how much of them covers the destination.
    const RasterPixel ink = foreground | 0xFF000000u;
    const RasterPixel edge = effects | 0xFF000000u;
    const int op = ModeBits(blendMode) & 0xFF;
    const int ia = OpacityWeight(alpha);
    const bool twoColour = HasFlag(flags, FontFlags::FontShadow) || HasFlag(flags, FontFlags::FontOutline);
    auto colourOf = [&](int m) { return twoColour && m != 255 ? edge : ink; };
    if (twoColour || HasFlag(flags, FontFlags::FontMono)) {
        if (alpha == 1.0f && op == ModeCopy) {
            ForEachInked(area, [&](RasterPixel, int m) { return colourOf(m); });
            return true;
        }
        if (ia == 0)
            return true;
        CompositeWith(op, area, colourOf, [&](int) { return ia; });
        return true;
    }
    if (ia == 0)
        return true;
    auto single = [&](int) { return ink; };
    if (ia == 256) {
        CompositeWith(op, area, single, [](int m) { return m + 1; });
    } else {
        CompositeWith(op, area, single, [&](int m) { return std::min(ia * m / 256, 256); });
    }
    return true;
}

}  // namespace kestrelon
