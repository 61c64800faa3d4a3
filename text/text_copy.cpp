#include "text/text_copy.h"

#include <cstring>

namespace kestrelon {

std::size_t CopyTextTruncated(char* dest, std::size_t capacity, const char* src, std::size_t length)
{
    if (!dest || capacity == 0)
        return 0;
    if (!src)
        length = 0;
    std::size_t n = length;
    if (n > capacity - 1) {
        n = capacity - 1;
        // src[n] is the first byte left out; while it continues a character,
        // that character started inside the copy and must go as a whole.
        while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80)
            --n;
    }
    if (n > 0)
        std::memcpy(dest, src, n);
    dest[n] = '\0';
    return n;
}

std::size_t CopyTextTruncated(char* dest, std::size_t capacity, const char* src)
{
    return CopyTextTruncated(dest, capacity, src, src ? std::strlen(src) : 0);
}

}  // namespace kestrelon
