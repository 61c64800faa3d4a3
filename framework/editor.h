#pragma once

namespace kestrelon {

class IParameter;

// What the plug-in base and the VST adapter ask of the editor they own: the
// one seam between the plug-in and its graphics context, which implements
// it. The base creates nothing of the editor and knows nothing else of it.
class IEditor {
public:
    virtual ~IEditor() = default;

    // [UI thread] mutex held. Once, from AttachEditor, before any value is
    // pushed: the draw surfaces, and the resize controller's handles and its
    // place as the last control.
    virtual void PrepareForAttach() = 0;

    // [any thread] mutex held. The editor's size in pixels, which the host is
    // given as the editor rectangle.
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // [any host thread] mutex held. A parameter changed outside the editor:
    // every control bound to it follows. value is plain unless isNormalized.
    virtual void UpdateControlsFromPlugin(int paramIndex, double value, bool isNormalized) = 0;

    // [audio thread] mutex held. Feeds a display-only control (a meter, a
    // light) by its index in the control list; false when there is no such
    // control, so a stale index is harmless.
    virtual bool SetControlValueFromPlugin(int controlIndex, double value) = 0;

    // [UI thread] mutex held. The host's window requests: OpenWindow makes
    // the editor window inside parent (the host's window) and answers it, or
    // null; WindowOpened follows a successful opening (the resize
    // controller's opening step); CloseWindow may come without an opening.
    virtual void* OpenWindow(void* parent) = 0;
    // Whether this platform's editor has a window at all: without one the
    // host is not told there is an editor to show.
    virtual bool HasWindow() const { return true; }
    virtual void WindowOpened() {}
    virtual void CloseWindow() = 0;
    virtual bool IsWindowOpen() const = 0;

    // [UI thread] mutex held. The host's idle call, for window systems where
    // the editor has no timer of its own.
    virtual void Idle() {}

    // The view mode, width and height that every state carries, owned by the
    // editor's resize controller; null when the editor has none.
    virtual IParameter* StateValues() { return nullptr; }

    // [UI thread] mutex held. The host's part in the editor's size, for
    // formats whose host may size it; an editor that cannot be resized
    // answers false to each. NearestSize turns width x height into the size
    // the editor takes nearest to it (its own shape, within its scale
    // limits); ScaleToSize scales the editor to that size; StartAtHostScale
    // takes the host's display scale as where an unscaled editor starts;
    // Shape gives the width-to-height ratio the editor keeps.
    virtual bool NearestSize(int& /*width*/, int& /*height*/) const { return false; }
    virtual bool ScaleToSize(int /*width*/, int /*height*/) { return false; }
    virtual bool StartAtHostScale(double /*scale*/) { return false; }
    virtual bool Shape(int& /*width*/, int& /*height*/) const { return false; }
};

}  // namespace kestrelon
