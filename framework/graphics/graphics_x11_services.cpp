// The platform services of the X11 editor: the desktop's double-click
// settings, the pointer shapes and hiding the pointer during a drag, the
// well-known folders from the XDG variables, and web links through xdg-open.
// X11 has no message box, popup menu, file or colour dialog of its own, so
// those answer as a closed window's do on Windows.
#include <dlfcn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "framework/graphics/graphics_x11.h"

namespace kestrelon {

namespace {

constexpr std::size_t kFolderBytes = 256;

// The glyphs of the server's cursor font.
constexpr std::uint16_t kGlyphLeftPointer = 68;
constexpr std::uint16_t kGlyphBottomRightCorner = 14;
constexpr std::uint16_t kGlyphHorizontalArrows = 108;
constexpr std::uint16_t kGlyphVerticalArrows = 116;

// UTF-8 of a folder, at most 256 bytes and without a trailing slash.
std::string FolderText(std::string folder)
{
    if (folder.size() > kFolderBytes) {
        std::size_t cut = kFolderBytes;
        while (cut > 0 && (static_cast<unsigned char>(folder[cut]) & 0xC0) == 0x80)
            --cut;  // never half a character
        folder.resize(cut);
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string Home()
{
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) : std::string();
}

// An absolute folder out of the environment, or empty: relative values are
// to be ignored, as the XDG rules say.
std::string AbsoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

// A user folder out of user-dirs.dirs ("$HOME/..." or an absolute path),
// else the home folder's usual one.
std::string UserFolder(const char* key, const char* fallback)
{
    const std::string home = Home();
    if (home.empty())
        return std::string();
    std::string config = AbsoluteVariable("XDG_CONFIG_HOME");
    if (config.empty())
        config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    const std::string prefix = std::string(key) + "=\"";
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::size_t end = line.find('"', prefix.size());
        if (end == std::string::npos)
            break;
        const std::string value = line.substr(prefix.size(), end - prefix.size());
        if (value.compare(0, 6, "$HOME/") == 0)
            return FolderText(home + value.substr(5));
        if (!value.empty() && value[0] == '/')
            return FolderText(value);
        break;
    }
    return FolderText(home + "/" + fallback);
}

// The program's full path for exec, searched along PATH here so that nothing
// but exec is left to do after the fork.
std::string FindProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path && path[0] ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && dir[0] == '/') {
            const std::string candidate = dir + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return std::string();
}

std::uint32_t Read32(const std::uint8_t* p, bool msb)
{
    return msb ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
               : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

std::uint16_t Read16(const std::uint8_t* p, bool msb)
{
    return static_cast<std::uint16_t>(msb ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0]);
}

std::uint32_t Atom(xcb_connection_t* c, const char* name)
{
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const std::uint32_t atom = reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

}  // namespace

bool IGraphicsX11::ReadXSettingsDoubleClick(const std::uint8_t* data, std::size_t size, int& time, int& distance)
{
    // The settings manager's block: byte order, serial, count, then each
    // setting as type, name, serial and value, all padded to four bytes.
    if (!data || size < 12 || data[0] > 1)
        return false;
    const bool msb = data[0] == 1;
    const std::uint32_t count = Read32(data + 8, msb);
    const auto pad = [](std::uint64_t n) { return (n + 3) & ~std::uint64_t{3}; };
    std::uint64_t at = 12;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 4 > size)
            break;
        const std::uint8_t type = data[at];
        const std::uint16_t nameLength = Read16(data + at + 2, msb);
        at += 4;
        if (at + pad(nameLength) + 4 > size)
            break;
        const std::string name(reinterpret_cast<const char*>(data + at), nameLength);
        at += pad(nameLength) + 4;  // the name, then the last-change serial
        if (type == 0) {
            if (at + 4 > size)
                break;
            const auto value = static_cast<std::int32_t>(Read32(data + at, msb));
            at += 4;
            if (name == "Net/DoubleClickTime" && value >= 1 && value <= 5000)
                time = value;
            else if (name == "Net/DoubleClickDistance" && value >= 0 && value <= 100)
                distance = value;
        } else if (type == 1) {
            if (at + 4 > size)
                break;
            const std::uint32_t length = Read32(data + at, msb);
            at += 4 + pad(length);
        } else if (type == 2) {
            at += 8;
        } else {
            break;  // an unknown type: its length cannot be told
        }
    }
    return true;
}

