// The effect's own behaviour: parameters into engine settings, reset, the
// output stage and the processor modes around a block.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "plugin/block_random.h"
#include "plugin/float_mode.h"
#include "tests/plugin/plugin_rig.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace kestrelon {

namespace {

constexpr int kBlock = 512;

void SetParam(Kestrelon& k, int index, double plain)
{
    k.ParamAt(index)->Set(plain);
    k.HandleParamChange(index);
}

// Runs the effect block by block over the whole signal, left channel out.
std::vector<double> RenderLeft(Kestrelon& k, const std::vector<std::vector<double>>& in)
{
    const int frames = static_cast<int>(in[0].size());
    std::vector<std::vector<double>> out(2, std::vector<double>(in[0].size()));
    for (int start = 0; start < frames; start += kBlock) {
        const int n = std::min(kBlock, frames - start);
        double* ins[2] = {const_cast<double*>(in[0].data()) + start, const_cast<double*>(in[1].data()) + start};
        double* outs[2] = {out[0].data() + start, out[1].data() + start};
        k.ProcessBlock(ins, outs, n);
    }
    return out[0];
}

// The engine alone, set up by hand, run the way the effect runs it: same
// block boundaries, same noise offsets, same processor modes.
std::vector<double> RenderReference(const std::vector<std::vector<double>>& in, double attackDepth, int attackDirection,
                                    double sustainDepth, int sustainDirection, double smoothingMs, double sensitivityMs)
{
    TransientEngine engine;
    engine.SetSampleRate(44100.0);
    engine.SetSensitivity(sensitivityMs);
    engine.SetAttack(attackDepth, attackDirection);
    engine.SetSustain(sustainDepth, sustainDirection, smoothingMs);
    BlockRandom random;
    std::vector<double> out(in[0].size());
    const int frames = static_cast<int>(in[0].size());
    for (int start = 0; start < frames; start += kBlock) {
        ScopedFlushDenormals modes;
        engine.SetNoiseOffset(static_cast<double>(random.Next()) / 32767.0 * 1e-9);
        for (int i = start; i < std::min(frames, start + kBlock); ++i) {
            engine.Process(in[0][static_cast<std::size_t>(i)], in[1][static_cast<std::size_t>(i)]);
            out[static_cast<std::size_t>(i)] = engine.outLeft;
        }
    }
    return out;
}

}  // namespace

TEST(KestrelonParameters, SettingsReachTheEngineAsTheTableSays)
{
    struct Row {
        double attack, sustain, sensitivity;
        double attackDepth;
        int attackDirection;
        double sustainDepth;
        int sustainDirection;
        double smoothingMs;
        double sensitivityMs;
    };
    const Row rows[] = {
        {10, 0, 0.5, 20, +1, 0, +1, 750, 101.79},   {-10, 0, 0.5, 5, -1, 0, +1, 750, 101.79},
        {0, 10, 0, 0, +1, 5, +1, 750, 1000},        {0, -10, 1, 0, +1, 5, -1, 100, 10},
        {5, -5, 0.5, 5, +1, 1.25, -1, 100, 101.79}, {-3, 7, 0.5, 0.45, -1, 2.45, +1, 750, 101.79},
    };
    const auto signal = TestSignal(6000);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "attack " << row.attack << " sustain " << row.sustain);
        PluginRig rig;
        rig.Start();
        Kestrelon& k = rig.Plugin();
        SetParam(k, Kestrelon::kClipOutput, 0);
        SetParam(k, Kestrelon::kAttack, row.attack);
        SetParam(k, Kestrelon::kSustain, row.sustain);
        SetParam(k, Kestrelon::kSensitivity, row.sensitivity);
        EXPECT_NEAR(k.AttackDepth(), row.attackDepth, 1e-12);
        EXPECT_EQ(k.AttackDirection(), row.attackDirection);
        EXPECT_NEAR(k.SustainDepth(), row.sustainDepth, 1e-12);
        EXPECT_EQ(k.SustainDirection(), row.sustainDirection);

        // The sensitivity curve gives 101.79 ms only approximately at 0.5.
        const double sensitivityMs = row.sensitivity == 0.5 ? std::pow(0.5, 3.431) * 990.0 + 10.0 : row.sensitivityMs;
        EXPECT_NEAR(sensitivityMs, row.sensitivityMs, 0.005);

        const std::vector<double> got = RenderLeft(k, signal);
        const std::vector<double> want = RenderReference(signal, k.AttackDepth(), row.attackDirection, k.SustainDepth(),
                                                         row.sustainDirection, row.smoothingMs, sensitivityMs);
        EXPECT_EQ(got, want);
    }
}

