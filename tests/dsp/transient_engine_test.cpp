#include "dsp/transient_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "tests/dsp/test_signals.h"

namespace kestrelon {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::unique_ptr<TransientEngine> MakeEngine(double rate = 44100.0)
{
    auto engine = std::make_unique<TransientEngine>();
    engine->SetSensitivity(101.79);
    engine->SetSampleRate(rate);
    return engine;
}

// Frames between an impulse going in and coming out, with both stages off.
int MeasureDelay(TransientEngine& engine)
{
    for (int i = 0; i < 2000; ++i) {
        engine.Process(i == 0 ? 1.0 : 0.0, 0.0);
        if (engine.outLeft != 0.0)
            return i;
    }
    return -1;
}

TEST(TransientEngine, DelayPerSampleRate)
{
    struct Case {
        double rate;
        int delay;
    };
    const Case cases[] = {
        {44100.0, 88},
        {48000.0, 95},
        {88200.0, 176},
        {96000.0, 191},
        {192000.0, 383},
        {501136.0, 999},
        {501137.0, 1000},
        {768000.0, 1000},
        {kInf, 1000},
        {502.0, 1},
        {501.0, 0},
        {8000.0, 15},
        // Rates no host should send still give a working, undelayed line.
        {0.0, 0},
        {-44100.0, 0},
        {kNaN, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate);
        auto engine = MakeEngine(c.rate);
        EXPECT_EQ(MeasureDelay(*engine), c.delay);
        if (std::isfinite(c.rate) && c.rate > 0.0) {
            EXPECT_EQ(std::min(static_cast<int>(engine->GetLookahead()), 1000), c.delay);
        }
    }
}

TEST(TransientEngine, DefaultsPassDelayedInputUnchanged)
{
    auto engine = MakeEngine();
    engine->SetNoiseOffset(5e-10);
    const StereoSignal s = MakeMusicLikeSignal(20000, 44100.0);
    for (size_t i = 0; i < s.size(); ++i) {
        engine->Process(s.left[i], s.right[i]);
        const double l = i >= 88 ? s.left[i - 88] : 0.0;
        const double r = i >= 88 ? s.right[i - 88] : 0.0;
        ASSERT_TRUE(SameBits(engine->outLeft, l)) << "frame " << i;
        ASSERT_TRUE(SameBits(engine->outRight, r)) << "frame " << i;
        ASSERT_EQ(engine->attackGainChange, 0.0);
        ASSERT_EQ(engine->sustainGainChange, 0.0);
    }
}

TEST(TransientEngine, DisabledStageRepeatsItsLastGain)
{
    auto engine = MakeEngine();
    engine->SetAttack(3.0, 1);
    engine->SetSustain(2.0, -1, 100.0);
    const StereoSignal s = MakeMusicLikeSignal(30000, 44100.0);
    for (size_t i = 0; i < 15000; ++i)
        engine->Process(s.left[i], s.right[i]);
    const double attackHeld = engine->attackGainChange;
    const double sustainHeld = engine->sustainGainChange;
    ASSERT_NE(attackHeld, 0.0);
    engine->SetAttack(0.0, 1);
    engine->SetSustain(0.0, -1, 100.0);
    for (size_t i = 15000; i < s.size(); ++i) {
        engine->Process(s.left[i], s.right[i]);
        ASSERT_EQ(engine->attackGainChange, attackHeld);
        ASSERT_EQ(engine->sustainGainChange, sustainHeld);
        // With both stages off the audio is only delayed.
        ASSERT_EQ(engine->outLeft, s.left[i - 88]);
    }
}

// Output / delayed input over a signal, for every frame with audible input.
struct FactorRange {
    double min = kInf;
    double max = -kInf;
    bool inverted = false;
};

FactorRange MeasureFactors(TransientEngine& engine, const StereoSignal& s)
{
    FactorRange range;
    for (size_t i = 0; i < s.size(); ++i) {
        engine.Process(s.left[i], s.right[i]);
        if (i < 88)
            continue;
        const double in[] = {s.left[i - 88], s.right[i - 88]};
        const double out[] = {engine.outLeft, engine.outRight};
        for (int c = 0; c < 2; ++c) {
            if (in[c] * out[c] < 0.0)
                range.inverted = true;
            if (std::fabs(in[c]) > 1e-6) {
                range.min = std::min(range.min, out[c] / in[c]);
                range.max = std::max(range.max, out[c] / in[c]);
            }
        }
    }
    return range;
}

// Full-scale hits from silence, the hardest case for both detectors.
StereoSignal MakeHits(size_t frames)
{
    StereoSignal s;
    s.left.resize(frames);
    s.right.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        const size_t phase = i % 22050;
        const double env = phase < 4000 ? std::exp(-static_cast<double>(phase) / 300.0) : 0.0;
        s.left[i] = (i % 2 ? 1.0 : -1.0) * env;
        s.right[i] = 0.5 * s.left[i];
    }
    return s;
}

