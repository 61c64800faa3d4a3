#pragma once

// The X11 editor window: a child of the host's window made on a display
// connection of the editor's own (xcb, which reports an error per request and
// never ends the process), its events read and its redraw tick run from the
// host's idle calls, the draw surface presented through shared memory where
// the server offers it, an entry box the editor draws itself, and the
// platform services X11 has. Linux builds only; the xcb types stay out of this
// header.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/graphics/graphics.h"

struct xcb_connection_t;
struct xcb_button_press_event_t;
struct xcb_motion_notify_event_t;
struct xcb_key_press_event_t;

namespace kestrelon {

// The entry box's states, as the Windows window has them.
enum class EntryState : std::int32_t {
    EntryIdle = 0,
    EntryEditing = 1,
    EntryRedrawn = 2,
    EntryCancel = 3,
    EntryCommit = 4,
};

class IGraphicsX11 : public IGraphics {
public:
    // module is unused on X11: images come from the library's own resources.
    IGraphicsX11(IEditorDelegate* plugin, void* module, int width = kDesignWidth, int height = kDesignHeight,
                 int framesPerSecond = 120);
    ~IGraphicsX11() override;

    bool Present(const Rect& rect) override;
    void CancelTextEntry() override;
    void ChangeEditorSize(int newWidth, int newHeight) override;
    const char* DrawingApiName() const override { return "X11"; }
    int ShowMessage(const char* text, const char* caption, int type) override;
    PopupMenu* ShowPopupMenu(PopupMenu& menu, const Rect& rect) override;
    void OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect, const char* initialText,
                       const IParameter* parameter) override;
    std::string HostDirectory() override;
    std::string PluginDirectory() override;
    std::string DesktopDirectory() override;
    std::string DocumentsDirectory() override;
    std::string AppDataDirectory(bool shared) override;
    std::string UserAppDataDirectory() override;
    void AskForFile(std::string& file, int action, std::string& directory, const char* extensions) override;
    bool AskForColour(Colour& colour, const char* prompt) override;
    bool LaunchUrl(const char* url, const char* title, const char* confirmText, const char* errorText) override;
    // [UI thread] mutex held. parent carries the host window's XID.
    void* OpenEditorWindow(void* parent) override;
    // [UI thread] mutex held. Also after the host destroyed its window first.
    void CloseEditorWindow() override;
    void* NativeWindow() const override;
    bool ClipboardText(std::string& out) override;
    void HideCursor() override;
    void RestoreCursor() override;
    void SetMouseCursor(MouseCursor cursor) override;
    // [UI thread] mutex held. The resize controller's step, then the first
    // frame when the host's window is already on screen.
    void WindowOpened() override;
    // [UI thread] mutex held. The host's effEditIdle: the window's events,
    // then the redraw tick.
    void Idle() override;

    EntryState GetEntryState() const { return entryState; }
    bool EntryOpen() const { return entryControl != nullptr; }
    // The entry box's text as UTF-8.
    const std::string& EntryText() const { return entryText; }
    // Whether frames go through the shared-memory extension; off, every
    // frame goes with xcb_put_image. Takes effect at the next opening.
    void AllowSharedMemory(bool allow) { sharedMemoryAllowed = allow; }
    bool UsesSharedMemory() const { return sharedMemory != nullptr; }
    int FramesPresented() const { return framesPresented; }
    int DoubleClickTime() const { return doubleClickTime; }
    int DoubleClickDistance() const { return doubleClickDistance; }

    // The double-click time (ms) and distance (pixels) out of the
    // _XSETTINGS_SETTINGS property of the desktop's settings manager; each
    // is left as it was unless the data carries a sane value for it. False
    // when the data is not a settings block.
    static bool ReadXSettingsDoubleClick(const std::uint8_t* data, std::size_t size, int& time, int& distance);
    // The folder of a file path with its final '/', or empty.
    static std::string FolderOf(const std::string& path);

private:
    struct SharedImage;

    // One event off the connection (an xcb_generic_event_t).
    void Dispatch(const void* event);
    void HandleButtonPress(const xcb_button_press_event_t* event);
    void HandleButtonRelease(const xcb_button_press_event_t* event);
    void HandleMotion(const xcb_motion_notify_event_t* event);
    void HandleKeyPress(const xcb_key_press_event_t* event);
    // Keys no control took belong to the host, as on Windows.
    void ForwardKeyToHost(const xcb_key_press_event_t* event);
    void RedrawTick(bool force);
    void Damage(const Rect& rect);
    bool SetUpSharedMemory();
    void ReleaseSharedMemory();
    void ReadKeyboardMapping();
    void ReadDesktopSettings();
    std::uint32_t KeysymAt(std::uint8_t keycode, int column) const;
    std::uint32_t MakeCursor(MouseCursor cursor);
    void ApplyCursor();
    // Releases everything of the window; requests only while the connection
    // is sound and the window still there.
    void TearDown();

    // The entry box (graphics_x11_entry.cpp).
    void EntryKey(const xcb_key_press_event_t* event);
    void EntryClick(int x);
    void CloseEntryBox(bool commit);
    void DrawEntryBox();
    Rect EntryBoxRect() const;
    int EntryCaretX(std::size_t position);

    xcb_connection_t* connection = nullptr;
    std::uint32_t window = 0;
    std::uint32_t parentWindow = 0;
    std::uint32_t rootWindow = 0;
    std::uint32_t gc = 0;
    std::uint8_t depth = 0;
    bool swapBytes = false;
    bool windowGone = false;  // destroyed under us, with the host's window
    bool viewable = false;  // the parent was on screen at opening, or an expose came
    bool parentViewable = false;
    int windowX = 0;
    int windowY = 0;
    Rect damage;  // exposed or uncovered, painted at the next tick
    long long lastTickMicros = 0;
    int framesPresented = 0;
    std::vector<std::uint32_t> rowBuffer;  // the frame's rows for xcb_put_image
    SharedImage* sharedMemory = nullptr;  // owned; null without the extension
    bool sharedMemoryAllowed = true;
    std::uint8_t shmCompletionEvent = 0;
    bool shmBusy = false;

    // The keyboard map of the server, for the key table and typed text.
    std::uint8_t minKeycode = 0;
    int keysymsPerKeycode = 0;
    std::vector<std::uint32_t> keysyms;

    // Double clicks: the desktop's time and distance, and the last press.
    int doubleClickTime = 400;
    int doubleClickDistance = 5;
    bool lastClickValid = false;
    std::uint32_t lastClickTime = 0;
    int lastClickX = 0;
    int lastClickY = 0;

    MouseCursor cursorShape = MouseCursor::Arrow;
    std::uint32_t shapeCursors[4] = {};
    std::uint32_t blankCursor = 0;
    std::uint32_t cursorFont = 0;

    // The entry box: the control it edits (null when none is open), its
    // UTF-8 text, and the caret and the selection as byte offsets on
    // character boundaries.
    IControl* entryControl = nullptr;
    const IParameter* entryParameter = nullptr;
    EntryState entryState = EntryState::EntryIdle;
    TextStyle entryStyle;
    Rect entryRect;
    std::string entryText;
    std::size_t entryCaret = 0;
    std::size_t entrySelectionStart = 0;
    std::size_t entrySelectionEnd = 0;
    bool entryDirty = false;
    std::uint32_t focusBeforeEntry = 0;
};

}  // namespace kestrelon