TEST(KestrelonParameters, ReferenceRenderTellsSmoothingAndSensitivityApart)
{
    // Guards the test above: the comparison would not notice a wrong
    // smoothing or sensitivity if those did not change the output.
    const auto signal = TestSignal(6000);
    const auto base = RenderReference(signal, 0, 1, 5, 1, 750, 101.79);
    EXPECT_NE(base, RenderReference(signal, 0, 1, 5, 1, 100, 101.79));
    EXPECT_NE(base, RenderReference(signal, 0, 1, 5, 1, 750, 10));
}

TEST(KestrelonParameters, OutputGainAndClipSwitch)
{
    PluginRig rig;
    Kestrelon& k = rig.Plugin();
    EXPECT_EQ(k.OutputGain(), 0.0);  // silent until the host opens the effect
    rig.Dispatch(vst2::effOpen);
    EXPECT_DOUBLE_EQ(k.OutputGain(), 1.0);
    EXPECT_TRUE(k.ClipEnabled());

    const struct {
        double db, gain;
    } gains[] = {{12, 3.981071705534863}, {-12, 0.2511886431509649}, {0, 1}};
    for (const auto& g : gains) {
        SetParam(k, Kestrelon::kOutput, g.db);
        EXPECT_DOUBLE_EQ(k.OutputGain(), g.gain) << g.db << " dB";
    }
    SetParam(k, Kestrelon::kClipOutput, 0);
    EXPECT_FALSE(k.ClipEnabled());
    SetParam(k, Kestrelon::kClipOutput, 1);
    EXPECT_TRUE(k.ClipEnabled());

    // Indices outside the list change nothing.
    k.HandleParamChange(-1);
    k.HandleParamChange(5);
    EXPECT_DOUBLE_EQ(k.OutputGain(), 1.0);
}

TEST(KestrelonReset, LatencyAndMeterDecayFollowRateAndBlockSize)
{
    struct Row {
        float rate;
        int block;
        int latency;
        double decay;
    };
    const Row rows[] = {
        {44100, 512, 88, 0.9419501133786848},
        {48000, 512, 95, 1.0 - 512.0 / 48000.0 * 5.0},
        {44100, 0, 88, 1.0},  // no block size yet: the meters hold
        {44100, 16384, 88, 0.0},  // a block longer than 1/5 s: fall back at once
        {96000, 64, 191, 1.0 - 64.0 / 96000.0 * 5.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.block);
        PluginRig rig;
        EXPECT_EQ(rig.Plugin().MeterDecay(), 0.0);  // before the first reset
        EXPECT_EQ(rig.Record()->initialDelay, 0);
        rig.Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, row.rate);
        rig.Dispatch(vst2::effSetBlockSize, 0, row.block);
        EXPECT_EQ(rig.Record()->initialDelay, row.latency);
        EXPECT_EQ(rig.Plugin().Latency(), row.latency);
        EXPECT_NEAR(rig.Plugin().MeterDecay(), row.decay, 1e-15);
    }
}

TEST(KestrelonOutput, DefaultsDelayTheInputAndClipAt0989)
{
    PluginRig rig;
    rig.Start();
    auto in = TestSignal(3000);
    std::vector<double> outL(3000), outR(3000);
    double* ins[2] = {in[0].data(), in[1].data()};
    double* outs[2] = {outL.data(), outR.data()};
    for (int start = 0; start < 3000; start += 500) {
        double* i2[2] = {ins[0] + start, ins[1] + start};
        double* o2[2] = {outs[0] + start, outs[1] + start};
        rig.ProcessDouble(i2, o2, 500);
    }
    int clipped = 0;
    for (int i = 0; i < 3000; ++i) {
        const double l = i < 88 ? 0.0 : in[0][static_cast<std::size_t>(i - 88)];
        const double r = i < 88 ? 0.0 : in[1][static_cast<std::size_t>(i - 88)];
        ASSERT_EQ(outL[static_cast<std::size_t>(i)], std::clamp(l, -0.989, 0.989)) << i;
        ASSERT_EQ(outR[static_cast<std::size_t>(i)], std::clamp(r, -0.989, 0.989)) << i;
        clipped += std::fabs(l) > 0.989;
    }
    EXPECT_GT(clipped, 10);  // the signal did reach the clipping level
}

