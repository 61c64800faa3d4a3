// The host window on Windows: a borderless top-level window (there may be no
// window manager to frame it) whose first child is the editor. Events are
// posted to the editor's window with the wParam and lParam the system would
// give them, and the host runs a message loop as a DAW's interface thread
// does: translated, dispatched, sleeping until the next message or timer.
#include <windows.h>

#include <algorithm>

#include <chrono>
#include <cstring>

#include "tools/vsthost/host_window.h"

namespace kestrelon {

namespace vsthost {
namespace {

constexpr char kHostClass[] = "VsthostEditorHost";

struct NamedKey {
    const char* name;
    WPARAM key;
};

constexpr NamedKey kNamedKeys[] = {
    {"space", VK_SPACE},     {"enter", VK_RETURN},    {"escape", VK_ESCAPE},   {"tab", VK_TAB}, {"backspace", VK_BACK},
    {"delete", VK_DELETE},   {"home", VK_HOME},       {"end", VK_END},         {"up", VK_UP},   {"down", VK_DOWN},
    {"left", VK_LEFT},       {"right", VK_RIGHT},     {"f1", VK_F1},           {"f2", VK_F2},   {"f3", VK_F3},
    {"f4", VK_F4},           {"f5", VK_F5},           {"f6", VK_F6},           {"f7", VK_F7},   {"f8", VK_F8},
    {"f9", VK_F9},           {"f10", VK_F10},         {"f11", VK_F11},         {"f12", VK_F12}, {"numpad0", VK_NUMPAD0},
    {"numpad1", VK_NUMPAD1}, {"numpad5", VK_NUMPAD5}, {"numpad9", VK_NUMPAD9},
};

// The virtual key of a name, or 0.
WPARAM KeyFor(const std::string& name)
{
    for (const NamedKey& k : kNamedKeys) {
        if (name == k.name)
            return k.key;
    }
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        return static_cast<WPARAM>(name[0] - 'a' + 'A');
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9')
        return static_cast<WPARAM>(name[0]);
    return 0;
}

std::string NameOf(WPARAM key)
{
    for (const NamedKey& k : kNamedKeys) {
        if (key == k.key)
            return k.name;
    }
    if (key >= 'A' && key <= 'Z')
        return std::string(1, static_cast<char>(key - 'A' + 'a'));
    if (key >= '0' && key <= '9')
        return std::string(1, static_cast<char>(key));
    return "vk" + std::to_string(key);
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// The process's drawing objects by kind, read from the GDI handle table the
// process environment block points to (its layout is the same on Windows and
// under Wine: 24-byte entries of kernel object, owner process, count, unique
// and type, user pointer). GetGuiResources counts only the total, and Wine
// answers it with 0.
void CountGdiObjects(WindowResources& counts)
{
    constexpr std::size_t kEntrySize = 24, kEntries = 0x10000, kPebTable = 0xF8, kTebPeb = 0x60;
    const auto* teb = reinterpret_cast<const unsigned char*>(NtCurrentTeb());
    const auto* peb = *reinterpret_cast<const unsigned char* const*>(teb + kTebPeb);
    const auto* table = peb ? *reinterpret_cast<const unsigned char* const*>(peb + kPebTable) : nullptr;
    if (!table)
        return;
    // Windows shares the table between the processes of a session and marks
    // each entry with its owner; Wine's is the process's own, unmarked.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    const unsigned short self = static_cast<unsigned short>(GetCurrentProcessId());
    // The table's memory may be committed only as far as handles were ever
    // made: read what is readable from its start and no further.
    std::size_t readable = 0;
    while (readable < kEntries * kEntrySize) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(table + readable, &region, sizeof region) == 0 || region.State != MEM_COMMIT ||
            (region.Protect &
             (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE)) == 0 ||
            (region.Protect & PAGE_GUARD) != 0)
            break;
        readable =
            static_cast<std::size_t>(static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize - table);
    }
    const std::size_t entries = std::min(kEntries, readable / kEntrySize);
    if (entries == 0)
        return;
    counts.gdiObjects = counts.deviceContexts = counts.bitmaps = counts.fonts = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        const unsigned char* entry = table + i * kEntrySize;
        std::uint64_t object = 0;
        unsigned short owner = 0;
        std::memcpy(&object, entry, sizeof object);
        std::memcpy(&owner, entry + 8, sizeof owner);
        const unsigned char type = entry[14] & 0x7F;
        if ((object == 0 && type == 0) || owner != (wine ? 0 : self))
            continue;
        ++counts.gdiObjects;
        counts.deviceContexts += type == 0x01;
        counts.bitmaps += type == 0x05;
        counts.fonts += type == 0x0A;
    }
}

class Win32HostWindow;

Win32HostWindow* WindowOf(HWND hwnd)
{
    return reinterpret_cast<Win32HostWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

class Win32HostWindow : public HostWindow {
public:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    explicit Win32HostWindow(HWND created) : hwnd(created)
    {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Win32HostWindow() override { Destroy(); }

    void* ParentHandle() const override { return hwnd; }
    bool Alive() const override { return hwnd && IsWindow(hwnd); }
    void Destroy() override
    {
        if (Alive()) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
        hwnd = nullptr;
    }
    void Resize(int width, int height) override
    {
        if (Alive())
            SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    void ClientSize(int& width, int& height) const override
    {
        RECT r{};
        if (Alive())
            GetClientRect(hwnd, &r);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }

    void Pump(int milliseconds, const std::function<void()>& tick, int tickMs) override;
    void WatchForFirstFrame() override
    {
        watchStart = std::chrono::steady_clock::now();
        firstFrameMs = -1.0;
        watching = true;
    }
    double WaitForFirstFrame(int limitMs, const std::function<void()>& tick, int tickMs) override
    {
        const auto until = watchStart + std::chrono::milliseconds(limitMs);
        while (watching && std::chrono::steady_clock::now() < until)
            Pump(1, tick, tickMs);
        watching = false;
        return firstFrameMs;
    }

    bool HasEditor() override { return Editor() != nullptr; }
    bool Mouse(MouseAction action, int x, int y, bool shift, std::string& error) override;
    bool Wheel(int x, int y, int delta, bool shift, std::string& error) override;
    bool Key(const std::string& name, std::string& error) override;
    bool Type(const std::string& text, std::string& error) override;
    void TakeMouseCapture() override
    {
        if (!Alive())
            return;
        SetCapture(hwnd);
        Pump(0, nullptr, 0);
        ReleaseCapture();
        Pump(0, nullptr, 0);
    }

    bool Capture(Screenshot& shot, std::string& error) override;
    WindowResources Resources() override;
    bool ClassRegistered(const std::string& className, void* module) override
    {
        WNDCLASSA wc;
        return GetClassInfoA(static_cast<HINSTANCE>(module), className.c_str(), &wc) != 0;
    }

private:
    HWND Editor() const { return Alive() ? GetWindow(hwnd, GW_CHILD) : nullptr; }
    bool NeedEditor(HWND& editor, std::string& error) const
    {
        editor = Editor();
        if (!editor)
            error = "the editor is not open (no window inside the host's)";
        return editor != nullptr;
    }
    // Where the keys go: the window with the keyboard focus, when it is the
    // editor or one of its own (an entry box); else the editor.
    HWND KeyTarget(HWND editor) const
    {
        HWND focus = GetFocus();
        return focus && (focus == editor || IsChild(editor, focus)) ? focus : editor;
    }

    HWND hwnd = nullptr;
    bool buttonHeld = false;
    bool watching = false;
    std::chrono::steady_clock::time_point watchStart;
    double firstFrameMs = -1.0;
};

LRESULT CALLBACK Win32HostWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32HostWindow* self = WindowOf(hwnd);
    switch (message) {
    case WM_KEYDOWN:
        if (self)
            self->hostKeys.push_back(NameOf(wParam));
        return 0;
    case WM_CLOSE:
        return 0;  // the script decides when the host closes
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void Win32HostWindow::Pump(int milliseconds, const std::function<void()>& tick, int tickMs)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(milliseconds);
    auto nextTick = start + std::chrono::milliseconds(tickMs);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            // The first timer tick or paint after opening that leaves the editor
            // nothing to paint has put a whole frame on screen.
            HWND editor = Editor();
            if (watching && editor && msg.hwnd == editor && (msg.message == WM_TIMER || msg.message == WM_PAINT) &&
                !GetUpdateRect(editor, nullptr, FALSE)) {
                firstFrameMs = std::chrono::duration<double, std::milli>(Clock::now() - watchStart).count();
                watching = false;
            }
        }
        const auto now = Clock::now();
        if (tick && tickMs > 0 && now >= nextTick) {
            tick();
            nextTick += std::chrono::milliseconds(tickMs);
            if (nextTick < now)
                nextTick = now + std::chrono::milliseconds(tickMs);
        }
        if (now >= end)
            return;
        auto wakeAt = end;
        if (tick && tickMs > 0 && nextTick < wakeAt)
            wakeAt = nextTick;
        // Rounded up: a wait cut to 0 ms would spin through the last
        // fraction of every idle period.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count();
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait > 0 ? wait : 0), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

bool Win32HostWindow::Mouse(MouseAction action, int x, int y, bool shift, std::string& error)
{
    HWND editor = nullptr;
    if (!NeedEditor(editor, error))
        return false;
    const WPARAM keys = shift ? MK_SHIFT : 0;
    switch (action) {
    case MouseAction::Down:
        PostMessageA(editor, WM_LBUTTONDOWN, keys | MK_LBUTTON, At(x, y));
        buttonHeld = true;
        break;
    case MouseAction::Move:
        PostMessageA(editor, WM_MOUSEMOVE, keys | (buttonHeld ? MK_LBUTTON : 0), At(x, y));
        break;
    case MouseAction::Up:
        PostMessageA(editor, WM_LBUTTONUP, keys, At(x, y));
        buttonHeld = false;
        break;
    case MouseAction::DoubleClick:
        // What the system sends for two quick clicks on a window of a class
        // with CS_DBLCLKS.
        PostMessageA(editor, WM_LBUTTONDOWN, keys | MK_LBUTTON, At(x, y));
        PostMessageA(editor, WM_LBUTTONUP, keys, At(x, y));
        PostMessageA(editor, WM_LBUTTONDBLCLK, keys | MK_LBUTTON, At(x, y));
        PostMessageA(editor, WM_LBUTTONUP, keys, At(x, y));
        buttonHeld = false;
        break;
    }
    Pump(0, nullptr, 0);
    return true;
}

bool Win32HostWindow::Wheel(int x, int y, int delta, bool shift, std::string& error)
{
    HWND editor = nullptr;
    if (!NeedEditor(editor, error))
        return false;
    POINT p{x, y};
    ClientToScreen(editor, &p);
    const WORD keys = static_cast<WORD>((shift ? MK_SHIFT : 0) | (buttonHeld ? MK_LBUTTON : 0));
    PostMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))), At(p.x, p.y));
    Pump(0, nullptr, 0);
    return true;
}

