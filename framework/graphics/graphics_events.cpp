// Event routing: every event is first broadcast to all controls but the
// background, then delivered to one control, the captured one or the topmost
// hit. A press and its release on a parameter control are the host's begin
// and end of an edit.
#include "framework/editor_delegate.h"
#include "framework/graphics/graphics.h"
#include "framework/parameter.h"
#include "text/leading_number.h"

namespace kestrelon {

int IGraphics::TopmostHit(int x, int y, bool includeGreyedMouseOver) const
{
    for (int i = ControlCount() - 1; i >= 0; --i) {
        const IControl& c = *controls[static_cast<std::size_t>(i)];
        if (c.IsHidden())
            continue;
        if (c.IsGreyed() && !(includeGreyedMouseOver && c.MouseOverWhenGreyed()))
            continue;
        if (c.HitTest(x, y))
            return i;
    }
    return -1;
}

void IGraphics::ForgetCapture()
{
    captureIndex = -1;
    lastMouseX = -1;
    lastMouseY = -1;
}

void IGraphics::RouteMouseDown(int x, int y, const MouseModifiers& mods)
{
    for (std::size_t i = 1; i < controls.size(); ++i)
        controls[i]->NotifyMouseDown(x, y, mods);
    ForgetCapture();
    const int hit = TopmostHit(x, y);
    if (hit < 0)
        return;
    IControl& target = *controls[static_cast<std::size_t>(hit)];
    captureIndex = hit;
    lastMouseX = x;
    lastMouseY = y;
    if (target.ParamIndex() >= 0 && plugin)
        plugin->HostBeginParamEdit(target.ParamIndex());
    target.HandleMouseDown(x, y, mods);
}

void IGraphics::RouteMouseUp(int x, int y, const MouseModifiers& mods)
{
    for (std::size_t i = 1; i < controls.size(); ++i)
        controls[i]->NotifyMouseUp(x, y, mods);
    const bool captured = captureIndex >= 0;
    const int index = captured ? captureIndex : TopmostHit(x, y);
    ForgetCapture();
    IControl* target = ControlAt(index);
    if (!target)
        return;
    target->HandleMouseUp(x, y, mods);
    // Only a press in this editor began an edit: a button pressed elsewhere
    // and released over a knob must not end an edit the host never saw begin.
    if (captured && target->ParamIndex() >= 0 && plugin)
        plugin->HostEndParamEdit(target->ParamIndex());
}

void IGraphics::RouteMouseDrag(int x, int y, const MouseModifiers& mods)
{
    const int dx = x - lastMouseX;
    const int dy = y - lastMouseY;
    for (std::size_t i = 1; i < controls.size(); ++i)
        controls[i]->NotifyMouseDrag(x, y, dx, dy, mods);
    IControl* captured = ControlAt(captureIndex);
    if (!captured || (x == lastMouseX && y == lastMouseY))
        return;
    lastMouseX = x;
    lastMouseY = y;
    captured->HandleMouseDrag(x, y, dx, dy, mods);
}

bool IGraphics::RouteDoubleClick(int x, int y, const MouseModifiers& mods)
{
    for (std::size_t i = 1; i < controls.size(); ++i) {
        if (controls[i]->DoubleClickAsClick())
            controls[i]->NotifyMouseDown(x, y, mods);
        else
            controls[i]->NotifyDoubleClick(x, y, mods);
    }
    ForgetCapture();
    const int hit = TopmostHit(x, y);
    if (hit < 0)
        return false;
    IControl& target = *controls[static_cast<std::size_t>(hit)];
    if (target.DoubleClickAsClick()) {
        captureIndex = hit;
        lastMouseX = x;
        lastMouseY = y;
        target.HandleMouseDown(x, y, mods);
        return true;
    }
    target.HandleDoubleClick(x, y, mods);
    return false;
}

void IGraphics::RouteWheel(int x, int y, const MouseModifiers& mods, int steps)
{
    for (std::size_t i = 1; i < controls.size(); ++i)
        controls[i]->NotifyWheel(x, y, mods, steps);
    IControl* target = ControlAt(captureIndex >= 0 ? captureIndex : TopmostHit(x, y));
    if (target)
        target->HandleWheel(x, y, mods, steps);
}

bool IGraphics::RouteMouseOver(int x, int y, const MouseModifiers& mods)
{
    if (!trackMouseOver)
        return false;
    const int index = captureIndex >= 0 ? captureIndex : TopmostHit(x, y, true);
    IControl* target = ControlAt(index);
    if (!target)
        return true;
    lastMouseX = x;
    lastMouseY = y;
    target->HandleMouseOver(x, y, mods);
    if (mouseOverIndex >= 0 && mouseOverIndex != index)
        if (IControl* previous = ControlAt(mouseOverIndex))
            previous->HandleMouseOut();
    mouseOverIndex = index;
    return true;
}

void IGraphics::RouteMouseOut()
{
    for (auto& control : controls)
        control->HandleMouseOut();
    mouseOverIndex = -1;
}

bool IGraphics::RouteKeyDown(int x, int y, KeyCode key)
{
    for (std::size_t i = 1; i < controls.size(); ++i)
        controls[i]->NotifyKeyDown(x, y, key);
    const int index = captureIndex >= 0 ? captureIndex : TopmostHit(x, y);
    if (index <= 0)
        return false;
    return controls[static_cast<std::size_t>(index)]->HandleKeyDown(x, y, key);
}

void IGraphics::ReleaseCapture()
{
    IControl* captured = ControlAt(captureIndex);
    if (!captured)
        return;
    // Without this the control would stay captured and the host would wait
    // for an end of edit that never comes.
    RouteMouseUp(lastMouseX, lastMouseY, MouseModifiers{});
}

void IGraphics::TextEntryOpened(IControl* control)
{
    IControl* pressed = ControlAt(captureIndex);
    if (!control || pressed != control || control->ParamIndex() < 0 || !plugin)
        return;
    // The release belongs to the box now: it must not end the edit early.
    entryEditParam = control->ParamIndex();
    ForgetCapture();
}

void IGraphics::TextEntryClosed(IControl* control, const IParameter* parameter, const char* committed)
{
    const int openEdit = entryEditParam;
    entryEditParam = -1;
    if (committed && control) {
        const int param = control->ParamIndex();
        // A box opened without a press still hands its value over inside an edit.
        const bool ownEdit = openEdit < 0 && param >= 0 && plugin;
        if (ownEdit)
            plugin->HostBeginParamEdit(param);
        if (!parameter) {
            control->AcceptEnteredText(committed);
        } else {
            double value = 0.0;
            if (parameter->Type() == ParamKind::KindSwitch || parameter->Type() == ParamKind::KindChoice) {
                if (!parameter->FindValueByText(committed, &value))
                    value = 0.0;
            } else {
                value = ParseLeadingNumber(committed);
            }
            control->SetValueFromUser(parameter->ToNormalized(value));
        }
        if (ownEdit)
            plugin->HostEndParamEdit(param);
    }
    if (openEdit >= 0 && plugin)
        plugin->HostEndParamEdit(openEdit);
}

}  // namespace kestrelon
