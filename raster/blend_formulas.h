#pragma once

// The per-pixel blend formulas. Integer arithmetic on 8-bit channels with weights 0..256;
// every division truncates towards zero (C++ signed division), which is part of the result:
// drawings must come out the same bit for bit on every build.

#include <cstdint>

#include "raster/hsv.h"
#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace raster_detail {

// The mode word's parts as plain numbers, which the per-pixel code switches and specialises on.
inline constexpr int ModeCopy = ModeBits(BlendMode::ModeCopy);
inline constexpr int ModeAdd = ModeBits(BlendMode::ModeAdd);
inline constexpr int ModeDodge = ModeBits(BlendMode::ModeDodge);
inline constexpr int ModeMultiply = ModeBits(BlendMode::ModeMultiply);
inline constexpr int ModeOverlay = ModeBits(BlendMode::ModeOverlay);
inline constexpr int ModeHsvAdjust = ModeBits(BlendMode::ModeHsvAdjust);
inline constexpr int ModeChannelCopy = ModeBits(BlendMode::ModeChannelCopy);
inline constexpr int ModeUseSourceAlpha = ModeBits(BlendMode::ModeUseSourceAlpha);

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline int Blue(RasterPixel p)
{
    return static_cast<int>(p & 0xFF);
}
inline int Green(RasterPixel p)
{
    return static_cast<int>((p >> 8) & 0xFF);
}
inline int Red(RasterPixel p)
{
    return static_cast<int>((p >> 16) & 0xFF);
}
inline int Alpha(RasterPixel p)
{
    return static_cast<int>(p >> 24);
}

// Channels are stored modulo 256, as the formulas that can leave 0..255 expect.
inline RasterPixel Pack(int a, int r, int g, int b)
{
    return (static_cast<RasterPixel>(a & 0xFF) << 24) | (static_cast<RasterPixel>(r & 0xFF) << 16) |
           (static_cast<RasterPixel>(g & 0xFF) << 8) | static_cast<RasterPixel>(b & 0xFF);
}

// Per-byte halves, quarters and eighths with the fractions dropped: the cheap averages of the
// fast paths, whose rounding differs from the general formula on purpose.
inline RasterPixel Half(RasterPixel p)
{
    return (p >> 1) & 0x7F7F7F7Fu;
}
inline RasterPixel Quarter(RasterPixel p)
{
    return (p >> 2) & 0x3F3F3F3Fu;
}
inline RasterPixel Eighth(RasterPixel p)
{
    return (p >> 3) & 0x1F1F1F1Fu;
}

// Global opacity to a 0..256 weight: (int)(alpha * 256) truncated. NaN and negative opacities
// draw nothing and opacities above 1 act as 1, so no weight can push the formulas past 8 bits
// or overflow them.
inline int OpacityWeight(float alpha)
{
    if (!(alpha > 0.0f))
        return 0;
    if (alpha >= 1.0f)
        return 256;
    return static_cast<int>(static_cast<double>(alpha) * 256.0);
}

// The destination moves towards s; keep = 256 - weight. Stays between d and s.
inline int Towards(int d, int s, int keep)
{
    return s + (d - s) * keep / 256;
}

inline RasterPixel CopyBlend(RasterPixel d, RasterPixel c, int weight)
{
    const int keep = 256 - weight;
    return Pack(Towards(Alpha(d), Alpha(c), keep), Towards(Red(d), Red(c), keep), Towards(Green(d), Green(c), keep),
                Towards(Blue(d), Blue(c), keep));
}

inline int AddChannel(int d, int s, int w)
{
    return Clamp255(d + s * w / 256);
}

inline int DodgeChannel(int d, int s, int w)
{
    const int t = 256 - s * w / 256;
    return Clamp255(t > 1 ? (d * 256) / t : d * 256);
}

// The factor never exceeds 65536, so no clamp; a white source at w 256 still darkens 255 to 254.
inline int MultiplyChannel(int d, int s, int w)
{
    return (((256 - w) * 256 + w * s) * d) >> 16;
}

inline int OverlayChannel(int d, int s, int w)
{
    const int v = s * w + (256 - w) * 128;
    return Clamp255((d * (d * (32768 - v) / 256 + v)) >> 15);
}

// Red turns the hue, green the saturation, blue the value; 128 is neutral. The input's alpha
// replaces the destination's.
inline RasterPixel HsvAdjust(RasterPixel d, int r, int g, int b, int a, int w)
{
    const Hsv hsv = PixelToHsv(Red(d), Green(d), Blue(d));
    int h = hsv.h + w * (r + r / 2 - 192) / 256;
    if (h < 0) {
        h += 384;
    } else if (h >= 384) {
        h -= 384;
    }
    const int s = Clamp255(hsv.s + (g - 128) * w / 128);
    const int v = Clamp255(hsv.v + (b - 128) * w / 128);
    return HsvToPixel(h, s, v, a);
}

// Operations 1..5 (ModeAdd .. ModeHsvAdjust) on one pixel with inputs r, g, b, a and weight w.
template <int Op>
inline RasterPixel BlendPixel(RasterPixel d, int r, int g, int b, int a, int w)
{
    static_assert(Op >= ModeAdd && Op <= ModeHsvAdjust);
    if constexpr (Op == ModeAdd) {
        return Pack(AddChannel(Alpha(d), a, w), AddChannel(Red(d), r, w), AddChannel(Green(d), g, w),
                    AddChannel(Blue(d), b, w));
    } else if constexpr (Op == ModeDodge) {
        return Pack(DodgeChannel(Alpha(d), a, w), DodgeChannel(Red(d), r, w), DodgeChannel(Green(d), g, w),
                    DodgeChannel(Blue(d), b, w));
    } else if constexpr (Op == ModeMultiply) {
        return Pack(MultiplyChannel(Alpha(d), a, w), MultiplyChannel(Red(d), r, w), MultiplyChannel(Green(d), g, w),
                    MultiplyChannel(Blue(d), b, w));
    } else if constexpr (Op == ModeOverlay) {
        return Pack(OverlayChannel(Alpha(d), a, w), OverlayChannel(Red(d), r, w), OverlayChannel(Green(d), g, w),
                    OverlayChannel(Blue(d), b, w));
    } else {
        return HsvAdjust(d, r, g, b, a, w);
    }
}

// Run-time choice of operation for the callers that blend few pixels (lines); op is 1..5.
inline RasterPixel BlendPixelOp(int op, RasterPixel d, int r, int g, int b, int a, int w)
{
    switch (op) {
    case ModeAdd:
        return BlendPixel<ModeAdd>(d, r, g, b, a, w);
    case ModeDodge:
        return BlendPixel<ModeDodge>(d, r, g, b, a, w);
    case ModeMultiply:
        return BlendPixel<ModeMultiply>(d, r, g, b, a, w);
    case ModeOverlay:
        return BlendPixel<ModeOverlay>(d, r, g, b, a, w);
    default:
        return BlendPixel<ModeHsvAdjust>(d, r, g, b, a, w);
    }
}

}  // namespace raster_detail

}  // namespace kestrelon
