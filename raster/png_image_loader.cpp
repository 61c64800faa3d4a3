#include "raster/png_image_loader.h"

#include "framework/text/ascii.h"
#include "raster/png_loader.h"

#include <cstring>

namespace kestrelon {

bool HasPngExtension(const char* fileName)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return false;
    const char* extension = fileName + std::strlen(fileName) - 1;
    while (extension > fileName && *extension != '\\' && *extension != '.' && *extension != '/')
        --extension;
    const char* expected = ".png";
    for (; *extension != '\0' && *expected != '\0'; ++extension, ++expected) {
        if (AsciiLower(*extension) != *expected)
            return false;
    }
    return *extension == '\0' && *expected == '\0';
}

// Any thread.
RasterBitmap* LoadPngFile(const char* fileName, bool checkExtension, RasterBitmap* destination)
{
    if (checkExtension && !HasPngExtension(fileName))
        return nullptr;
    return LoadPngFromFile(fileName, destination);
}

const char* PngExtensionList()
{
    // The literal's own terminator is the final NUL that ends the list.
    return "PNG files (*.PNG)\0*.PNG\0";
}

}  // namespace kestrelon
