// The host window on X11, through xcb: a top-level window of the host's own
// connection whose first child is the editor. The user's hands are the XTEST
// extension: real pointer and key events from the server, so the editor gets
// them as from a mouse and keyboard, with the button's implicit grab, the
// server's times for double clicks and the keys going to the window under
// the pointer. The editor runs from the host's effEditIdle calls, which the
// host makes while it waits. Counts of what the server holds come from the
// X-Resource extension, over every client (the editor has a connection of its
// own; under Xvfb the clients are this process's).
#include <poll.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "tools/vsthost/host_window.h"

namespace kestrelon {

namespace vsthost {
namespace {

// Where the host window sits on the screen: away from the edges, so that a
// drag past the editor's top or left still moves the pointer.
constexpr int kWindowX = 100;
constexpr int kWindowY = 100;
// Shown where the editor has drawn nothing yet.
constexpr std::uint32_t kUnpainted = 0xFF00FF;

template <typename T>
struct Reply {
    explicit Reply(T* r) : reply(r) {}
    ~Reply() { std::free(reply); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
    T* get() const { return reply; }
    T* reply;
};

struct NamedKey {
    const char* name;
    std::uint32_t keysym;
};

constexpr NamedKey kNamedKeys[] = {
    {"space", 0x20},     {"enter", 0xff0d},   {"escape", 0xff1b},  {"tab", 0xff09}, {"backspace", 0xff08},
    {"delete", 0xffff},  {"home", 0xff50},    {"end", 0xff57},     {"up", 0xff52},  {"down", 0xff54},
    {"left", 0xff51},    {"right", 0xff53},   {"f1", 0xffbe},      {"f2", 0xffbf},  {"f3", 0xffc0},
    {"f4", 0xffc1},      {"f5", 0xffc2},      {"f6", 0xffc3},      {"f7", 0xffc4},  {"f8", 0xffc5},
    {"f9", 0xffc6},      {"f10", 0xffc7},     {"f11", 0xffc8},     {"f12", 0xffc9}, {"numpad0", 0xffb0},
    {"numpad1", 0xffb1}, {"numpad5", 0xffb5}, {"numpad9", 0xffb9},
};
constexpr std::uint32_t kShiftL = 0xffe1;

std::uint32_t KeysymFor(const std::string& name)
{
    for (const NamedKey& k : kNamedKeys) {
        if (name == k.name)
            return k.keysym;
    }
    if (name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9')))
        return static_cast<unsigned char>(name[0]);
    return 0;
}

std::string NameOfKeysym(std::uint32_t keysym)
{
    for (const NamedKey& k : kNamedKeys) {
        if (keysym == k.keysym)
            return k.name;
    }
    if ((keysym >= 'a' && keysym <= 'z') || (keysym >= '0' && keysym <= '9'))
        return std::string(1, static_cast<char>(keysym));
    if (keysym >= 'A' && keysym <= 'Z')
        return std::string(1, static_cast<char>(keysym - 'A' + 'a'));
    return "keysym" + std::to_string(keysym);
}

class X11HostWindow : public HostWindow {
public:
    X11HostWindow(xcb_connection_t* c, xcb_screen_t* s) : connection(c), screen(s) { ReadKeyboardMapping(); }
    ~X11HostWindow() override
    {
        Destroy();
        xcb_disconnect(connection);
    }
    bool Make(int width, int height, std::string& error);

    void* ParentHandle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }
    bool Alive() const override { return window != 0; }
    void Destroy() override
    {
        if (!window)
            return;
        xcb_destroy_window(connection, window);
        xcb_flush(connection);
        window = 0;
    }
    void Resize(int width, int height) override
    {
        if (!window)
            return;
        const std::uint32_t size[] = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
        xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        xcb_flush(connection);
    }
    void ClientSize(int& width, int& height) const override
    {
        width = height = 0;
        if (!window)
            return;
        Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
        if (g) {
            width = g->width;
            height = g->height;
        }
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
        CheckFirstFrame();
        while (watching && std::chrono::steady_clock::now() < until)
            Pump(1, tick, tickMs);
        watching = false;
        return firstFrameMs;
    }

    bool HasEditor() override { return Editor() != 0; }
    bool Mouse(MouseAction action, int x, int y, bool shift, std::string& error) override;
    bool Wheel(int x, int y, int delta, bool shift, std::string& error) override;
    bool Key(const std::string& name, std::string& error) override;
    bool Type(const std::string& text, std::string& error) override;
    void TakeMouseCapture() override
    {
        if (!window)
            return;
        Reply<xcb_grab_pointer_reply_t> grab(xcb_grab_pointer_reply(
            connection,
            xcb_grab_pointer(connection, 0, window,
                             XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                 XCB_EVENT_MASK_POINTER_MOTION,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
            nullptr));
        xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }

    // X11 editors read their connection in effEditIdle.
    bool InputArrivesAtIdle() const override { return true; }
    // A round trip: the server has turned the faked input into the editor's events.
    void SyncWithDisplay() override
    {
        Reply<xcb_get_input_focus_reply_t> sync(
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    bool Capture(Screenshot& shot, std::string& error) override;
    WindowResources Resources() override;
    bool ClassRegistered(const std::string&, void*) override { return false; }

private:
    std::uint32_t Editor() const
    {
        if (!window)
            return 0;
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree || xcb_query_tree_children_length(tree.get()) == 0)
            return 0;
        return xcb_query_tree_children(tree.get())[0];
    }
    bool NeedEditor(std::uint32_t& editor, std::string& error) const
    {
        editor = Editor();
        if (!editor)
            error = "the editor is not open (no window inside the host's)";
        return editor != 0;
    }
    // The editor's (x, y) on the screen.
    bool ToScreen(std::uint32_t editor, int x, int y, int& rootX, int& rootY) const
    {
        Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
            connection,
            xcb_translate_coordinates(connection, editor, screen->root, static_cast<std::int16_t>(x),
                                      static_cast<std::int16_t>(y)),
            nullptr));
        if (!at)
            return false;
        rootX = at->dst_x;
        rootY = at->dst_y;
        return true;
    }
    void Fake(std::uint8_t type, std::uint8_t detail, int rootX = 0, int rootY = 0)
    {
        xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? screen->root : 0,
                            static_cast<std::int16_t>(rootX), static_cast<std::int16_t>(rootY), 0);
    }
    void HoldShift(bool hold)
    {
        if (hold == shiftHeld)
            return;
        if (const std::uint8_t code = KeycodeOf(kShiftL, nullptr))
            Fake(hold ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code);
        shiftHeld = hold;
    }
    void ReadKeyboardMapping();
    // The keycode that gives keysym, and whether shift is needed for it; 0 for none.
    std::uint8_t KeycodeOf(std::uint32_t keysym, bool* shifted) const;
    std::uint32_t KeysymOf(std::uint8_t keycode) const;
    void ReadEvents();
    void CheckFirstFrame();

