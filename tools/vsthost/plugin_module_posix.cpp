#include <dlfcn.h>

#include "tools/vsthost/plugin_module.h"

namespace kestrelon {

namespace vsthost {

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error)
{
    // A bare file name would make dlopen search the library path instead of the
    // current folder, which is not what a user typing "Kestrelon.so" means.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = why ? why : "dlopen failed";
        return nullptr;
    }
    return std::unique_ptr<PluginModule>(new PluginModule(handle));
}

PluginModule::~PluginModule()
{
    dlclose(library);
}

void* PluginModule::FindSymbol(const char* name) const
{
    return dlsym(library, name);
}

}  // namespace vsthost

}  // namespace kestrelon
