#pragma once

// Where the test finds the editor's pictures: in the binary as it ships, through the same
// LoadPngFromResource call the editor makes.

#include <cstdint>
#include <memory>
#include <string>

#include "raster/raster_bitmap.h"

namespace kestrelon {

namespace testartwork {

class ShippedImages {
public:
    ShippedImages();
    ~ShippedImages();
    // False with a reason when the pictures cannot be reached at all.
    bool Open(std::string& error);
    // The decoded image, or null.
    std::unique_ptr<RasterMemBitmap> Load(std::uint16_t id) const;
    // The same bytes through libpng, as any outside PNG is decoded, or null.
    std::unique_ptr<RasterMemBitmap> LoadThroughLibpng(std::uint16_t id) const;
    // The size from the header alone, as building the editor reads it; false when refused.
    bool ReadSize(std::uint16_t id, int& width, int& height) const;

private:
    struct Library;
    std::unique_ptr<Library> library;
    void* module = nullptr;
};

}  // namespace testartwork

}  // namespace kestrelon
