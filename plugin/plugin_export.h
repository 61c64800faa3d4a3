#pragma once

#include "framework/vst/vst2_abi.h"

// Marks the entry points the host looks up. On Windows the module definition
// file names the exports; elsewhere every other symbol is hidden.
#if defined(_WIN32)
#define KESTRELON_EXPORT
#else
#define KESTRELON_EXPORT __attribute__((visibility("default")))
#endif

extern "C" KESTRELON_EXPORT kestrelon::vst2::AEffect* VSTCALLBACK
VSTPluginMain(kestrelon::vst2::audioMasterCallback host);
