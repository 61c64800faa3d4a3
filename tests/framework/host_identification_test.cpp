#include "framework/host_identification.h"

#include <gtest/gtest.h>

namespace kestrelon {

TEST(HostIdentification, ProductNamesToCodes)
{
    const struct {
        const char* name;
        int code;
    } cases[] = {
        {"REAPER", 1},
        {"Cubase", 3},
        {"Cubase Pro 12", 3},
        {"Ableton Live 9", 9},
        {"Adobe Audition", 17},
        {"", 0},
        {nullptr, 0},
        {"cubase in reaper", 3},
        {"reaper in cubase", 3},
        {"Nuendo", 4},
        {"FL Studio Fruity Wrapper", 7},
        {"Delivery", 9},  // "live" anywhere in the name
        {"Bitwig Studio", 0},
        {"WaveLab", 31},
        {"Pro Tools", 0},
        {"ProTools", 2},
        {"VST3PluginTestHost", 27},
        {"Standalone", 24},
        {"digital performer", 23},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookupHostCode(c.name), c.code) << (c.name ? c.name : "(null)");

    // Only the first 255 characters are looked at.
    std::string padded(255, 'x');
    EXPECT_EQ(LookupHostCode((padded + "reaper").c_str()), 0);
    EXPECT_EQ(LookupHostCode((std::string(249, 'x') + "reaper").c_str()), 1);
}

TEST(HostIdentification, VendorVersionPacking)
{
    EXPECT_EQ(PackHostVersion(90102), 9 * 65536 + 1 * 256 + 2);
    EXPECT_EQ(PackHostVersion(10203), 0x10203);
    EXPECT_EQ(PackHostVersion(0), 0);
    EXPECT_EQ(PackHostVersion(120000), 12 * 65536);
}

}  // namespace kestrelon
