// UTF-8 inside the tool, UTF-16 only at the wide Windows calls.
#pragma once

#include <string>

namespace vsthost {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const wchar_t* utf16);

}  // namespace vsthost
