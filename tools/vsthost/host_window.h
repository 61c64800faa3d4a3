// The host's own top-level window that an effect's editor opens in, and the
// user's hands on it: mouse, wheel and keys sent to the editor's window, the
// window system run while the host waits, and screenshots of what the editor
// shows. host_window_win32.cpp implements it with Win32 and GDI (events posted
// to the editor's child window), host_window_x11.cpp with xcb.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

// The pixels of a screenshot, 0x00RRGGBB, row by row from the top.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

enum class MouseAction { Down, Move, Up, DoubleClick };

// What the window system holds for this process: windows, and where the
// platform can tell, its drawing objects. -1 for a count it cannot tell.
struct WindowResources {
    // What the platform calls them, for the report.
    const char* objectsName = "gdi";
    const char* contextsName = "device contexts";
    const char* imagesName = "bitmaps";
    int windows = 0;
    int gdiObjects = -1;  // every drawing object, of the kinds below and others
    int deviceContexts = -1;
    int bitmaps = -1;
    int fonts = -1;
    int userObjects = -1;
};

class HostWindow {
public:
    // A window of width x height client pixels at the screen's top left;
    // null with `error` set when there is no window system to make it on.
    static std::unique_ptr<HostWindow> Create(int width, int height, std::string& error);
    virtual ~HostWindow() = default;

    // What effEditOpen is given: the HWND on Windows, the X window id on X11.
    virtual void* ParentHandle() const = 0;
    // False once the window is destroyed.
    virtual bool Alive() const = 0;
    // The host destroys its window, whatever is inside it.
    virtual void Destroy() = 0;
    // audioMasterSizeWindow: the client area becomes width x height.
    virtual void Resize(int width, int height) = 0;
    virtual void ClientSize(int& width, int& height) const = 0;

    // Runs the window system for `milliseconds` (0: only what is pending),
    // calling `tick` every `tickMs` milliseconds meanwhile when given.
    virtual void Pump(int milliseconds, const std::function<void()>& tick, int tickMs) = 0;
    // Milliseconds from now until the editor's window first shows a frame,
    // pumping meanwhile (with `tick` as Pump); -1 when none came within
    // `limitMs`.
    virtual double WaitForFirstFrame(int limitMs, const std::function<void()>& tick, int tickMs) = 0;
    // Starts watching for the editor's first frame; call right before effEditOpen.
    virtual void WatchForFirstFrame() = 0;

    // Whether an editor window is inside ours now.
    virtual bool HasEditor() = 0;
    // Mouse events at editor pixel (x, y), the left button; shift as held.
    virtual bool Mouse(MouseAction action, int x, int y, bool shift, std::string& error) = 0;
    // Wheel turned by delta (120 a notch; negative toward the user) at (x, y).
    virtual bool Wheel(int x, int y, int delta, bool shift, std::string& error) = 0;
    // A key by name (KeyNames() lists them), pressed and released, sent to the
    // window that has the keyboard focus (the editor's when none).
    virtual bool Key(const std::string& name, std::string& error) = 0;
    // Characters as typed into the focused window.
    virtual bool Type(const std::string& text, std::string& error) = 0;
    // Whether the editor reads the input above in its effEditIdle rather than
    // when it is sent: the run then gives it one idle call after every input
    // step, as a host's idle timer would before the next user action.
    virtual bool InputArrivesAtIdle() const { return false; }
    // Returns once the display has handled every request sent so far (the
    // faked input among them); nothing to wait for where input is delivered
    // when it is sent.
    virtual void SyncWithDisplay() {}
    // The host grabs the mouse for itself (as when it starts a drag of its own)
    // and lets it go again.
    virtual void TakeMouseCapture() = 0;

    // The editor's window as shown on screen.
    virtual bool Capture(Screenshot& shot, std::string& error) = 0;
    virtual WindowResources Resources() = 0;
    // Whether the plug-in module (its handle, as the loader gave it) has a
    // window class of this name registered; false where the platform has no
    // classes.
    virtual bool ClassRegistered(const std::string& className, void* module) = 0;

    // Keys the host window itself received, in order, by name ("f5", "a").
    // The editor passes keys it does not use on to the host this way.
    std::vector<std::string> TakeHostKeys()
    {
        std::vector<std::string> keys;
        keys.swap(hostKeys);
        return keys;
    }

protected:
    std::vector<std::string> hostKeys;
};

// "space, enter, escape, tab, backspace, up, down, left, right, f1..f12, a..z, 0..9".
const char* KeyNames();

// Process CPU time (user and system) in seconds, for the editor's cost.
double ProcessCpuSeconds();
// The display server's CPU time in seconds, where the environment names it
// (KESTRELON_XSERVER_PID, set by the tests' virtual X server); -1 otherwise.
double DisplayServerCpuSeconds();

}  // namespace vsthost

}  // namespace kestrelon
