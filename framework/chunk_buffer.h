#pragma once

#include <cstdint>
#include <vector>

namespace kestrelon {

// Growable byte buffer for state chunks. Values are appended and read back
// little-endian; every read takes a position and answers the position after
// the value, or -1 when the value is not wholly inside the buffer (the
// destination is then left as it was). A read at -1 fails too, so a chain of
// reads can run to its end and be checked once.
class ChunkBuffer {
public:
    void PutInt32(int32_t v);
    void PutDouble(double v);
    void PutByte(uint8_t v);
    // The text's length in bytes as an int32, then its bytes without terminator.
    void PutText(const char* text);
    void PutBytes(const ChunkBuffer& other);
    void PutBytes(const void* data, int size);

    int GetInt32(int pos, int32_t* dest) const;
    int GetDouble(int pos, double* dest) const;
    int GetByte(int pos, uint8_t* dest) const;
    // Reads a length L and L bytes into dest (capacity bytes with terminator,
    // cut on a UTF-8 character boundary). dest changes only when L >= 1 and
    // the bytes are there; a length that runs past the end still answers
    // pos + 4 + L so the next read fails. A negative length, or one whose end
    // lies beyond any position, answers -1.
    int GetText(int pos, char* dest, int capacity) const;

    void Resize(int size);  // new bytes are zero
    void Clear() { bytes.clear(); }
    int Size() const { return static_cast<int>(bytes.size()); }
    const uint8_t* Data() const { return bytes.data(); }
    uint8_t* Data() { return bytes.data(); }

private:
    // Start of n bytes at pos, or null when they are not all inside.
    const uint8_t* Span(int pos, int n) const;

    std::vector<uint8_t> bytes;
};

// Every chunk handed to the host starts with this 8-byte header.
constexpr int32_t kChunkMagic = 0x70666674;
constexpr int32_t kChunkVersion = 0x00010000;

// Clears buffer and writes the header.
void WriteChunkHeader(ChunkBuffer& buffer);
// Answers the stored version and moves pos past the header, or answers 0 and
// leaves pos alone when there is no header at pos (data saved without one);
// pos becomes -1 when the magic is there but the version is cut off.
int32_t ReadChunkHeader(const ChunkBuffer& buffer, int& pos);

}  // namespace kestrelon
