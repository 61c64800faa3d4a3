// vsthost render against the test effect: a 7-sample delay and a gain, so
// every correct render is known exactly.
#include <gmock/gmock.h>

#include <cmath>

#include "tests/vsthost/cli_fixture.h"
#include "tools/vsthost/fx_preset.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr int kLatency = 7;
constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

class RenderTest : public CliTest {
protected:
    // Writes `in` as in.wav (or the given name) and renders it into out.wav.
    ToolRun Render(const Audio& in, std::vector<std::string> extra, const std::string& inName = "in.wav",
                   const std::string& outName = "out.wav", const char* variant = "")
    {
        EXPECT_TRUE(WriteAudio(Path(inName), in));
        std::vector<std::string> args = {"render", TestPlugin(variant), Path(inName), Path(outName)};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
};

TEST_F(RenderTest, UnityGainGivesEveryFormatBackSampleForSample)
{
    struct Case {
        const char* name;
        int format;
        int channels;
        int rate;
    };
    const Case cases[] = {
        {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100},
        {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000},
        {"in.wav", kFloatWav, 2, 96000},
        {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, 22050},
        {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " channels " + std::to_string(c.channels));
        const std::string outName = std::string("out") + std::string(c.name).substr(2);
        const Audio in = MakeSignal(c.channels, c.rate, 3000, c.format);
        if (!WriteAudio(Path(c.name), in)) {
            // Windows builds of libsndfile leave FLAC out.
            continue;
        }
        const ToolRun run = Render(in, {}, c.name, outName);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_THAT(run.out, StartsWith("rendered "));
        EXPECT_THAT(run.out, HasSubstr("latency 7 compensated"));
        const Audio written = ReadAudio(Path(c.name));
        const Audio out = ReadAudio(Path(outName));
        EXPECT_EQ(out.format, c.format);
        EXPECT_EQ(out.sampleRate, c.rate);
        EXPECT_EQ(out.channels, c.channels);
        EXPECT_EQ(out.samples, written.samples);
    }
}

TEST_F(RenderTest, GainTextsBlockSizesAndPrecisionGiveTheSameExactResult)
{
    // Long enough for several of the tool's file chunks, so that blocks and
    // the dropped latency straddle chunk boundaries.
    const Audio in = MakeSignal(2, 44100, 40000, kFloatWav);
    ASSERT_TRUE(WriteAudio(Path("in.wav"), in));
    const Audio source = ReadAudio(Path("in.wav"));
    const double gain = std::pow(10.0, -6.0 / 20.0);
    std::vector<double> expected(source.samples.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<float>(source.samples[i] * -gain);

    const std::vector<std::vector<std::string>> variants = {
        {"--set", "Gain=-6", "--set", "Invert=on"},
        {"--set", "Gain=-6 dB", "--set=Invert=on", "--block", "1"},
        {"--set", "gain=-6", "--set", "Invert=on", "--block", "3"},
        {"--set", "Gain=-6", "--set", "Invert=on", "--block", "4096"},
        {"--set", "Gain=-6", "--set", "Invert=on", "--block", "5000"},
        {"--set", "Gain=-6", "--set", "Invert=on", "--block", "65536"},
        {"--set", "Gain=-6", "--set", "Invert=on", "--double"},
        {"--set", "Gain=-6", "--set", "Invert=on", "--double", "--block", "5"},
    };
    for (const auto& extra : variants) {
        SCOPED_TRACE(::testing::PrintToString(extra));
        const std::vector<std::string> args = [&] {
            std::vector<std::string> a = {"render", TestPlugin(""), Path("in.wav"), Path("out.wav")};
            a.insert(a.end(), extra.begin(), extra.end());
            return a;
        }();
        const ToolRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr("Gain -6.0 dB, Invert on"));
        EXPECT_EQ(ReadAudio(Path("out.wav")).samples, expected);
    }
}

// A text the effect took as something else renders with a warning naming
// what it took; --strict refuses it before anything is written.
TEST_F(RenderTest, ATextNotTakenAsWrittenWarnsAndFailsAStrictRun)
{
    const Audio in = MakeSignal(2, 44100, 1000, kFloatWav);
    ToolRun run = Render(in, {"--set", "Gain=40", "--set", "Invert=on"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "vsthost: warning: --set Gain=40: the plug-in took it as 24.0 dB, not as written\n");
    EXPECT_TRUE(Exists(Path("out.wav")));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"render", TestPlugin(""), Path("in.wav"), Path("strict.wav"), "--set", "Gain=40",
                                   "--strict"},
          std::vector<std::string>{"preset", "save", TestPlugin(""), Path("strict.fxp"), "--set", "Gain=40",
                                   "--strict"}}) {
        SCOPED_TRACE(args[0]);
        run = Run(args);
        EXPECT_TRUE(FailedWithOneLine(run));
        EXPECT_THAT(run.err, HasSubstr("--set Gain=40: the plug-in took it as 24.0 dB, not as written (--strict)"));
    }
    EXPECT_FALSE(Exists(Path("strict.wav")));
    EXPECT_FALSE(Exists(Path("strict.fxp")));
}

