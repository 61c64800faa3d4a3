// The clip light's ten frames and the clip button's two.

#include <algorithm>
#include <cmath>

#include "tools/artwork/canvas.h"
#include "tools/artwork/images.h"
#include "tools/artwork/layout.h"
#include "tools/artwork/palette.h"

namespace kestrelon {

namespace artwork {

namespace {

// The light's profile: a full core, then a soft fall to nothing inside the socket's well.
double GlowProfile(double r)
{
    constexpr double kCore = 2.0;
    constexpr double kReach = 11.0;
    if (r <= kCore)
        return 1.0;
    if (r >= kReach)
        return 0.0;
    const double u = (r - kCore) / (kReach - kCore);
    return std::exp(-u * u * 4.0) * (1.0 - SmoothStep(0.75, 1.0, u));
}

}  // namespace

void DrawClipLight(RasterMemBitmap& bitmap)
{
    const double c = kClipLightSize / 2.0;
    // Frame 1 stays dark.
    for (int frame = 1; frame < kClipLightFrames; ++frame) {
        Canvas canvas(bitmap, 0, frame * kClipLightSize, kClipLightSize, kClipLightSize);
        const double peak = kClipLightPeaks[frame - 1] / 255.0;
        for (int y = 0; y < kClipLightSize; ++y) {
            for (int x = 0; x < kClipLightSize; ++x)
                canvas.Set(x, y, WithAlpha(kWhite, peak * GlowProfile(Length(x + 0.5 - c, y + 0.5 - c))));
        }
    }
}

void DrawClipButton(RasterMemBitmap& bitmap)
{
    // Frame 1 only: frame 2 stays clear so the lit socket shows while clipping is on.
    Canvas canvas(bitmap, 0, 0, kClipButtonSize, kClipButtonSize);
    const double c = kClipButtonSize / 2.0;
    const PixelBox box{0, 0, kClipButtonSize, kClipButtonSize};
    // A grey ring, lit from the upper left...
    canvas.Paint(box, [&](double x, double y, Colour& colour, double& coverage) {
        const double t = (AcrossLight(x - c, y - c, 10.4) + 1.0) / 2.0;
        colour = Mix(Rgb(0xb3bcc5), Rgb(0x5c646d), t);
        coverage = EdgeCoverage(RingDistance(x, y, c, c, 8.0, 10.4));
    });
    // ...round a grey cap, slightly domed, with a soft highlight.
    canvas.Paint(box, [&](double x, double y, Colour& colour, double& coverage) {
        const double dx = x - c;
        const double dy = y - c;
        const double t = (AcrossLight(dx, dy, 6.4) + 1.0) / 2.0;
        colour = Mix(Rgb(0x9aa3ad), Rgb(0x555c64), t);
        const double sheen = 1.0 - SmoothStep(0.0, 3.2, Length(dx + 2.0, dy + 2.4));
        colour = Mix(colour, Rgb(0xd9dfe5), 0.5 * sheen);
        coverage = EdgeCoverage(Length(dx, dy) - 6.4);
    });
}

}  // namespace artwork

}  // namespace kestrelon
