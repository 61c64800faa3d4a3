// vsthost render through effects whose channels differ from the file's: the
// default routing and the one asked for with --map, --outputs and
// --sidechain, checked sample for sample through the layout test effect.
#include <gmock/gmock.h>

#include <functional>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr std::size_t kFrames = 3000;
// Shorter than the file: the side-chain is silent past its end.
constexpr std::size_t kKeyFrames = 2000;

std::string Layout(const std::string& name)
{
    if (name == "1x1")
        return HostPath(VSTHOST_LAYOUT_1X1);
    if (name == "1x2")
        return HostPath(VSTHOST_LAYOUT_1X2);
    if (name == "2x1")
        return HostPath(VSTHOST_LAYOUT_2X1);
    if (name == "2sc1")
        return HostPath(VSTHOST_LAYOUT_2SC1);
    return HostPath(VSTHOST_LAYOUT_6X2);
}

// Samples on a grid of 2^-10, so that the effect's mix is exact in floats.
Audio GridSignal(int channels, std::size_t frames, unsigned seed)
{
    Audio audio{channels, 44100, kFloatWav, {}};
    for (std::size_t n = 0; n < frames; ++n) {
        for (int c = 0; c < channels; ++c) {
            const auto step = static_cast<int>((n * (37 + 2 * seed) + static_cast<std::size_t>(c) * 101 + seed) % 1536);
            audio.samples.push_back((step - 768) / 1024.0);
        }
    }
    return audio;
}

// What the layout effect makes of its inputs at output `o`.
double Mix(const std::vector<double>& inputs, int o)
{
    const int own = o % static_cast<int>(inputs.size());
    double sum = (o % 2 ? -1.0 : 1.0) * inputs[own];
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (static_cast<int>(i) != own)
            sum += inputs[i] / static_cast<double>(2 << i);
    }
    return sum;
}

class RoutingTest : public CliTest {};

