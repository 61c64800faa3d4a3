#include "tools/artwork/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace kestrelon {

namespace artwork {

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

void NoFlush(png_structp)
{}

}  // namespace

bool EncodePng(const RasterBitmap& bitmap, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    const std::int32_t width = bitmap.PixelWidth();
    const std::int32_t height = bitmap.PixelHeight();
    if (bitmap.PixelData() == nullptr || width < 1 || height < 1)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    // Rows are gathered before the jump point, so no object with a destructor is skipped by it.
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] =
            reinterpret_cast<png_bytep>(bitmap.PixelData() + static_cast<std::ptrdiff_t>(y) * bitmap.RowStride());
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        bytes.clear();
        return false;
    }
    png_set_write_fn(png, &bytes, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    // The pixels are stored blue, green, red, alpha.
    png_set_bgr(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace artwork

}  // namespace kestrelon
