#include <windows.h>
// Declares sf_wchar_open; must come after <windows.h>, before <sndfile.h>.
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#include "tools/vsthost/sound_file_open.h"
#include "tools/vsthost/utf16_win32.h"

namespace vsthost {

SNDFILE* OpenSoundFile(const std::string& path, int mode, SF_INFO* info) {
  return sf_wchar_open(Widen(path).c_str(), mode, info);
}

}  // namespace vsthost
