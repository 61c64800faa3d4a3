// Where PNG bytes come from on Windows: files opened by their UTF-8 names through the wide
// call, and the "PNG" resources of a module.
#include <windows.h>

#include <cstdint>
#include <string>

#include "raster/png_decoder.h"
#include "raster/png_loader.h"
#include "text/utf16_win32.h"

namespace kestrelon {

// The wide open reaches every name the user can type; a name that is not valid UTF-8 still gets
// the narrow open in the current code page.
std::FILE* OpenPngFileForReading(const char* utf8Name)
{
    const std::wstring wideName = Windows_UTF_Converter::Utf8ToWide(utf8Name, true);
    if (!wideName.empty()) {
        if (std::FILE* file = _wfopen(wideName.c_str(), L"rb"))
            return file;
    }
    return std::fopen(utf8Name, "rb");
}

// Any thread.
bool FindPngResource(void* module, std::uint16_t id, const void** data, std::int32_t* length)
{
    const auto instance = static_cast<HMODULE>(module);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), "PNG");
    if (found == nullptr)
        return false;
    const DWORD size = SizeofResource(instance, found);
    if (size < 8 || size > static_cast<DWORD>(INT32_MAX))
        return false;
    // Resource memory is mapped with the module and never freed by us.
    const void* bytes = LockResource(LoadResource(instance, found));
    if (bytes == nullptr)
        return false;
    *data = bytes;
    *length = static_cast<std::int32_t>(size);
    return true;
}

}  // namespace kestrelon
