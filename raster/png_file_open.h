#pragma once

// Opening an image file by its UTF-8 name, the one platform-dependent step of file loading.

#include <cstdio>

namespace kestrelon {

// Opens for binary reading, or returns null.
std::FILE* OpenPngFileForReading(const char* utf8Name);

}  // namespace kestrelon
