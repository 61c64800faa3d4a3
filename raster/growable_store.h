#pragma once

// A growable array of plain records in realloc'd memory, grown in steps of StepBytes. Growth
// that fails leaves the contents as they were, so the glyph cache can drop one glyph instead of
// failing as a whole. Empty until first grown; never holds more than int32 counts.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kestrelon {

template <typename T, std::int32_t StepBytes>
class GrowableStore {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(StepBytes >= static_cast<std::int32_t>(sizeof(T)));

public:
    GrowableStore() = default;
    ~GrowableStore() { std::free(items); }
    GrowableStore(const GrowableStore&) = delete;
    GrowableStore& operator=(const GrowableStore&) = delete;

    T* Data() const { return items; }
    std::int32_t Count() const { return count; }

    // Adds extra zeroed items at the end; false (and nothing changed) when memory runs out.
    bool Grow(std::int32_t extra)
    {
        if (extra < 0 || extra > std::numeric_limits<std::int32_t>::max() - count)
            return false;
        const std::int64_t needed = static_cast<std::int64_t>(count) + extra;
        if (needed > capacity) {
            constexpr std::int64_t step = StepBytes / static_cast<std::int64_t>(sizeof(T));
            const std::int64_t rounded = (needed + step - 1) / step * step;
            const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
            const std::int64_t newCapacity = rounded > limit ? needed : rounded;
            void* grown = std::realloc(items, static_cast<std::size_t>(newCapacity) * sizeof(T));
            if (grown == nullptr)
                return false;
            items = static_cast<T*>(grown);
            capacity = static_cast<std::int32_t>(newCapacity);
        }
        std::memset(static_cast<void*>(items + count), 0, static_cast<std::size_t>(extra) * sizeof(T));
        count = static_cast<std::int32_t>(needed);
        return true;
    }

    // Puts item at index (0..Count()), moving the rest up.
    bool Insert(std::int32_t index, const T& item)
    {
        if (index < 0 || index > count || !Grow(1))
            return false;
        std::memmove(static_cast<void*>(items + index + 1), items + index,
                     static_cast<std::size_t>(count - 1 - index) * sizeof(T));
        items[index] = item;
        return true;
    }

    // Keeps the first newCount items; the memory stays for reuse.
    void Shrink(std::int32_t newCount)
    {
        if (newCount >= 0 && newCount < count)
            count = newCount;
    }

    void Clear() { count = 0; }

private:
    T* items = nullptr;
    std::int32_t count = 0;
    std::int32_t capacity = 0;
};

}  // namespace kestrelon