TEST(KestrelonOutput, ClippingStartsJustAbove0989AndLimitsBothChannels)
{
    struct Row {
        double left, right;
        bool clip;
        double wantLeft, wantRight;
        bool lit;
    };
    const Row rows[] = {
        {0.989, -0.989, true, 0.989, -0.989, false}, {0.98900001, 0.3, true, 0.989, 0.3, true},
        {0.3, -0.98900001, true, 0.3, -0.989, true}, {1.5, -2.0, true, 0.989, -0.989, true},
        {1.5, -2.0, false, 1.5, -2.0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.left << ", " << row.right << (row.clip ? " clip on" : " clip off"));
        PluginRig rig;
        rig.Start();
        Kestrelon& k = rig.Plugin();
        SetParam(k, Kestrelon::kClipOutput, row.clip ? 1 : 0);
        std::vector<double> inL(100, 0.0), inR(100, 0.0), outL(100), outR(100);
        inL[0] = row.left;
        inR[0] = row.right;
        double* ins[2] = {inL.data(), inR.data()};
        double* outs[2] = {outL.data(), outR.data()};
        k.ProcessBlock(ins, outs, 100);
        EXPECT_EQ(outL[88], row.wantLeft);
        EXPECT_EQ(outR[88], row.wantRight);
        // The light is sent to the editor after the block, then fades once.
        EXPECT_EQ(k.ClipLevel(), row.lit ? k.MeterDecay() : 0.0);
    }
}

#if defined(__x86_64__) || defined(_M_X64)
TEST(KestrelonOutput, BlockRunsWithFlushToZeroAndGivesTheHostItsModesBack)
{
    constexpr unsigned kFtz = 0x8000;
    const unsigned original = _mm_getcsr();
    PluginRig rig;
    rig.Start();
    Kestrelon& k = rig.Plugin();

    // A subnormal input is read as zero inside the block; outside it, the
    // same multiplication keeps it.
    const double tiny = 1e-310;
    ASSERT_TRUE(std::fpclassify(tiny) == FP_SUBNORMAL);
    const unsigned hostModes[] = {0x1F80u, 0x1F80u | kFtz, 0x1F80u | 0x6000u /* round toward zero */};
    for (unsigned host : hostModes) {
        SCOPED_TRACE(testing::Message() << std::hex << host);
        std::vector<double> inL(200, tiny), inR(200, -tiny), outL(200, 1.0), outR(200, 1.0);
        double* ins[2] = {inL.data(), inR.data()};
        double* outs[2] = {outL.data(), outR.data()};
        _mm_setcsr(host);
        k.ProcessBlock(ins, outs, 200);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(original);
        EXPECT_EQ(after & ~0x3Fu, host);  // exception flags aside, exactly the host's modes
        EXPECT_EQ(outL[150], 0.0);
        EXPECT_EQ(outR[150], 0.0);
    }
    volatile double x = tiny;
    EXPECT_EQ(x * 1.0, tiny);  // the test's own modes are back too
}
#endif

TEST(KestrelonOutput, RendersAreReproducibleAcrossInstances)
{
    const auto signal = TestSignal(4000);
    std::vector<double> first;
    for (int n = 0; n < 2; ++n) {
        PluginRig rig;
        rig.Start();
        SetParam(rig.Plugin(), Kestrelon::kAttack, 8);
        SetParam(rig.Plugin(), Kestrelon::kSustain, -6);
        const auto out = RenderLeft(rig.Plugin(), signal);
        if (n == 0)
            first = out;
        else
            EXPECT_EQ(out, first);
    }
}

}  // namespace kestrelon
