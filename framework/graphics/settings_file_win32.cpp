#include <windows.h>

#include "framework/graphics/graphics.h"
#include "framework/graphics/settings_file.h"

namespace kestrelon {

std::string SettingsFolder(IGraphics& graphics)
{
    return graphics.DocumentsDirectory();
}

void MakeFolder(const std::string& path)
{
    CreateDirectoryA(path.c_str(), nullptr);
}

std::string ReadSetting(const std::string& file, const char* section, const char* key, const char* fallback)
{
    char value[128] = {};
    GetPrivateProfileStringA(section, key, fallback, value, sizeof value, file.c_str());
    return value;
}

bool WriteSetting(const std::string& file, const char* section, const char* key, const std::string& value)
{
    return WritePrivateProfileStringA(section, key, value.c_str(), file.c_str()) != 0;
}

}  // namespace kestrelon
