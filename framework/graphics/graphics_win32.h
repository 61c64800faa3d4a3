#pragma once

// The Windows editor window: a child of the host's window, a timer that
// drives the redraw cycle, messages turned into the context's routing, the
// in-place text entry box and the platform services. Windows builds only;
// window handles are kept as void* so this header needs no <windows.h>.

#include <cstdint>
#include <string>

#include "framework/graphics/graphics.h"
#include "text/utf16_win32.h"

namespace kestrelon {

enum class EntryState : std::int32_t {
    EntryIdle = 0,
    EntryEditing = 1,
    EntryRedrawn = 2,
    EntryCancel = 3,
    EntryCommit = 4,
};

class IGraphicsWin : public IGraphics, public Windows_UTF_Converter {
public:
    // module: the plug-in module's instance handle, for the window class and
    // the image resources.
    IGraphicsWin(IEditorDelegate* plugin, void* module, int width = kDesignWidth, int height = kDesignHeight,
                 int framesPerSecond = 120);
    ~IGraphicsWin() override;

    bool Present(const Rect& rect) override;
    void CancelTextEntry() override;
    void ChangeEditorSize(int newWidth, int newHeight) override;
    const char* DrawingApiName() const override { return "Windows GDI"; }
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
    void* OpenEditorWindow(void* parent) override;
    void CloseEditorWindow() override;
    void* NativeWindow() const override { return window; }
    bool ClipboardText(std::string& out) override;
    void HideCursor() override;
    void RestoreCursor() override;
    void SetMouseCursor(MouseCursor cursor) override;

    EntryState GetEntryState() const { return entryState; }
    void* EntryBox() const { return entryBox; }
    // The window of the host's main frame, for owning message boxes.
    void* FindHostMainWindow();

    // The process-wide count of open editor windows; the window class is
    // registered while it is above zero.
    static int OpenWindowCount();
    // trunc(1000 / framesPerSecond) milliseconds.
    static unsigned TimerPeriod(int framesPerSecond);

    // [UI thread] The window and entry box procedures' work, one member per
    // message kind (graphics_win32.cpp, graphics_win32_entry.cpp).
    std::intptr_t HandleMessage(void* hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t HandleEntryMessage(void* box, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

private:
    void RedrawTick();
    void CloseEntryBox(bool commit);
    // The window is gone (closed by us, or destroyed with its parent).
    void WindowDestroyed();

    void* module = nullptr;
    void* window = nullptr;
    void* entryBox = nullptr;
    IControl* entryControl = nullptr;
    const IParameter* entryParameter = nullptr;
    std::intptr_t entryPreviousProc = 0;
    EntryState entryState = EntryState::EntryIdle;
    void* entryFont = nullptr;  // made for the box, deleted with it
    std::uint32_t* customColours = nullptr;  // sixteen, made on first use
    unsigned long processId = 0;
    void* parentWindow = nullptr;
    void* hostMainWindow = nullptr;
    std::string hostMainClass;
    bool countedOpen = false;  // this editor holds one of the open-window count
};

}  // namespace kestrelon
