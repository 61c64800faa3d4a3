// kestrelon_artwork_tool: draws the editor's eight pictures and writes them as PNG files, plus what the
// build compiles them from.
//   kestrelon_artwork_tool --out DIR [--source FILE] [--rc FILE] [--preview FILE]
// --out      the folder for the PNG files (bg.png, knob_1.png, ...)
// --source   a C++ source with their bytes, for the Linux binaries
// --rc       a resource script naming them, for the Windows DLL
// --preview  a picture of the assembled editor, for looking at the artwork

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "raster/raster_ops.h"
#include "resources/img/editor_images.h"
#include "tools/artwork/images.h"
#include "tools/artwork/outputs.h"
#include "tools/artwork/png_writer.h"
#include "tools/artwork/preview.h"
#include "tools/artwork/text_painter.h"

namespace kestrelon {

namespace artwork {

namespace {

constexpr const char* kUsage = "usage: kestrelon_artwork_tool --out DIR [--source FILE] [--rc FILE] [--preview FILE]";

struct Options {
    std::string out;
    std::string source;
    std::string rc;
    std::string preview;
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrelon_artwork_tool: %s\n", message.c_str());
    return 1;
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        std::string* target = flag == "--out"       ? &options.out
                              : flag == "--source"  ? &options.source
                              : flag == "--rc"      ? &options.rc
                              : flag == "--preview" ? &options.preview
                                                    : nullptr;
        if (target == nullptr) {
            error = "unknown option '" + flag + "'; " + kUsage;
            return false;
        }
        if (i + 1 >= argc || argv[i + 1][0] == 0) {
            error = flag + " needs a value; " + kUsage;
            return false;
        }
        *target = argv[++i];
    }
    if (options.out.empty()) {
        error = std::string("--out is required; ") + kUsage;
        return false;
    }
    return true;
}

// The file name of an image: its name's last part.
std::string FileName(const char* name)
{
    const char* slash = std::strrchr(name, '/');
    return slash != nullptr ? slash + 1 : name;
}

void Draw(const EditorImage& image, RasterMemBitmap& bitmap)
{
    switch (image.id) {
    case kBackgroundImage:
        DrawBackground(bitmap);
        break;
    case kAttackKnobImage:
    case kSustainKnobImage:
    case kSensitivityKnobImage:
    case kOutputKnobImage:
        DrawKnobStrip(bitmap, image.id - kAttackKnobImage);
        break;
    case kClipLightImage:
        DrawClipLight(bitmap);
        break;
    case kCreditsImage:
        DrawCredits(bitmap);
        break;
    case kClipButtonImage:
        DrawClipButton(bitmap);
        break;
    default:
        break;
    }
}

int Run(const Options& options)
{
    std::string face;
    if (!HasDesignFace(face)) {
        return Fail("the font for \"Arial\" is '" + face +
                    "', not Liberation Sans; install fonts-liberation2 so the pictures come out as designed");
    }
    std::unique_ptr<RasterMemBitmap> bitmaps[kEditorImageCount];
    std::vector<EncodedImage> encoded;
    for (int i = 0; i < kEditorImageCount; ++i) {
        const EditorImage& image = kEditorImages[i];
        bitmaps[i] = std::make_unique<RasterMemBitmap>(image.width, image.height);
        if (bitmaps[i]->PixelData() == nullptr)
            return Fail("out of memory for " + std::string(image.name));
        ClearBitmap(bitmaps[i].get());
        Draw(image, *bitmaps[i]);
        EncodedImage png{image.id, options.out + "/" + FileName(image.name), {}};
        if (!EncodePng(*bitmaps[i], png.bytes))
            return Fail("libpng could not encode " + std::string(image.name));
        if (!WriteFile(png.path, png.bytes))
            return Fail("cannot write " + png.path);
        encoded.push_back(std::move(png));
    }
    if (!options.source.empty() && !WriteEmbeddedSource(options.source, encoded))
        return Fail("cannot write " + options.source);
    if (!options.rc.empty() && !WriteResourceScript(options.rc, encoded))
        return Fail("cannot write " + options.rc);
    if (!options.preview.empty()) {
        const EditorPictures pictures{bitmaps[0].get(),
                                      {bitmaps[1].get(), bitmaps[2].get(), bitmaps[3].get(), bitmaps[4].get()},
                                      bitmaps[5].get(),
                                      bitmaps[6].get(),
                                      bitmaps[7].get()};
        RasterMemBitmap preview;
        DrawPreview(preview, pictures);
        std::vector<std::uint8_t> bytes;
        if (!EncodePng(preview, bytes) || !WriteFile(options.preview, bytes))
            return Fail("cannot write " + options.preview);
    }
    return 0;
}

}  // namespace

}  // namespace artwork

}  // namespace kestrelon

int main(int argc, char** argv)
{
    using namespace kestrelon::artwork;
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error))
        return Fail(error);
    return Run(options);
}