void IGraphicsX11::ReadDesktopSettings()
{
    doubleClickTime = 400;
    doubleClickDistance = 5;
    int screen = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it), ++screen)
        if (it.data->root == rootWindow)
            break;
    char selectionName[32];
    std::snprintf(selectionName, sizeof selectionName, "_XSETTINGS_S%d", screen);
    const std::uint32_t selection = Atom(connection, selectionName);
    const std::uint32_t settings = Atom(connection, "_XSETTINGS_SETTINGS");
    if (selection == XCB_ATOM_NONE || settings == XCB_ATOM_NONE)
        return;  // no settings manager ever ran on this display
    auto* owner = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const std::uint32_t manager = owner ? owner->owner : std::uint32_t{XCB_WINDOW_NONE};
    std::free(owner);
    if (manager == XCB_WINDOW_NONE)
        return;
    // At most 64 KiB; a manager gone meanwhile answers with an error, read here.
    auto* property = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, manager, settings, XCB_GET_PROPERTY_TYPE_ANY, 0, 16384), nullptr);
    if (!property)
        return;
    if (property->format == 8)
        ReadXSettingsDoubleClick(static_cast<const std::uint8_t*>(xcb_get_property_value(property)),
                                 static_cast<std::size_t>(xcb_get_property_value_length(property)), doubleClickTime,
                                 doubleClickDistance);
    std::free(property);
}

std::uint32_t IGraphicsX11::MakeCursor(MouseCursor shape)
{
    const int index = static_cast<int>(shape);
    if (index < 0 || index > 3)
        return XCB_NONE;
    if (shapeCursors[index])
        return shapeCursors[index];
    if (!cursorFont) {
        cursorFont = xcb_generate_id(connection);
        xcb_open_font(connection, cursorFont, 6, "cursor");
    }
    static constexpr std::uint16_t kGlyphs[] = {kGlyphLeftPointer, kGlyphBottomRightCorner, kGlyphHorizontalArrows,
                                                kGlyphVerticalArrows};
    const std::uint16_t glyph = kGlyphs[index];
    shapeCursors[index] = xcb_generate_id(connection);
    xcb_create_glyph_cursor(connection, shapeCursors[index], cursorFont, cursorFont, glyph,
                            static_cast<std::uint16_t>(glyph + 1), 0, 0, 0, 0xffff, 0xffff, 0xffff);
    return shapeCursors[index];
}

void IGraphicsX11::ApplyCursor()
{
    if (!connection || !window || windowGone)
        return;
    if (cursorHidden && !blankCursor) {
        // A cursor of one pixel that its mask leaves out.
        const std::uint32_t pixmap = xcb_generate_id(connection);
        xcb_create_pixmap(connection, 1, pixmap, window, 1, 1);
        const std::uint32_t clear = xcb_generate_id(connection);
        const std::uint32_t zero[] = {0};
        xcb_create_gc(connection, clear, pixmap, XCB_GC_FOREGROUND, zero);
        const xcb_rectangle_t all{0, 0, 1, 1};
        xcb_poly_fill_rectangle(connection, pixmap, clear, 1, &all);
        xcb_free_gc(connection, clear);
        blankCursor = xcb_generate_id(connection);
        xcb_create_cursor(connection, blankCursor, pixmap, pixmap, 0, 0, 0, 0, 0, 0, 0, 0);
        xcb_free_pixmap(connection, pixmap);
    }
    const std::uint32_t cursor[] = {cursorHidden ? blankCursor : MakeCursor(cursorShape)};
    xcb_change_window_attributes(connection, window, XCB_CW_CURSOR, cursor);
    xcb_flush(connection);
}

void IGraphicsX11::HideCursor()
{
    if (cursorHidden || !connection || !window || windowGone)
        return;
    if (auto* pointer = xcb_query_pointer_reply(connection, xcb_query_pointer(connection, rootWindow), nullptr)) {
        cursorX = pointer->root_x;
        cursorY = pointer->root_y;
        std::free(pointer);
    }
    cursorHidden = true;
    ApplyCursor();
}

