#include "raster/image_loader.h"
#include "raster/png_loader.h"
#include "raster/raster_bitmap.h"
#include "tests/support/png_test_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace kestrelon {

namespace {

// A caller's bitmap that reports its own deletion.
class WatchedBitmap : public RasterMemBitmap {
public:
    WatchedBitmap(int width, int height, bool* deleted) : RasterMemBitmap(width, height), deleted(deleted) {}
    ~WatchedBitmap() override { *deleted = true; }

private:
    bool* deleted;
};

class PngFile : public testing::Test {
protected:
    void SetUp() override
    {
        image = MakeTestImage(6, 8, 6, 5, true, false, 11);
        file = EncodePng(image);
        ASSERT_FALSE(file.empty());
        folder = std::filesystem::path(testing::TempDir()) / "kestrelon_png_file_test";
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Writes bytes under the given UTF-8 name in the test folder; returns the full UTF-8 name.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::filesystem::path path = folder / std::filesystem::path(std::u8string(name.begin(), name.end()));
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        const std::u8string utf8 = path.u8string();
        return std::string(utf8.begin(), utf8.end());
    }

    PngTestImage image;
    std::vector<std::uint8_t> file;
    std::filesystem::path folder;
};

TEST_F(PngFile, LoadsIntoANewBitmapOrTheCallersOwn)
{
    const std::string name = Write("knob.png", file);
    std::unique_ptr<RasterBitmap> fresh(LoadPngFromFile(name.c_str(), nullptr));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(BitmapPixels(*fresh), ExpectedPixels(image));

    bool deleted = false;
    WatchedBitmap destination(40, 2, &deleted);
    EXPECT_EQ(LoadPngFromFile(name.c_str(), &destination), &destination);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(destination.PixelWidth(), image.width);
    EXPECT_EQ(destination.PixelHeight(), image.height);
    EXPECT_EQ(BitmapPixels(destination), ExpectedPixels(image));
}

TEST_F(PngFile, NamesAreUtf8)
{
    const std::string name = Write("r\xC3\xA4"
                                   "dchen \xE2\x9C\x93.png",
                                   file);  // "rädchen ✓.png"
    std::unique_ptr<RasterBitmap> bitmap(LoadPngFromFile(name.c_str(), nullptr));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(BitmapPixels(*bitmap), ExpectedPixels(image));
}

TEST_F(PngFile, FailuresLeaveTheCallersBitmapValid)
{
    bool deleted = false;
    WatchedBitmap destination(3, 3, &deleted);
    RasterPixel* pixels = destination.PixelData();
    for (int i = 0; i < 3 * destination.RowStride(); ++i)
        pixels[i] = 0x12345678;

    // Missing, or refused before decoding: the bitmap is not touched at all.
    const std::string missing = (folder / "missing.png").string();
    EXPECT_EQ(LoadPngFromFile(missing.c_str(), &destination), nullptr);
    EXPECT_EQ(LoadPngFromFile(nullptr, &destination), nullptr);
    std::vector<std::uint8_t> foreign = file;
    foreign[1] = 'J';
    EXPECT_EQ(LoadPngFromFile(Write("foreign.png", foreign).c_str(), &destination), nullptr);
    EXPECT_EQ(destination.PixelWidth(), 3);
    EXPECT_EQ(BitmapPixels(destination), std::vector<RasterPixel>(9, 0x12345678));

    // Cut off in the pixel data: resized to the image, then cleared rather than left holding
    // half-decoded rows.
    const std::vector<std::uint8_t> cut(file.begin(), file.end() - 20);
    EXPECT_EQ(LoadPngFromFile(Write("cut.png", cut).c_str(), &destination), nullptr);
    EXPECT_FALSE(deleted);
    ASSERT_EQ(destination.PixelWidth(), image.width);
    ASSERT_EQ(destination.PixelHeight(), image.height);
    EXPECT_EQ(BitmapPixels(destination), std::vector<RasterPixel>(image.width * image.height, 0));

    // Still usable afterwards.
    EXPECT_EQ(LoadPngFromFile(Write("whole.png", file).c_str(), &destination), &destination);
    EXPECT_EQ(BitmapPixels(destination), ExpectedPixels(image));
}

TEST(PngExtension, LastDotOrSlashDecides)
{
    const struct {
        const char* name;
        bool png;
    } cases[] = {
        {"knob.png", true},      {"KNOB.PNG", true},
        {"knob.PnG", true},      {".png", true},
        {"knob..png", true},     {"C:\\img\\knob.Png", true},
        {"dir/.png", true},      {"dir.jpg/knob.png", true},
        {"knob.png.txt", false}, {"knob.pngx", false},
        {"knob.pn", false},      {"knob", false},
        {"png", false},          {"knobpng", false},
        {"dir.png/knob", false}, {"dir.png\\knob", false},
        {"knob.png/", false},    {"", false},
        {nullptr, false},        {"/png", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasPngExtension(c.name), c.png) << (c.name ? c.name : "(null)");
}

TEST_F(PngFile, ExtensionIsCheckedOnlyWhenAsked)
{
    // The same PNG bytes under several names.
    const std::string upper = Write("strip.PnG", file);
    const std::string jpeg = Write("strip.jpg", file);
    const std::string bare = Write("strip", file);
    for (const auto& [name, check, loads] :
         {std::tuple{upper, true, true}, std::tuple{jpeg, true, false}, std::tuple{bare, true, false},
          std::tuple{jpeg, false, true}, std::tuple{bare, false, true}}) {
        std::unique_ptr<RasterBitmap> bitmap(LoadPngFile(name.c_str(), check, nullptr));
        EXPECT_EQ(bitmap != nullptr, loads) << name << (check ? " checked" : " unchecked");
    }
}

TEST_F(PngFile, PngIsRegisteredInTheImageLoaderList)
{
    int found = 0;
    int records = 0;
    for (ImageLoaderRecord* record = gImageLoaderList; record != nullptr && records < 1000;
         record = record->next, ++records) {
        if (record == &gPngImageLoader)
            ++found;
    }
    EXPECT_EQ(found, 1);
    EXPECT_LT(records, 1000) << "the list does not end";

    // The record's list text is a file-dialog filter: pairs of strings, then an empty one.
    const char expected[] = "PNG files (*.PNG)\0*.PNG\0";  // sizeof includes the final NUL
    ASSERT_NE(gPngImageLoader.extensionList, nullptr);
    EXPECT_EQ(std::memcmp(gPngImageLoader.extensionList(), expected, sizeof expected), 0);

    // And it loads through the record, with its extension check.
    ASSERT_NE(gPngImageLoader.loadFile, nullptr);
    const std::string name = Write("listed.png", file);
    std::unique_ptr<RasterBitmap> bitmap(gPngImageLoader.loadFile(name.c_str(), true, nullptr));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(BitmapPixels(*bitmap), ExpectedPixels(image));
    const std::string other = Write("listed.bmp", file);
    EXPECT_EQ(gPngImageLoader.loadFile(other.c_str(), true, nullptr), nullptr);
}

}  // namespace

}  // namespace kestrelon
