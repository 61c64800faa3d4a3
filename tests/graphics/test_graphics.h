#pragma once

#include <functional>
#include <map>
#include <memory>

#include "framework/graphics/windowless_graphics.h"
#include "raster/raster_bitmap.h"

namespace kestrelon {

// A windowless context whose image resources are made by the test: each id
// answers a fresh bitmap drawn by its function, as a resource decode would.
class TestGraphics : public WindowlessGraphics {
public:
    using Painter = std::function<RasterPixel(int x, int y)>;

    explicit TestGraphics(IEditorDelegate* plugin = nullptr, int w = 340, int h = 484)
        : WindowlessGraphics(plugin, w, h)
    {
        CreateDrawSurfaces();
    }

    void Provide(int id, int w, int h, Painter paint) { images[id] = {w, h, std::move(paint)}; }
    // A resource whose header reads but whose pixels do not decode.
    void ProvideUndecodable(int id, int w, int h) { images[id] = {w, h, nullptr}; }
    int Loads() const { return loads; }

    RasterBitmap* LoadPlatformImage(int id, const char*) override
    {
        auto found = images.find(id);
        if (found == images.end() || !found->second.paint)
            return nullptr;
        ++loads;
        auto* bitmap = new RasterMemBitmap(found->second.w, found->second.h);
        for (int y = 0; y < found->second.h; ++y)
            for (int x = 0; x < found->second.w; ++x)
                bitmap->PixelData()[y * bitmap->RowStride() + x] = found->second.paint(x, y);
        return bitmap;
    }

    bool ReadPlatformImageSize(int id, const char*, int& w, int& h) override
    {
        auto found = images.find(id);
        if (found == images.end())
            return false;
        w = found->second.w;
        h = found->second.h;
        return true;
    }

    RasterPixel Pixel(int x, int y) const { return DrawSurface()->PixelData()[y * DrawSurface()->RowStride() + x]; }

private:
    struct Image {
        int w, h;
        Painter paint;
    };
    std::map<int, Image> images;
    int loads = 0;
};

}  // namespace kestrelon
