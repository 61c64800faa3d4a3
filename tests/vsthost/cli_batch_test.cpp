// vsthost render IN... --out-dir DIR: every file through its own instance on
// worker threads, each output the same as rendering it alone, a file that
// fails reported while the rest are rendered.
#include <gmock/gmock.h>

#include <filesystem>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;

int CountOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(CliTest, BatchRendersEachFileAsAloneAndReportsTheOnesThatFail)
{
    ASSERT_TRUE(WriteAudio(Path("a.wav"), MakeSignal(2, 44100, 30000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    ASSERT_TRUE(WriteAudio(Path("b.wav"), MakeSignal(1, 48000, 20000, SF_FORMAT_WAV | SF_FORMAT_PCM_24)));
    ASSERT_TRUE(WriteAudio(Path("c.aiff"), MakeSignal(2, 22050, 5000, SF_FORMAT_AIFF | SF_FORMAT_PCM_16)));
    ASSERT_TRUE(WriteAudio(Path("three.wav"), MakeSignal(3, 44100, 1000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    WriteBytes(Path("broken.wav"), std::vector<unsigned char>(3000, 0x5A));
    const std::vector<std::string> settings = {"--set", "Gain=40", "--set", "Invert=on"};

    std::vector<std::string> args = {"render",
                                     TestPlugin(""),
                                     Path("a.wav"),
                                     Path("broken.wav"),
                                     Path("b.wav"),
                                     Path("three.wav"),
                                     Path("c.aiff"),
                                     "--out-dir",
                                     Path("out"),
                                     "--jobs",
                                     "2"};
    args.insert(args.end(), settings.begin(), settings.end());
    const ToolRun batch = Run(args);
    EXPECT_EQ(batch.exitCode, 1) << batch.err;
    EXPECT_THAT(batch.out, HasSubstr("rendered 3 of 5 files into "));
    EXPECT_THAT(batch.out, HasSubstr(" with 2 jobs: "));
    EXPECT_THAT(batch.out, HasSubstr(", 2 failed\n"));
    EXPECT_THAT(batch.err, HasSubstr("broken.wav: "));
    EXPECT_THAT(batch.err, HasSubstr("three.wav has 3 channels"));
    // The same setting for every file, so its warning is given once.
    EXPECT_EQ(CountOf(batch.err, "warning: --set Gain=40: the plug-in took it as 24.0 dB, not as written"), 1)
        << batch.err;
    EXPECT_EQ(ListFolder(Path("out")), (std::vector<std::string>{"a.wav", "b.wav", "c.aiff"}));

    for (const char* name : {"a.wav", "b.wav", "c.aiff"}) {
        SCOPED_TRACE(name);
        std::vector<std::string> alone = {"render", TestPlugin(""), Path(name), Path(std::string("alone-") + name)};
        alone.insert(alone.end(), settings.begin(), settings.end());
        const ToolRun run = Run(alone);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadBytes(Path("out") + "/" + name), ReadBytes(Path(std::string("alone-") + name)));
    }
}

TEST_F(CliTest, BatchRefusesCollidingOutputsAndStopsAtASettingNoFileCanTake)
{
    ASSERT_TRUE(WriteAudio(Path("a.wav"), MakeSignal(2, 44100, 2000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    std::filesystem::create_directories(Path("sub"));
    ASSERT_TRUE(WriteAudio(Path("sub") + "/a.wav", MakeSignal(1, 44100, 2000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    ASSERT_TRUE(WriteAudio(Path("b.wav"), MakeSignal(1, 44100, 2000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{Path("a.wav"), Path("sub") + "/a.wav", "--out-dir", Path("out")}, "would both be written to"},
        {{Path("a.wav"), "--out-dir", workDir}, "is the input itself"},
        {{Path("a.wav"), Path("b.wav"), "--out-dir", Path("out2"), "--jobs", "1", "--set", "Volume=3"},
         "the plug-in has no parameter \"Volume\"; its parameters are \"Gain\", \"Invert\", \"Crash\" (the batch "
         "was stopped)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"render", TestPlugin("")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Run(args);
        EXPECT_TRUE(FailedWithOneLine(run));
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(Exists(Path("out")));
    EXPECT_EQ(ListFolder(Path("out2")), std::vector<std::string>{});
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
