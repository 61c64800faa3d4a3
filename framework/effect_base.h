#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/chunk_buffer.h"
#include "framework/editor.h"
#include "framework/editor_delegate.h"
#include "framework/effect_types.h"
#include "framework/parameter.h"
#include "framework/recursive_mutex.h"

namespace kestrelon {

// Text capacity of the effect, product and maker names: 127 bytes and the zero.
constexpr int kEffectNameSize = 128;
// The editor keeps the view mode, width and height in every state.
constexpr int kEditorStateValueCount = 3;

// Host-independent core of the plug-in: identity, channel layouts,
// parameters, presets, processing context, the buffers handed to
// ProcessBlock, the attached editor and the lock every host and editor entry
// runs under. A format's adapter (framework/vst, framework/lv2) derives from
// it and supplies the host calls; the effect is written over any adapter.
class IEffectBase : public IEditorDelegate {
public:
    explicit IEffectBase(const EffectDescription& description);
    IEffectBase(const IEffectBase&) = delete;
    IEffectBase& operator=(const IEffectBase&) = delete;

    // The virtual interface: the adapter fills in the host-facing half, the
    // effect the processing half.
    ~IEffectBase() override;
    // [UI or audio thread] takes the mutex. The rate or block size changed.
    virtual void Reset();
    // [any thread] takes the mutex. A parameter's value changed, whatever
    // the source: host, editor, restored state, typed text.
    virtual void HandleParamChange(int index);
    // [audio thread] mutex held by the process callback.
    virtual void ProcessBlock(double** inputs, double** outputs, int frames);
    // [UI thread] mutex held. Around the editor window's opening and closing.
    virtual void EditorOpened() {}
    virtual void EditorClosing() {}
    // [UI thread] takes the mutex. The host switched processing on or off.
    virtual void ActivationChanged(bool active);
    // [audio thread] mutex held.
    virtual void HandleMidiMessage(const MidiMessage& message);
    virtual void HandleSysEx(const SysExMessage&) {}
    // [UI thread] mutex held.
    virtual bool MidiKeyName(int key, char* name);
    // [UI thread] mutex held. One program's state, without the chunk header.
    virtual bool WriteState(ChunkBuffer& buffer);
    virtual int ReadState(const ChunkBuffer& buffer, int pos);
    virtual bool StateMatches(const double* values, int first) const;
    // [UI thread] mutex held. After the editor rectangle changed.
    virtual void EditorResized() {}
    // [UI thread] mutex held. After every layout of the resize controller,
    // with the view mode and the editor size in design units.
    void EditorLayoutChanged(int, double, double) override {}
    // [UI thread] mutex held. After the host was identified at opening.
    virtual void HostIdentified() {}
    // [UI thread] takes the mutex. A control changed a parameter.
    void SetParamFromEditor(int index, double normalised) override;
    // [UI thread] The host-facing half, each one host call.
    void HostBeginParamEdit(int index) override = 0;
    virtual void HostParamChanged(int index, double normalised) = 0;
    void HostEndParamEdit(int index) override = 0;
    virtual void HostUpdateDisplay() = 0;
    virtual bool RenderingOffline() { return false; }
    // [audio thread] mutex held.
    virtual int HostSamplePosition() = 0;
    virtual double HostTempo() = 0;
    virtual void HostTimeSignature(int* numerator, int* denominator) = 0;
    virtual void HostTimeInfo(TransportInfo* info) = 0;
    // [UI thread] mutex held.
    virtual int IdentifyHost() { return hostCode; }
    virtual int GetPluginApi() { return pluginApi; }
    // [UI thread] mutex held. The editor's size changed (the graphics
    // context calls it); recorded as the rectangle reported to the host.
    void SetEditorSize(int width, int height) override = 0;
    // [UI thread] mutex held. Asks the host to make its window fit an editor
    // of the new size; false when it refused or cannot.
    bool HostResizeEditor(int, int) override { return false; }
    virtual void ApplyHostQuirks() {}
    // [UI thread] takes the mutex. Takes ownership of the editor, prepares
    // it and pushes every parameter's value into its controls. Null does
    // nothing.
    virtual void AttachEditor(std::unique_ptr<IEditor> newEditor);
    // [any thread] mutex held.
    virtual void SetLatencySamples(int samples) { latency = samples; }
    // [audio thread] mutex held. Whether the effect works out its meter
    // readings after a block (only for an editor here; a format that carries
    // them to the host always), and the readings when it does, 0..1 each.
    virtual bool MetersWanted() const { return editor != nullptr; }
    virtual void MetersChanged(const double*, int) {}
    // [audio thread] mutex held.
    virtual bool SendMidiToHost(const MidiMessage& message) = 0;
    virtual bool SendSysExToHost(const SysExMessage&) { return false; }
    // [UI thread] mutex held. Every parameter's plain value into the editor's
    // bound controls, after a state or preset was loaded.
    virtual void PushParamsToEditor();
    // [UI thread] mutex held.
    virtual void PresetChanged() {}
    // [UI thread] mutex held. Prepares the scratch buffers for blocks of at
    // most frames frames.
    virtual void SetMaxBlockSize(int frames);

    // Channel layouts. outputs < 0 means any number of outputs.
    bool LegalIO(int inputs, int outputs) const;
    int ChannelConfigCount() const { return static_cast<int>(channelConfigs.size()); }
    ChannelConfig ChannelConfigAt(int index) const;

    IParameter* ParamAt(int index);
    const IParameter* ParamAt(int index) const override;
    int ParamCount() const { return static_cast<int>(params.size()); }
    // [UI thread] mutex held. HandleParamChange for every parameter in order.
    void NotifyAllParamsChanged();

