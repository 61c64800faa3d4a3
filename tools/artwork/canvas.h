#pragma once

// Anti-aliased drawing of our own on top of the raster layer's bitmaps. Shapes are described by
// their signed distance (in pixels, negative inside) and painted pixel by pixel with the coverage
// that distance gives, so edges are smooth at any radius; colours are straight alpha, as the
// editor's bitmaps are, and every blend is a true "over" that keeps transparent pictures clean.
// All arithmetic is in double and rounded once per pixel, so a picture is the same bytes on every
// run.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace artwork {

inline constexpr double kPi = 3.14159265358979323846;

struct Colour {
    double r = 0.0;  // 0..1 each
    double g = 0.0;
    double b = 0.0;
    double a = 1.0;
};

// From 0xRRGGBB.
constexpr Colour Rgb(std::uint32_t hex, double alpha = 1.0)
{
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0, alpha};
}

inline Colour Mix(const Colour& from, const Colour& to, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
            from.a + (to.a - from.a) * t};
}

inline Colour WithAlpha(Colour c, double alpha)
{
    c.a = alpha;
    return c;
}

// sqrt rather than hypot: exact enough for drawing, and far cheaper on every pixel.
inline double Length(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

// Smooth 0..1 step between edge0 and edge1.
inline double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// How much of a pixel a shape covers, from the signed distance of the pixel's centre to its edge:
// a one-pixel ramp across the edge, which is what a box filter over the pixel gives for a
// straight edge.
inline double EdgeCoverage(double signedDistance)
{
    return std::clamp(0.5 - signedDistance, 0.0, 1.0);
}

// Signed distances. Angles are in degrees clockwise from straight up, as a knob turns.
double DiscDistance(double x, double y, double cx, double cy, double radius);
double RingDistance(double x, double y, double cx, double cy, double innerRadius, double outerRadius);
// A band of halfWidth around the circle of radius from angle `from` to `to` (from <= to), with
// round caps.
double ArcDistance(double x, double y, double cx, double cy, double radius, double halfWidth, double from, double to);
double SegmentDistance(double x, double y, double x1, double y1, double x2, double y2, double halfWidth);
double RoundedRectDistance(double x, double y, double left, double top, double right, double bottom,
                           double cornerRadius);

// The point at angle degrees on the circle.
inline double PointX(double cx, double radius, double degrees)
{
    return cx + radius * std::sin(degrees * kPi / 180.0);
}
inline double PointY(double cy, double radius, double degrees)
{
    return cy - radius * std::cos(degrees * kPi / 180.0);
}

struct PixelBox {
    int left;
    int top;
    int right;  // exclusive
    int bottom;
};

class Canvas {
public:
    // Draws into bitmap, which must stay alive; offsetX/Y shift every coordinate given to the
    // drawing calls (a film-strip frame is a canvas whose origin is the frame's top-left corner).
    explicit Canvas(RasterBitmap& bitmap, int offsetX = 0, int offsetY = 0, int width = -1, int height = -1);

    int Width() const { return width; }
    int Height() const { return height; }

    // Source-over of colour, weighted by coverage 0..1, at the pixel (x, y) of this canvas.
    void Blend(int x, int y, const Colour& colour, double coverage);
    // Replaces the pixel.
    void Set(int x, int y, const Colour& colour);
    Colour Get(int x, int y) const;

    // Calls shade(px, py, colour, coverage) for every pixel of the box (clipped to the canvas)
    // with the pixel's centre; shade fills in the colour and coverage, and the pixel is blended.
    template <typename Shader>
    void Paint(PixelBox box, Shader shade)
    {
        box.left = std::max(box.left, 0);
        box.top = std::max(box.top, 0);
        box.right = std::min(box.right, width);
        box.bottom = std::min(box.bottom, height);
        for (int y = box.top; y < box.bottom; ++y) {
            for (int x = box.left; x < box.right; ++x) {
                Colour colour;
                double coverage = 0.0;
                shade(x + 0.5, y + 0.5, colour, coverage);
                if (coverage > 0.0)
                    Blend(x, y, colour, coverage);
            }
        }
    }

    // A shape of one colour given by its distance function, inside box.
    template <typename Distance>
    void Fill(PixelBox box, const Colour& colour, Distance distance)
    {
        Paint(box, [&](double x, double y, Colour& c, double& coverage) {
            c = colour;
            coverage = EdgeCoverage(distance(x, y));
        });
    }

    // A disc, for the common case.
    void FillDisc(double cx, double cy, double radius, const Colour& colour);

private:
    RasterPixel* At(int x, int y) const;

    RasterBitmap& bitmap;
    int offsetX;
    int offsetY;
    int width;
    int height;
};

// The box that holds a circle of radius around (cx, cy), with a pixel to spare.
PixelBox BoxAround(double cx, double cy, double radius);

}  // namespace artwork

}  // namespace kestrelon
