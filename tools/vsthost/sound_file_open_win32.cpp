#include <windows.h>
#include <fcntl.h>
#include <io.h>
// Declares sf_wchar_open; must come after <windows.h>, before <sndfile.h>.
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#include "text/utf16_win32.h"
#include "tools/vsthost/sound_file_open.h"

namespace kestrelon {

namespace vsthost {

SNDFILE* OpenSoundFile(const std::string& path, int mode, SF_INFO* info)
{
    if (mode != SFM_WRITE)
        return sf_wchar_open(Windows_UTF_Converter::Utf8ToWide(path).c_str(), mode, info);
    // An output is opened with delete sharing, so that a failed or crashed run
    // can remove the partly written file while it is still open; Windows then
    // deletes it when the process lets go of it.
    HANDLE handle =
        CreateFileW(Windows_UTF_Converter::Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    return sf_open_fd(fd, mode, info, SF_TRUE);
}

}  // namespace vsthost

}  // namespace kestrelon
