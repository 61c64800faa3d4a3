#pragma once

#include <cstdint>

#include "framework/chunk_buffer.h"
#include "framework/effect_base.h"
#include "framework/vst/vst2_abi.h"

namespace kestrelon {

// Versions reach the host as decimal MMmmpp: 0x10203 (1.2.3) is 10203.
inline vst2::VstInt32 DecimalVersion(int32_t packed)
{
    return ((packed >> 16) & 0xFFFF) * 10000 + ((packed >> 8) & 0xFF) * 100 + (packed & 0xFF);
}

// The plug-in's VST 2.4 face: fills the effect record the host holds, turns
// the host's requests into calls on the base, and turns the base's
// host-facing operations into host callback calls. The effect derives from it.
class IEffectVST : public IEffectBase {
public:
    IEffectVST(const EffectDescription& description, vst2::audioMasterCallback host);
    ~IEffectVST() override;

    // The record handed to the host; it lives as long as the object.
    vst2::AEffect* Record() { return &effect; }
    // The plug-in behind a record the host hands back, or null.
    static IEffectVST* FromRecord(vst2::AEffect* record);

    // Host-facing operations of the base, each one host callback call (the
    // base's declarations say which thread calls each).
    void HostBeginParamEdit(int index) override;
    void HostParamChanged(int index, double normalised) override;
    void HostEndParamEdit(int index) override;
    void HostUpdateDisplay() override;
    bool RenderingOffline() override;
    int HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int* numerator, int* denominator) override;
    void HostTimeInfo(TransportInfo* info) override;
    int IdentifyHost() override;
    void SetEditorSize(int width, int height) override;
    bool HostResizeEditor(int width, int height) override;
    void ApplyHostQuirks() override;
    void AttachEditor(std::unique_ptr<IEditor> newEditor) override;
    void SetLatencySamples(int samples) override;
    bool SendMidiToHost(const MidiMessage& message) override;
    bool SendSysExToHost(const SysExMessage& message) override;

    // What the record's callbacks forward to; the callback holds the mutex.
    // [UI thread, some hosts a worker thread] mutex held.
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt);
    // [audio thread] mutex held.
    void ProcessFloatCall(float** inputs, float** outputs, int frames, bool accumulate);
    void ProcessDoubleCall(double** inputs, double** outputs, int frames);
    // [any host thread] mutex held.
    float GetParameterNormalised(int index);
    void SetParameterNormalised(int index, float value);

private:
    // The callbacks the effect record carries (vst_callbacks.cpp). Each
    // recovers the plug-in from the record's object field, takes the
    // plug-in's mutex and forwards to one member above. The dispatcher runs
    // on the host's UI thread (some hosts use a worker thread), the process
    // callbacks on its audio thread, the parameter callbacks on any thread.
    static vst2::VstIntPtr VSTCALLBACK VSTDispatcher(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                     vst2::VstIntPtr value, void* ptr, float opt);
    static void VSTCALLBACK VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames);
    static void VSTCALLBACK VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs,
                                                vst2::VstInt32 frames);
    static void VSTCALLBACK VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                                      vst2::VstInt32 frames);
    static float VSTCALLBACK VSTGetParameter(vst2::AEffect* effect, vst2::VstInt32 index);
    static void VSTCALLBACK VSTSetParameter(vst2::AEffect* effect, vst2::VstInt32 index, float value);

    vst2::VstIntPtr CallHost(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    const vst2::VstTimeInfo* HostTime(vst2::VstInt32 wantedFlags);
    void ProcessEmptyCall();
    void UpdateChannelCounts();

    // Dispatcher requests that do more than read a field. [UI thread] mutex
    // held (ProcessEvents: the audio thread).
    vst2::VstIntPtr GetChunk(int index, void* ptr);
    vst2::VstIntPtr SetChunk(int index, vst2::VstIntPtr size, const void* ptr);
    vst2::VstIntPtr ProcessEvents(const vst2::VstEvents* events);
    vst2::VstIntPtr StringToParameter(int index, const char* text);
    vst2::VstIntPtr PinProperties(int index, vst2::VstPinProperties* pin, bool input);
    vst2::VstIntPtr SetSpeakerArrangement(const vst2::VstSpeakerArrangement* inputs,
                                          const vst2::VstSpeakerArrangement* outputs);
    vst2::VstIntPtr VendorSpecific(int index, vst2::VstIntPtr value, void* ptr, float opt);
    vst2::VstIntPtr CanDo(const char* text);
    vst2::VstIntPtr MidiKeyNameRequest(vst2::VstMidiKeyName* key);

    vst2::ERect editorRect{};
    vst2::audioMasterCallback audioMaster = nullptr;
    vst2::VstSpeakerArrangement inputArrangement{};
    vst2::VstSpeakerArrangement outputArrangement{};
    bool quirksApplied = false;
    // The host's chunk data points into these until its next request of the
    // same kind, so a program and a bank chunk can be held at the same time.
    ChunkBuffer programChunk;
    ChunkBuffer bankChunk;
    vst2::AEffect effect{};
};

}  // namespace kestrelon
