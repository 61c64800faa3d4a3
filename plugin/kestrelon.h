#pragma once

#include <cstdint>

#include "dsp/transient_engine.h"
#include "framework/vst/vst_effect.h"
#include "plugin/block_random.h"

namespace kestrelon {

// The transient processor as the host sees it: five parameters turned into
// engine settings, the engine run over each block, then the output gain, the
// optional clipping and the peak tracking that feeds the editor's meters.
class Kestrelon : public IEffectVST {
public:
    enum Param : int { kAttack = 0, kSustain, kSensitivity, kOutput, kClipOutput, kNumParams };

    // Boosts and cuts above this level are held to it when clipping is on.
    static constexpr double kClipLevel = 0.989;

    // [any host thread] inside the entry point's creation lock.
    explicit Kestrelon(vst2::audioMasterCallback host);
    ~Kestrelon() override;

    // [UI or audio thread] takes the mutex.
    void Reset() override;
    // [any thread] takes the mutex.
    void HandleParamChange(int paramIdx) override;
    // [audio thread] mutex held by the process callback.
    void ProcessBlock(double** inputs, double** outputs, int nFrames) override;

    // What the settings currently are, for tests and benchmarks.
    double AttackDepth() const { return attackDepth; }
    double SustainDepth() const { return sustainDepth; }
    double OutputGain() const { return outputGain; }
    bool ClipEnabled() const { return clipEnabled; }
    int32_t AttackDirection() const { return attackDirection; }
    int32_t SustainDirection() const { return sustainDirection; }
    double MeterDecay() const { return meterDecay; }
    double ClipLevel() const { return clipLevel; }
    const TransientEngine& Engine() const { return engine; }

private:
    void InitParameters();
    // Builds the editor and attaches it; remembers which controls are the
    // meters and the clip indicator.
    void BuildEditor();
    // [audio thread] mutex held. Turns the block's peaks into meter readings,
    // hands them to the meter controls and lets the peaks and the clip light
    // decay.
    void UpdateMeters();
    // [audio thread] mutex held. Sends value to the control at index if that
    // index is in the editor's list.
    void SendToControl(int32_t index, double value);

    double attackDepth = 0.0;
    double sustainDepth = 0.0;
    double outputGain = 0.0;  // silence until the host opens the effect
    bool clipEnabled = false;
    int32_t attackDirection = 0;
    int32_t sustainDirection = 0;
    // Indices of the meter controls in the editor's list; -1 until built.
    int32_t attackMeter = -1;
    int32_t sustainMeter = -1;
    int32_t clipLed = -1;
    double attackPeak = 0.0;
    double sustainPeak = 0.0;
    double attackMeterValue = 0.0;
    double sustainMeterValue = 0.0;
    double clipLevel = 0.0;
    double meterDecay = 0.0;
    TransientEngine engine;
    BlockRandom random;
};

}  // namespace kestrelon
