// vsthost as a CLAP host: against our CLAP test plug-in (a stereo gain with
// sample-accurate events and exact state, and a variant per fault) and, where
// Debian's zam-plugins are installed, against a compressor built both as a
// CLAP and as a VST 2 plug-in from the same code.
#include <gmock/gmock.h>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

class ClapTest : public CliTest {};

TEST_F(ClapTest, InfoShowsTheDescriptorPortsParametersAndState)
{
    const ToolRun run = Run({"info", ClapTestPlugin("")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {
             "entry point  clap_entry (CLAP 1.2.2)\n",
             "id           com.lumenpathway.clap-test-gain\n",
             "effect       \"Test Gain\" by \"Lumen Pathway\", version 1.0.0\n",
             "features     audio-effect, stereo\n",
             "latency      0 samples at 44100 Hz\n",
             "  port 1: \"Main In\", id 1, 2 ch, main 64-bit, type stereo\n",
             "  port 1: \"Main Out\", id 2, 2 ch, main 64-bit, type stereo\n",
             "    0  7      Gain                              0          2          1  1.000          automatable\n",
             "    1  9      Mode                              0          2          0  0              stepped "
             "automatable\n",
             "state        20 bytes\n",
             "routing      mono file   --map 1,1 --outputs 1,2 (the one channel to both inputs; 1 channel in, 2 out)\n",
         }) {
        EXPECT_THAT(run.out, HasSubstr(line));
    }
    // A plug-in id the factory does not offer is one line and a failure.
    const ToolRun wrong = Run({"info", ClapTestPlugin(""), "--plugin-id", "com.example.none"});
    EXPECT_TRUE(FailedWithOneLine(wrong));
    EXPECT_THAT(wrong.err, HasSubstr("no plug-in with the id \"com.example.none\""));
}

TEST_F(ClapTest, RenderSetsParametersByTextInBothPrecisionsAndBatches)
{
    const Audio in = MakeSignal(2, 48000, 5000, kFloatWav);
    ASSERT_TRUE(WriteAudio(Path("in.wav"), in));
    for (const bool precise : {false, true}) {
        SCOPED_TRACE(precise ? "double" : "float");
        std::vector<std::string> args = {"render", ClapTestPlugin(""), Path("in.wav"), Path("out.wav"),
                                         "--set",  "Gain=0.5",         "--block",      "100"};
        if (precise)
            args.push_back("--double");
        const ToolRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr("Gain 0.500"));
        const Audio out = ReadAudio(Path("out.wav"));
        ASSERT_EQ(out.samples.size(), in.samples.size());
        for (std::size_t i = 0; i < in.samples.size(); ++i)
            ASSERT_EQ(out.samples[i], static_cast<double>(static_cast<float>(in.samples[i] * 0.5))) << "sample " << i;
    }
    // Each file of a batch renders as it does alone.
    ASSERT_TRUE(WriteAudio(Path("in2.wav"), in));
    const ToolRun batch = Run({"render", ClapTestPlugin(""), Path("in.wav"), Path("in2.wav"), "--out-dir",
                               Path("batch"), "--jobs", "2", "--set", "Gain=0.5", "--block", "100", "--double"});
    ASSERT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(ReadBytes(Path("batch/in.wav")), ReadBytes(Path("out.wav")));
    EXPECT_EQ(ReadBytes(Path("batch/in2.wav")), ReadBytes(Path("out.wav")));
    // VST 2 preset files do not apply to a CLAP plug-in.
    ASSERT_EQ(Run({"preset", "save", TestPlugin(""), Path("x.fxp")}).exitCode, 0);
    const ToolRun preset =
        Run({"render", ClapTestPlugin(""), Path("in.wav"), Path("p.wav"), "--preset", Path("x.fxp")});
    EXPECT_TRUE(FailedWithOneLine(preset));
    EXPECT_THAT(preset.err, HasSubstr("a CLAP plug-in takes none"));
}

// The sound plug-in checks its host too: processing off the audio thread, or
// activation off the main thread, would make its output non-finite.
TEST_F(ClapTest, TortureIsCleanOnASoundPluginAndFindsEachFault)
{
    struct Case {
        const char* variant;
        int exitCode;
        const char* finding;
    };
    const Case cases[] = {
        {"", 0, nullptr},
        {"block_events", 1, "NOTE  a parameter event inside a block does not take effect at its sample (31 times)"},
        {"drifting_state", 1, "FAULT state saved after loading it differs from what was loaded"},
        {"wrong_thread", 1, "FAULT the plug-in called a host function on a thread the interface forbids"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        const ToolRun run = Run({"torture", ClapTestPlugin(c.variant), "--quick", "--strict"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        if (c.finding) {
            EXPECT_THAT(run.out, HasSubstr(c.finding));
        } else {
            EXPECT_THAT(run.out, Not(HasSubstr("FAULT")));
            EXPECT_THAT(run.out, Not(HasSubstr("NOTE")));
            EXPECT_THAT(run.out, HasSubstr("event offsets"));
        }
    }
}

#if !defined(_WIN32)
// Debian's zam-plugins: the same compressor as a CLAP and a VST 2 plug-in.
constexpr const char* kZamClap = "/usr/lib/clap/ZamComp.clap";
constexpr const char* kZamVst = "/usr/lib/vst/ZamComp-vst.so";

TEST_F(ClapTest, ADebianCompressorRendersAsItsVst2BuildAndToleratesTorture)
{
    if (!Exists(kZamClap) || !Exists(kZamVst))
        GTEST_SKIP() << "zam-plugins is not installed (scripts/setup.sh installs it)";
    const Audio in = MakeSignal(2, 44100, 30000, kFloatWav);
    ASSERT_TRUE(WriteAudio(Path("in.wav"), in));
    for (const char* block : {"512", "37"}) {
        SCOPED_TRACE(block);
        std::vector<std::string> settings = {"--set",    "Threshold=-20", "--set", "Ratio=8", "--set",
                                             "Attack=2", "--block",       block,   "--float"};
        std::vector<std::string> clap = {"render", kZamClap, Path("in.wav"), Path("clap.wav")};
        std::vector<std::string> vst = {"render", kZamVst, Path("in.wav"), Path("vst.wav")};
        clap.insert(clap.end(), settings.begin(), settings.end());
        vst.insert(vst.end(), settings.begin(), settings.end());
        const ToolRun viaClap = Run(clap);
        const ToolRun viaVst = Run(vst);
        ASSERT_EQ(viaClap.exitCode, 0) << viaClap.err;
        ASSERT_EQ(viaVst.exitCode, 0) << viaVst.err;
        const Audio a = ReadAudio(Path("clap.wav"));
        const Audio b = ReadAudio(Path("vst.wav"));
        ASSERT_EQ(a.samples.size(), in.samples.size());
        EXPECT_EQ(a.samples, b.samples);
        EXPECT_NE(a.samples, in.samples);  // the settings took effect
    }
    const ToolRun info = Run({"info", kZamClap});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("  port 2: \"Sidechain Input\""));
    EXPECT_THAT(info.out, HasSubstr("Threshold                       -80          0"));
    const ToolRun torture = Run({"torture", kZamClap, "--quick"});
    EXPECT_EQ(torture.exitCode, 0) << torture.out;
    EXPECT_THAT(torture.out, Not(HasSubstr("FAULT")));
}
#endif

}  // namespace

}  // namespace vsthost_test

}  // namespace kestrelon
