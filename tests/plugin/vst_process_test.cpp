// The three process callbacks as a host drives them: replacing, accumulating
// and double precision, calls longer than the announced block size, missing
// buffers and empty calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/plugin/plugin_rig.h"

namespace kestrelon {

namespace {

enum class Path { FloatReplacing, FloatAccumulating, Double };

struct Stereo {
    std::vector<double> l, r;
};

// Calls the callback for frames [start, start + n) of in, out. A path's
// output buffers start at `preset` so accumulation shows.
void Call(PluginRig& rig, Path path, const Stereo& in, Stereo& out, int start, int n, std::vector<float>* fin,
          std::vector<float>* fout)
{
    const std::size_t s = static_cast<std::size_t>(start);
    if (path == Path::Double) {
        double* ins[2] = {const_cast<double*>(in.l.data()) + s, const_cast<double*>(in.r.data()) + s};
        double* outs[2] = {out.l.data() + s, out.r.data() + s};
        rig.ProcessDouble(ins, outs, n);
        return;
    }
    float* ins[2] = {fin[0].data() + s, fin[1].data() + s};
    float* outs[2] = {fout[0].data() + s, fout[1].data() + s};
    if (path == Path::FloatReplacing)
        rig.ProcessReplacing(ins, outs, n);
    else
        rig.ProcessAccumulating(ins, outs, n);
}

// Renders the signal through a fresh instance with the given block size,
// calling the callback with `callFrames` frames at a time; with `slice` set,
// each of those calls is made as separate calls of at most the block size.
Stereo Render(Path path, int blockSize, int callFrames, const Stereo& in, bool slice = false)
{
    PluginRig rig;
    rig.Start(44100.0f, blockSize);
    rig.Set(0, 0.9f);  // attack boost
    rig.Set(1, 0.25f);  // sustain cut
    const int frames = static_cast<int>(in.l.size());
    Stereo out{std::vector<double>(in.l.size(), 0.0), std::vector<double>(in.l.size(), 0.0)};
    std::vector<float> fin[2], fout[2];
    for (int c = 0; c < 2; ++c) {
        const std::vector<double>& src = c == 0 ? in.l : in.r;
        fin[c].assign(src.begin(), src.end());
        fout[c].assign(src.size(), 0.125f);  // what the host already had there
    }
    for (int start = 0; start < frames; start += callFrames) {
        const int n = std::min(callFrames, frames - start);
        if (!slice) {
            Call(rig, path, in, out, start, n, fin, fout);
            continue;
        }
        for (int done = 0; done < n; done += blockSize)
            Call(rig, path, in, out, start + done, std::min(blockSize, n - done), fin, fout);
    }
    if (path != Path::Double) {
        out.l.assign(fout[0].begin(), fout[0].end());
        out.r.assign(fout[1].begin(), fout[1].end());
    }
    return out;
}

Stereo Signal(int frames)
{
    auto s = TestSignal(frames);
    return Stereo{s[0], s[1]};
}

}  // namespace

TEST(VstProcess, OversizedCallsEqualSeparateCallsOfTheBlockSize)
{
    const Stereo in = Signal(5000);
    const struct {
        int blockSize;
        int callFrames;
    } rows[] = {{64, 1000}, {64, 5000}, {512, 4097}, {100, 333}, {1, 7}, {512, 512}};
    for (Path path : {Path::FloatReplacing, Path::FloatAccumulating, Path::Double}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << "path " << static_cast<int>(path) << ", block " << row.blockSize
                                            << ", calls of " << row.callFrames);
            const Stereo sliced = Render(path, row.blockSize, row.callFrames, in);
            const Stereo separate = Render(path, row.blockSize, row.callFrames, in, true);
            EXPECT_EQ(sliced.l, separate.l);
            EXPECT_EQ(sliced.r, separate.r);
        }
    }
}

TEST(VstProcess, ReplacingOverwritesAccumulatingAddsDoubleMatches)
{
    const Stereo in = Signal(3000);
    const Stereo dbl = Render(Path::Double, 512, 512, in);
    const Stereo rep = Render(Path::FloatReplacing, 512, 512, in);
    const Stereo acc = Render(Path::FloatAccumulating, 512, 512, in);
    double maxAbs = 0.0;
    for (std::size_t i = 0; i < in.l.size(); ++i) {
        // The float paths see the input rounded to float, so they agree with
        // the double path to float precision, not bit for bit.
        ASSERT_NEAR(rep.l[i], dbl.l[i], 1e-6) << i;
        ASSERT_NEAR(rep.r[i], dbl.r[i], 1e-6) << i;
        ASSERT_EQ(static_cast<float>(acc.l[i]), 0.125f + static_cast<float>(rep.l[i])) << i;
        ASSERT_EQ(static_cast<float>(acc.r[i]), 0.125f + static_cast<float>(rep.r[i])) << i;
        maxAbs = std::max(maxAbs, std::fabs(dbl.l[i]));
    }
    EXPECT_GT(maxAbs, 0.5);  // the comparison saw real signal
}

