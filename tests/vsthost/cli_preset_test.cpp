// vsthost preset save / load and render --preset: the file layout other hosts
// read, the round trip through a new instance, and every refused file.
#include <gmock/gmock.h>

#include <cstring>

#include "tests/vsthost/cli_fixture.h"
#include "tools/vsthost/fx_preset.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;

std::int32_t BigEndianAt(const std::vector<unsigned char>& bytes, std::size_t pos)
{
    return static_cast<std::int32_t>((std::uint32_t{bytes.at(pos)} << 24) | (std::uint32_t{bytes.at(pos + 1)} << 16) |
                                     (std::uint32_t{bytes.at(pos + 2)} << 8) | bytes.at(pos + 3));
}

std::string TextAt(const std::vector<unsigned char>& bytes, std::size_t pos, std::size_t n)
{
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                       bytes.begin() + static_cast<std::ptrdiff_t>(pos + n));
}

std::vector<unsigned char> LittleEndianChunk(const char* magic, std::vector<float> values)
{
    std::vector<unsigned char> chunk(4 + 4 * values.size());
    for (int i = 0; i < 4; ++i)
        chunk[static_cast<std::size_t>(i)] = static_cast<unsigned char>(magic[3 - i]);
    std::memcpy(chunk.data() + 4, values.data(), 4 * values.size());
    return chunk;
}

