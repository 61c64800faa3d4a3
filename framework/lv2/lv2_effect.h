#pragma once

#include <cstdint>
#include <vector>

#include "framework/effect_base.h"

// The LV2 headers are the format's own declaration of its ABI.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

namespace kestrelon {

// The plug-in's LV2 face. Its ports, in the order the bundle's description
// gives them: the audio inputs, the audio outputs, one control input per
// parameter (plain values), the latency output, then the meter outputs.
// Control inputs reach the effect's change handler only when their value
// changed; the outputs are written after every run.
class IEffectLV2 : public IEffectBase {
public:
    static constexpr int kMeterPortCount = 3;
    // Blocks of at most this many frames when the host does not say (a longer
    // run is processed in slices of this size).
    static constexpr int kDefaultMaxBlock = 4096;
    static constexpr int kLargestBlock = 65536;

    IEffectLV2(const EffectDescription& description, double rate, const LV2_Feature* const* features);
    ~IEffectLV2() override;

    // Port numbers.
    int AudioInPort(int channel) const { return channel; }
    int AudioOutPort(int channel) const { return InputChannelCount() + channel; }
    int ParamPort(int index) const { return InputChannelCount() + OutputChannelCount() + index; }
    int LatencyPort() const { return ParamPort(ParamCount()); }
    int MeterPort(int index) const { return LatencyPort() + 1 + index; }
    int PortCount() const { return MeterPort(kMeterPortCount); }

    // [instantiation thread] takes the mutex. Once, after the effect is made:
    // every parameter's handler, then the rate and block size.
    void Open();

    // What the descriptor's callbacks forward to (lv2_entry.cpp).
    // [instantiation thread] The port's buffer; null or an unknown port is
    // kept as "not connected".
    void ConnectPort(uint32_t port, void* data);
    // [instantiation thread] takes the mutex.
    void Activate();
    void Deactivate();
    // [audio thread] takes the mutex.
    void Run(uint32_t frames);
    // [UI or worker thread] takes the mutex. The editor's size and mode.
    LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    // [UI thread] takes the mutex. The editor's size and mode as the state
    // keeps them, for an editor in the same process (instance-access); false
    // when the effect has no editor values.
    bool LoadEditorLayout(double (&values)[kEditorStateValueCount]);
    bool StoreEditorLayout(const double (&values)[kEditorStateValueCount]);

    // Host-facing operations of the base: LV2 carries parameters, latency
    // and meters on ports, so the calls that would tell a host directly have
    // nothing to do here.
    void HostBeginParamEdit(int) override {}
    void HostParamChanged(int, double) override {}
    void HostEndParamEdit(int) override {}
    void HostUpdateDisplay() override {}
    int HostSamplePosition() override { return 0; }
    double HostTempo() override { return 0.0; }
    void HostTimeSignature(int* numerator, int* denominator) override;
    void HostTimeInfo(TransportInfo*) override {}
    void SetEditorSize(int, int) override {}
    bool SendMidiToHost(const MidiMessage&) override { return false; }
    // [audio thread] mutex held. The meters go to their output ports.
    bool MetersWanted() const override { return true; }
    void MetersChanged(const double* values, int count) override;

private:
    // [audio thread] mutex held.
    void ReadControlPorts();
    void WriteOutputPorts();

    LV2_URID_Map* map = nullptr;
    LV2_URID doubleType = 0;
    LV2_URID stateKeys[kEditorStateValueCount] = {};
    std::vector<float*> audioIn;
    std::vector<float*> audioOut;
    std::vector<const float*> paramPorts;
    // The value each control port had when last read; the change handler
    // runs only when it differs.
    std::vector<float> lastPortValue;
    float* latencyPort = nullptr;
    float* meterPorts[kMeterPortCount] = {};
    double meterValues[kMeterPortCount] = {0.5, 0.5, 0.0};
};

// The shortest decimal that a port's float stands for (0.8f gives 0.8).
double PortValueAsDecimal(float v);

// Makes a new effect object for a host; null when it could not be made.
using LV2EffectFactory = IEffectLV2* (*)(double rate, const LV2_Feature* const* features);

// The descriptor an exported lv2_descriptor answers for index 0: its
// callbacks recover the object from the handle and forward to one member.
const LV2_Descriptor* LV2DescriptorFor(const char* uri, LV2EffectFactory create);

}  // namespace kestrelon
