// The editor's child window on X11: creation inside the host's window on a
// connection of its own, the events read at the host's idle calls, the redraw
// tick, presenting the draw surface and resizing. Every request that can meet
// a window the host destroyed is answered by an error event, which is read
// and dropped: nothing here installs an error handler or ends the process.
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "framework/editor_delegate.h"
#include "framework/graphics/graphics_x11.h"
#include "framework/graphics/stock_controls.h"
#include "framework/parameter.h"
#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace {

constexpr std::uint32_t kEventMask =
    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
    XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_KEY_PRESS |
    XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;

// Keysyms of the key table and of the entry box.
constexpr std::uint32_t kKeySpace = 0x20;
constexpr std::uint32_t kKeyLeft = 0xff51;
constexpr std::uint32_t kKeyUp = 0xff52;
constexpr std::uint32_t kKeyRight = 0xff53;
constexpr std::uint32_t kKeyDown = 0xff54;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

long long NowMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The key table, the same as the Windows window's; -1 for keys no control takes.
int KeyCodeFor(std::uint32_t keysym)
{
    switch (keysym) {
    case kKeySpace:
        return static_cast<int>(KeyCode::KeySpace);
    case kKeyUp:
        return static_cast<int>(KeyCode::KeyUp);
    case kKeyDown:
        return static_cast<int>(KeyCode::KeyDown);
    case kKeyLeft:
        return static_cast<int>(KeyCode::KeyLeft);
    case kKeyRight:
        return static_cast<int>(KeyCode::KeyRight);
    default:
        break;
    }
    if (keysym >= '0' && keysym <= '9')
        return static_cast<int>(keysym) - 43;
    if (keysym >= 'a' && keysym <= 'z')
        keysym -= 'a' - 'A';
    if (keysym >= 'A' && keysym <= 'Z')
        return static_cast<int>(keysym) - 50;
    return -1;
}

MouseModifiers ModifiersOf(std::uint16_t state)
{
    MouseModifiers mods;
    mods.left = (state & XCB_BUTTON_MASK_1) != 0;
    mods.right = (state & XCB_BUTTON_MASK_3) != 0;
    mods.shift = (state & XCB_MOD_MASK_SHIFT) != 0;
    mods.control = (state & XCB_MOD_MASK_CONTROL) != 0;
    mods.alt = (state & XCB_MOD_MASK_1) != 0;
    return mods;
}

xcb_screen_t* ScreenOfRoot(xcb_connection_t* c, std::uint32_t root)
{
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
        if (it.data->root == root)
            return it.data;
    return nullptr;
}

// True when the visual stores 8-bit red, green and blue in 32-bit pixels, as
// the draw surface does.
bool MatchesDrawSurface(xcb_connection_t* c, const xcb_screen_t* screen, std::uint8_t depth)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    bool format = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            format = it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    if (!format)
        return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        if (d.data->depth != depth)
            continue;
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual)
                return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000 &&
                       v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
    }
    return false;
}

}  // namespace

// A System V segment the server reads the frame from, of the editor's size.
struct IGraphicsX11::SharedImage {
    std::uint32_t segment = 0;
    void* pixels = nullptr;
    std::size_t bytes = 0;
};

IGraphicsX11::IGraphicsX11(IEditorDelegate* owner, void*, int w, int h, int fps) : IGraphics(owner, w, h, fps)
{}

IGraphicsX11::~IGraphicsX11()
{
    CloseEditorWindow();
}

void* IGraphicsX11::NativeWindow() const
{
    return window ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)) : nullptr;
}

