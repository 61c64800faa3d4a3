#include "dsp/envelope_follower.h"

#include <cmath>

namespace kestrelon {

double OnePoleCoefficient(double sampleRate, double ms)
{
    const double samples = sampleRate * ms / 1000.0;
    // Below 1/708 of a sample the exact factor, exp(-708) or less, is already
    // subnormal; returning 0 there avoids the division by zero of a 0 ms time
    // and the overflow/underflow of tiny ones. Also catches negative and NaN
    // times and rates, which would otherwise give a factor of 1 or more (a
    // follower that never settles) or NaN.
    if (!(samples > 1.0 / 708.0))
        return 0.0;
    return std::exp(-1.0 / samples);
}

// UI or audio thread (parameter change or reset), plug-in mutex held.
void EnvelopeFollower::SetTimes(double attackMs, double releaseMs, double peakReleaseMs)
{
    attackCoef = OnePoleCoefficient(sampleRate, attackMs);
    releaseCoef = OnePoleCoefficient(sampleRate, releaseMs);
    peakCoef = OnePoleCoefficient(sampleRate, peakReleaseMs);
    attackComplement = 1.0 - attackCoef;
    releaseComplement = 1.0 - releaseCoef;
}

}  // namespace kestrelon
