#pragma once

// The per-user settings file the editor keeps its scale in: an INI file of
// sections and keys. Windows reads and writes it with its private-profile
// calls; elsewhere a small reader and writer of the same format stand in.

#include <string>

namespace kestrelon {

class IGraphics;

// The folder the maker's settings folder goes in: the documents folder on
// Windows, the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config) elsewhere. Empty when there is none.
std::string SettingsFolder(IGraphics& graphics);

// Makes one folder; an existing folder or a failure is ignored.
void MakeFolder(const std::string& path);

// The key's text, or fallback when the file, the section or the key is
// missing; at most 127 bytes.
std::string ReadSetting(const std::string& file, const char* section, const char* key, const char* fallback);

// False when the file cannot be written.
bool WriteSetting(const std::string& file, const char* section, const char* key, const std::string& value);

}  // namespace kestrelon
