// The X11 editor window for real, in a virtual X server of the test's own: a
// top-level window of the test's connection plays the host's, input comes
// through the XTEST extension as a user's would, the editor is driven by
// idle calls as a Linux host drives it, and the X-Resource extension counts
// what the editor holds in the server.
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/graphics/graphics_x11.h"
#include "framework/graphics/stock_controls.h"
#include "tests/framework/test_effect.h"

namespace kestrelon {
namespace {

constexpr std::uint32_t kKeyReturn = 0xff0d;
constexpr std::uint32_t kKeyEscape = 0xff1b;
constexpr std::uint32_t kKeyF5 = 0xffc2;

class GestureEffect : public TestEffect {
public:
    void HostBeginParamEdit(int index) override { log.push_back("begin " + std::to_string(index)); }
    void HostEndParamEdit(int index) override { log.push_back("end " + std::to_string(index)); }
    bool HostResizeEditor(int w, int h) override
    {
        log.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
        return false;  // a host that keeps its window as it is
    }
    std::vector<std::string> log;
};

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

class TestX11Graphics : public IGraphicsX11 {
public:
    explicit TestX11Graphics(IEffectBase* plugin) : IGraphicsX11(plugin, nullptr) {}
    // Solid test images instead of resources: a background, a 101-frame knob.
    bool ReadPlatformImageSize(int id, const char* name, int& w, int& h) override
    {
        std::unique_ptr<RasterBitmap> bitmap(LoadPlatformImage(id, name));
        w = bitmap->PixelWidth();
        h = bitmap->PixelHeight();
        return true;
    }
    RasterBitmap* LoadPlatformImage(int id, const char*) override
    {
        const int w = id == 3000 ? 340 : 134;
        const int h = id == 3000 ? 484 : 134 * 101;
        auto* bitmap = new RasterMemBitmap(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bitmap->PixelData()[y * bitmap->RowStride() + x] = id == 3000 ? 0xFF203040u : 0xFF000000u | (y / 134);
        return bitmap;
    }
};

bool Eventually(const std::function<bool()>& done, int milliseconds = 1000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        usleep(1000);
    }
    return true;
}

// The test's own connection: the host's side of the display.
struct Display {
    Display() : c(xcb_connect(nullptr, nullptr)), screen(xcb_setup_roots_iterator(xcb_get_setup(c)).data) {}
    ~Display() { xcb_disconnect(c); }
    void Sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
    void Fake(std::uint8_t type, std::uint8_t detail, int x = 0, int y = 0)
    {
        xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME, screen->root, static_cast<std::int16_t>(x),
                            static_cast<std::int16_t>(y), 0);
        Sync();
    }
    void Move(int x, int y) { Fake(XCB_MOTION_NOTIFY, 0, x, y); }
    void Click(int button)
    {
        Fake(XCB_BUTTON_PRESS, static_cast<std::uint8_t>(button));
        Fake(XCB_BUTTON_RELEASE, static_cast<std::uint8_t>(button));
    }
    std::uint8_t Keycode(std::uint32_t keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto* map = xcb_get_keyboard_mapping_reply(
            c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<std::uint8_t>(count)), nullptr);
        std::uint8_t found = 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        for (int k = 0; k < count && !found; ++k)
            if (syms[k * map->keysyms_per_keycode] == keysym)
                found = static_cast<std::uint8_t>(setup->min_keycode + k);
        std::free(map);
        return found;
    }
    void Type(const char* text)
    {
        for (const char* p = text; *p; ++p)
            Key(static_cast<unsigned char>(*p));
    }
    void Key(std::uint32_t keysym)
    {
        const std::uint8_t code = Keycode(keysym);
        ASSERT_NE(code, 0) << keysym;
        Fake(XCB_KEY_PRESS, code);
        Fake(XCB_KEY_RELEASE, code);
    }
    std::uint32_t Pixel(std::uint32_t window, int x, int y)
    {
        auto* image =
            xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr);
        std::uint32_t p = 0;
        if (image && xcb_get_image_data_length(image) >= 4) {
            const std::uint8_t* d = xcb_get_image_data(image);
            p = (std::uint32_t{d[2]} << 16) | (std::uint32_t{d[1]} << 8) | d[0];
        }
        std::free(image);
        return p;
    }
    std::vector<std::uint32_t> Children(std::uint32_t window)
    {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        std::vector<std::uint32_t> children;
        if (tree)
            children.assign(xcb_query_tree_children(tree), xcb_query_tree_children(tree) + tree->children_len);
        std::free(tree);
        return children;
    }
    // Width and height of a window, 0 x 0 when it is gone.
    std::pair<int, int> Size(std::uint32_t window)
    {
        auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        std::pair<int, int> size = g ? std::make_pair(int{g->width}, int{g->height}) : std::make_pair(0, 0);
        std::free(g);
        return size;
    }
    int Clients()
    {
        auto* reply = xcb_res_query_clients_reply(c, xcb_res_query_clients(c), nullptr);
        const int n = reply ? static_cast<int>(reply->num_clients) : -1;
        std::free(reply);
        return n;
    }
    // Everything the server holds for the client that made resource id.
    int ResourcesOf(std::uint32_t id)
    {
        auto* reply = xcb_res_query_client_resources_reply(c, xcb_res_query_client_resources(c, id), nullptr);
        int total = 0;
        if (reply)
            for (auto it = xcb_res_query_client_resources_types_iterator(reply); it.rem; xcb_res_type_next(&it))
                total += static_cast<int>(it.data->count);
        std::free(reply);
        return total;
    }
    // The keycodes of the key presses sent to window by another client.
    std::vector<std::uint8_t> SentKeys()
    {
        std::vector<std::uint8_t> keys;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if (e->response_type == (XCB_KEY_PRESS | 0x80))
                keys.push_back(reinterpret_cast<xcb_key_press_event_t*>(e)->detail);
            std::free(e);
        }
        return keys;
    }

    xcb_connection_t* c;
    xcb_screen_t* screen;
};

