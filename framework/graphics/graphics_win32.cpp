// The editor's child window: creation inside the host's window, the window
// procedure and its message table, the redraw tick, presenting the draw
// surface and resizing.
#include <windows.h>
#include <windowsx.h>

#include <cmath>

#include "framework/graphics/graphics_win32.h"

#include "framework/editor_delegate.h"
#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace {

constexpr char kWindowClass[] = "IEffectWndClass";
constexpr UINT_PTR kRedrawTimer = 2;

// Shared by every editor of the process and touched only on UI threads.
int openWindows = 0;
int timerRate = 120;

LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

MouseModifiers Modifiers(WPARAM wParam)
{
    MouseModifiers mods;
    mods.left = (wParam & MK_LBUTTON) != 0;
    mods.right = (wParam & MK_RBUTTON) != 0;
    mods.shift = (wParam & MK_SHIFT) != 0;
    mods.control = (wParam & MK_CONTROL) != 0;
    mods.alt = GetKeyState(VK_MENU) < 0;
    return mods;
}

// The key table; -1 for keys no control takes.
int KeyCodeFor(WPARAM key)
{
    switch (key) {
    case VK_SPACE:
        return static_cast<int>(KeyCode::KeySpace);
    case VK_UP:
        return static_cast<int>(KeyCode::KeyUp);
    case VK_DOWN:
        return static_cast<int>(KeyCode::KeyDown);
    case VK_LEFT:
        return static_cast<int>(KeyCode::KeyLeft);
    case VK_RIGHT:
        return static_cast<int>(KeyCode::KeyRight);
    default:
        break;
    }
    if (key >= '0' && key <= '9')
        return static_cast<int>(key) - 43;
    if (key >= 'A' && key <= 'Z')
        return static_cast<int>(key) - 50;
    return -1;
}

void RegisterWindowClass(HINSTANCE module)
{
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = EditorWindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
}

IGraphicsWin* ContextOf(HWND hwnd)
{
    return reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// [UI thread] The window's messages; the context is its user data.
LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        SetTimer(hwnd, kRedrawTimer, IGraphicsWin::TimerPeriod(timerRate), nullptr);
        return 0;
    }
    IGraphicsWin* context = ContextOf(hwnd);
    if (!context)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Also when the host destroys its own window with ours inside it.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        context->HandleMessage(hwnd, message, wParam, lParam);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (context->NativeWindow() != hwnd)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return static_cast<LRESULT>(context->HandleMessage(hwnd, message, wParam, lParam));
}

}  // namespace

IGraphicsWin::IGraphicsWin(IEditorDelegate* owner, void* moduleHandle, int w, int h, int fps)
    : IGraphics(owner, w, h, fps), module(moduleHandle), processId(GetCurrentProcessId())
{}

IGraphicsWin::~IGraphicsWin()
{
    CloseEditorWindow();
    delete[] customColours;
}

int IGraphicsWin::OpenWindowCount()
{
    return openWindows;
}

unsigned IGraphicsWin::TimerPeriod(int fps)
{
    if (fps <= 0)
        return 1000;
    const double period = std::trunc(1000.0 / fps);
    return period < 1.0 ? 1u : static_cast<unsigned>(period);
}

void* IGraphicsWin::OpenEditorWindow(void* parent)
{
    int x = 0, y = 0, w = width, h = height;
    if (window) {
        // A second opening without a close keeps the window where and as large
        // as it was, and leaves one window.
        RECT mine, theirs{};
        GetWindowRect(static_cast<HWND>(window), &mine);
        if (parent)
            GetWindowRect(static_cast<HWND>(parent), &theirs);
        x = mine.left - theirs.left;
        y = mine.top - theirs.top;
        w = mine.right - mine.left;
        h = mine.bottom - mine.top;
        CloseEditorWindow();
    }
    parentWindow = parent;
    // A host that destroyed its window without closing the editor left this
    // editor counted: it is counted once, however often it is opened.
    if (!countedOpen && openWindows++ == 0)
        RegisterWindowClass(static_cast<HINSTANCE>(module));
    countedOpen = true;
    timerRate = framesPerSecond;
    HWND created = CreateWindowExA(0, kWindowClass, "IEffect", WS_CHILD | WS_VISIBLE, x, y, w, h,
                                   static_cast<HWND>(parent), nullptr, static_cast<HINSTANCE>(module), this);
    if (!created) {
        countedOpen = false;
        if (--openWindows == 0)
            UnregisterClassA(kWindowClass, static_cast<HINSTANCE>(module));
        return nullptr;
    }
    window = created;
    MarkAllControlsDirty();
    return window;
}

