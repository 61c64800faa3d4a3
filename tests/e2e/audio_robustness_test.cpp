// Process calls that hosts make but that are easy to get wrong: more frames
// than announced, missing channel buffers, and a mono layout.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"
#include "tests/e2e/test_audio.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using testhost::HostedEffect;
using AudioRobustness = KestrelonTest;

enum class Path { kReplacing, kAccumulating, kDouble };

const char* Name(Path path)
{
    switch (path) {
    case Path::kReplacing:
        return "replacing";
    case Path::kAccumulating:
        return "accumulating";
    case Path::kDouble:
        return "double";
    }
    return "?";
}

// Settings under which every stage runs, so that the per-block noise offset
// and the detector reach the sound.
void ShapeEverything(HostedEffect& fx)
{
    fx.Set(kAttack, 0.8f);
    fx.Set(kSustain, 0.2f);
    fx.Set(kSensitivity, 0.7f);
}

// What comes out, as doubles, when in is rendered through one path in calls
// of block frames.
DoubleChannels RenderThrough(HostedEffect& fx, Path path, const FloatChannels& in, int block)
{
    switch (path) {
    case Path::kReplacing:
        return ToDouble(RenderReplacing(fx, in, block));
    case Path::kAccumulating:
        return ToDouble(RenderAccumulating(fx, in, block, 0.0f));
    case Path::kDouble:
        return RenderDouble(fx, ToDouble(in), block);
    }
    return {};
}

TEST_F(AudioRobustness, FreshInstancesRenderIdentically)
{
    const FloatChannels in = Bursts(4096, 21);
    for (Path path : {Path::kReplacing, Path::kDouble}) {
        SCOPED_TRACE(Name(path));
        auto a = Started(44100.0f, 256);
        auto b = Started(44100.0f, 256);
        ShapeEverything(*a);
        ShapeEverything(*b);
        const DoubleChannels outA = RenderThrough(*a, path, in, 256);
        const DoubleChannels outB = RenderThrough(*b, path, in, 256);
        EXPECT_EQ(FirstDifference(outA[0], outB[0]), -1);
        EXPECT_EQ(FirstDifference(outA[1], outB[1]), -1);
        // And the shaping is really on: the result is not the plain delayed input.
        EXPECT_NE(FirstDifference(outA[0], DelayedAndLimited(ToDouble(in)[0], 88)), -1);
    }
}

// A call longer than the announced block size is processed as if the host had
// sliced it into blocks of that size.
TEST_F(AudioRobustness, CallsLongerThanTheAnnouncedBlock)
{
    struct Row {
        Path path;
        VstInt32 announced;  // 0: the host never announces a block size (1024 applies)
        int frames;
    };
    const Row rows[] = {
        {Path::kReplacing, 64, 1000},   {Path::kAccumulating, 64, 1000}, {Path::kDouble, 64, 1000},
        {Path::kReplacing, 64, 192},    {Path::kReplacing, 100, 101},    {Path::kReplacing, 0, 3000},
        {Path::kAccumulating, 0, 2500}, {Path::kDouble, 0, 2049},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(Name(row.path)) + ", block " + std::to_string(row.announced) + ", " +
                     std::to_string(row.frames) + " frames in one call");
        const int block = row.announced > 0 ? row.announced : 1024;
        auto start = [&] {
            auto fx = Create();
            fx->Dispatch(effOpen);
            fx->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
            if (row.announced > 0)
                fx->Dispatch(effSetBlockSize, 0, row.announced);
            fx->Dispatch(effMainsChanged, 0, 1);
            ShapeEverything(*fx);
            return fx;
        };
        const FloatChannels in = Bursts(row.frames, 9);
        auto whole = start();
        auto sliced = start();
        const DoubleChannels once = RenderThrough(*whole, row.path, in, row.frames);
        const DoubleChannels inBlocks = RenderThrough(*sliced, row.path, in, block);
        EXPECT_EQ(FirstDifference(once[0], inBlocks[0]), -1);
        EXPECT_EQ(FirstDifference(once[1], inBlocks[1]), -1);
    }
}

