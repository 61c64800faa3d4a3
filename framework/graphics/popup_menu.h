#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

struct PopupMenu;

struct PopupMenuItem {
    enum Flags : int { kGreyed = 1, kDisabled = 2, kChecked = 4, kSeparator = 8 };

    std::string text;
    std::unique_ptr<PopupMenu> submenu;  // null for a plain item
    int flags = 0;
};

// A popup menu as the plug-in describes it. ShowPopupMenu sets chosenIndex
// in the menu that holds the chosen item and answers that menu.
struct PopupMenu {
    // 0: texts as they are; 1, 2, 3: prefixed with the 1-based position in
    // that many digits ("%1d: ", "%02d: ", "%03d: "), separators counting.
    int numbering = 0;
    int chosenIndex = -1;
    std::vector<PopupMenuItem> items;

    PopupMenuItem& Add(std::string text, int flags = 0)
    {
        items.push_back(PopupMenuItem{std::move(text), nullptr, flags});
        return items.back();
    }
};

// The text an item shows under the menu's numbering; position is 0-based.
std::string PopupItemText(const PopupMenu& menu, int position);

}  // namespace kestrelon
