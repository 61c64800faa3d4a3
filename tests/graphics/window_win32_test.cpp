// The Windows editor window for real, under wine64 and Xvfb: a top-level
// window plays the host's, messages are posted to the editor and pumped.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/graphics/graphics_win32.h"
#include "framework/graphics/popup_menu.h"
#include "framework/graphics/stock_controls.h"
#include "tests/framework/test_effect.h"

namespace kestrelon {
namespace {

class GestureEffect : public TestEffect {
public:
    void HostBeginParamEdit(int index) override { log.push_back("begin " + std::to_string(index)); }
    void HostEndParamEdit(int index) override { log.push_back("end " + std::to_string(index)); }
    std::vector<std::string> log;
};

// A control that records the text committed into its entry box.
class TextControl : public IControl {
public:
    using IControl::IControl;
    bool Paint(IGraphics& g) override
    {
        g.FillRect(Colour{255, 200, 0, 0}, rect);
        return true;
    }
    void AcceptEnteredText(const char* text) override { accepted.push_back(text); }
    std::vector<std::string> accepted;
};

class TestWindowGraphics : public IGraphicsWin {
public:
    explicit TestWindowGraphics(IEffectBase* plugin) : IGraphicsWin(plugin, GetModuleHandleA(nullptr)) {}
    // Solid test images instead of resources.
    bool ReadPlatformImageSize(int id, const char* name, int& w, int& h) override
    {
        std::unique_ptr<RasterBitmap> bitmap(LoadPlatformImage(id, name));
        w = bitmap->PixelWidth();
        h = bitmap->PixelHeight();
        return true;
    }
    RasterBitmap* LoadPlatformImage(int id, const char*) override
    {
        const int h = id == 3001 ? 134 * 101 : (id == 3002 ? 44 : 484);
        const int w = id == 3000 ? 340 : (id == 3001 ? 134 : 22);
        auto* bitmap = new RasterMemBitmap(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bitmap->PixelData()[y * bitmap->RowStride() + x] =
                    id == 3000 ? 0xFF203040u : (id == 3001 ? 0xFF000000u | (y / 134) : 0xFF808080u);
        return bitmap;
    }
};

void Pump(int milliseconds)
{
    const DWORD until = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while (static_cast<int>(until - GetTickCount()) > 0);
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// The host: a top-level window of its own class that notes the keys it gets.
struct HostWindow {
    static std::vector<WPARAM>& Keys()
    {
        static std::vector<WPARAM> keys;
        return keys;
    }
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_KEYDOWN)
            Keys().push_back(wp);
        return DefWindowProcA(w, m, wp, lp);
    }
    HostWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KestrelonTestHost";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "KestrelonTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 700,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        Keys().clear();
    }
    ~HostWindow()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    HWND hwnd;
};

struct Editor {
    GestureEffect effect;
    TestWindowGraphics graphics{&effect};
    IKnobMultiControl* knob = nullptr;
    TextControl* text = nullptr;

    Editor()
    {
        graphics.AddControl(std::make_unique<IBitmapControl>(&effect, 0, 0, -1, graphics.LoadImage(3000, "b.png", 1),
                                                             BlendMethod::BlendMethodOpaque));
        auto k = std::make_unique<IKnobMultiControl>(&effect, 23, 119, 0, graphics.LoadImage(3001, "k.png", 101));
        knob = k.get();
        graphics.AddControl(std::move(k));
        auto t = std::make_unique<TextControl>(&effect, Rect{58, 253, 122, 269});
        text = t.get();
        graphics.AddControl(std::move(t));
        graphics.CreateDrawSurfaces();
        for (int i = 0; i < effect.ParamCount(); ++i)
            graphics.UpdateControlsFromPlugin(i, effect.ParamAt(i)->Value(), false);
    }
    HWND Window() const { return static_cast<HWND>(graphics.NativeWindow()); }
};

TEST(WindowsEditor, OpensPaintsOnItsTimerAndTakesMouseAndKeys)
{
    EXPECT_EQ(IGraphicsWin::TimerPeriod(120), 8u);
    EXPECT_EQ(IGraphicsWin::TimerPeriod(30), 33u);

    HostWindow host;
    Editor editor;
    ASSERT_NE(editor.graphics.OpenEditorWindow(host.hwnd), nullptr);
    EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 1);
    Pump(100);

