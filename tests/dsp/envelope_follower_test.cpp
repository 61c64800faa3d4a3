#include "dsp/envelope_follower.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace kestrelon {

namespace {

constexpr double kRate = 44100.0;

EnvelopeFollower MakeFollower(double attackMs, double releaseMs, double peakMs)
{
    EnvelopeFollower f;
    f.SetSampleRate(kRate);
    f.SetTimes(attackMs, releaseMs, peakMs);
    return f;
}

// Samples after which a one-pole stage has covered 1 - 1/e of a step.
int TimeConstantSamples(double ms)
{
    return static_cast<int>(std::lround(kRate * ms / 1000.0));
}

TEST(EnvelopeFollower, OnePoleCoefficients)
{
    struct Case {
        double rate, ms, expected;
    };
    const Case cases[] = {
        {44100.0, 0.0, 0.0},  // instantaneous
        {44100.0, -5.0, 0.0},  // nonsense time: instantaneous, not unstable
        {44100.0, std::nan(""), 0.0},
        {0.0, 50.0, 0.0},  // no rate yet
        {44100.0, 1.0, std::exp(-1.0 / 44.1)},
        {48000.0, 50.0, std::exp(-1.0 / 2400.0)},
        {44100.0, 1e-7, 0.0},  // far below a sample
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate << " ms " << c.ms);
        EXPECT_EQ(OnePoleCoefficient(c.rate, c.ms), c.expected);
    }
}

TEST(EnvelopeFollower, ZeroTimesRaiseNoFloatingPointException)
{
    std::feclearexcept(FE_ALL_EXCEPT);
    EnvelopeFollower f = MakeFollower(0.0, 0.0, 0.0);
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW | FE_UNDERFLOW);
    EXPECT_EQ(raised, 0);
    // Every stage instantaneous: the follower is transparent both ways.
    const double inputs[] = {0.5, 1.0, 0.25, 0.0, 0.75};
    for (double x : inputs) {
        EXPECT_EQ(f.ProcessSmoothRise(x), x);
    }
    EnvelopeFollower g = MakeFollower(0.0, 0.0, 0.0);
    for (double x : inputs) {
        EXPECT_EQ(g.ProcessSmoothFall(x), x);
    }
}

TEST(EnvelopeFollower, SmoothRiseSmoothsRisesAndPassesFalls)
{
    EnvelopeFollower f = MakeFollower(1.0, 0.0, 0.0);
    const int tau = TimeConstantSamples(1.0);
    double y = 0.0;
    double previous = 0.0;
    for (int i = 1; i <= tau; ++i) {
        y = f.ProcessSmoothRise(1.0);
        EXPECT_GT(y, previous);
        EXPECT_LT(y, 1.0);
        previous = y;
    }
    EXPECT_NEAR(y, 1.0 - std::exp(-1.0), 0.01);
    for (int i = 0; i < 20 * tau; ++i)
        y = f.ProcessSmoothRise(1.0);
    EXPECT_NEAR(y, 1.0, 1e-6);
    // A fall passes at once (no peak hold configured).
    EXPECT_EQ(f.ProcessSmoothRise(0.2), 0.2);
}

TEST(EnvelopeFollower, SmoothFallPassesRisesAndSmoothsFalls)
{
    EnvelopeFollower f = MakeFollower(0.0, 50.0, 0.0);
    EXPECT_EQ(f.ProcessSmoothFall(0.8), 0.8);
    const int tau = TimeConstantSamples(50.0);
    double y = 0.0;
    for (int i = 0; i < tau; ++i) {
        const double before = y;
        y = f.ProcessSmoothFall(0.0);
        if (i > 0) {
            EXPECT_LT(y, before);
        }
    }
    EXPECT_NEAR(y, 0.8 * std::exp(-1.0), 0.01);
    EXPECT_GT(y, 0.0);
    // A rise passes at once whatever the release state.
    EXPECT_EQ(f.ProcessSmoothFall(0.9), 0.9);
}

