#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "raster/line_clip.h"
#include "raster/raster_ops.h"
#include "tests/raster/raster_test_bitmap.h"

namespace kestrelon {

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct LineCase {
    const char* name;
    std::int32_t x1, y1, x2, y2;
    float alpha;
    // Grey level of each pixel of a 9 x 5 opaque black bitmap after a white line.
    std::uint8_t grey[5][9];
    // Alpha of the pixels the line touched (the shift shortcuts drop fractions of alpha too).
    std::uint8_t touchedAlpha = 0xFF;
};

// Reference pictures worked out independently from the line rules: Wu pairs weighted by the
// 16.16 fraction from both ends, three-quarter diagonals, clipping with its truncation.
const LineCase kLines[] = {
    {"shallow, from both ends",
     0,
     0,
     7,
     3,
     1.0f,
     {{0xFF, 0x92, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x6D, 0xDB, 0xB6, 0x49, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x49, 0xB6, 0xDB, 0x6D, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x24, 0x92, 0xFF, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}},
    {"rising, even length: middle pair from the start side",
     1,
     4,
     7,
     0,
     1.0f,
     {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x55, 0xFF, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xAA, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x55, 0xFF, 0x55, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0xAA, 0xAA, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0xFF, 0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}},
    {"drawn right to left",
     8,
     1,
     0,
     3,
     1.0f,
     {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x7F, 0xBF, 0xFF},
      {0x00, 0x40, 0x80, 0xC0, 0xFF, 0xC0, 0x80, 0x40, 0x00},
      {0xFF, 0xBF, 0x7F, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}},
    {"steep",
     2,
     0,
     4,
     4,
     1.0f,
     {{0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x7F, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x80, 0x7F, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}}},
    {"exact diagonal with shifts",
     1,
     1,
     4,
     4,
     1.0f,
     {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0xBE, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x3F, 0xBE, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x3F, 0xBE, 0x3F, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x3F, 0xBE, 0x00, 0x00, 0x00, 0x00}},
     0xFD},
    {"exact diagonal at half opacity",
     6,
     0,
     2,
     4,
     0.5f,
     {{0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x60, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x20, 0x60, 0x20, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x20, 0x60, 0x20, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x20, 0x60, 0x20, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x60, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00}}},
    {"clipped at both ends",
     -3,
     -1,
     12,
     4,
     1.0f,
     {{0xFF, 0x9F, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x60, 0xC0, 0xDF, 0x7F, 0x20, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x20, 0x80, 0xDF, 0xC0, 0x60, 0x00},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x9F, 0xFF},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}},
};

