#include "raster/png_file_open.h"

namespace kestrelon {

// File names are UTF-8 bytes here already.
std::FILE* OpenPngFileForReading(const char* utf8Name)
{
    return std::fopen(utf8Name, "rb");
}

}  // namespace kestrelon
