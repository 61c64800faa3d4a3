// The command-line parser: every command's accepted forms and the mistakes it
// must refuse with a message instead of guessing.
#include <gmock/gmock.h>

#include "tools/vsthost/cli.h"

namespace kestrelon {

namespace {

using ::testing::HasSubstr;
using vsthost::Command;
using vsthost::CommandLine;
using vsthost::ParseCommandLine;

TEST(CommandLineParser, RenderTakesFilesSettingsAndOptionsInAnyOrder)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(
        ParseCommandLine({"render", "--block", "64", "K.so", "--set", "Clip Output=off", "in.wav", "--set=Output=-3",
                          "out.wav", "--double", "--no-latency-compensation", "--float", "--preset=p.fxp"},
                         cl, error))
        << error;
    EXPECT_EQ(cl.command, Command::Render);
    EXPECT_EQ(cl.plugin, "K.so");
    EXPECT_EQ(cl.input, "in.wav");
    EXPECT_EQ(cl.output, "out.wav");
    EXPECT_EQ(cl.presetFile, "p.fxp");
    EXPECT_EQ(cl.blockSize, 64);
    EXPECT_TRUE(cl.doublePrecision);
    EXPECT_FALSE(cl.compensateLatency);
    EXPECT_TRUE(cl.floatOutput);
    ASSERT_EQ(cl.settings.size(), 2u);
    EXPECT_EQ(cl.settings[0].name, "Clip Output");
    EXPECT_EQ(cl.settings[0].text, "off");
    EXPECT_EQ(cl.settings[1].name, "Output");
    EXPECT_EQ(cl.settings[1].text, "-3");

