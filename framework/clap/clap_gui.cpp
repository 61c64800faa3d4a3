// The gui extension: the same editor as every format's, embedded in the
// host's window (Win32 on Windows, X11 elsewhere). The host's scale is where
// an unscaled editor starts; the grip keeps scaling it and asks the host for
// room with request_resize; a host that resizes its window itself goes
// through adjust_size and set_size, which keep the editor's shape and its
// scale limits. On X11 the host's timer drives the editor's events.
#include <cstdint>
#include <cstring>

#include "framework/clap/clap_effect.h"

namespace kestrelon {

namespace {

#ifdef _WIN32
constexpr const char* kWindowApi = clap::CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = clap::CLAP_WINDOW_API_X11;
#endif

// The parent window as the editor's OpenWindow takes it: an HWND, or an X11
// window id carried in the pointer.
void* ParentOf(const clap::clap_window& window)
{
#ifdef _WIN32
    return window.win32;
#else
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11));
#endif
}

}  // namespace

bool IEffectCLAP::GuiApiSupported(const char* api, bool isFloating) const
{
    MutexLock lock(mutex);
    return editor && editor->HasWindow() && !isFloating && api && std::strcmp(api, kWindowApi) == 0;
}

bool IEffectCLAP::GuiPreferredApi(const char** api, bool* isFloating) const
{
    MutexLock lock(mutex);
    if (!editor || !editor->HasWindow())
        return false;
    if (api)
        *api = kWindowApi;
    if (isFloating)
        *isFloating = false;
    return true;
}

bool IEffectCLAP::GuiCreate(const char* api, bool isFloating)
{
    MutexLock lock(mutex);
    if (guiCreated || !GuiApiSupported(api, isFloating))
        return false;
    guiCreated = true;
    return true;
}

void IEffectCLAP::GuiDestroy()
{
    MutexLock lock(mutex);
    if (!guiCreated)
        return;
    guiCreated = false;
    if (timerRunning && hostTimer && hostTimer->unregister_timer)
        hostTimer->unregister_timer(host, timerId);
    timerRunning = false;
    timerId = clap::CLAP_INVALID_ID;
    if (editor && editor->IsWindowOpen()) {
        EditorClosing();
        editor->CloseWindow();
    }
}

bool IEffectCLAP::GuiSetScale(double scale)
{
    MutexLock lock(mutex);
    return guiCreated && editor && editor->StartAtHostScale(scale);
}

bool IEffectCLAP::GuiSize(std::uint32_t* width, std::uint32_t* height) const
{
    MutexLock lock(mutex);
    if (!guiCreated || !editor || !width || !height)
        return false;
    *width = static_cast<std::uint32_t>(editor->Width());
    *height = static_cast<std::uint32_t>(editor->Height());
    return true;
}

bool IEffectCLAP::GuiCanResize() const
{
    MutexLock lock(mutex);
    int w = 0;
    int h = 0;
    return guiCreated && editor && editor->Shape(w, h);
}

bool IEffectCLAP::GuiResizeHints(clap::clap_gui_resize_hints* hints) const
{
    MutexLock lock(mutex);
    int w = 0;
    int h = 0;
    if (!hints || !guiCreated || !editor || !editor->Shape(w, h))
        return false;
    hints->can_resize_horizontally = true;
    hints->can_resize_vertically = true;
    hints->preserve_aspect_ratio = true;
    hints->aspect_ratio_width = static_cast<std::uint32_t>(w);
    hints->aspect_ratio_height = static_cast<std::uint32_t>(h);
    return true;
}

bool IEffectCLAP::GuiAdjustSize(std::uint32_t* width, std::uint32_t* height) const
{
    MutexLock lock(mutex);
    if (!width || !height || !guiCreated || !editor)
        return false;
    constexpr std::uint32_t kLargest = 1u << 20;  // no screen is wider; keeps the sums in range
    int w = static_cast<int>(*width < kLargest ? *width : kLargest);
    int h = static_cast<int>(*height < kLargest ? *height : kLargest);
    if (!editor->NearestSize(w, h))
        return false;
    *width = static_cast<std::uint32_t>(w);
    *height = static_cast<std::uint32_t>(h);
    return true;
}

bool IEffectCLAP::GuiSetSize(std::uint32_t width, std::uint32_t height)
{
    MutexLock lock(mutex);
    std::uint32_t w = width;
    std::uint32_t h = height;
    if (!GuiAdjustSize(&w, &h))
        return false;
    // The host sized its window already: the editor's resize does not ask it
    // again.
    hostSizing = true;
    const bool scaled = editor->ScaleToSize(static_cast<int>(w), static_cast<int>(h));
    hostSizing = false;
    return scaled && static_cast<std::uint32_t>(editor->Width()) == width &&
           static_cast<std::uint32_t>(editor->Height()) == height;
}

bool IEffectCLAP::GuiSetParent(const clap::clap_window* window)
{
    MutexLock lock(mutex);
    if (!guiCreated || !editor || !window || editor->IsWindowOpen())
        return false;
    if (window->api && std::strcmp(window->api, kWindowApi) != 0)
        return false;
    if (!editor->OpenWindow(ParentOf(*window)))
        return false;
    EditorOpened();
    editor->WindowOpened();
#ifndef _WIN32
    // The X11 editor has no timer of its own: the host's drives it. Without
    // timer support the editor still draws on the host's other calls.
    if (!timerRunning && hostTimer && hostTimer->register_timer)
        timerRunning = hostTimer->register_timer(host, kEditorTimerMs, &timerId);
#endif
    return true;
}

bool IEffectCLAP::GuiShow()
{
    MutexLock lock(mutex);
    return guiCreated && editor && editor->IsWindowOpen();
}

bool IEffectCLAP::GuiHide()
{
    MutexLock lock(mutex);
    return guiCreated && editor && editor->IsWindowOpen();
}

void IEffectCLAP::OnTimer(clap::clap_id timer)
{
    MutexLock lock(mutex);
    if (timerRunning && timer == timerId && editor)
        editor->Idle();
}

bool IEffectCLAP::HostResizeEditor(int width, int height)
{
    if (hostSizing)
        return true;
    if (!hostGui || !hostGui->request_resize || width <= 0 || height <= 0)
        return false;
    return hostGui->request_resize(host, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
}

}  // namespace kestrelon
