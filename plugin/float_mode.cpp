#include "plugin/float_mode.h"

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace kestrelon {

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
namespace {
constexpr uint32_t kFlushToZero = 0x8000;  // MXCSR bit 15
constexpr uint32_t kDenormalsAreZero = 0x0040;  // MXCSR bit 6
}  // namespace

ScopedFlushDenormals::ScopedFlushDenormals() : saved(_mm_getcsr())
{
    _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero);
}

ScopedFlushDenormals::~ScopedFlushDenormals()
{
    _mm_setcsr(saved);
}
#else
// Other processors keep the host's modes; subnormals are only slow there.
ScopedFlushDenormals::ScopedFlushDenormals() = default;
ScopedFlushDenormals::~ScopedFlushDenormals() = default;
#endif

}  // namespace kestrelon