    ASSERT_TRUE(ParseCommandLine({"render", "K.so", "in.wav", "out.wav"}, cl, error));
    EXPECT_EQ(cl.blockSize, 512);
    EXPECT_TRUE(cl.compensateLatency);
    EXPECT_FALSE(cl.doublePrecision);
    EXPECT_TRUE(cl.settings.empty());
    // A text may itself hold '=': only the first one splits name from text.
    ASSERT_TRUE(ParseCommandLine({"render", "K.so", "a", "b", "--set", "Mode=a=b"}, cl, error));
    EXPECT_EQ(cl.settings[0].text, "a=b");
    // A batch: every file after the plug-in is an input.
    ASSERT_TRUE(
        ParseCommandLine({"render", "K.so", "a.wav", "--out-dir", "o", "b.wav", "--jobs=3", "--strict"}, cl, error))
        << error;
    EXPECT_EQ(cl.files, (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(cl.outDir, "o");
    EXPECT_EQ(cl.jobs, 3);
    EXPECT_TRUE(cl.strict);
    // Routing: each --map an instance, its items the inputs in order.
    ASSERT_TRUE(ParseCommandLine(
        {"render", "K.so", "a", "b", "--map", "2,s1,0", "--map=1", "--outputs", "2,1", "--sidechain", "key.wav"}, cl,
        error))
        << error;
    using File = vsthost::InputSource::File;
    EXPECT_EQ(cl.routing.instances, (std::vector<std::vector<vsthost::InputSource>>{
                                        {{File::Main, 1}, {File::SideChain, 0}, {File::None, 0}}, {{File::Main, 0}}}));
    EXPECT_EQ(cl.routing.outputs, (std::vector<int>{1, 0}));
    EXPECT_EQ(cl.sideChainFile, "key.wav");
}

TEST(CommandLineParser, PresetCommandsSeparateThePresetFileFromTheStartingState)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(
        ParseCommandLine({"preset", "save", "K.so", "s.fxb", "--preset", "start.fxp", "--set", "Attack=3"}, cl, error));
    EXPECT_EQ(cl.command, Command::PresetSave);
    EXPECT_EQ(cl.presetFile, "s.fxb");
    EXPECT_EQ(cl.input, "start.fxp");
    ASSERT_TRUE(ParseCommandLine({"preset", "load", "K.so", "s.fxp"}, cl, error));
    EXPECT_EQ(cl.command, Command::PresetLoad);
    EXPECT_EQ(cl.presetFile, "s.fxp");
    EXPECT_EQ(cl.input, "");
}

TEST(CommandLineParser, OtherCommandsAndHelp)
{
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"info", "K.so", "--rate", "48000", "--block=128"}, cl, error));
    EXPECT_EQ(cl.command, Command::Info);
    EXPECT_EQ(cl.sampleRate, 48000.0);
    EXPECT_EQ(cl.blockSize, 128);
    ASSERT_TRUE(ParseCommandLine({"synth-drums", "d.wav", "--seconds", "2.5"}, cl, error));
    EXPECT_EQ(cl.command, Command::SynthDrums);
    EXPECT_EQ(cl.output, "d.wav");
    EXPECT_EQ(cl.seconds, 2.5);
    ASSERT_TRUE(ParseCommandLine({"stats", "a.wav", "b.wav", "c.wav"}, cl, error));
    EXPECT_EQ(cl.files, (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    ASSERT_TRUE(ParseCommandLine({"plot-data", "a.wav", "b.wav", "p.txt"}, cl, error));
    EXPECT_EQ(cl.files, (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(cl.output, "p.txt");
    for (const char* help : {"help", "--help", "-h"}) {
        ASSERT_TRUE(ParseCommandLine({help}, cl, error));
        EXPECT_EQ(cl.command, Command::Help);
    }
    ASSERT_TRUE(ParseCommandLine({}, cl, error));
    EXPECT_EQ(cl.command, Command::Help);
}

TEST(CommandLineParser, MistakesAreRefusedWithAMessageAndLeaveTheResultAlone)
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"play", "K.so"}, "unknown command 'play'"},
        {{"render", "K.so", "in.wav"}, "wrong number of arguments for 'render'"},
        {{"render", "K.so", "a", "b", "c"}, "wrong number of arguments"},
        {{"render", "K.so", "a", "b", "--block"}, "--block needs a value"},
        {{"render", "K.so", "a", "b", "--block", "0"}, "--block needs a whole number of samples from 1 to 65536"},
        {{"render", "K.so", "a", "b", "--block", "65537"}, "from 1 to 65536"},
        {{"render", "K.so", "a", "b", "--block", "12x"}, "(got \"12x\")"},
        {{"render", "K.so", "a", "b", "--set", "Attack"}, "--set needs NAME=TEXT"},
        {{"render", "K.so", "a", "b", "--set", "=3"}, "--set needs NAME=TEXT"},
        {{"render", "K.so", "a", "b", "--double=yes"}, "--double takes no value"},
        {{"render", "K.so", "a", "b", "--rate", "48000"}, "'render' has no option --rate"},
        {{"render", "K.so", "a", "b", "--jobs", "2"}, "--jobs needs --out-dir"},
        {{"render", "K.so", "a", "--out-dir", "o", "--jobs", "0"}, "--jobs needs a whole number of worker threads"},
        {{"render", "K.so", "--out-dir", "o"}, "wrong number of arguments for 'render'"},
        {{"render", "K.so", "a", "b", "--map", "1,,2"}, "--map needs the channel for each input in order"},
        {{"render", "K.so", "a", "b", "--map", "-1"}, "(got \"-1\")"},
        {{"render", "K.so", "a", "b", "--map", "257"}, "(got \"257\")"},
        {{"render", "K.so", "a", "b", "--outputs", "0"}, "--outputs needs the plug-in's output numbers from 1"},
        {{"render", "K.so", "a", "b", "--map", "1,s1"}, "names the side-chain channel s1 but no --sidechain FILE"},
        {{"info", "K.so", "--set", "A=1"}, "'info' has no option --set"},
        {{"info", "K.so", "--rate", "fast"}, "--rate needs a sample rate"},
        {{"info", "K.so", "--rate", "10"}, "--rate needs a sample rate"},
        {{"synth-drums", "d.wav", "--seconds", "-1"}, "--seconds needs a duration"},
        {{"synth-drums", "d.wav", "--seconds", "nan"}, "--seconds needs a duration"},
        {{"preset"}, "preset needs 'save' or 'load'"},
        {{"preset", "delete", "K.so", "x.fxp"}, "preset needs 'save' or 'load'"},
        {{"preset", "load", "K.so", "x.fxp", "--set", "A=1"}, "'preset load' has no option --set"},
        {{"stats"}, "wrong number of arguments for 'stats'"},
        {{"edit", "K.so", "--gui-scale", "0"}, "--gui-scale needs the editor's scale factor, from 0.25 to 8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        CommandLine cl;
        cl.plugin = "untouched";
        std::string error;
        EXPECT_FALSE(ParseCommandLine(c.args, cl, error));
        EXPECT_THAT(error, HasSubstr(c.message));
        EXPECT_EQ(cl.plugin, "untouched");
    }
}

}  // namespace

}  // namespace kestrelon
