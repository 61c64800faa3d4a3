// The library's exported entry point: one Kestrelon per call.
#include <new>

#include "framework/vst/vst_entry.h"
#include "plugin/plugin_export.h"
#include "plugin/vst/kestrelon_vst.h"

namespace kestrelon {

namespace {

// nothrow covers the object's own memory only; what its constructor
// allocates may still throw, and CreateEffectRecord turns that into null.
IEffectVST* CreateKestrelon(vst2::audioMasterCallback host)
{
    return new (std::nothrow) Kestrelon(host);
}

}  // namespace

}  // namespace kestrelon

// [any host thread] takes the creation lock; no exception leaves it.
extern "C" KESTRELON_EXPORT kestrelon::vst2::AEffect* VSTCALLBACK
VSTPluginMain(kestrelon::vst2::audioMasterCallback host)
{
    return kestrelon::CreateEffectRecord(host, kestrelon::CreateKestrelon);
}
