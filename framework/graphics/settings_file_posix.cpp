#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "framework/graphics/settings_file.h"

namespace kestrelon {

namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Lines(const std::string& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// The line index of "key=" inside [section], or -1; sectionEnd gets the
// index after the section's last line (or -1 when there is no section).
int FindKey(const std::vector<std::string>& lines, const char* section, const char* key, int& sectionEnd)
{
    const std::string header = std::string("[") + section + "]";
    bool inside = false;
    sectionEnd = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const std::string line = Trimmed(lines[static_cast<std::size_t>(i)]);
        if (!line.empty() && line[0] == '[') {
            if (inside)
                return -1;
            inside = line == header;
            if (inside)
                sectionEnd = i + 1;
            continue;
        }
        if (!inside)
            continue;
        sectionEnd = i + 1;
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && Trimmed(line.substr(0, equals)) == key)
            return i;
    }
    return -1;
}

}  // namespace

std::string SettingsFolder(IGraphics&)
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return config;
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0')
        return std::string(home) + "/.config";
    return std::string();
}

void MakeFolder(const std::string& path)
{
    mkdir(path.c_str(), 0755);
}

std::string ReadSetting(const std::string& file, const char* section, const char* key, const char* fallback)
{
    const std::vector<std::string> lines = Lines(file);
    int sectionEnd = -1;
    const int at = FindKey(lines, section, key, sectionEnd);
    if (at < 0)
        return fallback;
    const std::string& line = lines[static_cast<std::size_t>(at)];
    std::string value = Trimmed(line.substr(line.find('=') + 1));
    if (value.size() > 127)
        value.resize(127);
    return value;
}

bool WriteSetting(const std::string& file, const char* section, const char* key, const std::string& value)
{
    std::vector<std::string> lines = Lines(file);
    int sectionEnd = -1;
    const int at = FindKey(lines, section, key, sectionEnd);
    const std::string entry = std::string(key) + "=" + value;
    if (at >= 0)
        lines[static_cast<std::size_t>(at)] = entry;
    else if (sectionEnd >= 0)
        lines.insert(lines.begin() + sectionEnd, entry);
    else {
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(entry);
    }
    // Written beside and renamed over, so a crash never leaves half a file.
    const std::string temporary = file + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const std::string& line : lines)
            out << line << '\n';
        if (!out.flush())
            return false;
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kestrelon
