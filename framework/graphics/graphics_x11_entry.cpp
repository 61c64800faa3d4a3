// The entry box the X11 editor draws itself over the control, since X11 has
// no stock edit control: the control's entry colours, a caret, the text
// selected at opening and replaced by typing, backspace and delete, at most
// the control's entry length, and the Windows box's character filter for a
// box bound to a parameter. Enter or leaving the box commits, Escape or a
// click elsewhere in the editor cancels; either takes effect at the next tick.
#include <xcb/xcb.h>

#include <cstdlib>

#include "framework/graphics/graphics_x11.h"
#include "framework/parameter.h"

namespace kestrelon {

namespace {

constexpr std::uint32_t kKeyBackSpace = 0xff08;
constexpr std::uint32_t kKeyReturn = 0xff0d;
constexpr std::uint32_t kKeyEscape = 0xff1b;
constexpr std::uint32_t kKeyHome = 0xff50;
constexpr std::uint32_t kKeyLeft = 0xff51;
constexpr std::uint32_t kKeyRight = 0xff53;
constexpr std::uint32_t kKeyEnd = 0xff57;
constexpr std::uint32_t kKeyDelete = 0xffff;
constexpr std::uint32_t kKeypadEnter = 0xff8d;
constexpr std::uint32_t kKeypadFirst = 0xff80;
constexpr std::uint32_t kKeypadLast = 0xffbd;
// The text the Windows box hands over holds at most 31 characters.
constexpr std::size_t kMostDelivered = 31;
// The selection's colour, the desktop's usual highlight.
constexpr Colour kSelection{255, 51, 153, 255};

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CharacterCount(const std::string& text)
{
    std::size_t count = 0;
    for (char c : text)
        count += IsContinuation(c) ? 0 : 1;
    return count;
}

std::size_t PreviousBoundary(const std::string& text, std::size_t at)
{
    while (at > 0 && IsContinuation(text[--at])) {
    }
    return at;
}

std::size_t NextBoundary(const std::string& text, std::size_t at)
{
    if (at >= text.size())
        return text.size();
    ++at;
    while (at < text.size() && IsContinuation(text[at]))
        ++at;
    return at;
}

void AppendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character a key types: the shifted symbol with Shift (Caps Lock for
// letters, Num Lock for the keypad); 0 for keys that type nothing.
std::uint32_t TypedCharacter(std::uint32_t plain, std::uint32_t shifted, std::uint16_t state)
{
    const bool shift = (state & XCB_MOD_MASK_SHIFT) != 0;
    const bool caps = (state & XCB_MOD_MASK_LOCK) != 0;
    const bool numLock = (state & XCB_MOD_MASK_2) != 0;
    if (shifted == 0)
        shifted = plain;
    std::uint32_t symbol = shift ? shifted : plain;
    if (plain >= 'a' && plain <= 'z' && (shifted == 0 || shifted == plain - 32))
        symbol = (shift != caps) ? plain - 32 : plain;
    if (shifted >= kKeypadFirst && shifted <= kKeypadLast)
        symbol = (numLock != shift) ? shifted : plain;
    if ((symbol >= 0x20 && symbol <= 0x7e) || (symbol >= 0xa0 && symbol <= 0xff))
        return symbol;
    if (symbol >= 0x01000100 && symbol <= 0x0110ffff)
        return symbol & 0x00ffffff;  // the Unicode keysyms
    switch (symbol) {
    case 0xffaa:
        return '*';
    case 0xffab:
        return '+';
    case 0xffad:
        return '-';
    case 0xffae:
        return '.';
    case 0xffaf:
        return '/';
    case 0xffbd:
        return '=';
    default:
        break;
    }
    if (symbol >= 0xffb0 && symbol <= 0xffb9)
        return '0' + (symbol - 0xffb0);
    return 0;
}

}  // namespace

Rect IGraphicsX11::EntryBoxRect() const
{
    // One pixel wider and taller than the control, as the Windows box is.
    return Rect{entryRect.left, entryRect.top, entryRect.right + 1, entryRect.bottom + 1};
}

void IGraphicsX11::OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect, const char* initialText,
                                 const IParameter* parameter)
{
    if (!control || EntryOpen() || !window || windowGone)
        return;
    entryControl = control;
    entryParameter = parameter;
    entryStyle = style;
    entryRect = rect;
    entryText = initialText ? initialText : "";
    entrySelectionStart = 0;
    entrySelectionEnd = entryText.size();
    entryCaret = entryText.size();
    entryDirty = true;
    // The keys go to the box until it closes; the focus goes back to whoever
    // had it.
    focusBeforeEntry = XCB_INPUT_FOCUS_POINTER_ROOT;
    if (auto* focus = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)) {
        focusBeforeEntry = focus->focus;
        std::free(focus);
    }
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    entryState = EntryState::EntryEditing;
    xcb_flush(connection);
    TextEntryOpened(control);
}

void IGraphicsX11::EntryClick(int x)
{
    // The caret goes to the character boundary nearest the click.
    std::size_t best = 0;
    int bestDistance = std::abs(EntryCaretX(0) - x);
    for (std::size_t at = 0; at < entryText.size();) {
        at = NextBoundary(entryText, at);
        const int distance = std::abs(EntryCaretX(at) - x);
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
    }
    entryCaret = best;
    entrySelectionStart = entrySelectionEnd = best;
    entryDirty = true;
}

