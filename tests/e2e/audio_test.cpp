// Sound at the default settings through the three process callbacks: the
// input delayed by the look-ahead and limited to +-0.989.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"
#include "tests/e2e/test_audio.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using Audio = KestrelonTest;

constexpr int kDelay = 88;  // at 44100 Hz

std::vector<float> ToFloat(const std::vector<double>& in)
{
    return std::vector<float>(in.begin(), in.end());
}

TEST_F(Audio, LatencyFollowsTheSampleRate)
{
    struct Row {
        float sampleRate;
        VstInt32 delay;
    };
    const Row rows[] = {{44100.0f, 88},  {48000.0f, 95},   {88200.0f, 176},
                        {96000.0f, 191}, {192000.0f, 383}, {22050.0f, 44}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sampleRate);
        auto fx = Started(row.sampleRate, 512);
        EXPECT_EQ(fx->Record()->initialDelay, row.delay);
        // The reported latency is the delay the sound really has.
        DoubleChannels impulse = FilledDouble(2, 1024, 0.0);
        impulse[0][0] = 0.5;
        impulse[1][0] = -0.25;
        const DoubleChannels out = RenderDouble(*fx, impulse, 512);
        for (int n = 0; n < 1024; ++n) {
            const double left = n == row.delay ? 0.5 : 0.0;
            const double right = n == row.delay ? -0.25 : 0.0;
            ASSERT_EQ(out[0][static_cast<std::size_t>(n)], left) << "frame " << n;
            ASSERT_EQ(out[1][static_cast<std::size_t>(n)], right) << "frame " << n;
        }
    }
    // A new rate on a running instance gives a new latency, and back.
    auto fx = Create();
    EXPECT_EQ(fx->Record()->initialDelay, 0);
    fx->Start(44100.0f, 512);
    EXPECT_EQ(fx->Record()->initialDelay, 88);
    fx->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(fx->Record()->initialDelay, 95);
    fx->Dispatch(effSetBlockSize, 0, 128);
    fx->Dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(fx->Record()->initialDelay, 95);
    fx->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    EXPECT_EQ(fx->Record()->initialDelay, 88);
}

TEST_F(Audio, OutputLimit)
{
    struct Row {
        double left, right;
        double outLeft, outRight;
    };
    const Row rows[] = {
        {0.5, -0.25, 0.5, -0.25},        {0.989, -0.989, 0.989, -0.989},  // the limit itself passes unchanged
        {0.98900001, 0.3, 0.989, 0.3},  // just above: limited; the other channel keeps its value
        {0.3, -0.98900001, 0.3, -0.989}, {1.5, -3.0, 0.989, -0.989},
        {1e6, -1e6, 0.989, -0.989},      {0.0, 0.0, 0.0, 0.0},
    };
    const int count = static_cast<int>(std::size(rows));
    DoubleChannels in = FilledDouble(2, 256, 0.0);
    for (int i = 0; i < count; ++i) {
        in[0][static_cast<std::size_t>(i)] = rows[i].left;
        in[1][static_cast<std::size_t>(i)] = rows[i].right;
    }
    auto fx = Started();
    const DoubleChannels out = RenderDouble(*fx, in, 256);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(out[0][static_cast<std::size_t>(i + kDelay)], rows[i].outLeft);
        EXPECT_EQ(out[1][static_cast<std::size_t>(i + kDelay)], rows[i].outRight);
    }

    // With Clip Output off nothing is limited.
    auto open = Started();
    open->Set(kClipOutput, 0.0f);
    const DoubleChannels free = RenderDouble(*open, in, 256);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(free[0][static_cast<std::size_t>(i + kDelay)], rows[i].left);
        EXPECT_EQ(free[1][static_cast<std::size_t>(i + kDelay)], rows[i].right);
    }
}

TEST_F(Audio, OutputGain)
{
    struct Row {
        float normalised;
        double factor;  // +12 dB and -12 dB as linear factors
    };
    for (const Row& row : {Row{1.0f, 3.981071705534863}, Row{0.0f, 0.2511886431509649}}) {
        SCOPED_TRACE(row.factor);
        auto fx = Started();
        fx->Set(kOutput, row.normalised);
        fx->Set(kClipOutput, 0.0f);
        const DoubleChannels in = ToDouble(Bursts(1024, 5));
        const DoubleChannels out = RenderDouble(*fx, in, 512);
        for (std::size_t c = 0; c < 2; ++c) {
            for (std::size_t n = kDelay; n < 1024; ++n) {
                ASSERT_NEAR(out[c][n], in[c][n - kDelay] * row.factor,
                            1e-12 * std::fabs(in[c][n - kDelay] * row.factor))
                    << "channel " << c << " frame " << n;
            }
        }
    }
}

