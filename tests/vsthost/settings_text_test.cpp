// Whether the display a parameter reads back after a typed value stands for
// what was typed: what decides between a silent --set and a warning.
#include <gtest/gtest.h>

#include "tools/vsthost/session.h"

namespace kestrelon {

namespace {

TEST(ShowsWhatWasTyped, SameTextOrSameNumberToTheDisplayedPrecision)
{
    struct Row {
        const char* typed;
        const char* display;
        const char* label;
        bool shows;
    };
    const Row rows[] = {
        {"on", "on", "", true},        {"Off", "off", "", true},        {"  -6 ", "-6.0", "dB", true},
        {"-6 dB", "-6.0", "dB", true}, {"-6dB", "-6.0", "dB", true},    {"3", "3.00", "", true},
        {"2.25", "2.3", "", true},  // the display rounds to one decimal
        {"2.2", "2.25", "", false},    {"-12.04", "-12.0", "dB", true}, {"-inf", "-inf", "dB", true},
        {"50%", "50", "%", true},      {"50", "10.0", "", false},  // clamped to the range
        {"abc", "0.0", "", false},  // no number at all
        {"0.5", "500", "ms", false},  // another unit than typed
        {"5 ms", "5.0", "s", false},   {"1", "on", "", false},          {"", "0.0", "", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(vsthost::ShowsWhatWasTyped(row.typed, row.display, row.label), row.shows)
            << "typed \"" << row.typed << "\", shown \"" << row.display << "\" \"" << row.label << "\"";
    }
}

}  // namespace

}  // namespace kestrelon
