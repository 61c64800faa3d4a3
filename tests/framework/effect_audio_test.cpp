#include <vector>

#include <gtest/gtest.h>

#include "tests/framework/test_effect.h"

namespace kestrelon {

namespace {

// Records what ProcessBlock is handed, then lets the base copy inputs to outputs.
class RecordingEffect : public TestEffect {
public:
    using TestEffect::TestEffect;
    struct Call {
        std::vector<double*> inputs, outputs;
        int frames;
    };
    // [audio thread] mutex held by the process callback.
    void ProcessBlock(double** inputs, double** outputs, int frames) override
    {
        calls.push_back({std::vector<double*>(inputs, inputs + InputChannelCount()),
                         std::vector<double*>(outputs, outputs + OutputChannelCount()), frames});
        TestEffect::ProcessBlock(inputs, outputs, frames);
    }
    std::vector<Call> calls;
};

// Host-side float buffers for a number of channels.
struct HostFloat {
    std::vector<std::vector<float>> data;
    std::vector<float*> pointers;
    HostFloat(int channels, int frames, float fill)
        : data(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames), fill))
    {
        for (auto& channel : data)
            pointers.push_back(channel.data());
    }
    // A ramp that differs per channel, so routing mistakes show.
    static HostFloat Ramp(int channels, int frames)
    {
        HostFloat h(channels, frames, 0.0f);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < frames; ++i)
                h.data[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    static_cast<float>((c + 1) * 1000 + i) / 4096.0f;
        return h;
    }
};

}  // namespace

TEST(EffectAudio, ChannelLayoutText)
{
    const struct {
        const char* text;
        std::vector<std::pair<int, int>> configs;
        int inputs, outputs;
    } cases[] = {
        {"1-1 2-2", {{1, 1}, {2, 2}}, 2, 2},
        {"2-2", {{2, 2}}, 2, 2},
        {"1-1 x 2-4", {{1, 1}, {0, 0}, {2, 4}}, 2, 4},
        {"4", {{4, 0}}, 4, 0},
        {"", {{0, 0}}, 0, 0},
        {"1-2  3-3", {{1, 2}, {3, 3}, {3, 3}}, 3, 3},  // each space starts a pair
    };
    for (const auto& c : cases) {
        TestEffect effect(c.text);
        ASSERT_EQ(effect.ChannelConfigCount(), static_cast<int>(c.configs.size())) << c.text;
        for (int i = 0; i < effect.ChannelConfigCount(); ++i) {
            EXPECT_EQ(effect.ChannelConfigAt(i).inputs, c.configs[static_cast<std::size_t>(i)].first) << c.text;
            EXPECT_EQ(effect.ChannelConfigAt(i).outputs, c.configs[static_cast<std::size_t>(i)].second) << c.text;
        }
        EXPECT_EQ(effect.InputChannelCount(), c.inputs) << c.text;
        EXPECT_EQ(effect.OutputChannelCount(), c.outputs) << c.text;
    }

    TestEffect effect;
    const struct {
        int in, out;
        bool legal;
    } io[] = {
        {1, -1, true}, {2, -1, true}, {3, -1, false}, {1, 1, true},
        {1, 2, false}, {2, 2, true},  {0, -1, false}, {2, 1, false},
    };
    for (const auto& c : io)
        EXPECT_EQ(effect.LegalIO(c.in, c.out), c.legal) << c.in << "-" << c.out;
}

TEST(EffectAudio, BaseBlockCopiesAndZeroFills)
{
    RecordingEffect effect("2-4", 1, 16);
    HostFloat in = HostFloat::Ramp(2, 16);
    HostFloat out(4, 16, 7.0f);
    effect.ProcessFloatReplacing(in.pointers.data(), out.pointers.data(), 16);
    EXPECT_EQ(out.data[0], in.data[0]);
    EXPECT_EQ(out.data[1], in.data[1]);
    EXPECT_EQ(out.data[2], std::vector<float>(16, 0.0f));  // no input 2
    EXPECT_EQ(out.data[3], std::vector<float>(16, 0.0f));
    ASSERT_EQ(effect.calls.size(), 1u);
    EXPECT_EQ(effect.calls[0].frames, 16);
}

