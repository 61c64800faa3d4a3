#include "framework/graphics/image_cache.h"

#include <algorithm>
#include <mutex>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace {

struct BitmapCache {
    std::mutex lock;
    std::vector<std::pair<int, std::unique_ptr<RasterBitmap>>> entries;
    std::vector<std::pair<int, std::unique_ptr<RasterBitmap>>> originals;
};

struct ImageRegistry {
    std::mutex lock;
    struct Entry {
        int id;
        const char* name;
        std::unique_ptr<ImageRef> image;
    };
    std::vector<Entry> entries;
};

// Made on first use, so editors built by other static initialisers find
// them, and destroyed with the library.
BitmapCache& Bitmaps()
{
    static BitmapCache cache;
    return cache;
}

ImageRegistry& Registry()
{
    static ImageRegistry registry;
    return registry;
}

}  // namespace

RasterBitmap* FindCachedBitmap(int id)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.entries)
        if (entry.first == id)
            return entry.second.get();
    return nullptr;
}

RasterBitmap* CacheBitmap(int id, std::unique_ptr<RasterBitmap> bitmap)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.entries)
        if (entry.first == id)
            return entry.second.get();
    cache.entries.emplace_back(id, std::move(bitmap));
    return cache.entries.back().second.get();
}

const RasterBitmap* FindOriginal(int id)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.originals)
        if (entry.first == id)
            return entry.second.get();
    return nullptr;
}

const RasterBitmap* KeepOriginal(int id, std::unique_ptr<RasterBitmap> original)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.originals)
        if (entry.first == id)
            return entry.second.get();
    cache.originals.emplace_back(id, std::move(original));
    return cache.originals.back().second.get();
}

ImageRef* RegisterImage(int id, const char* name, const ImageRef& image)
{
    ImageRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    registry.entries.push_back({id, name, std::make_unique<ImageRef>(image)});
    return registry.entries.back().image.get();
}

void UnregisterImage(ImageRef* image)
{
    ImageRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto& entries = registry.entries;
    entries.erase(
        std::remove_if(entries.begin(), entries.end(), [image](const auto& e) { return e.image.get() == image; }),
        entries.end());
}

std::vector<RegisteredImage> RegisteredImages()
{
    ImageRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    std::vector<RegisteredImage> list;
    list.reserve(registry.entries.size());
    for (const auto& e : registry.entries)
        list.push_back({e.id, e.name, e.image.get()});
    return list;
}

int RegisteredImageCount()
{
    ImageRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return static_cast<int>(registry.entries.size());
}

}  // namespace kestrelon
