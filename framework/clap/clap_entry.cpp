// The library's entry and its plug-in factory: one plug-in, the one the
// library offers, made for each host that asks by its id.
#include <cstring>
#include <memory>
#include <mutex>

#include "framework/clap/clap_effect.h"

namespace kestrelon {

namespace {

std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
}

// [any thread]
std::uint32_t PluginCount(const clap::clap_plugin_factory*)
{
    return 1;
}

// [any thread]
const clap::clap_plugin_descriptor* PluginDescriptor(const clap::clap_plugin_factory*, std::uint32_t index)
{
    return index == 0 ? CLAPPluginOffered().descriptor : nullptr;
}

// [any thread] takes the creation lock; no exception leaves it. The host
// calls init on the record before anything else.
const clap::clap_plugin* CreatePlugin(const clap::clap_plugin_factory*, const clap::clap_host* host, const char* id)
{
    const CLAPPluginOffer& offer = CLAPPluginOffered();
    if (!host || !id || !offer.descriptor || !offer.create || std::strcmp(id, offer.descriptor->id) != 0 ||
        !clap::clap_version_is_compatible(host->clap_version))
        return nullptr;
    try {
        std::lock_guard<std::mutex> lock(CreationLock());
        std::unique_ptr<IEffectCLAP> plugin(offer.create(offer.descriptor, host));
        if (!plugin)
            return nullptr;
        return plugin.release()->Record();  // the host owns it now, until destroy
    } catch (...) {
        return nullptr;
    }
}

const clap::clap_plugin_factory kFactory = {PluginCount, PluginDescriptor, CreatePlugin};

}  // namespace

// Nothing is set up for the library as a whole: the editor's shared images
// are made by the first editor and live as long as the library.
bool CLAPEntryInit(const char*)
{
    return true;
}

void CLAPEntryDeinit()
{}

const void* CLAPEntryFactory(const char* id)
{
    if (!id || std::strcmp(id, clap::CLAP_PLUGIN_FACTORY_ID) != 0)
        return nullptr;
    return &kFactory;
}

}  // namespace kestrelon
