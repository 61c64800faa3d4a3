// The editor's images: decoded once per resource id and shared by every
// editor of the process, and resampled together when the editor scale
// changes, so every control that shows an image follows. Building an editor
// reads only their headers: the pixels are decoded when the first editor of
// the process opens or first draws them, so a process that never shows an
// editor (a scan, a render) never pays for them.
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

// The size a shared bitmap gets from a rescale to scale of a source of
// width x height design pixels: one spare row under every frame keeps
// bilinear samples of one frame out of the next.
void RescaledSize(int width, int height, int frames, double scale, int& outWidth, int& outHeight)
{
    outWidth = static_cast<int>(width * scale);
    outHeight = static_cast<int>(height * scale) + (frames >= 2 ? frames : 0);
    if (outWidth <= 0 || outHeight <= 0)
        outWidth = outHeight = 0;
}

}  // namespace

bool IGraphics::ReadPlatformImageSize(int id, const char* name, int& imageWidth, int& imageHeight)
{
    PngHeader header;
    if (!HasPngSuffix(name) || id < 0 || id > 0xFFFF ||
        !ReadPngResourceHeader(ModuleInstance(), static_cast<std::uint16_t>(id), header))
        return false;
    imageWidth = header.width;
    imageHeight = header.height;
    return true;
}

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
    PendingImage pending;
    if (RasterBitmap* cached = FindCachedBitmap(id)) {
        image.bitmap = cached;
        if (FindPending(id, pending)) {
            PendingSize(pending, image.width, image.height);
        } else {
            image.width = cached->PixelWidth();
            image.height = cached->PixelHeight();
        }
    } else {
        // A missing or damaged image is a failure to report here, never an
        // image that controls would silently not draw. The header walk checks
        // every chunk; the pixels come when something first draws them.
        pending.name = name;
        pending.frames = frames;
        if (!ReadPlatformImageSize(id, name, pending.width, pending.height) || pending.width <= 0 ||
            pending.height <= 0)
            return nullptr;
        image.bitmap = CachePendingBitmap(id, std::make_unique<RasterMemBitmap>(), pending);
        if (FindPending(id, pending)) {
            PendingSize(pending, image.width, image.height);
        } else {
            image.width = image.bitmap->PixelWidth();
            image.height = image.bitmap->PixelHeight();
        }
    }
    ImageRef* registered = RegisterImage(id, name, image);
    ownImages.push_back(registered);
    return registered;
}

void IGraphics::PendingSize(const PendingImage& pending, std::int32_t& outWidth, std::int32_t& outHeight) const
{
    const int w = pending.width / imageResolution;
    const int h = pending.height / imageResolution;
    if (!pending.scaled) {
        outWidth = w;
        outHeight = h;
        return;
    }
    int rw = 0;
    int rh = 0;
    RescaledSize(w, h, pending.frames, pending.scale, rw, rh);
    outWidth = rw;
    outHeight = rh;
}

bool IGraphics::DecodeImagePixels(const ImageRef& image)
{
    int id = 0;
    PendingImage pending;
    if (!FindPendingBitmap(image.bitmap, id, pending))
        return image.bitmap != nullptr;
    std::lock_guard<std::mutex> guard(PendingDecodeLock());
    // Another editor may have decoded it while this one waited.
    if (!FindPending(id, pending))
        return true;
    std::unique_ptr<RasterBitmap> decoded(LoadPlatformImage(id, pending.name));
    if (!decoded || !decoded->PixelData())
        return false;
    auto* shared = dynamic_cast<RasterMemBitmap*>(image.bitmap);
    auto* pixels = dynamic_cast<RasterMemBitmap*>(decoded.get());
    if (!pending.scaled && shared && pixels) {
        if (imageResolution < 2) {
            // At the design size the shared bitmap is the decoded resource.
            shared->Swap(*pixels);
        } else {
            // Resources drawn larger than the design size get their pixels at
            // the next rescale; until then a placeholder holds the place.
            RasterMemBitmap placeholder(1, 1);
            shared->Swap(placeholder);
        }
    } else {
        // The records were sized by a rescale: the decoded pixels become the
        // original that rescale would have kept, resampled as it would have.
        const RasterBitmap* original = KeepOriginal(id, std::move(decoded));
        int w = 0;
        int h = 0;
        RescaledSize(original->PixelWidth() / imageResolution, original->PixelHeight() / imageResolution,
                     pending.frames, pending.scale, w, h);
        image.bitmap->SetSize(w, h);
        ResampleInto(*original, *image.bitmap, pending.frames);
    }
    ClearPending(id);
    return true;
}

bool IGraphics::DecodeOwnImages()
{
    bool all = true;
    for (const ImageRef* image : ownImages)
        all = DecodeImagePixels(*image) && all;
    return all;
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
        int id = 0;
        PendingImage pending;
        if (FindPendingBitmap(image.bitmap, id, pending)) {
            // Not decoded yet: only the records are sized now, and the first
            // draw resamples to the scale they were sized for.
            pending.scaled = true;
            pending.scale = newScale;
            pending.frames = image.frameCount;
            UpdatePending(id, pending);
            PendingSize(pending, image.width, image.height);
            done.push_back({entry.id, image.frameCount, image.width, image.height});
            continue;
        }
        const RasterBitmap* source = image.bitmap ? OriginalImage(entry.id, entry.name, image) : nullptr;
        if (!source)
            continue;
        const int frames = image.frameCount;
        int newWidth = 0;
        int newHeight = 0;
        RescaledSize(source->PixelWidth() / imageResolution, source->PixelHeight() / imageResolution, frames, newScale,
                     newWidth, newHeight);
        // Straight into the shared bitmap: the source is kept apart, so nothing
        // read is overwritten, and every pixel is written (strips are cleared
        // first).
        RasterBitmap* shared = image.bitmap;
        shared->SetSize(newWidth, newHeight);
        ResampleInto(*source, *shared, frames);
        image.width = shared->PixelWidth();
        image.height = shared->PixelHeight();
        done.push_back({entry.id, frames, image.width, image.height});
    }
}

}  // namespace kestrelon
