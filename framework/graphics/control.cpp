#include "framework/graphics/control.h"

#include <algorithm>

#include "framework/editor_delegate.h"
#include "framework/parameter.h"

namespace kestrelon {

IControl::IControl(IEditorDelegate* owner, const Rect& drawn, int param, BlendSpec blending)
    : plugin(owner), rect(drawn), targetRect(drawn), paramIndex(param), blend(blending)
{
    designRect[0] = drawn.left;
    designRect[1] = drawn.top;
    designRect[2] = drawn.right;
    designRect[3] = drawn.bottom;
}

void IControl::HandleMouseDown(int, int, const MouseModifiers&)
{}
void IControl::HandleMouseUp(int, int, const MouseModifiers&)
{}
void IControl::HandleMouseDrag(int, int, int, int, const MouseModifiers&)
{}

void IControl::HandleDoubleClick(int, int, const MouseModifiers&)
{
    const double reset = DefaultValue();
    if (reset < 0.0)
        return;
    SetValue(reset);
    MarkDirty(true);
}

void IControl::HandleWheel(int, int, const MouseModifiers&, int)
{}

bool IControl::HandleKeyDown(int, int, KeyCode)
{
    return false;
}

void IControl::NotifyMouseDown(int, int, const MouseModifiers&)
{}
void IControl::NotifyMouseUp(int, int, const MouseModifiers&)
{}
void IControl::NotifyMouseDrag(int, int, int, int, const MouseModifiers&)
{}
void IControl::NotifyDoubleClick(int, int, const MouseModifiers&)
{}
void IControl::NotifyWheel(int, int, const MouseModifiers&, int)
{}

bool IControl::NotifyKeyDown(int, int, KeyCode)
{
    return false;
}

void IControl::HandleMouseOver(int, int, const MouseModifiers&)
{}
void IControl::HandleMouseOut()
{}
void IControl::OnScaleChanged(double)
{}

void IControl::SetValueFromPlugin(double newValue)
{
    if (DefaultValue() < 0.0) {
        // The first value is the one at attach time: the double-click default.
        SetValue(newValue);
        defaultValue.store(newValue, std::memory_order_relaxed);
        return;
    }
    if (newValue == Value())
        return;
    SetValue(newValue);
    MarkDirty(false);
    redrawPending = true;
}

void IControl::SetValueFromUser(double newValue)
{
    if (newValue == Value())
        return;
    SetValue(newValue);
    MarkDirty(true);
    redrawPending = true;
}

void IControl::AcceptEnteredText(const char*)
{}

void IControl::SetHidden(bool hide)
{
    hidden = hide;
    redrawPending = true;
    MarkDirty(false);
}

void IControl::SetGreyed(bool grey)
{
    greyed = grey;
    blend.weight = grey ? 0.25f : 1.0f;
    MarkDirty(false);
}

bool IControl::HitTest(int x, int y) const
{
    return targetRect.Contains(x, y);
}

void IControl::MarkDirty(bool pushToPlugin)
{
    // A NaN from a host has no place in 0..1: it stays out of the plug-in.
    double v = Value();
    if (!(v >= clampLow))
        v = clampLow;
    if (v > clampHigh)
        v = clampHigh;
    SetValue(v);
    dirty = true;
    if (pushToPlugin && plugin && paramIndex >= 0)
        plugin->SetParamFromEditor(paramIndex, v);
}

void IControl::MarkClean()
{
    dirty = redrawPending.exchange(false);
}

bool IControl::NeedsRedraw()
{
    return dirty;
}

void IControl::SetAuxValueFromPlugin(int auxIndex, double newValue)
{
    if (auxIndex < 0 || auxIndex >= static_cast<int>(auxParams.size()))
        return;
    SecondaryBinding& binding = auxParams[static_cast<std::size_t>(auxIndex)];
    if (binding.value == newValue)
        return;
    binding.value = newValue;
    MarkDirty(false);
    redrawPending = true;
}

void IControl::SetRects(const Rect& drawn, const Rect& target)
{
    rect = drawn;
    targetRect = target;
}

void IControl::SetDesignRect(const double r[4])
{
    std::copy(r, r + 4, designRect);
}

}  // namespace kestrelon
