#include "raster/blit_rows.h"

#include "raster/blend_formulas.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrelon {

namespace raster_detail {

namespace {

// Per-pixel versions: the reference the vector code must match, and the tails it leaves.

RasterPixel SourceAlphaPixel(RasterPixel d, RasterPixel s)
{
    const int sa = Alpha(s);
    if (sa == 0)
        return d;
    if (sa == 255)
        return (s & 0x00FFFFFFu) | 0xFF000000u;
    const int keep = 255 - sa;  // 255, not 256: intended, an almost clear pixel still tints
    const int a = Alpha(d) + sa;
    return Pack(a > 255 ? 255 : a, Towards(Red(d), Red(s), keep), Towards(Green(d), Green(s), keep),
                Towards(Blue(d), Blue(s), keep));
}

RasterPixel SourceAlphaWeightedPixel(RasterPixel d, RasterPixel s, int weight)
{
    const int sa = Alpha(s);
    if (sa == 0)
        return d;
    const int w = (sa + 1) * weight / 256;
    const int keep = 256 - w;
    const int a = Alpha(d) + w;
    return Pack(a > 255 ? 255 : a, Towards(Red(d), Red(s), keep), Towards(Green(d), Green(s), keep),
                Towards(Blue(d), Blue(s), keep));
}

#if defined(__SSE2__)

// s + (d - s) * keep / 256 on 16-bit lanes holding bytes, keep 0..256, truncated towards zero:
// the magnitude |d - s| * keep fits 16 bits unsigned, so the sign is handled by doing the
// upward and downward moves separately.
inline __m128i Towards16(__m128i d, __m128i s, __m128i keep)
{
    const __m128i up = _mm_srli_epi16(_mm_mullo_epi16(_mm_subs_epu16(d, s), keep), 8);
    const __m128i down = _mm_srli_epi16(_mm_mullo_epi16(_mm_subs_epu16(s, d), keep), 8);
    return _mm_sub_epi16(_mm_add_epi16(s, up), down);
}

// Each pixel's alpha lane copied to its four lanes.
inline __m128i SpreadAlpha16(__m128i p)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, 0xFF), 0xFF);
}

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear)
{
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

#endif

}  // namespace

void BlitRowCopyWeighted(RasterPixel* dst, const RasterPixel* src, std::int32_t count, int weight)
{
    std::int32_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i keep = _mm_set1_epi16(static_cast<short>(256 - weight));
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
        const __m128i lo = Towards16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero), keep);
        const __m128i hi = Towards16(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero), keep);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; x < count; ++x)
        dst[x] = CopyBlend(dst[x], src[x], weight);
}

void BlitRowSourceAlpha(RasterPixel* dst, const RasterPixel* src, std::int32_t count)
{
    std::int32_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBytes = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i full = _mm_set1_epi16(255);
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const __m128i sourceAlpha = _mm_and_si128(s, alphaBytes);
        const __m128i clear = _mm_cmpeq_epi32(sourceAlpha, zero);
        const int clearBits = _mm_movemask_epi8(clear);
        if (clearBits == 0xFFFF)
            continue;  // the transparent parts of a picture cost nothing
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sourceAlpha, alphaBytes)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), s);  // opaque: alpha is already 255
            continue;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
        const __m128i sLo = _mm_unpacklo_epi8(s, zero);
        const __m128i sHi = _mm_unpackhi_epi8(s, zero);
        // keep = 255 - sA; at sA 255 it is 0, which copies the colour exactly.
        const __m128i lo = Towards16(_mm_unpacklo_epi8(d, zero), sLo, _mm_sub_epi16(full, SpreadAlpha16(sLo)));
        const __m128i hi = Towards16(_mm_unpackhi_epi8(d, zero), sHi, _mm_sub_epi16(full, SpreadAlpha16(sHi)));
        const __m128i colour = _mm_packus_epi16(lo, hi);
        const __m128i blended = Select(alphaBytes, _mm_adds_epu8(d, s), colour);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), Select(clear, d, blended));
    }
#endif
    for (; x < count; ++x)
        dst[x] = SourceAlphaPixel(dst[x], src[x]);
}

void BlitRowSourceAlphaWeighted(RasterPixel* dst, const RasterPixel* src, std::int32_t count, int weight)
{
    std::int32_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBytes = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    const __m128i one = _mm_set1_epi16(1);
    const __m128i limit = _mm_set1_epi16(255);
    const __m128i whole = _mm_set1_epi16(256);
    const __m128i opacity = _mm_set1_epi16(static_cast<short>(weight));
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(s, alphaBytes), zero);
        if (_mm_movemask_epi8(clear) == 0xFFFF)
            continue;
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
        __m128i out[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i s16 = half == 0 ? _mm_unpacklo_epi8(s, zero) : _mm_unpackhi_epi8(s, zero);
            const __m128i d16 = half == 0 ? _mm_unpacklo_epi8(d, zero) : _mm_unpackhi_epi8(d, zero);
            // (sA + 1) * weight stays below 65536 because weight < 256 here.
            const __m128i w = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha16(s16), one), opacity), 8);
            const __m128i colour = Towards16(d16, s16, _mm_sub_epi16(whole, w));
            const __m128i alpha = _mm_min_epi16(_mm_add_epi16(d16, w), limit);
            out[half] = Select(alphaLanes, alpha, colour);
        }
        const __m128i blended = _mm_packus_epi16(out[0], out[1]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), Select(clear, d, blended));
    }
#endif
    for (; x < count; ++x)
        dst[x] = SourceAlphaWeightedPixel(dst[x], src[x], weight);
}

}  // namespace raster_detail

}  // namespace kestrelon
