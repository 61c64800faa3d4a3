#pragma once

#include <cstddef>

namespace kestrelon {

// Blocks at least this large are worth backing with the system's large pages.
inline constexpr std::size_t kLargePageWorthy = std::size_t{4} << 20;

// Asks the system to back the whole large pages inside [block, block + bytes) with large pages,
// where it can: a knob strip's 7 MB then costs a few page faults instead of thousands, which is
// most of the time an editor's first opening spends outside decoding. Only advice: nothing
// changes if the system declines or has no such pages.
void AdviseLargePages(void* block, std::size_t bytes);

}  // namespace kestrelon
