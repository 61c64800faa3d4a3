// Older hosts look for the entry point under the name "main". C++ reserves
// that name for programs, so the alias is given its symbol name directly.
#include "plugin/plugin_export.h"

extern "C" KESTRELON_EXPORT kestrelon::vst2::AEffect* VSTCALLBACK
KestrelonLegacyMain(kestrelon::vst2::audioMasterCallback host) __asm__("main");

// [any host thread] takes the creation lock; no exception leaves it.
kestrelon::vst2::AEffect* VSTCALLBACK KestrelonLegacyMain(kestrelon::vst2::audioMasterCallback host)
{
    return VSTPluginMain(host);
}
