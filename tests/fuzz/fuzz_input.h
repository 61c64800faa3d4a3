#pragma once

// The fuzzer's bytes read front to back as the values a host session is made
// of. Past the end every read gives zeros, so any input, however short, is a
// whole session and the checked-in seeds can be written by hand.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kestrelon {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Empty() const { return pos >= size; }
    std::size_t Remaining() const { return pos < size ? size - pos : 0; }

    std::uint8_t Byte() { return pos < size ? data[pos++] : 0; }

    bool Flag() { return (Byte() & 1) != 0; }

    std::uint16_t U16() { return static_cast<std::uint16_t>(Raw<std::uint16_t>()); }
    std::int32_t I32() { return Raw<std::int32_t>(); }
    std::int64_t I64() { return Raw<std::int64_t>(); }
    // Any bit pattern: NaNs, infinities and denormals included.
    float Float() { return Raw<float>(); }
    double Double() { return Raw<double>(); }

    // count bytes, zeros beyond the end.
    std::vector<std::uint8_t> Bytes(std::size_t count)
    {
        std::vector<std::uint8_t> out(count, 0);
        const std::size_t available = count < Remaining() ? count : Remaining();
        if (available > 0)
            std::memcpy(out.data(), data + pos, available);
        pos += available;
        return out;
    }

    // A text of up to maxLength bytes, its length first (two bytes). It may
    // hold any byte but NUL, which would only end it early.
    std::string Text(std::size_t maxLength)
    {
        const std::size_t length = U16() % (maxLength + 1);
        std::string text;
        for (std::size_t i = 0; i < length && !Empty(); ++i) {
            const std::uint8_t c = Byte();
            text.push_back(c != 0 ? static_cast<char>(c) : ' ');
        }
        return text;
    }

private:
    template <typename T>
    T Raw()
    {
        std::uint8_t bytes[sizeof(T)] = {};
        for (std::uint8_t& b : bytes)
            b = Byte();
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

}  // namespace kestrelon