// An effect that takes no typed values is set the way a user turns a knob
// until it shows the value: to the same result, and with the same warning
// for a value beyond its range.
TEST_F(RenderTest, TypedValuesReachAnEffectWithoutTextEntryThroughItsDisplay)
{
    const Audio in = MakeSignal(2, 44100, 1000, kFloatWav);
    ToolRun run = Render(in, {"--set", "Gain=-6", "--set", "Invert=on"}, "in.wav", "text.wav");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = Render(in, {"--set", "Gain=-6", "--set", "Invert=on"}, "in.wav", "knob.wav", "notext");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadAudio(Path("knob.wav")).samples, ReadAudio(Path("text.wav")).samples);
    run = Render(in, {"--set", "Gain=40"}, "in.wav", "loud.wav", "notext");
    EXPECT_EQ(run.err, "vsthost: warning: --set Gain=40: the plug-in took it as 24.0 dB, not as written\n");
    run = Render(in, {"--set", "Gain=loud"}, "in.wav", "none.wav", "notext");
    EXPECT_TRUE(FailedWithOneLine(run));
    EXPECT_THAT(run.err, HasSubstr("the plug-in refused \"loud\" for \"Gain\""));
}

TEST_F(RenderTest, WithoutCompensationTheOutputKeepsTheEffectsDelay)
{
    const Audio in = MakeSignal(2, 44100, 1000, kFloatWav);
    const ToolRun run = Render(in, {"--no-latency-compensation"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("latency 7 not compensated"));
    const Audio source = ReadAudio(Path("in.wav"));
    const Audio out = ReadAudio(Path("out.wav"));
    ASSERT_EQ(out.Frames(), source.Frames());
    for (std::size_t i = 0; i < out.samples.size(); ++i) {
        const double want = i < kLatency * 2u ? 0.0 : source.samples[i - kLatency * 2];
        ASSERT_EQ(out.samples[i], want) << "sample " << i;
    }
}

TEST_F(RenderTest, FilesShorterThanTheLatencyStillComeBackWhole)
{
    Audio in = MakeSignal(1, 44100, 3, kFloatWav);
    in.samples = {0.25, -0.5, 0.125};
    const ToolRun run = Render(in, {});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAudio(Path("out.wav")).samples, in.samples);
}

TEST_F(RenderTest, OutputContainerFollowsTheExtensionAndFloatOption)
{
    const Audio in = MakeSignal(2, 44100, 2000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ToolRun run = Render(in, {"--float"}, "in.wav", "out.wav");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAudio(Path("out.wav")).format, kFloatWav);
    run = Render(in, {}, "in.wav", "out.aif");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAudio(Path("out.aif")).format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(ReadAudio(Path("out.aif")).samples, ReadAudio(Path("in.wav")).samples);
}

