#pragma once

#include <cstdint>

namespace kestrelon {

// Packs a four-character identifier into 32 bits, the first character in the
// most significant byte: FourCharCode("KSTN") is 0x4B53544E.
constexpr std::int32_t FourCharCode(const char (&code)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])));
}

}  // namespace kestrelon
