// The panel: a blue-grey plate lit from the upper left, the title, two recessed meter frames with
// their segments, ticks and - / + marks, the raised ring of the clip socket, four dark knobs in
// grooved tracks, and the maker's name in the bottom strip that opens the credits.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/raster_ops.h"
#include "tools/artwork/canvas.h"
#include "tools/artwork/images.h"
#include "tools/artwork/layout.h"
#include "tools/artwork/palette.h"
#include "tools/artwork/text_painter.h"

namespace kestrelon {

namespace artwork {

namespace {

constexpr RasterPixel kOpaqueBlack = 0xFF000000u;
constexpr RasterPixel kOpaqueWhite = 0xFFFFFFFFu;

// A fine, fixed grain so that the plate does not look like a flat fill: a hash of the position,
// -0.5..0.5.
double Grain(int x, int y)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFu) / 65535.0 - 0.5;
}

Colour Lift(Colour c, double amount)
{
    c.r = std::clamp(c.r + amount, 0.0, 1.0);
    c.g = std::clamp(c.g + amount, 0.0, 1.0);
    c.b = std::clamp(c.b + amount, 0.0, 1.0);
    return c;
}

void DrawPlate(Canvas& canvas, RasterBitmap& bitmap)
{
    const int w = canvas.Width();
    const int h = canvas.Height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Colour c = Mix(kPanelTop, kPanelBottom, y / (h - 1.0));
            // Brighter where the light falls, darker towards the rim.
            const double pool = 1.0 - SmoothStep(0.0, 1.0, Length(x - 60.0, y - 10.0) / 460.0);
            const double rim = 1.0 - SmoothStep(0.0, 28.0, std::min({x, y, w - 1 - x, h - 1 - y}) + 0.5);
            c = Lift(c, 0.045 * pool - 0.035 * rim + 0.010 * Grain(x, y));
            canvas.Set(x, y, c);
        }
    }
    // The plate's own edges: lit above and on the left, in shade below and on the right.
    DrawLine(&bitmap, 0, 0, w - 1, 0, kOpaqueWhite, 0.14f, BlendMode::ModeCopy);
    DrawLine(&bitmap, 0, 1, 0, h - 1, kOpaqueWhite, 0.07f, BlendMode::ModeCopy);
    DrawLine(&bitmap, 0, h - 1, w - 1, h - 1, kOpaqueBlack, 0.55f, BlendMode::ModeCopy);
    DrawLine(&bitmap, w - 1, 0, w - 1, h - 2, kOpaqueBlack, 0.40f, BlendMode::ModeCopy);
}

// A cut in the plate: a dark line with the lit lip under it.
void DrawGroove(RasterBitmap& bitmap, int left, int right, int y)
{
    DrawLine(&bitmap, left, y, right, y, kOpaqueBlack, 0.45f, BlendMode::ModeCopy);
    DrawLine(&bitmap, left, y + 1, right, y + 1, kOpaqueWhite, 0.07f, BlendMode::ModeCopy);
}

void DrawTitle(Canvas& canvas, RasterBitmap& bitmap)
{
    const TextPainter title(-27, 700, 1);
    const TextPainter subtitle(-9, 700, 2);
    // Printed ink sits on the plate: a faint shade below each letter keeps it crisp on the gradient.
    title.Draw(canvas, "Kestrelon", 24, 14, WithAlpha(kBlack, 0.5));
    title.Draw(canvas, "Kestrelon", 24, 13, kTitleInk);
    subtitle.Draw(canvas, "TRANSIENT SHAPER", 316, 31, WithAlpha(kBlack, 0.4), TextAlign::Right);
    subtitle.Draw(canvas, "TRANSIENT SHAPER", 316, 30, kMarkInk, TextAlign::Right);
    DrawGroove(bitmap, 16, 323, 54);
}

int ScaleColumn(const MeterPlace& meter, int db)
{
    const int x = meter.CentreColumn() + static_cast<int>(std::lround(db * kMeterPixelsPerDb));
    return std::clamp(x, meter.left, meter.right - 1);
}

