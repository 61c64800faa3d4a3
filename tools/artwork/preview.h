#pragma once

// A picture of the assembled editor, for looking at the artwork as a user will see it: the
// images blitted at their controls' rectangles the way the editor draws them.

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace artwork {

struct EditorPictures {
    RasterMemBitmap* background;
    RasterMemBitmap* knobs[4];
    RasterMemBitmap* clipLight;
    RasterMemBitmap* credits;
    RasterMemBitmap* clipButton;
};

// Two editors side by side: a working one (knobs turned, meters moving, the clip light on) and the
// same with the credits overlay open.
void DrawPreview(RasterMemBitmap& preview, const EditorPictures& pictures);

}  // namespace artwork

}  // namespace kestrelon
