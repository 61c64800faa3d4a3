#include "framework/host_identification.h"

#include "text/ascii.h"

#include <cstring>

namespace kestrelon {

namespace {

struct HostRow {
    const char* fragment;
    int code;
};

// Order matters: a name that contains two fragments takes the earlier row.
constexpr HostRow kHosts[] = {
    {"cubase", 3},      {"reaper", 1},      {"nuendo", 4},
    {"cakewalk", 5},    {"samplitude", 8},  {"fruity", 7},
    {"live", 9},        {"melodyne", 12},   {"vstmanlib", 13},
    {"aulab", 14},      {"garageband", 22}, {"forte", 15},
    {"chainer", 16},    {"audition", 17},   {"orion", 18},
    {"sawstudio", 20},  {"logic", 21},      {"digital", 23},
    {"audiomulch", 25}, {"presonus", 26},   {"vst3plugintesthost", 27},
    {"protools", 2},    {"ardour", 28},     {"openmpt", 30},
    {"renoise", 29},    {"standalone", 24}, {"wavelab", 31},
};

}  // namespace

int LookupHostCode(const char* productName)
{
    char lower[256];
    std::size_t n = 0;
    if (productName) {
        for (; productName[n] != '\0' && n < sizeof(lower) - 1; ++n)
            lower[n] = AsciiLower(productName[n]);
    }
    lower[n] = '\0';
    for (const HostRow& row : kHosts)
        if (std::strstr(lower, row.fragment))
            return row.code;
    return 0;
}

int32_t PackHostVersion(int32_t vendorVersion)
{
    const int64_t major = vendorVersion / 10000;
    const int64_t minor = (vendorVersion % 10000) / 100;
    const int64_t patch = vendorVersion % 100;
    // Wraps like the 32-bit field it goes into instead of overflowing.
    return static_cast<int32_t>(static_cast<uint32_t>(major * 65536 + minor * 256 + patch));
}

}  // namespace kestrelon