TEST(EffectAudio, UnconnectedFirstInputTakesNoHostBuffer)
{
    RecordingEffect effect("1-1 2-2", 1, 8);
    effect.SetInputConnected(0, false);
    HostFloat in = HostFloat::Ramp(1, 8);
    HostFloat out(2, 8, 7.0f);
    effect.ProcessFloatReplacing(in.pointers.data(), out.pointers.data(), 8);
    // Host buffer 0 belongs to the first connected channel, input 1.
    EXPECT_EQ(out.data[0], std::vector<float>(8, 0.0f));
    EXPECT_EQ(out.data[1], in.data[0]);
    ASSERT_EQ(effect.calls.size(), 1u);
    EXPECT_EQ(effect.calls[0].inputs[0], effect.inputChannels[0].scratch.data());

    // The mono layout: one input and one output connected; ProcessBlock still
    // gets two outputs, the second one landing in scratch.
    RecordingEffect mono("1-1 2-2", 1, 8);
    mono.SetInputConnected(1, false);
    mono.SetOutputConnected(1, false);
    HostFloat monoOut(1, 8, 7.0f);
    mono.ProcessFloatReplacing(in.pointers.data(), monoOut.pointers.data(), 8);
    EXPECT_EQ(monoOut.data[0], in.data[0]);
    EXPECT_EQ(mono.calls[0].outputs[1], mono.outputChannels[1].scratch.data());
}

TEST(EffectAudio, BlockSizeChangeZeroesScratch)
{
    TestEffect effect("1-1 2-2", 1, 8);
    HostFloat in = HostFloat::Ramp(2, 8);
    HostFloat out(2, 8, 0.0f);
    effect.ProcessFloatReplacing(in.pointers.data(), out.pointers.data(), 8);
    const std::vector<double> before = effect.inputChannels[0].scratch;
    ASSERT_NE(before, std::vector<double>(8, 0.0));

    effect.SetMaxBlockSize(8);  // unchanged: contents kept
    EXPECT_EQ(effect.inputChannels[0].scratch, before);

    effect.SetMaxBlockSize(32);
    EXPECT_EQ(effect.MaxBlockSize(), 32);
    for (const auto* scratch : {&effect.inputChannels[0].scratch, &effect.inputChannels[1].scratch,
                                &effect.outputChannels[0].scratch, &effect.outputChannels[1].scratch})
        EXPECT_EQ(*scratch, std::vector<double>(32, 0.0));
    // No slot is left at a freed buffer.
    EXPECT_EQ(effect.inputPointers[0], effect.inputChannels[0].scratch.data());
    EXPECT_EQ(effect.outputPointers[1], effect.outputChannels[1].scratch.data());

    effect.SetMaxBlockSize(-5);  // nonsense from a host changes nothing
    EXPECT_EQ(effect.MaxBlockSize(), 32);
}

TEST(EffectAudio, ReplacingOverwritesAccumulatingAdds)
{
    TestEffect effect("1-1 2-2", 1, 64);
    HostFloat in = HostFloat::Ramp(2, 64);
    HostFloat replaced(2, 64, 0.25f);
    HostFloat accumulated(2, 64, 0.25f);
    effect.ProcessFloatReplacing(in.pointers.data(), replaced.pointers.data(), 64);
    effect.ProcessFloatAccumulating(in.pointers.data(), accumulated.pointers.data(), 64);
    for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < 64; ++i) {
            EXPECT_EQ(replaced.data[c][i], in.data[c][i]);
            EXPECT_EQ(accumulated.data[c][i], 0.25f + in.data[c][i]);
        }
    }

    // The render steps on their own, as an adapter may call them.
    HostFloat stepped(2, 64, 0.5f);
    effect.BindFloatBuffers(in.pointers.data(), stepped.pointers.data(), 64);
    effect.RenderFloatAccumulating(64);
    EXPECT_EQ(stepped.data[1][10], 0.5f + in.data[1][10]);
}

