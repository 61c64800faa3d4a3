#include "raster/png_file_open.h"

#include <windows.h>

#include <string>

#include "framework/text/utf16_win32.h"

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

}  // namespace kestrelon
