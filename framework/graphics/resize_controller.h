#pragma once

// Scaling the whole editor by dragging the grip in its bottom-right corner.
// The scale is kept in a per-user settings file that every instance of the
// plug-in shares; the view mode and the editor size travel in each
// instance's state as three private values.

#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/control.h"
#include "framework/parameter.h"

namespace kestrelon {

class IGraphics;

// One control's place at design scale.
struct LayoutEntry {
    double rect[4] = {};
    double target[4] = {};
    bool hidden = false;
};
using ViewLayout = std::vector<LayoutEntry>;

struct ViewMode {
    int id = 0;
    int defaultWidth = 0;
    int defaultHeight = 0;
    double minWidth = 0.0;
    double minHeight = 0.0;
    double maxWidth = 999999999999.0;
    double maxHeight = 999999999999.0;
};

class IResizeController : public IControl {
public:
    static constexpr int kCornerSize = 16;
    static constexpr int kMinCornerSize = 8;

    // [construction] Reads the scale from the settings file, creating the
    // file (scale 1.0) and its folders when it is missing.
    IResizeController(IEditorDelegate* plugin, IGraphics& editor);
    ~IResizeController() override;

    // Configuration by the effect, before attaching.
    void SetLiveResize(bool live) { liveResize = live; }
    void SetScaleByDrag(bool byDrag) { scaleByDrag = byDrag; }
    // Limits the scale, the stored one included, into [minimum, maximum].
    void SetScaleLimits(double minimum, double maximum);
    // The design-size limits of a view mode; its current size is limited too.
    void SetViewLimits(int index, double minWidth, double minHeight, double maxWidth, double maxHeight);
    // Selects the view mode with that id (0 when there is none) at its
    // default size.
    void SelectViewMode(int id);

    // [UI thread, mutex held] From the plug-in's AttachEditor, before the
    // controller joins the editor as its last control: the edge handles and
    // the layout tables.
    void AttachToEditor();
    // [UI thread, mutex held] After every opening of the editor window.
    void OnEditorOpen();
    // After a drag step, a double click or an edge handle's drag.
    void ApplyEditorSize();

    void HandleMouseDown(int x, int y, const MouseModifiers& mods) override;
    void HandleMouseUp(int x, int y, const MouseModifiers& mods) override;
    void HandleMouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods) override;
    void HandleDoubleClick(int x, int y, const MouseModifiers& mods) override;
    void HandleMouseOver(int x, int y, const MouseModifiers& mods) override;
    void HandleMouseOut() override;
    bool Paint(IGraphics& graphics) override;
    // True while the reopen notice covers the editor.
    bool NeedsRedraw() override;
    virtual void PaintBackdrop(IGraphics& graphics);
    virtual void PaintReopenNotice(IGraphics& graphics);
    virtual void PaintCornerGrip(IGraphics& graphics);
    virtual void HandleRightClick(int, int) {}

    // The view mode, width and height that every state carries.
    IParameter* StateValues() { return stateValues; }
    bool DrawsWholeEditor() const { return needsReopen; }
    double GuiScale() const { return guiScale; }
    double WindowWidth() const { return windowWidth; }
    double WindowHeight() const { return windowHeight; }
    int PixelWidth() const { return pixelWidth; }
    int PixelHeight() const { return pixelHeight; }
    bool NeedsReopen() const { return needsReopen; }
    bool Dragging() const { return dragging; }
    const std::string& SettingsPath() const { return settingsPath; }
    // Moves an edge handle's side of the editor (they are hidden here).
    void ResizeWidth(double width);
    void ResizeHeight(double height);

    // The host's part in the size, for formats whose host may size the
    // editor. [UI thread, mutex held]
    // The scale at which the editor, keeping its shape, covers width x
    // height, within the scale limits; and the pixel size at a scale.
    double ScaleForSize(int width, int height) const;
    void SizeAtScale(double scale, int& width, int& height) const;
    // Scales the whole editor as a drag of the grip and its release would;
    // false while the reopen notice shows, which asks for a reopening first.
    bool ScaleTo(double scale);
    // The host's display scale is where an editor the user has not scaled
    // starts; a scale chosen with the grip stays. True when the editor is at
    // the host's scale (within the limits) or keeps the user's.
    bool StartAtHostScale(double scale);

    // The process-wide scale last applied to the shared images.
    static double LastAppliedScale();

private:
    // The scale the settings file holds, or fallback when it holds none that
    // is a finite number.
    double ReadScale(double fallback) const;
    void WriteScale(double scale);
    void LayOut();
    void RecomputePixelSize();
    void ClampWindowSize();
    void SetRectsToWholeEditor();
    // The end of a scaling by the grip: the shared images and every control
    // at the new scale, which becomes the one last applied.
    void FinishScaling();
    // The reopen notice's text size in an editor that wide.
    int NoticeTextSize(IGraphics& graphics, TextStyle style, int editorWidth) const;
    void ForEachControl(void (*action)(IControl&, double), double argument);

    IGraphics& editor;
    int viewMode = 0;
    std::vector<ViewMode> viewModes;
    std::vector<ViewLayout> layouts;
    double guiScale = 1.0;
    double minScale = 0.0;
    double maxScale = 1000000000.0;
    double windowWidth = 0.0;
    double windowHeight = 0.0;
    int designWidth = 0;
    int designHeight = 0;
    int pixelWidth = 0;
    int pixelHeight = 0;
    bool scaleByDrag = false;
    bool controlKeyScales = false;
    bool liveResize = false;
    bool deferImageRescale = true;
    bool edgeHandles = false;
    bool dragging = false;
    bool moved = false;
    bool needsReopen = false;
    bool stateValuesApplied = false;
    bool freshAttach = false;
    bool attached = false;
    std::string settingsPath;  // empty: the scale lives in memory only
    IParameter stateValues[3];
};

// The two edge handles; hidden in this editor (zero width).
class HorizontalResizeHandle : public IControl {
public:
    HorizontalResizeHandle(IEditorDelegate* plugin, IGraphics& editor, IResizeController& controller,
                           int handleWidth = 0);
    void HandleMouseOver(int x, int y, const MouseModifiers& mods) override;
    void HandleMouseOut() override;
    void HandleMouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods) override;
    bool Paint(IGraphics&) override { return true; }

private:
    IGraphics& editor;
    IResizeController& controller;
};

class VerticalResizeHandle : public IControl {
public:
    VerticalResizeHandle(IEditorDelegate* plugin, IGraphics& editor, IResizeController& controller,
                         int handleHeight = 0);
    void HandleMouseOver(int x, int y, const MouseModifiers& mods) override;
    void HandleMouseOut() override;
    void HandleMouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods) override;
    bool Paint(IGraphics&) override { return true; }

private:
    IGraphics& editor;
    IResizeController& controller;
};

}  // namespace kestrelon
