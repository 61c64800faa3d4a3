#include <dlfcn.h>
#include <link.h>

#include <cstring>

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
    void* symbol = dlsym(library, name);
    if (!symbol)
        return nullptr;
    // dlsym also searches the libraries this one depends on; an entry point
    // named "main" must not be found in one of those.
    Dl_info where = {};
    link_map* own = nullptr;
    if (dladdr(symbol, &where) == 0 || dlinfo(library, RTLD_DI_LINKMAP, &own) != 0 || !own || !where.dli_fname ||
        !own->l_name || std::strcmp(where.dli_fname, own->l_name) != 0) {
        return nullptr;
    }
    return symbol;
}

}  // namespace vsthost

}  // namespace kestrelon
