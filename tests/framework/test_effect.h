#pragma once

#include <vector>

#include "framework/effect_base.h"

namespace kestrelon {

// The effect's identity and parameters on the bare base, with the host
// operations recorded instead of sent, so the base can be driven as the
// adapter and the effect drive it.
class TestEffect : public IEffectBase {
public:
    static EffectDescription Description(const char* channelIO = "1-1 2-2", int presets = 1)
    {
        EffectDescription d;
        d.paramCount = 5;
        d.channelIO = channelIO;
        d.presetCount = presets;
        d.effectName = "Kestrelon";
        d.productName = "";
        d.makerName = "Lumen Pathway";
        d.version = 0x10000;
        d.uniqueId = FourCharCode("KSTN");
        d.makerId = FourCharCode("LPFX");
        return d;
    }

    explicit TestEffect(const char* channelIO = "1-1 2-2", int presets = 1, int blockSize = 1024)
        : IEffectBase(Description(channelIO, presets))
    {
        ParamAt(0)->DefineContinuous("Attack", 0.0, -10.0, 10.0, 0.1, "", 1.0);
        ParamAt(1)->DefineContinuous("Sustain", 0.0, -10.0, 10.0, 0.1, "", 1.0);
        ParamAt(2)->DefineContinuous("Sensitivity", 0.5, 0.0, 1.0, 0.1, "", 1.0);
        ParamAt(3)->DefineContinuous("Output", 0.0, -12.0, 12.0, 0.1, "dB", 1.0);
        ParamAt(4)->DefineSwitch("Clip Output", true, "");
        // What the adapter does while it is constructed.
        for (int i = 0; i < InputChannelCount(); ++i)
            SetInputConnected(i, true);
        for (int i = 0; i < OutputChannelCount(); ++i)
            SetOutputConnected(i, true);
        SetMaxBlockSize(blockSize);
        // What the effect does at the end of its constructor.
        FillUnsetPresets("-", 1);
        changes.clear();
    }

    // [any thread] takes the mutex.
    void HandleParamChange(int index) override { changes.push_back(index); }
    // [UI thread] each one host call, recorded instead.
    void HostBeginParamEdit(int) override {}
    void HostParamChanged(int index, double normalised) override { automated.push_back({index, normalised}); }
    void HostEndParamEdit(int) override {}
    void HostUpdateDisplay() override {}
    // [audio thread] mutex held.
    int HostSamplePosition() override { return 0; }
    double HostTempo() override { return 0.0; }
    void HostTimeSignature(int* numerator, int* denominator) override { *numerator = *denominator = 0; }
    void HostTimeInfo(TransportInfo*) override {}
    // [UI thread] mutex held.
    void SetEditorSize(int, int) override {}
    // [audio thread] mutex held.
    bool SendMidiToHost(const MidiMessage& message) override
    {
        sentMidi.push_back(message);
        return true;
    }
    // [UI thread] mutex held.
    void PresetChanged() override { ++presetChanges; }

    struct Automation {
        int index;
        double value;
    };
    std::vector<int> changes;
    std::vector<Automation> automated;
    std::vector<MidiMessage> sentMidi;
    int presetChanges = 0;

    // Test access to the channel bookkeeping.
    using IEffectBase::inputChannels;
    using IEffectBase::inputPointers;
    using IEffectBase::outputChannels;
    using IEffectBase::outputPointers;
    using IEffectBase::presets;
};

}  // namespace kestrelon