// The host's top-level window at the screen's origin, on screen at once (no
// window manager runs in the test's server).
struct HostWindow {
    explicit HostWindow(Display& display) : d(display), id(xcb_generate_id(d.c))
    {
        const std::uint32_t values[] = {d.screen->black_pixel, XCB_EVENT_MASK_KEY_PRESS};
        xcb_create_window(d.c, XCB_COPY_FROM_PARENT, id, d.screen->root, 0, 0, 600, 700, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, d.screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                          values);
        xcb_map_window(d.c, id);
        d.Sync();
    }
    ~HostWindow() { Destroy(); }
    void Destroy()
    {
        if (id)
            xcb_destroy_window(d.c, id);
        id = 0;
        d.Sync();
    }
    void* Handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)); }
    Display& d;
    std::uint32_t id;
};

struct Editor {
    GestureEffect effect;
    TestX11Graphics graphics{&effect};
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
    bool Open(const HostWindow& host)
    {
        if (!graphics.OpenEditorWindow(host.Handle()))
            return false;
        graphics.WindowOpened();
        return true;
    }
    std::uint32_t Window() const
    {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(graphics.NativeWindow()));
    }
    void Pump(int milliseconds)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            graphics.Idle();
            usleep(1000);
        } while (std::chrono::steady_clock::now() < until);
    }
};

