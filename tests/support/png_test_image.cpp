#include "tests/support/png_test_image.h"

#include <png.h>

#include <csetjmp>

namespace kestrelon {

int PngTestImage::ChannelCount() const
{
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

namespace {

// xorshift32: the same images on every platform and standard library.
struct TestRandom {
    std::uint32_t state;
    std::uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

std::uint8_t ScaleTo8(std::uint16_t sample, int bitDepth)
{
    if (bitDepth == 16)
        return static_cast<std::uint8_t>(sample >> 8);
    if (bitDepth == 8)
        return static_cast<std::uint8_t>(sample);
    // Low depths stretch over the full range: 1 bit 0/255, 2 bits steps of 85, 4 bits of 17.
    return static_cast<std::uint8_t>(sample * 255 / ((1 << bitDepth) - 1));
}

RasterPixel Argb(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<RasterPixel>(a) << 24 | static_cast<RasterPixel>(r) << 16 | static_cast<RasterPixel>(g) << 8 | b;
}

std::vector<std::uint8_t> PackRow(const PngTestImage& image, int y)
{
    const int channels = image.ChannelCount();
    const std::uint16_t* sample = image.samples.data() + static_cast<std::size_t>(y) * image.width * channels;
    const int count = image.width * channels;
    std::vector<std::uint8_t> row;
    if (image.bitDepth == 16) {
        for (int i = 0; i < count; ++i) {
            row.push_back(static_cast<std::uint8_t>(sample[i] >> 8));
            row.push_back(static_cast<std::uint8_t>(sample[i]));
        }
    } else if (image.bitDepth == 8) {
        for (int i = 0; i < count; ++i)
            row.push_back(static_cast<std::uint8_t>(sample[i]));
    } else {
        // Packed most significant bits first, the last byte padded with zero bits.
        row.assign((static_cast<std::size_t>(count) * image.bitDepth + 7) / 8, 0);
        for (int i = 0; i < count; ++i) {
            const int bit = i * image.bitDepth;
            row[bit / 8] |= static_cast<std::uint8_t>(sample[i] << (8 - image.bitDepth - bit % 8));
        }
    }
    return row;
}

void AppendToFile(png_structp png, png_bytep data, png_size_t count)
{
    auto* file = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    file->insert(file->end(), data, data + count);
}

void FlushNothing(png_structp)
{}
void IgnoreWarning(png_structp, png_const_charp)
{}

// Everything libpng is handed is prepared by the caller, so no object with a destructor lives
// across the setjmp.
struct WriterInput {
    png_bytep* rows;
    png_colorp palette;
    int paletteSize;
    png_bytep paletteAlpha;
    int paletteAlphaSize;
    png_color_16* colourKey;
    png_textp text;
};

bool WriteWithLibpng(const PngTestImage& image, const WriterInput& in, std::vector<std::uint8_t>* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToFile, FlushNothing);
    if (image.compressionLevel >= 0)
        png_set_compression_level(png, image.compressionLevel);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colourType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (in.paletteSize > 0)
        png_set_PLTE(png, info, in.palette, in.paletteSize);
    if (in.paletteAlphaSize > 0 || in.colourKey != nullptr)
        png_set_tRNS(png, info, in.paletteAlpha, in.paletteAlphaSize, in.colourKey);
    if (in.text != nullptr)
        png_set_text(png, info, in.text, 1);
    png_write_info(png, info);
    png_set_interlace_handling(png);
    png_write_image(png, in.rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

PngTestImage MakeTestImage(int colourType, int bitDepth, int width, int height, bool interlaced, bool withTransparency,
                           std::uint32_t seed)
{
    TestRandom random{seed * 2654435761u + 1};
    PngTestImage image;
    image.width = width;
    image.height = height;
    image.colourType = colourType;
    image.bitDepth = bitDepth;
    image.interlaced = interlaced;
    std::uint32_t sampleLimit = 1u << bitDepth;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        // Fewer entries than indices at 8 bits, as real palettes have; indices stay valid.
        const int entries = bitDepth == 8 ? 200 : 1 << bitDepth;
        for (int i = 0; i < entries; ++i) {
            const std::uint32_t c = random.Next();
            image.palette.push_back(
                {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c >> 16)});
        }
        if (withTransparency) {
            // One entry short of the palette: the last entry keeps the implied alpha 255.
            for (int i = 0; i < entries - 1; ++i)
                image.paletteAlpha.push_back(i == 0 ? 0 : static_cast<std::uint8_t>(random.Next()));
        }
        sampleLimit = static_cast<std::uint32_t>(entries);
    }
    const std::size_t count = static_cast<std::size_t>(width) * height * image.ChannelCount();
    for (std::size_t i = 0; i < count; ++i)
        image.samples.push_back(static_cast<std::uint16_t>(random.Next() % sampleLimit));

    if (withTransparency && (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_RGB)) {
        image.hasColourKey = true;
        const int channels = image.ChannelCount();
        if (colourType == PNG_COLOR_TYPE_GRAY) {
            image.keyGrey = image.samples[0];
        } else {
            image.keyRed = image.samples[0];
            image.keyGreen = image.samples[1];
            image.keyBlue = image.samples[2];
        }
        // A near miss: only the last channel's lowest bit differs, which a 16-bit key must
        // still tell apart after the low bytes are dropped.
        if (width * height > 1) {
            for (int c = 0; c < channels; ++c)
                image.samples[channels + c] = image.samples[c];
            image.samples[2 * channels - 1] ^= 1;
        }
    }
    return image;
}

std::vector<std::uint8_t> EncodePng(const PngTestImage& image)
{
    std::vector<std::vector<std::uint8_t>> packed;
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y)
        packed.push_back(PackRow(image, y));
    for (auto& row : packed)
        rows.push_back(row.data());
    std::vector<png_color> palette;
    for (const PngTestColour& c : image.palette)
        palette.push_back({c.red, c.green, c.blue});
    std::vector<png_byte> paletteAlpha(image.paletteAlpha.begin(), image.paletteAlpha.end());
    png_color_16 key{};
    key.gray = image.keyGrey;
    key.red = image.keyRed;
    key.green = image.keyGreen;
    key.blue = image.keyBlue;
    std::string keyword = "Comment";
    std::string text = image.text;
    png_text textChunk{};
    textChunk.compression = PNG_TEXT_COMPRESSION_NONE;
    textChunk.key = keyword.data();
    textChunk.text = text.data();
    textChunk.text_length = text.size();

    WriterInput in{};
    in.rows = rows.data();
    in.palette = palette.empty() ? nullptr : palette.data();
    in.paletteSize = static_cast<int>(palette.size());
    in.paletteAlpha = paletteAlpha.empty() ? nullptr : paletteAlpha.data();
    in.paletteAlphaSize = static_cast<int>(paletteAlpha.size());
    in.colourKey = image.hasColourKey ? &key : nullptr;
    in.text = text.empty() ? nullptr : &textChunk;

    std::vector<std::uint8_t> file;
    if (!WriteWithLibpng(image, in, &file))
        file.clear();
    return file;
}

std::vector<RasterPixel> ExpectedPixels(const PngTestImage& image)
{
    std::vector<RasterPixel> pixels;
    const int channels = image.ChannelCount();
    const int depth = image.bitDepth;
    for (int i = 0; i < image.width * image.height; ++i) {
        const std::uint16_t* s = image.samples.data() + static_cast<std::size_t>(i) * channels;
        switch (image.colourType) {
        case PNG_COLOR_TYPE_GRAY: {
            const std::uint8_t g = ScaleTo8(s[0], depth);
            const bool keyed = image.hasColourKey && s[0] == image.keyGrey;
            pixels.push_back(Argb(keyed ? 0 : 255, g, g, g));
            break;
        }
        case PNG_COLOR_TYPE_GRAY_ALPHA: {
            const std::uint8_t g = ScaleTo8(s[0], depth);
            pixels.push_back(Argb(ScaleTo8(s[1], depth), g, g, g));
            break;
        }
        case PNG_COLOR_TYPE_RGB: {
            const bool keyed =
                image.hasColourKey && s[0] == image.keyRed && s[1] == image.keyGreen && s[2] == image.keyBlue;
            pixels.push_back(
                Argb(keyed ? 0 : 255, ScaleTo8(s[0], depth), ScaleTo8(s[1], depth), ScaleTo8(s[2], depth)));
            break;
        }
        case PNG_COLOR_TYPE_RGB_ALPHA:
            pixels.push_back(
                Argb(ScaleTo8(s[3], depth), ScaleTo8(s[0], depth), ScaleTo8(s[1], depth), ScaleTo8(s[2], depth)));
            break;
        case PNG_COLOR_TYPE_PALETTE: {
            const PngTestColour& c = image.palette[s[0]];
            const std::uint8_t a = s[0] < image.paletteAlpha.size() ? image.paletteAlpha[s[0]] : 255;
            pixels.push_back(Argb(a, c.red, c.green, c.blue));
            break;
        }
        }
    }
    return pixels;
}

std::vector<RasterPixel> BitmapPixels(const RasterBitmap& bitmap)
{
    std::vector<RasterPixel> pixels;
    const RasterPixel* data = bitmap.PixelData();
    if (data == nullptr)
        return pixels;
    const int height = bitmap.PixelHeight();
    for (int y = 0; y < height; ++y) {
        const int stored = bitmap.StoresBottomUp() ? height - 1 - y : y;
        const RasterPixel* row = data + static_cast<std::ptrdiff_t>(stored) * bitmap.RowStride();
        pixels.insert(pixels.end(), row, row + bitmap.PixelWidth());
    }
    return pixels;
}

std::uint32_t PngCrc(const std::uint8_t* bytes, std::size_t count)
{
    // Bitwise CRC-32 (reflected, polynomial 0xEDB88320), as chunks carry it.
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t ReadBigEndian32(const std::vector<std::uint8_t>& file, std::size_t offset)
{
    return static_cast<std::uint32_t>(file[offset]) << 24 | static_cast<std::uint32_t>(file[offset + 1]) << 16 |
           static_cast<std::uint32_t>(file[offset + 2]) << 8 | file[offset + 3];
}

void WriteBigEndian32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::vector<std::size_t> PngChunkOffsets(const std::vector<std::uint8_t>& file)
{
    std::vector<std::size_t> offsets;
    std::size_t offset = 8;
    while (offset + 12 <= file.size()) {
        offsets.push_back(offset);
        offset += 12 + static_cast<std::size_t>(ReadBigEndian32(file, offset));
    }
    return offsets;
}

std::string PngChunkType(const std::vector<std::uint8_t>& file, std::size_t offset)
{
    return std::string(file.begin() + static_cast<std::ptrdiff_t>(offset) + 4,
                       file.begin() + static_cast<std::ptrdiff_t>(offset) + 8);
}

void FixPngCrc(std::vector<std::uint8_t>& file, std::size_t offset)
{
    const std::uint32_t length = ReadBigEndian32(file, offset);
    WriteBigEndian32(file, offset + 8 + length, PngCrc(file.data() + offset + 4, length + 4));
}

}  // namespace kestrelon
