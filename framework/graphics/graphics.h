#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/editor.h"
#include "framework/graphics/control.h"
#include "framework/graphics/graphics_types.h"

// <windows.h> defines LoadImage as a macro for its own LoadImageA/W: the
// context's member of that name must mean the member wherever this header is
// read after it.
#ifdef LoadImage
#undef LoadImage
#endif

namespace kestrelon {

class IEditorDelegate;
class IParameter;
class IResizeController;
struct PendingImage;
class RasterBitmap;
class RasterCachedFont;
class RasterSysBitmap;
struct PopupMenu;

// The platform-neutral half of the editor, one per plug-in instance: the
// ordered list of controls (which it owns and deletes last to first), the
// draw surface of the editor's size, the redraw cycle, event routing, the
// binding between controls and parameters, the shared images and fonts, and
// the drawing vocabulary the controls paint with. The window half (a native
// child window, its timer and messages, the entry box and the platform
// services) comes from a derived class; a context without a window answers
// as a closed window does and paints into its draw surface.
class IGraphics : public IEditor {
public:
    static constexpr int kDesignWidth = 340;
    static constexpr int kDesignHeight = 484;

    IGraphics(IEditorDelegate* plugin, int width = kDesignWidth, int height = kDesignHeight, int framesPerSecond = 120);
    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;
    // A derived window closes itself first; here the controls go, last to
    // first, then the draw surface and this context's image records.
    ~IGraphics() override;

    // The window half. [UI thread] unless said otherwise.
    // Copies that rectangle of the draw surface to the window.
    virtual bool Present(const Rect& rect) = 0;
    virtual bool MeasureText(const TextStyle& style, const char* text, Rect& rect);
    virtual void CancelTextEntry() = 0;
    // New draw surface and the size reported to the host; a window also
    // resizes itself and its host windows.
    virtual void ChangeEditorSize(int newWidth, int newHeight);
    bool IsWindowOpen() const override { return NativeWindow() != nullptr; }
    virtual const char* DrawingApiName() const { return ""; }
    virtual int ShowMessage(const char* text, const char* caption, int type) = 0;
    // The menu that holds the chosen item, or null.
    virtual PopupMenu* ShowPopupMenu(PopupMenu& menu, const Rect& rect) = 0;
    // A text entry box over rect. Without a parameter the committed text
    // goes to the control's AcceptEnteredText; with one, to its value.
    virtual void OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect, const char* initialText,
                               const IParameter* parameter) = 0;
    virtual std::string HostDirectory() = 0;
    virtual std::string PluginDirectory() = 0;
    virtual std::string DesktopDirectory() = 0;
    virtual std::string DocumentsDirectory() = 0;
    virtual std::string AppDataDirectory(bool shared) = 0;
    virtual std::string UserAppDataDirectory() = 0;
    // action 1 saves, anything else opens; file comes back empty when the
    // user cancelled or the window is closed.
    virtual void AskForFile(std::string& file, int action, std::string& directory, const char* extensions) = 0;
    virtual bool AskForColour(Colour& colour, const char* prompt) = 0;
    virtual bool LaunchUrl(const char* url, const char* title, const char* confirmText, const char* errorText) = 0;
    // The editor window inside parent, or null.
    virtual void* OpenEditorWindow(void* parent) = 0;
    virtual void CloseEditorWindow() = 0;
    virtual void* NativeWindow() const = 0;
    virtual bool ClipboardText(std::string& out) = 0;
    virtual void HideCursor() {}
    virtual void RestoreCursor() {}
    // The pointer over the window until the next mouse move resets it.
    virtual void SetMouseCursor(MouseCursor) {}
    // A new full-size bitmap of the image resource id (PNG resources only),
    // owned by the caller, or null.
    virtual RasterBitmap* LoadPlatformImage(int id, const char* name);
    // The size of that bitmap from the resource's header, without decoding a
    // pixel; false when the resource is missing or damaged.
    virtual bool ReadPlatformImageSize(int id, const char* name, int& width, int& height);

    // The editor seam the plug-in base drives.
    void PrepareForAttach() override;
    int Width() const override { return width; }
    int Height() const override { return height; }
    // [any host thread] mutex held.
    void UpdateControlsFromPlugin(int paramIndex, double value, bool isNormalized) override;
    // [audio thread] mutex held.
    bool SetControlValueFromPlugin(int controlIndex, double value) override;
    // An editor whose images do not decode does not open.
    void* OpenWindow(void* parent) override { return DecodeOwnImages() ? OpenEditorWindow(parent) : nullptr; }
    // The resize controller's opening step.
    void WindowOpened() override;
    void CloseWindow() override { CloseEditorWindow(); }
    IParameter* StateValues() override;
    // The host's part in the size, through the resize controller.
    bool NearestSize(int& width, int& height) const override;
    bool ScaleToSize(int width, int height) override;
    bool StartAtHostScale(double scale) override;
    bool Shape(int& width, int& height) const override;

    // The control list. [construction or UI thread]
    void AddControl(std::unique_ptr<IControl> control);
    // The background image (resource 100) as control 0, drawn opaque.
    void AddBackground();
    int ControlCount() const { return static_cast<int>(controls.size()); }
    IControl* ControlAt(int index) const;
    void MarkAllControlsDirty();