TEST(TransientEngine, BoostAndCutBounds)
{
    // Boosts: factor in [1, limit). Cuts: factor in (0, 1].
    struct Case {
        double attack;
        int32_t attackSign;
        double sustain;
        int32_t sustainSign;
        double limit;
    };
    const Case cases[] = {
        {20.0, 1, 0.0, 1, 2.2},  // strongest attack boost
        {0.0, 1, 5.0, 1, 4.98},  // strongest sustain boost
        {5.0, -1, 0.0, -1, 0.0},  // strongest attack cut
        {0.0, -1, 5.0, -1, 0.0},  // strongest sustain cut
        {5.0, -1, 5.0, -1, 0.0},
    };
    const StereoSignal signals[] = {MakeHits(88200), MakeMusicLikeSignal(88200, 44100.0, 7)};
    for (const Case& c : cases) {
        for (const StereoSignal& s : signals) {
            SCOPED_TRACE(testing::Message()
                         << "attack " << c.attack * c.attackSign << " sustain " << c.sustain * c.sustainSign);
            auto engine = MakeEngine();
            engine->SetAttack(c.attack, c.attackSign);
            engine->SetSustain(c.sustain, c.sustainSign, c.sustainSign > 0 ? 750.0 : 100.0);
            const FactorRange r = MeasureFactors(*engine, s);
            EXPECT_FALSE(r.inverted);
            const bool boost = c.attackSign > 0 || c.sustainSign > 0;
            if (boost) {
                EXPECT_GE(r.min, 1.0);
                EXPECT_LT(r.max, c.limit);
                EXPECT_GT(r.max, 1.3);  // the stage does act
            } else {
                EXPECT_GT(r.min, 0.0);
                EXPECT_LE(r.max, 1.0);
                EXPECT_LT(r.min, 0.7);
            }
        }
    }
}

TEST(TransientEngine, DetectorFollowsTheLouderChannelAndLinksGains)
{
    const StereoSignal s = MakeMusicLikeSignal(44100, 44100.0, 3);
    auto leftOnly = MakeEngine();
    auto rightOnly = MakeEngine();
    auto both = MakeEngine();
    for (TransientEngine* e : {leftOnly.get(), rightOnly.get(), both.get()}) {
        e->SetAttack(4.0, 1);
        e->SetSustain(2.0, -1, 100.0);
    }
    bool gainMoved = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const double x = s.left[i];
        leftOnly->Process(x, 0.0);
        rightOnly->Process(0.0, x);
        both->Process(x, 0.5 * x);  // the right channel is never the louder one
        ASSERT_EQ(leftOnly->outRight, 0.0);
        ASSERT_EQ(rightOnly->outLeft, 0.0);
        ASSERT_EQ(leftOnly->outLeft, rightOnly->outRight) << "frame " << i;
        ASSERT_EQ(leftOnly->attackGainChange, rightOnly->attackGainChange);
        ASSERT_EQ(both->outLeft, leftOnly->outLeft) << "frame " << i;
        ASSERT_EQ(both->sustainGainChange, leftOnly->sustainGainChange);
        // The quieter channel gets the very same gain.
        ASSERT_NEAR(both->outRight, 0.5 * both->outLeft, 1e-15);
        gainMoved = gainMoved || both->attackGainChange > 0.1;
    }
    EXPECT_TRUE(gainMoved);
}