bool Win32HostWindow::Key(const std::string& name, std::string& error)
{
    HWND editor = nullptr;
    if (!NeedEditor(editor, error))
        return false;
    const WPARAM key = KeyFor(name);
    if (key == 0) {
        error = "unknown key '" + name + "' (" + KeyNames() + ")";
        return false;
    }
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
    HWND target = KeyTarget(editor);
    // The message loop's TranslateMessage makes the WM_CHAR of the key.
    PostMessageA(target, WM_KEYDOWN, key, 1 | scan);
    Pump(0, nullptr, 0);
    PostMessageA(KeyTarget(editor), WM_KEYUP, key, 1 | scan | (1L << 30) | (1L << 31));
    Pump(0, nullptr, 0);
    return true;
}

bool Win32HostWindow::Type(const std::string& text, std::string& error)
{
    HWND editor = nullptr;
    if (!NeedEditor(editor, error))
        return false;
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    for (wchar_t c : wide) {
        PostMessageW(KeyTarget(editor), WM_CHAR, static_cast<WPARAM>(c), 1);
        Pump(0, nullptr, 0);
    }
    return true;
}

bool Win32HostWindow::Capture(Screenshot& shot, std::string& error)
{
    HWND editor = nullptr;
    if (!NeedEditor(editor, error))
        return false;
    RECT r;
    GetClientRect(editor, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) {
        error = "the editor's window has no area to capture";
        return false;
    }
    // What the window shows, read back from its device context (PrintWindow
    // would ask the editor to paint anew instead).
    HDC source = GetDC(editor);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
        if (ok) {
            shot.width = w;
            shot.height = h;
            shot.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
            const auto* p = static_cast<const std::uint32_t*>(bits);
            for (std::size_t i = 0; i < shot.pixels.size(); ++i)
                shot.pixels[i] = p[i] & 0xFFFFFFu;
        }
    }
    if (dib)
        DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(editor, source);
    if (!ok)
        error = "the editor's window could not be read back (BitBlt failed)";
    return ok;
}

