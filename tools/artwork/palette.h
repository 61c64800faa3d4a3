#pragma once

// The colours of the panel and the one light that every picture is shaded by: it comes from the
// upper left, so raised edges are bright there and dark at the lower right, recesses the other
// way round, and shadows fall down and to the right.

#include <cmath>

#include "tools/artwork/canvas.h"

namespace kestrelon {

namespace artwork {

inline constexpr Colour kPanelTop = Rgb(0x39424d);
inline constexpr Colour kPanelBottom = Rgb(0x262c34);
inline constexpr Colour kRecess = Rgb(0x12161a);
inline constexpr Colour kTitleInk = Rgb(0xe9eef3);
inline constexpr Colour kLabelInk = Rgb(0xc5cdd6);
inline constexpr Colour kMarkInk = Rgb(0x8f9aa6);
inline constexpr Colour kIconInk = Rgb(0xa3adb8);
inline constexpr Colour kAccent = Rgb(0xe2a75a);  // the maker's mark only
inline constexpr Colour kWhite = Rgb(0xffffff);
inline constexpr Colour kBlack = Rgb(0x000000);

// Towards the light, as a unit vector in picture coordinates (y down).
inline constexpr double kLightX = -0.6;
inline constexpr double kLightY = -0.8;

// How much a point at (dx, dy) from a round shape's centre faces the light: -1..1.
inline double Facing(double dx, double dy)
{
    const double length = Length(dx, dy);
    return length > 0.0 ? (dx * kLightX + dy * kLightY) / length : 0.0;
}

// Across a shape of radius r: -1 at the lit side, 1 at the far side (for gradients lit from the
// upper left).
inline double AcrossLight(double dx, double dy, double r)
{
    return -(dx * kLightX + dy * kLightY) / r;
}

}  // namespace artwork

}  // namespace kestrelon
