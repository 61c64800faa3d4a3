#include "dsp/transient_engine.h"

#include <cmath>

#include "dsp/engine_arithmetic.h"

namespace kestrelon {

using namespace engine_arithmetic;

TransientEngine::TransientEngine() : attackCurve(kCurveEntries), sustainCurve(kCurveEntries)
{}

// Audio or UI thread (the effect's reset), plug-in mutex held.
void TransientEngine::SetSampleRate(double rate)
{
    sampleRate = rate;
    mainFollower.SetSampleRate(rate);
    attackSlowFollower.SetSampleRate(rate);
    attackDiffFollower.SetSampleRate(rate);
    sustainSlowFollower.SetSampleRate(rate);
    sustainDiffFollower.SetSampleRate(rate);

    lookahead = rate / 44100.0 * kLookaheadAt44100;
    // trunc(lookahead) + 1 slots, at most the capacity. Compared as a double
    // first so that a huge, negative or NaN rate from a host can never reach
    // an out-of-range integer conversion.
    int32_t length = 1;
    if (lookahead >= DelayLine::kCapacity - 1)
        length = DelayLine::kCapacity;
    else if (lookahead >= 0.0)
        length = static_cast<int32_t>(lookahead) + 1;
    delayLeft.Restart(length);
    delayRight.Restart(length);

    mainFollower.SetTimes(0.0, 50.0, mainPeakReleaseMs);
    attackSlowFollower.SetTimes(5.0, 0.0, 0.0);
    attackDiffFollower.SetTimes(1.0, 0.0, 5.0);
    sustainSlowFollower.SetTimes(0.0, 50.0, 200.0);
    sustainDiffFollower.SetTimes(sustainSmoothMs, 0.0, 0.5);
}

// UI or audio thread (parameter change), plug-in mutex held.
void TransientEngine::SetAttack(double amount, int32_t sign)
{
    attackAmount = amount;
    attackOn = amount > 0.0;
    attackCurve.SetExponent(amount);
    attackCurve.Build(kCurveStep);
    attackSign = sign;
}

// UI or audio thread (parameter change), plug-in mutex held.
void TransientEngine::SetSustain(double amount, int32_t sign, double smoothMs)
{
    sustainDiffFollower.SetTimes(smoothMs, 0.0, 0.5);
    sustainSmoothMs = smoothMs;
    sustainAmount = amount;
    sustainOn = amount > 0.0;
    sustainCurve.SetExponent(amount);
    sustainCurve.Build(kCurveStep);
    sustainSign = sign;
}

// UI or audio thread (parameter change), plug-in mutex held.
void TransientEngine::SetSensitivity(double peakReleaseMs)
{
    mainFollower.SetTimes(0.0, 50.0, peakReleaseMs);
    mainPeakReleaseMs = peakReleaseMs;
}

// Audio thread, once per block, plug-in mutex held.
void TransientEngine::SetNoiseOffset(double value)
{
    noiseOffset = value >= 0.0 && std::isfinite(value) ? value : 0.0;
}

// Audio thread, once per frame, plug-in mutex held.
void TransientEngine::Process(double left, double right)
{
    double absLeft = std::fabs(left);
    double absRight = std::fabs(right);
    if (!(absLeft <= kLargestFinite && absRight <= kLargestFinite)) [[unlikely]] {
        left = FiniteOrSilence(left);
        right = FiniteOrSilence(right);
        absLeft = std::fabs(left);
        absRight = std::fabs(right);
    }
    const double level = (absLeft < absRight ? absRight : absLeft) + noiseOffset;
    envelope = 2.0 * std::sqrt(level);
    const double main = mainFollower.ProcessSmoothFall(envelope);
    mainEnvelope = main;

    // The gains act on the delayed audio, so the detector runs one
    // look-ahead ahead of what it shapes.
    double l = left;
    double r = right;
    DelayLine::PushPair(delayLeft, delayRight, l, r);

    if (attackOn) {
        // The envelope's lead over a copy of itself that may rise only with a
        // 5 ms time constant marks an onset. (The copy's peak stage is
        // instantaneous, so its lead comes back as exactly 0 whenever the copy
        // simply follows the envelope, the common case.)
        const double lead = attackSlowFollower.ProcessRiseLead(main);
        double gain = attackDiffFollower.ProcessSmoothRise(lead);
        gain = attackCurve.Lookup(gain);
        if (attackSign > 0) {
            gain = gain * kAttackBoostScale;
            l = l + gain * l;
            r = r + gain * r;
        } else if (attackSign < 0) {
            l = l - gain * l;
            r = r - gain * r;
        }
        attackGainChange = gain;
    }

    if (sustainOn) {
        // A copy of the envelope that falls only slowly; the envelope's
        // shortfall below it marks a tail.
        const double slow = sustainSlowFollower.ProcessSmoothFall(main);
        double gain = sustainDiffFollower.ProcessSmoothRise(slow - main);
        gain = sustainCurve.Lookup(gain);
        if (sustainSign > 0) {
            gain = gain * kSustainBoostScale;
            l = l + gain * l;
            r = r + gain * r;
        } else if (sustainSign < 0) {
            l = l - gain * l;
            r = r - gain * r;
        }
        sustainGainChange = gain;
    }

    outLeft = l;
    outRight = r;
}

}  // namespace kestrelon
