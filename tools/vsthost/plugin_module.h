// A loaded plug-in library: open by path, look up an exported symbol, unload
// on destruction. plugin_module_posix.cpp uses dlopen, plugin_module_win32.cpp
// LoadLibraryW.
#pragma once

#include <memory>
#include <string>

namespace kestrelon {

namespace vsthost {

class PluginModule {
public:
    // Null with `error` set when the library cannot be loaded.
    static std::unique_ptr<PluginModule> Load(const std::string& path, std::string& error);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The address of an exported symbol of this library itself (not of one it
    // depends on, nor of the host program), or null.
    void* FindSymbol(const char* name) const;

private:
    explicit PluginModule(void* handle) : library(handle) {}
    void* library;
};

}  // namespace vsthost

}  // namespace kestrelon
