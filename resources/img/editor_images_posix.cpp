#include "raster/png_loader.h"
#include "resources/img/editor_images.h"
#include "resources/img/embedded_images.h"

namespace kestrelon {

namespace {

// Linux plug-ins have no module handle; the effect loads with ModuleInstance(), which is null here.
constexpr const void* kModule = nullptr;

bool RegisterAll()
{
    bool all = kEmbeddedPngCount == kEditorImageCount;
    for (int i = 0; i < kEmbeddedPngCount; ++i) {
        const EmbeddedPng& png = kEmbeddedPngs[i];
        all = RegisterPngResource(kModule, png.id, png.data, png.length) && all;
    }
    return all;
}

}  // namespace

bool RegisterEditorImages()
{
    // Once per process, whichever thread comes first: a second registration of an id would fail.
    static const bool registered = RegisterAll();
    return registered;
}

}  // namespace kestrelon
