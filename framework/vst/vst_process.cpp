// What the process and parameter callbacks forward to.
#include "framework/vst/vst_effect.h"

namespace kestrelon {

// Audio thread, mutex held. Calls longer than the announced block size are
// cut into slices of at most that size by the base, each slice processed as
// if the host had made it a call of its own.
void IEffectVST::ProcessFloatCall(float** inputs, float** outputs, int frames, bool accumulate)
{
    if (doesMidi)
        CallHost(vst2::audioMasterWantMidi, 0, 1);
    if (frames <= 0) {
        ProcessEmptyCall();
        return;
    }
    if (accumulate)
        ProcessFloatAccumulating(inputs, outputs, frames);
    else
        ProcessFloatReplacing(inputs, outputs, frames);
}

// Audio thread, mutex held. The host's own buffers are processed in place.
void IEffectVST::ProcessDoubleCall(double** inputs, double** outputs, int frames)
{
    if (doesMidi)
        CallHost(vst2::audioMasterWantMidi, 0, 1);
    if (frames <= 0) {
        ProcessEmptyCall();
        return;
    }
    ProcessDoubleReplacing(inputs, outputs, frames);
}

// Audio thread, mutex held. A call without frames still counts as a block
// for the effect (its per-block updates run), but touches no host buffer.
void IEffectVST::ProcessEmptyCall()
{
    if (maxBlockSize <= 0)
        return;
    for (InputChannel& channel : inputChannels)
        *channel.slot = channel.scratch.data();
    for (OutputChannel& channel : outputChannels)
        *channel.slot = channel.scratch.data();
    ProcessBlock(inputPointers.data(), outputPointers.data(), 0);
}

// Any host thread, mutex held.
float IEffectVST::GetParameterNormalised(int index)
{
    const IParameter* param = ParamAt(index);
    return param ? static_cast<float>(param->ToNormalized(param->Value())) : 0.0f;
}

// Any host thread, mutex held. The host set the value itself, so it is not
// told back.
void IEffectVST::SetParameterNormalised(int index, float value)
{
    IParameter* param = ParamAt(index);
    if (!param)
        return;
    // Normalised values live in 0..1; a host's stray -0.5 would otherwise
    // put the parameter below its range. NaN passes and is ignored there.
    if (value < 0.0f)
        value = 0.0f;
    else if (value > 1.0f)
        value = 1.0f;
    param->SetFromNormalized(value);
    HandleParamChange(index);
    // The controls show the value the parameter took: a NaN is ignored there,
    // a switch rounds to its step.
    if (editor)
        editor->UpdateControlsFromPlugin(index, param->ToNormalized(param->Value()), true);
}

}  // namespace kestrelon