void IGraphicsX11::EntryKey(const xcb_key_press_event_t* e)
{
    const std::uint32_t plain = KeysymAt(e->detail, 0);
    const bool hasSelection = entrySelectionEnd > entrySelectionStart;
    const auto collapse = [this](std::size_t at) {
        entryCaret = at;
        entrySelectionStart = entrySelectionEnd = at;
        entryDirty = true;
    };
    switch (plain) {
    case kKeyReturn:
    case kKeypadEnter:
        entryState = EntryState::EntryCommit;
        return;
    case kKeyEscape:
        entryState = EntryState::EntryCancel;
        return;
    case kKeyBackSpace:
    case kKeyDelete:
        if (hasSelection) {
            entryText.erase(entrySelectionStart, entrySelectionEnd - entrySelectionStart);
            collapse(entrySelectionStart);
        } else if (plain == kKeyBackSpace && entryCaret > 0) {
            const std::size_t from = PreviousBoundary(entryText, entryCaret);
            entryText.erase(from, entryCaret - from);
            collapse(from);
        } else if (plain == kKeyDelete && entryCaret < entryText.size()) {
            entryText.erase(entryCaret, NextBoundary(entryText, entryCaret) - entryCaret);
            collapse(entryCaret);
        }
        return;
    case kKeyLeft:
        collapse(hasSelection ? entrySelectionStart : PreviousBoundary(entryText, entryCaret));
        return;
    case kKeyRight:
        collapse(hasSelection ? entrySelectionEnd : NextBoundary(entryText, entryCaret));
        return;
    case kKeyHome:
        collapse(0);
        return;
    case kKeyEnd:
        collapse(entryText.size());
        return;
    default:
        break;
    }
    if (e->state & XCB_MOD_MASK_CONTROL)
        return;  // shortcuts, not text
    const std::uint32_t c = TypedCharacter(plain, KeysymAt(e->detail, 1), e->state);
    if (c == 0)
        return;
    if (entryParameter) {
        // A number: digits and signs, and a decimal point for a continuous
        // parameter; anything else is dropped.
        const bool digitOrSign = (c >= '0' && c <= '9') || c == '+' || c == '-';
        const bool point = c == '.' && entryParameter->Type() == ParamKind::KindContinuous;
        if (!digitOrSign && !point)
            return;
    }
    std::string typed;
    AppendUtf8(typed, c);
    const std::size_t kept =
        CharacterCount(entryText) -
        CharacterCount(entryText.substr(entrySelectionStart, entrySelectionEnd - entrySelectionStart));
    const std::size_t limit =
        entryControl->EntryLengthLimit() > 0 ? static_cast<std::size_t>(entryControl->EntryLengthLimit()) : 0;
    if (kept + 1 > limit)
        return;  // full: the key is refused, as the Windows box refuses it
    const std::size_t at = hasSelection ? entrySelectionStart : entryCaret;
    if (hasSelection)
        entryText.erase(entrySelectionStart, entrySelectionEnd - entrySelectionStart);
    entryText.insert(at, typed);
    collapse(at + typed.size());
}

int IGraphicsX11::EntryCaretX(std::size_t position)
{
    const auto widthOf = [this](const std::string& text) {
        if (text.empty())
            return 0;
        TextStyle style = entryStyle;
        style.align = TextAlign::AlignLeft;
        Rect r;
        if (MeasureText(style, text.c_str(), r))
            return r.Width();
        // Without a font the text is not drawn either; the caret still moves
        // by a typical character width.
        return static_cast<int>(CharacterCount(text)) * entryStyle.size * 55 / 100;
    };
    const Rect box = EntryBoxRect();
    const int total = widthOf(entryText);
    int left = box.left + 1;
    if (entryStyle.align == TextAlign::AlignCentre)
        left = (box.left + box.right) / 2 - total / 2;
    else if (entryStyle.align == TextAlign::AlignRight)
        left = box.right - 2 - total;
    return left + widthOf(entryText.substr(0, position));
}

void IGraphicsX11::DrawEntryBox()
{
    entryDirty = false;
    if (!drawSurface)
        return;
    const Rect box = EntryBoxRect();
    FillRect(entryStyle.entryBackground, box);
    if (entrySelectionEnd > entrySelectionStart)
        FillRect(kSelection,
                 Rect{EntryCaretX(entrySelectionStart), box.top + 1, EntryCaretX(entrySelectionEnd), box.bottom - 1});
    TextStyle style = entryStyle;
    style.colour = entryStyle.entryText;
    style.align = TextAlign::AlignLeft;
    Rect textRect{EntryCaretX(0), box.top, box.right, box.bottom};
    DrawTextInRect(style, entryText.c_str(), textRect);
    const int caret = EntryCaretX(entryCaret);
    FillRect(entryStyle.entryText, Rect{caret, box.top + 2, caret + 1, box.bottom - 2});
}

void IGraphicsX11::CloseEntryBox(bool commit)
{
    std::string text = entryText;
    if (CharacterCount(text) > kMostDelivered) {
        std::size_t cut = 0;
        for (std::size_t n = 0; n < kMostDelivered; ++n)
            cut = NextBoundary(text, cut);
        text.resize(cut);
    }
    IControl* control = entryControl;
    const IParameter* parameter = entryParameter;
    Damage(EntryBoxRect());
    entryControl = nullptr;
    entryParameter = nullptr;
    entryText.clear();
    entryState = EntryState::EntryIdle;
    entryDirty = false;
    // The keyboard goes back to the window that had it, unless someone took
    // it meanwhile.
    if (auto* focus = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)) {
        if (focus->focus == window)
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT,
                                focusBeforeEntry ? focusBeforeEntry : std::uint32_t{XCB_INPUT_FOCUS_POINTER_ROOT},
                                XCB_CURRENT_TIME);
        std::free(focus);
    }
    TextEntryClosed(control, parameter, commit ? text.c_str() : nullptr);
}

}  // namespace kestrelon
