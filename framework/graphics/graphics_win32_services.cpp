// The platform services of the Windows editor: message boxes owned by the
// host's main window, popup menus, well-known folders, file and colour
// dialogs, web links, the clipboard and hiding the cursor during a drag.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/graphics/graphics_win32.h"
#include "framework/graphics/popup_menu.h"

namespace kestrelon {

namespace {

constexpr std::size_t kFolderBytes = 256;

// UTF-8 of a folder, at most 256 bytes and without a trailing backslash.
std::string FolderText(const wchar_t* wide)
{
    std::string folder = Windows_UTF_Converter::WideToUtf8(wide);
    if (folder.size() > kFolderBytes) {
        std::size_t cut = kFolderBytes;
        while (cut > 0 && (static_cast<unsigned char>(folder[cut]) & 0xC0) == 0x80)
            --cut;  // never half a character
        folder.resize(cut);
    }
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return FolderText(path);
}

// The module's folder with its final backslash, or empty.
std::string ModuleFolder(HMODULE module)
{
    wchar_t path[256] = {};
    const DWORD units = GetModuleFileNameW(module, path, 256);
    if (units == 0 || units >= 256)
        return std::string();
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash || slash[1] == L'\0')
        return std::string();
    slash[1] = L'\0';
    return Windows_UTF_Converter::WideToUtf8(path);
}

// Builds the native menu: each menu reserves one id per item first, then its
// submenus take the ids after that, in item order.
HMENU BuildMenu(const PopupMenu& menu, int& nextId)
{
    HMENU native = CreatePopupMenu();
    const int firstId = nextId;
    nextId += static_cast<int>(menu.items.size());
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const PopupMenuItem& item = menu.items[i];
        const std::wstring text = Windows_UTF_Converter::Utf8ToWide(PopupItemText(menu, static_cast<int>(i)));
        if (item.flags & PopupMenuItem::kSeparator) {
            AppendMenuW(native, MF_SEPARATOR, 0, nullptr);
        } else if (item.submenu) {
            HMENU sub = BuildMenu(*item.submenu, nextId);
            AppendMenuW(native, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text.c_str());
        } else {
            UINT flags = MF_STRING;
            if (item.flags & PopupMenuItem::kGreyed)
                flags |= MF_GRAYED;
            if (item.flags & PopupMenuItem::kDisabled)
                flags |= MF_DISABLED;
            if (item.flags & PopupMenuItem::kChecked)
                flags |= MF_CHECKED;
            AppendMenuW(native, flags, static_cast<UINT_PTR>(firstId + static_cast<int>(i)), text.c_str());
        }
    }
    return native;
}

// Walks the menus in the order BuildMenu numbered them; the menu holding id,
// with chosenIndex set, or null.
PopupMenu* FindChosen(PopupMenu& menu, int id, int& nextId)
{
    const int firstId = nextId;
    nextId += static_cast<int>(menu.items.size());
    if (id >= firstId && id < nextId) {
        menu.chosenIndex = id - firstId;
        return &menu;
    }
    for (PopupMenuItem& item : menu.items)
        if (item.submenu)
            if (PopupMenu* found = FindChosen(*item.submenu, id, nextId))
                return found;
    return nullptr;
}

UINT_PTR CALLBACK ColourHook(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        if (choose && choose->lCustData)
            SetWindowTextA(dialog, reinterpret_cast<const char*>(choose->lCustData));
    }
    return 0;
}

}  // namespace

void* IGraphicsWin::FindHostMainWindow()
{
    if (hostMainWindow)
        return hostMainWindow;
    if (window) {
        HWND top = static_cast<HWND>(window);
        while (HWND up = GetParent(top))
            top = up;
        char name[129] = {};
        GetClassNameA(top, name, 128);
        hostMainClass = name;
        hostMainWindow = top;
        return hostMainWindow;
    }
    if (hostMainClass.empty())
        return nullptr;
    struct Search {
        IGraphicsWin* self;
        DWORD process;
        HWND found;
    } search{this, processId, nullptr};
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            char name[129] = {};
            if (owner == s->process && GetClassNameA(candidate, name, 128) &&
                s->self->hostMainClass == std::string(name)) {
                s->found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    hostMainWindow = search.found;
    return hostMainWindow;
}

int IGraphicsWin::ShowMessage(const char* text, const char* caption, int type)
{
    return MessageBoxA(static_cast<HWND>(FindHostMainWindow()), text ? text : "", caption ? caption : "",
                       static_cast<UINT>(type));
}

PopupMenu* IGraphicsWin::ShowPopupMenu(PopupMenu& menu, const Rect& rect)
{
    ForgetCapture();
    HWND hwnd = static_cast<HWND>(window);
    if (!hwnd)
        return nullptr;
    int nextId = 0;
    HMENU native = BuildMenu(menu, nextId);
    POINT at{rect.left, rect.bottom};
    ClientToScreen(hwnd, &at);
    PopupMenu* chosen = nullptr;
    if (TrackPopupMenu(native, TPM_LEFTBUTTON, at.x, at.y, 0, hwnd, nullptr)) {
        MSG msg;
        if (PeekMessageA(&msg, hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE) && HIWORD(msg.wParam) == 0) {
            int walk = 0;
            chosen = FindChosen(menu, LOWORD(msg.wParam), walk);
        }
    }
    DestroyMenu(native);
    const RECT all{0, 0, width, height};
    InvalidateRect(hwnd, &all, FALSE);
    return chosen;
}

std::string IGraphicsWin::HostDirectory()
{
    return ModuleFolder(nullptr);
}

std::string IGraphicsWin::PluginDirectory()
{
    return ModuleFolder(static_cast<HMODULE>(module));
}

std::string IGraphicsWin::DesktopDirectory()
{
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOP, FALSE))
        return std::string();
    return FolderText(path);
}

