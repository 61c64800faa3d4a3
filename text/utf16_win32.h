#pragma once

#include <string>
#include <string_view>

namespace kestrelon {

// Text is UTF-8 everywhere in the program; it becomes UTF-16 only at the wide
// Windows calls, through these two conversions. Windows builds only.
class Windows_UTF_Converter {
public:
    // The UTF-16 form of utf8. Malformed input gives U+FFFD for each bad
    // sequence, or, with strict set, the empty text. Empty when nothing
    // converts.
    static std::wstring Utf8ToWide(std::string_view utf8, bool strict = false);
    // The UTF-8 form of a zero-terminated UTF-16 text; empty for null or
    // when nothing converts.
    static std::string WideToUtf8(const wchar_t* wide);
};

}  // namespace kestrelon
