#include "raster/line_clip.h"

namespace kestrelon {

namespace raster_detail {

namespace {

enum Outcode : int { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };

int Code(std::int64_t x, std::int64_t y, std::int32_t width, std::int32_t height)
{
    int code = 0;
    if (x < 0)
        code |= kLeft;
    if (x >= width)
        code |= kRight;
    if (y < 0)
        code |= kAbove;
    if (y >= height)
        code |= kBelow;
    return code;
}

// The quotient is computed in double and truncated towards zero. Its magnitude never exceeds
// the line's own extent, so it always fits 64 bits.
std::int64_t Step(std::int64_t extent, std::int64_t part, std::int64_t whole)
{
    return static_cast<std::int64_t>(static_cast<double>(extent) * static_cast<double>(part) /
                                     static_cast<double>(whole));
}

}  // namespace

bool ClipLineToBitmap(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2, std::int64_t& y2, std::int32_t width,
                      std::int32_t height)
{
    int code1 = Code(x1, y1, width, height);
    int code2 = Code(x2, y2, width, height);
    // Rounding can make a point hop between boundaries; a line still undecided after this many
    // rounds is dropped rather than looping.
    for (int round = 0; round < 33; ++round) {
        if ((code1 | code2) == 0)
            return true;
        if ((code1 & code2) != 0)
            return false;
        const bool moveFirst = code1 != 0;
        const int code = moveFirst ? code1 : code2;
        std::int64_t x;
        std::int64_t y;
        // The bottom and right boundaries intersect at height and width, one past the last
        // row and column, and the point then lands on the last one: intended.
        if (code & kBelow) {
            x = x1 + Step(x2 - x1, height - y1, y2 - y1);
            y = height - 1;
        } else if (code & kAbove) {
            x = x1 - Step(x2 - x1, y1, y2 - y1);
            y = 0;
        } else if (code & kRight) {
            y = y1 + Step(y2 - y1, width - x1, x2 - x1);
            x = width - 1;
        } else {
            y = y1 - Step(y2 - y1, x1, x2 - x1);
            x = 0;
        }
        if (moveFirst) {
            x1 = x;
            y1 = y;
            code1 = Code(x1, y1, width, height);
        } else {
            x2 = x;
            y2 = y;
            code2 = Code(x2, y2, width, height);
        }
    }
    return false;
}

}  // namespace raster_detail

}  // namespace kestrelon