    xcb_connection_t* connection;
    xcb_screen_t* screen;
    std::uint32_t window = 0;
    bool shiftHeld = false;
    std::vector<std::uint32_t> keysyms;
    int minKeycode = 8;
    int keysymsPerKeycode = 0;
    bool watching = false;
    std::chrono::steady_clock::time_point watchStart;
    double firstFrameMs = -1.0;
};

bool X11HostWindow::Make(int width, int height, std::string& error)
{
    window = xcb_generate_id(connection);
    const std::uint32_t values[] = {kUnpainted, 1, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_void_cookie_t made = xcb_create_window_checked(
        connection, XCB_COPY_FROM_PARENT, window, screen->root, kWindowX, kWindowY, static_cast<std::uint16_t>(width),
        static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
        XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    if (xcb_generic_error_t* e = xcb_request_check(connection, made)) {
        error = "cannot make the host window (X error " + std::to_string(e->error_code) + ")";
        std::free(e);
        window = 0;
        return false;
    }
    const char title[] = "vsthost";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_map_window(connection, window);
    // On screen before the editor opens, as a DAW's plug-in window is.
    Reply<xcb_get_geometry_reply_t> sync(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    return true;
}

void X11HostWindow::ReadKeyboardMapping()
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    minKeycode = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    if (!map)
        return;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    keysyms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map.get()));
    keysymsPerKeycode = map->keysyms_per_keycode;
}

std::uint8_t X11HostWindow::KeycodeOf(std::uint32_t keysym, bool* shifted) const
{
    for (int column = 0; column < 2 && column < keysymsPerKeycode; ++column) {
        for (std::size_t i = 0; i * keysymsPerKeycode + column < keysyms.size(); ++i) {
            if (keysyms[i * keysymsPerKeycode + column] == keysym) {
                if (shifted)
                    *shifted = column == 1;
                return static_cast<std::uint8_t>(minKeycode + static_cast<int>(i));
            }
        }
    }
    return 0;
}

std::uint32_t X11HostWindow::KeysymOf(std::uint8_t keycode) const
{
    const std::size_t at = static_cast<std::size_t>(keycode - minKeycode) * keysymsPerKeycode;
    return keycode >= minKeycode && at < keysyms.size() ? keysyms[at] : 0;
}

void X11HostWindow::ReadEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS) {
            // What the editor passed on (a sent event) or what came straight here.
            hostKeys.push_back(NameOfKeysym(KeysymOf(reinterpret_cast<xcb_key_press_event_t*>(event)->detail)));
        } else if (type == XCB_DESTROY_NOTIFY &&
                   reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window) {
            window = 0;
        }
        std::free(event);
    }
}

