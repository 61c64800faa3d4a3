#include "raster/hsv.h"

namespace kestrelon {

namespace raster_detail {

namespace {

Hsv MakeHsv(int v, int delta, int baseHue, int n)
{
    const int s = kReciprocals[v] * delta / 256;
    const int h = baseHue + (kReciprocals[delta] + 1) * n / 1024;
    return {h, s, v};
}

int Min(int a, int b)
{
    return a < b ? a : b;
}

}  // namespace

Hsv PixelToHsv(int r, int g, int b)
{
    // The order of the tests decides ties (grey lands in the blue-magenta sector at 256).
    if (g > r) {
        if (g > b)
            return MakeHsv(g, g - Min(r, b), 128, b - r);
        return MakeHsv(b, b - r, 256, r - g);
    }
    if (r > b) {
        if (g < b)
            return MakeHsv(r, r - g, 383, g - b);
        return MakeHsv(r, r - b, 0, g - b);
    }
    return MakeHsv(b, b - Min(g, r), 256, r - g);
}

RasterPixel HsvToPixel(int h, int s, int v, int a)
{
    const int p = (256 - s) * v / 256;
    auto rising = [&](int sectorEnd) { return v * (16384 + s * (h - sectorEnd)) / 16384; };
    auto falling = [&](int sectorStart) { return v * (16384 + s * (sectorStart - h)) / 16384; };
    int r;
    int g;
    int b;
    if (h < 64) {
        r = v, g = rising(64), b = p;
    } else if (h < 128) {
        r = falling(64), g = v, b = p;
    } else if (h < 192) {
        r = p, g = v, b = rising(192);
    } else if (h < 256) {
        r = p, g = falling(192), b = v;
    } else if (h < 320) {
        r = rising(320), g = p, b = v;
    } else {
        r = v, g = p, b = falling(320);
    }
    return (static_cast<RasterPixel>(a & 0xFF) << 24) | (static_cast<RasterPixel>(r & 0xFF) << 16) |
           (static_cast<RasterPixel>(g & 0xFF) << 8) | static_cast<RasterPixel>(b & 0xFF);
}

}  // namespace raster_detail

}  // namespace kestrelon
