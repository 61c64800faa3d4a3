// The credits overlay: shown over the whole editor when the maker's name is clicked, it names
// every control (the meters' scales and ends, the clip switch, the knobs with their ranges) and
// puts the credits on the knob faces. The panel shows through everywhere else; the bottom left is
// kept free for the build text the overlay control writes there.

#include <string>

#include "tools/artwork/canvas.h"
#include "tools/artwork/images.h"
#include "tools/artwork/layout.h"
#include "tools/artwork/palette.h"
#include "tools/artwork/text_painter.h"

namespace kestrelon {

namespace artwork {

namespace {

// U+2212, the minus sign: the scale's negative numbers as a printed scale has them.
constexpr const char* kMinus = "\xE2\x88\x92";

struct KnobText {
    const char* caption;
    const char* low;
    const char* high;
    const char* credits[3];
};

const KnobText kKnobTexts[4] = {
    {"ATTACK", "-10", "+10", {"KESTRELON", "transient", "shaper 1.0"}},
    {"SUSTAIN", "-10", "+10", {"DESIGN & DSP", "Lumen", "Pathway"}},
    {"SENSITIVITY", "0", "1", {"IMAGES", "drawn in code", "with libpng"}},
    {"VOLUME", "-12", "+12", {"THANK YOU", "for making", "music"}},
};

// A printed minus in place of a leading hyphen.
std::string Printed(const char* text)
{
    std::string s = text;
    if (!s.empty() && s[0] == '-')
        s = kMinus + s.substr(1);
    return s;
}

std::string ScaleLabel(int db)
{
    return db < 0 ? kMinus + std::to_string(-db) : std::to_string(db);
}

void DrawMeterLabels(Canvas& canvas)
{
    const TextPainter scale(-8, 700);
    const TextPainter ends(-8, 700, 1);
    const Colour ink = WithAlpha(kLabelInk, 0.95);
    for (const MeterPlace& m : kMeters) {
        for (int db : kScaleDb) {
            const int x = m.CentreColumn() + static_cast<int>(db * kMeterPixelsPerDb) + (db == 10 ? -1 : 0);
            scale.Draw(canvas, ScaleLabel(db), x + 1, m.top - 18, ink, TextAlign::Centre);
        }
    }
    // The meters' ends, beside the - and + marks of the panel.
    const int y = kMeters[0].bottom + 3;
    ends.Draw(canvas, "DULL", kMeters[0].left + 9, y, ink);
    ends.Draw(canvas, "SHARP", kMeters[0].right - 9, y, ink, TextAlign::Right);
    ends.Draw(canvas, "SHORT", kMeters[1].left + 9, y, ink);
    ends.Draw(canvas, "LONG", kMeters[1].right - 9, y, ink, TextAlign::Right);
    const TextPainter clip(-7, 700);
    const int cx = static_cast<int>(kSocketX);
    clip.Draw(canvas, "CLIP INDICATOR", cx, y + 11, ink, TextAlign::Centre);
    clip.Draw(canvas, "/ TOGGLE", cx, y + 19, ink, TextAlign::Centre);
}

void DrawKnobLabels(Canvas& canvas)
{
    const TextPainter caption(-9, 700, 1);
    const TextPainter range(-8, 700);
    const TextPainter title(-8, 700);
    const TextPainter line(-9, 400);
    for (int knob = 0; knob < 4; ++knob) {
        const KnobText& text = kKnobTexts[knob];
        const double cx = KnobCentreX(knob);
        const double cy = KnobCentreY(knob);
        const int x = static_cast<int>(cx);
        const Colour ink = WithAlpha(kLabelInk, 0.95);
        // Under the readout, which sits right under the knob.
        caption.Draw(canvas, text.caption, x, kKnobPlaces[knob].top + kKnobSize + kReadoutHeight + 1, ink,
                     TextAlign::Centre);
        // The range at the two ends of the travel.
        // Below the panel's end dots, a little outside them.
        const double endX = PointX(0.0, kTrackRadius + 12.0, kTravelDegrees);
        const double endY = PointY(cy, kTrackRadius + 12.0, kTravelDegrees) + 1.0;
        range.Draw(canvas, Printed(text.low), static_cast<int>(cx - endX), static_cast<int>(endY), ink,
                   TextAlign::Centre);
        range.Draw(canvas, Printed(text.high), static_cast<int>(cx + endX), static_cast<int>(endY), ink,
                   TextAlign::Centre);
        // The credits on the knob's face, over a veil that hides the icon.
        canvas.Paint(BoxAround(cx, cy, kKnobCapRadius + 1.0), [&](double px, double py, Colour& c, double& coverage) {
            c = Rgb(0x1b1f25);
            coverage = 0.93 * EdgeCoverage(DiscDistance(px, py, cx, cy, kKnobCapRadius - 0.5));
        });
        const int top = static_cast<int>(cy) - 17;
        title.Draw(canvas, text.credits[0], x, top, WithAlpha(kWhite, 0.9), TextAlign::Centre);
        line.Draw(canvas, text.credits[1], x, top + 13, WithAlpha(kLabelInk, 0.9), TextAlign::Centre);
        line.Draw(canvas, text.credits[2], x, top + 24, WithAlpha(kLabelInk, 0.9), TextAlign::Centre);
    }
}

}  // namespace

void DrawCredits(RasterMemBitmap& bitmap)
{
    Canvas canvas(bitmap);
    const TextPainter heading(-12, 700, 1);
    heading.Draw(canvas, "Credits", 316, 12, WithAlpha(kWhite, 0.92), TextAlign::Right);
    DrawMeterLabels(canvas);
    DrawKnobLabels(canvas);
}

}  // namespace artwork

}  // namespace kestrelon
