#pragma once

// Where things are on the editor, in design pixels. Every picture is drawn from these numbers so
// that the panel, the knob strips, the lights and the overlay line up with the controls that show
// them: the knob strips at their knobs' rectangles, the meters' bars over the meter frames, the
// clip light and button over the socket.

namespace kestrelon {

namespace artwork {

inline constexpr int kEditorWidth = 340;
inline constexpr int kEditorHeight = 484;

// Knob strips: one 134 x 134 frame each, placed at these corners.
inline constexpr int kKnobSize = 134;
struct KnobPlace {
    int left;
    int top;
};
inline constexpr KnobPlace kKnobPlaces[4] = {{23, 119}, {183, 119}, {23, 279}, {183, 279}};
inline constexpr int kKnobFrames = 101;
// Frame 51 (index 50) is the middle of the travel: no arc at all.
inline constexpr int kKnobMiddleFrame = (kKnobFrames - 1) / 2;

// Inside a knob frame, in frame pixels: centre, the track's middle radius, the arc's sweep.
inline constexpr double kKnobCentre = kKnobSize / 2.0;
inline constexpr double kTrackRadius = 55.0;
inline constexpr double kTrackHalfWidth = 3.5;
inline constexpr double kArcHalfWidth = 2.1;
// From the top centre to either end of the travel, in degrees.
inline constexpr double kTravelDegrees = 135.0;
inline constexpr double kKnobBodyRadius = 44.0;
inline constexpr double kKnobCapRadius = 35.0;

// Meters: the bar area of each (right and bottom exclusive); the bar grows from the centre column.
struct MeterPlace {
    int left;
    int top;
    int right;
    int bottom;
    int CentreColumn() const { return left + (right - left) / 2; }
};
inline constexpr MeterPlace kMeters[2] = {{30, 80, 150, 88}, {190, 80, 310, 88}};
// The meters read -10..+10 dB across their width: 6 pixels per dB either side of the centre.
inline constexpr double kMeterPixelsPerDb = 6.0;
inline constexpr int kScaleDb[7] = {-10, -6, -3, 0, 3, 6, 10};

// The clip socket: the light's 24 x 24 frames at (158, 72), the button's 22 x 22 at (159, 73).
inline constexpr double kSocketX = 170.0;
inline constexpr double kSocketY = 84.0;
inline constexpr int kClipLightSize = 24;
inline constexpr int kClipLightFrames = 10;
inline constexpr int kClipLightLeft = 158;
inline constexpr int kClipLightTop = 72;
inline constexpr int kClipButtonSize = 22;
inline constexpr int kClipButtonLeft = 159;
inline constexpr int kClipButtonTop = 73;
// Peak opacity of the light's frames 2 to 10 (frame 1 is dark).
inline constexpr int kClipLightPeaks[kClipLightFrames - 1] = {31, 57, 85, 113, 141, 170, 198, 226, 255};

// Value readouts under the knobs (64 x 16), the strip that opens the credits, and where the
// overlay writes its build text.
inline constexpr int kReadoutWidth = 64;
inline constexpr int kReadoutHeight = 16;
inline constexpr int kCreditsHotspotTop = 440;
inline constexpr int kBuildTextLeft = 5;
inline constexpr int kBuildTextTop = 470;
inline constexpr int kBuildTextRight = 155;

inline double KnobCentreX(int knob)
{
    return kKnobPlaces[knob].left + kKnobCentre;
}
inline double KnobCentreY(int knob)
{
    return kKnobPlaces[knob].top + kKnobCentre;
}

}  // namespace artwork

}  // namespace kestrelon
