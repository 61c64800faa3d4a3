#include "framework/graphics/resample.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace {

struct Region {
    const RasterPixel* pixels;  // first pixel of the region's first row
    std::int64_t stride;  // in pixels, negative for bottom-up storage
    int width;
    int height;
};

// One source position of a column or a row: the whole pixel and the fraction
// towards the next, the same for every sample of a box.
struct Step {
    int whole;
    double fraction;
};

std::vector<Step> Steps(int sourceSize, int destinationSize)
{
    std::vector<Step> steps(static_cast<std::size_t>(destinationSize));
    const double ratio = static_cast<double>(sourceSize) / destinationSize;
    for (int i = 0; i < destinationSize; ++i) {
        const double f = ratio * i;
        const int whole = static_cast<int>(f);
        steps[static_cast<std::size_t>(i)] = {whole, f - whole};
    }
    return steps;
}

inline RasterPixel At(const Region& r, int column, int row)
{
    // Beyond the region's right or bottom edge counts as transparent black.
    if (column >= r.width || row >= r.height)
        return 0;
    return r.pixels[row * r.stride + column];
}

inline int Channel(RasterPixel p, int shift)
{
    return static_cast<int>((p >> shift) & 0xFF);
}

// One bilinear sample from the four pixels around it, each channel on its
// own, summed in the order the weights are listed.
inline void AddSample(double sum[4], RasterPixel p00, RasterPixel p10, RasterPixel p01, RasterPixel p11, double w00,
                      double w10, double w01, double w11)
{
    for (int k = 0; k < 4; ++k) {
        const int shift = k * 8;
        sum[k] += Channel(p00, shift) * w00 + Channel(p10, shift) * w10 + Channel(p01, shift) * w01 +
                  Channel(p11, shift) * w11;
    }
}

// One bilinear sample, the four channels two at a time in SSE2 lanes. Each
// lane does the scalar sum's operations in the scalar sum's order, so the
// bits are those of AddSample; the sum never passes 255, so the saturating
// pack at the end is the truncation of each channel.
inline RasterPixel Interpolate(RasterPixel p00, RasterPixel p10, RasterPixel p01, RasterPixel p11, double w00,
                               double w10, double w01, double w11)
{
    const __m128i zero = _mm_setzero_si128();
    auto channels = [zero](RasterPixel p, __m128d& low, __m128d& high) {
        const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(p));
        const __m128i words = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
        low = _mm_cvtepi32_pd(words);
        high = _mm_cvtepi32_pd(_mm_shuffle_epi32(words, 0xEE));
    };
    __m128d low0, high0, low1, high1, low2, high2, low3, high3;
    channels(p00, low0, high0);
    channels(p10, low1, high1);
    channels(p01, low2, high2);
    channels(p11, low3, high3);
    const __m128d a = _mm_set1_pd(w00), b = _mm_set1_pd(w10), c = _mm_set1_pd(w01), d = _mm_set1_pd(w11);
    const __m128d low = _mm_add_pd(
        _mm_add_pd(_mm_add_pd(_mm_mul_pd(low0, a), _mm_mul_pd(low1, b)), _mm_mul_pd(low2, c)), _mm_mul_pd(low3, d));
    const __m128d high = _mm_add_pd(
        _mm_add_pd(_mm_add_pd(_mm_mul_pd(high0, a), _mm_mul_pd(high1, b)), _mm_mul_pd(high2, c)), _mm_mul_pd(high3, d));
    const __m128i whole = _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(whole, zero), zero);
    return static_cast<RasterPixel>(_mm_cvtsi128_si32(packed));
}

// Enlargements and sizes kept: one sample per pixel, no averaging. The
// region is first copied with one clear column and row around its right and
// bottom edges, so the four neighbours are read without a test.
void InterpolateRegion(const Region& src, RasterPixel* dst, std::int64_t dstStride, int dw, int dh,
                       const std::vector<Step>& columns, const std::vector<Step>& rows)
{
    const int paddedWidth = src.width + 1;
    std::vector<RasterPixel> padded(static_cast<std::size_t>(paddedWidth) * (src.height + 1), 0u);
    for (int r = 0; r < src.height; ++r)
        std::copy(src.pixels + r * src.stride, src.pixels + r * src.stride + src.width,
                  padded.begin() + static_cast<std::ptrdiff_t>(r) * paddedWidth);
    for (int y = 0; y < dh; ++y) {
        const Step row = rows[static_cast<std::size_t>(y)];
        const RasterPixel* upper = padded.data() + static_cast<std::ptrdiff_t>(row.whole) * paddedWidth;
        const RasterPixel* lower = upper + paddedWidth;
        const double ay = row.fraction;
        RasterPixel* out = dst + y * dstStride;
        for (int x = 0; x < dw; ++x) {
            const Step column = columns[static_cast<std::size_t>(x)];
            const int c = column.whole;
            const RasterPixel p00 = upper[c];
            const RasterPixel p10 = upper[c + 1];
            const RasterPixel p01 = lower[c];
            const RasterPixel p11 = lower[c + 1];
            const double ax = column.fraction;
            if ((p00 | p10 | p01 | p11) == 0 || (ax == 0.0 && ay == 0.0)) {
                // A sample among clear pixels is clear (most of a film strip
                // is), and one exactly on a pixel is that pixel: the sums
                // would give the same bits.
                out[x] = p00;
                continue;
            }
            out[x] =
                Interpolate(p00, p10, p01, p11, (1.0 - ax) * (1.0 - ay), ax * (1.0 - ay), (1.0 - ax) * ay, ax * ay);
        }
    }
}

