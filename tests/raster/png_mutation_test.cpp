#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/support/png_test_image.h"

#include <gtest/gtest.h>

#include <memory>

namespace kestrelon {

namespace {

// Random damage that gets past the CRCs: bytes inside chunks are changed and each damaged
// chunk's CRC recomputed, so libpng's header, palette, transparency and pixel-data handling all
// see hostile values. Whatever comes out must be null or a whole bitmap of the stated size;
// the sanitizer builds check that nothing is read or written out of bounds on the way.
TEST(PngMutation, DamagedButCrcCorrectFilesDecodeWholeOrNotAtAll)
{
    std::vector<std::vector<std::uint8_t>> seeds;
    std::uint32_t seed = 500;
    for (auto [colourType, bitDepth] : {std::pair{0, 1}, std::pair{0, 16}, std::pair{2, 8}, std::pair{3, 2},
                                        std::pair{3, 8}, std::pair{4, 8}, std::pair{6, 16}}) {
        for (bool interlaced : {false, true})
            seeds.push_back(EncodePng(MakeTestImage(colourType, bitDepth, 11, 6, interlaced, colourType < 4, seed++)));
    }

    std::uint32_t random = 0x2545F491u;
    const auto next = [&random] {
        random ^= random << 13;
        random ^= random >> 17;
        random ^= random << 5;
        return random;
    };
    int loaded = 0;
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> file = seeds[round % seeds.size()];
        const std::vector<std::size_t> chunks = PngChunkOffsets(file);
        for (std::uint32_t n = 1 + next() % 3; n > 0; --n) {
            const std::size_t chunk = chunks[next() % chunks.size()];
            const std::uint32_t length = ReadBigEndian32(file, chunk);
            if (length == 0)
                continue;
            const std::size_t at = chunk + 8 + next() % length;
            const std::uint32_t how = next();
            file[at] = (how & 1) ? static_cast<std::uint8_t>(file[at] ^ (1u << (how >> 1) % 8))
                                 : static_cast<std::uint8_t>(how >> 8);
            FixPngCrc(file, chunk);
        }
        std::unique_ptr<RasterMemBitmap> bitmap(LoadPngFromMemory(file.data(), static_cast<std::int32_t>(file.size())));
        if (bitmap == nullptr) {
            ++refused;
            continue;
        }
        ++loaded;
        ASSERT_NE(bitmap->PixelData(), nullptr) << "round " << round;
        ASSERT_EQ(static_cast<std::uint32_t>(bitmap->PixelWidth()), ReadBigEndian32(file, 16)) << "round " << round;
        ASSERT_EQ(static_cast<std::uint32_t>(bitmap->PixelHeight()), ReadBigEndian32(file, 20)) << "round " << round;
    }
    // Both outcomes occur, so the damage neither always nor never reaches the decoder.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace

}  // namespace kestrelon
