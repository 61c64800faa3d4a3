#include "raster/png_loader.h"

#include "raster/image_loader.h"
#include "raster/png_decoder.h"
#include "raster/raster_bitmap.h"
#include "text/ascii.h"

#include <zlib.h>

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
    if (ownResource) {
        bool handled = false;
        RasterMemBitmap* own = DecodeOwnRgba8(static_cast<const std::uint8_t*>(data), length, handled);
        if (handled)
            return own;
    }
    PngInput input;
    input.data = static_cast<const std::uint8_t*>(data);
    input.length = length;
    input.ownResource = ownResource;
    // Without a destination the decoder's bitmap is always one it created.
    return static_cast<RasterMemBitmap*>(DecodePng(input, nullptr));
}

// Any thread; the editor calls it on its UI thread.
RasterMemBitmap* LoadPngFromResource(void* module, std::uint16_t id)
{
    const void* data = nullptr;
    std::int32_t length = 0;
    if (!FindPngResource(module, id, &data, &length))
        return nullptr;
    return DecodePngBytes(data, length, true);
}

namespace {

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The bit depths each colour type allows (a bit per depth 1, 2, 4, 8, 16).
bool ValidDepth(int colourType, int depth)
{
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

}  // namespace

// Any thread.
bool ReadPngHeader(const void* data, std::int32_t length, PngHeader& header)
{
    if (data == nullptr || length < 8 || std::memcmp(data, kPngSignature, 8) != 0)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::int64_t pos = 8;
    bool sawHeader = false;
    bool sawData = false;
    PngHeader found;
    // Every chunk is walked and its CRC checked (no pixel is inflated): a resource damaged anywhere
    // is refused here, as a full decode would refuse it, not later when an editor first draws.
    while (pos + 12 <= length) {
        const std::uint32_t size = BigEndian32(bytes + pos);
        if (size > 0x7FFFFFFFu || pos + 12 + static_cast<std::int64_t>(size) > length)
            return false;
        const std::uint8_t* type = bytes + pos + 4;
        const uLong crc = crc32(0L, type, static_cast<uInt>(size) + 4);
        if (crc != BigEndian32(type + 4 + size))
            return false;
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (isHeader != !sawHeader)
            return false;  // IHDR first and only once
        if (isHeader) {
            if (size != 13)
                return false;
            const std::uint32_t width = BigEndian32(type + 4);
            const std::uint32_t height = BigEndian32(type + 8);
            const int depth = type[12];
            const int colourType = type[13];
            // The decoder's own limits, so that no image passes here that it would refuse for size.
            const std::int64_t stride = (static_cast<std::int64_t>(width) + 3) & ~std::int64_t{3};
            if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide ||
                stride * height > kMaxPngPixels || !ValidDepth(colourType, depth) || type[14] != 0 || type[15] != 0 ||
                type[16] > 1)
                return false;
            found.width = static_cast<std::int32_t>(width);
            found.height = static_cast<std::int32_t>(height);
            sawHeader = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            sawData = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            if (!sawData)
                return false;
            header = found;
            return true;
        }
        pos += 12 + static_cast<std::int64_t>(size);
    }
    return false;
}

// Any thread.
bool ReadPngResourceHeader(void* module, std::uint16_t id, PngHeader& header)
{
    const void* data = nullptr;
    std::int32_t length = 0;
    return FindPngResource(module, id, &data, &length) && ReadPngHeader(data, length, header);
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
