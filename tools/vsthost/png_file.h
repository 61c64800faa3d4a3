// Screenshots as PNG files (8-bit RGB), written and read with libpng.
#pragma once

#include <string>

#include "tools/vsthost/host_window.h"

namespace kestrelon {

namespace vsthost {

// Writes atomically (a temporary file moved into place); false with `error`.
bool WritePng(const std::string& path, const Screenshot& shot, std::string& error);
// Any PNG, its pixels as 0x00RRGGBB (alpha dropped); false with `error`.
bool ReadPng(const std::string& path, Screenshot& shot, std::string& error);

}  // namespace vsthost

}  // namespace kestrelon
