#include "tools/vsthost/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

#include "tools/vsthost/platform.h"

namespace kestrelon {

namespace vsthost {

bool WritePng(const std::string& path, const Screenshot& shot, std::string& error)
{
    if (shot.width <= 0 || shot.height <= 0 ||
        shot.pixels.size() != static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height)) {
        error = "no picture to write to " + path;
        return false;
    }
    std::vector<unsigned char> rgb(shot.pixels.size() * 3);
    for (std::size_t i = 0; i < shot.pixels.size(); ++i) {
        rgb[i * 3] = static_cast<unsigned char>(shot.pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(shot.pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(shot.pixels[i]);
    }
    const std::string temporary = path + ".part";
    std::FILE* file = OpenFile(temporary, "wb");
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(shot.width);
    image.height = static_cast<png_uint_32>(shot.height);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr) != 0;
    const bool closed = std::fclose(file) == 0;
    png_image_free(&image);
    if (!written || !closed || !MoveFileOver(temporary, path)) {
        RemoveFile(temporary);
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool ReadPng(const std::string& path, Screenshot& shot, std::string& error)
{
    std::FILE* file = OpenFile(path, "rb");
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    bool ok = png_image_begin_read_from_stdio(&image, file) != 0;
    std::vector<unsigned char> rgb;
    if (ok) {
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        ok = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    }
    std::fclose(file);
    if (!ok) {
        error = path + " is not a readable PNG file";
        png_image_free(&image);
        return false;
    }
    shot.width = static_cast<int>(image.width);
    shot.height = static_cast<int>(image.height);
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height));
    for (std::size_t i = 0; i < shot.pixels.size(); ++i)
        shot.pixels[i] = (static_cast<std::uint32_t>(rgb[i * 3]) << 16) |
                         (static_cast<std::uint32_t>(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    png_image_free(&image);
    return true;
}

}  // namespace vsthost

}  // namespace kestrelon
