#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/editor/settings_location.h"

namespace kestrelon {

namespace editor_test {
namespace {

std::string ConfigFolder()
{
    static const std::string folder = [] {
        const std::string path = std::string(EDITOR_TEST_WORK_DIR) + "/config";
        std::filesystem::create_directories(path);
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        return path;
    }();
    return folder;
}

}  // namespace

std::string SettingsFile()
{
    return ConfigFolder() + "/Lumen Pathway/Kestrelon/Settings.ini";
}

std::string SettingsText()
{
    std::ifstream in(SettingsFile(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RemoveSettings()
{
    std::remove(SettingsFile().c_str());
}

}  // namespace editor_test

}  // namespace kestrelon
