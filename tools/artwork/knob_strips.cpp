// The knob strips: for each of the 101 positions, the white value arc in the knob's groove, grown
// from the top centre towards the cutting side below the middle frame and towards the boosting
// side above it, and a small grey icon on the cap that shows what the knob does at that setting.

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/artwork/canvas.h"
#include "tools/artwork/images.h"
#include "tools/artwork/layout.h"
#include "tools/artwork/palette.h"

namespace kestrelon {

namespace artwork {

namespace {

// Icons are about 32 x 24 pixels round the knob's centre, on the cap's dark face.
constexpr double kIconHalfWidth = 16.0;
constexpr double kStroke = 0.9;  // half the icon line width

struct Point {
    double x;
    double y;
};

// Distance to a polyline of offsets from the centre.
double PolylineDistance(double x, double y, const std::vector<Point>& points, double halfWidth)
{
    double best = 1e9;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Point& a = points[i - 1];
        const Point& b = points[i];
        best = std::min(best, SegmentDistance(x, y, a.x, a.y, b.x, b.y, halfWidth));
    }
    return best;
}

// A curve y = f(t) over t in 0..1 across the icon's width, as a polyline about the centre.
template <typename Curve>
std::vector<Point> Sample(Curve f, int steps = 52)
{
    std::vector<Point> points;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        points.push_back({kKnobCentre - kIconHalfWidth + 2.0 * kIconHalfWidth * t, kKnobCentre + f(t)});
    }
    return points;
}

// Attack: a note's envelope, its onset taller and sharper the further the knob is turned up.
std::vector<Point> TransientIcon(double v)
{
    const double peak = 3.0 + 14.0 * v;  // above the sustain level
    const double rise = 0.05 + 0.20 * (1.0 - v);  // of the width
    const double onset = 0.12;
    const double floor = 10.0;  // the baseline, below the centre
    const double level = 4.0;  // the sustained part above the baseline
    return Sample([=](double t) {
        if (t < onset)
            return floor;
        if (t < onset + rise) {
            const double u = (t - onset) / rise;
            return floor - (level + peak) * std::sin(u * kPi / 2.0);
        }
        const double u = (t - onset - rise) / (1.0 - onset - rise);
        return floor - level - peak * std::exp(-u * 6.0);
    });
}

// Sustain: a ringing wave whose tail dies away fast at the left and lingers at the right.
std::vector<Point> DecayIcon(double v)
{
    const double decay = 1.2 + 9.0 * (1.0 - v) * (1.0 - v);
    return Sample([=](double t) { return -10.0 * std::exp(-t * decay) * std::sin(t * 2.0 * kPi * 3.0); }, 72);
}

// Output: a steady wave, louder the further the knob is turned.
std::vector<Point> WaveIcon(double v)
{
    const double amplitude = 1.2 + 9.5 * v;
    return Sample([=](double t) { return -amplitude * std::sin(t * 2.0 * kPi * 2.0); }, 72);
}

// Sensitivity: a minus, five dots that light up one after the other, and a plus.
double SensitivityIcon(double x, double y, double v, double& dim)
{
    const double c = kKnobCentre;
    const double minus = SegmentDistance(x, y, c - 19.0, c, c - 13.0, c, kStroke);
    const double plusH = SegmentDistance(x, y, c + 13.0, c, c + 19.0, c, kStroke);
    const double plusV = SegmentDistance(x, y, c + 16.0, c - 3.0, c + 16.0, c + 3.0, kStroke);
    double best = std::min({minus, plusH, plusV});
    dim = 1.0;
    for (int k = 0; k < 5; ++k) {
        const double lit = std::clamp(v * 5.0 - k, 0.0, 1.0);
        const double d = DiscDistance(x, y, c - 8.0 + k * 4.0, c, 1.0 + 0.8 * lit);
        if (d < best) {
            best = d;
            dim = 0.4 + 0.6 * lit;
        }
    }
    return best;
}

void DrawArc(Canvas& canvas, int frame)
{
    if (frame == kKnobMiddleFrame)
        return;
    const double v = static_cast<double>(frame) / (kKnobFrames - 1);
    const double sweep = (v - 0.5) * 2.0 * kTravelDegrees;
    const double from = std::min(0.0, sweep);
    const double to = std::max(0.0, sweep);
    const double c = kKnobCentre;
    const PixelBox box = BoxAround(c, c, kTrackRadius + 8.0);
    // The arc with a faint glow round it.
    // Only pixels near the track can be reached; the rest of the frame stays clear.
    constexpr double kReach = kArcHalfWidth + 7.0;
    canvas.Paint(box, [&](double x, double y, Colour& colour, double& coverage) {
        colour = kWhite;
        if (std::fabs(Length(x - c, y - c) - kTrackRadius) > kReach)
            return;
        const double d = ArcDistance(x, y, c, c, kTrackRadius, kArcHalfWidth, from, to);
        coverage = std::max(EdgeCoverage(d), d > 0.0 ? 0.16 * std::exp(-d * d / 5.0) : 0.0);
    });
}

void DrawIcon(Canvas& canvas, int knob, int frame)
{
    const double v = static_cast<double>(frame) / (kKnobFrames - 1);
    const double c = kKnobCentre;
    const PixelBox box = BoxAround(c, c, 22.0);
    const Colour ink = WithAlpha(kIconInk, 0.9);
    if (knob == 2) {
        canvas.Paint(box, [&](double x, double y, Colour& colour, double& coverage) {
            double dim = 1.0;
            coverage = EdgeCoverage(SensitivityIcon(x, y, v, dim));
            colour = WithAlpha(kIconInk, 0.9 * dim);
        });
        return;
    }
    const std::vector<Point> line = knob == 0 ? TransientIcon(v) : knob == 1 ? DecayIcon(v) : WaveIcon(v);
    canvas.Fill(box, ink, [&](double x, double y) { return PolylineDistance(x, y, line, kStroke); });
}

}  // namespace

void DrawKnobStrip(RasterMemBitmap& bitmap, int knob)
{
    for (int frame = 0; frame < kKnobFrames; ++frame) {
        Canvas canvas(bitmap, 0, frame * kKnobSize, kKnobSize, kKnobSize);
        DrawIcon(canvas, knob, frame);
        DrawArc(canvas, frame);
    }
}

}  // namespace artwork

}  // namespace kestrelon
