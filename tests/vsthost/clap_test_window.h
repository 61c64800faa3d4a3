// The CLAP test plug-in's editor: a plain window filled with one colour,
// inside the host's, that the plug-in sizes. Only its size matters to the
// tests. clap_test_window_x11.cpp makes it with xcb (a connection of its own,
// as a plug-in's editor has), clap_test_window_win32.cpp with Win32.
#pragma once

#include <cstdint>

namespace kestrelon {

namespace clap_test {

struct TestWindow;

// A child of `parent` (the X window id, or the HWND) of width x height
// pixels, shown; null when the window system refuses.
TestWindow* OpenTestWindow(std::uintptr_t parent, std::uint32_t width, std::uint32_t height);
void ResizeTestWindow(TestWindow* window, std::uint32_t width, std::uint32_t height);
// Destroys the window; returns once it is gone for every client.
void CloseTestWindow(TestWindow* window);

}  // namespace clap_test

}  // namespace kestrelon
