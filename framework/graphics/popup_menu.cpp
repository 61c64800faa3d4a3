#include "framework/graphics/popup_menu.h"

#include <cstdio>

namespace kestrelon {

std::string PopupItemText(const PopupMenu& menu, int position)
{
    if (position < 0 || position >= static_cast<int>(menu.items.size()))
        return std::string();
    const std::string& text = menu.items[static_cast<std::size_t>(position)].text;
    const char* format = nullptr;
    switch (menu.numbering) {
    case 1:
        format = "%1d: ";
        break;
    case 2:
        format = "%02d: ";
        break;
    case 3:
        format = "%03d: ";
        break;
    default:
        return text;
    }
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, format, position + 1);
    return prefix + text;
}

}  // namespace kestrelon