TEST(X11Editor, PaintsOnOpeningAndTakesMouseWheelAndKeysThroughIdle)
{
    for (bool shared : {true, false}) {
        SCOPED_TRACE(shared ? "shared memory" : "put_image");
        Display d;
        HostWindow host(d);
        Editor editor;
        editor.graphics.AllowSharedMemory(shared);
        ASSERT_TRUE(editor.Open(host));
        EXPECT_EQ(editor.graphics.UsesSharedMemory(), shared) << "the test server offers the extension";
        EXPECT_GE(editor.graphics.FramesPresented(), 1) << "the first frame goes out with the opening";
        EXPECT_EQ(d.Children(host.id), std::vector<std::uint32_t>{editor.Window()});
        EXPECT_EQ(d.Size(editor.Window()), std::make_pair(340, 484));
        EXPECT_TRUE(Eventually([&] { return d.Pixel(editor.Window(), 5, 5) == 0x203040u; })) << "background";
        EXPECT_TRUE(Eventually([&] { return d.Pixel(editor.Window(), 60, 255) == 0xC80000u; })) << "text control";
        // A frame lost to the screen (here: a window of the host's over ours)
        // comes back from the expose.
        const std::uint32_t cover = xcb_generate_id(d.c);
        xcb_create_window(d.c, XCB_COPY_FROM_PARENT, cover, host.id, 0, 0, 100, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          d.screen->root_visual, 0, nullptr);
        xcb_map_window(d.c, cover);
        xcb_destroy_window(d.c, cover);
        d.Sync();
        const int before = editor.graphics.FramesPresented();
        editor.Pump(30);
        EXPECT_GT(editor.graphics.FramesPresented(), before);
        EXPECT_TRUE(Eventually([&] { return d.Pixel(editor.Window(), 5, 5) == 0x203040u; }));
        if (!shared)
            continue;

        // A vertical drag of 67 pixels up: a quarter of four control heights;
        // the pointer is hidden meanwhile and comes back where it was pressed.
        d.Move(90, 180);
        d.Fake(XCB_BUTTON_PRESS, 1);
        editor.Pump(10);
        d.Move(90, 150);
        editor.Pump(10);
        d.Move(90, 113);
        d.Fake(XCB_BUTTON_RELEASE, 1);
        editor.Pump(20);
        EXPECT_DOUBLE_EQ(editor.knob->Value(), 0.625);
        const std::vector<std::string> gesture = {"begin 0", "end 0"};
        EXPECT_EQ(editor.effect.log, gesture);
        EXPECT_NEAR(editor.effect.ParamAt(0)->Value(), 2.5, 1e-9);
        auto* pointer = xcb_query_pointer_reply(d.c, xcb_query_pointer(d.c, d.screen->root), nullptr);
        ASSERT_NE(pointer, nullptr);
        EXPECT_EQ(pointer->root_x, 90);
        EXPECT_EQ(pointer->root_y, 180);
        std::free(pointer);

        // Two clicks within the desktop's time (no settings manager: 400 ms)
        // reset the knob; the wheel moves it one step a notch.
        editor.effect.log.clear();
        editor.Pump(450);
        d.Click(1);
        d.Click(1);
        editor.Pump(20);
        EXPECT_EQ(editor.knob->Value(), 0.5) << "double click resets to the first value";
        const std::vector<std::string> oneClick = {"begin 0", "end 0"};
        EXPECT_EQ(editor.effect.log, oneClick) << "the second press is the double click, no edit";
        for (int button : {4, 4, 5})
            d.Click(button);
        editor.Pump(20);
        EXPECT_DOUBLE_EQ(editor.knob->Value(), 0.51);

        // Keys outside the table (F5) and keys no control takes reach the host.
        d.SentKeys();
        d.Key(kKeyF5);
        d.Key('a');
        editor.Pump(20);
        d.Sync();
        const std::vector<std::uint8_t> keys = {d.Keycode(kKeyF5), d.Keycode('a')};
        EXPECT_EQ(d.SentKeys(), keys);

        // The host hides its window in the middle of a drag: the pointer's
        // grab ends with it, and so does the drag, with its end of edit.
        editor.effect.log.clear();
        d.Fake(XCB_BUTTON_PRESS, 1);
        editor.Pump(10);
        EXPECT_EQ(editor.graphics.CaptureIndex(), 1);
        xcb_unmap_window(d.c, host.id);
        d.Sync();
        editor.Pump(10);
        EXPECT_EQ(editor.graphics.CaptureIndex(), -1);
        EXPECT_EQ(editor.effect.log, gesture);
        d.Fake(XCB_BUTTON_RELEASE, 1);
        xcb_map_window(d.c, host.id);
        d.Sync();
        editor.Pump(10);

        // A host that refuses to resize its window still gets a larger editor.
        editor.effect.log.clear();
        editor.graphics.ChangeEditorSize(400, 520);
        const std::vector<std::string> asked = {"resize 400x520"};
        EXPECT_EQ(editor.effect.log, asked);
        EXPECT_TRUE(Eventually([&] { return d.Size(editor.Window()) == std::make_pair(400, 520); }));
        editor.Pump(20);
        EXPECT_TRUE(Eventually([&] { return d.Pixel(editor.Window(), 5, 5) == 0x203040u; }));
    }
}

