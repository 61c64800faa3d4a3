#include "framework/graphics/stock_controls.h"

#include <cmath>

#include "framework/graphics/graphics.h"

namespace kestrelon {

namespace {

Rect FrameRect(int x, int y, const ImageRef* image)
{
    if (!image)
        return Rect{x, y, x, y};
    const int frames = image->frameCount > 0 ? image->frameCount : 1;
    return Rect{x, y, x + image->width, y + image->height / frames};
}

}  // namespace

int FrameForValue(double value, int frameCount)
{
    if (frameCount < 2)
        return 1;
    // Nearest frame, halves up.
    const double position = std::trunc((frameCount - 1) * value + 0.5) + 1.0;
    if (!(position >= 1.0))
        return 1;
    return position > frameCount ? frameCount : static_cast<int>(position);
}

IBitmapControl::IBitmapControl(IEditorDelegate* plugin, int x, int y, int param, ImageRef* shown, BlendMethod method)
    : IControl(plugin, FrameRect(x, y, shown), param, BlendSpec{method, 1.0f}), image(shown)
{}

bool IBitmapControl::Paint(IGraphics& graphics)
{
    if (!image)
        return false;
    return graphics.DrawImageFrame(*image, rect, FrameForValue(Value(), image->frameCount), &blend);
}

void ISwitchControl::HandleMouseDown(int, int, const MouseModifiers&)
{
    const int frames = image ? image->frameCount : 1;
    double v = Value() + (frames >= 2 ? 1.0 / (frames - 1) : 1.0);
    // The slack absorbs the rounding of repeated thirds and fifths.
    if (v > 1.001)
        v = 0.0;
    SetValue(v);
    MarkDirty(true);
}

void ISwitchControl::HandleDoubleClick(int x, int y, const MouseModifiers& mods)
{
    HandleMouseDown(x, y, mods);
}

IKnobControl::IKnobControl(IEditorDelegate* plugin, const Rect& drawn, int param, double gear, BlendSpec blending)
    : IControl(plugin, drawn, param, blending), gearing(gear)
{}

IKnobMultiControl::IKnobMultiControl(IEditorDelegate* plugin, int x, int y, int param, ImageRef* shown, double gear)
    : IKnobControl(plugin, FrameRect(x, y, shown), param, gear, BlendSpec{BlendMethod::BlendMethodAlpha, 1.0f}),
      image(shown)
{}

void IKnobMultiControl::HandleMouseDrag(int, int, int, int dy, const MouseModifiers& mods)
{
    const double g = (mods.control || mods.shift) ? gearing * 10.0 : gearing;
    const int height = targetRect.top - targetRect.bottom;  // negative: up raises the value
    if (height == 0 || g == 0.0)
        return;
    SetValue(Value() + dy / static_cast<double>(height) / g);
    MarkDirty(true);
}

void IKnobMultiControl::HandleWheel(int, int, const MouseModifiers& mods, int steps)
{
    SetValue(Value() + steps * ((mods.control || mods.shift) ? 0.001 : 0.01));
    MarkDirty(true);
}

bool IKnobMultiControl::Paint(IGraphics& graphics)
{
    if (!image)
        return false;
    return graphics.DrawImageFrame(*image, rect, FrameForValue(Value(), image->frameCount), &blend);
}

}  // namespace kestrelon