void* IGraphicsX11::OpenEditorWindow(void* parent)
{
    int x = 0, y = 0, w = width, h = height;
    if (window) {
        // A second opening without a close keeps the window where and as large
        // as it was, and leaves one window.
        if (!windowGone) {
            Reply<xcb_get_geometry_reply_t> geometry(
                xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
            if (geometry) {
                x = geometry->x;
                y = geometry->y;
                w = geometry->width;
                h = geometry->height;
            }
        }
        CloseEditorWindow();
    }
    // An XID has 29 bits: anything wider is no window of this display.
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(parent);
    if (id == 0 || id > 0x1FFFFFFFu)
        return nullptr;
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        connection = nullptr;
        return nullptr;
    }
    parentWindow = static_cast<std::uint32_t>(id);
    auto geometryCookie = xcb_get_geometry(connection, parentWindow);
    auto attributesCookie = xcb_get_window_attributes(connection, parentWindow);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection, geometryCookie, nullptr));
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, attributesCookie, nullptr));
    xcb_screen_t* screen = geometry ? ScreenOfRoot(connection, geometry->root) : nullptr;
    // A pixmap answers the geometry request too: only a window has attributes.
    if (!geometry || !attributes || !screen || !MatchesDrawSurface(connection, screen, screen->root_depth)) {
        TearDown();
        return nullptr;
    }
    rootWindow = screen->root;
    depth = screen->root_depth;
    swapBytes = xcb_get_setup(connection)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST;
    parentViewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;

    window = xcb_generate_id(connection);
    // No background: the server clears nothing before an expose, so nothing
    // flickers; the colormap and border are given so that any host visual will do.
    const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, XCB_GRAVITY_NORTH_WEST, kEventMask,
                                    screen->default_colormap};
    xcb_void_cookie_t created = xcb_create_window_checked(
        connection, depth, window, parentWindow, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
        static_cast<std::uint16_t>(std::max(w, 1)), static_cast<std::uint16_t>(std::max(h, 1)), 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
        XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_BIT_GRAVITY | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);
    if (xcb_generic_error_t* error = xcb_request_check(connection, created)) {
        std::free(error);
        window = 0;
        TearDown();
        return nullptr;
    }
    windowX = x;
    windowY = y;
    gc = xcb_generate_id(connection);
    const std::uint32_t gcValues[] = {0};
    xcb_create_gc(connection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, gcValues);
    ApplyCursor();
    // The round trips come last: when the opening returns, the server has
    // made everything the editor holds.
    if (sharedMemoryAllowed)
        SetUpSharedMemory();
    ReadKeyboardMapping();
    ReadDesktopSettings();
    xcb_map_window(connection, window);
    xcb_flush(connection);
    viewable = parentViewable;
    damage = Rect{};
    lastTickMicros = 0;
    MarkAllControlsDirty();
    return NativeWindow();
}

void IGraphicsX11::WindowOpened()
{
    IGraphics::WindowOpened();
    // The host's window is on screen: the first frame goes out now rather
    // than at the host's next idle call.
    if (window && viewable)
        RedrawTick(true);
}

void IGraphicsX11::CloseEditorWindow()
{
    if (!connection) {
        window = 0;
        return;
    }
    TearDown();
}

void IGraphicsX11::TearDown()
{
    // A drag in progress ends with its end of edit, and a hidden pointer comes back.
    if (captureIndex >= 0)
        ReleaseCapture();
    if (cursorHidden)
        RestoreCursor();
    const bool entryWasOpen = EntryOpen();
    entryControl = nullptr;
    entryParameter = nullptr;
    entryState = EntryState::EntryIdle;
    entryText.clear();
    if (entryWasOpen)
        TextEntryClosed(nullptr, nullptr, nullptr);  // went with the window: its edit ends
    const bool sound = connection && !xcb_connection_has_error(connection);
    if (sound) {
        if (window && !windowGone)
            xcb_destroy_window(connection, window);
        if (gc)
            xcb_free_gc(connection, gc);
        for (std::uint32_t& cursor : shapeCursors) {
            if (cursor)
                xcb_free_cursor(connection, cursor);
            cursor = 0;
        }
        if (blankCursor)
            xcb_free_cursor(connection, blankCursor);
        if (cursorFont)
            xcb_close_font(connection, cursorFont);
    }
    ReleaseSharedMemory();
    if (connection) {
        // Disconnecting ends every resource of ours the server still holds;
        // the errors the requests above got, if the host's window went first,
        // are dropped with the connection. The round trip first: the host
        // talks to the server on a connection of its own, and once the editor
        // is closed its window must be gone for the host too, not in a moment.
        if (sound)
            std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        xcb_flush(connection);
        xcb_disconnect(connection);
    }
    for (std::uint32_t& cursor : shapeCursors)
        cursor = 0;
    connection = nullptr;
    window = 0;
    gc = 0;
    blankCursor = 0;
    cursorFont = 0;
    windowGone = false;
    viewable = false;
    shmBusy = false;
    lastClickValid = false;
    keysyms.clear();
    damage = Rect{};
    cursorShape = MouseCursor::Arrow;
}

