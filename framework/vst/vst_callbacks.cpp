// The effect record's callbacks: thin translations from the host's C calls to
// members of the plug-in, each under the plug-in's mutex.
#include "framework/vst/vst_effect.h"

namespace kestrelon {

// UI thread (sometimes a host's worker thread); takes the mutex. effClose
// releases it before the object, and the record with it, is destroyed.
vst2::VstIntPtr VSTCALLBACK IEffectVST::VSTDispatcher(vst2::AEffect* effect, vst2::VstInt32 opcode,
                                                      vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return 0;
    if (opcode == vst2::effClose) {
        plugin->Mutex().lock();
        plugin->Mutex().unlock();
        delete plugin;
        return 0;
    }
    MutexLock lock(plugin->Mutex());
    return plugin->Dispatch(opcode, index, value, ptr, opt);
}

// Audio thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->ProcessFloatCall(inputs, outputs, frames, true);
}

// Audio thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs,
                                                 vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->ProcessFloatCall(inputs, outputs, frames, false);
}

// Audio thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                                       vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->ProcessDoubleCall(inputs, outputs, frames);
}

// Any host thread; takes the mutex.
float VSTCALLBACK IEffectVST::VSTGetParameter(vst2::AEffect* effect, vst2::VstInt32 index)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return 0.0f;
    MutexLock lock(plugin->Mutex());
    return plugin->GetParameterNormalised(index);
}

// Any host thread; takes the mutex.
void VSTCALLBACK IEffectVST::VSTSetParameter(vst2::AEffect* effect, vst2::VstInt32 index, float value)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->SetParameterNormalised(index, value);
}

}  // namespace kestrelon
