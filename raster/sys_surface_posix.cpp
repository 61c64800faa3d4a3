// Without a platform device context the surface is zero-filled heap memory with the same size
// and stride rules, so the editor's drawing code runs (and is tested) unchanged.

#include <cstdlib>

#include "raster/sys_surface.h"

namespace kestrelon {

namespace raster_detail {

RasterDeviceContext OpenSurfaceContext()
{
    return nullptr;
}

void CloseSurfaceContext(RasterDeviceContext)
{}

bool SurfaceNeedsContext()
{
    return false;
}

bool CreateSurface(RasterDeviceContext, std::int32_t width, std::int32_t height, SysSurface& surface)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // Zeroed like a fresh DIB section.
    void* block = std::calloc(count, sizeof(RasterPixel));
    if (block == nullptr)
        return false;
    surface.pixels = static_cast<RasterPixel*>(block);
    surface.handle = block;
    surface.previous = nullptr;
    return true;
}

void DestroySurface(RasterDeviceContext, SysSurface& surface)
{
    std::free(surface.handle);
    surface = SysSurface{};
}

}  // namespace raster_detail

}  // namespace kestrelon
