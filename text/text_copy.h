#pragma once

#include <cstddef>

namespace kestrelon {

// Copies a zero-terminated UTF-8 text into a fixed-size field of `capacity`
// bytes (terminator included). Text that does not fit is cut at the last
// whole character, so hosts never receive half of a multi-byte character.
// A null source copies as "". Returns the number of bytes copied.
std::size_t CopyTextTruncated(char* dest, std::size_t capacity, const char* src);

// The same for a text of known length that need not be terminated.
std::size_t CopyTextTruncated(char* dest, std::size_t capacity, const char* src, std::size_t length);

}  // namespace kestrelon