void X11HostWindow::CheckFirstFrame()
{
    if (!watching)
        return;
    const std::uint32_t editor = Editor();
    if (!editor)
        return;
    Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, editor), nullptr));
    if (!g || g->width == 0 || g->height == 0)
        return;
    // The frame goes to the screen in one piece: once its last pixel shows,
    // the whole frame does.
    Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, editor, static_cast<std::int16_t>(g->width - 1),
                      static_cast<std::int16_t>(g->height - 1), 1, 1, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < 4)
        return;
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, xcb_get_image_data(image.get()), 4);
    if ((pixel & 0xFFFFFFu) != kUnpainted) {
        firstFrameMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - watchStart).count();
        watching = false;
    }
}

void X11HostWindow::Pump(int milliseconds, const std::function<void()>& tick, int tickMs)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(milliseconds);
    auto nextTick = start;
    for (;;) {
        xcb_flush(connection);
        ReadEvents();
        auto now = Clock::now();
        if (tick && tickMs > 0 && now >= nextTick) {
            tick();
            CheckFirstFrame();
            nextTick += std::chrono::milliseconds(tickMs);
            if (nextTick < now)
                nextTick = now + std::chrono::milliseconds(tickMs);
            now = Clock::now();
        }
        if (now >= end)
            return;
        auto wakeAt = end;
        if (tick && tickMs > 0 && nextTick < wakeAt)
            wakeAt = nextTick;
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        // Rounded up: a wait cut to 0 ms would spin through the last
        // fraction of every idle period.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count();
        poll(&fd, 1, static_cast<int>(wait > 0 ? wait : 0));
    }
}

bool X11HostWindow::Mouse(MouseAction action, int x, int y, bool shift, std::string& error)
{
    std::uint32_t editor = 0;
    int rootX = 0, rootY = 0;
    if (!NeedEditor(editor, error))
        return false;
    if (!ToScreen(editor, x, y, rootX, rootY)) {
        error = "the editor's window is gone";
        return false;
    }
    HoldShift(shift);
    Fake(XCB_MOTION_NOTIFY, 0, rootX, rootY);
    switch (action) {
    case MouseAction::Down:
        Fake(XCB_BUTTON_PRESS, 1);
        break;
    case MouseAction::Move:
        break;
    case MouseAction::Up:
        Fake(XCB_BUTTON_RELEASE, 1);
        break;
    case MouseAction::DoubleClick:
        for (int i = 0; i < 2; ++i) {
            Fake(XCB_BUTTON_PRESS, 1);
            Fake(XCB_BUTTON_RELEASE, 1);
        }
        break;
    }
    xcb_flush(connection);
    return true;
}

bool X11HostWindow::Wheel(int x, int y, int delta, bool shift, std::string& error)
{
    std::uint32_t editor = 0;
    int rootX = 0, rootY = 0;
    if (!NeedEditor(editor, error) || !ToScreen(editor, x, y, rootX, rootY)) {
        if (error.empty())
            error = "the editor's window is gone";
        return false;
    }
    HoldShift(shift);
    Fake(XCB_MOTION_NOTIFY, 0, rootX, rootY);
    // One press of button 4 (up) or 5 (down) per notch of 120; a part of a
    // notch turns nothing, as on Windows.
    const int notches = delta / 120;
    for (int i = 0; i < (notches < 0 ? -notches : notches); ++i) {
        Fake(XCB_BUTTON_PRESS, notches > 0 ? 4 : 5);
        Fake(XCB_BUTTON_RELEASE, notches > 0 ? 4 : 5);
    }
    xcb_flush(connection);
    return true;
}

bool X11HostWindow::Key(const std::string& name, std::string& error)
{
    std::uint32_t editor = 0;
    if (!NeedEditor(editor, error))
        return false;
    const std::uint32_t keysym = KeysymFor(name);
    bool shifted = false;
    const std::uint8_t code = keysym ? KeycodeOf(keysym, &shifted) : 0;
    if (!code) {
        error =
            keysym ? "the keyboard has no key for '" + name + "'" : "unknown key '" + name + "' (" + KeyNames() + ")";
        return false;
    }
    const bool wasShift = shiftHeld;
    HoldShift(shifted || wasShift);
    Fake(XCB_KEY_PRESS, code);
    Fake(XCB_KEY_RELEASE, code);
    HoldShift(wasShift);
    xcb_flush(connection);
    return true;
}

bool X11HostWindow::Type(const std::string& text, std::string& error)
{
    std::uint32_t editor = 0;
    if (!NeedEditor(editor, error))
        return false;
    const bool wasShift = shiftHeld;
    for (unsigned char c : text) {
        bool shifted = false;
        const std::uint8_t code = c >= 0x20 && c < 0x7f ? KeycodeOf(c, &shifted) : 0;
        if (!code) {
            error = std::string("the keyboard has no key that types '") + static_cast<char>(c) + "'";
            return false;
        }
        HoldShift(shifted);
        Fake(XCB_KEY_PRESS, code);
        Fake(XCB_KEY_RELEASE, code);
    }
    HoldShift(wasShift);
    xcb_flush(connection);
    return true;
}