void ResampleRegion(const Region& src, RasterPixel* dst, std::int64_t dstStride, int dw, int dh)
{
    if (src.width <= 0 || src.height <= 0 || dw <= 0 || dh <= 0)
        return;
    // The box: how many source pixels one destination pixel spans, rounded
    // up (the tiny slack keeps an exact ratio from rounding to one more).
    const int kx = std::max(1, static_cast<int>(static_cast<double>(src.width) / dw + 0.99999999999));
    const int ky = std::max(1, static_cast<int>(static_cast<double>(src.height) / dh + 0.99999999999));
    const std::vector<Step> columns = Steps(src.width, dw);
    const std::vector<Step> rows = Steps(src.height, dh);
    if (kx == 1 && ky == 1) {
        InterpolateRegion(src, dst, dstStride, dw, dh, columns, rows);
        return;
    }
    const double boxArea = static_cast<double>(kx) * ky;
    for (int y = 0; y < dh; ++y) {
        const Step row = rows[static_cast<std::size_t>(y)];
        const double ay = row.fraction;
        RasterPixel* out = dst + y * dstStride;
        for (int x = 0; x < dw; ++x) {
            const Step column = columns[static_cast<std::size_t>(x)];
            const double ax = column.fraction;
            const double w00 = (1.0 - ax) * (1.0 - ay);
            const double w10 = ax * (1.0 - ay);
            const double w01 = (1.0 - ax) * ay;
            const double w11 = ax * ay;
            double sum[4] = {0.0, 0.0, 0.0, 0.0};
            for (int u = 0; u < ky; ++u) {
                const int r = row.whole + u;
                for (int v = 0; v < kx; ++v) {
                    const int c = column.whole + v;
                    AddSample(sum, At(src, c, r), At(src, c + 1, r), At(src, c, r + 1), At(src, c + 1, r + 1), w00, w10,
                              w01, w11);
                }
            }
            RasterPixel result = 0;
            for (int k = 0; k < 4; ++k)
                result |= static_cast<RasterPixel>(static_cast<int>(sum[k] / boxArea) & 0xFF) << (k * 8);
            out[x] = result;
        }
    }
}

Region RegionOf(const RasterBitmap& bitmap, int firstRow, int rowCount)
{
    const std::int64_t stride = bitmap.RowStride();
    const RasterPixel* base = bitmap.PixelData();
    if (bitmap.StoresBottomUp())
        return {base + (bitmap.PixelHeight() - 1 - firstRow) * stride, -stride, bitmap.PixelWidth(), rowCount};
    return {base + firstRow * stride, stride, bitmap.PixelWidth(), rowCount};
}

// Clears rows [from, to) of bitmap, nothing if the range is empty.
void ClearRows(RasterBitmap& bitmap, int from, int to)
{
    if (to <= from)
        return;
    const Region rows = RegionOf(bitmap, from, to - from);
    for (int y = 0; y < rows.height; ++y)
        std::memset(const_cast<RasterPixel*>(rows.pixels + y * rows.stride), 0,
                    static_cast<std::size_t>(rows.width) * sizeof(RasterPixel));
}

}  // namespace

void ResampleInto(const RasterBitmap& source, RasterBitmap& destination, int frameCount)
{
    if (!source.PixelData() || !destination.PixelData())
        return;
    const int sh = source.PixelHeight();
    const int dh = destination.PixelHeight();
    const int dw = destination.PixelWidth();
    if (frameCount < 2) {
        const Region dst = RegionOf(destination, 0, dh);
        ResampleRegion(RegionOf(source, 0, sh), const_cast<RasterPixel*>(dst.pixels), dst.stride, dw, dh);
        return;
    }
    // Only the rows no frame covers are cleared: clearing the whole strip first
    // would touch every page of it twice.
    const int n = frameCount;
    const int sourceBand = sh / n;
    const int destinationBand = (dh - n) / n;
    int cleared = 0;  // rows above this one are written or cleared
    for (int i = 0; i < n; ++i) {
        const int sourceTop = static_cast<int>(static_cast<double>(sh) * i / n + 0.5);
        const int destinationTop = static_cast<int>(static_cast<double>(dh) * i / n + 0.5);
        if (sourceTop + sourceBand > sh || destinationTop + destinationBand > dh)
            break;
        ClearRows(destination, cleared, destinationTop);
        const Region dst = RegionOf(destination, destinationTop, destinationBand);
        ResampleRegion(RegionOf(source, sourceTop, sourceBand), const_cast<RasterPixel*>(dst.pixels), dst.stride, dw,
                       destinationBand);
        cleared = std::max(cleared, destinationTop + destinationBand);
    }
    ClearRows(destination, cleared, dh);
}

}  // namespace kestrelon