void IGraphicsWin::CloseEditorWindow()
{
    if (window && IsWindow(static_cast<HWND>(window)))
        DestroyWindow(static_cast<HWND>(window));  // its timer and any entry box go with it
    WindowDestroyed();
    if (!countedOpen)
        return;
    countedOpen = false;
    if (--openWindows == 0)
        UnregisterClassA(kWindowClass, static_cast<HINSTANCE>(module));
}

void IGraphicsWin::WindowDestroyed()
{
    window = nullptr;
    // The box died with the window: nothing may go on describing it, and the
    // edit it held open ends.
    const bool entryWasOpen = entryBox != nullptr;
    if (entryFont)
        DeleteObject(static_cast<HFONT>(entryFont));
    entryFont = nullptr;
    entryBox = nullptr;
    entryControl = nullptr;
    entryParameter = nullptr;
    entryPreviousProc = 0;
    entryState = EntryState::EntryIdle;
    if (entryWasOpen)
        TextEntryClosed(nullptr, nullptr, nullptr);
    if (captureIndex >= 0)
        ReleaseCapture();
    if (cursorHidden)
        RestoreCursor();
}

bool IGraphicsWin::Present(const Rect& rect)
{
    HWND hwnd = static_cast<HWND>(window);
    if (!hwnd || !drawSurface)
        return false;
    PAINTSTRUCT ps;
    HDC target = BeginPaint(hwnd, &ps);
    if (target)
        BitBlt(target, rect.left, rect.top, rect.Width(), rect.Height(), static_cast<HDC>(drawSurface->DeviceContext()),
               rect.left, rect.top, SRCCOPY);
    EndPaint(hwnd, &ps);
    return true;
}

void IGraphicsWin::CancelTextEntry()
{
    entryState = EntryState::EntryCancel;
}

void IGraphicsWin::RedrawTick()
{
    HWND hwnd = static_cast<HWND>(window);
    if (entryBox && (entryState == EntryState::EntryCancel || entryState == EntryState::EntryCommit)) {
        CloseEntryBox(entryState == EntryState::EntryCommit);
        return;
    }
    if (entryBox && entryState == EntryState::EntryRedrawn) {
        entryState = EntryState::EntryIdle;
        return;
    }
    Rect dirty;
    if (CollectDirtyRect(dirty)) {
        const RECT r{dirty.left, dirty.top, dirty.right, dirty.bottom};
        InvalidateRect(hwnd, &r, FALSE);
        if (entryBox && entryControl) {
            // The box sits over its control: painting the control would cover it.
            const Rect& c = entryControl->GetRect();
            const RECT keep{c.left, c.top, c.right, c.bottom};
            ValidateRect(hwnd, &keep);
            entryState = EntryState::EntryRedrawn;
        }
    }
    UpdateWindow(hwnd);
}