bool X11HostWindow::Capture(Screenshot& shot, std::string& error)
{
    std::uint32_t editor = 0;
    if (!NeedEditor(editor, error))
        return false;
    Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, editor), nullptr));
    if (!g || g->width == 0 || g->height == 0) {
        error = "the editor's window has no area to capture";
        return false;
    }
    Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        connection, xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, editor, 0, 0, g->width, g->height, ~0u),
        nullptr));
    const std::size_t count = static_cast<std::size_t>(g->width) * g->height;
    if (!image || image->depth != 24 || static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < count * 4) {
        error = "the editor's window could not be read back (a 24-bit screen is needed: "
                "xvfb-run -s \"-screen 0 1280x1024x24\")";
        return false;
    }
    shot.width = g->width;
    shot.height = g->height;
    shot.pixels.resize(count);
    std::memcpy(shot.pixels.data(), xcb_get_image_data(image.get()), count * 4);
    for (std::uint32_t& p : shot.pixels)
        p &= 0xFFFFFFu;
    return true;
}

int CountWindows(xcb_connection_t* connection, std::uint32_t parent)
{
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr));
    if (!tree)
        return 0;
    int n = 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        n += 1 + CountWindows(connection, children[i]);
    return n;
}

// Made if missing: the server names resource types by atoms it makes only at
// the first X-Resource query, so looking one up without making it would find
// none before that query and count nothing of its type.
std::uint32_t Atom(xcb_connection_t* connection, const char* name)
{
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return atom ? atom->atom : 0;
}

WindowResources X11HostWindow::Resources()
{
    WindowResources counts;
    counts.objectsName = "x resources";
    counts.contextsName = "graphics contexts";
    counts.imagesName = "pixmaps";
    counts.windows = CountWindows(connection, screen->root);
    Reply<xcb_res_query_clients_reply_t> clients(
        xcb_res_query_clients_reply(connection, xcb_res_query_clients(connection), nullptr));
    if (!clients)
        return counts;
    const std::uint32_t gcAtom = Atom(connection, "GC"), pixmapAtom = Atom(connection, "PIXMAP"),
                        fontAtom = Atom(connection, "FONT");
    counts.gdiObjects = counts.deviceContexts = counts.bitmaps = counts.fonts = 0;
    xcb_res_client_iterator_t it = xcb_res_query_clients_clients_iterator(clients.get());
    for (; it.rem; xcb_res_client_next(&it)) {
        Reply<xcb_res_query_client_resources_reply_t> held(xcb_res_query_client_resources_reply(
            connection, xcb_res_query_client_resources(connection, it.data->resource_base), nullptr));
        if (!held)
            continue;
        xcb_res_type_iterator_t t = xcb_res_query_client_resources_types_iterator(held.get());
        for (; t.rem; xcb_res_type_next(&t)) {
            const int n = static_cast<int>(t.data->count);
            counts.gdiObjects += n;
            counts.deviceContexts += t.data->resource_type == gcAtom ? n : 0;
            counts.bitmaps += t.data->resource_type == pixmapAtom ? n : 0;
            counts.fonts += t.data->resource_type == fontAtom ? n : 0;
        }
    }
    return counts;
}

}  // namespace

std::unique_ptr<HostWindow> HostWindow::Create(int width, int height, std::string& error)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        error = "cannot reach the X server (is DISPLAY set?)";
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(connection);
        error = "the X server has no screen " + std::to_string(screenNumber);
        return nullptr;
    }
    auto window = std::make_unique<X11HostWindow>(connection, it.data);
    if (!window->Make(width, height, error))
        return nullptr;
    return window;
}

const char* KeyNames()
{
    return "space, enter, escape, tab, backspace, delete, home, end, up, down, left, right, f1..f12, "
           "numpad0, numpad1, numpad5, numpad9, a..z, 0..9";
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double DisplayServerCpuSeconds()
{
    const char* pid = std::getenv("KESTRELON_XSERVER_PID");
    if (!pid || !*pid)
        return -1.0;
    std::FILE* file = std::fopen((std::string("/proc/") + pid + "/stat").c_str(), "r");
    if (!file)
        return -1.0;
    char text[1024] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = '\0';
    // Fields 14 and 15, user and system clock ticks, follow the name in parentheses.
    const char* after = std::strrchr(text, ')');
    unsigned long long user = 0, system = 0;
    if (!after || std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system) != 2)
        return -1.0;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace vsthost

}  // namespace kestrelon