    // Channels: the adapter connects them at construction, on a speaker
    // arrangement from the host and for a few hosts' quirks. [UI thread]
    // mutex held.
    int InputChannelCount() const { return static_cast<int>(inputChannels.size()); }
    int OutputChannelCount() const { return static_cast<int>(outputChannels.size()); }
    bool IsInputConnected(int index) const;
    bool IsOutputConnected(int index) const;
    void SetInputConnected(int index, bool connected);
    void SetOutputConnected(int index, bool connected);
    const char* InputLabel(int index) const;
    const char* OutputLabel(int index) const;

    // The process path, in slices of at most maxBlockSize frames. The host's
    // buffers are indexed by connected channel: the k-th connected channel
    // uses host buffer k. A null host buffer reads as silence and is not
    // written. offset is the first frame of the slice in the host's buffers.
    // [audio thread] mutex held.
    void BindFloatBuffers(float* const* hostIn, float* const* hostOut, int frames, int offset = 0);
    void RenderFloatReplacing(int frames);
    void RenderFloatAccumulating(int frames);
    void BindDoubleBuffers(double* const* hostIn, double* const* hostOut, int frames, int offset = 0);
    // Whole host calls of any length: bind and render slice by slice.
    // [audio thread] takes the mutex.
    void ProcessFloatReplacing(float* const* hostIn, float* const* hostOut, int frames);
    void ProcessFloatAccumulating(float* const* hostIn, float* const* hostOut, int frames);
    void ProcessDoubleReplacing(double* const* hostIn, double* const* hostOut, int frames);

    // State and presets. [UI thread] mutex held (the serialisers take it).
    bool SerializeParams(ChunkBuffer& buffer);
    int UnserializeParams(const ChunkBuffer& buffer, int pos);
    void FillUnsetPresets(const char* name, int count);
    bool LoadPreset(int index);
    const char* PresetName(int index) const;
    void ModifyCurrentPreset(const char* name);
    bool SerializePresets(ChunkBuffer& buffer);
    int UnserializePresets(const ChunkBuffer& buffer, int pos);
    int PresetCount() const { return static_cast<int>(presets.size()); }
    bool PresetInitialised(int index) const;

    // The three values every state carries before the parameters (view mode,
    // width, height), owned by the editor; null leaves them out. AttachEditor
    // takes them from the editor.
    void SetEditorStateValues(IParameter* stateValues);
    int EditorStateValueCount() const { return editorStateValues ? kEditorStateValueCount : 0; }

    RecursiveMutex& Mutex() override { return mutex; }
    const char* EffectName() const override { return effectName; }
    const char* ProductName() const { return productName; }
    const char* MakerName() const override { return makerName; }
    int32_t UniqueId() const { return uniqueId; }
    int32_t MakerId() const { return makerId; }
    int32_t Version() const { return version; }
    int32_t HostCode() const { return hostCode; }
    int32_t HostVersion() const { return hostVersion; }
    bool DoesChunks() const { return doesChunks; }
    bool IsInstrument() const { return isInstrument; }
    bool DoesMidi() const { return doesMidi; }
    int CurrentPreset() const { return currentPreset; }
    double SampleRate() const { return sampleRate; }
    int MaxBlockSize() const { return maxBlockSize; }
    int Latency() const { return latency; }
    int TailSize() const { return tailSize; }
    IEditor* Editor() const override { return editor.get(); }

protected:
    // Points an unconnected channel's slot back at its own scratch.
    void RebindToScratch(InputChannel& channel) { *channel.slot = channel.scratch.data(); }
    void RebindToScratch(OutputChannel& channel) { *channel.slot = channel.scratch.data(); }
    void RenderFloat(int frames, bool accumulate);
    void ProcessFloat(float* const* hostIn, float* const* hostOut, int frames, bool accumulate);
    void SilenceHostOutputs(float* const* hostOut, int frames);
    void SilenceHostOutputs(double* const* hostOut, int frames);
    // Whether the first + second doubles at pos each lie within the range of
    // the parameter they would set.
    bool ValuesFitParameters(const ChunkBuffer& buffer, int pos, int first, int second) const;

    std::vector<ChannelConfig> channelConfigs;
    // Mutable: the lock guards reads that are const to the host, too.
    mutable RecursiveMutex mutex;
    char effectName[kEffectNameSize] = {};
    char productName[kEffectNameSize] = {};
    char makerName[kEffectNameSize] = {};
    int32_t uniqueId = 0;
    int32_t makerId = 0;
    int32_t version = 0;
    int32_t pluginApi = 0;
    int32_t hostCode = -1;
    int32_t hostVersion = 0;
    bool doesChunks = false;
    bool isInstrument = false;
    bool doesMidi = false;
    int32_t currentPreset = 0;
    double sampleRate = 44100.0;
    int32_t maxBlockSize = 0;
    int32_t latency = 0;
    int32_t tailSize = 0;
    int32_t primaryParamCount = 0;
    int32_t secondaryParamCount = 0;
    std::unique_ptr<IEditor> editor;  // destroyed first, in the destructor's body
    IParameter* editorStateValues = nullptr;  // three, owned by the editor
    std::vector<IParameter> params;
    std::vector<PresetSlot> presets;
    std::vector<double*> inputPointers;
    std::vector<double*> outputPointers;
    std::vector<InputChannel> inputChannels;
    std::vector<OutputChannel> outputChannels;
};

}  // namespace kestrelon