TEST_F(RoutingTest, EachLayoutRendersByTheDefaultOrTheAskedRoutingSampleForSample)
{
    struct Case {
        const char* layout;
        int channels;
        int keyChannels;  // 0: no --sidechain
        std::vector<std::string> options;
        // What the render must amount to: the source of each input of each
        // instance ("1", "s1", "0" for silence), and the outputs written.
        std::vector<std::vector<std::string>> feeds;
        std::vector<int> outputs;
        const char* routingLine;  // "" when none is printed
    };
    const Case cases[] = {
        {"1x1", 1, 0, {}, {{"1"}}, {0}, ""},
        {"1x1", 2, 0, {}, {{"1"}, {"2"}}, {0}, "--map 1 --map 2 --outputs 1 (one instance per channel)"},
        {"1x2", 1, 0, {}, {{"1"}}, {0, 1}, "--map 1 --outputs 1,2 (1 channel in, 2 out)"},
        {"1x2", 2, 0, {"--outputs", "2"}, {{"1"}, {"2"}}, {1}, ""},
        {"2x1", 2, 0, {}, {{"1", "2"}}, {0}, "--map 1,2 --outputs 1 (2 channels in, 1 out)"},
        {"2x1", 1, 0, {"--double"}, {{"1", "1"}}, {0}, "--map 1,1 --outputs 1 (the one channel to both inputs)"},
        {"2x1", 2, 0, {"--map", "2,1", "--block", "5"}, {{"2", "1"}}, {0}, ""},
        {"2sc1",
         2,
         0,
         {},
         {{"1", "0"}, {"2", "0"}},
         {0},
         "--map 1 --map 2 --outputs 1 (one instance per channel; input 2 silent)"},
        {"2sc1", 1, 1, {}, {{"1", "s1"}}, {0}, "--map 1,s1 --outputs 1 (side-chain to input 2)"},
        {"2sc1",
         2,
         2,
         {"--double"},
         {{"1", "s1"}, {"2", "s1"}},
         {0},
         "--map 1,s1 --map 2,s1 --outputs 1 (one instance per channel; side-chain to input 2)"},
        {"2sc1", 2, 2, {"--map", "s2,1"}, {{"s2", "1"}}, {0}, ""},
        {"6x2",
         6,
         0,
         {},
         {{"1", "2", "3", "4", "5", "6"}},
         {0, 1},
         "--map 1,2,3,4,5,6 --outputs 1,2 (6 channels in, 2 out)"},
        {"6x2",
         2,
         0,
         {"--block", "7"},
         {{"1", "2", "0", "0", "0", "0"}},
         {0, 1},
         "--map 1,2 --outputs 1,2 (inputs 3-6 silent)"},
        {"6x2",
         6,
         0,
         {"--map", "1,2", "--map", "3,4", "--map=5,6", "--outputs", "1,2"},
         {{"1", "2", "0", "0", "0", "0"}, {"3", "4", "0", "0", "0", "0"}, {"5", "6", "0", "0", "0", "0"}},
         {0, 1},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + std::to_string(c.channels) + " " +
                     ::testing::PrintToString(c.options));
        const Audio in = GridSignal(c.channels, kFrames, 1);
        const Audio key = GridSignal(c.keyChannels, kKeyFrames, 2);
        ASSERT_TRUE(WriteAudio(Path("in.wav"), in));
        std::vector<std::string> args = {"render", Layout(c.layout), Path("in.wav"), Path("out.wav")};
        if (c.keyChannels > 0) {
            ASSERT_TRUE(WriteAudio(Path("key.wav"), key));
            args.insert(args.end(), {"--sidechain", Path("key.wav")});
        }
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("rendered ", 0) == 0 ? "" : run.out.substr(0, run.out.find('\n')),
                  std::string(*c.routingLine ? "routing: " : "") + c.routingLine);

        const auto source = [&](const std::string& name, std::size_t n) {
            if (name == "0")
                return 0.0;
            if (name[0] == 's') {
                const int ch = std::stoi(name.substr(1)) - 1;
                return n < kKeyFrames ? key.samples[n * c.keyChannels + ch] : 0.0;
            }
            return in.samples[n * c.channels + std::stoi(name) - 1];
        };
        std::vector<double> expected;
        for (std::size_t n = 0; n < kFrames; ++n) {
            for (const std::vector<std::string>& feed : c.feeds) {
                std::vector<double> inputs;
                for (const std::string& name : feed)
                    inputs.push_back(source(name, n));
                for (int o : c.outputs)
                    expected.push_back(Mix(inputs, o));
            }
        }
        const Audio out = ReadAudio(Path("out.wav"));
        EXPECT_EQ(out.channels, static_cast<int>(c.feeds.size() * c.outputs.size()));
        EXPECT_EQ(out.samples, expected);
    }
}

