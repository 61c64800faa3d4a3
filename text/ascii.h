#pragma once

#include <cstddef>
#include <string_view>

namespace kestrelon {

// ASCII-only case folding. File extensions, host names and option words are
// ASCII, and the process locale (a host's, or the user's) must never change
// what they match, so the C library's locale-aware tolower is not used.
constexpr char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

}  // namespace kestrelon
