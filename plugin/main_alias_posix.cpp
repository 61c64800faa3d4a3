// Older hosts look for the entry point under the name "main". C++ reserves
// that name for programs, so the alias is given its symbol name directly.
#include "plugin/plugin_export.h"

extern "C" KESTRELON_EXPORT vst2::AEffect* VSTCALLBACK
KestrelonLegacyMain(vst2::audioMasterCallback host) __asm__("main");

// Any host thread.
vst2::AEffect* VSTCALLBACK KestrelonLegacyMain(vst2::audioMasterCallback host)
{
    return VSTPluginMain(host);
}
