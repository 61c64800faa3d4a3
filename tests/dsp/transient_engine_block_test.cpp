// ProcessBlock must give exactly what Process gives frame by frame: the same
// output bits, the same engine state afterwards, and the peaks the effect
// would fold from the per-frame gain changes.
#include "dsp/transient_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include <xmmintrin.h>

#include <gtest/gtest.h>

#include "tests/dsp/test_signals.h"

namespace kestrelon {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Random {
    uint32_t state;
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    // 0 .. n - 1
    int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint32_t>(n)); }
    double Unit() { return Next() / 16777216.0; }
};

// Music with stretches that test the corners: held levels, silence, one
// channel only, huge values and bursts of NaN and infinities.
StereoSignal MakeHardSignal(size_t frames, uint32_t seed)
{
    StereoSignal s = MakeMusicLikeSignal(frames, 44100.0, seed);
    Random random{seed};
    const double bad[] = {kNaN, kInf, -kInf, -kNaN, 1e300, -1e308, 0.0, -0.0};
    for (size_t i = 0; i < frames; ++i) {
        const size_t phase = i % 20000;
        if (phase >= 3000 && phase < 3600) {
            s.left[i] = 0.3;
            s.right[i] = -0.3;
        } else if (phase >= 7000 && phase < 9000) {
            s.left[i] = 0.0;
            s.right[i] = 0.0;
        } else if (phase >= 12000 && phase < 12500) {
            s.right[i] = 0.0;
        } else if (phase >= 15000 && phase < 15300 && random.Below(3) == 0) {
            // Either channel or both, so both lanes of a frame pair are hit.
            const int32_t which = random.Below(3);
            if (which != 1)
                s.left[i] = bad[random.Below(8)];
            if (which != 0)
                s.right[i] = bad[random.Below(8)];
        }
    }
    return s;
}

struct Settings {
    double attack;
    int32_t attackSign;
    double sustain;
    int32_t sustainSign;
    double smoothMs;
    double sensitivityMs;
};

void Apply(TransientEngine& e, const Settings& s)
{
    e.SetSensitivity(s.sensitivityMs);
    e.SetAttack(s.attack, s.attackSign);
    e.SetSustain(s.sustain, s.sustainSign, s.smoothMs);
}

Settings RandomSettings(Random& random)
{
    // Amounts of 0 switch a stage off; sign 0 computes a gain it does not
    // apply. Both happen often enough to be crossed many times.
    const double amounts[] = {0.0, 0.0, 0.05, 1.25, 5.0, 20.0};
    const int32_t signs[] = {1, -1, 1, -1, 0};
    const double sensitivities[] = {10.0, 101.79, 1000.0};
    return {amounts[random.Below(6)], signs[random.Below(5)],          amounts[random.Below(5)],
            signs[random.Below(5)],   random.Below(2) ? 750.0 : 100.0, sensitivities[random.Below(3)]};
}

void ExpectSameEngine(const TransientEngine& a, const TransientEngine& b)
{
    EXPECT_TRUE(SameBits(a.outLeft, b.outLeft));
    EXPECT_TRUE(SameBits(a.outRight, b.outRight));
    EXPECT_TRUE(SameBits(a.attackGainChange, b.attackGainChange));
    EXPECT_TRUE(SameBits(a.sustainGainChange, b.sustainGainChange));
    EXPECT_TRUE(SameBits(a.GetEnvelope(), b.GetEnvelope()));
    EXPECT_TRUE(SameBits(a.GetMainEnvelope(), b.GetMainEnvelope()));
}

