#include "raster/large_pages.h"

namespace kestrelon {

// Any thread. Windows gives large pages only to processes holding a privilege that hosts do not
// have, so ordinary pages it is.
void AdviseLargePages(void* block, std::size_t bytes)
{
    (void)block;
    (void)bytes;
}

}  // namespace kestrelon
