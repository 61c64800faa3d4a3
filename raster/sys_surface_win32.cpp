// DIB section in a memory device context: GDI text and BitBlt to the editor window see the
// same pixels as the raster operations. Callers flush GDI (GdiFlush) before reading pixels.

#include <windows.h>

#include "raster/sys_surface.h"

namespace kestrelon {

namespace raster_detail {

RasterDeviceContext OpenSurfaceContext()
{
    return CreateCompatibleDC(nullptr);
}

void CloseSurfaceContext(RasterDeviceContext dc)
{
    DeleteDC(static_cast<HDC>(dc));
}

bool SurfaceNeedsContext()
{
    return true;
}

bool CreateSurface(RasterDeviceContext dc, std::int32_t width, std::int32_t height, SysSurface& surface)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: top row first, as every raster bitmap stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr || bits == nullptr) {
        if (dib != nullptr)
            DeleteObject(dib);
        return false;
    }
    surface.pixels = static_cast<RasterPixel*>(bits);
    surface.handle = dib;
    surface.previous = SelectObject(static_cast<HDC>(dc), dib);
    return true;
}

void DestroySurface(RasterDeviceContext dc, SysSurface& surface)
{
    // The DIB cannot be deleted while selected: put the context's original bitmap back first.
    if (surface.previous != nullptr)
        SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(surface.previous));
    if (surface.handle != nullptr)
        DeleteObject(static_cast<HGDIOBJ>(surface.handle));
    surface = SysSurface{};
}

}  // namespace raster_detail

}  // namespace kestrelon
