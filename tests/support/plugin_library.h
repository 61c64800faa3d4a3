// Opens an effect library the way a host does and finds its entry points.
// Host-side helper for tests; the platform halves live in
// plugin_library_posix.cpp and plugin_library_win32.cpp.
#pragma once

#include <string>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

namespace testhost {

class PluginLibrary {
public:
    PluginLibrary() = default;
    ~PluginLibrary();  // unloads the library
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // path is UTF-8. On Windows an absolute POSIX path (as CMake writes it when
    // the tree is run under wine) is taken on drive Z:, where wine maps "/".
    bool Open(const std::string& path);
    bool IsOpen() const { return handle != nullptr; }
    // The exported function of that name, or null.
    vst2::VstPluginMainProc FindEntry(const char* name) const;
    // Why the last Open failed, for test messages.
    const std::string& Error() const { return error; }

private:
    void* handle = nullptr;
    std::string error;
};

}  // namespace testhost

}  // namespace kestrelon
