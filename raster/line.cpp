#include <cstdint>
#include <cstdlib>
#include <utility>

#include "raster/blend_formulas.h"
#include "raster/line_clip.h"
#include "raster/pixel_rows.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace raster_detail {

namespace {

// Blends weighted pixels of one colour with one operation; weight 0..256.
class LinePen {
public:
    LinePen(const PixelRows& rows, RasterPixel colour, int op)
        : rows(rows), colour(colour), op(op), r(Red(colour)), g(Green(colour)), b(Blue(colour)), a(Alpha(colour))
    {}

    void Plot(std::int32_t x, std::int32_t y, int weight) const
    {
        RasterPixel& p = rows.Row(y)[x];
        p = op == ModeCopy ? CopyBlend(p, colour, weight) : BlendPixelOp(op, p, r, g, b, a, weight);
    }

    template <typename PixelFunction>
    void Apply(std::int32_t x, std::int32_t y, PixelFunction f) const
    {
        RasterPixel& p = rows.Row(y)[x];
        p = f(p);
    }

    const PixelRows& rows;
    const RasterPixel colour;
    const int op;

private:
    const int r;
    const int g;
    const int b;
    const int a;
};

int Sign(std::int64_t v)
{
    return v < 0 ? -1 : 1;
}

// Horizontal and vertical runs, end points included. ModeCopy at 1, 1/2, 1/4 and 3/4 uses
// stores and per-byte shifts whose rounding differs from the general formula, on purpose.
void DrawRun(const LinePen& pen, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float alpha)
{
    const std::int32_t dx = x1 == x2 ? 0 : (x2 > x1 ? 1 : -1);
    const std::int32_t dy = y1 == y2 ? 0 : (y2 > y1 ? 1 : -1);
    const std::int32_t count = (dx != 0 ? std::abs(x2 - x1) : std::abs(y2 - y1)) + 1;
    auto each = [&](auto f) {
        for (std::int32_t i = 0; i < count; ++i)
            pen.Apply(x1 + i * dx, y1 + i * dy, f);
    };
    const RasterPixel c = pen.colour;
    if (pen.op == ModeCopy) {
        if (alpha == 1.0f)
            return each([&](RasterPixel) { return c; });
        if (alpha == 0.5f)
            return each([&](RasterPixel p) { return Half(c) + Half(p); });
        if (alpha == 0.25f)
            return each([&](RasterPixel p) { return Half(p) + Quarter(p) + Quarter(c); });
        if (alpha == 0.75f)
            return each([&](RasterPixel p) { return Half(c) + Quarter(c) + Quarter(p); });
    }
    const int weight = OpacityWeight(alpha);
    if (weight == 0)
        return;
    if (pen.op != ModeCopy) {
        return each(
            [&](RasterPixel p) { return BlendPixelOp(pen.op, p, Red(c), Green(c), Blue(c), Alpha(c), weight); });
    }
    if (weight == 256)
        return each([&](RasterPixel) { return c; });
    if (weight == 128) {
        // Exact per-byte average, (d + c) >> 1, unlike the 1/2 shortcut above.
        return each([&](RasterPixel p) {
            return Pack((Alpha(p) + Alpha(c)) >> 1, (Red(p) + Red(c)) >> 1, (Green(p) + Green(c)) >> 1,
                        (Blue(p) + Blue(c)) >> 1);
        });
    }
    each([&](RasterPixel p) { return CopyBlend(p, c, weight); });
}

// 45-degree lines: the pixel on the line takes three quarters, and its two neighbours towards
// the next pixel a quarter each, so the staircase looks as thick as the other lines.
void DrawDiagonal(const LinePen& pen, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float alpha)
{
    const std::int32_t n = std::abs(x2 - x1);
    const std::int32_t sx = x2 > x1 ? 1 : -1;
    const std::int32_t sy = y2 > y1 ? 1 : -1;
    const RasterPixel c = pen.colour;
    if (pen.op == ModeCopy && alpha == 1.0f) {
        auto onLine = [&](RasterPixel p) { return Half(c) + Quarter(c) + Quarter(p); };
        auto beside = [&](RasterPixel p) { return Quarter(c) + Quarter(p) + Half(p); };
        for (std::int32_t k = 0; k < n; ++k) {
            const std::int32_t x = x1 + k * sx;
            const std::int32_t y = y1 + k * sy;
            pen.Apply(x, y, onLine);
            pen.Apply(x + sx, y, beside);
            pen.Apply(x, y + sy, beside);
        }
        pen.Apply(x2, y2, onLine);
        return;
    }
    const int weight = OpacityWeight(alpha);
    if (weight == 0)
        return;
    const int onWeight = weight * 3 / 4;
    const int besideWeight = weight / 4;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t x = x1 + k * sx;
        const std::int32_t y = y1 + k * sy;
        pen.Plot(x, y, onWeight);
        pen.Plot(x + sx, y, besideWeight);
        pen.Plot(x, y + sy, besideWeight);
    }
    pen.Plot(x2, y2, onWeight);
}

