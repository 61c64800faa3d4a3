#pragma once

// The platform seam under RasterSysBitmap: a 32-bit top-down pixel surface that the platform's
// own drawing can reach through a device context. Windows uses a DIB section selected into a
// memory DC; elsewhere there is no device context and the surface is plain memory.

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace raster_detail {

struct SysSurface {
    RasterPixel* pixels = nullptr;
    void* handle = nullptr;  // owned
    void* previous = nullptr;  // what the context held before handle was selected into it
};

// A context compatible with the screen, or null where the platform has none.
RasterDeviceContext OpenSurfaceContext();
void CloseSurfaceContext(RasterDeviceContext dc);

// Whether a surface can only exist inside a context (true on Windows).
bool SurfaceNeedsContext();

// Creates a width x height surface (width already a multiple of 4) and, with a context,
// selects it into dc. False leaves surface empty.
bool CreateSurface(RasterDeviceContext dc, std::int32_t width, std::int32_t height, SysSurface& surface);

// Selects the previous object back into dc, frees the surface and empties the record.
void DestroySurface(RasterDeviceContext dc, SysSurface& surface);

}  // namespace raster_detail

}  // namespace kestrelon