bool IGraphicsX11::SetUpSharedMemory()
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!extension || !extension->present)
        return false;
    shmCompletionEvent = static_cast<std::uint8_t>(extension->first_event + XCB_SHM_COMPLETION);
    const std::size_t bytes = static_cast<std::size_t>(std::max(width, 1)) * std::max(height, 1) * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void* pixels = shmat(id, nullptr, 0);
    if (pixels == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    auto image = std::make_unique<SharedImage>();
    image->segment = xcb_generate_id(connection);
    image->pixels = pixels;
    image->bytes = bytes;
    xcb_generic_error_t* error =
        xcb_request_check(connection, xcb_shm_attach_checked(connection, image->segment, id, 0));
    // Marked for removal at once: the segment goes when the last of us and the
    // server lets go of it, whatever happens to this process.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        // A server on another machine sees no segment of ours.
        std::free(error);
        shmdt(pixels);
        return false;
    }
    sharedMemory = image.release();
    return true;
}

void IGraphicsX11::ReleaseSharedMemory()
{
    if (!sharedMemory)
        return;
    if (connection && !xcb_connection_has_error(connection))
        xcb_shm_detach(connection, sharedMemory->segment);
    shmdt(sharedMemory->pixels);
    delete sharedMemory;
    sharedMemory = nullptr;
    shmBusy = false;
}

void IGraphicsX11::ReadKeyboardMapping()
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    minKeycode = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr));
    keysyms.clear();
    keysymsPerKeycode = 0;
    if (!map)
        return;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
    keysyms.assign(syms, syms + length);
    keysymsPerKeycode = map->keysyms_per_keycode;
}

std::uint32_t IGraphicsX11::KeysymAt(std::uint8_t keycode, int column) const
{
    if (keycode < minKeycode || column < 0 || column >= keysymsPerKeycode)
        return 0;
    const std::size_t at = static_cast<std::size_t>(keycode - minKeycode) * keysymsPerKeycode + column;
    return at < keysyms.size() ? keysyms[at] : 0;
}

void IGraphicsX11::Damage(const Rect& rect)
{
    const Rect all{0, 0, width, height};
    damage = damage.Union(rect.Intersection(all));
}

void IGraphicsX11::Idle()
{
    if (!connection)
        return;
    // Everything queued, then one pass over it: a run of pointer motions is
    // delivered as its last one, which carries the whole movement.
    std::vector<Reply<xcb_generic_event_t>> events;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
        events.emplace_back(event);
    for (std::size_t i = 0; i < events.size() && connection; ++i) {
        const std::uint8_t type = events[i]->response_type & 0x7f;
        if (type == XCB_MOTION_NOTIFY && i + 1 < events.size() &&
            (events[i + 1]->response_type & 0x7f) == XCB_MOTION_NOTIFY)
            continue;
        Dispatch(events[i].get());
    }
    if (!connection)
        return;
    if (xcb_connection_has_error(connection) || windowGone) {
        // The server went away, or the host destroyed its window with ours.
        TearDown();
        return;
    }
    RedrawTick(false);
    xcb_flush(connection);
}

