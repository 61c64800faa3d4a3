#include "tests/fuzz/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace kestrelon {

void FuzzFail(const char* what, long long detail)
{
    std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
    std::abort();
}

std::uint32_t TouchBytes(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const volatile std::uint8_t*>(data);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum = sum * 31u + bytes[i];
    return sum;
}

}  // namespace kestrelon
