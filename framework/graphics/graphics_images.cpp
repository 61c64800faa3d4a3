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
#include "framework/text/ascii.h"
#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"

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

void IGraphics::RescaleImages(double newScale)
{
    // One resampling per id: every record of that id shares its bitmap, and
    // however many editors registered it, the result is the same.
    std::vector<RegisteredImage> images = RegisteredImages();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const RegisteredImage& entry = images[i];
        bool done = false;
        for (std::size_t j = 0; j < i && !done; ++j)
            done = images[j].id == entry.id && images[j].image->frameCount == entry.image->frameCount;
        if (done) {
            for (std::size_t j = 0; j < i; ++j) {
                if (images[j].id == entry.id && images[j].image->frameCount == entry.image->frameCount) {
                    entry.image->width = images[j].image->width;
                    entry.image->height = images[j].image->height;
                    break;
                }
            }
            continue;
        }
        std::unique_ptr<RasterBitmap> source(LoadPlatformImage(entry.id, entry.name));
        if (!source || !entry.image->bitmap)
            continue;
        const int frames = entry.image->frameCount;
        const int w = source->PixelWidth() / imageResolution;
        const int h = source->PixelHeight() / imageResolution;
        const int newWidth = static_cast<int>(w * newScale);
        // One spare row under every frame keeps bilinear samples of one frame
        // out of the next.
        const int newHeight = static_cast<int>(h * newScale) + (frames >= 2 ? frames : 0);
        RasterMemBitmap resampled;
        if (newWidth > 0 && newHeight > 0)
            resampled.SetSize(newWidth, newHeight);
        ResampleInto(*source, resampled, frames);
        RasterBitmap* shared = entry.image->bitmap;
        shared->SetSize(resampled.PixelWidth(), resampled.PixelHeight());
        BlitBitmap(shared, &resampled, 0, 0, nullptr, 1.0f, BlendMode::ModeCopy);
        entry.image->width = resampled.PixelWidth();
        entry.image->height = resampled.PixelHeight();
    }
}

}  // namespace kestrelon
