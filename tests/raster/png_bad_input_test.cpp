#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/support/png_test_image.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace kestrelon {

namespace {

// Each attempt gets a heap block of exactly the bytes given, so that a sanitizer build catches
// any read past them.
bool LoadsFromCopy(const std::vector<std::uint8_t>& file, std::size_t length)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[length > 0 ? length : 1]);
    std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length), copy.get());
    std::unique_ptr<RasterMemBitmap> bitmap(LoadPngFromMemory(copy.get(), static_cast<std::int32_t>(length)));
    return bitmap != nullptr;
}

bool Loads(const std::vector<std::uint8_t>& file)
{
    return LoadsFromCopy(file, file.size());
}

// Bytes in use on the heap, where the C library can tell; -1 elsewhere.
long long HeapInUse()
{
#ifdef __GLIBC__
    return static_cast<long long>(mallinfo2().uordblks);
#else
    return -1;
#endif
}

std::vector<std::vector<std::uint8_t>> SampleFiles()
{
    PngTestImage palette = MakeTestImage(3, 4, 9, 9, true, true, 1);
    palette.text = "made for the loader tests";
    return {EncodePng(palette), EncodePng(MakeTestImage(6, 16, 7, 5, true, false, 2)),
            EncodePng(MakeTestImage(0, 1, 17, 3, false, false, 3)),
            EncodePng(MakeTestImage(2, 8, 6, 6, false, true, 4))};
}

TEST(PngBadInput, NullShortOrForeignDataIsRefused)
{
    const std::vector<std::uint8_t> file = EncodePng(MakeTestImage(6, 8, 2, 2, false, false, 5));
    ASSERT_TRUE(Loads(file));
    EXPECT_EQ(LoadPngFromMemory(nullptr, 100), nullptr);
    EXPECT_EQ(LoadPngFromMemory(file.data(), 0), nullptr);
    EXPECT_EQ(LoadPngFromMemory(file.data(), -1), nullptr);
    EXPECT_EQ(LoadPngFromMemory(file.data(), INT32_MIN), nullptr);
    EXPECT_FALSE(LoadsFromCopy(file, 7));
    for (std::size_t i = 0; i < 8; ++i) {
        std::vector<std::uint8_t> foreign = file;
        foreign[i] ^= 0x20;  // e.g. "\x89png": a signature off by one letter's case
        EXPECT_FALSE(Loads(foreign)) << "signature byte " << i;
    }
}

int LoadedTruncations(const std::vector<std::uint8_t>& file)
{
    int loaded = 0;
    for (std::size_t length = 0; length < file.size(); ++length)
        loaded += LoadsFromCopy(file, length) ? 1 : 0;
    return loaded;
}

TEST(PngBadInput, EveryTruncationIsRefusedWithoutLeaking)
{
    for (const auto& file : SampleFiles()) {
        ASSERT_TRUE(Loads(file));
        // The first sweep settles the allocator's caches of freed blocks; the second, making
        // the same calls, must then end with the heap exactly as it began.
        EXPECT_EQ(LoadedTruncations(file), 0) << "of " << file.size() << " truncated copies";
        const long long before = HeapInUse();
        LoadedTruncations(file);
        EXPECT_EQ(HeapInUse(), before);
    }
}

TEST(PngBadInput, DamageInAnyChunkIsRefused)
{
    for (const auto& file : SampleFiles()) {
        const std::vector<std::size_t> chunks = PngChunkOffsets(file);
        ASSERT_GE(chunks.size(), 3u);
        for (std::size_t offset : chunks) {
            const std::string type = PngChunkType(file, offset);
            const std::uint32_t length = ReadBigEndian32(file, offset);
            SCOPED_TRACE(type);
            std::vector<std::uint8_t> badCrc = file;
            badCrc[offset + 8 + length] ^= 0x01;
            EXPECT_FALSE(Loads(badCrc)) << "bad CRC";
            if (length > 0) {
                std::vector<std::uint8_t> badData = file;
                badData[offset + 8 + length / 2] ^= 0x40;
                EXPECT_FALSE(Loads(badData)) << "changed data, old CRC";
            }
            std::vector<std::uint8_t> badType = file;
            badType[offset + 4] = '!';
            FixPngCrc(badType, offset);
            EXPECT_FALSE(Loads(badType)) << "invalid chunk name";
        }
    }
}

TEST(PngBadInput, NoChunkMayStandBeforeIhdr)
{
    const std::vector<std::uint8_t> file = EncodePng(MakeTestImage(6, 8, 2, 2, false, false, 7));
    ASSERT_TRUE(Loads(file));
    // The chunks the decoder skips unread among them: skipped, they escaped libpng's own check.
    for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "eXIf", "gAMA"}) {
        SCOPED_TRACE(type);
        // Four bytes of data, then room for the CRC.
        const std::string bytes = std::string("\0\0\0\4", 4) + type + std::string("ab\0c\0\0\0\0", 8);
        std::vector<std::uint8_t> chunk(bytes.begin(), bytes.end());
        FixPngCrc(chunk, 0);
        std::vector<std::uint8_t> early = file;
        early.insert(early.begin() + 8, chunk.begin(), chunk.end());
        EXPECT_FALSE(Loads(early));
    }
}

TEST(PngBadInput, ChunkLengthsBeyondTheDataAreRefused)
{
    // Refused when the data runs out, not after reading on through what the length claims
    // (2 GiB of zeros took seconds per file).
    const auto start = std::chrono::steady_clock::now();
    for (const auto& file : SampleFiles()) {
        for (std::size_t offset : PngChunkOffsets(file)) {
            SCOPED_TRACE(PngChunkType(file, offset));
            for (std::uint32_t length :
                 {static_cast<std::uint32_t>(file.size()), 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
                std::vector<std::uint8_t> bad = file;
                WriteBigEndian32(bad, offset, length);
                EXPECT_FALSE(Loads(bad)) << "length " << length;
            }
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(PngBadInput, AbsurdSizesAreRefusedBeforeAnyPixelMemory)
{
    const std::vector<std::uint8_t> file = EncodePng(MakeTestImage(6, 8, 4, 4, false, false, 6));
    ASSERT_TRUE(Loads(file));
    struct Size {
        std::uint32_t width, height;
    };
    // Beyond 256 megapixels of bitmap (rows rounded up to 4 pixels), beyond the per-side limit,
    // zero, and beyond what a PNG may state.
    for (Size size : {Size{16385, 16384}, Size{16381, 16385}, Size{100000, 100000}, Size{(1u << 20) + 1, 1},
                      Size{1, (1u << 20) + 1}, Size{0, 4}, Size{4, 0}, Size{0x80000000u, 1}}) {
        SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
        std::vector<std::uint8_t> huge = file;
        WriteBigEndian32(huge, 16, size.width);
        WriteBigEndian32(huge, 20, size.height);
        FixPngCrc(huge, 8);
        EXPECT_FALSE(Loads(huge));
        const long long before = HeapInUse();
        Loads(huge);
        EXPECT_EQ(HeapInUse(), before);
    }
}

}  // namespace

}  // namespace kestrelon