// A host may pass a null buffer for a channel it does not use. A null input
// reads as silence and a null output is left alone; the other channels
// sound exactly as with real buffers (silence in, output discarded).
TEST_F(AudioRobustness, NullChannelBuffers)
{
    struct Row {
        Path path;
        int nullInput;  // channel, or -1
        int nullOutput;  // channel, or -1
    };
    const Row rows[] = {
        {Path::kReplacing, 0, -1},    {Path::kReplacing, 1, -1}, {Path::kReplacing, -1, 0},
        {Path::kReplacing, -1, 1},    {Path::kReplacing, 1, 1},  {Path::kAccumulating, 0, -1},
        {Path::kAccumulating, -1, 1}, {Path::kDouble, 0, -1},    {Path::kDouble, 1, -1},
        {Path::kDouble, -1, 0},       {Path::kDouble, 0, 1},
    };
    const int block = 256;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(Name(row.path)) + ", null input " + std::to_string(row.nullInput) + ", null output " +
                     std::to_string(row.nullOutput));
        auto withNulls = Started(44100.0f, block);
        auto reference = Started(44100.0f, block);
        ShapeEverything(*withNulls);
        ShapeEverything(*reference);
        // Both first hear loud audio on every channel, so that a null input that
        // picked up old samples instead of silence would show.
        const FloatChannels loud = Bursts(block, 17);
        RenderThrough(*withNulls, Path::kReplacing, loud, block);
        RenderThrough(*reference, Path::kReplacing, loud, block);

        FloatChannels in = Bursts(4 * block, 18);
        if (row.nullInput >= 0)
            in[static_cast<std::size_t>(row.nullInput)].assign(in[0].size(), 0.0f);
        const DoubleChannels expected = RenderThrough(*reference, row.path, in, block);

        bool same = true;  // report the first differing block of each row only
        for (int first = 0; same && first < 4 * block; first += block) {
            FloatChannels inF = Slice(in, first, block);
            FloatChannels outF = Filled(2, block, 0.0f);
            DoubleChannels inD = ToDouble(inF);
            DoubleChannels outD = FilledDouble(2, block, 0.0);
            std::vector<float*> inP = testhost::ChannelPointers(inF), outP = testhost::ChannelPointers(outF);
            std::vector<double*> inPD = testhost::ChannelPointers(inD), outPD = testhost::ChannelPointers(outD);
            if (row.nullInput >= 0) {
                inP[static_cast<std::size_t>(row.nullInput)] = nullptr;
                inPD[static_cast<std::size_t>(row.nullInput)] = nullptr;
            }
            if (row.nullOutput >= 0) {
                outP[static_cast<std::size_t>(row.nullOutput)] = nullptr;
                outPD[static_cast<std::size_t>(row.nullOutput)] = nullptr;
            }
            AEffect* e = withNulls->Record();
            switch (row.path) {
            case Path::kReplacing:
                e->processReplacing(e, inP.data(), outP.data(), block);
                break;
            case Path::kAccumulating:
                e->process(e, inP.data(), outP.data(), block);
                break;
            case Path::kDouble:
                e->processDoubleReplacing(e, inPD.data(), outPD.data(), block);
                break;
            }
            for (std::size_t c = 0; c < 2; ++c) {
                if (static_cast<int>(c) == row.nullOutput)
                    continue;
                const std::vector<double> got = row.path == Path::kDouble ? outD[c] : ToDouble(outF)[c];
                const std::vector<double> want(expected[c].begin() + first, expected[c].begin() + first + block);
                const int difference = FirstDifference(got, want);
                EXPECT_EQ(difference, -1) << "channel " << c << ", block at " << first;
                same = same && difference == -1;
            }
        }
    }
}

// The host switches to one input and one output; it then passes one buffer
// each. The unused right input is silence, whatever the effect heard before.
TEST_F(AudioRobustness, MonoLayout)
{
    struct Row {
        Path path;
        int inputs;
        int outputs;
    };
    const Row rows[] = {
        {Path::kReplacing, 1, 1}, {Path::kAccumulating, 1, 1}, {Path::kDouble, 1, 1},
        {Path::kReplacing, 1, 2}, {Path::kDouble, 1, 2},
    };
    const int block = 256;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(Name(row.path)) + ", " + std::to_string(row.inputs) + " in, " +
                     std::to_string(row.outputs) + " out");
        auto mono = Started(44100.0f, block);
        auto reference = Started(44100.0f, block);
        ShapeEverything(*mono);
        ShapeEverything(*reference);
        const FloatChannels loud = Bursts(block, 27);
        RenderThrough(*mono, Path::kReplacing, loud, block);
        RenderThrough(*reference, Path::kReplacing, loud, block);

        VstSpeakerArrangement in{}, out{};
        in.type = row.inputs == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
        in.numChannels = row.inputs;
        out.type = row.outputs == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
        out.numChannels = row.outputs;
        ASSERT_EQ(mono->Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);

        FloatChannels signal = Bursts(4 * block, 28);
        signal[1].assign(signal[1].size(), 0.0f);
        const DoubleChannels expected = RenderThrough(*reference, row.path, signal, block);
        bool same = true;  // report the first differing block of each row only
        for (int first = 0; same && first < 4 * block; first += block) {
            // Exactly as many pointers as the layout has channels.
            FloatChannels inF = Slice(signal, first, block);
            inF.resize(static_cast<std::size_t>(row.inputs));
            FloatChannels outF = Filled(row.outputs, block, 0.0f);
            DoubleChannels inD = ToDouble(inF);
            DoubleChannels outD = FilledDouble(row.outputs, block, 0.0);
            switch (row.path) {
            case Path::kReplacing:
                mono->ProcessReplacing(inF, outF, block);
                break;
            case Path::kAccumulating:
                mono->ProcessAccumulating(inF, outF, block);
                break;
            case Path::kDouble:
                mono->ProcessDouble(inD, outD, block);
                break;
            }
            for (std::size_t c = 0; c < static_cast<std::size_t>(row.outputs); ++c) {
                const std::vector<double> got = row.path == Path::kDouble ? outD[c] : ToDouble(outF)[c];
                const std::vector<double> want(expected[c].begin() + first, expected[c].begin() + first + block);
                const int difference = FirstDifference(got, want);
                EXPECT_EQ(difference, -1) << "channel " << c << ", block at " << first;
                same = same && difference == -1;
            }
        }

        // Back to stereo: both channels are used again.
        VstSpeakerArrangement stereo{};
        stereo.type = kSpeakerArrStereo;
        stereo.numChannels = 2;
        ASSERT_EQ(mono->Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereo), &stereo), 1);
        const FloatChannels both = Bursts(2 * block, 29);
        const DoubleChannels afterMono = RenderThrough(*mono, row.path, both, block);
        const DoubleChannels afterStereo = RenderThrough(*reference, row.path, both, block);
        EXPECT_EQ(FirstDifference(afterMono[0], afterStereo[0]), -1);
        EXPECT_EQ(FirstDifference(afterMono[1], afterStereo[1]), -1);
    }
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
