// Writes the PNG files of the resource tests into the folder given as the only argument.
// Run by hand when the resource images change; the files are checked in.

#include "tests/raster/png_resource_data.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace kestrelon {

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

}  // namespace kestrelon

int main(int argc, char** argv)
{
    using namespace kestrelon;
    if (argc != 2) {
        std::fprintf(stderr, "usage: png_write_resource_data FOLDER (the folder to write the test PNGs into)\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const PngResourceImage& r : {kRgbaResource, kPaletteResource, kShortResource, kCutResource}) {
        std::vector<std::uint8_t> bytes = EncodePng(ResourceTestImage(r));
        if (bytes.empty() || r.keptBytes >= bytes.size()) {
            std::fprintf(stderr, "png_write_resource_data: could not encode %s\n", r.fileName);
            return 1;
        }
        if (r.keptBytes > 0)
            bytes.resize(r.keptBytes);
        if (!WriteFile(folder + "/" + r.fileName, bytes)) {
            std::fprintf(stderr, "png_write_resource_data: cannot write %s/%s\n", folder.c_str(), r.fileName);
            return 1;
        }
    }
    // A one-pixel GIF: long enough to reach the signature check, which it fails.
    const std::vector<std::uint8_t> foreign = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, ';'};
    if (!WriteFile(folder + "/" + kForeignResourceFile, foreign)) {
        std::fprintf(stderr, "png_write_resource_data: cannot write %s/%s\n", folder.c_str(), kForeignResourceFile);
        return 1;
    }
    return 0;
}
