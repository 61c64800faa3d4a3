#include "framework/chunk_buffer.h"

#include <climits>
#include <cstring>

#include "text/text_copy.h"

namespace kestrelon {

namespace {

// Chunks are little-endian whatever the machine; both targets are, but the
// byte order is spelt out so the format never depends on it.
void StoreLE(std::vector<uint8_t>& bytes, uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint64_t LoadLE(const uint8_t* p, int n)
{
    uint64_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace

void ChunkBuffer::PutInt32(int32_t v)
{
    StoreLE(bytes, static_cast<uint32_t>(v), 4);
}

void ChunkBuffer::PutDouble(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof(bits));
    StoreLE(bytes, bits, 8);
}

void ChunkBuffer::PutByte(uint8_t v)
{
    bytes.push_back(v);
}

void ChunkBuffer::PutText(const char* text)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    PutInt32(static_cast<int32_t>(length));
    PutBytes(text, static_cast<int>(length));
}

void ChunkBuffer::PutBytes(const ChunkBuffer& other)
{
    // Copied by index so that appending a buffer to itself is safe.
    const std::size_t n = other.bytes.size();
    bytes.reserve(bytes.size() + n);
    for (std::size_t i = 0; i < n; ++i)
        bytes.push_back(other.bytes[i]);
}

void ChunkBuffer::PutBytes(const void* data, int size)
{
    if (!data || size <= 0)
        return;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
}

const uint8_t* ChunkBuffer::Span(int pos, int n) const
{
    // 64-bit arithmetic: pos + n must not wrap for positions near INT_MAX.
    if (pos < 0 || n < 0 || static_cast<int64_t>(pos) + n > static_cast<int64_t>(bytes.size()))
        return nullptr;
    return bytes.data() + pos;
}

int ChunkBuffer::GetInt32(int pos, int32_t* dest) const
{
    const uint8_t* p = Span(pos, 4);
    if (!p)
        return -1;
    if (dest)
        *dest = static_cast<int32_t>(static_cast<uint32_t>(LoadLE(p, 4)));
    return pos + 4;
}

int ChunkBuffer::GetDouble(int pos, double* dest) const
{
    const uint8_t* p = Span(pos, 8);
    if (!p)
        return -1;
    if (dest) {
        const uint64_t bits = LoadLE(p, 8);
        std::memcpy(dest, &bits, sizeof(bits));
    }
    return pos + 8;
}

int ChunkBuffer::GetByte(int pos, uint8_t* dest) const
{
    const uint8_t* p = Span(pos, 1);
    if (!p)
        return -1;
    if (dest)
        *dest = *p;
    return pos + 1;
}

int ChunkBuffer::GetText(int pos, char* dest, int capacity) const
{
    int32_t length = 0;
    const int start = GetInt32(pos, &length);
    if (start < 0)
        return -1;
    // A stored length is outside data: a negative one would move the reader
    // backwards, and one near INT32_MAX would overflow the position.
    const int64_t end = static_cast<int64_t>(start) + length;
    if (length < 0 || end > INT_MAX)
        return -1;
    const uint8_t* p = Span(start, length);
    if (length >= 1 && p && dest && capacity > 0)
        CopyTextTruncated(dest, static_cast<std::size_t>(capacity), reinterpret_cast<const char*>(p),
                          static_cast<std::size_t>(length));
    return static_cast<int>(end);
}

void ChunkBuffer::Resize(int size)
{
    bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0, 0);
}

void WriteChunkHeader(ChunkBuffer& buffer)
{
    buffer.Clear();
    buffer.PutInt32(kChunkMagic);
    buffer.PutInt32(kChunkVersion);
}

int32_t ReadChunkHeader(const ChunkBuffer& buffer, int& pos)
{
    int32_t magic = 0;
    if (buffer.GetInt32(pos, &magic) < 0 || magic != kChunkMagic)
        return 0;
    int32_t version = 0;
    const int next = buffer.GetInt32(pos + 4, &version);
    if (next < 0) {
        pos = -1;
        return 0;
    }
    pos = next;
    return version;
}

}  // namespace kestrelon
