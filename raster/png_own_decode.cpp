// The module's own images, decoded without libpng's row-at-a-time machinery: every one of them
// is 8-bit RGBA, not interlaced, and as trusted as the code, so their data is inflated in one
// call straight into a buffer of all rows, unfiltered in place and swizzled into the bitmap.
// The first editor opening of a process waits for this. Anything else goes to libpng.
#include "raster/png_decoder.h"
#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace kestrelon {

namespace {

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Undoes the five PNG filters on rows of four bytes a pixel; prior is the row above, already
// unfiltered (zeros above the first). False for an unknown filter type.
bool UnfilterRow(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prior, std::size_t bytes)
{
    switch (type) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = 4; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - 4]);
        return true;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
        return true;
    case 3:
        for (std::size_t i = 0; i < 4 && i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + (prior[i] >> 1));
        for (std::size_t i = 4; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - 4] + prior[i]) >> 1));
        return true;
    case 4:
        for (std::size_t i = 0; i < 4 && i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);  // left and upper left are zero
        for (std::size_t i = 4; i < bytes; ++i) {
            const int a = row[i - 4];
            const int b = prior[i];
            const int c = prior[i - 4];
            const int pa = std::abs(b - c);
            const int pb = std::abs(a - c);
            const int pc = std::abs(a + b - 2 * c);
            const int predicted = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            row[i] = static_cast<std::uint8_t>(row[i] + predicted);
        }
        return true;
    default:
        return false;
    }
}

struct InflateEnd {
    z_stream* stream;
    ~InflateEnd() { inflateEnd(stream); }
};

}  // namespace

// Any thread.
RasterMemBitmap* DecodeOwnRgba8(const std::uint8_t* data, std::int32_t length, bool& handled)
{
    handled = false;
    PngHeader header;
    // The walk checks every chunk's CRC and that IHDR comes first and IEND last.
    if (!ReadPngHeader(data, length, header) || length < 33)
        return nullptr;
    const std::uint8_t* ihdr = data + 16;
    // 8-bit RGBA, deflate, adaptive filters, no interlacing: what the artwork is written as.
    if (ihdr[8] != 8 || ihdr[9] != 6 || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] != 0)
        return nullptr;
    handled = true;

    const std::size_t width = static_cast<std::size_t>(header.width);
    const std::size_t height = static_cast<std::size_t>(header.height);
    const std::size_t rowBytes = width * 4;
    const std::size_t total = (rowBytes + 1) * height;
    std::unique_ptr<std::uint8_t[]> raw(new (std::nothrow) std::uint8_t[total]);
    std::unique_ptr<RasterMemBitmap> bitmap(new (std::nothrow) RasterMemBitmap(header.width, header.height));
    if (!raw || !bitmap || !bitmap->PixelData())
        return nullptr;

    // Raw deflate after the two-byte zlib header: the trailing Adler-32 over the inflated pixels
    // is not checked (as libpng is told for these images); every chunk's CRC was.
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        return nullptr;
    InflateEnd ending{&stream};
    stream.next_out = raw.get();
    stream.avail_out = static_cast<uInt>(total);
    bool headerSkipped = false;
    bool ended = false;
    std::int64_t pos = 8;
    while (!ended && pos + 12 <= length) {
        const std::uint32_t size = BigEndian32(data + pos);
        const std::uint8_t* type = data + pos + 4;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            const std::uint8_t* chunk = type + 4;
            uInt available = size;
            if (!headerSkipped) {
                // The header's two bytes arrive in the first IDAT with data in every writer we use.
                if (available < 2 || (chunk[0] & 0x0F) != 8 || (chunk[1] & 0x20) != 0 ||
                    ((chunk[0] << 8) | chunk[1]) % 31 != 0)
                    return nullptr;
                chunk += 2;
                available -= 2;
                headerSkipped = true;
            }
            stream.next_in = const_cast<Bytef*>(chunk);
            stream.avail_in = available;
            while (stream.avail_in > 0) {
                const int result = inflate(&stream, Z_NO_FLUSH);
                if (result == Z_STREAM_END) {
                    ended = true;
                    break;
                }
                if (result != Z_OK)
                    return nullptr;
            }
        } else if ((type[0] & 0x20) == 0 && std::memcmp(type, "IHDR", 4) != 0) {
            return nullptr;  // a critical chunk this path does not know: not one of ours
        }
        pos += 12 + static_cast<std::int64_t>(size);
    }
    if (!ended || stream.avail_out != 0)
        return nullptr;

    const std::ptrdiff_t stride = bitmap->RowStride();
    std::unique_ptr<std::uint8_t[]> zeros(new (std::nothrow) std::uint8_t[rowBytes]());
    if (!zeros)
        return nullptr;
    const std::uint8_t* prior = zeros.get();
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = raw.get() + y * (rowBytes + 1);
        if (!UnfilterRow(row[0], row + 1, prior, rowBytes))
            return nullptr;
        const std::size_t stored = bitmap->StoresBottomUp() ? height - 1 - y : y;
        RasterPixel* out = bitmap->PixelData() + static_cast<std::ptrdiff_t>(stored) * stride;
        const std::uint8_t* in = row + 1;
        for (std::size_t x = 0; x < width; ++x, in += 4)
            out[x] = (RasterPixel{in[3]} << 24) | (RasterPixel{in[0]} << 16) | (RasterPixel{in[1]} << 8) | in[2];
        prior = row + 1;
    }
    return bitmap.release();
}

}  // namespace kestrelon
