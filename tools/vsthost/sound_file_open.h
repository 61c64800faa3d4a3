// Opening a sound file by UTF-8 name: sf_open on POSIX, the wide-character
// variant on Windows so that any file name works.
#pragma once

#include <sndfile.h>

#include <string>

namespace kestrelon {

namespace vsthost {

SNDFILE* OpenSoundFile(const std::string& path, int mode, SF_INFO* info);

}  // namespace vsthost

}  // namespace kestrelon
