// The engine's sample loop is written for speed (selects instead of branches,
// inlined building blocks). This pins it, bit for bit, to a plain rendering of
// the engine's arithmetic written here step by step.
#include "dsp/transient_engine.h"

#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/dsp/test_signals.h"

namespace kestrelon {

namespace {

double Coefficient(double rate, double ms)
{
    return ms == 0.0 ? 0.0 : std::exp(-1.0 / (rate * ms / 1000.0));
}

struct PlainFollower {
    double rate = 44100.0;
    double attackCoef = 0, releaseCoef = 0, peakCoef = 0;
    double attackComplement = 0, releaseComplement = 0;
    double peakState = 0, outputState = 0;

    void SetTimes(double a, double r, double p)
    {
        attackCoef = Coefficient(rate, a);
        releaseCoef = Coefficient(rate, r);
        peakCoef = Coefficient(rate, p);
        attackComplement = 1.0 - attackCoef;
        releaseComplement = 1.0 - releaseCoef;
    }
    double Peak(double x)
    {
        if (x < peakState)
            x = x + (peakState - x) * peakCoef;
        peakState = x;
        return x;
    }
    double Rise(double x)
    {
        x = Peak(x);
        if (x > outputState)
            x = x * attackComplement + outputState * attackCoef;
        outputState = x;
        return x;
    }
    double Fall(double x)
    {
        x = Peak(x);
        if (!(x > outputState))
            x = x * releaseComplement + outputState * releaseCoef;
        outputState = x;
        return x;
    }
};

struct PlainDelay {
    int writeIndex = 0;
    int length = 0;
    std::vector<double> samples = std::vector<double>(1001, 0.0);
    double Push(double x)
    {
        samples[writeIndex] = x;
        writeIndex += 1;
        if (writeIndex >= length)
            writeIndex = 0;
        return samples[writeIndex];
    }
};

struct PlainCurve {
    std::vector<double> table = std::vector<double>(10000, 0.0);
    double scale = 0;
    void Build(double exponent)
    {
        scale = 1.0 / 0.01;
        for (int i = 0; i < 10000; ++i)
            table[i] = 1.0 - std::pow(1.0 / (i * 0.01 + 1.0), exponent);
    }
    double Lookup(double x)
    {
        double position = x * scale;
        if (position > 9999)
            position = 9999;
        if (position < 0)
            position = 0;
        if (std::isnan(position))
            position = 0;
        const int index = static_cast<int>(position);
        const double fraction = position - index;
        const double lower = table[index];
        const double upper = index == 9999 ? table[9999] : table[index + 1];
        return lower + (upper - lower) * fraction;
    }
};

struct PlainEngine {
    double outLeft = 0, outRight = 0, attackGainChange = 0, sustainGainChange = 0;
    double noiseOffset = 0, rate = 44100, lookahead = 0;
    PlainFollower main, attackSlow, attackDiff, sustainSlow, sustainDiff;
    PlainDelay delayLeft, delayRight;
    double attackAmount = 0, sustainAmount = 0, envelope = 0, mainEnvelope = 0;
    double attackGain = 0, sustainGain = 0;
    int attackSign = 0, sustainSign = 0;
    PlainCurve attackCurve, sustainCurve;
    double sustainSmoothMs = 100, mainPeakReleaseMs = 100;

