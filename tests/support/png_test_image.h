#pragma once

// PNG images made at test time with libpng's own writer, and the pixels a correct loader must
// produce for them, worked out here from the samples without the loader's code.

#include "raster/raster_bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

struct PngTestColour {
    std::uint8_t red, green, blue;
};

struct PngTestImage {
    int width = 1;
    int height = 1;
    int colourType = 6;  // PNG colour type: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    // Row-major, ChannelCount() samples per pixel at bitDepth (palette: indices).
    std::vector<std::uint16_t> samples;
    std::vector<PngTestColour> palette;
    std::vector<std::uint8_t> paletteAlpha;  // tRNS of a palette image; may be shorter
    bool hasColourKey = false;  // tRNS of a grey or RGB image
    std::uint16_t keyGrey = 0, keyRed = 0, keyGreen = 0, keyBlue = 0;
    std::string text;  // written as a tEXt chunk ahead of the pixels when not empty
    int compressionLevel = -1;  // zlib level; -1 is libpng's default

    int ChannelCount() const;
};

// Random samples (deterministic for a seed), a random palette for palette images. With a
// colour key the key is taken from one pixel, and for 16-bit images a second pixel differs from
// the key in its low byte only.
PngTestImage MakeTestImage(int colourType, int bitDepth, int width, int height, bool interlaced, bool withTransparency,
                           std::uint32_t seed);

// The encoded file; empty if libpng refused the image.
std::vector<std::uint8_t> EncodePng(const PngTestImage& image);

// What the loader must deliver, row-major, width x height.
std::vector<RasterPixel> ExpectedPixels(const PngTestImage& image);

// The bitmap's pixels row-major (top row first whatever the storage), width x height.
std::vector<RasterPixel> BitmapPixels(const RasterBitmap& bitmap);

// Chunk surgery on encoded files. Offsets are those of a chunk's length field.
std::uint32_t PngCrc(const std::uint8_t* bytes, std::size_t count);
std::vector<std::size_t> PngChunkOffsets(const std::vector<std::uint8_t>& file);
std::string PngChunkType(const std::vector<std::uint8_t>& file, std::size_t offset);
std::uint32_t ReadBigEndian32(const std::vector<std::uint8_t>& file, std::size_t offset);
void WriteBigEndian32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value);
// Recomputes the CRC of the chunk at offset after its data was edited.
void FixPngCrc(std::vector<std::uint8_t>& file, std::size_t offset);

}  // namespace kestrelon
