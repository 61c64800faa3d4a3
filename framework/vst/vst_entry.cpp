#include "framework/vst/vst_entry.h"

#include <memory>
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

// Any host thread; takes the creation lock. No exception leaves it: the host
// is C and would be ended by one. An allocation that fails inside the
// effect's constructor (its tables, its vectors) throws past the object's own
// nothrow allocation; whatever was built is destroyed and the host gets null.
vst2::AEffect* CreateEffectRecord(vst2::audioMasterCallback host, EffectFactory create)
{
    try {
        std::lock_guard<std::mutex> lock(CreationLock());
        std::unique_ptr<IEffectVST> plugin(create ? create(host) : nullptr);
        if (!plugin)
            return nullptr;
        plugin->FillUnsetPresets("Empty", plugin->PresetCount());
        vst2::AEffect* record = plugin->Record();
        if (record->numPrograms < 1)
            record->numPrograms = 1;
        plugin.release();  // the host owns it now, until effClose
        return record;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace kestrelon
