#pragma once

// Two-stage level follower: a peak stage that lets rises through at once and
// lets falls decay with the peak-release time, then a one-pole smoothing stage
// that smooths either the rises (ProcessSmoothRise) or the falls
// (ProcessSmoothFall).
//
// The per-sample steps are defined here so that the engine's sample loop
// inlines them; they are written as selects between two computed values
// rather than as branches, because on music the direction of the envelope
// changes too often for a branch predictor. Both forms give the same bits.
class EnvelopeFollower {
public:
    // Changes only the rate; the coefficients follow at the next SetTimes.
    void SetSampleRate(double rate) { sampleRate = rate; }
    double GetSampleRate() const { return sampleRate; }

    // Times in milliseconds; 0 means instantaneous. The states are kept.
    void SetTimes(double attackMs, double releaseMs, double peakReleaseMs);

    double ProcessSmoothRise(double x)
    {
        x = PeakStage(x);
        const double smoothed = x * attackComplement + outputState * attackCoef;
        x = x > outputState ? smoothed : x;
        outputState = x;
        return x;
    }

    double ProcessSmoothFall(double x)
    {
        x = PeakStage(x);
        const double smoothed = x * releaseComplement + outputState * releaseCoef;
        // Equality counts as a fall, so a held level keeps being smoothed.
        x = x > outputState ? x : smoothed;
        outputState = x;
        return x;
    }

    double GetPeakState() const { return peakState; }
    double GetOutputState() const { return outputState; }

private:
    double PeakStage(double x)
    {
        const double decayed = x + (peakState - x) * peakCoef;
        x = x < peakState ? decayed : x;
        peakState = x;
        return x;
    }

    double sampleRate = 44100.0;
    double attackCoef = 0.0;
    double releaseCoef = 0.0;
    double peakCoef = 0.0;
    double attackComplement = 0.0;
    double releaseComplement = 0.0;
    double peakState = 0.0;
    double outputState = 0.0;
};

// exp(-1 / (sampleRate * ms / 1000)): the per-sample factor of a one-pole
// stage with time constant ms. A time of 0 (or one too short to matter at any
// rate) gives exactly 0 without dividing by zero, so hosts that unmask
// floating-point exceptions are not trapped.
double OnePoleCoefficient(double sampleRate, double ms);
