#pragma once

// The PNG bytes compiled into Linux builds, in the generated source the artwork tool writes.

#include <cstdint>

namespace kestrelon {

struct EmbeddedPng {
    std::uint16_t id;
    const unsigned char* data;
    std::int32_t length;
};

extern const EmbeddedPng kEmbeddedPngs[];
extern const int kEmbeddedPngCount;

}  // namespace kestrelon