// A request that cannot be carried out is refused before anything is written,
// in one line that says how to route it, with the usage's exit status.
TEST_F(RoutingTest, ImpossibleRoutingsAreOneLineAndExitTwo)
{
    ASSERT_TRUE(WriteAudio(Path("in.wav"), GridSignal(2, 1000, 1)));
    ASSERT_TRUE(WriteAudio(Path("mono.wav"), GridSignal(1, 1000, 1)));
    ASSERT_TRUE(WriteAudio(Path("three.wav"), GridSignal(3, 1000, 1)));
    ASSERT_TRUE(WriteAudio(Path("key.wav"), GridSignal(1, 1000, 2)));
    Audio slow = GridSignal(1, 1000, 2);
    slow.sampleRate = 48000;
    ASSERT_TRUE(WriteAudio(Path("key48k.wav"), slow));
    struct Case {
        std::string plugin;
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {TestPlugin(""),
         {Path("three.wav")},
         "three.wav has 3 channels but the plug-in takes 2 (2 inputs, 2 outputs); route them with --map, e.g. "
         "--map 1,2 --map 3"},
        {Layout("2x1"), {Path("in.wav"), "--map", "3"}, "in.wav has 2 channels; --map names channel 3"},
        {Layout("2x1"), {Path("in.wav"), "--map", "1,2,1"}, "--map 1,2,1 names 3 inputs but the plug-in has 2"},
        {Layout("1x2"), {Path("in.wav"), "--outputs", "3"}, "--outputs names output 3 but the plug-in has 2 outputs"},
        {TestPlugin(""), {Path("in.wav"), "--sidechain", Path("key.wav")}, "the plug-in has no input left for the"},
        {Layout("2sc1"),
         {Path("mono.wav"), "--sidechain", Path("key48k.wav")},
         "runs at 48000 Hz but " + Path("mono.wav") + " at 44100 Hz"},
        {Layout("2sc1"),
         {Path("mono.wav"), "--sidechain", Path("key.wav"), "--map", "1,s2"},
         "has 1 channel; --map "
         "names s2"},
        {Layout("2sc1"), {Path("mono.wav"), "--map", "1,s1"}, "no --sidechain FILE is given"},
        {Layout("2sc1"), {Path("mono.wav"), "--map", "1,x"}, "--map needs the channel for each input"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"render", c.plugin, c.args[0], Path("out.wav")};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        const ToolRun run = Run(args);
        EXPECT_TRUE(FailedWithOneLine(run));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_FALSE(Exists(Path("out.wav")));
    }
}

// A batch routes each file by its own channels and shows each routing once;
// every output is the file rendered alone, the effect's delay compensated in
// every instance.
TEST_F(RoutingTest, BatchesRouteEachFileAndShowEachRoutingOnce)
{
    const std::vector<std::string> names = {"a.wav", "b.wav", "m.wav"};
    ASSERT_TRUE(WriteAudio(Path("a.wav"), MakeSignal(2, 44100, 30000, kFloatWav)));
    ASSERT_TRUE(WriteAudio(Path("b.wav"), MakeSignal(2, 44100, 5000, kFloatWav)));
    ASSERT_TRUE(WriteAudio(Path("m.wav"), MakeSignal(1, 44100, 5000, kFloatWav)));
    std::vector<std::string> args = {"render", TestPlugin("mono")};
    for (const std::string& name : names)
        args.push_back(Path(name));
    args.insert(args.end(), {"--out-dir", Path("out"), "--jobs", "2"});
    const ToolRun run = Run(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string line = "routing: --map 1 --map 2 --outputs 1 (one instance per channel)\n";
    ASSERT_NE(run.out.find(line), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(line), run.out.rfind(line)) << run.out;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        // The test effect at unity gain gives the input back once its delay is
        // taken out.
        const Audio in = ReadAudio(Path(name));
        const Audio out = ReadAudio(Path("out") + "/" + name);
        EXPECT_EQ(out.channels, in.channels);
        EXPECT_EQ(out.samples, in.samples);
    }
}

TEST_F(RoutingTest, InfoShowsThePinNamesAndTheDefaultRouting)
{
    ToolRun run = Run({"info", Layout("2sc1")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("inputs       2\n"
                                   "  input 1: \"In 1\" active\n"
                                   "  input 2: \"Side-chain\" active\n"
                                   "outputs      1\n"
                                   "  output 1: \"Out 1\" active\n"));
    EXPECT_THAT(run.out, HasSubstr("routing      mono file   --map 1 --outputs 1 (input 2 silent)\n"
                                   "             stereo file --map 1 --map 2 --outputs 1 (one instance per "
                                   "channel; input 2 silent)\n"));
    run = Run({"info", Layout("2x1")});
    EXPECT_THAT(run.out, HasSubstr("  input 1: \"In 1\" active stereo-pair\n"));
    run = Run({"info", TestPlugin("")});
    EXPECT_THAT(run.out, HasSubstr("routing      mono file   the one-in, one-out layout\n"
                                   "             stereo file channel n to input n\n"));
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