TEST_F(Audio, ThreeProcessPaths)
{
    const FloatChannels in = Bursts(2048, 1);
    const DoubleChannels inDouble = ToDouble(in);
    {
        SCOPED_TRACE("single precision, replacing");
        auto fx = Started();
        const FloatChannels out = RenderReplacing(*fx, in, 512);
        for (std::size_t c = 0; c < 2; ++c) {
            EXPECT_EQ(FirstDifference(out[c], ToFloat(DelayedAndLimited(inDouble[c], kDelay))), -1) << "channel " << c;
        }
    }
    {
        SCOPED_TRACE("single precision, accumulating");
        auto fx = Started();
        const FloatChannels out = RenderAccumulating(*fx, in, 512, 0.25f);
        for (std::size_t c = 0; c < 2; ++c) {
            std::vector<float> expected = ToFloat(DelayedAndLimited(inDouble[c], kDelay));
            for (float& s : expected)
                s = 0.25f + s;  // summed in single precision
            EXPECT_EQ(FirstDifference(out[c], expected), -1) << "channel " << c;
        }
    }
    {
        SCOPED_TRACE("double precision");
        auto fx = Started();
        const DoubleChannels out = RenderDouble(*fx, inDouble, 512);
        for (std::size_t c = 0; c < 2; ++c) {
            EXPECT_EQ(FirstDifference(out[c], DelayedAndLimited(inDouble[c], kDelay)), -1) << "channel " << c;
        }
    }
}

// Hosts often hand the same buffers for input and output.
TEST_F(Audio, InPlaceProcessing)
{
    const FloatChannels in = Bursts(1536, 2);
    const DoubleChannels inDouble = ToDouble(in);
    auto replacing = Started();
    auto accumulating = Started();
    auto dbl = Started();
    FloatChannels bufferR = in, bufferA = in;
    DoubleChannels bufferD = inDouble;
    for (int first = 0; first < 1536; first += 512) {
        float* r[2] = {bufferR[0].data() + first, bufferR[1].data() + first};
        replacing->Record()->processReplacing(replacing->Record(), r, r, 512);
        float* a[2] = {bufferA[0].data() + first, bufferA[1].data() + first};
        accumulating->Record()->process(accumulating->Record(), a, a, 512);
        double* d[2] = {bufferD[0].data() + first, bufferD[1].data() + first};
        dbl->Record()->processDoubleReplacing(dbl->Record(), d, d, 512);
    }
    for (std::size_t c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        const std::vector<double> expected = DelayedAndLimited(inDouble[c], kDelay);
        EXPECT_EQ(FirstDifference(bufferR[c], ToFloat(expected)), -1);
        EXPECT_EQ(FirstDifference(bufferD[c], expected), -1);
        std::vector<float> summed = in[c];
        for (std::size_t n = 0; n < summed.size(); ++n)
            summed[n] += static_cast<float>(expected[n]);
        EXPECT_EQ(FirstDifference(bufferA[c], summed), -1);
    }
}

TEST_F(Audio, ZeroFrameCallsChangeNothing)
{
    const FloatChannels in = Bursts(1024, 3);
    const DoubleChannels inDouble = ToDouble(in);
    auto fx = Started();
    FloatChannels out(2);
    DoubleChannels outDouble(2);
    for (int first = 0; first < 1024; first += 256) {
        FloatChannels canary = Filled(2, 4, 7.0f);
        DoubleChannels canaryDouble = FilledDouble(2, 4, 7.0);
        FloatChannels slice = Slice(in, first, 256);
        fx->ProcessReplacing(slice, canary, 0);
        fx->ProcessAccumulating(slice, canary, 0);
        DoubleChannels sliceDouble = Slice(inDouble, first, 256);
        fx->ProcessDouble(sliceDouble, canaryDouble, 0);
        float* none[2] = {nullptr, nullptr};
        fx->Record()->processReplacing(fx->Record(), none, none, 0);
        EXPECT_EQ(canary, Filled(2, 4, 7.0f));
        EXPECT_EQ(canaryDouble, FilledDouble(2, 4, 7.0));

        FloatChannels result = Filled(2, 256, 7.0f);
        fx->ProcessReplacing(slice, result, 256);
        Append(out, result);
    }
    for (std::size_t c = 0; c < 2; ++c) {
        EXPECT_EQ(FirstDifference(out[c], ToFloat(DelayedAndLimited(inDouble[c], kDelay))), -1) << "channel " << c;
    }
}

TEST_F(Audio, ProcessingAsksTheHostNothing)
{
    auto fx = Started();
    fx->Set(kAttack, 0.8f);
    host.Clear();
    const FloatChannels in = Bursts(1024, 4);
    RenderReplacing(*fx, in, 512);
    RenderAccumulating(*fx, in, 512, 0.0f);
    RenderDouble(*fx, ToDouble(in), 512);
    EXPECT_TRUE(host.Calls().empty()) << host.Calls().size() << " host calls from the audio path, first opcode "
                                      << host.Calls().front().opcode;
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
