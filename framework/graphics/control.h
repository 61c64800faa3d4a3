#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "framework/graphics/graphics_types.h"

namespace kestrelon {

class IEditorDelegate;
class IGraphics;

// An extra parameter binding of a control.
struct SecondaryBinding {
    double value = 0.0;
    std::int32_t paramIndex = -1;
};

// The base of everything the editor shows: where it draws and is hit, the
// parameter it is bound to, its normalised value and the flags that drive
// redrawing. The graphics context owns every control added to it.
//
// Threads: events and painting come on the editor's UI thread; the plug-in
// pushes values (SetValueFromPlugin, SetAuxValueFromPlugin) from whichever
// thread the host uses for parameters, and the effect feeds its meters from
// the audio thread. The value and the dirty flags are therefore atomic: the
// UI thread reads at its next redraw whatever was written last.
class IControl {
public:
    IControl(IEditorDelegate* plugin, const Rect& rect, int paramIndex = -1, BlendSpec blend = {});
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;
    virtual ~IControl() = default;

    // [UI thread] Events delivered by the graphics context, in editor pixels.
    virtual void HandleMouseDown(int x, int y, const MouseModifiers& mods);
    virtual void HandleMouseUp(int x, int y, const MouseModifiers& mods);
    virtual void HandleMouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods);
    // Resets the value to the first one the plug-in sent, when there was one.
    virtual void HandleDoubleClick(int x, int y, const MouseModifiers& mods);
    virtual void HandleWheel(int x, int y, const MouseModifiers& mods, int steps);
    virtual bool HandleKeyDown(int x, int y, KeyCode key);
    // [UI thread] Broadcasts: every control but the background hears every event.
    virtual void NotifyMouseDown(int x, int y, const MouseModifiers& mods);
    virtual void NotifyMouseUp(int x, int y, const MouseModifiers& mods);
    virtual void NotifyMouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods);
    virtual void NotifyDoubleClick(int x, int y, const MouseModifiers& mods);
    virtual void NotifyWheel(int x, int y, const MouseModifiers& mods, int steps);
    virtual bool NotifyKeyDown(int x, int y, KeyCode key);
    virtual void HandleMouseOver(int x, int y, const MouseModifiers& mods);
    virtual void HandleMouseOut();
    // [UI thread] Draws the control into the graphics context's draw surface.
    virtual bool Paint(IGraphics& graphics) = 0;
    // [UI thread] The resize controller tells every control the editor scale.
    virtual void OnScaleChanged(double scale);
    // [any host thread] A value from the plug-in. The first one only becomes
    // the value and the double-click default; later ones that differ redraw.
    virtual void SetValueFromPlugin(double newValue);
    // [UI thread] A value from the user: sent to the plug-in and redrawn.
    virtual void SetValueFromUser(double newValue);
    // [UI thread] A text entry box opened without a parameter was committed.
    virtual void AcceptEnteredText(const char* text);
    virtual void SetHidden(bool hide);
    virtual void SetGreyed(bool grey);
    virtual bool HitTest(int x, int y) const;
    // Clamps the value, marks the control dirty and, with pushToPlugin, hands
    // the value to the plug-in (which informs the host).
    virtual void MarkDirty(bool pushToPlugin);
    virtual void MarkClean();
    virtual bool NeedsRedraw();
    // [any host thread] A value for one of the extra bindings.
    virtual void SetAuxValueFromPlugin(int auxIndex, double newValue);

    double Value() const { return value.load(std::memory_order_relaxed); }
    void SetValue(double v) { value.store(v, std::memory_order_relaxed); }
    double DefaultValue() const { return defaultValue.load(std::memory_order_relaxed); }
    int ParamIndex() const { return paramIndex; }
    int ListIndex() const { return listIndex; }
    void SetListIndex(int index) { listIndex = index; }
    const Rect& GetRect() const { return rect; }
    const Rect& TargetRect() const { return targetRect; }
    // The rectangles at design scale: the resize controller lays controls
    // out from them, and the dirty-rectangle collection reads them while a
    // resize controller exists.
    const double* DesignRect() const { return designRect; }
    void SetRects(const Rect& drawn, const Rect& target);
    void SetDesignRect(const double rect[4]);
    bool IsHidden() const { return hidden; }
    bool IsGreyed() const { return greyed; }
    bool DoubleClickAsClick() const { return doubleClickAsClick; }
    bool MouseOverWhenGreyed() const { return mouseOverWhenGreyed; }
    const TextStyle& Style() const { return textStyle; }
    TextStyle& Style() { return textStyle; }
    const BlendSpec& Blend() const { return blend; }
    int EntryLengthLimit() const { return entryLengthLimit; }
    const std::vector<SecondaryBinding>& AuxParams() const { return auxParams; }
    IEditorDelegate* Plugin() const { return plugin; }

protected:
    std::int32_t entryLengthLimit = 7;
    TextStyle textStyle;
    IEditorDelegate* plugin = nullptr;  // not owned
    Rect rect;
    Rect targetRect;
    double designRect[4] = {};
    std::int32_t paramIndex = -1;
    std::int32_t listIndex = -1;
    std::vector<SecondaryBinding> auxParams;
    std::atomic<double> value{0.0};
    std::atomic<double> defaultValue{-1.0};
    double clampLow = 0.0;
    double clampHigh = 1.0;
    std::atomic<bool> dirty{true};
    bool hidden = false;
    bool greyed = false;
    std::atomic<bool> redrawPending{false};
    // No control of this editor opens a parameter prompt on a right click.
    bool promptDisabled = true;
    bool doubleClickAsClick = false;
    bool mouseOverWhenGreyed = false;
    BlendSpec blend;
};

}  // namespace kestrelon