// A level equal to the output counts as a fall and is smoothed, which can
// move it by a rounding step; only a strict rise passes unchanged.
TEST(EnvelopeFollower, SmoothFallSmoothsAnEqualLevel)
{
    const double r = OnePoleCoefficient(kRate, 0.5);
    const double rc = 1.0 - r;
    int moved = 0;
    for (int i = 1; i <= 2000; ++i) {
        const double x = i * 0.00123;
        EnvelopeFollower f = MakeFollower(0.0, 0.5, 0.0);
        ASSERT_EQ(f.ProcessSmoothFall(x), x);
        const double held = f.ProcessSmoothFall(x);
        ASSERT_EQ(held, x * rc + x * r) << "level " << x;
        moved += held != x;
    }
    // The check above discriminates: for many levels smoothing changes bits.
    EXPECT_GT(moved, 10);
}

TEST(EnvelopeFollower, PeakStageHoldsFallsForItsReleaseTime)
{
    // With a transparent second stage only the peak stage acts.
    EnvelopeFollower f = MakeFollower(0.0, 0.0, 5.0);
    EXPECT_EQ(f.ProcessSmoothRise(1.0), 1.0);
    const int tau = TimeConstantSamples(5.0);
    double y = 1.0;
    for (int i = 0; i < tau; ++i)
        y = f.ProcessSmoothRise(0.0);
    EXPECT_NEAR(y, std::exp(-1.0), 0.01);
    EXPECT_EQ(f.GetPeakState(), y);
    // A new rise above the held peak passes through at once.
    EXPECT_EQ(f.ProcessSmoothRise(2.0), 2.0);
    // Input above the decaying peak replaces it.
    f.ProcessSmoothRise(0.0);
    EXPECT_EQ(f.ProcessSmoothRise(1.999), 1.999);
}

// The engine's attack detector asks for the lead directly; it must be the
// same number as computing the output and subtracting, step after step.
TEST(EnvelopeFollower, RiseLeadMatchesOutputDifference)
{
    struct Times {
        double attack, release, peak;
    };
    const Times times[] = {{5.0, 0.0, 0.0}, {1.0, 0.0, 5.0}, {0.0, 0.0, 0.0}, {750.0, 0.0, 0.5}};
    // Rises, falls, plateaus and zeros, as an envelope produces them.
    std::vector<double> input;
    for (int i = 0; i < 4000; ++i) {
        const double wave = 0.5 + 0.5 * std::sin(i * 0.01) * std::sin(i * 0.0007);
        input.push_back(i % 700 < 30 ? 1.5 : (i % 900 < 50 ? 0.0 : wave));
    }
    for (const Times& t : times) {
        SCOPED_TRACE(testing::Message() << "times " << t.attack << "/" << t.release << "/" << t.peak);
        EnvelopeFollower lead = MakeFollower(t.attack, t.release, t.peak);
        EnvelopeFollower plain = MakeFollower(t.attack, t.release, t.peak);
        int zeros = 0;
        for (size_t i = 0; i < input.size(); ++i) {
            const double x = input[i];
            const double a = lead.ProcessRiseLead(x);
            const double b = x - plain.ProcessSmoothRise(x);
            ASSERT_EQ(a, b) << "step " << i;
            ASSERT_EQ(lead.GetOutputState(), plain.GetOutputState()) << "step " << i;
            ASSERT_EQ(lead.GetPeakState(), plain.GetPeakState()) << "step " << i;
            zeros += a == 0.0;
        }
        if (t.peak == 0.0 && t.attack > 0.0) {
            // Both paths were taken: following (lead 0) and lagging a rise.
            EXPECT_GT(zeros, 100);
            EXPECT_LT(zeros, static_cast<int>(input.size()) - 100);
        }
    }
}

TEST(EnvelopeFollower, SetTimesKeepsStates)
{
    EnvelopeFollower f = MakeFollower(0.0, 50.0, 100.0);
    f.ProcessSmoothFall(1.0);
    f.ProcessSmoothFall(0.0);
    const double peak = f.GetPeakState();
    const double out = f.GetOutputState();
    f.SetSampleRate(96000.0);
    f.SetTimes(0.0, 10.0, 10.0);
    EXPECT_EQ(f.GetPeakState(), peak);
    EXPECT_EQ(f.GetOutputState(), out);
    EXPECT_EQ(f.GetSampleRate(), 96000.0);
}

}  // namespace

}  // namespace kestrelon
