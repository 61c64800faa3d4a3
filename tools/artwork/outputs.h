#pragma once

// What the build takes from the artwork tool besides the PNG files: a C++ source holding their
// bytes for the Linux binaries, and a resource script naming them for the Windows DLL.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

namespace artwork {

struct EncodedImage {
    std::uint16_t id;
    std::string path;  // where the PNG file was written
    std::vector<std::uint8_t> bytes;
};

// Each false when the file cannot be written.
bool WriteFile(const std::string& path, const std::string& text);
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool WriteEmbeddedSource(const std::string& path, const std::vector<EncodedImage>& images);
bool WriteResourceScript(const std::string& path, const std::vector<EncodedImage>& images);

}  // namespace artwork

}  // namespace kestrelon
