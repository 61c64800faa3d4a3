#include "raster/png_file_open.h"

#include <windows.h>

#include <cwchar>

// The wide open reaches every name the user can type; a name that is not valid UTF-8 (or too
// long for the buffer) still gets the narrow open in the current code page.
std::FILE* OpenPngFileForReading(const char* utf8Name)
{
    wchar_t wideName[2048];
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Name, -1, wideName,
                                          static_cast<int>(sizeof(wideName) / sizeof(wideName[0])));
    if (units > 0) {
        if (std::FILE* file = _wfopen(wideName, L"rb"))
            return file;
    }
    return std::fopen(utf8Name, "rb");
}
