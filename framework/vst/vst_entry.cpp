#include "framework/vst/vst_entry.h"

#include <mutex>

#include "framework/vst/vst_effect.h"

namespace kestrelon {

namespace {

// Created on first use (thread-safe static initialisation) and destroyed at
// process exit.
std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

// Any host thread; takes the creation lock.
vst2::AEffect* CreateEffectRecord(vst2::audioMasterCallback host, EffectFactory create)
{
    std::lock_guard<std::mutex> lock(CreationLock());
    IEffectVST* plugin = create ? create(host) : nullptr;
    if (!plugin)
        return nullptr;
    plugin->FillUnsetPresets("Empty", plugin->PresetCount());
    vst2::AEffect* record = plugin->Record();
    if (record->numPrograms < 1)
        record->numPrograms = 1;
    return record;
}

}  // namespace kestrelon