// Any other slope: Wu-style, two pixels per step along the major axis weighted by the 16.16
// fraction of the minor position, drawn from both ends towards the middle so that the line
// is symmetric and both end points are exact.
void DrawWu(const LinePen& pen, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float alpha)
{
    const int weight = OpacityWeight(alpha);
    if (weight == 0)
        return;
    const bool xMajor = std::abs(x2 - x1) > std::abs(y2 - y1);
    if ((xMajor && x2 < x1) || (!xMajor && y2 < y1)) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const std::int32_t majorStart = xMajor ? x1 : y1;
    const std::int32_t majorEnd = xMajor ? x2 : y2;
    const std::int32_t minorStart = xMajor ? y1 : x1;
    const std::int32_t minorEnd = xMajor ? y2 : x2;
    const std::int32_t length = majorEnd - majorStart;
    const std::int32_t minorStep = Sign(minorEnd - minorStart);
    const int slope = static_cast<int>(static_cast<double>(std::abs(minorEnd - minorStart)) / length * 65536.0);

    auto plot = [&](std::int32_t major, std::int32_t minor, int w) {
        if (xMajor) {
            pen.Plot(major, minor, w);
        } else {
            pen.Plot(minor, major, w);
        }
    };
    plot(majorStart, minorStart, weight);
    plot(majorEnd, minorEnd, weight);

    int f = slope;
    std::int32_t fromStart = minorStart;
    std::int32_t fromEnd = minorEnd;
    auto pairWeights = [&](int& near, int& far) {
        near = (255 - (f >> 8)) * weight >> 8;
        far = weight * (f >> 8) >> 8;
    };
    const std::int32_t steps = (length + 1) / 2 - 1;
    for (std::int32_t k = 1; k <= steps; ++k) {
        int near;
        int far;
        pairWeights(near, far);
        plot(majorStart + k, fromStart, near);
        plot(majorStart + k, fromStart + minorStep, far);
        plot(majorEnd - k, fromEnd, near);
        plot(majorEnd - k, fromEnd - minorStep, far);
        f += slope;
        if (f >= 0x10000) {
            f -= 0x10000;
            fromStart += minorStep;
            fromEnd -= minorStep;
        }
    }
    if (length % 2 == 0) {
        int near;
        int far;
        pairWeights(near, far);
        plot(majorStart + length / 2, fromStart, near);
        plot(majorStart + length / 2, fromStart + minorStep, far);
    }
}

}  // namespace

}  // namespace raster_detail

// UI thread.
void DrawLine(RasterBitmap* destination, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              RasterPixel colour, float alpha, BlendMode mode)
{
    using namespace raster_detail;
    PixelRows rows;
    if (!MapRows(destination, rows))
        return;
    const int op = ModeBits(mode) & 0xFF;
    if (op > ModeHsvAdjust)
        return;  // not an operation

    std::int64_t ax = x1;
    std::int64_t ay = y1;
    std::int64_t bx = x2;
    std::int64_t by = y2;
    if (destination->StoresBottomUp()) {
        // Lines are clipped and drawn in stored row order, so flip the rows back to storage
        // order and the coordinates with them.
        ay = rows.height - 1 - ay;
        by = rows.height - 1 - by;
        rows.top = rows.Row(rows.height - 1);
        rows.step = -rows.step;
    }
    if (!ClipLineToBitmap(ax, ay, bx, by, rows.width, rows.height))
        return;

    // Clipped end points lie inside the bitmap, so they and all differences fit int32.
    const auto cx1 = static_cast<std::int32_t>(ax);
    const auto cy1 = static_cast<std::int32_t>(ay);
    const auto cx2 = static_cast<std::int32_t>(bx);
    const auto cy2 = static_cast<std::int32_t>(by);
    const LinePen pen(rows, colour, op);
    if (cx1 == cx2 || cy1 == cy2) {
        DrawRun(pen, cx1, cy1, cx2, cy2, alpha);
    } else if (std::abs(cx2 - cx1) == std::abs(cy2 - cy1)) {
        DrawDiagonal(pen, cx1, cy1, cx2, cy2, alpha);
    } else {
        DrawWu(pen, cx1, cy1, cx2, cy2, alpha);
    }
}

}  // namespace kestrelon
