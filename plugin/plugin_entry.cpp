// The library's exported entry point: one Kestrelon per call.
#include <new>

#include "framework/vst/vst_entry.h"
#include "plugin/kestrelon.h"
#include "plugin/plugin_export.h"

namespace kestrelon {

namespace {

IEffectVST* CreateKestrelon(vst2::audioMasterCallback host)
{
    return new (std::nothrow) Kestrelon(host);
}

}  // namespace

}  // namespace kestrelon

// Any host thread; creation is serialised by the creation lock.
extern "C" KESTRELON_EXPORT kestrelon::vst2::AEffect* VSTCALLBACK
VSTPluginMain(kestrelon::vst2::audioMasterCallback host)
{
    return kestrelon::CreateEffectRecord(host, kestrelon::CreateKestrelon);
}