std::string IGraphicsWin::DocumentsDirectory()
{
    return ShellFolder(CSIDL_PERSONAL);
}

std::string IGraphicsWin::AppDataDirectory(bool shared)
{
    return ShellFolder(shared ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA);
}

std::string IGraphicsWin::UserAppDataDirectory()
{
    return AppDataDirectory(false);
}

void IGraphicsWin::AskForFile(std::string& file, int action, std::string& directory, const char* extensions)
{
    if (!window) {
        file.clear();
        return;
    }
    char path[256] = {};
    std::snprintf(path, sizeof path, "%s", file.c_str());
    if (directory.empty())
        directory = DesktopDirectory();

    // "fxp fxb" filters on "*.fxp;*.fxb", shown as its own description.
    std::string filter, defaultExtension;
    for (const char* p = extensions ? extensions : ""; *p;) {
        while (*p == ' ')
            ++p;
        const char* end = p;
        while (*end && *end != ' ')
            ++end;
        if (end > p) {
            if (defaultExtension.empty())
                defaultExtension.assign(p, end);
            if (!filter.empty())
                filter += ';';
            filter += "*.";
            filter.append(p, end);
        }
        p = end;
    }
    // Lists beyond the dialog's buffers are refused rather than cut: a cut
    // pattern would offer files the caller did not ask for.
    if (filter.size() >= 256 || defaultExtension.size() >= 16) {
        file.clear();
        return;
    }
    std::vector<char> filterBuffer;
    if (!filter.empty()) {
        filterBuffer.assign(filter.begin(), filter.end());
        filterBuffer.push_back('\0');
        filterBuffer.insert(filterBuffer.end(), filter.begin(), filter.end());
        filterBuffer.push_back('\0');
        filterBuffer.push_back('\0');
    }

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = static_cast<HWND>(window);
    dialog.lpstrFilter = filterBuffer.empty() ? nullptr : filterBuffer.data();
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof(path) - 1;
    dialog.lpstrInitialDir = directory.c_str();
    dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    BOOL confirmed;
    if (action == 1) {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
        confirmed = GetSaveFileNameA(&dialog);
    } else {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        confirmed = GetOpenFileNameA(&dialog);
    }
    if (!confirmed) {
        file.clear();
        return;
    }
    file = path;
    char drive[_MAX_DRIVE] = {}, folder[_MAX_DIR] = {};
    _splitpath(path, drive, folder, nullptr, nullptr);
    char joined[256];
    std::snprintf(joined, sizeof joined, "%s%s", drive, folder);
    directory = joined;
}

bool IGraphicsWin::AskForColour(Colour& colour, const char* prompt)
{
    if (!window)
        return false;
    if (!customColours)
        customColours = new std::uint32_t[16]();
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = static_cast<HWND>(window);
    choose.rgbResult = RGB(colour.red, colour.green, colour.blue);
    choose.lpCustColors = reinterpret_cast<COLORREF*>(customColours);
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_SOLIDCOLOR | CC_ANYCOLOR;
    choose.lpfnHook = ColourHook;
    choose.lCustData = reinterpret_cast<LPARAM>(prompt);
    if (!ChooseColorA(&choose))
        return false;
    colour.red = GetRValue(choose.rgbResult);
    colour.green = GetGValue(choose.rgbResult);
    colour.blue = GetBValue(choose.rgbResult);
    return true;
}

bool IGraphicsWin::LaunchUrl(const char* url, const char* title, const char* confirmText, const char* errorText)
{
    HWND owner = static_cast<HWND>(window);
    if (confirmText && MessageBoxA(owner, confirmText, title ? title : "", MB_YESNO) != IDYES)
        return false;
    DWORD state = 0;
    if (url && InternetGetConnectedState(&state, 0) &&
        reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", url, nullptr, nullptr, SW_SHOWNORMAL)) > 32)
        return true;
    if (errorText)
        MessageBoxA(owner, errorText, title ? title : "", MB_OK);
    return false;
}

bool IGraphicsWin::ClipboardText(std::string& out)
{
    out.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(static_cast<HWND>(window)))
        return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            out = WideToUtf8(wide);
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return found;
}

void IGraphicsWin::HideCursor()
{
    if (cursorHidden)
        return;
    POINT p;
    GetCursorPos(&p);
    cursorX = p.x;
    cursorY = p.y;
    ShowCursor(FALSE);
    cursorHidden = true;
}

void IGraphicsWin::RestoreCursor()
{
    if (!cursorHidden)
        return;
    SetCursorPos(cursorX, cursorY);
    ShowCursor(TRUE);
    cursorHidden = false;
}

void IGraphicsWin::SetMouseCursor(MouseCursor cursor)
{
    LPCSTR shape = IDC_ARROW;
    switch (cursor) {
    case MouseCursor::SizeNWSE:
        shape = IDC_SIZENWSE;
        break;
    case MouseCursor::SizeWE:
        shape = IDC_SIZEWE;
        break;
    case MouseCursor::SizeNS:
        shape = IDC_SIZENS;
        break;
    default:
        break;
    }
    SetCursor(LoadCursorA(nullptr, shape));
}

}  // namespace kestrelon