TEST_F(CliTest, ProgramAndBankFilesCarryTheStandardHeaders)
{
    ToolRun run = Run({"preset", "save", TestPlugin(""), Path("p.fxp"), "--set", "Gain=-6"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "saved " + Path("p.fxp") + ": program of 'VHtp', state chunk of 16 bytes\n");
    const std::vector<unsigned char> fxp = ReadBytes(Path("p.fxp"));
    ASSERT_EQ(fxp.size(), 56u + 4u + 16u);
    EXPECT_EQ(TextAt(fxp, 0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(fxp, 4), static_cast<std::int32_t>(fxp.size() - 8));
    EXPECT_EQ(TextAt(fxp, 8, 4), "FPCh");
    EXPECT_EQ(BigEndianAt(fxp, 12), 1);  // format version
    EXPECT_EQ(TextAt(fxp, 16, 4), "VHtp");
    EXPECT_EQ(BigEndianAt(fxp, 20), 1);  // the effect's version
    EXPECT_EQ(BigEndianAt(fxp, 24), 3);  // parameters
    EXPECT_EQ(TextAt(fxp, 28, 28), std::string("Init") + std::string(24, '\0'));
    EXPECT_EQ(BigEndianAt(fxp, 56), 16);
    // -6 dB on the test effect's -24..24 range is 0.375.
    EXPECT_EQ(TextAt(fxp, 60, 16), TextAt(LittleEndianChunk("VHtc", {0.375f, 0.0f, 0.0f}), 0, 16));

    run = Run({"preset", "save", TestPlugin(""), Path("b.fxb"), "--set", "Invert=on"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<unsigned char> fxb = ReadBytes(Path("b.fxb"));
    ASSERT_EQ(fxb.size(), 156u + 4u + 16u);
    EXPECT_EQ(TextAt(fxb, 0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(fxb, 4), static_cast<std::int32_t>(fxb.size() - 8));
    EXPECT_EQ(TextAt(fxb, 8, 4), "FBCh");
    EXPECT_EQ(BigEndianAt(fxb, 12), 2);
    EXPECT_EQ(TextAt(fxb, 16, 4), "VHtp");
    EXPECT_EQ(BigEndianAt(fxb, 24), 1);  // programs
    EXPECT_EQ(BigEndianAt(fxb, 28), 0);  // current program
    EXPECT_EQ(TextAt(fxb, 32, 124), std::string(124, '\0'));
    EXPECT_EQ(BigEndianAt(fxb, 156), 16);
    EXPECT_EQ(TextAt(fxb, 160, 16), TextAt(LittleEndianChunk("VHtb", {0.5f, 1.0f, 0.0f}), 0, 16));
}

TEST_F(CliTest, EffectsWithoutChunksGetParameterPresets)
{
    ToolRun run = Run({"preset", "save", TestPlugin("nochunks"), Path("p.fxp"), "--set", "Gain=12"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("3 parameter values"));
    const std::vector<unsigned char> fxp = ReadBytes(Path("p.fxp"));
    ASSERT_EQ(fxp.size(), 56u + 12u);
    EXPECT_EQ(TextAt(fxp, 8, 4), "FxCk");
    EXPECT_EQ(BigEndianAt(fxp, 24), 3);
    EXPECT_EQ(BigEndianAt(fxp, 56), 0x3F400000);  // 0.75: +12 dB
    EXPECT_EQ(BigEndianAt(fxp, 60), 0);

    run = Run({"preset", "save", TestPlugin("nochunks"), Path("b.fxb")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<unsigned char> fxb = ReadBytes(Path("b.fxb"));
    ASSERT_EQ(fxb.size(), 156u + 56u + 12u);
    EXPECT_EQ(TextAt(fxb, 8, 4), "FxBk");
    EXPECT_EQ(TextAt(fxb, 156, 4), "CcnK");
    EXPECT_EQ(TextAt(fxb, 164, 4), "FxCk");
    EXPECT_EQ(TextAt(fxb, 184, 4), "Init");
}

// Saving a state, loading it into a new instance and rendering gives exactly
// what the same settings give directly, for chunk and parameter presets alike.
TEST_F(CliTest, SavedPresetsRenderLikeTheSettingsTheyWereMadeFrom)
{
    ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(2, 44100, 6000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    for (const char* variant : {"", "nochunks"}) {
        for (const char* file : {"state.fxp", "state.fxb"}) {
            SCOPED_TRACE(std::string(variant) + " " + file);
            const std::vector<std::string> settings = {"--set", "Gain=-4.5", "--set", "Invert=on"};
            std::vector<std::string> save = {"preset", "save", TestPlugin(variant), Path(file)};
            save.insert(save.end(), settings.begin(), settings.end());
            ASSERT_EQ(Run(save).exitCode, 0);
            std::vector<std::string> direct = {"render", TestPlugin(variant), Path("in.wav"), Path("direct.wav")};
            direct.insert(direct.end(), settings.begin(), settings.end());
            ASSERT_EQ(Run(direct).exitCode, 0);
            const ToolRun viaPreset =
                Run({"render", TestPlugin(variant), Path("in.wav"), Path("preset.wav"), "--preset", Path(file)});
            ASSERT_EQ(viaPreset.exitCode, 0) << viaPreset.err;
            const Audio a = ReadAudio(Path("direct.wav"));
            const Audio b = ReadAudio(Path("preset.wav"));
            ASSERT_EQ(a.Frames(), 6000u);
            EXPECT_EQ(a.samples, b.samples);
            EXPECT_NE(a.samples, ReadAudio(Path("in.wav")).samples);
        }
    }
}

TEST_F(CliTest, PresetLoadPrintsTheParametersItSetAndCanSeedASave)
{
    ASSERT_EQ(Run({"preset", "save", TestPlugin(""), Path("a.fxp"), "--set", "Gain=3"}).exitCode, 0);
    ASSERT_EQ(Run({"preset", "save", TestPlugin(""), Path("b.fxp"), "--preset", Path("a.fxp"), "--set", "Invert=on"})
                  .exitCode,
              0);
    const ToolRun run = Run({"preset", "load", TestPlugin(""), Path("b.fxp")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("loaded " + Path("b.fxp") + ": program of 'VHtp', state chunk of 16 bytes"));
    EXPECT_THAT(run.out, HasSubstr("Gain                     3.0 dB"));
    EXPECT_THAT(run.out, HasSubstr("Invert                   on"));
    EXPECT_THAT(run.out, HasSubstr("Crash                    off"));
}

TEST_F(CliTest, InvalidPresetFilesAreRefusedWithOneLine)
{
    ASSERT_EQ(Run({"preset", "save", TestPlugin(""), Path("good.fxp")}).exitCode, 0);
    ASSERT_EQ(Run({"preset", "save", TestPlugin("nochunks"), Path("params.fxp")}).exitCode, 0);
    const std::vector<unsigned char> good = ReadBytes(Path("good.fxp"));

    // Every truncation of a valid file is refused by the reader.
    for (std::size_t n = 0; n < good.size(); ++n) {
        WriteBytes(Path("cut.fxp"),
                   std::vector<unsigned char>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        const ToolRun run = Run({"preset", "load", TestPlugin(""), Path("cut.fxp")});
        ASSERT_TRUE(FailedWithOneLine(run)) << "length " << n;
        ASSERT_THAT(run.err, HasSubstr("is not a valid VST preset")) << "length " << n;
        ASSERT_EQ(run.out, "");
    }

    std::vector<unsigned char> foreign = good;
    std::memcpy(foreign.data() + 16, "ABCD", 4);
    WriteBytes(Path("foreign.fxp"), foreign);
    std::vector<unsigned char> garbled = good;
    std::memcpy(garbled.data() + 60, "junk", 4);
    WriteBytes(Path("garbled.fxp"), garbled);
    std::vector<unsigned char> unknown = good;
    std::memcpy(unknown.data() + 8, "FxQQ", 4);
    WriteBytes(Path("unknown.fxp"), unknown);
    std::vector<unsigned char> twoParams = ReadBytes(Path("params.fxp"));
    twoParams[27] = 2;
    twoParams.resize(twoParams.size() - 4);
    WriteBytes(Path("two.fxp"), twoParams);

    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"load", TestPlugin(""), Path("missing.fxp")}, "missing.fxp: no such preset file"},
        {{"load", TestPlugin(""), Path("foreign.fxp")}, "was made for the plug-in 'ABCD', not for 'VHtp'"},
        {{"load", TestPlugin(""), Path("garbled.fxp")}, "the plug-in refused the state stored in"},
        {{"load", TestPlugin(""), Path("unknown.fxp")}, "unknown preset type 'FxQQ'"},
        {{"load", TestPlugin("nochunks"), Path("two.fxp")}, "holds 2 parameter values but the plug-in has 3"},
        {{"save", TestPlugin(""), Path("state.txt")}, "name the file .fxp for one program or .fxb for a bank"},
        {{"save", TestPlugin(""), Path("no/such/folder/state.fxp")}, "cannot create"},
        {{"save", TestPlugin(""), Path("x.fxp"), "--preset", Path("foreign.fxp")}, "was made for the plug-in 'ABCD'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"preset"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Run(args);
        EXPECT_TRUE(FailedWithOneLine(run));
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(Exists(Path("x.fxp")));
    EXPECT_FALSE(Exists(Path("state.txt")));
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
