#pragma once

namespace kestrelon {

// Two-stage level follower: a peak stage that lets rises through at once and
// lets falls decay with the peak-release time, then a one-pole smoothing stage
// that smooths either the rises (ProcessSmoothRise) or the falls
// (ProcessSmoothFall).
//
// The per-sample steps are defined here so that the engine's sample loop
// inlines them. Their branches follow the direction of the envelope, which
// changes rarely (peaks are held for milliseconds), so they predict well;
// branch-free selects measured slower, as they make every step wait for the
// full calculation of its input.
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
        if (x > outputState)
            x = x * attackComplement + outputState * attackCoef;
        outputState = x;
        return x;
    }

    double ProcessSmoothFall(double x)
    {
        x = PeakStage(x);
        // Equality counts as a fall, so a held level keeps being smoothed.
        if (!(x > outputState))
            x = x * releaseComplement + outputState * releaseCoef;
        outputState = x;
        return x;
    }

    // x - ProcessSmoothRise(x): how far x leads the follower; the same value
    // and states while x and the states are finite and x is not -0 (always
    // so for the engine's envelope). When the peak stage is instantaneous
    // (peak release 0) and the output simply takes x, the lead is returned as
    // the constant 0 rather than computed as x - x, so the engine's attack
    // detector need not wait for the envelope of the current sample: that
    // keeps the long square-root-and-follower calculation off its path.
    double ProcessRiseLead(double x)
    {
        if (peakCoef != 0.0) [[unlikely]]
            return x - ProcessSmoothRise(x);
        // x + (peakState - x) * 0 is x itself for finite x other than -0.
        peakState = x;
        if (x > outputState) {
            const double y = x * attackComplement + outputState * attackCoef;
            outputState = y;
            return x - y;
        }
        outputState = x;
        return 0.0;
    }

    double GetPeakState() const { return peakState; }
    double GetOutputState() const { return outputState; }

    // Coefficients and states as plain values. The engine's block loop copies
    // them into locals, so they stay in registers for a whole block instead
    // of going to memory and back every sample, and stores the states back
    // once at the end.
    struct Registers {
        double attackCoef;
        double attackComplement;
        double releaseCoef;
        double releaseComplement;
        double peakCoef;
        double peakState;
        double outputState;
    };
    Registers Load() const
    {
        return {attackCoef, attackComplement, releaseCoef, releaseComplement, peakCoef, peakState, outputState};
    }
    void StoreStates(const Registers& r)
    {
        peakState = r.peakState;
        outputState = r.outputState;
    }

private:
    double PeakStage(double x)
    {
        if (x < peakState)
            x = x + (peakState - x) * peakCoef;
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

}  // namespace kestrelon
