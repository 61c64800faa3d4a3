// The descriptor's callbacks: each recovers the plug-in from the handle,
// checks it and forwards to one member of IEffectLV2.
#include <cstring>
#include <memory>
#include <mutex>

#include "framework/lv2/lv2_effect.h"

namespace kestrelon {

namespace {

LV2EffectFactory factory = nullptr;

std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
}

IEffectLV2* FromHandle(LV2_Handle handle)
{
    return static_cast<IEffectLV2*>(handle);
}

// [instantiation thread] takes the creation lock; no exception leaves it.
LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    try {
        std::lock_guard<std::mutex> lock(CreationLock());
        std::unique_ptr<IEffectLV2> plugin(factory ? factory(rate, features) : nullptr);
        if (!plugin)
            return nullptr;
        plugin->Open();
        return plugin.release();  // the host owns it now, until cleanup
    } catch (...) {
        return nullptr;
    }
}

// [audio class: any thread the host runs the instance on] no lock: it only
// stores the pointer.
void ConnectPort(LV2_Handle handle, uint32_t port, void* data)
{
    if (IEffectLV2* plugin = FromHandle(handle))
        plugin->ConnectPort(port, data);
}

// [instantiation thread] takes the mutex.
void Activate(LV2_Handle handle)
{
    if (IEffectLV2* plugin = FromHandle(handle))
        plugin->Activate();
}

// [audio thread] takes the mutex.
void Run(LV2_Handle handle, uint32_t frames)
{
    if (IEffectLV2* plugin = FromHandle(handle))
        plugin->Run(frames);
}

// [instantiation thread] takes the mutex.
void Deactivate(LV2_Handle handle)
{
    if (IEffectLV2* plugin = FromHandle(handle))
        plugin->Deactivate();
}

// [instantiation thread]
void Cleanup(LV2_Handle handle)
{
    delete FromHandle(handle);
}

// [any non-audio thread] takes the mutex.
LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
    IEffectLV2* plugin = FromHandle(handle);
    return plugin ? plugin->SaveState(store, state) : LV2_STATE_ERR_UNKNOWN;
}

// [any non-audio thread] takes the mutex.
LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*)
{
    IEffectLV2* plugin = FromHandle(handle);
    return plugin ? plugin->RestoreState(retrieve, state) : LV2_STATE_ERR_UNKNOWN;
}

const LV2_State_Interface stateInterface = {Save, Restore};

// [any thread]
const void* ExtensionData(const char* uri)
{
    if (uri && std::strcmp(uri, LV2_STATE__interface) == 0)
        return &stateInterface;
    return nullptr;
}

LV2_Descriptor descriptor = {nullptr, Instantiate, ConnectPort, Activate, Run, Deactivate, Cleanup, ExtensionData};

}  // namespace

const LV2_Descriptor* LV2DescriptorFor(const char* uri, LV2EffectFactory create)
{
    std::lock_guard<std::mutex> lock(CreationLock());
    descriptor.URI = uri;
    factory = create;
    return &descriptor;
}

}  // namespace kestrelon
