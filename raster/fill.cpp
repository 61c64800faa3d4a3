#include <algorithm>
#include <cstdint>

#include "raster/blend_formulas.h"
#include "raster/pixel_rows.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace raster_detail {

namespace {

template <typename PixelFunction>
void ForEachPixel(const PixelRows& rows, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                  PixelFunction blend)
{
    for (std::int32_t row = 0; row < h; ++row) {
        RasterPixel* p = rows.Row(y + row) + x;
        for (std::int32_t i = 0; i < w; ++i)
            p[i] = blend(p[i]);
    }
}

// In the general copy path the weight itself is the target alpha, not the colour's alpha byte.
RasterPixel FillCopyPixel(RasterPixel d, RasterPixel c, int weight)
{
    const int keep = 256 - weight;
    return Pack(Towards(Alpha(d), weight, keep), Towards(Red(d), Red(c), keep), Towards(Green(d), Green(c), keep),
                Towards(Blue(d), Blue(c), keep));
}

template <int Op>
void FillBlend(const PixelRows& rows, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
               RasterPixel colour, int weight)
{
    const int r = Red(colour);
    const int g = Green(colour);
    const int b = Blue(colour);
    ForEachPixel(rows, x, y, w, h, [&](RasterPixel p) { return BlendPixel<Op>(p, r, g, b, weight, weight); });
}

}  // namespace

}  // namespace raster_detail

// UI thread.
void FillRectangle(RasterBitmap* destination, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   RasterPixel colour, float alpha, BlendMode mode)
{
    using namespace raster_detail;
    if (destination == nullptr)
        return;
    if (ModeBits(mode) & ModeUseSourceAlpha)
        alpha = alpha * (static_cast<float>(colour >> 24) / 255.0f);

    // 64 bits: x + w and the clipped extents cannot wrap for any int32 input.
    std::int64_t left = x;
    std::int64_t top = y;
    std::int64_t width = w;
    std::int64_t height = h;
    if (left < 0) {
        width += left;
        left = 0;
    }
    if (top < 0) {
        height += top;
        top = 0;
    }
    PixelRows rows;
    if (alpha == 0.0f || !MapRows(destination, rows))
        return;
    if (width < 1 || height < 1 || left >= rows.width || top >= rows.height)
        return;
    width = std::min(width, rows.width - left);
    height = std::min(height, rows.height - top);
    const auto cx = static_cast<std::int32_t>(left);
    const auto cy = static_cast<std::int32_t>(top);
    const auto cw = static_cast<std::int32_t>(width);
    const auto ch = static_cast<std::int32_t>(height);

    const int weight = OpacityWeight(alpha);
    const int op = ModeBits(mode) & 0xFF;
    if (op == ModeCopy) {
        // Direct stores and shift-and-mask blends for the common opacities; their rounding
        // (fractions dropped per byte) differs from the general formula on purpose.
        switch (weight) {
        case 256:
            ForEachPixel(rows, cx, cy, cw, ch, [&](RasterPixel) { return colour; });
            return;
        case 128:
            ForEachPixel(rows, cx, cy, cw, ch, [&](RasterPixel p) { return Half(colour) + Half(p); });
            return;
        case 64:
            ForEachPixel(rows, cx, cy, cw, ch, [&](RasterPixel p) { return Half(p) + Quarter(p) + Quarter(colour); });
            return;
        case 192:
            ForEachPixel(rows, cx, cy, cw, ch,
                         [&](RasterPixel p) { return Half(colour) + Quarter(colour) + Quarter(p); });
            return;
        default:
            break;
        }
    }
    if (weight == 0)
        return;
    switch (op) {
    case ModeCopy:
        ForEachPixel(rows, cx, cy, cw, ch, [&](RasterPixel p) { return FillCopyPixel(p, colour, weight); });
        break;
    case ModeAdd:
        FillBlend<ModeAdd>(rows, cx, cy, cw, ch, colour, weight);
        break;
    case ModeDodge:
        FillBlend<ModeDodge>(rows, cx, cy, cw, ch, colour, weight);
        break;
    case ModeMultiply:
        FillBlend<ModeMultiply>(rows, cx, cy, cw, ch, colour, weight);
        break;
    case ModeOverlay:
        FillBlend<ModeOverlay>(rows, cx, cy, cw, ch, colour, weight);
        break;
    case ModeHsvAdjust:
        FillBlend<ModeHsvAdjust>(rows, cx, cy, cw, ch, colour, weight);
        break;
    default:
        break;  // not an operation: nothing is drawn
    }
}

}  // namespace kestrelon