    void SetSampleRate(double r)
    {
        rate = r;
        for (PlainFollower* f : {&main, &attackSlow, &attackDiff, &sustainSlow, &sustainDiff})
            f->rate = r;
        lookahead = r / 44100 * 88;
        for (PlainDelay* d : {&delayLeft, &delayRight}) {
            d->writeIndex = 0;
            d->length = std::min(static_cast<int>(std::trunc(lookahead)) + 1, 1001);
        }
        main.SetTimes(0, 50, mainPeakReleaseMs);
        attackSlow.SetTimes(5, 0, 0);
        attackDiff.SetTimes(1, 0, 5);
        sustainSlow.SetTimes(0, 50, 200);
        sustainDiff.SetTimes(sustainSmoothMs, 0, 0.5);
    }
    void SetAttack(double amount, int sign)
    {
        attackAmount = amount;
        attackCurve.Build(amount);
        attackSign = sign;
    }
    void SetSustain(double amount, int sign, double smoothMs)
    {
        sustainDiff.SetTimes(smoothMs, 0, 0.5);
        sustainSmoothMs = smoothMs;
        sustainAmount = amount;
        sustainCurve.Build(amount);
        sustainSign = sign;
    }
    void SetSensitivity(double ms)
    {
        main.SetTimes(0, 50, ms);
        mainPeakReleaseMs = ms;
    }
    void Process(double left, double right)
    {
        const double level = std::max(std::fabs(left), std::fabs(right)) + noiseOffset;
        envelope = 2 * std::sqrt(level);
        mainEnvelope = main.Fall(envelope);
        double l = delayLeft.Push(left);
        double r = delayRight.Push(right);
        if (attackAmount > 0) {
            const double slow = attackSlow.Rise(mainEnvelope);
            attackGain = attackDiff.Rise(mainEnvelope - slow);
            attackGain = attackCurve.Lookup(attackGain);
            if (attackSign > 0) {
                attackGain = attackGain * 1.2;
                l = l + attackGain * l;
                r = r + attackGain * r;
            }
            if (attackSign < 0) {
                l = l - attackGain * l;
                r = r - attackGain * r;
            }
        }
        if (sustainAmount > 0) {
            const double slow = sustainSlow.Fall(mainEnvelope);
            sustainGain = sustainDiff.Rise(slow - mainEnvelope);
            sustainGain = sustainCurve.Lookup(sustainGain);
            if (sustainSign > 0) {
                sustainGain = sustainGain * 3.98;
                l = l + sustainGain * l;
                r = r + sustainGain * r;
            }
            if (sustainSign < 0) {
                l = l - sustainGain * l;
                r = r - sustainGain * r;
            }
        }
        attackGainChange = attackGain;
        sustainGainChange = sustainGain;
        outLeft = l;
        outRight = r;
    }
};

// One step of a scripted session: settings applied before a stretch of frames.
struct Segment {
    size_t frames;
    double rate;  // 0: keep
    double attack;
    int attackSign;
    double sustain;
    int sustainSign;
    double smoothMs;
    double sensitivityMs;
};

TEST(TransientEngineReference, MatchesPlainArithmeticBitForBit)
{
    const Segment script[] = {
        {30000, 44100, 5.0, 1, 1.25, -1, 100, 101.79}, {20000, 0, 20.0, 1, 5.0, 1, 750, 10},
        {15000, 0, 0.0, 1, 2.0, 1, 750, 10},  // attack off: its followers freeze
        {15000, 0, 3.2, -1, 0.0, -1, 100, 1000},  // attack back on, sustain frozen
        {20000, 48000, 0.45, -1, 5.0, -1, 100, 500},  // rate change mid-stream
        {10000, 0, 1.8, 0, 0.8, 0, 300, 101.79},  // signs 0: gains computed, not applied
        {20000, 96000, 12.0, 1, 3.0, -1, 100, 250},    {20000, 22050, 0.2, 1, 0.05, 1, 750, 60},
    };
    StereoSignal s = MakeMusicLikeSignal(150000, 44100.0, 5);
    // Held levels and silence, where the followers meet their input exactly
    // and the equal case of each comparison decides.
    for (size_t i = 40000; i < 46000; ++i) {
        s.left[i] = 0.25;
        s.right[i] = -0.25;
    }
    for (size_t i = 100000; i < 108000; ++i) {
        s.left[i] = 0.0;
        s.right[i] = 0.0;
    }
    auto engine = std::make_unique<TransientEngine>();
    auto plain = std::make_unique<PlainEngine>();
    size_t pos = 0;
    uint32_t random = 12345;
    for (const Segment& seg : script) {
        SCOPED_TRACE(testing::Message() << "segment at frame " << pos);
        engine->SetSensitivity(seg.sensitivityMs);
        plain->SetSensitivity(seg.sensitivityMs);
        if (seg.rate != 0) {
            engine->SetSampleRate(seg.rate);
            plain->SetSampleRate(seg.rate);
        }
        engine->SetAttack(seg.attack, seg.attackSign);
        plain->SetAttack(seg.attack, seg.attackSign);
        engine->SetSustain(seg.sustain, seg.sustainSign, seg.smoothMs);
        plain->SetSustain(seg.sustain, seg.sustainSign, seg.smoothMs);
        ASSERT_EQ(engine->GetLookahead(), plain->lookahead);
        for (size_t i = 0; i < seg.frames; ++i, ++pos) {
            if (i % 256 == 0) {
                // A fresh noise offset per block, as the effect does.
                random = random * 1103515245u + 12345u;
                const double offset = ((random >> 16) & 32767) / 32767.0 * 1e-9;
                engine->SetNoiseOffset(offset);
                plain->noiseOffset = offset;
            }
            const double l = s.left[pos];
            const double r = s.right[pos];
            engine->Process(l, r);
            plain->Process(l, r);
            ASSERT_TRUE(SameBits(engine->outLeft, plain->outLeft)) << "frame " << pos;
            ASSERT_TRUE(SameBits(engine->outRight, plain->outRight)) << "frame " << pos;
            ASSERT_TRUE(SameBits(engine->attackGainChange, plain->attackGainChange)) << "frame " << pos;
            ASSERT_TRUE(SameBits(engine->sustainGainChange, plain->sustainGainChange)) << "frame " << pos;
            ASSERT_TRUE(SameBits(engine->GetMainEnvelope(), plain->mainEnvelope)) << "frame " << pos;
        }
    }
}

}  // namespace

}  // namespace kestrelon
