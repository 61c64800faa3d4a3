#include <windows.h>

#include "text/utf16_win32.h"
#include "tools/vsthost/plugin_module.h"

namespace kestrelon {

namespace vsthost {
namespace {

std::string SystemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text ? Windows_UTF_Converter::WideToUtf8(text) : std::string();
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "LoadLibrary failed with error " + std::to_string(code) : message;
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error)
{
    // A full path lets the library's own folder be searched for its dependencies.
    const std::wstring wide = Windows_UTF_Converter::Utf8ToWide(path);
    wchar_t full[32768];
    const DWORD n = GetFullPathNameW(wide.c_str(), 32768, full, nullptr);
    const wchar_t* name = (n > 0 && n < 32768) ? full : wide.c_str();
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        error = SystemErrorText(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<PluginModule>(new PluginModule(module));
}

PluginModule::~PluginModule()
{
    FreeLibrary(static_cast<HMODULE>(library));
}

void* PluginModule::FindSymbol(const char* name) const
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace vsthost

}  // namespace kestrelon
