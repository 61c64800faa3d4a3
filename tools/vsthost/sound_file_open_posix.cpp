#include "tools/vsthost/sound_file_open.h"

namespace kestrelon {

namespace vsthost {

SNDFILE* OpenSoundFile(const std::string& path, int mode, SF_INFO* info)
{
    return sf_open(path.c_str(), mode, info);
}

}  // namespace vsthost

}  // namespace kestrelon
