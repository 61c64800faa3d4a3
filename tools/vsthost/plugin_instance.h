// One effect instance as a host sees it: the library, the effect record the
// entry point returned, and the host callback the effect talks back through.
// Every request goes through the record's dispatcher and callbacks, in the
// order a DAW sends them; nothing here knows which effect it is driving.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tools/vsthost/plugin_module.h"

namespace kestrelon {

namespace vsthost {

class PluginInstance {
public:
    // Loads the library, calls VSTPluginMain and checks the record's magic.
    // Null with `error` set when any step fails.
    static std::unique_ptr<PluginInstance> Load(const std::string& path, std::string& error);
    // Suspends the effect if it was resumed, closes it and unloads the library.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    const vst2::AEffect& Record() const { return *effect_; }
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);

    // The host's set-up sequence: open, then announce rate and block size.
    void Open();
    void Configure(double sampleRate, int blockSize);
    // Asks for the one-in, one-out layout; false when the effect refuses it.
    bool RequestMonoLayout();
    // Switches processing on (precision, mains, start) and off again.
    void Resume(bool doublePrecision);
    void Suspend();

    int ParamCount() const { return effect_->numParams; }
    std::string ParamName(int index);
    std::string ParamLabel(int index);
    std::string ParamDisplay(int index);
    float GetParam(int index);
    void SetParam(int index, float normalised);
    // Index of the parameter called `name` (exact match first, then ignoring
    // letter case), or -1.
    int FindParam(const std::string& name);
    // "Attack", "Sustain", ... for error messages.
    std::string ParamNameList();
    // effString2Parameter: true when the effect accepted the text.
    bool SetParamFromText(int index, const std::string& text);

    std::string ProgramName();
    std::string ProgramNameIndexed(int index);
    std::string EffectName();
    std::string VendorString();
    std::string ProductString();
    vst2::VstIntPtr CanDo(const char* text);

    // The effect's state chunk (bank when `program` is false); empty when it
    // hands out none.
    std::vector<std::uint8_t> GetChunk(bool program);
    // True when the effect accepted the chunk.
    bool SetChunk(bool program, const std::vector<std::uint8_t>& chunk);

    // The current latency in samples (the record's initialDelay, never negative).
    int Latency() const { return effect_->initialDelay > 0 ? effect_->initialDelay : 0; }
    bool CanProcessDouble() const { return (effect_->flags & vst2::effFlagsCanDoubleReplacing) != 0; }

    // One block; the pointer arrays hold numInputs and numOutputs channels.
    void ProcessFloat(float** inputs, float** outputs, int frames);
    void ProcessDouble(double** inputs, double** outputs, int frames);
    // The accumulating single-precision call, which adds into the outputs.
    void ProcessFloatAdding(float** inputs, float** outputs, int frames);

    // Where the host's transport stands, reported to the effect on request.
    void SetOfflineRender(bool offline) { offline_ = offline; }

private:
    PluginInstance() = default;
    // The effect calls this from whichever thread it is on; in this tool that
    // is always the main thread, inside one of the calls above.
    static vst2::VstIntPtr VSTCALLBACK HostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                    vst2::VstIntPtr value, void* ptr, float opt);
    vst2::VstIntPtr HandleHostRequest(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                      float opt);
    std::string TextRequest(vst2::VstInt32 opcode, int index);

    std::unique_ptr<PluginModule> module_;
    vst2::AEffect* effect_ = nullptr;
    bool opened_ = false;
    bool resumed_ = false;
    bool offline_ = false;
    double sampleRate_ = 44100.0;
    int blockSize_ = 512;
    double samplePosition_ = 0.0;
    vst2::VstTimeInfo timeInfo_ = {};
    vst2::VstSpeakerArrangement monoIn_ = {};
    vst2::VstSpeakerArrangement monoOut_ = {};
};

}  // namespace vsthost

}  // namespace kestrelon