TEST_F(RenderTest, LoudOutputIsClippedNotWrappedInIntegerFiles)
{
    Audio in = MakeSignal(1, 44100, 100, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    for (double& s : in.samples)
        s = 0.9;
    const ToolRun run = Render(in, {"--set", "Gain=12"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (double s : ReadAudio(Path("out.wav")).samples)
        ASSERT_GT(s, 0.99);
}

TEST_F(RenderTest, BadInputFailsWithOneLineAndLeavesNoOutput)
{
    WriteBytes(Path("noise.wav"), std::vector<unsigned char>(5000, 0x5A));
    ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(2, 44100, 2000, kFloatWav)));
    ASSERT_TRUE(WriteAudio(Path("mono.wav"), MakeSignal(1, 44100, 2000, kFloatWav)));
    vsthost::FxPreset other;
    other.opaque = false;
    other.fxId = 0x41424344;  // 'ABCD'
    other.params = {0.5f, 0.0f, 0.0f};
    WriteBytes(Path("other.fxp"), vsthost::EncodePreset(other));
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{Path("missing.wav"), Path("out.wav")}, "missing.wav: no such file"},
        {{Path("noise.wav"), Path("out.wav")}, "is not an audio file this tool can read"},
        {{Path("in.wav"), Path("out.wav"), "--set", "Volume=3"},
         "the plug-in has no parameter \"Volume\"; its parameters are \"Gain\", \"Invert\", \"Crash\""},
        {{Path("in.wav"), Path("out.wav"), "--set", "Gain=loud"},
         "the plug-in refused \"loud\" for \"Gain\"; its parameters are \"Gain\", \"Invert\", \"Crash\""},
        {{Path("in.wav"), Path("out.wav"), "--set", "Invert=maybe"}, "refused \"maybe\" for \"Invert\""},
        {{Path("in.wav"), Path("out.flac"), "--float"}, "is not possible"},
        {{Path("in.wav"), Path("out.wav"), "--preset", Path("other.fxp")},
         "was made for the plug-in 'ABCD', not for 'VHtp'"},
        {{Path("in.wav"), Path("out.wav"), "--preset", Path("in.wav")}, "is not a valid VST preset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"render", TestPlugin("")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Run(args);
        EXPECT_TRUE(FailedWithOneLine(run));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_THAT(run.err, HasSubstr(c.message));
    }
    const ToolRun fits = Run({"render", TestPlugin("mono"), Path("mono.wav"), Path("mono-out.wav")});
    EXPECT_EQ(fits.exitCode, 0) << fits.err;

    EXPECT_EQ(ListFolder(workDir),
              (std::vector<std::string>{"in.wav", "mono-out.wav", "mono.wav", "noise.wav", "other.fxp"}));
}

TEST_F(RenderTest, AFailedOrCrashedRenderLeavesAnEarlierOutputUntouched)
{
    ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(2, 44100, 50000, kFloatWav)));
    const std::vector<unsigned char> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    WriteBytes(Path("out.wav"), earlier);

    const ToolRun refused = Run({"render", TestPlugin(""), Path("in.wav"), Path("out.wav"), "--set", "Nope=1"});
    EXPECT_TRUE(FailedWithOneLine(refused));
    const ToolRun crashed = Run({"render", TestPlugin(""), Path("in.wav"), Path("out.wav"), "--set", "Crash=on"});
    EXPECT_TRUE(FailedWithOneLine(crashed));
    EXPECT_EQ(crashed.exitCode, 3);
    EXPECT_THAT(crashed.err, HasSubstr("the plug-in crashed while processing"));

    EXPECT_EQ(ReadBytes(Path("out.wav")), earlier);
    EXPECT_EQ(ListFolder(workDir), (std::vector<std::string>{"in.wav", "out.wav"}));
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