TEST(X11Editor, EntryBoxCommitsOnEnterAndFocusLossCancelsOnEscapeAndFiltersDigits)
{
    Display d;
    HostWindow host(d);
    Editor editor;
    ASSERT_TRUE(editor.Open(host));
    auto open = [&](IParameter* param) {
        IControl* control = param ? static_cast<IControl*>(editor.knob) : editor.text;
        editor.graphics.OpenTextEntry(control, control->Style(), editor.text->GetRect(), "0.0", param);
        editor.Pump(10);
    };

    open(nullptr);
    ASSERT_TRUE(editor.graphics.EntryOpen());
    EXPECT_EQ(editor.graphics.GetEntryState(), EntryState::EntryEditing);
    EXPECT_TRUE(Eventually([&] { return d.Pixel(editor.Window(), 60, 255) == 0xFFFFFFu; }))
        << "the box in the control's entry background";
    d.Type("123456789");
    d.Key(kKeyReturn);
    editor.Pump(20);
    EXPECT_FALSE(editor.graphics.EntryOpen());
    ASSERT_EQ(editor.text->accepted.size(), 1u);
    EXPECT_EQ(editor.text->accepted[0], "1234567") << "seven characters at most, the selection replaced";
    EXPECT_TRUE(Eventually([&] { return d.Pixel(editor.Window(), 60, 255) == 0xC80000u; }))
        << "the control again where the box was";

    open(nullptr);
    d.Type("99");
    d.Key(kKeyEscape);
    editor.Pump(20);
    EXPECT_FALSE(editor.graphics.EntryOpen());
    EXPECT_EQ(editor.text->accepted.size(), 1u) << "Escape delivers nothing";

    // Focus taken by the host's window commits; a click elsewhere cancels.
    open(nullptr);
    d.Type("42");
    xcb_set_input_focus(d.c, XCB_INPUT_FOCUS_PARENT, host.id, XCB_CURRENT_TIME);
    d.Sync();
    editor.Pump(20);
    ASSERT_EQ(editor.text->accepted.size(), 2u);
    EXPECT_EQ(editor.text->accepted[1], "42");
    open(nullptr);
    d.Move(300, 20);
    d.Click(1);
    editor.Pump(20);
    EXPECT_FALSE(editor.graphics.EntryOpen());
    EXPECT_EQ(editor.text->accepted.size(), 2u);

    // Bound to a continuous parameter: letters are dropped, the number goes
    // to the control as a user value.
    open(editor.effect.ParamAt(0));
    d.Type("1e3");
    editor.Pump(10);
    EXPECT_EQ(editor.graphics.EntryText(), "13");
    d.Key(kKeyReturn);
    editor.Pump(20);
    EXPECT_NEAR(editor.effect.ParamAt(0)->Value(), 10.0, 1e-9) << "13 is limited to the range";

    // A window closed with its box open leaves no box described.
    open(nullptr);
    editor.graphics.CloseEditorWindow();
    EXPECT_FALSE(editor.graphics.EntryOpen());
    EXPECT_EQ(editor.graphics.GetEntryState(), EntryState::EntryIdle);
}

