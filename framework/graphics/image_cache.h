#pragma once

// The process-wide image caches that every editor of the process shares: the
// decoded bitmaps by resource id, and the image records handed to controls.
// Each has its own lock; a find followed by an add is not one step, so two
// editors loading the same id at once may both decode it, and the second
// bitmap is dropped. Both are emptied when the process (or the library)
// unloads.

#include <memory>
#include <mutex>
#include <vector>

#include "framework/graphics/graphics_types.h"

namespace kestrelon {

class RasterBitmap;

// The bitmap cached under id, or null.
RasterBitmap* FindCachedBitmap(int id);
// Caches bitmap under id and answers the cached one: bitmap itself, or the
// one another editor cached first.
RasterBitmap* CacheBitmap(int id, std::unique_ptr<RasterBitmap> bitmap);

// What a cached bitmap whose pixels are not decoded yet will become: the
// resource's size from its header, and the scale its records were sized for
// by the rescales so far. Its bitmap stays empty until something draws it.
struct PendingImage {
    const char* name = nullptr;  // the caller's constant text
    int width = 0;  // of the resource
    int height = 0;
    bool scaled = false;  // a rescale sized the records: decode, then resample
    double scale = 1.0;
    int frames = 1;
};

// Caches an empty bitmap under id with its pending state, and answers the
// cached one: the new one, or the one another editor cached first.
RasterBitmap* CachePendingBitmap(int id, std::unique_ptr<RasterBitmap> bitmap, const PendingImage& pending);
// The pending state of id, false once its pixels are decoded (or never
// pending).
bool FindPending(int id, PendingImage& pending);
void UpdatePending(int id, const PendingImage& pending);
// The id and pending state of a shared bitmap, false when it has its pixels.
bool FindPendingBitmap(const RasterBitmap* bitmap, int& id, PendingImage& pending);
void ClearPending(int id);
// Held while pending pixels are decoded, so that two editors drawing the same
// image at once decode it once.
std::mutex& PendingDecodeLock();

// The design-size original of a cached bitmap, kept once the bitmap has been
// resampled, so that later rescales start from it instead of decoding the
// resource again; null until then.
const RasterBitmap* FindOriginal(int id);
const RasterBitmap* KeepOriginal(int id, std::unique_ptr<RasterBitmap> original);

struct RegisteredImage {
    int id = 0;
    const char* name = nullptr;  // the caller's constant text
    ImageRef* image = nullptr;
};

// A new record owned by the registry until UnregisterImage.
ImageRef* RegisterImage(int id, const char* name, const ImageRef& image);
void UnregisterImage(ImageRef* image);
// Every registered record, in registration order.
std::vector<RegisteredImage> RegisteredImages();
int RegisteredImageCount();

}  // namespace kestrelon
