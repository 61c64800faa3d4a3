#include <windows.h>

#include "framework/graphics/graphics.h"
#include "framework/graphics/settings_file.h"
#include "text/utf16_win32.h"

namespace kestrelon {

namespace {

// The documents folder comes as UTF-8 and a user's profile folder may have any name: the paths
// reach Windows through its wide calls. The keys and values are ASCII.
std::wstring Wide(const std::string& utf8)
{
    return Windows_UTF_Converter::Utf8ToWide(utf8);
}

}  // namespace

std::string SettingsFolder(IGraphics& graphics)
{
    return graphics.DocumentsDirectory();
}

void MakeFolder(const std::string& path)
{
    CreateDirectoryW(Wide(path).c_str(), nullptr);
}

std::string ReadSetting(const std::string& file, const char* section, const char* key, const char* fallback)
{
    wchar_t value[128] = {};
    GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(fallback).c_str(), value, 128,
                             Wide(file).c_str());
    return Windows_UTF_Converter::WideToUtf8(value);
}

bool WriteSetting(const std::string& file, const char* section, const char* key, const std::string& value)
{
    return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                      Wide(file).c_str()) != 0;
}

}  // namespace kestrelon
