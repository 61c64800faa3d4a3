#include "raster/png_loader.h"

#include "raster/image_loader.h"
#include "raster/png_decoder.h"
#include "raster/raster_bitmap.h"
#include "text/ascii.h"

#include <cstring>

namespace kestrelon {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

// Any thread; the editor calls it on its UI thread.
RasterMemBitmap* LoadPngFromMemory(const void* data, std::int32_t length)
{
    return DecodePngBytes(data, length, false);
}

RasterMemBitmap* DecodePngBytes(const void* data, std::int32_t length, bool ownResource)
{
    // Short or foreign data is refused before libpng is involved.
    if (data == nullptr || length < 8 || std::memcmp(data, kPngSignature, 8) != 0)
        return nullptr;
    PngInput input;
    input.data = static_cast<const std::uint8_t*>(data);
    input.length = length;
    input.ownResource = ownResource;
    // Without a destination the decoder's bitmap is always one it created.
    return static_cast<RasterMemBitmap*>(DecodePng(input, nullptr));
}

// Any thread; the editor calls it on its UI thread.
RasterBitmap* LoadPngFromFile(const char* fileName, RasterBitmap* destination)
{
    if (fileName == nullptr)
        return nullptr;
    std::FILE* file = OpenPngFileForReading(fileName);
    if (file == nullptr)
        return nullptr;
    PngInput input;
    input.file = file;  // libpng checks the signature itself
    RasterBitmap* bitmap = DecodePng(input, destination);
    std::fclose(file);
    return bitmap;
}

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

// The PNG entry of the image-loader list is defined beside the loaders it calls: linked from a
// static library, a file that nothing references would be left out, and its registration with it.
ImageLoaderRecord gPngImageLoader = {LoadPngFile, PngExtensionList, nullptr};

namespace {

// Runs while the library is initialised, before any of its code is called.
const bool gPngImageLoaderRegistered = (RegisterImageLoader(gPngImageLoader), true);

}  // namespace

}  // namespace kestrelon