TEST(EffectAudio, LongCallsAreProcessedInSlices)
{
    const int block = 64, frames = 1000;
    HostFloat in = HostFloat::Ramp(2, frames);

    RecordingEffect floatEffect("1-1 2-2", 1, block);
    HostFloat out(2, frames, 7.0f);
    floatEffect.ProcessFloatReplacing(in.pointers.data(), out.pointers.data(), frames);
    EXPECT_EQ(out.data, in.data);
    std::vector<int> slices;
    for (const auto& call : floatEffect.calls)
        slices.push_back(call.frames);
    std::vector<int> expected(15, block);
    expected.push_back(frames - 15 * block);
    EXPECT_EQ(slices, expected);
    EXPECT_EQ(floatEffect.inputChannels[0].scratch.size(), static_cast<std::size_t>(block));

    // Accumulating, and the double path, slice the same way.
    HostFloat sum(2, frames, 1.0f);
    floatEffect.ProcessFloatAccumulating(in.pointers.data(), sum.pointers.data(), frames);
    EXPECT_EQ(sum.data[1][999], 1.0f + in.data[1][999]);

    RecordingEffect doubleEffect("1-1 2-2", 1, block);
    std::vector<std::vector<double>> dIn(2, std::vector<double>(frames)), dOut(2, std::vector<double>(frames, 7.0));
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < static_cast<std::size_t>(frames); ++i)
            dIn[c][i] = in.data[c][i];
    double* inPtrs[] = {dIn[0].data(), dIn[1].data()};
    double* outPtrs[] = {dOut[0].data(), dOut[1].data()};
    doubleEffect.ProcessDoubleReplacing(inPtrs, outPtrs, frames);
    EXPECT_EQ(dOut, dIn);
    ASSERT_EQ(doubleEffect.calls.size(), expected.size());
    // Each slice works in the host's own buffers, at the slice's offset.
    EXPECT_EQ(doubleEffect.calls[2].inputs[1], dIn[1].data() + 2 * block);
    EXPECT_EQ(doubleEffect.calls[2].outputs[0], dOut[0].data() + 2 * block);

    // Bind and render called directly with too many frames stop at the scratch size.
    TestEffect direct("1-1 2-2", 1, block);
    HostFloat capped(2, frames, 7.0f);
    direct.BindFloatBuffers(in.pointers.data(), capped.pointers.data(), frames);
    direct.RenderFloatReplacing(frames);
    EXPECT_EQ(capped.data[0][block - 1], in.data[0][block - 1]);
    EXPECT_EQ(capped.data[0][block], 7.0f);
    EXPECT_EQ(capped.data[1][frames - 1], 7.0f);
}

TEST(EffectAudio, DoublePathUsesHostBuffersInPlace)
{
    RecordingEffect effect("1-1 2-2", 1, 32);
    std::vector<double> left(32, 0.5), right(32, -0.5);
    double* buffers[] = {left.data(), right.data()};
    effect.ProcessDoubleReplacing(buffers, buffers, 32);
    ASSERT_EQ(effect.calls.size(), 1u);
    EXPECT_EQ(effect.calls[0].inputs[0], left.data());
    EXPECT_EQ(effect.calls[0].outputs[1], right.data());
    EXPECT_EQ(left, std::vector<double>(32, 0.5));
    EXPECT_EQ(right, std::vector<double>(32, -0.5));

    // In place on the single-precision path too: the input is taken before output is written.
    TestEffect floatEffect("1-1 2-2", 1, 32);
    HostFloat io = HostFloat::Ramp(2, 32);
    const auto original = io.data;
    floatEffect.ProcessFloatReplacing(io.pointers.data(), io.pointers.data(), 32);
    EXPECT_EQ(io.data, original);
}

TEST(EffectAudio, MissingHostBuffersAreSilentAndUntouched)
{
    TestEffect effect("1-1 2-2", 1, 16);
    HostFloat in = HostFloat::Ramp(2, 16);
    HostFloat out(2, 16, 7.0f);

    float* partialIn[] = {nullptr, in.pointers[1]};
    float* partialOut[] = {out.pointers[0], nullptr};
    effect.ProcessFloatReplacing(partialIn, partialOut, 16);
    EXPECT_EQ(out.data[0], std::vector<float>(16, 0.0f));  // input 0 read as silence
    EXPECT_EQ(out.data[1], std::vector<float>(16, 7.0f));  // output 1 not written

    // Whole arrays missing.
    effect.ProcessFloatReplacing(nullptr, out.pointers.data(), 16);
    EXPECT_EQ(out.data[1], std::vector<float>(16, 0.0f));
    effect.ProcessFloatAccumulating(in.pointers.data(), nullptr, 16);

    std::vector<double> left(16, 0.5), right(16, 0.25);
    double* dIn[] = {nullptr, right.data()};
    double* dOut[] = {left.data(), nullptr};
    effect.ProcessDoubleReplacing(dIn, dOut, 16);
    EXPECT_EQ(left, std::vector<double>(16, 0.0));
    EXPECT_EQ(right, std::vector<double>(16, 0.25));

    // Zero or negative frame counts touch nothing.
    HostFloat untouched(2, 4, 3.0f);
    effect.ProcessFloatReplacing(in.pointers.data(), untouched.pointers.data(), 0);
    effect.ProcessFloatReplacing(in.pointers.data(), untouched.pointers.data(), -4);
    EXPECT_EQ(untouched.data[0], std::vector<float>(4, 3.0f));

    // Before any block size, a replacing call still leaves defined output.
    TestEffect unsized("1-1 2-2", 1, 0);
    HostFloat early(2, 4, 3.0f);
    unsized.ProcessFloatReplacing(in.pointers.data(), early.pointers.data(), 4);
    EXPECT_EQ(early.data[1], std::vector<float>(4, 0.0f));
}

}  // namespace kestrelon
