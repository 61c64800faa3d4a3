#include "text/utf16_win32.h"

#include <windows.h>

#include <climits>

namespace kestrelon {

std::wstring Windows_UTF_Converter::Utf8ToWide(std::string_view utf8, bool strict)
{
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX))
        return std::wstring();
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int length = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), length, nullptr, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_UTF8, flags, utf8.data(), length, wide.data(), units) != units)
        return std::wstring();
    return wide;
}

std::string Windows_UTF_Converter::WideToUtf8(const wchar_t* wide)
{
    if (!wide)
        return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return std::string();
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), bytes, nullptr, nullptr) != bytes)
        return std::string();
    utf8.resize(static_cast<std::size_t>(bytes - 1));  // without the terminator
    return utf8;
}

}  // namespace kestrelon
