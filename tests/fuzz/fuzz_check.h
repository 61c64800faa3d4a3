#pragma once

// How a fuzz target says that the code under test broke a promise: the
// broken promise is printed, then abort(), which libFuzzer reports as a
// crash and whose input it keeps.

#include <cstddef>
#include <cstdint>

namespace kestrelon {

[[noreturn]] void FuzzFail(const char* what, long long detail = 0);

#define FUZZ_CHECK(condition, what, detail)                                                                            \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            FuzzFail(what, detail);                                                                                    \
    } while (0)

// Reads every byte of a block the code under test handed out, so that
// AddressSanitizer reports a block that was freed or is shorter than claimed.
std::uint32_t TouchBytes(const void* data, std::size_t size);

}  // namespace kestrelon
