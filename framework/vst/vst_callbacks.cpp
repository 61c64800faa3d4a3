// The effect record's callbacks: thin translations from the host's C calls to
// members of the plug-in, each under the plug-in's mutex. The host is C: no
// exception may leave a callback (a failed allocation in a chunk or a text
// would end the host), so each one that escapes a member ends in "not done".
#include <algorithm>

#include "framework/vst/vst_effect.h"

namespace kestrelon {

namespace {

// What a replacing call that failed leaves in the host's outputs: silence, not
// whatever the buffers held.
template <typename Sample>
void SilenceOutputs(const vst2::AEffect* effect, Sample** outputs, vst2::VstInt32 frames)
{
    if (!effect || !outputs || frames <= 0)
        return;
    for (vst2::VstInt32 c = 0; c < effect->numOutputs; ++c) {
        if (outputs[c])
            std::fill(outputs[c], outputs[c] + frames, Sample(0));
    }
}

}  // namespace

// UI thread (sometimes a host's worker thread); takes the mutex. effClose
// releases it before the object, and the record with it, is destroyed.
vst2::VstIntPtr VSTCALLBACK IEffectVST::VSTDispatcher(vst2::AEffect* effect, vst2::VstInt32 opcode,
                                                      vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return 0;
    try {
        if (opcode == vst2::effClose) {
            plugin->Mutex().lock();
            plugin->Mutex().unlock();
            delete plugin;
            return 0;
        }
        MutexLock lock(plugin->Mutex());
        return plugin->Dispatch(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

// Audio thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    try {
        MutexLock lock(plugin->Mutex());
        plugin->ProcessFloatCall(inputs, outputs, frames, true);
    } catch (...) {
        // Adds nothing: what the host's outputs held stays.
    }
}

// Audio thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs,
                                                 vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    try {
        MutexLock lock(plugin->Mutex());
        plugin->ProcessFloatCall(inputs, outputs, frames, false);
    } catch (...) {
        SilenceOutputs(effect, outputs, frames);
    }
}

// Audio thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                                       vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    try {
        MutexLock lock(plugin->Mutex());
        plugin->ProcessDoubleCall(inputs, outputs, frames);
    } catch (...) {
        SilenceOutputs(effect, outputs, frames);
    }
}

// Any host thread; takes the mutex.
float VSTCALLBACK IEffectVST::VSTGetParameter(vst2::AEffect* effect, vst2::VstInt32 index)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return 0.0f;
    try {
        MutexLock lock(plugin->Mutex());
        return plugin->GetParameterNormalised(index);
    } catch (...) {
        return 0.0f;
    }
}

// Any host thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTSetParameter(vst2::AEffect* effect, vst2::VstInt32 index, float value)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    try {
        MutexLock lock(plugin->Mutex());
        plugin->SetParameterNormalised(index, value);
    } catch (...) {
        // Not done, as for an index out of range.
    }
}

}  // namespace kestrelon
