#include "tests/reliability/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KESTRELON_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KESTRELON_SANITIZED 1
#endif
#endif

// The sanitizers own malloc themselves; replacing it under them would hide
// their checks. operator new is counted everywhere.
#if defined(__GLIBC__) && !defined(KESTRELON_SANITIZED)
#define KESTRELON_COUNT_MALLOC 1
#endif

// The replacements of the global allocation functions must live in the global
// namespace; only the counter's own interface is in the project's.

namespace {

std::atomic<bool> counting{false};
std::atomic<long long> allocations{0};

inline void Note()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}

void* Allocate(std::size_t size)
{
    Note();
    return std::malloc(size ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t align)
{
    Note();
    const std::size_t a = static_cast<std::size_t>(align);
    const std::size_t rounded = (size + a - 1) / a * a;
#if defined(_WIN32)
    return _aligned_malloc(rounded ? rounded : a, a);
#else
    return std::aligned_alloc(a, rounded ? rounded : a);
#endif
}

void ReleaseAligned(void* p)
{
#if defined(_WIN32)
    _aligned_free(p);
#else
    std::free(p);
#endif
}

}  // namespace

namespace kestrelon::allocation_counter {

void Start()
{
    allocations = 0;
    counting = true;
}

long long Stop()
{
    counting = false;
    return allocations.load();
}

bool CountsMalloc()
{
#if defined(KESTRELON_COUNT_MALLOC)
    return true;
#else
    return false;
#endif
}

}  // namespace kestrelon::allocation_counter

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new(std::size_t size, std::align_val_t align)
{
    if (void* p = AllocateAligned(size, align))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size, std::align_val_t align)
{
    if (void* p = AllocateAligned(size, align))
        return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, align);
}

void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, align);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    ReleaseAligned(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    ReleaseAligned(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    ReleaseAligned(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    ReleaseAligned(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    ReleaseAligned(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    ReleaseAligned(p);
}

#if defined(KESTRELON_COUNT_MALLOC)
// glibc's own entry points, which its malloc family forwards to; a program
// that defines malloc replaces the library's for every caller in the process.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t align, std::size_t size);
void __libc_free(void* p);

void* malloc(std::size_t size) noexcept
{
    Note();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    Note();
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size) noexcept
{
    Note();
    return __libc_realloc(p, size);
}

void* aligned_alloc(std::size_t align, std::size_t size) noexcept
{
    Note();
    return __libc_memalign(align, size);
}

void* memalign(std::size_t align, std::size_t size) noexcept
{
    Note();
    return __libc_memalign(align, size);
}

int posix_memalign(void** out, std::size_t align, std::size_t size) noexcept
{
    Note();
    void* p = __libc_memalign(align, size);
    if (!p)
        return 12;  // ENOMEM
    *out = p;
    return 0;
}

void free(void* p) noexcept
{
    __libc_free(p);
}
}
#endif
