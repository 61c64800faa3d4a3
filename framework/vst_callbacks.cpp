// The effect record's callbacks: thin translations from the host's C calls to
// members of the plug-in, each under the plug-in's mutex.
#include "framework/vst_callbacks.h"

#include "framework/vst_effect.h"

// UI thread (sometimes a host's worker thread); takes the mutex. effClose
// releases it before the object, and the record with it, is destroyed.
vst2::VstIntPtr VSTCALLBACK VSTDispatcher(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                          vst2::VstIntPtr value, void* ptr, float opt)
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
void VSTCALLBACK VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->ProcessFloatCall(inputs, outputs, frames, true);
}

// Audio thread; takes the mutex.
void VSTCALLBACK VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->ProcessFloatCall(inputs, outputs, frames, false);
}

// Audio thread; takes the mutex.
void VSTCALLBACK VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                           vst2::VstInt32 frames)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->ProcessDoubleCall(inputs, outputs, frames);
}

// Any host thread; takes the mutex.
float VSTCALLBACK VSTGetParameter(vst2::AEffect* effect, vst2::VstInt32 index)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return 0.0f;
    MutexLock lock(plugin->Mutex());
    return plugin->GetParameterNormalised(index);
}

// Any host thread; takes the mutex.
void VSTCALLBACK VSTSetParameter(vst2::AEffect* effect, vst2::VstInt32 index, float value)
{
    IEffectVST* plugin = IEffectVST::FromRecord(effect);
    if (!plugin)
        return;
    MutexLock lock(plugin->Mutex());
    plugin->SetParameterNormalised(index, value);
}
