#include <xcb/xcb.h>

#include <cstdlib>

#include "tests/vsthost/clap_test_window.h"

namespace kestrelon {

namespace clap_test {

struct TestWindow {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
};

TestWindow* OpenTestWindow(std::uintptr_t parent, std::uint32_t width, std::uint32_t height)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    auto* made = new TestWindow{connection, xcb_generate_id(connection)};
    // The server paints the background itself: the window shows its colour without drawing.
    const std::uint32_t background[] = {0x3060A0};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, made->window, static_cast<xcb_window_t>(parent), 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, background);
    xcb_map_window(connection, made->window);
    // A round trip: the server serves each client in its own order, and the
    // host looks for the window from its own connection next.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return made;
}

void ResizeTestWindow(TestWindow* window, std::uint32_t width, std::uint32_t height)
{
    if (!window)
        return;
    const std::uint32_t size[] = {width, height};
    xcb_configure_window(window->connection, window->window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    // A round trip, as at the opening.
    std::free(xcb_get_input_focus_reply(window->connection, xcb_get_input_focus(window->connection), nullptr));
}

void CloseTestWindow(TestWindow* window)
{
    if (!window)
        return;
    xcb_destroy_window(window->connection, window->window);
    // A round trip before the disconnect: the host may look for the window next.
    std::free(xcb_get_input_focus_reply(window->connection, xcb_get_input_focus(window->connection), nullptr));
    xcb_disconnect(window->connection);
    delete window;
}

}  // namespace clap_test

}  // namespace kestrelon
