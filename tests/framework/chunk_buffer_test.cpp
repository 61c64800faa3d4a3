#include "framework/chunk_buffer.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrelon {

namespace {

ChunkBuffer FromBytes(const std::vector<uint8_t>& bytes)
{
    ChunkBuffer buffer;
    buffer.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    return buffer;
}

std::vector<uint8_t> Bytes(const ChunkBuffer& buffer)
{
    return std::vector<uint8_t>(buffer.Data(), buffer.Data() + buffer.Size());
}

}  // namespace

TEST(ChunkBuffer, AppendsLittleEndian)
{
    ChunkBuffer buffer;
    buffer.PutInt32(0x70666674);
    buffer.PutInt32(-2);
    buffer.PutDouble(-1.0);
    buffer.PutByte(0xAB);
    buffer.PutText("ab");
    buffer.PutText("");
    const std::vector<uint8_t> expected = {
        0x74, 0x66, 0x66, 0x70, 0xFE, 0xFF, 0xFF, 0xFF,  // ints
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xBF,  // -1.0
        0xAB,  // byte
        0x02, 0x00, 0x00, 0x00, 'a',  'b',  0x00, 0x00, 0x00, 0x00,  // texts
    };
    EXPECT_EQ(Bytes(buffer), expected);

    buffer.PutBytes(buffer);  // appending a buffer to itself doubles it
    EXPECT_EQ(buffer.Size(), 2 * static_cast<int>(expected.size()));
    EXPECT_EQ(std::memcmp(buffer.Data() + expected.size(), expected.data(), expected.size()), 0);

    buffer.Resize(3);
    EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{0x74, 0x66, 0x66}));
    buffer.Resize(5);
    EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{0x74, 0x66, 0x66, 0, 0}));
    buffer.Clear();
    EXPECT_EQ(buffer.Size(), 0);
}

TEST(ChunkBuffer, ReadsStayInsideTheBuffer)
{
    ChunkBuffer buffer;
    buffer.PutInt32(-7);
    buffer.PutDouble(2.5);
    buffer.PutByte(9);  // 13 bytes

    int32_t i = 0;
    double d = 0.0;
    uint8_t b = 0;
    EXPECT_EQ(buffer.GetInt32(0, &i), 4);
    EXPECT_EQ(i, -7);
    EXPECT_EQ(buffer.GetDouble(4, &d), 12);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(buffer.GetByte(12, &b), 13);
    EXPECT_EQ(b, 9);

    // Reads that do not lie wholly inside fail with -1 and leave the destination.
    const struct {
        int pos;
        int width;
    } misses[] = {
        {10, 4}, {13, 4}, {-1, 4}, {-4, 4},          {INT_MIN, 4}, {INT_MAX, 4}, {INT_MAX - 2, 4},
        {6, 8},  {13, 8}, {-1, 8}, {INT_MAX - 4, 8}, {13, 1},      {-1, 1},      {INT_MAX, 1},
    };
    for (const auto& m : misses) {
        i = 111;
        d = 222.0;
        b = 33;
        const int r = m.width == 4   ? buffer.GetInt32(m.pos, &i)
                      : m.width == 8 ? buffer.GetDouble(m.pos, &d)
                                     : buffer.GetByte(m.pos, &b);
        EXPECT_EQ(r, -1) << "pos " << m.pos << " width " << m.width;
        EXPECT_EQ(i, 111);
        EXPECT_EQ(d, 222.0);
        EXPECT_EQ(b, 33);
    }

    ChunkBuffer empty;
    EXPECT_EQ(empty.GetByte(0, &b), -1);
}

TEST(ChunkBuffer, TextLengths)
{
    auto withLength = [](int32_t length, const std::string& tail) {
        ChunkBuffer buffer;
        buffer.PutInt32(length);
        buffer.PutBytes(tail.data(), static_cast<int>(tail.size()));
        return buffer;
    };
    const struct {
        int32_t length;
        std::string tail;
        int result;
        const char* text;
    } cases[] = {
        {3, "abcX", 7, "abc"},  // fits; the rest is left for the next read
        {0, "abc", 4, "keep"},  // empty: the destination keeps its text
        {5, "abc", 9, "keep"},  // runs past the end: position past it, text kept
        {-1, "abc", -1, "keep"},  // negative lengths would move the reader back
        {-4, "abc", -1, "keep"},
        {INT32_MAX, "abc", -1, "keep"},  // the position would overflow
        {INT32_MAX - 4, "abc", INT32_MAX, "keep"},
        {INT32_MAX - 3, "abc", -1, "keep"},
    };
    for (const auto& c : cases) {
        const ChunkBuffer buffer = withLength(c.length, c.tail);
        char text[16] = "keep";
        EXPECT_EQ(buffer.GetText(0, text, sizeof(text)), c.result) << "length " << c.length;
        EXPECT_STREQ(text, c.text) << "length " << c.length;
    }

    // A position near the end plus a large length must not wrap either.
    ChunkBuffer padded;
    padded.Resize(100);
    padded.PutInt32(INT32_MAX - 50);
    char text[16] = "keep";
    EXPECT_EQ(padded.GetText(100, text, sizeof(text)), -1);
    EXPECT_EQ(padded.GetText(-1, text, sizeof(text)), -1);
    EXPECT_EQ(padded.GetText(101, text, sizeof(text)), -1);
    EXPECT_STREQ(text, "keep");

    // Texts longer than the destination are cut on a character boundary.
    ChunkBuffer longName;
    longName.PutText("abcdefgh\xC3\xA9xyz");
    char small[10];
    EXPECT_EQ(longName.GetText(0, small, sizeof(small)), 4 + 13);
    EXPECT_STREQ(small, "abcdefgh");
}

TEST(ChunkBuffer, Header)
{
    ChunkBuffer buffer;
    buffer.PutByte(0xEE);
    WriteChunkHeader(buffer);
    EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));

    int pos = 0;
    EXPECT_EQ(ReadChunkHeader(buffer, pos), 0x00010000);
    EXPECT_EQ(pos, 8);

    // No header: version 0 and the position unchanged, so the data is read from there.
    const ChunkBuffer bare = FromBytes({0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    pos = 0;
    EXPECT_EQ(ReadChunkHeader(bare, pos), 0);
    EXPECT_EQ(pos, 0);
    const ChunkBuffer tiny = FromBytes({0x74, 0x66});
    pos = 0;
    EXPECT_EQ(ReadChunkHeader(tiny, pos), 0);
    EXPECT_EQ(pos, 0);

    // The magic followed by a cut-off version is a broken chunk.
    const ChunkBuffer cut = FromBytes({0x74, 0x66, 0x66, 0x70, 0x00, 0x00});
    pos = 0;
    EXPECT_EQ(ReadChunkHeader(cut, pos), 0);
    EXPECT_EQ(pos, -1);
}

}  // namespace kestrelon