TEST(X11Editor, HostileOrdersAndManyOpeningsLeaveNothingBehind)
{
    Display d;
    const int clients = d.Clients();
    ASSERT_GT(clients, 0) << "the server has the X-Resource extension";
    Editor editor;
    editor.graphics.Idle();  // idle with no editor open
    editor.graphics.CloseEditorWindow();  // a close without an open

    // Ids that are no window of this display, and a pixmap.
    const std::uint32_t pixmap = xcb_generate_id(d.c);
    xcb_create_pixmap(d.c, d.screen->root_depth, pixmap, d.screen->root, 8, 8);
    d.Sync();
    for (std::uintptr_t id :
         {std::uintptr_t{0}, std::uintptr_t{pixmap}, std::uintptr_t{0x1234567}, std::uintptr_t{0x7fffffff12}})
        EXPECT_EQ(editor.graphics.OpenEditorWindow(reinterpret_cast<void*>(id)), nullptr) << id;
    EXPECT_TRUE(Eventually([&] { return d.Clients() == clients; })) << "a failed opening keeps no connection";

    // A second opening keeps the first one's place and leaves one window.
    HostWindow host(d);
    ASSERT_TRUE(editor.Open(host));
    const std::uint32_t place[] = {7, 9};
    xcb_configure_window(d.c, editor.Window(), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    d.Sync();
    ASSERT_TRUE(editor.Open(host));
    ASSERT_EQ(d.Children(host.id), std::vector<std::uint32_t>{editor.Window()});
    auto* geometry = xcb_get_geometry_reply(d.c, xcb_get_geometry(d.c, editor.Window()), nullptr);
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->x, 7);
    EXPECT_EQ(geometry->y, 9);
    EXPECT_EQ(geometry->width, 340);
    std::free(geometry);

    // Working the editor for a while holds no more in the server than the
    // same work did once.
    auto work = [&] {
        d.Move(90, 180);
        d.Fake(XCB_BUTTON_PRESS, 1);
        editor.Pump(5);
        d.Move(90, 170);
        d.Fake(XCB_BUTTON_RELEASE, 1);
        editor.graphics.SetMouseCursor(MouseCursor::SizeNWSE);
        editor.graphics.OpenTextEntry(editor.text, editor.text->Style(), editor.text->GetRect(), "1", nullptr);
        editor.graphics.CancelTextEntry();
        for (int i = 0; i < 20; ++i) {
            editor.knob->SetValueFromPlugin(i / 20.0);
            editor.Pump(9);
        }
        d.Sync();
        return d.ResourcesOf(editor.Window());
    };
    const int held = work();
    EXPECT_EQ(work(), held);
    EXPECT_EQ(work(), held);

    // The host destroys its window first: the child goes with it, and the
    // requests the editor makes until it hears of it are errors it drops.
    host.Destroy();
    editor.graphics.SetMouseCursor(MouseCursor::Arrow);
    editor.Pump(10);
    EXPECT_EQ(editor.graphics.NativeWindow(), nullptr);
    editor.graphics.CloseEditorWindow();
    editor.graphics.CloseEditorWindow();
    EXPECT_TRUE(Eventually([&] { return d.Clients() == clients; }));
    // The same, closed before any idle call.
    HostWindow second(d);
    ASSERT_TRUE(editor.Open(second));
    second.Destroy();
    editor.graphics.CloseEditorWindow();
    EXPECT_TRUE(Eventually([&] { return d.Clients() == clients; }));

    HostWindow again(d);
    int first = -1;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(editor.Open(again));
        editor.graphics.Idle();
        if (i == 0 || i == 199) {
            const int now = d.ResourcesOf(editor.Window());
            if (i == 0)
                first = now;
            EXPECT_EQ(now, first);
        }
        editor.graphics.CloseEditorWindow();
    }
    // The server ends a closed connection's windows when it reads the close.
    EXPECT_TRUE(Eventually([&] { return d.Children(again.id).empty(); }));
    EXPECT_TRUE(Eventually([&] { return d.Clients() == clients; }));
}

// A settings manager's block: byte order, serial, count, then integer
// settings (type 0) of the given names and values.
std::vector<std::uint8_t> SettingsBlock(const std::vector<std::pair<std::string, int>>& settings)
{
    std::vector<std::uint8_t> b = {0, 0, 0, 0, 1, 0, 0, 0};
    auto put32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put32(static_cast<std::uint32_t>(settings.size()));
    for (const auto& [name, value] : settings) {
        b.insert(b.end(), {0, 0, static_cast<std::uint8_t>(name.size()), 0});
        b.insert(b.end(), name.begin(), name.end());
        while (b.size() % 4)
            b.push_back(0);
        put32(0);
        put32(static_cast<std::uint32_t>(value));
    }
    return b;
}