void DrawMeterFrame(Canvas& canvas, RasterBitmap& bitmap, const MeterPlace& m)
{
    const double left = m.left - 3.0;
    const double top = m.top - 3.0;
    const double right = m.right + 3.0;
    const double bottom = m.bottom + 3.0;
    const PixelBox box{m.left - 6, m.top - 6, m.right + 6, m.bottom + 7};
    // The lit lip along the lower edge of the cut, then the cut itself.
    canvas.Fill(box, WithAlpha(kWhite, 0.10), [&](double x, double y) {
        return RoundedRectDistance(x, y, left, top + 1.0, right, bottom + 1.0, 3.5);
    });
    canvas.Fill(box, WithAlpha(kBlack, 0.55),
                [&](double x, double y) { return RoundedRectDistance(x, y, left, top - 0.6, right, bottom, 3.5); });
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        // The upper wall of the cut is in shade.
        c = Mix(Rgb(0x07090b), kRecess, SmoothStep(top, top + 4.0, y));
        coverage = EdgeCoverage(RoundedRectDistance(x, y, left, top, right, bottom, 3.0));
    });
    // Twenty unlit segments of one decibel each; the bar lights them from the centre column.
    for (int k = 0; k < 20; ++k) {
        const int x = m.left + k * 6;
        FillRectangle(&bitmap, x, m.top, 5, m.bottom - m.top, 0xFF1E242Bu, 1.0f, BlendMode::ModeCopy);
        FillRectangle(&bitmap, x, m.top, 5, 1, 0xFF171C21u, 1.0f, BlendMode::ModeCopy);
    }
    // Ticks at the scale's marks above the frame, the centre one longer.
    for (int db : kScaleDb) {
        const int x = ScaleColumn(m, db);
        const int length = db == 0 ? 4 : 2;
        DrawLine(&bitmap, x, m.top - 6 - length + 1, x, m.top - 6, 0xFF8F9AA6u, 1.0f, BlendMode::ModeCopy);
    }
    // - at the cutting end, + at the boosting end.
    const double markY = m.bottom + 7.5;
    const double minusX = m.left + 3.0;
    const double plusX = m.right - 3.0;
    const PixelBox marks{m.left - 1, m.bottom + 3, m.right + 1, m.bottom + 12};
    canvas.Fill(marks, kMarkInk, [&](double x, double y) {
        const double minus = SegmentDistance(x, y, minusX - 2.5, markY, minusX + 2.5, markY, 0.6);
        const double plusH = SegmentDistance(x, y, plusX - 2.5, markY, plusX + 2.5, markY, 0.6);
        const double plusV = SegmentDistance(x, y, plusX, markY - 2.5, plusX, markY + 2.5, 0.6);
        return std::min({minus, plusH, plusV});
    });
}

void DrawSocket(Canvas& canvas)
{
    const double cx = kSocketX;
    const double cy = kSocketY;
    const PixelBox box = BoxAround(cx, cy, 16.0);
    // Contact shadow down and to the right, soft-edged.
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        c = kBlack;
        coverage = 0.5 * EdgeCoverage(DiscDistance(x, y, cx + 0.8, cy + 1.3, 13.4) / 1.8);
    });
    // The raised rim, lit from the upper left.
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        const double t = (AcrossLight(x - cx, y - cy, 13.2) + 1.0) / 2.0;
        c = Mix(Rgb(0x6f7a86), Rgb(0x1f242a), t);
        coverage = EdgeCoverage(DiscDistance(x, y, cx, cy, 13.2));
    });
    // The well the light and the button sit in: its upper wall in shade, the lower one lit.
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        const double dx = x - cx;
        const double dy = y - cy;
        const double r = Length(dx, dy);
        const double wall = SmoothStep(7.5, 10.6, r);
        const double lit = std::max(0.0, -Facing(dx, dy));
        c = Mix(kRecess, Mix(Rgb(0x050607), Rgb(0x3a424b), lit), wall);
        coverage = EdgeCoverage(r - 10.6);
    });
}

// Draws the knob's shadow onto the plate through a blurred scratch picture.
void DrawKnobShadow(RasterBitmap& bitmap, double cx, double cy)
{
    constexpr int kSize = 128;
    RasterMemBitmap shadow(kSize, kSize);
    ClearBitmap(&shadow);
    Canvas scratch(shadow);
    scratch.FillDisc(kSize / 2.0, kSize / 2.0, kKnobBodyRadius - 1.0, kBlack);
    for (int pass = 0; pass < 14; ++pass)
        BlurRegion(&shadow, kSize, kSize);
    const int x = static_cast<int>(std::lround(cx - kSize / 2.0)) + 3;
    const int y = static_cast<int>(std::lround(cy - kSize / 2.0)) + 5;
    BlitBitmap(&bitmap, &shadow, x, y, nullptr, 0.75f, BlendMode::ModeUseSourceAlpha);
}

void DrawTrack(Canvas& canvas, double cx, double cy)
{
    const double r = kTrackRadius;
    const double half = kTrackHalfWidth;
    const PixelBox box = BoxAround(cx, cy, r + 10.0);
    // Lit lip on the far side of the groove, then the groove with its shaded upper wall.
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        c = kWhite;
        const double away = std::max(0.0, -Facing(x - cx, y - cy));
        coverage =
            0.09 * away * EdgeCoverage(ArcDistance(x, y, cx, cy, r + 0.8, half, -kTravelDegrees, kTravelDegrees));
    });
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        const double d = Length(x - cx, y - cy);
        // The wall nearer the light is the one in shade.
        const double side = Facing(x - cx, y - cy) > 0.0 ? r + half - d : d - (r - half);
        c = Mix(Rgb(0x06080a), kRecess, SmoothStep(0.0, 2.5, side));
        coverage = EdgeCoverage(ArcDistance(x, y, cx, cy, r, half, -kTravelDegrees, kTravelDegrees));
    });
    // Scale dots every tenth of the travel outside the groove, the centre and the ends larger.
    for (int k = 0; k <= 10; ++k) {
        const double degrees = -kTravelDegrees + k * (2.0 * kTravelDegrees / 10.0);
        const bool major = k == 0 || k == 5 || k == 10;
        const double dotRadius = major ? 1.25 : 0.85;
        const double px = PointX(cx, r + half + 4.5, degrees);
        const double py = PointY(cy, r + half + 4.5, degrees);
        canvas.FillDisc(px, py, dotRadius, WithAlpha(kMarkInk, major ? 0.95 : 0.6));
    }
}