TEST(VstProcess, InPlaceBuffersGiveTheSameResult)
{
    const Stereo in = Signal(2048);
    const Stereo separate = Render(Path::Double, 512, 512, in);

    PluginRig rig;
    rig.Start(44100.0f, 512);
    rig.Set(0, 0.9f);
    rig.Set(1, 0.25f);
    Stereo buffer = in;
    for (int start = 0; start < 2048; start += 512) {
        double* io[2] = {buffer.l.data() + start, buffer.r.data() + start};
        rig.ProcessDouble(io, io, 512);
    }
    EXPECT_EQ(buffer.l, separate.l);
    EXPECT_EQ(buffer.r, separate.r);
}

TEST(VstProcess, MissingBuffersReadAsSilenceAndAreNotWritten)
{
    const int n = 400;
    const Stereo in = Signal(n);
    std::vector<double> zeros(n, 0.0);

    // Reference: the right input really silent.
    Stereo want{std::vector<double>(n), std::vector<double>(n)};
    {
        PluginRig rig;
        rig.Start(44100.0f, 256);
        double* ins[2] = {const_cast<double*>(in.l.data()), zeros.data()};
        double* outs[2] = {want.l.data(), want.r.data()};
        rig.ProcessDouble(ins, outs, n);
    }
    std::vector<float> fl(in.l.begin(), in.l.end());
    std::vector<float> fzeros(n, 0.0f);
    std::vector<float> wantFloatL(n, 0.0f);
    {
        PluginRig rig;
        rig.Start(44100.0f, 256);
        float* ins[2] = {fl.data(), fzeros.data()};
        float* outs[2] = {wantFloatL.data(), fzeros.data()};
        rig.ProcessReplacing(ins, outs, n);
    }

    for (Path path : {Path::Double, Path::FloatReplacing, Path::FloatAccumulating}) {
        SCOPED_TRACE(static_cast<int>(path));
        PluginRig rig;
        rig.Start(44100.0f, 256);
        std::vector<double> outL(n, 0.0);
        std::vector<float> foutL(n, 0.0f);
        if (path == Path::Double) {
            double* ins[2] = {const_cast<double*>(in.l.data()), nullptr};
            double* outs[2] = {outL.data(), nullptr};
            rig.ProcessDouble(ins, outs, n);
            EXPECT_EQ(outL, want.l);
        } else {
            float* ins[2] = {fl.data(), nullptr};
            float* outs[2] = {foutL.data(), nullptr};
            if (path == Path::FloatReplacing)
                rig.ProcessReplacing(ins, outs, n);
            else
                rig.ProcessAccumulating(ins, outs, n);
            EXPECT_EQ(foutL, wantFloatL);
        }
    }

    // No arrays at all: nothing to read or write, and nothing breaks.
    PluginRig rig;
    rig.Start(44100.0f, 256);
    rig.ProcessDouble(nullptr, nullptr, n);
    rig.ProcessReplacing(nullptr, nullptr, n);
    rig.ProcessAccumulating(nullptr, nullptr, n);
    std::vector<double> outL(n, 5.0), outR(n, 5.0);
    double* outs[2] = {outL.data(), outR.data()};
    rig.ProcessDouble(nullptr, outs, n);
    EXPECT_EQ(*std::max_element(outL.begin(), outL.end()), 0.0);
    EXPECT_EQ(*std::min_element(outR.begin(), outR.end()), 0.0);
}

TEST(VstProcess, MonoLayoutUsesOneBufferEachWay)
{
    const int n = 300;
    const Stereo in = Signal(n);
    PluginRig rig;
    rig.Start(44100.0f, 128);
    vst2::VstSpeakerArrangement mono{};
    mono.numChannels = 1;
    rig.Dispatch(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&mono), &mono);
    std::vector<float> fin(in.l.begin(), in.l.end()), fout(n, 9.0f);
    // A host with one channel passes arrays of one pointer.
    float* ins[1] = {fin.data()};
    float* outs[1] = {fout.data()};
    rig.ProcessReplacing(ins, outs, n);
    for (int i = 0; i < n; ++i) {
        const double delayed = i < 88 ? 0.0 : fin[static_cast<std::size_t>(i - 88)];
        ASSERT_EQ(fout[static_cast<std::size_t>(i)], static_cast<float>(std::clamp(delayed, -0.989, 0.989))) << i;
    }
}

