#pragma once

// How the glyph cache reads UTF-8: one UTF-16 unit per character. Bytes that do not start a
// well-formed sequence are taken as the character of the same number (Latin-1), so text typed in
// a single-byte code page still shows; characters beyond 16 bits show as a space.

#include <cstdint>

namespace kestrelon {

namespace raster_detail {

class Utf8Reader {
public:
    // length in bytes; negative: up to the NUL.
    Utf8Reader(const char* text, std::int32_t length)
        : next(reinterpret_cast<const std::uint8_t*>(text)), remaining(text == nullptr ? 0 : length)
    {}

    // False at the NUL or when the length is used up.
    bool Next(std::uint16_t& code)
    {
        if (remaining == 0 || next[0] == 0)
            return false;
        const std::uint8_t lead = next[0];
        int follow = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
        }
        // The NUL is no continuation byte, so a terminated text is never read past its end.
        for (int i = 1; i <= follow; ++i) {
            if ((remaining >= 0 && i >= remaining) || (next[i] & 0xC0) != 0x80) {
                follow = 0;
                break;
            }
        }
        switch (follow) {
        case 1:
            code = static_cast<std::uint16_t>(((lead & 0x1F) << 6) | (next[1] & 0x3F));
            break;
        case 2:
            code = static_cast<std::uint16_t>(((lead & 0x0F) << 12) | ((next[1] & 0x3F) << 6) | (next[2] & 0x3F));
            break;
        case 3:
            code = 32;
            break;
        default:
            code = lead;
            break;
        }
        next += follow + 1;
        if (remaining > 0)
            remaining -= follow + 1;
        return true;
    }

private:
    const std::uint8_t* next;
    std::int32_t remaining;
};

}  // namespace raster_detail

}  // namespace kestrelon