void DrawKnobBody(Canvas& canvas, double cx, double cy)
{
    const double body = kKnobBodyRadius;
    const double cap = kKnobCapRadius;
    const PixelBox box = BoxAround(cx, cy, body + 2.0);
    // The skirt: lit from the upper left, with fine grip ridges round its rim.
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        const double dx = x - cx;
        const double dy = y - cy;
        const double r = Length(dx, dy);
        const double t = (AcrossLight(dx, dy, body) + 1.0) / 2.0;
        c = Mix(Rgb(0x5a6470), Rgb(0x181c21), SmoothStep(0.0, 1.0, t));
        const double ridges = std::cos(std::atan2(dy, dx) * 48.0) * SmoothStep(cap + 1.5, cap + 3.0, r);
        c = Lift(c, 0.035 * ridges);
        // A sheen on the lit rim, a dark line where it meets the plate.
        const double rim = SmoothStep(body - 2.2, body - 0.6, r);
        c = Mix(c, Rgb(0xaab4bf), 0.45 * rim * std::max(0.0, Facing(dx, dy)));
        c = Mix(c, Rgb(0x0b0d10), SmoothStep(body - 0.9, body, r));
        coverage = EdgeCoverage(r - body);
    });
    // The cap: a shallow dish, so its lit side is the far one, with a crisp shaded rim.
    canvas.Paint(box, [&](double x, double y, Colour& c, double& coverage) {
        const double dx = x - cx;
        const double dy = y - cy;
        const double r = Length(dx, dy);
        const double t = (AcrossLight(dx, dy, cap) + 1.0) / 2.0;
        c = Mix(Rgb(0x22272d), Rgb(0x343b44), t);
        const double edge = SmoothStep(cap - 1.8, cap - 0.3, r);
        const double facing = Facing(dx, dy);
        c = Mix(c, Rgb(0x0c0e11), 0.8 * edge * std::max(0.0, facing));
        c = Mix(c, Rgb(0x6b7581), 0.5 * edge * std::max(0.0, -facing));
        coverage = EdgeCoverage(r - cap);
    });
}

void DrawKnob(Canvas& canvas, RasterBitmap& bitmap, int knob)
{
    const double cx = KnobCentreX(knob);
    const double cy = KnobCentreY(knob);
    DrawTrack(canvas, cx, cy);
    DrawKnobShadow(bitmap, cx, cy);
    DrawKnobBody(canvas, cx, cy);
}

// The maker's mark: a small light with a path curving round it, then the name.
void DrawMaker(Canvas& canvas, RasterBitmap& bitmap)
{
    // Inside the strip that opens the credits, clear of the captions above it.
    DrawGroove(bitmap, 16, 323, kCreditsHotspotTop + 1);
    const TextPainter name(-13, 400);
    const std::string text = "Lumen Pathway";
    const int textWidth = name.Measure(text);
    constexpr int kMarkWidth = 14;
    constexpr int kGap = 7;
    const int start = kEditorWidth / 2 - (kMarkWidth + kGap + textWidth) / 2;
    const double mx = start + kMarkWidth / 2.0;
    const double my = 455.5;
    canvas.FillDisc(mx, my, 2.3, kAccent);
    canvas.Fill(BoxAround(mx, my, 8.0), kAccent,
                [&](double x, double y) { return ArcDistance(x, y, mx, my, 6.0, 0.75, 150.0, 400.0); });
    const int textLeft = start + kMarkWidth + kGap;
    name.Draw(canvas, text, textLeft, 448, WithAlpha(kBlack, 0.45));
    name.Draw(canvas, text, textLeft, 447, Rgb(0xb9c3cd));
}

}  // namespace

void DrawBackground(RasterMemBitmap& bitmap)
{
    Canvas canvas(bitmap);
    DrawPlate(canvas, bitmap);
    DrawTitle(canvas, bitmap);
    for (const MeterPlace& meter : kMeters)
        DrawMeterFrame(canvas, bitmap, meter);
    DrawSocket(canvas);
    for (int knob = 0; knob < 4; ++knob)
        DrawKnob(canvas, bitmap, knob);
    DrawMaker(canvas, bitmap);
}

}  // namespace artwork

}  // namespace kestrelon