    // Images. [construction or UI thread] Every call gives a new record that
    // shares one bitmap per id with the process; null when the resource is
    // missing or does not decode.
    ImageRef* LoadImage(int id, const char* name, int frameCount);
    // Every registered image of the process, resampled from its resource to
    // scale times its design size (film strips get a clear row under each
    // frame).
    void RescaleImages(double scale);
    // The pixels of a shared image, decoded (and resampled to the scale its
    // records were sized for) if nothing has drawn it yet; false when the
    // resource does not decode. DecodeOwnImages does it for every image this
    // context loaded, as its window opens.
    bool DecodeImagePixels(const ImageRef& image);
    bool DecodeOwnImages();
    void CreateDrawSurfaces();

    // The drawing vocabulary of Paint. Blits are clipped to the region being
    // drawn, fills and text are not.
    bool DrawImage(const ImageRef& image, const Rect& dest, int srcX, int srcY, const BlendSpec* blend = nullptr);
    // frame is 1-based.
    bool DrawImageFrame(const ImageRef& image, const Rect& dest, int frame, const BlendSpec* blend = nullptr);
    void FillRect(const Colour& colour, const Rect& rect);
    // With measure, rect becomes the text's box by the style's alignment and
    // nothing is drawn. False when no font can be made for the style.
    bool DrawTextInRect(TextStyle& style, const char* text, Rect& rect, bool measure = false);
    RasterCachedFont* FindOrCreateFont(TextStyle& style);

    // Keeps the resize controller; attaching makes it the last control.
    void SetResizeController(std::unique_ptr<IResizeController> controller);
    IResizeController* ResizeController() const { return resizeController; }

    // The two halves of a redraw, called by the window. [UI thread]
    bool CollectDirtyRect(Rect& out);
    bool PaintRegion(const Rect& rect);

    // Events from the window, in editor pixels. [UI thread]
    void RouteMouseDown(int x, int y, const MouseModifiers& mods);
    void RouteMouseUp(int x, int y, const MouseModifiers& mods);
    void RouteMouseDrag(int x, int y, const MouseModifiers& mods);
    // True when the control under the mouse took the double click as a
    // click: the window then captures the mouse.
    bool RouteDoubleClick(int x, int y, const MouseModifiers& mods);
    void RouteWheel(int x, int y, const MouseModifiers& mods, int steps);
    // True when mouse-over tracking is on and the window should ask to hear
    // when the mouse leaves.
    bool RouteMouseOver(int x, int y, const MouseModifiers& mods);
    void RouteMouseOut();
    // False when no control took the key: the window passes it on.
    bool RouteKeyDown(int x, int y, KeyCode key);
    // The mouse left the window or its capture was taken away mid-drag: the
    // captured control gets its release and the host its end of edit.
    void ReleaseCapture();

    // The in-place text entry box, whatever the platform draws it with.
    // [UI thread] The box just opened on control: when the press that opened
    // it began an edit, the box holds that edit open until it closes.
    void TextEntryOpened(IControl* control);
    // [UI thread] The box closed: committed is the typed text (null when the
    // box was cancelled or went with the window). The value goes to control
    // (to parameter when there is one, else as text), then the host hears the
    // edit end: every begin gets its one end, with the typed value between.
    void TextEntryClosed(IControl* control, const IParameter* parameter, const char* committed);

    IEditorDelegate* Plugin() const { return plugin; }
    RasterSysBitmap* DrawSurface() const { return drawSurface.get(); }
    const Rect& DrawRect() const { return drawRect; }
    int FramesPerSecond() const { return framesPerSecond; }
    int CaptureIndex() const { return captureIndex; }
    int MouseOverIndex() const { return mouseOverIndex; }
    void SetTrackMouseOver(bool track) { trackMouseOver = track; }
    bool TrackMouseOver() const { return trackMouseOver; }
    void SetImageResolution(int resolution) { imageResolution = resolution > 0 ? resolution : 1; }
    int ImageResolution() const { return imageResolution; }
    // The scale the resize controller last applied; 1.0 without one.
    double Scale() const { return scale; }
    void SetScale(double newScale) { scale = newScale; }

protected:
    // The design-size pixels of a shared image, kept for every later rescale.
    const RasterBitmap* OriginalImage(int id, const char* name, ImageRef& image);
    // The size records get of an image still to be decoded.
    void PendingSize(const PendingImage& pending, std::int32_t& outWidth, std::int32_t& outHeight) const;

    // The topmost control that is shown, not greyed and hit at (x, y), or -1.
    int TopmostHit(int x, int y, bool includeGreyedMouseOver = false) const;
    void ForgetCapture();

    std::vector<std::unique_ptr<IControl>> controls;
    IEditorDelegate* plugin = nullptr;  // not owned
    Rect drawRect;
    bool cursorHidden = false;
    int cursorX = -1;
    int cursorY = -1;
    std::unique_ptr<RasterSysBitmap> drawSurface;
    int width = kDesignWidth;
    int height = kDesignHeight;
    int framesPerSecond = 120;
    int captureIndex = -1;
    // The parameter whose edit an open text entry box holds open, or -1.
    int entryEditParam = -1;
    int mouseOverIndex = -1;
    int lastMouseX = -1;
    int lastMouseY = -1;
    bool trackMouseOver = false;
    int imageResolution = 1;
    double scale = 1.0;
    // Owned until attaching adds it to the list, then one of the controls.
    std::unique_ptr<IResizeController> pendingResizeController;
    IResizeController* resizeController = nullptr;
    // The image records this context registered, unregistered with it.
    std::vector<ImageRef*> ownImages;
};

}  // namespace kestrelon
