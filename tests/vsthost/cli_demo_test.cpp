// The demo's own commands: the synthesised drum loop, the level table and the
// plot data.
#include <gmock/gmock.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

using ::testing::HasSubstr;

TEST_F(CliTest, DrumLoopIsStereoDeterministicAndPeaksAtMinusThreeDb)
{
    ToolRun run = Run({"synth-drums", Path("a.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Run({"synth-drums", Path("b.wav")}).exitCode, 0);
    EXPECT_EQ(ReadBytes(Path("a.wav")), ReadBytes(Path("b.wav")));
    const Audio loop = ReadAudio(Path("a.wav"));
    EXPECT_EQ(loop.channels, 2);
    EXPECT_EQ(loop.sampleRate, 44100);
    EXPECT_EQ(loop.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(loop.Frames(), 4u * 44100u);
    double peak = 0.0;
    for (double s : loop.samples)
        peak = std::max(peak, std::fabs(s));
    EXPECT_NEAR(peak, 0.7, 1e-6);
    // Hits and tails: the first 10 ms of the snare at 0.5 s are far louder than
    // the 10 ms before the next hit at 1 s, which still are not silent (the room).
    auto rms = [&](std::size_t from, std::size_t frames) {
        double e = 0.0;
        for (std::size_t i = from * 2; i < (from + frames) * 2; ++i)
            e += loop.samples[i] * loop.samples[i];
        return std::sqrt(e / static_cast<double>(frames * 2));
    };
    EXPECT_GT(rms(22050, 441), 10.0 * rms(43659, 441));
    EXPECT_GT(rms(43659, 441), 1e-4);

    run = Run({"synth-drums", Path("short.wav"), "--seconds", "0.5", "--rate", "48000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadAudio(Path("short.wav")).Frames(), 24000u);

    run = Run({"synth-drums", Path("no/such/folder/loop.wav")});
    EXPECT_TRUE(FailedWithOneLine(run));
    EXPECT_THAT(run.err, HasSubstr("cannot create"));
}

TEST_F(CliTest, StatsTableGivesPeakRmsAndCrestOfEachFile)
{
    Audio sine;
    sine.channels = 1;
    sine.sampleRate = 48000;
    sine.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    for (int i = 0; i < 48000; ++i)
        sine.samples.push_back(0.5 * std::sin(2.0 * 3.14159265358979 * 1000.0 * i / 48000.0));
    ASSERT_TRUE(WriteAudio(Path("sine.wav"), sine));
    Audio silence = sine;
    std::fill(silence.samples.begin(), silence.samples.end(), 0.0);
    ASSERT_TRUE(WriteAudio(Path("silence.wav"), silence));

    const ToolRun run = Run({"stats", Path("sine.wav"), Path("silence.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string header, sineRow, silenceRow;
    std::getline(lines, header);
    std::getline(lines, sineRow);
    std::getline(lines, silenceRow);
    EXPECT_THAT(header, HasSubstr("peak dBFS    RMS dBFS   crest dB"));
    // A sine of amplitude 0.5: -6.02 dBFS peak, RMS 3.01 dB lower.
    EXPECT_THAT(sineRow, HasSubstr("-6.02       -9.03       3.01"));
    EXPECT_THAT(silenceRow, HasSubstr("-inf        -inf          -"));

    const ToolRun missing = Run({"stats", Path("sine.wav"), Path("gone.wav")});
    EXPECT_TRUE(FailedWithOneLine(missing));
}

TEST_F(CliTest, PlotDataShowsTheGainChangeOfARender)
{
    ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(2, 44100, 22050, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    ASSERT_EQ(Run({"render", TestPlugin(""), Path("in.wav"), Path("out.wav"), "--set", "Gain=-6"}).exitCode, 0);
    ToolRun run = Run({"plot-data", Path("in.wav"), Path("out.wav"), Path("plot.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::ifstream data(Path("plot.txt"));
    std::string line;
    std::getline(data, line);
    EXPECT_EQ(line[0], '#');
    int rows = 0;
    while (std::getline(data, line)) {
        std::istringstream fields(line);
        double time, inMin, inMax, outMin, outMax;
        std::string gain;
        ASSERT_TRUE(fields >> time >> inMin >> inMax >> outMin >> outMax >> gain) << line;
        EXPECT_NEAR(time, rows * 64 / 44100.0, 1e-5);
        EXPECT_NEAR(outMax, inMax * 0.501187, 1e-4);
        if (gain != "?") {
            EXPECT_NEAR(std::stod(gain), -6.0, 1e-3) << line;
        }
        ++rows;
    }
    EXPECT_EQ(rows, (22050 + 63) / 64);

    ASSERT_TRUE(WriteAudio(Path("short.wav"), MakeSignal(2, 44100, 1000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    run = Run({"plot-data", Path("in.wav"), Path("short.wav"), Path("bad.txt")});
    EXPECT_TRUE(FailedWithOneLine(run));
    EXPECT_FALSE(Exists(Path("bad.txt")));
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
