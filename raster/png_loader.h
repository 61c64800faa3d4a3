#pragma once

// Decoding PNG images into bitmaps of straight-alpha RasterPixels (0xAARRGGBB): from memory, from a
// file, from the module's resources, and the PNG entry of the image-loader list. Every colour type
// and bit depth arrives as 8-bit alpha, red, green and blue. Loaders keep no state between calls
// and may run on any thread; the editor calls them on its UI thread.

#include <cstdint>

namespace kestrelon {

struct ImageLoaderRecord;
class RasterBitmap;
class RasterMemBitmap;

// A new bitmap owned by the caller, or null. The bytes are read in place and not retained.
RasterMemBitmap* LoadPngFromMemory(const void* data, std::int32_t length);

// Decodes the file named in UTF-8. With a destination it resizes and fills that bitmap and
// returns it; otherwise it returns a new RasterMemBitmap. Null on failure. A destination is
// never deleted: after a failure it is still a valid bitmap, possibly resized, all pixels 0.
RasterBitmap* LoadPngFromFile(const char* fileName, RasterBitmap* destination);

// PNG images stored as resources of type "PNG" inside a module, named by integer ids. module is
// the module instance handle (an HINSTANCE on Windows). Returns a new bitmap owned by the caller,
// or null when the resource is missing, shorter than a PNG signature or does not decode. The
// resource bytes belong to the module and are read in place.
RasterMemBitmap* LoadPngFromResource(void* module, std::uint16_t id);

// What the layout needs of an image before its pixels: its size.
struct PngHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Reads the size from the header without inflating a pixel, after checking what can be checked
// without decoding: the signature, IHDR first with valid fields within the decoder's limits,
// every chunk whole with a correct CRC, image data, and IEND. False (header unchanged) otherwise.
bool ReadPngHeader(const void* data, std::int32_t length, PngHeader& header);
// ReadPngHeader on a resource of LoadPngFromResource; false when it is missing too.
bool ReadPngResourceHeader(void* module, std::uint16_t id, PngHeader& header);

// Linux builds have no resource section: their PNG bytes are compiled into the binary and
// registered here under the (module, id) names the Windows build uses, so that
// LoadPngFromResource serves both. data must stay valid for as long as loads may ask for it
// (static data). False for null data, a negative length or a (module, id) pair already
// registered. Linux builds only.
bool RegisterPngResource(const void* module, std::uint16_t id, const void* data, std::int32_t length);

// True when the text from the name's last '\\', '.' or '/' to its end is ".png" in any case.
// A name with no full stop, or whose last slash follows its last full stop, fails.
bool HasPngExtension(const char* fileName);

// With checkExtension set, a name that fails HasPngExtension gives null without the file being
// opened; otherwise as LoadPngFromFile.
RasterBitmap* LoadPngFile(const char* fileName, bool checkExtension, RasterBitmap* destination);

// "PNG files (*.PNG)", NUL, "*.PNG", NUL, NUL.
const char* PngExtensionList();

// The record registered in the image-loader list at start-up.
extern ImageLoaderRecord gPngImageLoader;

}  // namespace kestrelon
