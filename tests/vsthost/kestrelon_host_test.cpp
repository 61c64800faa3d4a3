// vsthost with the real effect: what a user of the demo and of the render
// command relies on when the plug-in is Kestrelon.
#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr double kClip = 0.989;

class KestrelonTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        if (KestrelonPlugin().empty())
            GTEST_SKIP() << "Kestrelon is not built in this tree";
    }
    // Renders in.wav with the given extra arguments into `out`.
    ToolRun Render(const std::string& out, std::vector<std::string> extra)
    {
        std::vector<std::string> args = {"render", KestrelonPlugin(), Path("in.wav"), Path(out)};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
    // Material that crosses the clipping level on its loudest hits.
    void WriteLoudInput(int channels, int rate)
    {
        Audio in = MakeSignal(channels, rate, static_cast<std::size_t>(rate), kFloatWav);
        for (double& s : in.samples)
            s *= 1.5;
        ASSERT_TRUE(WriteAudio(Path("in.wav"), in));
    }
};

double MaxDifference(const Audio& a, const Audio& b)
{
    if (a.samples.size() != b.samples.size())
        return INFINITY;
    double worst = 0.0;
    for (std::size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::fabs(a.samples[i] - b.samples[i]));
    return worst;
}

TEST_F(KestrelonTest, InfoShowsTheEffectAsAHostSeesIt)
{
    ToolRun run = Run({"info", KestrelonPlugin()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line :
         {"effect       \"Kestrelon\" by \"Lumen Pathway\"", "unique id    KSTN (0x4B53544E)",
          "version      10000 (vendor version 10000, VST version 2400)", "category     effect (1)",
          "CanMono CanReplacing CanDoubleReplacing", "latency      88 samples at 44100 Hz", "inputs       2",
          "outputs      2", "programs     1, current 0", "Output                   dB       0.5000   0.0",
          "Clip Output                       1.0000   on", "receiveVstTimeInfo     yes (1)",
          "sendVstEvents          don't know (0)"}) {
        EXPECT_THAT(run.out, HasSubstr(line));
    }
    run = Run({"info", KestrelonPlugin(), "--rate", "48000"});
    EXPECT_THAT(run.out, HasSubstr("latency      95 samples at 48000 Hz"));
}

// At the defaults the effect is a delay and a clipper; with the delay
// compensated the output is the input, limited to +-0.989.
TEST_F(KestrelonTest, DefaultsGiveTheInputBackLimitedInStereoAndMono)
{
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        WriteLoudInput(channels, 44100);
        const ToolRun run = Render("out.wav", {});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr("latency 88 compensated"));
        const Audio in = ReadAudio(Path("in.wav"));
        const Audio out = ReadAudio(Path("out.wav"));
        ASSERT_EQ(out.channels, channels);
        ASSERT_EQ(out.Frames(), in.Frames());
        Audio expected = in;
        bool clipped = false;
        for (double& s : expected.samples) {
            clipped = clipped || std::fabs(s) > kClip;
            s = std::clamp(s, -kClip, kClip);
        }
        EXPECT_TRUE(clipped);
        EXPECT_LT(MaxDifference(out, expected), 1e-6);
    }
}

TEST_F(KestrelonTest, ParametersAreSetByNameWithTheTextAUserTypes)
{
    WriteLoudInput(2, 44100);
    const ToolRun run = Render("out.wav", {"--set", "Clip Output=off", "--set", "Output=-3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Clip Output off, Output -3.0 dB"));
    const Audio in = ReadAudio(Path("in.wav"));
    Audio expected = in;
    for (double& s : expected.samples)
        s *= std::pow(10.0, -3.0 / 20.0);
    EXPECT_LT(MaxDifference(ReadAudio(Path("out.wav")), expected), 1e-6);

    const ToolRun unknown = Render("bad.wav", {"--set", "Punch=5"});
    EXPECT_TRUE(FailedWithOneLine(unknown));
    EXPECT_THAT(unknown.err, HasSubstr("\"Attack\", \"Sustain\", \"Sensitivity\", \"Output\", \"Clip Output\""));
    const ToolRun refused = Render("bad.wav", {"--set", "Clip Output=sometimes"});
    EXPECT_TRUE(FailedWithOneLine(refused));
    EXPECT_FALSE(Exists(Path("bad.wav")));
}

// The same settings rendered through a saved .fxp or .fxb in a new instance,
// in other block sizes or in double precision agree with the direct render.
TEST_F(KestrelonTest, PresetsBlockSizesAndPrecisionAgree)
{
    WriteLoudInput(2, 48000);
    const std::vector<std::string> settings = {"--set", "Attack=6", "--set", "Sustain=-4", "--set", "Sensitivity=0.8"};
    std::vector<std::string> save = {"preset", "save", KestrelonPlugin(), Path("s.fxp")};
    save.insert(save.end(), settings.begin(), settings.end());
    ASSERT_EQ(Run(save).exitCode, 0);
    save[3] = Path("s.fxb");
    ASSERT_EQ(Run(save).exitCode, 0);
    ASSERT_EQ(Render("direct.wav", settings).exitCode, 0);
    ASSERT_EQ(Render("fxp.wav", {"--preset", Path("s.fxp")}).exitCode, 0);
    ASSERT_EQ(Render("fxb.wav", {"--preset", Path("s.fxb")}).exitCode, 0);

    const Audio direct = ReadAudio(Path("direct.wav"));
    EXPECT_GT(MaxDifference(direct, ReadAudio(Path("in.wav"))), 0.01);
    EXPECT_EQ(ReadAudio(Path("fxp.wav")).samples, direct.samples);
    EXPECT_EQ(ReadAudio(Path("fxb.wav")).samples, direct.samples);

    std::vector<std::string> variant = settings;
    variant.insert(variant.end(), {"--block", "37"});
    ASSERT_EQ(Render("block.wav", variant).exitCode, 0);
    variant = settings;
    variant.push_back("--double");
    ASSERT_EQ(Render("double.wav", variant).exitCode, 0);
    EXPECT_LT(MaxDifference(ReadAudio(Path("block.wav")), direct), 1e-6);
    EXPECT_LT(MaxDifference(ReadAudio(Path("double.wav")), direct), 1e-6);

    const ToolRun load = Run({"preset", "load", KestrelonPlugin(), Path("s.fxp")});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_THAT(load.out, HasSubstr("Attack                   6.0"));
    EXPECT_THAT(load.out, HasSubstr("Sustain                  -4.0"));
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
