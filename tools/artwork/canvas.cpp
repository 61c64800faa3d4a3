#include "tools/artwork/canvas.h"

#include <algorithm>
#include <cmath>

namespace kestrelon {

namespace artwork {

namespace {

int ToByte(double v)
{
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

// Clockwise from straight up, 0..360.
double AngleOf(double dx, double dy)
{
    double degrees = std::atan2(dx, -dy) * 180.0 / kPi;
    if (degrees < 0.0)
        degrees += 360.0;
    return degrees;
}

bool WithinArc(double degrees, double from, double to)
{
    // The arc may run either side of the top: compare in the turn that starts at `from`.
    double d = degrees - from;
    while (d < 0.0)
        d += 360.0;
    while (d >= 360.0)
        d -= 360.0;
    return d <= to - from;
}

}  // namespace

double DiscDistance(double x, double y, double cx, double cy, double radius)
{
    return Length(x - cx, y - cy) - radius;
}

double RingDistance(double x, double y, double cx, double cy, double innerRadius, double outerRadius)
{
    const double d = Length(x - cx, y - cy);
    return std::max(innerRadius - d, d - outerRadius);
}

double ArcDistance(double x, double y, double cx, double cy, double radius, double halfWidth, double from, double to)
{
    const double dx = x - cx;
    const double dy = y - cy;
    if (WithinArc(AngleOf(dx, dy), from, to))
        return std::fabs(Length(dx, dy) - radius) - halfWidth;
    const double toStart = Length(x - PointX(cx, radius, from), y - PointY(cy, radius, from));
    const double toEnd = Length(x - PointX(cx, radius, to), y - PointY(cy, radius, to));
    return std::min(toStart, toEnd) - halfWidth;
}

double SegmentDistance(double x, double y, double x1, double y1, double x2, double y2, double halfWidth)
{
    const double vx = x2 - x1;
    const double vy = y2 - y1;
    const double lengthSquared = vx * vx + vy * vy;
    double t = lengthSquared > 0.0 ? ((x - x1) * vx + (y - y1) * vy) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return Length(x - (x1 + t * vx), y - (y1 + t * vy)) - halfWidth;
}

double RoundedRectDistance(double x, double y, double left, double top, double right, double bottom,
                           double cornerRadius)
{
    const double cx = (left + right) / 2.0;
    const double cy = (top + bottom) / 2.0;
    const double qx = std::fabs(x - cx) - ((right - left) / 2.0 - cornerRadius);
    const double qy = std::fabs(y - cy) - ((bottom - top) / 2.0 - cornerRadius);
    const double outside = Length(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - cornerRadius;
}

PixelBox BoxAround(double cx, double cy, double radius)
{
    return {static_cast<int>(std::floor(cx - radius)) - 1, static_cast<int>(std::floor(cy - radius)) - 1,
            static_cast<int>(std::ceil(cx + radius)) + 2, static_cast<int>(std::ceil(cy + radius)) + 2};
}

Canvas::Canvas(RasterBitmap& bitmap, int offsetX, int offsetY, int width, int height)
    : bitmap(bitmap),
      offsetX(offsetX),
      offsetY(offsetY),
      width(width < 0 ? bitmap.PixelWidth() - offsetX : width),
      height(height < 0 ? bitmap.PixelHeight() - offsetY : height)
{}

RasterPixel* Canvas::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || bitmap.PixelData() == nullptr)
        return nullptr;
    return bitmap.PixelData() + static_cast<std::ptrdiff_t>(y + offsetY) * bitmap.RowStride() + x + offsetX;
}

Colour Canvas::Get(int x, int y) const
{
    const RasterPixel* p = At(x, y);
    if (p == nullptr)
        return {0.0, 0.0, 0.0, 0.0};
    return {((*p >> 16) & 0xFF) / 255.0, ((*p >> 8) & 0xFF) / 255.0, (*p & 0xFF) / 255.0, (*p >> 24) / 255.0};
}

void Canvas::Set(int x, int y, const Colour& c)
{
    RasterPixel* p = At(x, y);
    if (p == nullptr)
        return;
    // A clear pixel keeps no colour, so equal pictures are equal bytes.
    const int a = ToByte(c.a);
    if (a == 0) {
        *p = 0;
        return;
    }
    *p = (static_cast<RasterPixel>(a) << 24) | (static_cast<RasterPixel>(ToByte(c.r)) << 16) |
         (static_cast<RasterPixel>(ToByte(c.g)) << 8) | static_cast<RasterPixel>(ToByte(c.b));
}

void Canvas::Blend(int x, int y, const Colour& colour, double coverage)
{
    if (At(x, y) == nullptr)
        return;
    const double sa = std::clamp(colour.a * coverage, 0.0, 1.0);
    if (sa <= 0.0)
        return;
    const Colour d = Get(x, y);
    const double keep = d.a * (1.0 - sa);
    const double a = sa + keep;
    Set(x, y,
        {(colour.r * sa + d.r * keep) / a, (colour.g * sa + d.g * keep) / a, (colour.b * sa + d.b * keep) / a, a});
}

void Canvas::FillDisc(double cx, double cy, double radius, const Colour& colour)
{
    Fill(BoxAround(cx, cy, radius), colour, [&](double x, double y) { return DiscDistance(x, y, cx, cy, radius); });
}

}  // namespace artwork

}  // namespace kestrelon