    // The first timer ticks painted everything: read the screen back.
    HDC dc = GetDC(editor.Window());
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0x20, 0x30, 0x40)) << "background";
    EXPECT_EQ(GetPixel(dc, 60, 255), RGB(200, 0, 0)) << "the text control";
    ReleaseDC(editor.Window(), dc);

    // A vertical drag of 67 pixels up: a quarter of four control heights.
    PostMessageA(editor.Window(), WM_LBUTTONDOWN, MK_LBUTTON, At(90, 180));
    PostMessageA(editor.Window(), WM_MOUSEMOVE, MK_LBUTTON, At(90, 180));
    PostMessageA(editor.Window(), WM_MOUSEMOVE, MK_LBUTTON, At(90, 113));
    PostMessageA(editor.Window(), WM_LBUTTONUP, 0, At(90, 113));
    Pump(50);
    EXPECT_DOUBLE_EQ(editor.knob->Value(), 0.625);
    const std::vector<std::string> gesture = {"begin 0", "end 0"};
    EXPECT_EQ(editor.effect.log, gesture);
    EXPECT_NEAR(editor.effect.ParamAt(0)->Value(), 2.5, 1e-9);

    PostMessageA(editor.Window(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(90, 180));
    Pump(30);
    EXPECT_EQ(editor.knob->Value(), 0.5) << "double click resets to the first value";

    // The wheel carries screen coordinates; 240 is two steps, 60 none, and
    // -130 truncates toward zero.
    RECT outer;
    GetWindowRect(editor.Window(), &outer);
    for (int delta : {240, 60, -130})
        PostMessageA(editor.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                     At(outer.left + 90, outer.top + 180));
    Pump(30);
    EXPECT_DOUBLE_EQ(editor.knob->Value(), 0.51);

    // Keys outside the table (F5) and keys no control takes reach the host.
    PostMessageA(editor.Window(), WM_KEYDOWN, VK_F5, 0);
    PostMessageA(editor.Window(), WM_KEYDOWN, 'A', 0);
    Pump(30);
    const std::vector<WPARAM> keys = {VK_F5, 'A'};
    EXPECT_EQ(HostWindow::Keys(), keys);

    // The host takes the mouse in the middle of a drag: the drag ends.
    editor.effect.log.clear();
    PostMessageA(editor.Window(), WM_LBUTTONDOWN, MK_LBUTTON, At(90, 180));
    Pump(20);
    SetCapture(host.hwnd);
    Pump(20);
    ReleaseCapture();
    EXPECT_EQ(editor.graphics.CaptureIndex(), -1);
    EXPECT_EQ(editor.effect.log, gesture);

    editor.graphics.CloseEditorWindow();
    EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 0);
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "IEffectWndClass", &wc))
        << "the class goes with the last editor";
}

