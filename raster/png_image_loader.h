#pragma once

namespace kestrelon {

// The PNG entry of the image-loader list.

struct ImageLoaderRecord;
class RasterBitmap;

// True when the text from the name's last '\\', '.' or '/' to its end is ".png" in any case.
// A name with no full stop, or whose last slash follows its last full stop, fails.
bool HasPngExtension(const char* fileName);

// With checkExtension set, a name that fails HasPngExtension gives null without the file being
// opened; otherwise as LoadPngFromFile. Any thread.
RasterBitmap* LoadPngFile(const char* fileName, bool checkExtension, RasterBitmap* destination);

// "PNG files (*.PNG)", NUL, "*.PNG", NUL, NUL.
const char* PngExtensionList();

// The record registered in the image-loader list at start-up.
extern ImageLoaderRecord gPngImageLoader;

}  // namespace kestrelon
