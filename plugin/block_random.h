#pragma once

#include <cstdint>

namespace kestrelon {

// Uniform integers 0..32767 for the per-block noise offset. Each effect owns
// one, seeded alike, so two instances fed the same audio render the same bits
// whatever else the host process does with the C library's shared rand().
class BlockRandom {
public:
    static constexpr int32_t kMax = 32767;

    int32_t Next()
    {
        // The classic portable rand() recurrence: the high bits of a 32-bit
        // linear congruential step, which are the well-mixed ones.
        state = state * 1103515245u + 12345u;
        return static_cast<int32_t>((state >> 16) & 0x7FFFu);
    }

private:
    uint32_t state = 1;
};

}  // namespace kestrelon
