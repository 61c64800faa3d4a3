// RenderText with anything: any bytes as text with any length, any rectangle, format word,
// font flags, colours, blend mode and opacity, onto bitmaps of any size and storage or none. It
// must never touch memory outside the text or the bitmap, and what it measures must make sense.
//
// Input, front to back (zeros past the end): font (1 byte: size), font flags (4), background
// mode (4), blend mode (4), opacity (4, any float), foreground (4), background (4), bitmap
// (1 byte kind: none, top-down or bottom-up by its value mod 3, a null text with bit 7; 1 width,
// 1 height), rectangle (4 x 4), format (4), length (4), one glyph drawn
// directly (2 code, 4 x, 4 y), and the rest of the bytes as the text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/font_platform.h"
#include "raster/raster_font.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/raster/raster_test_bitmap.h"

namespace kestrelon {

namespace {

// Platform fonts are made once: finding a font file costs far more than a whole run. They go at
// exit, before the leak check, with the font configuration that the last of them frees.
struct Fonts {
    RasterFontHandle handles[5] = {};
    ~Fonts()
    {
        for (RasterFontHandle handle : handles)
            DeletePlatformFont(handle);
    }
};

RasterFontHandle FontOfSize(std::uint8_t choice)
{
    static const std::int32_t kHeights[] = {1, 12, 16, -40, 300};
    static Fonts fonts;
    const int index = choice % 5;
    RasterFontHandle& font = fonts.handles[index];
    if (font == nullptr) {
        PlatformFontDescription description;
        description.face = "Arial";
        description.height = kHeights[index];
        description.weight = choice & 0x80 ? 700 : 400;
        font = CreatePlatformFont(description);
        FUZZ_CHECK(font != nullptr, "no font for Arial", kHeights[index]);
    }
    return font;
}

void Run(FuzzInput& in)
{
    RasterCachedFont font;
    // The font must not delete what the next run uses.
    const auto flags = static_cast<FontFlags>(in.I32() & ~static_cast<std::int32_t>(FontFlags::FontOwnsHandle));
    font.AttachFont(FontOfSize(in.Byte()), flags);
    font.SetBackgroundMode(in.I32());
    const auto mode = static_cast<BlendMode>(in.I32());
    font.SetBlending(mode, in.Float());
    font.SetForegroundColor(in.I32());
    font.SetBackgroundColor(in.I32());

    const std::uint8_t kind = in.Byte();
    const std::int32_t width = in.Byte();
    const std::int32_t height = in.Byte();
    std::unique_ptr<GuardedBitmap> bitmap;
    if (kind % 3 != 0)
        bitmap = std::make_unique<GuardedBitmap>(width, height, 0xFF000000u, kind % 3 == 2);
    TextRect rect{in.I32(), in.I32(), in.I32(), in.I32()};
    const TextRect asked = rect;
    const std::int32_t format = in.I32();
    const std::int32_t lengthWord = in.I32();
    const std::uint16_t code = in.U16();
    const std::int32_t x = in.I32();
    const std::int32_t y = in.I32();

    // The text lives in a block of exactly its size: any read past the length (or past the NUL
    // of a terminated text) is reported.
    std::vector<std::uint8_t> bytes = in.Bytes(in.Remaining());
    const bool terminated = lengthWord < 0;
    if (terminated)
        bytes.push_back(0);
    const std::int32_t length =
        terminated ? -1 : static_cast<std::int32_t>(static_cast<std::uint32_t>(lengthWord) % (bytes.size() + 1));
    std::unique_ptr<char[]> text = std::make_unique<char[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), text.get());
    const char* textStart = (kind & 0x80) != 0 ? nullptr : text.get();

    const std::int32_t result = font.RenderText(bitmap.get(), textStart, length, rect, format);
    FUZZ_CHECK(result >= 0, "negative text extent", result);
    if ((format & kTextCalcRect) != 0) {
        FUZZ_CHECK(rect.left == asked.left && rect.top == asked.top, "measuring moved the rectangle", rect.left);
        FUZZ_CHECK(rect.right >= rect.left && rect.bottom >= rect.top, "measured a negative size", rect.right);
    }
    if (bitmap) {
        font.DrawCachedGlyph(bitmap.get(), code, x, y, asked);
        FUZZ_CHECK(bitmap->GuardIntact(), "text drawn outside its bitmap", kind);
    }
}

}  // namespace

}  // namespace kestrelon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kestrelon::FuzzInput in(data, size);
    kestrelon::Run(in);
    return 0;
}