void IGraphicsX11::Dispatch(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const std::uint8_t type = event->response_type & 0x7f;
    switch (type) {
    case 0: {
        // The host destroyed its window before closing the editor: the
        // requests since then meet no window.
        const auto* error = static_cast<const xcb_generic_error_t*>(raw);
        if (error->error_code == XCB_WINDOW && error->resource_id == window)
            windowGone = true;
        return;
    }
    case XCB_EXPOSE: {
        const auto* e = static_cast<const xcb_expose_event_t*>(raw);
        viewable = true;
        Damage(Rect{e->x, e->y, e->x + e->width, e->y + e->height});
        return;
    }
    case XCB_BUTTON_PRESS:
        HandleButtonPress(static_cast<const xcb_button_press_event_t*>(raw));
        return;
    case XCB_BUTTON_RELEASE:
        HandleButtonRelease(static_cast<const xcb_button_press_event_t*>(raw));
        return;
    case XCB_MOTION_NOTIFY:
        HandleMotion(static_cast<const xcb_motion_notify_event_t*>(raw));
        return;
    case XCB_LEAVE_NOTIFY: {
        const auto* e = static_cast<const xcb_leave_notify_event_t*>(raw);
        if (e->mode == XCB_NOTIFY_MODE_GRAB || e->mode == XCB_NOTIFY_MODE_UNGRAB) {
            // The button's grab ended before its release reached us (the
            // window went off screen), or someone took the pointer: the drag
            // ends here, with its end of edit. A release ends the grab after
            // it is delivered, so a finished drag has no capture left.
            if (captureIndex >= 0)
                ReleaseCapture();
            if (cursorHidden)
                RestoreCursor();
        } else if (e->mode == XCB_NOTIFY_MODE_NORMAL && e->detail != XCB_NOTIFY_DETAIL_INFERIOR) {
            if (captureIndex < 0) {
                RouteMouseOut();
                return;
            }
            // Mid-drag the pointer may leave; but when the host hid its window
            // the window left the pointer, and no release will come.
            Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
                viewable = false;
                ReleaseCapture();
                if (cursorHidden)
                    RestoreCursor();
            }
        }
        return;
    }
    case XCB_KEY_PRESS:
        HandleKeyPress(static_cast<const xcb_key_press_event_t*>(raw));
        return;
    case XCB_KEY_RELEASE:
        if (!(EntryOpen() && entryState == EntryState::EntryEditing))
            ForwardKeyToHost(static_cast<const xcb_key_press_event_t*>(raw));
        return;
    case XCB_FOCUS_OUT: {
        const auto* e = static_cast<const xcb_focus_out_event_t*>(raw);
        // Leaving the box commits, as on Windows; a grab's passing focus
        // changes are no leaving.
        if (EntryOpen() && entryState == EntryState::EntryEditing && e->mode != XCB_NOTIFY_MODE_GRAB &&
            e->mode != XCB_NOTIFY_MODE_UNGRAB && e->detail != XCB_NOTIFY_DETAIL_INFERIOR &&
            e->detail != XCB_NOTIFY_DETAIL_POINTER)
            entryState = EntryState::EntryCommit;
        return;
    }
    case XCB_DESTROY_NOTIFY:
        if (static_cast<const xcb_destroy_notify_event_t*>(raw)->window == window)
            windowGone = true;
        return;
    case XCB_UNMAP_NOTIFY:
        if (static_cast<const xcb_unmap_notify_event_t*>(raw)->window == window) {
            viewable = false;
            if (captureIndex >= 0)
                ReleaseCapture();
            if (cursorHidden)
                RestoreCursor();
        }
        return;
    case XCB_CONFIGURE_NOTIFY: {
        const auto* e = static_cast<const xcb_configure_notify_event_t*>(raw);
        if (e->window == window) {
            windowX = e->x;
            windowY = e->y;
        }
        return;
    }
    case XCB_MAPPING_NOTIFY:
        if (static_cast<const xcb_mapping_notify_event_t*>(raw)->request != XCB_MAPPING_POINTER)
            ReadKeyboardMapping();
        return;
    default:
        if (sharedMemory && type == shmCompletionEvent)
            shmBusy = false;
        return;
    }
}

void IGraphicsX11::HandleButtonPress(const xcb_button_press_event_t* e)
{
    const int x = e->event_x;
    const int y = e->event_y;
    MouseModifiers mods = ModifiersOf(e->state);
    // The state is the one before this press: the pressed button is held now.
    mods.left = mods.left || e->detail == XCB_BUTTON_INDEX_1;
    mods.right = mods.right || e->detail == XCB_BUTTON_INDEX_3;
    const bool wheel = e->detail == XCB_BUTTON_INDEX_4 || e->detail == XCB_BUTTON_INDEX_5;
    if (!wheel && e->detail > XCB_BUTTON_INDEX_3)
        return;  // sideways wheel and extra buttons
    if (EntryOpen()) {
        if (entryState == EntryState::EntryEditing) {
            // A click in the box places the caret; a left or right click
            // elsewhere in the editor cancels.
            if (wheel || e->detail == XCB_BUTTON_INDEX_2)
                return;
            if (EntryBoxRect().Contains(x, y))
                EntryClick(x);
            else
                entryState = EntryState::EntryCancel;
            return;
        }
        entryState = wheel ? EntryState::EntryCancel : EntryState::EntryCommit;
        return;
    }
    if (wheel) {
        // One step per notch, as a 120-unit Windows wheel message gives.
        RouteWheel(x, y, mods, e->detail == XCB_BUTTON_INDEX_4 ? 1 : -1);
        return;
    }
    if (e->detail == XCB_BUTTON_INDEX_1) {
        const std::uint32_t elapsed = e->time - lastClickTime;
        if (lastClickValid && elapsed <= static_cast<std::uint32_t>(doubleClickTime) &&
            std::abs(x - lastClickX) <= doubleClickDistance && std::abs(y - lastClickY) <= doubleClickDistance) {
            // The third click starts afresh, as on Windows. The button's own
            // grab holds the pointer for a control that took it as a click.
            lastClickValid = false;
            RouteDoubleClick(x, y, mods);
            return;
        }
        lastClickValid = true;
        lastClickTime = e->time;
        lastClickX = x;
        lastClickY = y;
    } else {
        lastClickValid = false;
    }
    // The press grabs the pointer for this window until the last button goes
    // up: that grab is the drag's capture.
    RouteMouseDown(x, y, mods);
    if (dynamic_cast<IKnobControl*>(ControlAt(captureIndex)))
        HideCursor();
}

