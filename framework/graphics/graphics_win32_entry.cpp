// The in-place text entry box: a child "EDIT" window over the control,
// subclassed to commit on Enter or focus loss and cancel on Escape; the
// commit or cancel takes effect at the next redraw tick.
#include <windows.h>

#include <cstring>

#include "framework/graphics/graphics_win32.h"
#include "framework/parameter.h"

namespace kestrelon {

namespace {

constexpr int kEntryBoxId = 99;

// [UI thread] The box's messages; the context is the user data of the box's
// parent, the editor window.
LRESULT CALLBACK EntryWindowProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* context = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(GetParent(box), GWLP_USERDATA));
    if (!context || context->EntryBox() != box)
        return DefWindowProcW(box, message, wParam, lParam);
    return static_cast<LRESULT>(context->HandleEntryMessage(box, message, wParam, lParam));
}

}  // namespace

void IGraphicsWin::OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect, const char* initialText,
                                 const IParameter* parameter)
{
    if (!control || entryBox || !window)
        return;
    DWORD boxStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL;
    if (style.align == TextAlign::AlignCentre)
        boxStyle |= ES_CENTER;
    else if (style.align == TextAlign::AlignRight)
        boxStyle |= ES_RIGHT;
    const std::wstring text = Utf8ToWide(initialText ? initialText : "");
    HWND box =
        CreateWindowExW(0, L"EDIT", text.c_str(), boxStyle, rect.left, rect.top, rect.Width() + 1, rect.Height() + 1,
                        static_cast<HWND>(window), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryBoxId)),
                        static_cast<HINSTANCE>(module), nullptr);
    if (!box)
        return;
    const std::wstring face = Utf8ToWide(style.face);
    HFONT font = CreateFontW(style.size, 0, 0, 0, style.style == FontStyle::StyleBold ? FW_BOLD : 0,
                             style.style == FontStyle::StyleItalic, 0, 0, 0, 0, 0, 0, 0, face.c_str());
    entryFont = font;
    entryBox = box;
    entryControl = control;
    entryParameter = parameter;
    SendMessageW(box, EM_LIMITTEXT, static_cast<WPARAM>(control->EntryLengthLimit()), 0);
    if (font)
        SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    SendMessageW(box, EM_SETSEL, 0, -1);
    entryPreviousProc = SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryWindowProc));
    SetFocus(box);
    TextEntryOpened(control);
}

std::intptr_t IGraphicsWin::HandleEntryMessage(void* handle, unsigned message, std::uintptr_t wParam,
                                               std::intptr_t lParam)
{
    HWND box = static_cast<HWND>(handle);
    auto previous = reinterpret_cast<WNDPROC>(entryPreviousProc);
    switch (message) {
    case WM_SETFOCUS:
        entryState = EntryState::EntryEditing;
        break;
    case WM_KILLFOCUS:
        // Clicking outside the editor commits.
        entryState = EntryState::EntryCommit;
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcW(previous, box, message, wParam, lParam);
        // A host's dialog must not take the Enter that commits a free text.
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (!entryParameter && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            entryState = EntryState::EntryCommit;
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            entryState = EntryState::EntryCancel;
            return 0;
        }
        break;
    case WM_CHAR:
        if (entryParameter && wParam != VK_BACK) {
            const bool digitOrSign = (wParam >= '0' && wParam <= '9') || wParam == '+' || wParam == '-';
            const bool point = wParam == '.' && entryParameter->Type() == ParamKind::KindContinuous;
            if (!digitOrSign && !point)
                return 0;
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == 1) {
            entryState = EntryState::EntryCommit;
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcW(previous, box, message, wParam, lParam);
}

void IGraphicsWin::CloseEntryBox(bool commit)
{
    HWND box = static_cast<HWND>(entryBox);
    std::string text;
    if (commit) {
        // At most 31 characters, as the box's buffer holds.
        wchar_t typed[32] = {};
        GetWindowTextW(box, typed, 32);
        text = WideToUtf8(typed);
    }
    SetWindowLongPtrW(box, GWLP_WNDPROC, entryPreviousProc);
    IControl* control = entryControl;
    const IParameter* parameter = entryParameter;
    DestroyWindow(box);
    if (entryFont)
        DeleteObject(static_cast<HFONT>(entryFont));
    entryFont = nullptr;
    entryBox = nullptr;
    entryControl = nullptr;
    entryParameter = nullptr;
    entryPreviousProc = 0;
    entryState = EntryState::EntryIdle;
    TextEntryClosed(control, parameter, commit ? text.c_str() : nullptr);
}

}  // namespace kestrelon
