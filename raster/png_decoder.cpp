#include "raster/png_decoder.h"

#include "raster/raster_bitmap.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kestrelon {

namespace {

// Read state of both loaders, and the stream's first 16 bytes: the signature and the first
// chunk's length and type.
struct PngSource {
    std::FILE* file;
    const std::uint8_t* read;
    std::int32_t remaining;
    std::uint8_t head[16];
    std::size_t headBytes;
};

// libpng lets chunks it was told to skip stand before IHDR, where no chunk may; the file is
// refused as one with any other chunk there is.
void CheckFirstChunk(png_structp png, PngSource& source, const std::uint8_t* bytes, png_size_t count)
{
    if (source.headBytes >= sizeof source.head)
        return;
    const std::size_t taken = std::min(sizeof source.head - source.headBytes, static_cast<std::size_t>(count));
    std::memcpy(source.head + source.headBytes, bytes, taken);
    source.headBytes += taken;
    if (source.headBytes == sizeof source.head && std::memcmp(source.head + 12, "IHDR", 4) != 0)
        png_error(png, "the first chunk is not IHDR");
}

// A complete image never asks for more than it holds (decoding stops at IEND), so a read past
// the end fails the load at once. Handing libpng zero bytes and waiting for its own checks would
// come to the same null, but only after a chunk length of 2 GiB in a 100-byte resource had been
// read through as zeros.
void ReadFromSource(png_structp png, png_bytep buffer, png_size_t count)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->file != nullptr) {
        if (std::fread(buffer, 1, count, source->file) != count)
            png_error(png, "data ends early");
    } else {
        if (count > static_cast<png_size_t>(source->remaining))
            png_error(png, "data ends early");
        std::memcpy(buffer, source->read, count);
        source->read += count;
        source->remaining -= static_cast<std::int32_t>(count);
    }
    CheckFirstChunk(png, *source, buffer, count);
}

// The loaders report failure as null only; libpng's default handlers would print to stderr.
[[noreturn]] void OnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{}

// A caller's bitmap that a failed decode has already resized holds half-written rows in
// libpng's byte order; leave it transparent rather than showing that.
void ClearPixels(RasterBitmap* bitmap)
{
    RasterPixel* row = bitmap->PixelData();
    const std::int32_t width = bitmap->PixelWidth();
    if (row == nullptr || width <= 0)
        return;
    for (std::int32_t y = 0; y < bitmap->PixelHeight(); ++y, row += bitmap->RowStride())
        std::memset(row, 0, static_cast<std::size_t>(width) * sizeof(RasterPixel));
}

// Chooses libpng's transformations so that every colour type and depth arrives as the four
// 8-bit bytes blue, green, red, alpha per pixel: in memory, a RasterPixel itself.
void RequestBgra8(png_structp png, png_infop info, int bitDepth, int colourType)
{
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        colourType |= PNG_COLOR_MASK_ALPHA;
    }
    // Drops the low byte of each sample, no rounding: 16-bit images keep their high bytes.
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (bitDepth < 8)
        png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
}

}  // namespace

// Any thread.
RasterBitmap* DecodePng(const PngInput& input, RasterBitmap* destination)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png == nullptr)
        return nullptr;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }

    PngSource source{input.file, input.data, input.length, {}, 0};
    // libpng errors land at the setjmp below. Nothing with a destructor may live across it, and
    // what the recovery path releases is volatile so that it sees the values stored last.
    RasterBitmap* volatile bitmap = nullptr;
    png_bytep* volatile rows = nullptr;

    if (setjmp(png_jmpbuf(png))) {
        std::free(rows);
        if (bitmap != destination)
            delete bitmap;
        else if (bitmap != nullptr)
            ClearPixels(bitmap);
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }

    png_set_read_fn(png, &source, ReadFromSource);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    // What ancillary chunks may make libpng allocate (8 MB each) and keep (a thousand), stated
    // here rather than left to how each platform's libpng happened to be configured.
    png_set_chunk_malloc_max(png, 8000000);
    png_set_chunk_cache_max(png, 1000);
    // Text, colour profiles and the like are never used: skipping them (their CRCs are still
    // checked) spares allocating, and inflating, whatever their lengths claim.
    static const png_byte kUnusedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnusedChunks, 6);
    // A bad CRC fails the load in every chunk: a damaged tRNS would otherwise be dropped
    // silently and turn transparent pixels opaque.
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
#if defined(PNG_IGNORE_ADLER32)
    // The module's own images are as trusted as its code, and every chunk's CRC is still
    // checked: the second checksum over the inflated pixels costs a fifth of their decoding.
    if (input.ownResource)
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif

    png_read_info(png, info);
    png_uint_32 imageWidth = 0;
    png_uint_32 imageHeight = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    int compression = 0;
    int filter = 0;
    png_get_IHDR(png, info, &imageWidth, &imageHeight, &bitDepth, &colourType, &interlace, &compression, &filter);
    // Checked before the bitmap exists; the stride is what the bitmap will really allocate.
    const std::int64_t stride = (static_cast<std::int64_t>(imageWidth) + 3) & ~std::int64_t{3};
    if (imageWidth == 0 || imageHeight == 0 || stride * imageHeight > kMaxPngPixels)
        png_error(png, "image too large");
    const auto width = static_cast<std::int32_t>(imageWidth);
    const auto height = static_cast<std::int32_t>(imageHeight);

    // Interlaced images need nothing more: png_read_image runs the passes itself.
    RequestBgra8(png, info, bitDepth, colourType);

    if (destination != nullptr) {
        destination->SetSize(width, height);
        bitmap = destination;
    } else {
        bitmap = new (std::nothrow) RasterMemBitmap(width, height);
    }
    RasterBitmap* const target = bitmap;
    if (target == nullptr || target->PixelData() == nullptr || target->PixelWidth() != width ||
        target->PixelHeight() != height)
        png_error(png, "no memory for the bitmap");

    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * static_cast<std::size_t>(height)));
    png_bytep* const rowTable = rows;
    if (rowTable == nullptr)
        png_error(png, "no memory for the row table");
    const std::ptrdiff_t stridePixels = target->RowStride();
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t stored = target->StoresBottomUp() ? height - 1 - y : y;
        rowTable[y] = reinterpret_cast<png_bytep>(target->PixelData() + stored * stridePixels);
    }

    png_read_image(png, rowTable);
    // Reading up to IEND checks the CRCs of the chunks behind the pixels, so a file cut short
    // anywhere is refused rather than passed off as complete.
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    std::free(rowTable);
    return target;
}

}  // namespace kestrelon