std::intptr_t IGraphicsWin::HandleMessage(void* handle, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    HWND hwnd = static_cast<HWND>(handle);
    if (message == WM_NCDESTROY) {
        if (window == handle)
            WindowDestroyed();
        return 0;
    }
    if (entryBox && entryState == EntryState::EntryEditing) {
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
            entryState = EntryState::EntryCancel;
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_SIZE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        return 0;
    case WM_PAINT: {
        RECT r;
        if (GetUpdateRect(hwnd, &r, FALSE)) {
            // The controls over the region's bounds are painted and marked
            // clean: all of the bounds goes to the screen, or the part an
            // uneven region leaves out (a window that grew, exposed only
            // where it is new) would keep its old pixels for good.
            InvalidateRect(hwnd, &r, FALSE);
            PaintRegion(Rect{r.left, r.top, r.right, r.bottom});
        }
        // Nothing left to paint, even when no control drew: an update region
        // left standing would bring WM_PAINT back at once, for ever.
        ValidateRect(hwnd, nullptr);
        return 0;
    }
    case WM_CLOSE:
        CloseEditorWindow();
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
        if (message == WM_KEYDOWN) {
            const int code = KeyCodeFor(wParam);
            if (code >= 0) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd, &p);
                if (RouteKeyDown(p.x, p.y, static_cast<KeyCode>(code)))
                    return 0;
            }
        }
        // Keys no control took belong to the host: its shortcuts must work
        // while the mouse is over the editor.
        HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root && root != hwnd)
            SendMessageA(root, message, wParam, lParam);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_TIMER:
        if (wParam == kRedrawTimer)
            RedrawTick();
        return 0;
    case WM_CTLCOLOREDIT: {
        if (!entryControl)
            return 0;
        HDC dc = reinterpret_cast<HDC>(wParam);
        const TextStyle& style = entryControl->Style();
        const COLORREF back = RGB(style.entryBackground.red, style.entryBackground.green, style.entryBackground.blue);
        SetBkColor(dc, back);
        SetTextColor(dc, RGB(style.entryText.red, style.entryText.green, style.entryText.blue));
        SetBkMode(dc, OPAQUE);
        SetDCBrushColor(dc, back);
        return reinterpret_cast<std::intptr_t>(GetStockObject(DC_BRUSH));
    }
    case WM_MOUSEMOVE:
        if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
            if (GetCapture() == hwnd && !entryBox)
                RouteMouseDrag(x, y, Modifiers(wParam));
        } else if (RouteMouseOver(x, y, Modifiers(wParam))) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd, HOVER_DEFAULT};
            TrackMouseEvent(&track);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (entryBox) {
            entryState = EntryState::EntryCommit;
            return 0;
        }
        SetFocus(hwnd);
        SetCapture(hwnd);
        RouteMouseDown(x, y, Modifiers(wParam));
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        // The release is routed before the capture goes: releasing it sends
        // WM_CAPTURECHANGED, which must find no drag left to end.
        RouteMouseUp(x, y, Modifiers(wParam));
        if (GetCapture() == hwnd)
            ::ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        // The host (or the system) took the mouse in the middle of a drag:
        // the drag ends here, with its end of edit.
        if (reinterpret_cast<HWND>(lParam) != hwnd)
            ReleaseCapture();
        return 0;
    case WM_LBUTTONDBLCLK:
        if (RouteDoubleClick(x, y, Modifiers(wParam)))
            SetCapture(hwnd);
        return 0;
    case WM_MOUSEWHEEL: {
        if (entryBox) {
            entryState = EntryState::EntryCancel;
            return 0;
        }
        RECT outer;
        GetWindowRect(hwnd, &outer);
        const int steps = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;  // truncates toward zero
        RouteWheel(x - outer.left, y - outer.top, Modifiers(GET_KEYSTATE_WPARAM(wParam)), steps);
        return 0;
    }
    case WM_MOUSELEAVE:
        RouteMouseOut();
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void IGraphicsWin::ChangeEditorSize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    const int dw = newWidth - width;
    const int dh = newHeight - height;
    IGraphics::ChangeEditorSize(newWidth, newHeight);
    HWND hwnd = static_cast<HWND>(window);
    if (!hwnd)
        return;
    auto isChild = [](HWND w) {
        return (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) && !(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_MDICHILD);
    };
    auto grow = [dw, dh](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        SetWindowPos(w, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                     SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    };
    grow(hwnd);
    if (plugin && plugin->HostSizesItsWindows()) {
        // Such a host is asked for room and sizes its windows itself.
        plugin->HostResizeEditor(width, height);
    } else {
        // The host's frames around the editor grow with it, up to two of them.
        HWND parent = isChild(hwnd) ? GetParent(hwnd) : nullptr;
        HWND grandparent = parent && isChild(parent) ? GetParent(parent) : nullptr;
        if (parent)
            grow(parent);
        if (grandparent)
            grow(grandparent);
    }
    const RECT all{0, 0, width, height};
    InvalidateRect(hwnd, &all, FALSE);
    UpdateWindow(hwnd);
}

}  // namespace kestrelon
