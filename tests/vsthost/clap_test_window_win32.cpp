#include <windows.h>

#include "tests/vsthost/clap_test_window.h"

namespace kestrelon {

namespace clap_test {
namespace {

constexpr wchar_t kClassName[] = L"KestrelonClapTestGui";

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

struct TestWindow {
    HWND window = nullptr;
};

TestWindow* OpenTestWindow(std::uintptr_t parent, std::uint32_t width, std::uint32_t height)
{
    // Registered for each window and unregistered with it: the library may be
    // unloaded between editors, and its class must not outlive it.
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = ThisModule();
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, static_cast<int>(width),
                        static_cast<int>(height), reinterpret_cast<HWND>(parent), nullptr, ThisModule(), nullptr);
    if (!window) {
        UnregisterClassW(kClassName, ThisModule());
        return nullptr;
    }
    return new TestWindow{window};
}

void ResizeTestWindow(TestWindow* window, std::uint32_t width, std::uint32_t height)
{
    if (window)
        SetWindowPos(window->window, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CloseTestWindow(TestWindow* window)
{
    if (!window)
        return;
    DestroyWindow(window->window);
    UnregisterClassW(kClassName, ThisModule());
    delete window;
}

}  // namespace clap_test

}  // namespace kestrelon