TEST(VstProcess, InputTakenOutOfUseIsSilentNotItsLastBlock)
{
    // Both instances hear the same loud stereo block; then one is switched to
    // one input and two outputs, the other gets real silence on the right.
    const int n = 256;
    const Stereo loud = Signal(n);
    std::vector<float> loudL(loud.l.begin(), loud.l.end()), loudR(loud.r.begin(), loud.r.end());
    std::vector<float> next(loudL.rbegin(), loudL.rend()), zeros(n, 0.0f);
    std::vector<float> out[2][2] = {{std::vector<float>(n), std::vector<float>(n)},
                                    {std::vector<float>(n), std::vector<float>(n)}};
    for (int which = 0; which < 2; ++which) {
        PluginRig rig;
        rig.Start(44100.0f, n);
        rig.Set(0, 0.8f);
        rig.Set(1, 0.2f);
        float* ins[2] = {loudL.data(), loudR.data()};
        float* outs[2] = {out[which][0].data(), out[which][1].data()};
        rig.ProcessReplacing(ins, outs, n);
        if (which == 0) {
            vst2::VstSpeakerArrangement mono{}, stereo{};
            mono.numChannels = 1;
            stereo.numChannels = 2;
            rig.Dispatch(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&mono), &stereo);
            float* oneIn[1] = {next.data()};
            rig.ProcessReplacing(oneIn, outs, n);
        } else {
            float* silentRight[2] = {next.data(), zeros.data()};
            rig.ProcessReplacing(silentRight, outs, n);
        }
    }
    EXPECT_EQ(out[0][0], out[1][0]);
    EXPECT_EQ(out[0][1], out[1][1]);
}

TEST(VstProcess, EmptyCallsTouchNoBufferButCountAsABlock)
{
    const Stereo in = Signal(1024);
    auto render = [&](bool emptyCallFirst) {
        PluginRig rig;
        rig.Start(44100.0f, 512);
        rig.Set(0, 1.0f);
        std::vector<double> sentinel(4, 7.0);
        double* s[2] = {sentinel.data(), sentinel.data()};
        if (emptyCallFirst) {
            rig.ProcessDouble(s, s, 0);
            float* f[2] = {nullptr, nullptr};
            rig.ProcessReplacing(f, f, 0);
            rig.ProcessReplacing(f, f, -3);
        }
        EXPECT_EQ(sentinel, std::vector<double>(4, 7.0));
        std::vector<double> outL(1024), outR(1024);
        double* ins[2] = {const_cast<double*>(in.l.data()), const_cast<double*>(in.r.data())};
        double* outs[2] = {outL.data(), outR.data()};
        rig.ProcessDouble(ins, outs, 512);
        ins[0] += 512, ins[1] += 512, outs[0] += 512, outs[1] += 512;
        rig.ProcessDouble(ins, outs, 512);
        return outL;
    };
    // Each empty call draws the block's noise offset, so what follows differs
    // from a render without them, though only in the last bits.
    const std::vector<double> plain = render(false);
    const std::vector<double> afterEmpty = render(true);
    EXPECT_NE(plain, afterEmpty);
    for (std::size_t i = 0; i < plain.size(); ++i)
        ASSERT_NEAR(plain[i], afterEmpty[i], 1e-6);
}

TEST(VstProcess, WithoutABlockSizeOutputIsSilence)
{
    PluginRig rig;
    rig.Start(44100.0f, 0);
    const Stereo in = Signal(256);
    std::vector<double> outL(256, 3.0), outR(256, 3.0);
    double* ins[2] = {const_cast<double*>(in.l.data()), const_cast<double*>(in.r.data())};
    double* outs[2] = {outL.data(), outR.data()};
    rig.ProcessDouble(ins, outs, 256);
    EXPECT_EQ(outL, std::vector<double>(256, 0.0));
    std::vector<float> fin(in.l.begin(), in.l.end()), fout(256, 3.0f), fout2(256, 3.0f);
    float* fins[2] = {fin.data(), fin.data()};
    float* fouts[2] = {fout.data(), fout2.data()};
    rig.ProcessReplacing(fins, fouts, 256);
    EXPECT_EQ(fout, std::vector<float>(256, 0.0f));
    std::fill(fout.begin(), fout.end(), 3.0f);
    rig.ProcessAccumulating(fins, fouts, 256);
    EXPECT_EQ(fout, std::vector<float>(256, 3.0f));

    // Once the host names a size, processing resumes.
    rig.Dispatch(vst2::effSetBlockSize, 0, 128);
    rig.ProcessDouble(ins, outs, 256);
    EXPECT_EQ(outL[100], in.l[12]);
}

}  // namespace kestrelon