TEST(X11Editor, DoubleClickSettingsComeFromTheDesktopsSettingsManager)
{
    const std::vector<std::uint8_t> block =
        SettingsBlock({{"Net/CursorBlink", 1}, {"Net/DoubleClickTime", 250}, {"Net/DoubleClickDistance", 9}});
    int time = 400, distance = 5;
    EXPECT_TRUE(IGraphicsX11::ReadXSettingsDoubleClick(block.data(), block.size(), time, distance));
    EXPECT_EQ(time, 250);
    EXPECT_EQ(distance, 9);
    // Cut anywhere, the block is read as far as it goes and no further.
    for (std::size_t size = 0; size < block.size(); ++size) {
        time = 400;
        distance = 5;
        IGraphicsX11::ReadXSettingsDoubleClick(block.data(), size, time, distance);
        EXPECT_TRUE(time == 400 || (time == 250 && size >= 72)) << size;
        EXPECT_EQ(distance, 5) << size;
    }
    const std::vector<std::uint8_t> absurd = SettingsBlock({{"Net/DoubleClickTime", -3}});
    time = 400;
    IGraphicsX11::ReadXSettingsDoubleClick(absurd.data(), absurd.size(), time, distance);
    EXPECT_EQ(time, 400);

    // The test becomes the display's settings manager; the editor asks it.
    Display d;
    HostWindow host(d);
    Editor editor;
    ASSERT_TRUE(editor.Open(host));
    EXPECT_EQ(editor.graphics.DoubleClickTime(), 400) << "no manager: the defaults";
    EXPECT_EQ(editor.graphics.DoubleClickDistance(), 5);
    editor.graphics.CloseEditorWindow();
    auto atom = [&](const char* name) {
        auto* r = xcb_intern_atom_reply(
            d.c, xcb_intern_atom(d.c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const std::uint32_t a = r->atom;
        std::free(r);
        return a;
    };
    const std::uint32_t settings = atom("_XSETTINGS_SETTINGS");
    const std::uint32_t manager = xcb_generate_id(d.c);
    xcb_create_window(d.c, XCB_COPY_FROM_PARENT, manager, d.screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_change_property(d.c, XCB_PROP_MODE_REPLACE, manager, settings, settings, 8,
                        static_cast<std::uint32_t>(block.size()), block.data());
    xcb_set_selection_owner(d.c, manager, atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
    d.Sync();
    ASSERT_TRUE(editor.Open(host));
    EXPECT_EQ(editor.graphics.DoubleClickTime(), 250);
    EXPECT_EQ(editor.graphics.DoubleClickDistance(), 9);
    xcb_destroy_window(d.c, manager);
    d.Sync();
}

TEST(X11Editor, FoldersFollowTheXdgVariablesAndLinksOpenWithoutAShell)
{
    char scratch[] = "/tmp/kestrelon-x11-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string root = scratch;
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    {
        std::ofstream dirs(root + "/user-dirs.dirs");
        dirs << "# written by the test\nXDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\nXDG_DESKTOP_DIR=\"/srv/desk\"\n";
    }
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("XDG_DATA_DIRS", "/opt/share:/usr/share", 1);
    Editor editor;
    IGraphicsX11& g = editor.graphics;
    EXPECT_EQ(g.DocumentsDirectory(), home + "/Papers");
    EXPECT_EQ(g.DesktopDirectory(), "/srv/desk");
    EXPECT_EQ(g.UserAppDataDirectory(), root + "/data");
    EXPECT_EQ(g.AppDataDirectory(true), "/opt/share");
    EXPECT_EQ(IGraphicsX11::FolderOf("/usr/bin/host"), "/usr/bin/");
    EXPECT_EQ(IGraphicsX11::FolderOf("/usr/bin/"), "");
    const std::string hostFolder = g.HostDirectory();
    ASSERT_FALSE(hostFolder.empty());
    EXPECT_EQ(hostFolder.back(), '/');
    EXPECT_EQ(access((hostFolder + "graphics_x11_test").c_str(), X_OK), 0) << hostFolder;
    EXPECT_FALSE(g.PluginDirectory().empty());

    // An xdg-open of the test's own that notes each of its arguments on a line.
    const std::string opener = root + "/xdg-open";
    {
        std::ofstream script(opener);
        script << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << root << "/opened\n";
    }
    chmod(opener.c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (root + ":" + path).c_str(), 1);
    const char* url = "https://example.invalid/a b;touch /tmp/kestrelon-x11-pwned";
    EXPECT_FALSE(g.LaunchUrl(url, "t", "Open the link?", nullptr)) << "no box to confirm in";
    EXPECT_FALSE(g.LaunchUrl("--help", nullptr, nullptr, "x")) << "no options through the link";
    EXPECT_TRUE(g.LaunchUrl(url, nullptr, nullptr, nullptr));
    auto lines = [&] {
        std::vector<std::string> all;
        std::ifstream in(root + "/opened");
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    };
    EXPECT_TRUE(Eventually([&] { return !lines().empty(); }, 3000));
    usleep(200000);
    EXPECT_EQ(lines(), std::vector<std::string>{url}) << "one opening, the link one argument, untouched";
    EXPECT_NE(access("/tmp/kestrelon-x11-pwned", F_OK), 0);
    setenv("PATH", path.c_str(), 1);
    std::system(("rm -rf " + root).c_str());
}

}  // namespace
}  // namespace kestrelon
