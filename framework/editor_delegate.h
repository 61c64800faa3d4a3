#pragma once

#include "framework/recursive_mutex.h"

namespace kestrelon {

class IEditor;
class IParameter;

// What the editor asks of the plug-in it shows, and all it asks: the
// parameters it draws and sets, the begin and end of the user's edits, the
// lock its controls run under, and the host's part in sizing its window.
// Each format implements it its own way: the VST 2.4 plug-in base sets its
// parameters and calls the host directly; LV2's UI writes control ports
// through the host and hears them back as port events, so it works where the
// host keeps the UI apart from the plug-in. Meter readings reach the editor
// the other way, through IEditor::SetControlValueFromPlugin.
class IEditorDelegate {
public:
    virtual ~IEditorDelegate() = default;

    // [UI thread] The parameter at index, or null.
    virtual const IParameter* ParamAt(int index) const = 0;
    // [UI thread] The lock the editor's controls and the format's calls share.
    virtual RecursiveMutex& Mutex() = 0;
    // [UI thread] The editor this delegate serves, or null.
    virtual IEditor* Editor() const = 0;
    // [UI thread] The names the editor's settings folder is made of.
    virtual const char* MakerName() const = 0;
    virtual const char* EffectName() const = 0;

    // [UI thread] takes the mutex. A control set a parameter (normalised).
    virtual void SetParamFromEditor(int index, double normalised) = 0;
    // [UI thread] The user's gesture on a parameter starts and ends.
    virtual void HostBeginParamEdit(int index) = 0;
    virtual void HostEndParamEdit(int index) = 0;

    // [UI thread] mutex held. The editor's size changed; the host learns it
    // as its editor rectangle.
    virtual void SetEditorSize(int width, int height) = 0;
    // [UI thread] mutex held. Asks the host to fit its window to the editor;
    // false when it refused or cannot.
    virtual bool HostResizeEditor(int width, int height) = 0;
    // [UI thread] Whether the host sizes its own windows around the editor
    // once asked (HostResizeEditor). Where it does not say so, the Win32
    // editor grows the host's frames itself, as VST 2.4 hosts expect.
    virtual bool HostSizesItsWindows() const { return false; }
    // [UI thread] mutex held. After every layout of the resize controller,
    // with the view mode and the editor size in design units.
    virtual void EditorLayoutChanged(int viewMode, double width, double height) = 0;
};

}  // namespace kestrelon