WindowResources Win32HostWindow::Resources()
{
    WindowResources counts;
    struct Counter {
        DWORD process;
        int windows;
    } counter{GetCurrentProcessId(), 0};
    EnumWindows(
        [](HWND top, LPARAM data) -> BOOL {
            auto* c = reinterpret_cast<Counter*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(top, &owner);
            if (owner != c->process)
                return TRUE;
            ++c->windows;
            EnumChildWindows(
                top, [](HWND, LPARAM n) -> BOOL { return ++reinterpret_cast<Counter*>(n)->windows, TRUE; }, data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&counter));
    counts.windows = counter.windows;
    CountGdiObjects(counts);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (user > 0)
        counts.userObjects = static_cast<int>(user);
    return counts;
}

}  // namespace

std::unique_ptr<HostWindow> HostWindow::Create(int width, int height, std::string& error)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing;
    if (!GetClassInfoA(instance, kHostClass, &existing)) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Win32HostWindow::Proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kHostClass;
        RegisterClassA(&wc);
    }
    // Borderless, so the client area is the whole window wherever a window
    // manager is missing; clipping children keeps the host's own painting off
    // the editor.
    HWND hwnd = CreateWindowExA(0, kHostClass, "vsthost", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        error = "cannot make the host window (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    return std::make_unique<Win32HostWindow>(hwnd);
}

const char* KeyNames()
{
    return "space, enter, escape, tab, backspace, delete, home, end, up, down, left, right, f1..f12, "
           "numpad0, numpad1, numpad5, numpad9, a..z, 0..9";
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0.0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

double DisplayServerCpuSeconds()
{
    return -1.0;  // the wineserver and the X server are outside the program's view
}

}  // namespace vsthost

}  // namespace kestrelon
