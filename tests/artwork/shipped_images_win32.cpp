#include <windows.h>

#include "raster/png_loader.h"
#include "resources/img/editor_images.h"
#include "tests/artwork/shipped_images.h"
#include "tests/support/plugin_library.h"

namespace kestrelon {

namespace testartwork {

// The plug-in DLL as a host loads it; its resource section is what is read.
struct ShippedImages::Library {
    testhost::PluginLibrary plugin;
};

ShippedImages::ShippedImages() : library(std::make_unique<Library>())
{}
ShippedImages::~ShippedImages() = default;

bool ShippedImages::Open(std::string& error)
{
    if (!RegisterEditorImages()) {
        error = "RegisterEditorImages reported the images missing";
        return false;
    }
    if (!library->plugin.Open(KESTRELON_PLUGIN_PATH)) {
        error = library->plugin.Error();
        return false;
    }
    module = GetModuleHandleW(L"Kestrelon.dll");
    if (module == nullptr) {
        error = "Kestrelon.dll is loaded but has no module handle";
        return false;
    }
    return true;
}

std::unique_ptr<RasterMemBitmap> ShippedImages::Load(std::uint16_t id) const
{
    return std::unique_ptr<RasterMemBitmap>(LoadPngFromResource(module, id));
}

}  // namespace testartwork

}  // namespace kestrelon
