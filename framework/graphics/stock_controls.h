#pragma once

// The stock controls: a film-strip frame chosen by the value, a switch that
// steps through its frames on a click, and a knob dragged vertically.

#include "framework/graphics/control.h"

namespace kestrelon {

// The frame of an N-frame strip that shows value (0..1): the nearest one,
// halves up; 1-based.
int FrameForValue(double value, int frameCount);

class IBitmapControl : public IControl {
public:
    // rect = the image's width by one frame's height, at (x, y).
    IBitmapControl(IEditorDelegate* plugin, int x, int y, int paramIndex, ImageRef* image,
                   BlendMethod method = BlendMethod::BlendMethodAlpha);

    bool Paint(IGraphics& graphics) override;
    ImageRef* Image() const { return image; }

protected:
    ImageRef* image = nullptr;  // shared, not owned
};

// A click (or a double click) steps to the next frame, wrapping to the first.
class ISwitchControl : public IBitmapControl {
public:
    using IBitmapControl::IBitmapControl;

    void HandleMouseDown(int x, int y, const MouseModifiers& mods) override;
    void HandleDoubleClick(int x, int y, const MouseModifiers& mods) override;
};

class IKnobControl : public IControl {
public:
    IKnobControl(IEditorDelegate* plugin, const Rect& rect, int paramIndex, double gearing, BlendSpec blend = {});

protected:
    // How many control heights of vertical drag sweep the whole range.
    double gearing = 4.0;
};

// A knob shown as a film strip: dragged up to raise the value (ten times
// finer with shift or control), one hundredth per wheel step.
class IKnobMultiControl : public IKnobControl {
public:
    IKnobMultiControl(IEditorDelegate* plugin, int x, int y, int paramIndex, ImageRef* image, double gearing = 4.0);

    void HandleMouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods) override;
    void HandleWheel(int x, int y, const MouseModifiers& mods, int steps) override;
    bool Paint(IGraphics& graphics) override;

protected:
    ImageRef* image = nullptr;  // shared, not owned
};

}  // namespace kestrelon