TEST(TransientEngine, SilenceDrivesDetectorWithNoiseOffset)
{
    struct Case {
        double offset;
        double envelope;
    };
    const Case cases[] = {
        {0.0, 0.0},
        {1e-9, 2.0 * std::sqrt(1e-9)},
        {2.5e-10, 2.0 * std::sqrt(2.5e-10)},
        // Values that would make the square root NaN are taken as no offset.
        {-1e-9, 0.0},
        {kNaN, 0.0},
        {kInf, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset);
        auto engine = MakeEngine();
        engine->SetAttack(5.0, 1);
        engine->SetSustain(5.0, 1, 750.0);
        engine->SetNoiseOffset(c.offset);
        for (int i = 0; i < 44100; ++i) {
            engine->Process(0.0, 0.0);
            ASSERT_EQ(engine->GetEnvelope(), c.envelope);
            ASSERT_EQ(engine->outLeft, 0.0);
        }
        EXPECT_LE(engine->GetEnvelope(), 6.33e-5);
        EXPECT_NEAR(engine->GetMainEnvelope(), c.envelope, 1e-12);
        EXPECT_LT(engine->attackGainChange, 1e-6);
        EXPECT_LT(engine->sustainGainChange, 1e-6);
    }
}

TEST(TransientEngine, SampleRateChangeReplaysDelayWithoutClearing)
{
    auto engine = MakeEngine(44100.0);
    // A ramp 1, 2, 3, ... so every output names the input frame it came from.
    int frame = 0;
    for (; frame < 300; ++frame)
        engine->Process(frame + 1.0, 0.0);
    engine->SetSampleRate(48000.0);
    EXPECT_EQ(engine->GetDelayLength(), 96);
    const int restart = frame;
    int replayed = 0;
    for (; frame < restart + 96; ++frame) {
        engine->Process(frame + 1.0, 0.0);
        const double out = engine->outLeft;
        if (frame - restart < 88) {
            // Earlier audio, not silence: one of the 88 samples held before.
            EXPECT_GE(out, restart - 88.0);
            EXPECT_LE(out, restart + 0.0);
            ++replayed;
        }
    }
    EXPECT_EQ(replayed, 88);
    // After one new look-ahead the line delays by 95 again.
    for (int i = 0; i < 50; ++i, ++frame) {
        engine->Process(frame + 1.0, 0.0);
        EXPECT_EQ(engine->outLeft, frame + 1.0 - 95);
    }
}

// A burst of NaN and infinities must leave exactly the trace of silence.
TEST(TransientEngine, NonFiniteInputActsAsSilence)
{
    struct Case {
        double attack;
        int32_t attackSign;
        double sustain;
        int32_t sustainSign;
    };
    const Case cases[] = {
        {4.0, 1, 3.0, 1},
        {3.0, -1, 4.0, -1},
        {20.0, 1, 5.0, -1},
        {0.0, 0, 0.0, 0},
    };
    const double bad[] = {kNaN, kInf, -kInf, -kNaN};
    const StereoSignal s = MakeMusicLikeSignal(30000, 44100.0, 11);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "attack " << c.attack * c.attackSign << " sustain "
                                        << c.sustain * c.sustainSign);
        auto dirty = MakeEngine();
        auto clean = MakeEngine();
        for (TransientEngine* e : {dirty.get(), clean.get()}) {
            e->SetAttack(c.attack, c.attackSign);
            e->SetSustain(c.sustain, c.sustainSign, 100.0);
            e->SetNoiseOffset(3e-10);
        }
        for (size_t i = 0; i < s.size(); ++i) {
            double l = s.left[i];
            double r = s.right[i];
            double cleanL = l;
            double cleanR = r;
            // Frames 10000..10199: bad values on either or both channels.
            if (i >= 10000 && i < 10200) {
                const size_t k = i - 10000;
                if (k % 3 != 1) {
                    l = bad[k % 4];
                    cleanL = 0.0;
                }
                if (k % 3 != 0) {
                    r = bad[(k / 3) % 4];
                    cleanR = 0.0;
                }
            }
            dirty->Process(l, r);
            clean->Process(cleanL, cleanR);
            ASSERT_TRUE(SameBits(dirty->outLeft, clean->outLeft)) << "frame " << i;
            ASSERT_TRUE(SameBits(dirty->outRight, clean->outRight)) << "frame " << i;
            ASSERT_TRUE(SameBits(dirty->attackGainChange, clean->attackGainChange));
            ASSERT_TRUE(SameBits(dirty->sustainGainChange, clean->sustainGainChange));
            ASSERT_TRUE(std::isfinite(dirty->outLeft) && std::isfinite(dirty->outRight));
        }
    }
}

}  // namespace

}  // namespace kestrelon
