#include <windows.h>

#include "tests/support/plugin_library.h"
#include "text/utf16_win32.h"

namespace kestrelon {

namespace testhost {

namespace {

std::wstring WidePath(const std::string& utf8)
{
    std::string path = utf8;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;  // wine maps the POSIX root on Z:
        for (char& c : path) {
            if (c == '/')
                c = '\\';
        }
    }
    return Windows_UTF_Converter::Utf8ToWide(path);
}

}  // namespace

PluginLibrary::~PluginLibrary()
{
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
}

bool PluginLibrary::Open(const std::string& path)
{
    if (handle)
        return true;
    const std::wstring wide = WidePath(path);
    handle = wide.empty() ? nullptr : LoadLibraryW(wide.c_str());
    if (!handle)
        error = "LoadLibraryW failed with error " + std::to_string(GetLastError()) + " for " + path;
    return handle != nullptr;
}

vst2::VstPluginMainProc PluginLibrary::FindEntry(const char* name) const
{
    if (!handle)
        return nullptr;
    FARPROC proc = GetProcAddress(static_cast<HMODULE>(handle), name);
    // Through a generic function pointer type: FARPROC's signature is a placeholder.
    return reinterpret_cast<vst2::VstPluginMainProc>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace testhost

}  // namespace kestrelon
