#include <dlfcn.h>

#include "tests/support/plugin_library.h"

namespace kestrelon {

namespace testhost {

PluginLibrary::~PluginLibrary()
{
    if (handle)
        dlclose(handle);
}

bool PluginLibrary::Open(const std::string& path)
{
    if (handle)
        return true;
    // RTLD_LOCAL: a host keeps every plug-in's symbols apart.
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = why ? why : "dlopen failed";
    }
    return handle != nullptr;
}

vst2::VstPluginMainProc PluginLibrary::FindEntry(const char* name) const
{
    if (!handle)
        return nullptr;
    return reinterpret_cast<vst2::VstPluginMainProc>(dlsym(handle, name));
}

}  // namespace testhost

}  // namespace kestrelon
