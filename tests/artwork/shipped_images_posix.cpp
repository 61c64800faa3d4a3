#include "raster/png_loader.h"
#include "resources/img/editor_images.h"
#include "tests/artwork/shipped_images.h"

namespace kestrelon {

namespace testartwork {

// Linux binaries carry the bytes themselves and register them under module null.
struct ShippedImages::Library {};

ShippedImages::ShippedImages() = default;
ShippedImages::~ShippedImages() = default;

bool ShippedImages::Open(std::string& error)
{
    if (!RegisterEditorImages()) {
        error = "RegisterEditorImages did not register all eight images";
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
