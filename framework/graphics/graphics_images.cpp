// The editor's images: decoded once per resource id and shared by every
// editor of the process, and resampled together when the editor scale
// changes, so every control that shows an image follows.
#include <cmath>
#include <memory>
#include <string_view>

#include "framework/graphics/graphics.h"
#include "framework/graphics/image_cache.h"
#include "framework/graphics/resample.h"
#include "framework/module_instance.h"
#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"
#include "text/ascii.h"

namespace kestrelon {

namespace {

bool HasPngSuffix(const char* name)
{
    if (!name)
        return false;
    const std::string_view text(name);
    const std::size_t dot = text.rfind('.');
    return dot != std::string_view::npos && EqualsIgnoringAsciiCase(text.substr(dot + 1), "png");
}

}  // namespace

RasterBitmap* IGraphics::LoadPlatformImage(int id, const char* name)
{
    if (!HasPngSuffix(name) || id < 0 || id > 0xFFFF)
        return nullptr;
    return LoadPngFromResource(ModuleInstance(), static_cast<std::uint16_t>(id));
}

ImageRef* IGraphics::LoadImage(int id, const char* name, int frameCount)
{
    const int frames = frameCount >= 1 ? frameCount : 1;
    ImageRef image;
    image.frameCount = frames;
    if (RasterBitmap* cached = FindCachedBitmap(id)) {
        image.bitmap = cached;
        image.width = cached->PixelWidth();
        image.height = cached->PixelHeight();
    } else {
        // A missing image is a failure to report, never an image without
        // pixels that controls would silently not draw.
        std::unique_ptr<RasterBitmap> loaded(LoadPlatformImage(id, name));
        if (!loaded || !loaded->PixelData())
            return nullptr;
        if (imageResolution < 2) {
            image.width = loaded->PixelWidth();
            image.height = loaded->PixelHeight();
            image.bitmap = CacheBitmap(id, std::move(loaded));
        } else {
            // Resources drawn larger than the design size get their pixels at
            // the next rescale; until then a placeholder holds the place.
            image.width = loaded->PixelWidth() / imageResolution;
            image.height = loaded->PixelHeight() / imageResolution;
            image.bitmap = CacheBitmap(id, std::make_unique<RasterMemBitmap>(1, 1));
        }
    }
    ImageRef* registered = RegisterImage(id, name, image);
    ownImages.push_back(registered);
    return registered;
}

const RasterBitmap* IGraphics::OriginalImage(int id, const char* name, ImageRef& image)
{
    if (const RasterBitmap* kept = FindOriginal(id))
        return kept;
    // Until its first rescale (the one that keeps an original) the shared
    // bitmap is the decoded resource itself: a copy saves decoding it again.
    std::unique_ptr<RasterBitmap> original;
    auto* shared = dynamic_cast<RasterMemBitmap*>(image.bitmap);
    if (imageResolution < 2 && shared && shared->PixelData()) {
        // The pixels move over; the shared bitmap gets new ones at the rescale.
        auto kept = std::make_unique<RasterMemBitmap>();
        kept->Swap(*shared);
        original = std::move(kept);
    } else {
        original.reset(LoadPlatformImage(id, name));
    }
    if (!original || !original->PixelData())
        return nullptr;
    return KeepOriginal(id, std::move(original));
}

void IGraphics::RescaleImages(double newScale)
{
    // One resampling per id and frame count: every record of that id shares
    // its bitmap, and however many editors registered it, the result is the
    // same.
    struct Done {
        int id;
        int frames;
        int width;
        int height;
    };
    std::vector<Done> done;
    for (const RegisteredImage& entry : RegisteredImages()) {
        ImageRef& image = *entry.image;
        const Done* previous = nullptr;
        for (const Done& d : done)
            if (d.id == entry.id && d.frames == image.frameCount)
                previous = &d;
        if (previous) {
            image.width = previous->width;
            image.height = previous->height;
            continue;
        }
        const RasterBitmap* source = image.bitmap ? OriginalImage(entry.id, entry.name, image) : nullptr;
        if (!source)
            continue;
        const int frames = image.frameCount;
        const int w = source->PixelWidth() / imageResolution;
        const int h = source->PixelHeight() / imageResolution;
        const int newWidth = static_cast<int>(w * newScale);
        // One spare row under every frame keeps bilinear samples of one frame
        // out of the next.
        const int newHeight = static_cast<int>(h * newScale) + (frames >= 2 ? frames : 0);
        // Straight into the shared bitmap: the source is kept apart, so nothing
        // read is overwritten, and every pixel is written (strips are cleared
        // first).
        RasterBitmap* shared = image.bitmap;
        if (newWidth > 0 && newHeight > 0)
            shared->SetSize(newWidth, newHeight);
        else
            shared->SetSize(0, 0);
        ResampleInto(*source, *shared, frames);
        image.width = shared->PixelWidth();
        image.height = shared->PixelHeight();
        done.push_back({entry.id, frames, image.width, image.height});
    }
}

}  // namespace kestrelon
