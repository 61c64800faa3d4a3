#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "tests/editor/settings_location.h"
#include "text/utf16_win32.h"

namespace kestrelon {

namespace editor_test {

std::string SettingsFile()
{
    wchar_t documents[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents);
    return Windows_UTF_Converter::WideToUtf8(documents) + "\\Lumen Pathway\\Kestrelon\\Settings.ini";
}

std::string SettingsText()
{
    std::ifstream in(Windows_UTF_Converter::Utf8ToWide(SettingsFile()).c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RemoveSettings()
{
    DeleteFileW(Windows_UTF_Converter::Utf8ToWide(SettingsFile()).c_str());
}

}  // namespace editor_test

}  // namespace kestrelon
