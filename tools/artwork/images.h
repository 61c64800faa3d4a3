#pragma once

// The editor's pictures, one drawing function each. Each draws into a bitmap already sized as
// the image table says and cleared to transparent.

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace artwork {

// 340 x 484, opaque: the panel with the title, meter frames, the clip socket, four knobs and the
// maker's name.
void DrawBackground(RasterMemBitmap& bitmap);
// 134 x 13534: 101 frames of the value arc over knob `knob` (0..3: attack, sustain, sensitivity,
// output) with that knob's icon.
void DrawKnobStrip(RasterMemBitmap& bitmap, int knob);
// 24 x 240: ten frames of the clip light, dark to full.
void DrawClipLight(RasterMemBitmap& bitmap);
// 22 x 44: the button cap while clipping is off, then nothing.
void DrawClipButton(RasterMemBitmap& bitmap);
// 340 x 484: the credits and help overlay.
void DrawCredits(RasterMemBitmap& bitmap);

}  // namespace artwork

}  // namespace kestrelon
