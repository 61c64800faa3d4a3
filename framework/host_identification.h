#pragma once

#include <cstdint>

namespace kestrelon {

// The host code for a product name: the first of a fixed list of name
// fragments found anywhere in the lower-cased name, or 0 when none is.
int LookupHostCode(const char* productName);

// A vendor version answered as decimal MMmmpp (10203 for 1.2.3), packed as
// 0xMMMMmmpp like the plug-in's own version.
int32_t PackHostVersion(int32_t vendorVersion);

}  // namespace kestrelon
