// vsthost info, and how every command that loads a plug-in treats a file that
// is not a usable one.
#include <gmock/gmock.h>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;

TEST_F(CliTest, InfoReportsTheRecordParametersCanDoAndChunks)
{
    const ToolRun run = Run({"info", TestPlugin("")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> expected = {
        "effect       \"Host Test Gain\" by \"Kestrelon tests\"",
        "unique id    VHtp (0x56487470)",
        "flags        0x1030: CanReplacing ProgramChunks CanDoubleReplacing",
        // Latency appears only once the sample rate is known, as a host sees it.
        "latency      7 samples at 44100 Hz (0 before the sample rate was set)",
        "inputs       2",
        "outputs      2",
        "programs     1, current 0 \"Init\"",
        "parameters   3",
        "Gain                     dB       0.5000   0.0",
        "Invert                            0.0000   off",
        "receiveVstTimeInfo     yes (1)",
        "sendVstEvents          no (-1)",
        "offline                don't know (0)",
        "chunks       program 16 bytes, bank 16 bytes",
    };
    for (const std::string& line : expected)
        EXPECT_THAT(run.out, HasSubstr(line));
}

// Older plug-ins export only "main"; hosts fall back to it, and every command
// works through it as through VSTPluginMain.
TEST_F(CliTest, PluginsWithOnlyTheOlderEntryPointAreLoadedThroughIt)
{
    ToolRun run = Run({"info", TestPlugin("mainonly")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("entry point  main (the older name; the plug-in exports no VSTPluginMain)\n"));
    EXPECT_THAT(run.out, HasSubstr("effect       \"Host Test Gain\""));
    EXPECT_THAT(Run({"info", TestPlugin("")}).out, HasSubstr("entry point  VSTPluginMain\n"));
    ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(2, 44100, 2000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    run = Run({"render", TestPlugin("mainonly"), Path("in.wav"), Path("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAudio(Path("out.wav")).samples, ReadAudio(Path("in.wav")).samples);
}

TEST_F(CliTest, InfoFollowsTheRequestedSampleRateAndShowsParameterOnlyState)
{
    const ToolRun run = Run({"info", TestPlugin("nochunks"), "--rate", "96000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("latency      7 samples at 96000 Hz"));
    EXPECT_THAT(run.out, HasSubstr("flags        0x1010: CanReplacing CanDoubleReplacing\n"));
    EXPECT_THAT(run.out, HasSubstr("chunks       program 0 bytes, bank 0 bytes"));
}

// Every command that loads a plug-in refuses a bad one the same way: one
// line, a non-zero exit and no output file.
TEST_F(CliTest, UnusablePluginsAreRefusedByEveryCommand)
{
    WriteBytes(Path("notes.txt"), {'h', 'e', 'l', 'l', 'o', '\n'});
    ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(2, 44100, 4410, SF_FORMAT_WAV | SF_FORMAT_PCM_16)));
    struct Case {
        std::string plugin;
        std::string message;
        int exitCode;
    };
    const Case cases[] = {
        {Path("missing.so"), "no such plug-in file", 1},
        {Path("notes.txt"), "cannot be loaded as a plug-in library", 1},
        {TestPlugin("noentry"), "is not a VST 2 plug-in: it exports neither VSTPluginMain nor main", 1},
        {TestPlugin("badmagic"), "is not a VST 2.4 plug-in: its effect record lacks the 'VstP' magic", 1},
        {TestPlugin("crash"), "the plug-in crashed while loading", 3},
    };
    for (const Case& c : cases) {
        const std::vector<std::vector<std::string>> commands = {
            {"info", c.plugin},
            {"render", c.plugin, Path("in.wav"), Path("out.wav")},
            {"preset", "save", c.plugin, Path("state.fxp")},
        };
        for (const auto& args : commands) {
            SCOPED_TRACE(args[0] + " " + c.plugin);
            const ToolRun run = Run(args);
            EXPECT_TRUE(FailedWithOneLine(run));
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_THAT(run.err, HasSubstr(c.message));
            EXPECT_EQ(run.out, "");
        }
        EXPECT_EQ(ListFolder(workDir), (std::vector<std::string>{"in.wav", "notes.txt"}));
    }
}

TEST_F(CliTest, CommandLineMistakesExitWithUsageStatus)
{
    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},
        {"render", TestPlugin("")},
        {"render", TestPlugin(""), "a.wav", "b.wav", "--block", "0"},
        {"render", TestPlugin(""), "a.wav", "b.wav", "--set", "Gain"},
        {"info", TestPlugin(""), "--double"},
        {"preset", "show", TestPlugin(""), "x.fxp"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0]);
        const ToolRun run = Run(args);
        EXPECT_TRUE(FailedWithOneLine(run));
        EXPECT_EQ(run.exitCode, 2);
    }
    const ToolRun help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("render PLUGIN IN OUT"));
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
