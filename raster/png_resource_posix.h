#pragma once

// Linux builds have no resource section: their PNG bytes are compiled into the binary and
// registered here under the (module, id) names the Windows build uses, so that
// LoadPngFromResource serves both.

#include <cstdint>

namespace kestrelon {

// data must stay valid for as long as loads may ask for it (static data). Returns false for
// null data, a negative length or a (module, id) pair that is already registered. Any thread.
bool RegisterPngResource(const void* module, std::uint16_t id, const void* data, std::int32_t length);

}  // namespace kestrelon
