// Where Kestrelon's editor keeps its scale for the plug-ins these tests run:
// Documents\Lumen Pathway\Kestrelon\Settings.ini in the wine prefix's user
// folder, or under a configuration folder of the tests' own natively.
#pragma once

#include <string>

namespace kestrelon {

namespace editor_test {

// The settings file the plug-in will use (natively, the configuration folder
// is pointed at the tests' work folder first, for this process and the tools
// it starts).
std::string SettingsFile();
// The file's whole text, "" when there is none.
std::string SettingsText();
// Removes the file: the next editor starts at scale 1.0 and writes it anew.
void RemoveSettings();

}  // namespace editor_test

}  // namespace kestrelon
