#include "plugin/kestrelon.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plugin/float_mode.h"

namespace kestrelon {

EffectDescription KestrelonDescription()
{
    EffectDescription d;
    d.paramCount = KestrelonParams::kNumParams;
    d.channelIO = "1-1 2-2";
    d.presetCount = 1;
    d.effectName = "Kestrelon";
    d.productName = "";
    d.makerName = "Lumen Pathway";
    d.version = 0x10000;
    d.uniqueId = FourCharCode("KSTN");
    d.makerId = FourCharCode("LPFX");
    d.latency = 0;
    return d;
}

namespace {

// Knob positions act on the square of their distance from the centre, so
// the last part of the travel is where most of the strength is.
constexpr double kAttackBoostDepth = 20.0;
constexpr double kAttackCutDepth = 5.0;
constexpr double kSustainDepth = 5.0;
constexpr double kSustainBoostSmoothMs = 750.0;
constexpr double kSustainCutSmoothMs = 100.0;

// Decibels to a linear factor: ln(10) / 20.
constexpr double kDbToLog = 0.1151292546497;

// +10 dB and -10 dB as linear factors: the meters' end stops.
constexpr double kMeterMaxFactor = 3.163;
constexpr double kMeterMinFactor = 0.3163;

// 20 log10 of the gain change, limited to +-10 dB, as 0..1 with 0.5 at none.
double MeterReading(double peak, int32_t direction)
{
    const double x = direction > 0 ? peak : -peak;
    return (std::log10(std::max(std::min(1.0 + x, kMeterMaxFactor), kMeterMinFactor)) * 20.0 + 10.0) / 20.0;
}

}  // namespace

void DefineKestrelonParams(IParameter* params)
{
    using P = KestrelonParams;
    params[P::kAttack].DefineContinuous("Attack", 0.0, -10.0, 10.0, 0.1);
    params[P::kSustain].DefineContinuous("Sustain", 0.0, -10.0, 10.0, 0.1);
    params[P::kSensitivity].DefineContinuous("Sensitivity", 0.5, 0.0, 1.0, 0.1);
    params[P::kOutput].DefineContinuous("Output", 0.0, -12.0, 12.0, 0.1, "dB");
    params[P::kClipOutput].DefineSwitch("Clip Output", true);
}

int KestrelonCore::Reset(double sampleRate, int maxBlockSize)
{
    engine.SetSampleRate(sampleRate);

    const double lookahead = engine.GetLookahead();
    int latencySamples = 0;
    if (lookahead >= static_cast<double>(std::numeric_limits<int>::max()))
        latencySamples = std::numeric_limits<int>::max();
    else if (lookahead > 0.0)
        latencySamples = static_cast<int>(lookahead);  // truncated: whole samples only

    // About e^(-5 t) per block of t seconds. Without a block size the meters
    // hold; a block longer than a fifth of a second would give a negative
    // factor, which would flip the readings, so it is held at 0.
    if (maxBlockSize <= 0)
        meterDecay = 1.0;
    else
        meterDecay = std::max(0.0, 1.0 - (1.0 / (sampleRate / static_cast<double>(maxBlockSize))) * 5.0);
    return latencySamples;
}

bool KestrelonCore::ApplyParam(int paramIdx, const IParameter& param)
{
    const double v = param.Value();

    switch (paramIdx) {
    case kAttack: {
        const double c = std::fabs(v) / 10.0;
        attackDirection = v >= 0.0 ? 1 : -1;
        attackDepth = c * c * (attackDirection > 0 ? kAttackBoostDepth : kAttackCutDepth);
        engine.SetAttack(attackDepth, attackDirection);
        break;
    }
    case kSustain: {
        const double c = std::fabs(v) / 10.0;
        sustainDirection = v >= 0.0 ? 1 : -1;
        sustainDepth = c * c * kSustainDepth;
        engine.SetSustain(sustainDepth, sustainDirection,
                          sustainDirection > 0 ? kSustainBoostSmoothMs : kSustainCutSmoothMs);
        break;
    }
    case kSensitivity:
        // 1000 ms at 0, about 101.79 ms at 0.5, 10 ms at 1.
        engine.SetSensitivity(std::pow(1.0 - v, 3.431) * 990.0 + 10.0);
        break;
    case kOutput:
        outputGain = std::exp(v * kDbToLog);
        break;
    case kClipOutput:
        clipEnabled = param.GetBool();
        return false;
    default:
        return false;
    }
    return true;
}

void KestrelonCore::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
    ScopedFlushDenormals flushDenormals;

    engine.SetNoiseOffset(static_cast<double>(random.Next()) / BlockRandom::kMax * 1e-9);

    const double* inLeft = inputs[0];
    const double* inRight = inputs[1];
    double* outLeft = outputs[0];
    double* outRight = outputs[1];
    // First the engine over the whole block, folding the peaks of its gain
    // changes. A stage that is off repeats its last gain change, so its peak
    // stays as it was.
    TransientEngine::GainPeaks peaks{attackPeak, sustainPeak};
    engine.ProcessBlock(inLeft, inRight, outLeft, outRight, nFrames, peaks);
    if (attackDepth != 0.0)
        attackPeak = peaks.attack;
    if (sustainDepth != 0.0)
        sustainPeak = peaks.sustain;

    // Then the output gain and the limiter. Limiting a sample that is inside
    // the range leaves it as it is, so limiting both channels always is the
    // same as limiting both when either is over; whether anything was over
    // is told by the loudest sample. With clipping off nothing is over.
    const double gain = outputGain;
    const double limit = clipEnabled ? kClipLevel : std::numeric_limits<double>::infinity();
    double loudest = 0.0;
    const int channels = outLeft == outRight ? 1 : 2;  // a host may pass one buffer twice
    for (int c = 0; c < channels; ++c) {
        double* out = c == 0 ? outLeft : outRight;
        for (int i = 0; i < nFrames; ++i) {
            const double v = out[i] * gain;
            loudest = std::max(loudest, std::fabs(v));
            out[i] = std::min(std::max(v, -limit), limit);
        }
    }
    if (loudest > limit)
        clipLevel = 1.0;
}

KestrelonMeters KestrelonCore::UpdateMeters()
{
    KestrelonMeters meters;
    meters.attack = MeterReading(attackPeak, attackDirection);
    meters.sustain = MeterReading(sustainPeak, sustainDirection);
    // The sustain meter shows each block's own peak; the attack meter and
    // the clip light fall back smoothly.
    sustainPeak = 0.0;
    attackPeak *= meterDecay;
    meters.clip = clipLevel;
    clipLevel *= meterDecay;
    return meters;
}

}  // namespace kestrelon
