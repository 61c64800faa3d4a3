#include "raster/png_resource.h"

#include "raster/png_loader.h"

#include <windows.h>

#include <cstdint>

namespace kestrelon {

// Any thread; the editor window calls it on its UI thread.
RasterMemBitmap* LoadPngFromResource(void* module, std::uint16_t id)
{
    const auto instance = static_cast<HMODULE>(module);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), "PNG");
    if (found == nullptr)
        return nullptr;
    const DWORD size = SizeofResource(instance, found);
    if (size < 8 || size > static_cast<DWORD>(INT32_MAX))
        return nullptr;
    // Resource memory is mapped with the module and never freed by us.
    const void* data = LockResource(LoadResource(instance, found));
    if (data == nullptr)
        return nullptr;
    return LoadPngFromMemory(data, static_cast<std::int32_t>(size));
}

}  // namespace kestrelon