void IGraphicsX11::HandleButtonRelease(const xcb_button_press_event_t* e)
{
    if (e->detail < XCB_BUTTON_INDEX_1 || e->detail > XCB_BUTTON_INDEX_3)
        return;
    if (EntryOpen() && entryState == EntryState::EntryEditing)
        return;
    MouseModifiers mods = ModifiersOf(e->state);
    // The state still holds the released button: it is up now.
    mods.left = mods.left && e->detail != XCB_BUTTON_INDEX_1;
    mods.right = mods.right && e->detail != XCB_BUTTON_INDEX_3;
    RouteMouseUp(e->event_x, e->event_y, mods);
    if (cursorHidden)
        RestoreCursor();
}

void IGraphicsX11::HandleMotion(const xcb_motion_notify_event_t* e)
{
    if (EntryOpen() && entryState == EntryState::EntryEditing)
        return;
    const MouseModifiers mods = ModifiersOf(e->state);
    if (mods.left || mods.right) {
        if (captureIndex >= 0 && !EntryOpen())
            RouteMouseDrag(e->event_x, e->event_y, mods);
        return;
    }
    RouteMouseOver(e->event_x, e->event_y, mods);
}

void IGraphicsX11::HandleKeyPress(const xcb_key_press_event_t* e)
{
    if (EntryOpen() && entryState == EntryState::EntryEditing) {
        EntryKey(e);
        return;
    }
    // The key's own symbol, whatever the modifiers; on layouts whose digits
    // are shifted the digit is the second one.
    int code = KeyCodeFor(KeysymAt(e->detail, 0));
    if (code < 0) {
        const std::uint32_t shifted = KeysymAt(e->detail, 1);
        if (shifted >= '0' && shifted <= '9')
            code = KeyCodeFor(shifted);
    }
    if (code >= 0 && RouteKeyDown(e->event_x, e->event_y, static_cast<KeyCode>(code)))
        return;
    ForwardKeyToHost(e);
}

void IGraphicsX11::ForwardKeyToHost(const xcb_key_press_event_t* e)
{
    // The key came to this window because the pointer is over it; the host's
    // window would have had it otherwise, and its shortcuts must work while the
    // mouse is over the editor.
    xcb_key_press_event_t copy = *e;
    copy.event = parentWindow;
    copy.child = window;
    copy.event_x = static_cast<std::int16_t>(e->event_x + windowX);
    copy.event_y = static_cast<std::int16_t>(e->event_y + windowY);
    char bytes[32] = {};
    std::memcpy(bytes, &copy, sizeof copy < sizeof bytes ? sizeof copy : sizeof bytes);
    const std::uint32_t mask =
        (e->response_type & 0x7f) == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE;
    xcb_send_event(connection, 1, parentWindow, mask, bytes);
    // Now, not with the next frame: the host's shortcut should not wait for our idle call.
    xcb_flush(connection);
}

void IGraphicsX11::RedrawTick(bool force)
{
    if (!window || windowGone || !viewable)
        return;  // nothing on screen: the controls stay dirty for the first expose
    if (EntryOpen() && (entryState == EntryState::EntryCancel || entryState == EntryState::EntryCommit)) {
        // Nothing else is redrawn in this tick, as on Windows; the box's place
        // is painted at the next.
        CloseEntryBox(entryState == EntryState::EntryCommit);
        return;
    }
    if (EntryOpen() && entryState == EntryState::EntryRedrawn) {
        entryState = EntryState::EntryIdle;
        return;
    }
    // The controls at most once per timer period of the Windows window, however
    // often the host idles; what the server asks to be repainted at once.
    const long long now = NowMicros();
    const long long period = 1000LL * static_cast<long long>(std::max(1, 1000 / std::max(1, framesPerSecond)));
    const bool due = force || now - lastTickMicros >= period;
    Rect region = damage;
    if (due) {
        Rect dirty;
        if (CollectDirtyRect(dirty)) {
            region = region.Union(dirty);
            if (EntryOpen() && entryState != EntryState::EntryEditing)
                entryState = EntryState::EntryRedrawn;
        }
        lastTickMicros = now;
    }
    damage = Rect{};
    if (!region.IsEmpty())
        PaintRegion(region);
    else if (EntryOpen() && entryDirty)
        Present(EntryBoxRect());
}

