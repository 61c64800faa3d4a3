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
    // As string literals, which compilers take in far faster than lists of numbers. Every byte
    // that is not plain text is a three-digit octal escape, so no digit after it can join it.
    char escape[8];
    for (const EncodedImage& image : images) {
        out += "const unsigned char kPng" + std::to_string(image.id) + "[] =\n    \"";
        for (std::size_t i = 0; i < image.bytes.size(); ++i) {
            if (i > 0 && i % 64 == 0)
                out += "\"\n    \"";
            const unsigned c = image.bytes[i];
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
                out += static_cast<char>(c);
            } else {
                std::snprintf(escape, sizeof(escape), "\\%03o", c);
                out += escape;
            }
        }
        out += "\";\n\n";
    }
    out += "}  // namespace\n\nconst EmbeddedPng kEmbeddedPngs[] = {\n";
    for (const EncodedImage& image : images) {
        const std::string id = std::to_string(image.id);
        // The literal's closing NUL is not part of the file.
        out += "    {" + id + ", kPng" + id + ", static_cast<std::int32_t>(sizeof(kPng" + id + ") - 1)},\n";
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