TEST(DrawLine, AntiAliasedPictures)
{
    for (const LineCase& c : kLines) {
        GuardedBitmap bitmap(9, 5, 0xFF000000u);
        DrawLine(&bitmap, c.x1, c.y1, c.x2, c.y2, 0xFFFFFFFFu, c.alpha, BlendMode::ModeCopy);
        for (std::int32_t y = 0; y < 5; ++y) {
            for (std::int32_t x = 0; x < 9; ++x) {
                const RasterPixel alpha = c.grey[y][x] != 0 ? c.touchedAlpha : 0xFF;
                const RasterPixel want = alpha << 24 | 0x010101u * c.grey[y][x];
                EXPECT_EQ(bitmap.At(x, y), want) << c.name << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(bitmap.GuardIntact()) << c.name;
    }
}

TEST(DrawLine, RunsAndTheirOpacityShortcuts)
{
    // From (0, 0) to (9, 0) on a bitmap 5 wide: pixels 0..4 of row 0, nothing else.
    GuardedBitmap narrow(5, 3);
    DrawLine(&narrow, 0, 0, 9, 0, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    for (std::int32_t x = 0; x < 5; ++x)
        EXPECT_EQ(narrow.At(x, 0), 0xFFFFFFFFu);
    EXPECT_EQ(narrow.CountNot(0), 5);
    // Vertical, drawn upwards, both ends included.
    GuardedBitmap tall(3, 6);
    DrawLine(&tall, 1, 4, 1, 1, 0x80FF0000u, 1.0f, BlendMode::ModeCopy);
    for (std::int32_t y = 1; y <= 4; ++y)
        EXPECT_EQ(tall.At(1, y), 0x80FF0000u);
    EXPECT_EQ(tall.CountNot(0), 4);
    // A single point.
    GuardedBitmap dot(3, 3);
    DrawLine(&dot, 2, 2, 2, 2, 0x12345678u, 1.0f, BlendMode::ModeCopy);
    EXPECT_EQ(dot.At(2, 2), 0x12345678u);
    EXPECT_EQ(dot.CountNot(0), 1);

    // Destination 0x01, colour 0x03 per byte tells the shortcuts from the formulas apart.
    const struct {
        float alpha;
        BlendMode mode;
        RasterPixel destination, colour, expected;
    } cases[] = {
        {0.5f, BlendMode::ModeCopy, 0x01010101u, 0x03030303u, 0x01010101u},  // halves, fractions dropped
        {0.501f, BlendMode::ModeCopy, 0x01010101u, 0x03030303u, 0x02020202u},  // weight 128: (d + c) >> 1
        {0.25f, BlendMode::ModeCopy, 0x01010101u, 0x03030303u, 0x00000000u},
        {0.75f, BlendMode::ModeCopy, 0x01010101u, 0x03030303u, 0x01010101u},
        {0.3f, BlendMode::ModeCopy, 0x01010101u, 0x03030303u, 0x02020202u},  // 3 + (1 - 3) * 180 / 256
        {0.3f, BlendMode::ModeCopy, 0x00000000u, 0xFFFFFFFFu, 0x4C4C4C4Cu},  // alpha moves to the colour's
        {2.0f, BlendMode::ModeCopy, 0x01010101u, 0x03030303u, 0x03030303u},  // above 1 acts as 1
        {0.5f, BlendMode::ModeUseSourceAlpha, 0x01010101u, 0x03030303u, 0x01010101u},  // the flag is not read
        {1.0f, BlendMode::ModeAdd, 0x20202020u, 0x80FF4010u, 0xA0FF6030u},
        {0.001f, BlendMode::ModeAdd, 0x20202020u, 0x80FF4010u, 0x20202020u},  // weight 0
        {1.0f, BlendMode{6}, 0x20202020u, 0x80FF4010u, 0x20202020u},  // not an operation
        {1.0f, BlendMode::ModeChannelCopy, 0x20202020u, 0x80FF4010u, 0x20202020u},
    };
    for (const auto& c : cases) {
        GuardedBitmap row(3, 1, c.destination);
        DrawLine(&row, 0, 0, 2, 0, c.colour, c.alpha, c.mode);
        for (std::int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(row.At(x, 0), c.expected) << std::hex << c.alpha << " mode " << ModeBits(c.mode);
        }
    }
}

TEST(DrawLine, DiagonalsAndWuLinesWithOtherOperations)
{
    // Weights ia * 3 / 4 and ia / 4 through the add formula.
    GuardedBitmap diagonal(3, 3, 0x10101010u);
    DrawLine(&diagonal, 0, 0, 2, 2, 0x80808080u, 1.0f, BlendMode::ModeAdd);
    const RasterPixel diagonalWant[3][3] = {{0x70707070u, 0x30303030u, 0x10101010u},
                                            {0x30303030u, 0x70707070u, 0x30303030u},
                                            {0x10101010u, 0x30303030u, 0x70707070u}};
    for (std::int32_t y = 0; y < 3; ++y)
        for (std::int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(diagonal.At(x, y), diagonalWant[y][x]) << x << "," << y;

    // A diagonal at 0.3: weights 57 and 19 through the copy formula.
    GuardedBitmap faint(3, 3, 0xFF000000u);
    DrawLine(&faint, 2, 2, 0, 0, 0xFFFFFFFFu, 0.3f, BlendMode::ModeCopy);
    EXPECT_EQ(faint.At(0, 0), 0xFF393939u);
    EXPECT_EQ(faint.At(1, 0), 0xFF131313u);
    EXPECT_EQ(faint.At(2, 0), 0xFF000000u);

    // Wu weights scaled by the opacity: (255 - f) * ia >> 8 and ia * f >> 8.
    GuardedBitmap wu(9, 5, 0x10101010u);
    DrawLine(&wu, 0, 0, 7, 3, 0xFF804020u, 0.5f, BlendMode::ModeAdd);
    EXPECT_EQ(wu.At(0, 0), 0x8F503020u);
    EXPECT_EQ(wu.At(1, 0), 0x58342219u);
    EXPECT_EQ(wu.At(1, 1), 0x452B1D16u);
    EXPECT_EQ(wu.At(2, 1), 0x7C462B1Du);
    EXPECT_EQ(wu.At(4, 2), 0x6A3D261Bu);
    EXPECT_EQ(wu.At(7, 3), 0x8F503020u);
    EXPECT_EQ(wu.CountNot(0x10101010u), 14);
}

TEST(DrawLine, ClipperMovesEndPointsOntoTheBitmap)
{
    const struct {
        std::int64_t x1, y1, x2, y2;
        std::int32_t width, height;
        bool visible;
        std::int64_t cx1, cy1, cx2, cy2;
    } cases[] = {
        // The bottom and right intersections use height and width, not the last row and
        // column, so (9, 6) lands at x 6 rather than 4.5 on the last row.
        {0, 0, 9, 6, 10, 4, true, 0, 0, 6, 3},
        {0, 0, 10, 10, 5, 5, true, 0, 0, 4, 4},
        {-3, -1, 12, 4, 9, 5, true, 0, 0, 8, 3},
        {-10, 2, 20, 2, 5, 5, true, 0, 2, 4, 2},
        {2, -100, 2, 100, 5, 5, true, 2, 0, 2, 4},
        {kMin, kMin, kMax, kMax, 5, 5, true, 0, 0, 4, 4},
        {kMin, 0, kMax, 4, 5, 5, true, 0, 2, 4, 2},
        {4, kMin, 4, kMax, 5, 5, true, 4, 0, 4, 4},
        {kMin, kMax, kMax, kMin, 6, 6, false, 0, 0, 0, 0},  // passes just outside the corner
        {-1, -1, -5, -5, 5, 5, false, 0, 0, 0, 0},
        {-5, 3, -1, 3, 5, 5, false, 0, 0, 0, 0},
        {1, 1, 3, 3, 5, 5, true, 1, 1, 3, 3},
    };
    for (const auto& c : cases) {
        std::int64_t x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
        const bool visible = raster_detail::ClipLineToBitmap(x1, y1, x2, y2, c.width, c.height);
        ASSERT_EQ(visible, c.visible) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        if (!visible)
            continue;
        EXPECT_EQ(x1, c.cx1);
        EXPECT_EQ(y1, c.cy1);
        EXPECT_EQ(x2, c.cx2);
        EXPECT_EQ(y2, c.cy2);
    }
}

// Random lines, many far outside or near the int32 limits, in both storage orders: nothing is
// ever written outside the bitmap, every unclipped end point is drawn, and a bottom-up bitmap
// holds in memory exactly what a top-down one holds for the mirrored line.
TEST(DrawLine, AnyCoordinatesStayInsideTheBitmap)
{
    std::mt19937 random(99);
    const std::int32_t extremes[] = {kMin, kMin + 1, -1000000, -7, -1, 0, 3, 6, 7, 1000000, kMax - 1, kMax};
    auto coordinate = [&](std::int32_t size) -> std::int32_t {
        switch (random() % 4) {
        case 0:
            return extremes[random() % 12];
        case 1:
            return static_cast<std::int32_t>(random());
        default:
            return static_cast<std::int32_t>(random() % (size + 8)) - 4;
        }
    };
    const BlendMode modes[] = {BlendMode::ModeCopy, BlendMode::ModeAdd, BlendMode::ModeMultiply, BlendMode::ModeOverlay,
                               BlendMode::ModeHsvAdjust};
    const float alphas[] = {1.0f, 0.5f, 0.25f, 0.75f, 0.3f};
    int endpointsChecked = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::int32_t w = 1 + random() % 9;
        const std::int32_t h = 1 + random() % 9;
        std::int32_t x1 = coordinate(w), y1 = coordinate(h), x2 = coordinate(w), y2 = coordinate(h);
        if (i % 2 == 0) {  // every other line lies wholly inside
            x1 = random() % w, y1 = random() % h, x2 = random() % w, y2 = random() % h;
        }
        const BlendMode mode = modes[i % 5];
        const float alpha = alphas[(i / 5) % 5];
        GuardedBitmap topDown(w, h, 0xFF000000u);
        GuardedBitmap bottomUp(w, h, 0xFF000000u, true);
        DrawLine(&topDown, x1, y1, x2, y2, 0xFFFFFFFFu, alpha, mode);
        const auto mirror = [h](std::int32_t y) { return std::int64_t{h} - 1 - y; };
        const bool mirrorable = mirror(y1) >= kMin && mirror(y1) <= kMax && mirror(y2) >= kMin && mirror(y2) <= kMax;
        if (mirrorable)
            DrawLine(&bottomUp, x1, static_cast<std::int32_t>(mirror(y1)), x2, static_cast<std::int32_t>(mirror(y2)),
                     0xFFFFFFFFu, alpha, mode);
        ASSERT_TRUE(topDown.GuardIntact()) << x1 << "," << y1 << " " << x2 << "," << y2 << " on " << w << "x" << h;
        ASSERT_TRUE(bottomUp.GuardIntact()) << x1 << "," << y1 << " " << x2 << "," << y2 << " on " << w << "x" << h;
        if (mirrorable) {
            ASSERT_EQ(std::memcmp(topDown.PixelData(), bottomUp.PixelData(),
                                  sizeof(RasterPixel) * (static_cast<std::size_t>(topDown.RowStride()) * (h - 1) + w)),
                      0)
                << x1 << "," << y1 << " " << x2 << "," << y2;
        }
        const bool inside = x1 >= 0 && x1 < w && x2 >= 0 && x2 < w && y1 >= 0 && y1 < h && y2 >= 0 && y2 < h;
        if (inside && mode == BlendMode::ModeCopy) {
            EXPECT_NE(topDown.At(x1, y1), 0xFF000000u);
            EXPECT_NE(topDown.At(x2, y2), 0xFF000000u);
            ++endpointsChecked;
        }
    }
    EXPECT_GT(endpointsChecked, 300);

    // Entirely outside: nothing at all.
    GuardedBitmap bitmap(5, 5);
    DrawLine(&bitmap, -10, 0, -1, 4, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    DrawLine(&bitmap, kMin, kMin, kMin, kMax, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    DrawLine(&bitmap, 5, 0, kMax, kMax, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    EXPECT_EQ(bitmap.CountNot(0), 0);
    DrawLine(nullptr, 0, 0, 3, 3, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
    RasterMemBitmap empty;
    DrawLine(&empty, 0, 0, 3, 3, 0xFFFFFFFFu, 1.0f, BlendMode::ModeCopy);
}

}  // namespace

}  // namespace kestrelon
