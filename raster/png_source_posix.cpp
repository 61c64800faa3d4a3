// Where PNG bytes come from on Linux: files by their names (UTF-8 bytes already), and the
// registry of PNG data compiled into the binary that stands in for resource sections.
#include <mutex>
#include <vector>

#include "raster/png_decoder.h"
#include "raster/png_loader.h"

namespace kestrelon {

// File names are UTF-8 bytes here already.
std::FILE* OpenPngFileForReading(const char* utf8Name)
{
    return std::fopen(utf8Name, "rb");
}

namespace {

struct PngResource {
    const void* module;
    std::uint16_t id;
    const void* data;
    std::int32_t length;
};

// Registrations may come from static initialisers of other files, so the table is built on
// first use rather than at a fixed point of start-up.
struct PngResourceTable {
    std::mutex mutex;
    std::vector<PngResource> entries;
};

PngResourceTable& Table()
{
    static PngResourceTable table;
    return table;
}

}  // namespace

// Any thread.
bool RegisterPngResource(const void* module, std::uint16_t id, const void* data, std::int32_t length)
{
    if (data == nullptr || length < 0)
        return false;
    PngResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const PngResource& entry : table.entries) {
        if (entry.module == module && entry.id == id)
            return false;
    }
    table.entries.push_back({module, id, data, length});
    return true;
}

// Any thread.
bool FindPngResource(void* module, std::uint16_t id, const void** data, std::int32_t* length)
{
    PngResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const PngResource& entry : table.entries) {
        if (entry.module == module && entry.id == id) {
            if (entry.length < 8)
                return false;
            *data = entry.data;
            *length = entry.length;
            return true;
        }
    }
    return false;
}

}  // namespace kestrelon
