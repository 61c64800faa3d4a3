#include "tools/artwork/outputs.h"

#include <cstdio>
#include <memory>

namespace kestrelon {

namespace artwork {

namespace {

struct CloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool WriteBytes(const std::string& path, const void* data, std::size_t length)
{
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    const bool written = length == 0 || std::fwrite(data, 1, length, file.get()) == length;
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

bool WriteFile(const std::string& path, const std::string& text)
{
    return WriteBytes(path, text.data(), text.size());
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    return WriteBytes(path, bytes.data(), bytes.size());
}

bool WriteEmbeddedSource(const std::string& path, const std::vector<EncodedImage>& images)
{
    std::string out = "// Written by the artwork tool at build time: the editor's PNG images.\n"
                      "#include \"resources/img/embedded_images.h\"\n\nnamespace kestrelon {\n\nnamespace {\n\n";
    char number[8];
    for (const EncodedImage& image : images) {
        out += "alignas(16) const unsigned char kPng" + std::to_string(image.id) + "[] = {";
        for (std::size_t i = 0; i < image.bytes.size(); ++i) {
            if (i % 24 == 0)
                out += "\n   ";
            std::snprintf(number, sizeof(number), " %u,", static_cast<unsigned>(image.bytes[i]));
            out += number;
        }
        out += "\n};\n\n";
    }
    out += "}  // namespace\n\nconst EmbeddedPng kEmbeddedPngs[] = {\n";
    for (const EncodedImage& image : images) {
        const std::string id = std::to_string(image.id);
        out += "    {" + id + ", kPng" + id + ", static_cast<std::int32_t>(sizeof(kPng" + id + "))},\n";
    }
    out += "};\n\nconst int kEmbeddedPngCount = " + std::to_string(images.size()) + ";\n\n}  // namespace kestrelon\n";
    return WriteFile(path, out);
}

bool WriteResourceScript(const std::string& path, const std::vector<EncodedImage>& images)
{
    std::string out = "// Written by the artwork tool at build time: the editor's PNG images as resources.\n";
    for (const EncodedImage& image : images) {
        std::string quoted;
        for (char c : image.path) {
            if (c == '\\' || c == '"')
                quoted += '\\';
            quoted += c;
        }
        out += std::to_string(image.id) + " PNG \"" + quoted + "\"\n";
    }
    return WriteFile(path, out);
}

}  // namespace artwork

}  // namespace kestrelon
