#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/blend_formulas.h"
#include "raster/blit_rows.h"
#include "raster/pixel_rows.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace raster_detail {

namespace {

struct BlitArea {
    RasterPixel* dst;
    std::ptrdiff_t dstStep;
    const RasterPixel* src;
    std::ptrdiff_t srcStep;
    std::int32_t width;
    std::int32_t height;
};

// Clips the source rectangle to both bitmaps. In 64 bits, so that rectangles and positions
// near the int32 limits cannot wrap into the bitmap.
bool ClipBlit(const PixelRows& dst, const PixelRows& src, std::int64_t destX, std::int64_t destY,
              const SourceRect* rect, BlitArea& area)
{
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = src.width;
    std::int64_t bottom = src.height;
    if (rect != nullptr) {
        left = rect->left;
        top = rect->top;
        // A rectangle starting left of or above the source keeps its own pixels where they were.
        if (left < 0) {
            destX -= left;
            left = 0;
        }
        if (top < 0) {
            destY -= top;
            top = 0;
        }
        right = std::min<std::int64_t>(rect->right, src.width);
        bottom = std::min<std::int64_t>(rect->bottom, src.height);
    }
    if (destX < 0) {
        left -= destX;
        destX = 0;
    }
    if (destY < 0) {
        top -= destY;
        destY = 0;
    }
    if (right <= left || bottom <= top || destX >= dst.width || destY >= dst.height)
        return false;
    right = std::min(right, dst.width - destX + left);
    bottom = std::min(bottom, dst.height - destY + top);
    if (right <= left || bottom <= top)
        return false;

    area.dst = dst.Row(static_cast<std::int32_t>(destY)) + destX;
    area.dstStep = dst.step;
    area.src = src.Row(static_cast<std::int32_t>(top)) + left;
    area.srcStep = src.step;
    area.width = static_cast<std::int32_t>(right - left);
    area.height = static_cast<std::int32_t>(bottom - top);
    return true;
}

template <typename RowFunction>
void ForEachRow(const BlitArea& area, RowFunction row)
{
    RasterPixel* d = area.dst;
    const RasterPixel* s = area.src;
    for (std::int32_t y = 0; y < area.height; ++y, d += area.dstStep, s += area.srcStep)
        row(d, s);
}

void ChannelCopy(const BlitArea& area, int mode)
{
    const int from = (mode & 3) * 8;
    const int to = ((mode >> 2) & 3) * 8;
    const RasterPixel keep = ~(0xFFu << to);
    ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
        for (std::int32_t x = 0; x < area.width; ++x)
            d[x] = (d[x] & keep) | (((s[x] >> from) & 0xFFu) << to);
    });
}

template <int Op>
void BlendRows(const BlitArea& area, int weight)
{
    ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
        for (std::int32_t x = 0; x < area.width; ++x) {
            const RasterPixel p = s[x];
            d[x] = BlendPixel<Op>(d[x], Red(p), Green(p), Blue(p), Alpha(p), weight);
        }
    });
}

// Each source pixel's own alpha scales the weight. Add and multiply skip clear pixels; dodge,
// overlay and HSV adjust still apply them at weight opacity / 256.
template <int Op>
void BlendRowsSourceAlpha(const BlitArea& area, int weight)
{
    constexpr bool skipClear = Op == ModeAdd || Op == ModeMultiply;
    ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
        for (std::int32_t x = 0; x < area.width; ++x) {
            const RasterPixel p = s[x];
            const int sa = Alpha(p);
            if (skipClear && sa == 0)
                continue;
            d[x] = BlendPixel<Op>(d[x], Red(p), Green(p), Blue(p), sa, (sa + 1) * weight / 256);
        }
    });
}

}  // namespace

}  // namespace raster_detail

// UI thread.
void BlitBitmap(RasterBitmap* destination, RasterBitmap* source, std::int32_t destX, std::int32_t destY,
                const SourceRect* sourceRect, float alpha, BlendMode mode)
{
    using namespace raster_detail;
    if (destination == nullptr || source == nullptr || alpha == 0.0f)
        return;
    PixelRows dst;
    PixelRows src;
    if (!MapRows(destination, dst) || !MapRows(source, src))
        return;
    BlitArea area;
    if (!ClipBlit(dst, src, destX, destY, sourceRect, area))
        return;

    if ((ModeBits(mode) & 0xFF) >= ModeChannelCopy) {
        ChannelCopy(area, ModeBits(mode));
        return;
    }
    const int m = ModeBits(mode) & (ModeUseSourceAlpha | 0xFF);
    if (m == ModeCopy && alpha == 1.0f) {
        // memmove: a bitmap blitted onto itself must not be undefined behaviour.
        ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
            std::memmove(d, s, static_cast<std::size_t>(area.width) * sizeof(RasterPixel));
        });
        return;
    }
    if (m == ModeCopy && alpha == 0.5f) {
        // Per-byte halves, fractions dropped: white over black gives 0x7F, not 0x80.
        ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
            for (std::int32_t x = 0; x < area.width; ++x)
                d[x] = Half(s[x]) + Half(d[x]);
        });
        return;
    }

    const int weight = OpacityWeight(alpha);
    if (weight == 0)
        return;
    switch (m) {
    case ModeCopy:
        if (weight == 256) {
            ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
                std::memmove(d, s, static_cast<std::size_t>(area.width) * sizeof(RasterPixel));
            });
        } else {
            ForEachRow(area,
                       [&](RasterPixel* d, const RasterPixel* s) { BlitRowCopyWeighted(d, s, area.width, weight); });
        }
        break;
    case ModeUseSourceAlpha:
        if (weight == 256) {
            ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) { BlitRowSourceAlpha(d, s, area.width); });
        } else {
            ForEachRow(area, [&](RasterPixel* d, const RasterPixel* s) {
                BlitRowSourceAlphaWeighted(d, s, area.width, weight);
            });
        }
        break;
    case ModeAdd:
        BlendRows<ModeAdd>(area, weight);
        break;
    case ModeDodge:
        BlendRows<ModeDodge>(area, weight);
        break;
    case ModeMultiply:
        BlendRows<ModeMultiply>(area, weight);
        break;
    case ModeOverlay:
        BlendRows<ModeOverlay>(area, weight);
        break;
    case ModeHsvAdjust:
        BlendRows<ModeHsvAdjust>(area, weight);
        break;
    case ModeUseSourceAlpha | ModeAdd:
        BlendRowsSourceAlpha<ModeAdd>(area, weight);
        break;
    case ModeUseSourceAlpha | ModeDodge:
        BlendRowsSourceAlpha<ModeDodge>(area, weight);
        break;
    case ModeUseSourceAlpha | ModeMultiply:
        BlendRowsSourceAlpha<ModeMultiply>(area, weight);
        break;
    case ModeUseSourceAlpha | ModeOverlay:
        BlendRowsSourceAlpha<ModeOverlay>(area, weight);
        break;
    case ModeUseSourceAlpha | ModeHsvAdjust:
        BlendRowsSourceAlpha<ModeHsvAdjust>(area, weight);
        break;
    default:
        break;  // not an operation: nothing is drawn
    }
}

}  // namespace kestrelon
