#pragma once

#include <cstdint>
#include <memory>

#include "dsp/transient_engine.h"
#include "framework/effect_base.h"
#include "framework/graphics/graphics.h"
#include "plugin/block_random.h"

namespace kestrelon {

// The effect's parameters, shared by the effect, its editor and every format.
struct KestrelonParams {
    enum Param : int { kAttack = 0, kSustain, kSensitivity, kOutput, kClipOutput, kNumParams };

    // Boosts and cuts above this level are held to it when clipping is on.
    static constexpr double kClipLevel = 0.989;
};

// The identity every format reports: names, maker, version, layouts.
EffectDescription KestrelonDescription();

// The editor: its graphics context with every control, and the indices of
// the display-only controls the meter readings feed. [UI thread]
struct KestrelonMeterControls {
    int32_t attackMeter = -1;
    int32_t sustainMeter = -1;
    int32_t clipLed = -1;
};
struct KestrelonEditorParts {
    std::unique_ptr<IGraphics> graphics;
    KestrelonMeterControls meters;
};
KestrelonEditorParts BuildKestrelonEditor(IEditorDelegate* plugin);

// The meter readings of a block, 0..1: the attack and sustain gain changes
// (0.5 at none) and the clip light.
struct KestrelonMeters {
    double attack = 0.5;
    double sustain = 0.5;
    double clip = 0.0;
};

// The transient processor without any host: five parameters turned into
// engine settings, the engine run over each block, then the output gain, the
// optional clipping and the peak tracking that feeds the meters. The format's
// effect class (KestrelonEffect below) owns one and calls it under its lock.
class KestrelonCore : public KestrelonParams {
public:
    // The rate or block size changed; answers the latency in whole samples.
    int Reset(double sampleRate, int maxBlockSize);
    // A parameter's value changed; true when the editor's controls follow it
    // (the switch is the one control the host's own changes do not move
    // from here: the adapter's setter and the state loads do).
    bool ApplyParam(int index, const IParameter& param);
    void ProcessBlock(double** inputs, double** outputs, int nFrames);
    // Turns the block's peaks into meter readings and lets the peaks and the
    // clip light decay.
    KestrelonMeters UpdateMeters();

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
    double attackDepth = 0.0;
    double sustainDepth = 0.0;
    double outputGain = 0.0;  // silence until the host opens the effect
    bool clipEnabled = false;
    int32_t attackDirection = 0;
    int32_t sustainDirection = 0;
    double attackPeak = 0.0;
    double sustainPeak = 0.0;
    double clipLevel = 0.0;
    double meterDecay = 0.0;
    TransientEngine engine;
    BlockRandom random;
};

// Sets up the five parameters, params[0] to params[4]. [construction]
void DefineKestrelonParams(IParameter* params);

// The effect in a format: Format is that format's adapter (IEffectVST,
// IEffectLV2...), which derives from the host-independent plug-in base;
// nothing here knows any format's types. host is what the adapter's
// constructor takes after the description.
template <class Format>
class KestrelonEffect : public Format, public KestrelonParams {
public:
    // [any host thread] inside the entry point's creation lock.
    template <class... Host>
    explicit KestrelonEffect(Host... host) : Format(KestrelonDescription(), host...)
    {
        DefineKestrelonParams(this->ParamAt(0));
        BuildEditor();
        // The one preset starts as the defaults.
        this->FillUnsetPresets("-", 1);
    }

    // [UI or audio thread] takes the mutex.
    void Reset() override
    {
        MutexLock lock(this->mutex);
        const int latencySamples = core.Reset(this->sampleRate, this->maxBlockSize);
        this->SetLatencySamples(latencySamples);
    }

    // [any thread] takes the mutex.
    void HandleParamChange(int paramIdx) override
    {
        MutexLock lock(this->mutex);
        IParameter* param = this->ParamAt(paramIdx);
        if (!param || !core.ApplyParam(paramIdx, *param))
            return;
        if (this->editor)
            this->editor->UpdateControlsFromPlugin(paramIdx, param->Value(), false);
    }

    // [audio thread] mutex held by the process callback.
    void ProcessBlock(double** inputs, double** outputs, int nFrames) override
    {
        core.ProcessBlock(inputs, outputs, nFrames);
        if (!this->MetersWanted())
            return;
        const KestrelonMeters meters = core.UpdateMeters();
        if (this->editor) {
            // The editor ignores an index outside its control list.
            SendToControl(meterControls.attackMeter, meters.attack);
            SendToControl(meterControls.sustainMeter, meters.sustain);
            SendToControl(meterControls.clipLed, meters.clip);
        }
        const double values[] = {meters.attack, meters.sustain, meters.clip};
        this->MetersChanged(values, 3);
    }

    // What the settings currently are, for tests and benchmarks.
    double AttackDepth() const { return core.AttackDepth(); }
    double SustainDepth() const { return core.SustainDepth(); }
    double OutputGain() const { return core.OutputGain(); }
    bool ClipEnabled() const { return core.ClipEnabled(); }
    int32_t AttackDirection() const { return core.AttackDirection(); }
    int32_t SustainDirection() const { return core.SustainDirection(); }
    double MeterDecay() const { return core.MeterDecay(); }
    double ClipLevel() const { return core.ClipLevel(); }
    const TransientEngine& Engine() const { return core.Engine(); }

private:
    // Builds the editor and attaches it; remembers which controls are the
    // meters and the clip indicator.
    void BuildEditor()
    {
        KestrelonEditorParts parts = BuildKestrelonEditor(this);
        meterControls = parts.meters;
        this->AttachEditor(std::move(parts.graphics));
    }

    // [audio thread] mutex held.
    void SendToControl(int32_t index, double value)
    {
        if (index >= 0)
            this->editor->SetControlValueFromPlugin(index, value);
    }

    KestrelonCore core;
    KestrelonMeterControls meterControls;
};

}  // namespace kestrelon
