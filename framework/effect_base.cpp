#include "framework/effect_base.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "text/text_copy.h"

namespace kestrelon {

namespace {

// Parses the channel layout text, pairs "%d-%d" separated by single spaces.
// A pair that cannot be read gives a 0-in 0-out layout and parsing goes on.
std::vector<ChannelConfig> ParseChannelIO(const char* text)
{
    std::vector<ChannelConfig> configs;
    const char* p = text ? text : "";
    while (p) {
        ChannelConfig config;
        int inputs = 0, outputs = 0;
        std::sscanf(p, "%d-%d", &inputs, &outputs);
        config.inputs = inputs;
        config.outputs = outputs;
        configs.push_back(config);
        p = std::strchr(p, ' ');
        if (p)
            ++p;
    }
    return configs;
}

}  // namespace

IEffectBase::IEffectBase(const EffectDescription& d)
    : uniqueId(d.uniqueId),
      makerId(d.makerId),
      version(d.version),
      pluginApi(d.pluginApi),
      doesChunks(d.doesChunks),
      isInstrument(d.isInstrument),
      doesMidi(d.doesMidi),
      latency(d.latency),
      primaryParamCount(std::max(d.paramCount, 0)),
      secondaryParamCount(0)
{
    params.resize(static_cast<std::size_t>(primaryParamCount));
    presets.resize(static_cast<std::size_t>(std::max(d.presetCount, 0)));
    for (PresetSlot& preset : presets)
        CopyTextTruncated(preset.name, sizeof(preset.name), "empty");

    CopyTextTruncated(effectName, sizeof(effectName), d.effectName);
    CopyTextTruncated(productName, sizeof(productName), d.productName);
    CopyTextTruncated(makerName, sizeof(makerName), d.makerName);

    channelConfigs = ParseChannelIO(d.channelIO);
    int maxInputs = 0, maxOutputs = 0;
    for (const ChannelConfig& config : channelConfigs) {
        maxInputs = std::max(maxInputs, config.inputs);
        maxOutputs = std::max(maxOutputs, config.outputs);
    }

    // The pointer arrays never change size after this, so the slots stay valid.
    inputPointers.assign(static_cast<std::size_t>(maxInputs), nullptr);
    outputPointers.assign(static_cast<std::size_t>(maxOutputs), nullptr);
    inputChannels.resize(inputPointers.size());
    outputChannels.resize(outputPointers.size());
    for (std::size_t i = 0; i < inputChannels.size(); ++i)
        inputChannels[i].slot = &inputPointers[i];
    for (std::size_t i = 0; i < outputChannels.size(); ++i)
        outputChannels[i].slot = &outputPointers[i];
}

IEffectBase::~IEffectBase()
{
    // The editor goes first: its controls point at the parameters.
    editor.reset();
}

void IEffectBase::Reset()
{
    MutexLock lock(mutex);
}

void IEffectBase::HandleParamChange(int)
{
    MutexLock lock(mutex);
}

void IEffectBase::ActivationChanged(bool)
{
    MutexLock lock(mutex);
}

void IEffectBase::HandleMidiMessage(const MidiMessage& message)
{
    SendMidiToHost(message);
}

bool IEffectBase::MidiKeyName(int, char* name)
{
    if (name)
        name[0] = '\0';
    return false;
}

bool IEffectBase::WriteState(ChunkBuffer& buffer)
{
    return SerializeParams(buffer);
}

int IEffectBase::ReadState(const ChunkBuffer& buffer, int pos)
{
    return UnserializeParams(buffer, pos);
}

bool IEffectBase::StateMatches(const double* values, int first) const
{
    if (!values)
        return false;
    for (int i = 0; i < ParamCount(); ++i) {
        // Compared in single precision: the host stores values as floats.
        const float mine = static_cast<float>(params[static_cast<std::size_t>(i)].Value());
        const float theirs = static_cast<float>(values[first + i]);
        if (!(std::fabs(mine - theirs) < 1e-5f))
            return false;
    }
    return true;
}

void IEffectBase::SetParamFromEditor(int index, double normalised)
{
    MutexLock lock(mutex);
    IParameter* param = ParamAt(index);
    if (!param)
        return;
    param->SetFromNormalized(normalised);
    HostParamChanged(index, normalised);
    HandleParamChange(index);
}

void IEffectBase::AttachEditor(std::unique_ptr<IEditor> newEditor)
{
    if (!newEditor)
        return;
    MutexLock lock(mutex);
    newEditor->PrepareForAttach();
    editorStateValues = newEditor->StateValues();
    for (int i = 0; i < ParamCount(); ++i) {
        const IParameter& param = params[static_cast<std::size_t>(i)];
        newEditor->UpdateControlsFromPlugin(i, param.ToNormalized(param.Value()), true);
    }
    editor = std::move(newEditor);
}

void IEffectBase::PushParamsToEditor()
{
    if (!editor)
        return;
    for (int i = 0; i < ParamCount(); ++i)
        editor->UpdateControlsFromPlugin(i, params[static_cast<std::size_t>(i)].Value(), false);
}

void IEffectBase::SetEditorStateValues(IParameter* stateValues)
{
    MutexLock lock(mutex);
    editorStateValues = stateValues;
}

bool IEffectBase::LegalIO(int inputs, int outputs) const
{
    for (const ChannelConfig& config : channelConfigs)
        if (config.inputs == inputs && (outputs < 0 || config.outputs == outputs))
            return true;
    return false;
}

ChannelConfig IEffectBase::ChannelConfigAt(int index) const
{
    if (index < 0 || index >= ChannelConfigCount())
        return ChannelConfig{};
    return channelConfigs[static_cast<std::size_t>(index)];
}

IParameter* IEffectBase::ParamAt(int index)
{
    return index >= 0 && index < ParamCount() ? &params[static_cast<std::size_t>(index)] : nullptr;
}

const IParameter* IEffectBase::ParamAt(int index) const
{
    return index >= 0 && index < ParamCount() ? &params[static_cast<std::size_t>(index)] : nullptr;
}

void IEffectBase::NotifyAllParamsChanged()
{
    for (int i = 0; i < ParamCount(); ++i)
        HandleParamChange(i);
}

}  // namespace kestrelon