void IGraphicsX11::RestoreCursor()
{
    if (!cursorHidden)
        return;
    cursorHidden = false;
    if (!connection || !window || windowGone || xcb_connection_has_error(connection))
        return;
    // The pointer comes back where the drag began, as on Windows.
    xcb_warp_pointer(connection, XCB_NONE, rootWindow, 0, 0, 0, 0, static_cast<std::int16_t>(cursorX),
                     static_cast<std::int16_t>(cursorY));
    ApplyCursor();
}

void IGraphicsX11::SetMouseCursor(MouseCursor cursor)
{
    if (cursor == cursorShape)
        return;
    cursorShape = cursor;
    if (!cursorHidden)
        ApplyCursor();
}

int IGraphicsX11::ShowMessage(const char*, const char*, int)
{
    return 0;  // no message box: the answer is none of the buttons
}

PopupMenu* IGraphicsX11::ShowPopupMenu(PopupMenu&, const Rect&)
{
    ForgetCapture();
    return nullptr;
}

std::string IGraphicsX11::FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 >= path.size())
        return std::string();
    return path.substr(0, slash + 1);
}

std::string IGraphicsX11::HostDirectory()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return std::string();
    return FolderOf(std::string(path, static_cast<std::size_t>(length)));
}

std::string IGraphicsX11::PluginDirectory()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&IGraphicsX11::FolderOf), &info) || !info.dli_fname)
        return std::string();
    char resolved[PATH_MAX] = {};
    if (!realpath(info.dli_fname, resolved))
        return FolderOf(info.dli_fname);
    return FolderOf(resolved);
}

std::string IGraphicsX11::DesktopDirectory()
{
    return UserFolder("XDG_DESKTOP_DIR", "Desktop");
}

std::string IGraphicsX11::DocumentsDirectory()
{
    return UserFolder("XDG_DOCUMENTS_DIR", "Documents");
}

std::string IGraphicsX11::AppDataDirectory(bool shared)
{
    if (shared) {
        // The first of the system's data folders.
        const char* dirs = std::getenv("XDG_DATA_DIRS");
        std::string first = dirs ? std::string(dirs).substr(0, std::string(dirs).find(':')) : std::string();
        return FolderText(!first.empty() && first[0] == '/' ? first : "/usr/local/share");
    }
    const std::string data = AbsoluteVariable("XDG_DATA_HOME");
    if (!data.empty())
        return FolderText(data);
    const std::string home = Home();
    return home.empty() ? std::string() : FolderText(home + "/.local/share");
}

std::string IGraphicsX11::UserAppDataDirectory()
{
    return AppDataDirectory(false);
}

void IGraphicsX11::AskForFile(std::string& file, int, std::string&, const char*)
{
    file.clear();  // no file dialog: as if cancelled
}

bool IGraphicsX11::AskForColour(Colour&, const char*)
{
    return false;
}

bool IGraphicsX11::LaunchUrl(const char* url, const char* title, const char* confirmText, const char* errorText)
{
    // There is no box to ask in, and no answer is a yes.
    if (confirmText && ShowMessage(confirmText, title, 0) != 1)
        return false;
    // A link that begins with '-' would be read by xdg-open as an option.
    const std::string opener = FindProgram("xdg-open");
    if (!url || !url[0] || url[0] == '-' || opener.empty()) {
        if (errorText)
            ShowMessage(errorText, title, 0);
        return false;
    }
    // No shell, so nothing in the link is interpreted; the opener runs in a
    // grandchild, so the host neither waits for it nor keeps a zombie of it.
    char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url), nullptr};
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execv(opener.c_str(), argv);
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IGraphicsX11::ClipboardText(std::string& out)
{
    // The CLIPBOARD selection is handed over by its owner in answer to a
    // request, and the owner is often the host itself, on this very thread:
    // waiting here for its answer would stop the host until a time-out, and
    // the editor has no loop of its own to wait in. So there is no text.
    out.clear();
    return false;
}

}  // namespace kestrelon