TEST(WindowsEditor, EntryBoxCommitsOnEnterCancelsOnEscapeAndFiltersDigits)
{
    HostWindow host;
    Editor editor;
    ASSERT_NE(editor.graphics.OpenEditorWindow(host.hwnd), nullptr);
    Pump(30);
    auto open = [&](IParameter* param) {
        IControl* control = param ? static_cast<IControl*>(editor.knob) : editor.text;
        editor.graphics.OpenTextEntry(control, control->Style(), editor.text->GetRect(), "0.0", param);
        Pump(20);
        return static_cast<HWND>(editor.graphics.EntryBox());
    };
    auto type = [](HWND box, const char* text) {
        for (const char* c = text; *c; ++c)
            SendMessageW(box, WM_CHAR, static_cast<WPARAM>(*c), 0);
    };

    HWND box = open(nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(editor.graphics.GetEntryState(), EntryState::EntryEditing);
    type(box, "123456789");
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    Pump(40);
    EXPECT_EQ(editor.graphics.EntryBox(), nullptr);
    ASSERT_EQ(editor.text->accepted.size(), 1u);
    EXPECT_EQ(editor.text->accepted[0], "1234567") << "seven characters at most, the selection replaced";

    box = open(nullptr);
    type(box, "99");
    PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(40);
    EXPECT_EQ(editor.graphics.EntryBox(), nullptr);
    EXPECT_EQ(editor.text->accepted.size(), 1u) << "Escape delivers nothing";

    // Bound to a continuous parameter: letters are dropped, the number goes
    // to the control as a user value.
    box = open(editor.effect.ParamAt(0));
    type(box, "1e3");
    wchar_t shown[32] = {};
    GetWindowTextW(box, shown, 32);
    EXPECT_EQ(std::wstring(shown), L"13");
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    Pump(40);
    EXPECT_NEAR(editor.effect.ParamAt(0)->Value(), 10.0, 1e-9) << "13 is limited to the range";

    // A window closed with its box open leaves no box described.
    open(nullptr);
    editor.graphics.CloseEditorWindow();
    EXPECT_EQ(editor.graphics.EntryBox(), nullptr);
    EXPECT_EQ(editor.graphics.GetEntryState(), EntryState::EntryIdle);
}

TEST(WindowsEditor, HostOrdersOfOpeningAndClosingLeaveNothingBehind)
{
    HostWindow host;
    Editor editor;
    editor.graphics.CloseEditorWindow();  // a close without an open
    ASSERT_NE(editor.graphics.OpenEditorWindow(host.hwnd), nullptr);
    SetWindowPos(editor.Window(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_NE(editor.graphics.OpenEditorWindow(host.hwnd), nullptr) << "a second open without a close";
    EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 1);
    RECT r;
    GetWindowRect(editor.Window(), &r);
    POINT topLeft{r.left, r.top};
    ScreenToClient(host.hwnd, &topLeft);
    RECT hostOuter, hostClient;
    GetWindowRect(host.hwnd, &hostOuter);
    EXPECT_EQ(r.right - r.left, 340);
    int children = 0;
    EnumChildWindows(
        host.hwnd, [](HWND, LPARAM n) -> BOOL { return ++*reinterpret_cast<int*>(n), TRUE; },
        reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children, 1) << "one editor window";
    (void)hostClient;

    // The host destroys its window first: the child is already gone.
    DestroyWindow(host.hwnd);
    EXPECT_EQ(editor.graphics.NativeWindow(), nullptr);
    editor.graphics.CloseEditorWindow();
    editor.graphics.CloseEditorWindow();
    EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 0);

    // Many openings leave the process's window, DC, bitmap and font counts
    // where they were.
    HostWindow again;
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 200; ++i) {
        ASSERT_NE(editor.graphics.OpenEditorWindow(again.hwnd), nullptr);
        Pump(1);
        editor.graphics.CloseEditorWindow();
    }
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
}

TEST(WindowsEditor, PopupNumberingSubmenusFoldersAndClipboard)
{
    PopupMenu menu;
    menu.numbering = 2;
    for (int i = 0; i < 12; ++i)
        menu.Add("item " + std::to_string(i + 1));
    EXPECT_EQ(PopupItemText(menu, 3), "04: item 4");
    menu.numbering = 1;
    EXPECT_EQ(PopupItemText(menu, 11), "12: item 12");

    HostWindow host;
    Editor editor;
    ASSERT_NE(editor.graphics.OpenEditorWindow(host.hwnd), nullptr);
    // The user's keys, queued before the menu's own loop reads them: down to
    // "b", into its submenu, down to "b2", Enter. Ids: the 3 items of the top
    // menu are 0..2, its submenu's items 3..4.
    PopupMenu top;
    top.Add("a");
    top.Add("b").submenu = std::make_unique<PopupMenu>();
    top.items[1].submenu->Add("b1");
    top.items[1].submenu->Add("b2");
    top.Add("c");
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN})
        PostMessageA(editor.Window(), WM_KEYDOWN, key, 0);
    PopupMenu* chosen = editor.graphics.ShowPopupMenu(top, Rect{10, 10, 50, 30});
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen, top.items[1].submenu.get());
    EXPECT_EQ(chosen->chosenIndex, 1);

    const std::string documents = editor.graphics.DocumentsDirectory();
    EXPECT_FALSE(documents.empty());
    EXPECT_NE(documents.back(), '\\');
    const std::string hostFolder = editor.graphics.HostDirectory();
    ASSERT_FALSE(hostFolder.empty());
    EXPECT_EQ(hostFolder.back(), '\\');

    const wchar_t text[] = L"Kestrelon \u00e9";
    ASSERT_TRUE(OpenClipboard(editor.Window()));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    std::memcpy(GlobalLock(block), text, sizeof(text));
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    std::string read;
    EXPECT_TRUE(editor.graphics.ClipboardText(read));
    EXPECT_EQ(read, "Kestrelon \xc3\xa9");
}

}  // namespace
}  // namespace kestrelon
