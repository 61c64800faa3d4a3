#pragma once

#include <cstdint>

#include "dsp/delay_line.h"
#include "dsp/envelope_follower.h"
#include "dsp/transfer_curve.h"

namespace kestrelon {

// Stereo transient shaper. One detector follows the louder channel; its rising
// parts (attacks) and decaying parts (sustain) each drive a gain that boosts
// or cuts both channels alike, applied to the audio delayed by a short
// look-ahead so the gain is already there when the onset arrives.
//
// Not thread-safe: the owning effect calls every operation with its mutex
// held. Call SetSampleRate before the first Process, and SetAttack/SetSustain
// before enabling their stages.
class TransientEngine {
public:
    static constexpr int32_t kCurveEntries = 10000;
    static constexpr double kCurveStep = 0.01;

    // Allocates the two transfer curves (the only allocation the engine ever
    // makes); if that fails nothing is left behind.
    TransientEngine();

    // Results of the last Process: the processed pair and the gain fractions
    // in effect (scaled when boosting, unscaled when cutting). A stage that
    // is off repeats the fraction it had when it last ran.
    double outLeft = 0.0;
    double outRight = 0.0;
    double attackGainChange = 0.0;
    double sustainGainChange = 0.0;

    // Sets the rate, the look-ahead and every follower time. The delay lines
    // restart at slot 0 but keep their contents; follower states are kept.
    void SetSampleRate(double rate);

    // One stereo frame; results in outLeft, outRight and the gain changes.
    // A non-finite input sample is taken as silence, so one bad value from
    // the host cannot leave the followers (and the output) NaN for good.
    void Process(double left, double right);

    // Running maxima of the gain changes, carried in and out of ProcessBlock.
    struct GainPeaks {
        double attack = 0.0;
        double sustain = 0.0;
    };

    // Process for frames stereo frames, with the same results to the bit:
    // frame i of leftOut and rightOut is what outLeft and outRight would be after
    // Process(left[i], right[i]), and afterwards the engine's state and its
    // per-frame results are those of the last frame. Each peak becomes
    // std::max(peak, gain change) folded over the frames in order, whether
    // or not its stage is on; the caller keeps or drops it. An output may be
    // the same array as either input (in-place processing), but must not
    // overlap one otherwise. frames <= 0 does nothing.
    void ProcessBlock(const double* left, const double* right, double* leftOut, double* rightOut, int32_t frames,
                      GainPeaks& peaks);

    // amount > 0 enables the stage (it is also the curve's exponent);
    // sign +1 boosts, -1 cuts. Rebuilds the 10000-entry curve.
    void SetAttack(double amount, int32_t sign);
    // As SetAttack, plus the rise time of the sustain detector's smoothing.
    void SetSustain(double amount, int32_t sign, double smoothMs);
    // Peak-release time of the main detector: longer holds more of a sound
    // as "sustain", shorter reacts to faster detail.
    void SetSensitivity(double peakReleaseMs);
    // A tiny level added to the detector so silence does not decay into
    // subnormal numbers. Negative or non-finite values are taken as 0: they
    // would make the detector's square root NaN.
    void SetNoiseOffset(double value);

    // Look-ahead in samples (sampleRate / 44100 * 88); its integer part is
    // the latency reported to the host.
    double GetLookahead() const { return lookahead; }
    double GetSampleRate() const { return sampleRate; }
    // Detector value and main follower output of the last frame.
    double GetEnvelope() const { return envelope; }
    double GetMainEnvelope() const { return mainEnvelope; }
    int32_t GetDelayLength() const { return delayLeft.GetLength(); }

private:
    double noiseOffset = 0.0;
    double sampleRate = 44100.0;
    double lookahead = 0.0;

    EnvelopeFollower mainFollower;
    EnvelopeFollower attackSlowFollower;
    EnvelopeFollower attackDiffFollower;
    EnvelopeFollower sustainSlowFollower;
    EnvelopeFollower sustainDiffFollower;

    DelayLine delayLeft;
    DelayLine delayRight;

    double attackAmount = 0.0;
    double sustainAmount = 0.0;
    double envelope = 0.0;
    double mainEnvelope = 0.0;
    // The working gains of the stages are attackGainChange and
    // sustainGainChange themselves: a stage that is off leaves its value.
    bool attackOn = false;
    bool sustainOn = false;
    int32_t attackSign = 0;
    int32_t sustainSign = 0;

    LUtTransfer attackCurve;
    LUtTransfer sustainCurve;

    double sustainSmoothMs = 100.0;
    double mainPeakReleaseMs = 100.0;
};

}  // namespace kestrelon
