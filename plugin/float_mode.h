#pragma once

#include <cstdint>

namespace kestrelon {

// Flush-to-zero and denormals-are-zero for the lifetime of the guard. The
// engine's followers decay towards zero after every sound, and arithmetic on
// subnormal numbers is many times slower on x86, enough to overrun a block.
// The thread belongs to the host, so its own modes come back afterwards.
class ScopedFlushDenormals {
public:
    ScopedFlushDenormals();
    ~ScopedFlushDenormals();
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
    uint32_t saved = 0;
};

}  // namespace kestrelon
