#include "framework/vst/vst_effect.h"

#include <algorithm>

namespace kestrelon {

namespace {

void DescribeArrangement(vst2::VstSpeakerArrangement& arrangement, int channels)
{
    arrangement = vst2::VstSpeakerArrangement{};
    arrangement.numChannels = channels;
    switch (channels) {
    case 0:
        arrangement.type = vst2::kSpeakerArrEmpty;
        break;
    case 1:
        arrangement.type = vst2::kSpeakerArrMono;
        break;
    case 2:
        arrangement.type = vst2::kSpeakerArrStereo;
        break;
    default:
        arrangement.type = vst2::kSpeakerArrUserDefined;
        break;
    }
}

}  // namespace

IEffectVST::IEffectVST(const EffectDescription& description, vst2::audioMasterCallback host)
    : IEffectBase(description), audioMaster(host)
{
    effect.magic = vst2::kEffectMagic;
    effect.dispatcher = VSTDispatcher;
    effect.process = VSTProcess;
    effect.setParameter = VSTSetParameter;
    effect.getParameter = VSTGetParameter;
    effect.numPrograms = PresetCount();
    effect.numParams = ParamCount();
    effect.flags = vst2::effFlagsCanReplacing | vst2::effFlagsCanDoubleReplacing;
    // Hosts read this as "a stereo effect that accepts a mono input".
    if (LegalIO(1, -1))
        effect.flags |= vst2::effFlagsCanMono;
    effect.initialDelay = latency;
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = uniqueId;
    effect.version = DecimalVersion(version);
    effect.processReplacing = VSTProcessReplacing;
    effect.processDoubleReplacing = VSTProcessDoubleReplacing;
    UpdateChannelCounts();

    const int inputs = std::min(effect.numInputs, InputChannelCount());
    const int outputs = std::min(effect.numOutputs, OutputChannelCount());
    for (int i = 0; i < inputs; ++i)
        SetInputConnected(i, true);
    for (int i = 0; i < outputs; ++i)
        SetOutputConnected(i, true);

    SetMaxBlockSize(1024);
}

IEffectVST::~IEffectVST() = default;

IEffectVST* IEffectVST::FromRecord(vst2::AEffect* record)
{
    return record ? static_cast<IEffectVST*>(record->object) : nullptr;
}

// The record's channel counts and the two reported arrangements follow the
// plug-in's channel lists.
void IEffectVST::UpdateChannelCounts()
{
    effect.numInputs = InputChannelCount();
    effect.numOutputs = OutputChannelCount();
    DescribeArrangement(inputArrangement, InputChannelCount());
    DescribeArrangement(outputArrangement, OutputChannelCount());
}

void IEffectVST::AttachEditor(std::unique_ptr<IEditor> newEditor)
{
    if (!newEditor)
        return;
    MutexLock lock(mutex);
    IEffectBase::AttachEditor(std::move(newEditor));
    if (editor->HasWindow())
        effect.flags |= vst2::effFlagsHasEditor;
    SetEditorSize(editor->Width(), editor->Height());
}

void IEffectVST::SetEditorSize(int width, int height)
{
    if (!editor)
        return;
    editorRect.top = 0;
    editorRect.left = 0;
    editorRect.bottom = static_cast<vst2::VstInt16>(std::clamp(height, 0, 0x7FFF));
    editorRect.right = static_cast<vst2::VstInt16>(std::clamp(width, 0, 0x7FFF));
    EditorResized();
}

// The host reads initialDelay when it next asks.
void IEffectVST::SetLatencySamples(int samples)
{
    IEffectBase::SetLatencySamples(samples);
    effect.initialDelay = samples;
}

}  // namespace kestrelon
