#pragma once

namespace kestrelon {

// The process-wide list of image loaders by file extension: the hook through which loading an
// image file by its extension is offered. Each loader registers itself during static
// initialisation; the list is not changed afterwards.

class RasterBitmap;

struct ImageLoaderRecord {
    // Loads the file named in UTF-8, optionally refusing a name with a foreign extension, into
    // the destination (or a new bitmap when it is null). Null on failure.
    RasterBitmap* (*loadFile)(const char* fileName, bool checkExtension, RasterBitmap* destination);
    // Description and pattern pairs in file-dialog filter form, ended by an empty string.
    const char* (*extensionList)();
    ImageLoaderRecord* next;
};

// First record of the list; null until a loader registers. Constant-initialised, so it is
// valid before any static initialiser runs.
extern constinit ImageLoaderRecord* gImageLoaderList;

// Puts record at the head of the list. Static initialisation only.
void RegisterImageLoader(ImageLoaderRecord& record);

}  // namespace kestrelon