bool IGraphicsX11::Present(const Rect& rect)
{
    if (!connection || !window || windowGone || !drawSurface)
        return false;
    const Rect all{0, 0, width, height};
    Rect r = rect.Intersection(all);
    if (EntryOpen() && r.Intersects(EntryBoxRect())) {
        // The box is drawn over whatever was painted beneath it.
        DrawEntryBox();
        r = r.Union(EntryBoxRect().Intersection(all));
    }
    if (r.Width() <= 0 || r.Height() <= 0)
        return true;
    const RasterPixel* pixels = drawSurface->PixelData();
    const int stride = drawSurface->RowStride();
    if (!pixels || drawSurface->PixelWidth() < width || drawSurface->PixelHeight() < height)
        return false;
    const auto copyRow = [this](std::uint32_t* to, const RasterPixel* from, int count) {
        if (!swapBytes) {
            std::memcpy(to, from, static_cast<std::size_t>(count) * 4);
            return;
        }
        for (int i = 0; i < count; ++i)
            to[i] = __builtin_bswap32(from[i]);
    };
    if (sharedMemory && sharedMemory->bytes >= static_cast<std::size_t>(width) * height * 4) {
        if (shmBusy) {
            // The server may still be reading the last frame: a round trip
            // makes sure it is done before the rows are overwritten.
            std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
            shmBusy = false;
        }
        auto* frame = static_cast<std::uint32_t*>(sharedMemory->pixels);
        for (int y = r.top; y < r.bottom; ++y)
            copyRow(frame + static_cast<std::size_t>(y) * width + r.left,
                    pixels + static_cast<std::size_t>(y) * stride + r.left, r.Width());
        xcb_shm_put_image(connection, window, gc, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                          static_cast<std::uint16_t>(r.left), static_cast<std::uint16_t>(r.top),
                          static_cast<std::uint16_t>(r.Width()), static_cast<std::uint16_t>(r.Height()),
                          static_cast<std::int16_t>(r.left), static_cast<std::int16_t>(r.top), depth,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, 1, sharedMemory->segment, 0);
        shmBusy = true;
    } else {
        // As many rows per request as the server takes.
        const std::size_t limit = static_cast<std::size_t>(xcb_get_maximum_request_length(connection)) * 4;
        const std::size_t rowBytes = static_cast<std::size_t>(r.Width()) * 4;
        const int rowsPerRequest = static_cast<int>(std::max<std::size_t>(1, (limit - 64) / rowBytes));
        for (int y = r.top; y < r.bottom; y += rowsPerRequest) {
            const int rows = std::min(rowsPerRequest, r.bottom - y);
            rowBuffer.resize(static_cast<std::size_t>(rows) * r.Width());
            for (int i = 0; i < rows; ++i)
                copyRow(rowBuffer.data() + static_cast<std::size_t>(i) * r.Width(),
                        pixels + static_cast<std::size_t>(y + i) * stride + r.left, r.Width());
            xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, static_cast<std::uint16_t>(r.Width()),
                          static_cast<std::uint16_t>(rows), static_cast<std::int16_t>(r.left),
                          static_cast<std::int16_t>(y), 0, depth, static_cast<std::uint32_t>(rows * rowBytes),
                          reinterpret_cast<const std::uint8_t*>(rowBuffer.data()));
        }
    }
    ++framesPresented;
    xcb_flush(connection);
    return true;
}

void IGraphicsX11::CancelTextEntry()
{
    if (EntryOpen())
        entryState = EntryState::EntryCancel;
}

void IGraphicsX11::ChangeEditorSize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    IGraphics::ChangeEditorSize(newWidth, newHeight);
    if (!connection || !window || windowGone)
        return;
    // The host is asked to make room; a host that refuses still gets an
    // editor of the new size inside its window, clipped by it if need be.
    if (plugin)
        plugin->HostResizeEditor(width, height);
    const std::uint32_t size[] = {static_cast<std::uint32_t>(std::max(width, 1)),
                                  static_cast<std::uint32_t>(std::max(height, 1))};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    if (sharedMemory && sharedMemory->bytes < static_cast<std::size_t>(width) * height * 4) {
        ReleaseSharedMemory();
        SetUpSharedMemory();
    }
    Damage(Rect{0, 0, width, height});
    xcb_flush(connection);
}

}  // namespace kestrelon