// Runs a session twice, once frame by frame and once in blocks of random
// length (0 to several chunks of the block loop), changing settings, the
// rate and the noise offset between blocks.
void RunSession(uint32_t seed, size_t frames, bool inPlace)
{
    SCOPED_TRACE(testing::Message() << "seed " << seed << (inPlace ? " in place" : ""));
    const StereoSignal s = MakeHardSignal(frames, seed);
    auto perFrame = std::make_unique<TransientEngine>();
    auto block = std::make_unique<TransientEngine>();
    for (TransientEngine* e : {perFrame.get(), block.get()})
        e->SetSampleRate(44100.0);
    Random random{seed * 7919u + 1u};

    TransientEngine::GainPeaks framePeaks{0.25, 0.0};
    TransientEngine::GainPeaks blockPeaks = framePeaks;
    std::vector<double> expectLeft, expectRight, outLeft, outRight;
    size_t pos = 0;
    int blocks = 0;
    int stageChanges = 0;
    while (pos < frames) {
        if (random.Below(4) == 0) {
            const Settings settings = RandomSettings(random);
            Apply(*perFrame, settings);
            Apply(*block, settings);
            ++stageChanges;
        }
        if (random.Below(40) == 0) {
            const double rate = random.Below(2) ? 48000.0 : 44100.0;
            perFrame->SetSampleRate(rate);
            block->SetSampleRate(rate);
        }
        // Like the effect, which lowers its meter peaks after each block.
        if (random.Below(3) == 0)
            framePeaks = blockPeaks = TransientEngine::GainPeaks{random.Unit(), random.Unit() * 0.1};
        const double offset = random.Below(8) == 0 ? 0.0 : random.Unit() * 1e-9;
        perFrame->SetNoiseOffset(offset);
        block->SetNoiseOffset(offset);

        const int32_t lengths[] = {0, 1, 2, 3, 127, 128, 129, 300, 512, 777};
        int32_t n = random.Below(2) ? lengths[random.Below(10)] : random.Below(700);
        n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(n), frames - pos));

        expectLeft.assign(n, 0.0);
        expectRight.assign(n, 0.0);
        for (int32_t i = 0; i < n; ++i) {
            perFrame->Process(s.left[pos + i], s.right[pos + i]);
            expectLeft[i] = perFrame->outLeft;
            expectRight[i] = perFrame->outRight;
            framePeaks.attack = std::max(framePeaks.attack, perFrame->attackGainChange);
            framePeaks.sustain = std::max(framePeaks.sustain, perFrame->sustainGainChange);
        }

        if (inPlace) {
            outLeft.assign(s.left.begin() + pos, s.left.begin() + pos + n);
            outRight.assign(s.right.begin() + pos, s.right.begin() + pos + n);
            block->ProcessBlock(outLeft.data(), outRight.data(), outLeft.data(), outRight.data(), n, blockPeaks);
        } else {
            // Stale values in the outputs must all be overwritten.
            outLeft.assign(n, kNaN);
            outRight.assign(n, kNaN);
            block->ProcessBlock(&s.left[pos], &s.right[pos], outLeft.data(), outRight.data(), n, blockPeaks);
        }
        SCOPED_TRACE(testing::Message() << "block of " << n << " at frame " << pos);
        for (int32_t i = 0; i < n; ++i) {
            ASSERT_TRUE(SameBits(outLeft[i], expectLeft[i])) << "frame " << pos + i;
            ASSERT_TRUE(SameBits(outRight[i], expectRight[i])) << "frame " << pos + i;
        }
        ExpectSameEngine(*perFrame, *block);
        ASSERT_TRUE(SameBits(blockPeaks.attack, framePeaks.attack));
        ASSERT_TRUE(SameBits(blockPeaks.sustain, framePeaks.sustain));
        ++blocks;
        pos += n;
    }
    EXPECT_GT(blocks, 100);
    EXPECT_GT(stageChanges, 25);
}

TEST(TransientEngineBlock, MatchesProcessFrameByFrame)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u})
        RunSession(seed, 120000, false);
}

TEST(TransientEngineBlock, MatchesProcessInPlace)
{
    for (uint32_t seed : {5u, 6u})
        RunSession(seed, 120000, true);
}

// The plug-in processes with flush-to-zero and denormals-are-zero set; the
// block loop must still agree with Process there, including on the long
// silences where the followers would otherwise decay into subnormals.
TEST(TransientEngineBlock, MatchesProcessWithFlushToZero)
{
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(saved | 0x8040);
    RunSession(7, 120000, false);
    _mm_setcsr(saved);
}

}  // namespace

}  // namespace kestrelon
