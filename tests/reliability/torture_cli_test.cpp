// The torture command's line: a seed is a whole number and nothing else (a
// minus sign would otherwise wrap around to a huge seed without a word).
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "tools/vsthost/cli.h"

namespace kestrelon {

namespace {

using ::testing::HasSubstr;
using vsthost::Command;
using vsthost::CommandLine;
using vsthost::ParseCommandLine;

TEST(TortureCommandLine, SeedAndQuickInAnyOrder)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"torture", "--quick", "K.dll", "--seed=18446744073709551615"}, cl, error)) << error;
    EXPECT_EQ(cl.command, Command::Torture);
    EXPECT_EQ(cl.plugin, "K.dll");
    EXPECT_EQ(cl.seed, 18446744073709551615ull);
    EXPECT_TRUE(cl.quick);
    ASSERT_TRUE(ParseCommandLine({"torture", "K.so"}, cl, error)) << error;
    EXPECT_EQ(cl.seed, 1u);
    EXPECT_FALSE(cl.quick);
    EXPECT_FALSE(cl.strict);
    EXPECT_EQ(cl.callLimit, 30.0);
    ASSERT_TRUE(ParseCommandLine({"torture", "K.so", "--strict", "--timeout", "2.5"}, cl, error)) << error;
    EXPECT_TRUE(cl.strict);
    EXPECT_EQ(cl.callLimit, 2.5);
}

TEST(TortureCommandLine, RefusesWhatIsNotASeedOrAPlugin)
{
    struct Row {
        std::vector<std::string> args;
        const char* error;
    };
    const Row rows[] = {
        {{"torture", "K.so", "--seed", "-1"}, "--seed needs a whole number"},
        {{"torture", "K.so", "--seed", "+5"}, "--seed needs a whole number"},
        {{"torture", "K.so", "--seed", "7x"}, "--seed needs a whole number"},
        {{"torture", "K.so", "--seed", "18446744073709551616"}, "--seed needs a whole number"},
        {{"torture", "K.so", "--seed"}, "--seed needs a value"},
        {{"torture", "K.so", "--quick=yes"}, "--quick takes no value"},
        {{"torture", "K.so", "--timeout", "0"}, "--timeout needs the seconds a call may take"},
        {{"torture"}, "vsthost torture PLUGIN [--seed N] [--quick] [--strict] [--timeout S]"},
        {{"torture", "a.so", "b.so"}, "vsthost torture PLUGIN"},
        {{"torture", "K.so", "--block", "64"}, "'torture' has no option --block"},
    };
    for (const Row& row : rows) {
        CommandLine cl;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(row.args, cl, error)) << row.args.back();
        EXPECT_THAT(error, HasSubstr(row.error));
    }
}

}  // namespace

}  // namespace kestrelon
