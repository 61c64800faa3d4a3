// Kestrelon as a CLAP plug-in: the effect over the CLAP adapter, its
// descriptor, and the library's one exported symbol, clap_entry.
#include <new>

#include "framework/clap/clap_effect.h"
#include "plugin/kestrelon.h"

#if defined(_WIN32)
#define KESTRELON_CLAP_EXPORT  // the module definition file names the export
#else
#define KESTRELON_CLAP_EXPORT __attribute__((visibility("default")))
#endif

namespace kestrelon {

namespace {

const char* const kFeatures[] = {clap::CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, "transient-shaper",
                                 clap::CLAP_PLUGIN_FEATURE_STEREO, nullptr};

// The id is the plug-in's for good: hosts keep it in their projects.
const clap::clap_plugin_descriptor kDescriptor = {
    clap::CLAP_VERSION,
    "com.lumenpathway.kestrelon",
    "Kestrelon",
    "Lumen Pathway",
    "",
    "",
    "",
    "1.0.0",
    "Stereo transient processor: reshapes the attack and the sustain of sounds independently of their level.",
    kFeatures,
};

// nothrow covers the object's own memory only; what its constructor
// allocates may still throw, and the factory turns that into null.
IEffectCLAP* CreateKestrelon(const clap::clap_plugin_descriptor* descriptor, const clap::clap_host* host)
{
    return new (std::nothrow) KestrelonEffect<IEffectCLAP>(descriptor, host);
}

}  // namespace

const CLAPPluginOffer& CLAPPluginOffered()
{
    static const CLAPPluginOffer offer{&kDescriptor, CreateKestrelon};
    return offer;
}

}  // namespace kestrelon

// [any host thread]
extern "C" KESTRELON_CLAP_EXPORT const kestrelon::clap::clap_plugin_entry clap_entry = {
    kestrelon::clap::CLAP_VERSION,
    kestrelon::CLAPEntryInit,
    kestrelon::CLAPEntryDeinit,
    kestrelon::CLAPEntryFactory,
};
