#include "framework/graphics/image_cache.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace {

struct BitmapCache {
    std::mutex lock;
    std::vector<std::pair<int, std::unique_ptr<RasterBitmap>>> entries;
    std::vector<std::pair<int, std::unique_ptr<RasterBitmap>>> originals;
    std::vector<std::pair<int, PendingImage>> pending;
    // Read without the lock on every draw: nothing pending is the usual case.
    std::atomic<int> pendingCount{0};
    std::mutex decodeLock;
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

RasterBitmap* CachePendingBitmap(int id, std::unique_ptr<RasterBitmap> bitmap, const PendingImage& pending)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.entries)
        if (entry.first == id)
            return entry.second.get();
    cache.entries.emplace_back(id, std::move(bitmap));
    cache.pending.emplace_back(id, pending);
    cache.pendingCount.store(static_cast<int>(cache.pending.size()), std::memory_order_release);
    return cache.entries.back().second.get();
}

bool FindPending(int id, PendingImage& pending)
{
    BitmapCache& cache = Bitmaps();
    if (cache.pendingCount.load(std::memory_order_acquire) == 0)
        return false;
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.pending)
        if (entry.first == id) {
            pending = entry.second;
            return true;
        }
    return false;
}

void UpdatePending(int id, const PendingImage& pending)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.pending)
        if (entry.first == id)
            entry.second = pending;
}

bool FindPendingBitmap(const RasterBitmap* bitmap, int& id, PendingImage& pending)
{
    BitmapCache& cache = Bitmaps();
    if (bitmap == nullptr || cache.pendingCount.load(std::memory_order_acquire) == 0)
        return false;
    std::lock_guard<std::mutex> guard(cache.lock);
    for (auto& entry : cache.entries) {
        if (entry.second.get() != bitmap)
            continue;
        for (auto& p : cache.pending)
            if (p.first == entry.first) {
                id = p.first;
                pending = p.second;
                return true;
            }
        return false;
    }
    return false;
}

void ClearPending(int id)
{
    BitmapCache& cache = Bitmaps();
    std::lock_guard<std::mutex> guard(cache.lock);
    auto& list = cache.pending;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const auto& e) { return e.first == id; }), list.end());
    cache.pendingCount.store(static_cast<int>(list.size()), std::memory_order_release);
}

std::mutex& PendingDecodeLock()
{
    return Bitmaps().decodeLock;
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
