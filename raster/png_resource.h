#pragma once

// PNG images stored as resources of type "PNG" inside a module, named by integer ids.

#include <cstdint>

namespace kestrelon {

class RasterMemBitmap;

// module is the module instance handle (an HINSTANCE on Windows). Returns a new bitmap owned by
// the caller, or null when the resource is missing, shorter than a PNG signature or does not
// decode. The resource bytes belong to the module and are read in place. Any thread.
RasterMemBitmap* LoadPngFromResource(void* module, std::uint16_t id);

}  // namespace kestrelon
