// One effect instance as a host sees it: the library, the effect record the
// entry point returned, and the host callback the effect talks back through.
// Every request goes through the record's dispatcher and callbacks, in the
// order a DAW sends them; nothing here knows which effect it is driving.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tools/vsthost/hosted_effect.h"
#include "tools/vsthost/plugin_module.h"

namespace kestrelon {

namespace vsthost {

class PluginInstance : public HostedEffect {
public:
    // Loads the library, calls its entry point (VSTPluginMain, or main where
    // only that is exported) and checks the record's magic. Null with `error`
    // set when any step fails.
    static std::unique_ptr<PluginInstance> Load(const std::string& path, std::string& error);
    // Suspends the effect if it was resumed, closes it and unloads the library.
    ~PluginInstance() override;
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    const vst2::AEffect& Record() const { return *effectRecord; }
    // The name of the entry point the effect was created through.
    const std::string& EntryPoint() const { return entryPoint; }
    // The loader's handle of the plug-in library.
    void* ModuleHandle() const override { return library ? library->Handle() : nullptr; }
    // Who hears the requests the effect makes of its editor's host: parameter
    // changes, edits begun and ended, window sizes. Null (the default) answers
    // them as a host without an editor window does.
    void SetEditorHost(EditorHostEvents* events) override { editorHost.store(events); }
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);

    // The host's set-up sequence: open, then announce rate and block size.
    void Open();
    void Configure(double sampleRate, int blockSize);
    // Asks for the one-in, one-out layout; false when the effect refuses it.
    bool RequestMonoLayout() override;
    // Switches processing on (precision, mains, start) and off again.
    void Resume(bool doublePrecision) override;
    void Suspend() override;

    int ParamCount() const override { return effectRecord->numParams; }
    std::string ParamName(int index) override;
    std::string ParamLabel(int index) override;
    std::string ParamDisplay(int index) override;
    float GetParam(int index) override;
    void SetParam(int index, float normalised) override;
    // effString2Parameter: true when the effect accepted the text.
    bool SetParamFromText(int index, const std::string& text) override;

    std::string ProgramName();
    std::string ProgramNameIndexed(int index);
    std::string EffectName();
    std::string VendorString();
    std::string ProductString();
    vst2::VstIntPtr CanDo(const char* text);

    // The effect's state chunk (bank when `program` is false); empty when it
    // hands out none.
    std::vector<std::uint8_t> GetChunk(bool program) override;
    // True when the effect accepted the chunk.
    bool SetChunk(bool program, const std::vector<std::uint8_t>& chunk) override;

    // The current latency in samples (the record's initialDelay, never negative).
    int Latency() const override { return effectRecord->initialDelay > 0 ? effectRecord->initialDelay : 0; }
    bool CanProcessDouble() const override { return (effectRecord->flags & vst2::effFlagsCanDoubleReplacing) != 0; }

    // One block; the pointer arrays hold numInputs and numOutputs channels.
    void ProcessFloat(float** inputs, float** outputs, int frames) override;
    void ProcessDouble(double** inputs, double** outputs, int frames) override;
    // The accumulating single-precision call, which adds into the outputs.
    void ProcessFloatAdding(float** inputs, float** outputs, int frames);

    // Where the host's transport stands, reported to the effect on request.
    void SetOfflineRender(bool offline) override { renderingOffline = offline; }

    int InputCount() const override { return effectRecord->numInputs; }
    int OutputCount() const override { return effectRecord->numOutputs; }
    // effGetInputProperties of the first input, when there are two or more.
    bool FirstInputIsStereoPair() override;
    PluginInstance* AsVst2() override { return this; }

    // effEditGetRect (after checking the editor flag), effEditOpen,
    // effEditIdle, effEditClose.
    bool EditorSize(int& width, int& height, std::string& error) override;
    void OpenEditor(void* parent) override { Dispatch(vst2::effEditOpen, 0, 0, parent); }
    void EditorIdle() override { Dispatch(vst2::effEditIdle); }
    void CloseEditor() override { Dispatch(vst2::effEditClose); }

private:
    PluginInstance() = default;
    // [any host thread] no lock: the effect calls back on whichever thread
    // called into it (the main thread in every command; the audio, automation
    // and interface threads as well under torture), inside one of the calls above.
    static vst2::VstIntPtr VSTCALLBACK HostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                    vst2::VstIntPtr value, void* ptr, float opt);
    // [any host thread] no lock; the host callback's body once the instance is known.
    vst2::VstIntPtr HandleHostRequest(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                      float opt);
    std::string TextRequest(vst2::VstInt32 opcode, int index);

    std::unique_ptr<PluginModule> library;
    std::string entryPoint;
    vst2::AEffect* effectRecord = nullptr;
    bool opened = false;
    bool resumed = false;
    bool renderingOffline = false;
    std::atomic<EditorHostEvents*> editorHost{nullptr};
    double hostRate = 44100.0;
    int hostBlockSize = 512;
    double samplePosition = 0.0;
    vst2::VstTimeInfo timeInfo = {};
    vst2::VstSpeakerArrangement monoIn = {};
    vst2::VstSpeakerArrangement monoOut = {};
};

}  // namespace vsthost

}  // namespace kestrelon
