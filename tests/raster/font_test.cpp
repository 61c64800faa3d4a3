// Text through the glyph cache: measuring, lines, decoding, the native-path rule, backgrounds,
// opacity, the effect flags and the shared scratch bitmaps. Run natively and under wine64.

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "raster/font_platform.h"
#include "raster/raster_font.h"
#include "raster/raster_ops.h"
#include "raster/text_surfaces.h"
#include "tests/raster/font_test_support.h"

namespace kestrelon {

namespace {

std::int32_t Advance(RasterCachedFont& font, std::uint16_t code)
{
    RasterSysBitmap surface(64, 64);
    raster_detail::PrepareGlyphSurface(surface);
    return raster_detail::MeasureGlyphCell(font.GetFontHandle(), surface, code).width;
}

TextRect Measure(RasterCachedFont& font, const char* text, std::int32_t format = 0, std::int32_t length = -1)
{
    TextRect rect{0, 0, 0, 0};
    font.RenderText(nullptr, text, length, rect, format | kTextCalcRect);
    return rect;
}

bool SameRect(const TextRect& a, const TextRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

Coverage Max(const Coverage& a, const Coverage& b)
{
    Coverage out = a;
    for (std::size_t i = 0; i < out.bytes.size(); ++i)
        out.bytes[i] = std::max(a.bytes[i], b.bytes[i]);
    return out;
}

TEST(TextMeasure, LineHeightsAndThreeLettersAsTheEditorsFontsGiveThem)
{
    struct Case {
        std::int32_t height;
        std::int32_t weight;
    };
    for (const Case c : {Case{16, 400}, Case{12, 700}}) {
        auto font = MakeFont(c.height, FontFlags::None, c.weight);
        EXPECT_EQ(font->GetRowHeight(), c.height);
        const std::int32_t advances = Advance(*font, 'a') + Advance(*font, 'b') + Advance(*font, 'c');
        EXPECT_GT(advances, c.height);
        TextRect rect{10, 20, 10, 20};
        EXPECT_EQ(font->RenderText(nullptr, "abcdef", 3, rect, kTextCalcRect), c.height);
        EXPECT_EQ(rect.left, 10);
        EXPECT_EQ(rect.bottom, 20 + c.height);
        // Only an overhang of the last letter can add to the advances.
        EXPECT_GE(rect.right - 10, advances) << c.height;
        EXPECT_LE(rect.right - 10, advances + raster_detail::GlyphPad(c.height)) << c.height;
    }
}

TEST(TextLines, LineFeedsCarriageReturnsAndSingleLine)
{
    auto font = MakeFont(16);
    const TextRect two = Measure(*font, "ab\nabc");
    EXPECT_TRUE(SameRect(two, TextRect{0, 0, Measure(*font, "abc").right, 32}));
    // The second line starts a line lower at the start x.
    EXPECT_EQ(DrawnCoverage(*font, "ab\nab"),
              Max(DrawnCoverage(*font, "ab"), DrawnCoverage(*font, "ab", 0, -1, 8, 24)));
    // On a single line a line feed is a space.
    EXPECT_TRUE(SameRect(Measure(*font, "ab\nab", kTextSingleLine), Measure(*font, "ab ab")));
    EXPECT_EQ(DrawnCoverage(*font, "a\nb", kTextSingleLine), DrawnCoverage(*font, "a b"));
    // A carriage return is nothing at all.
    EXPECT_TRUE(SameRect(Measure(*font, "a\r\rb"), Measure(*font, "ab")));
    EXPECT_EQ(DrawnCoverage(*font, "a\rb"), DrawnCoverage(*font, "ab"));
}

TEST(TextDecoding, MalformedAndWideCharactersAsTheCacheReadsThem)
{
    auto font = MakeFont(16);
    struct Case {
        const char* text;
        std::int32_t length;
        const char* same;  // well-formed text that must draw the same
    };
    const Case cases[] = {
        {"a\xF0\x9F\x8E\xB5"
         "b",
         -1, "a b"},  // beyond 16 bits: a space
        {"caf\xE9", -1, "caf\xC3\xA9"},  // a lone lead byte is Latin-1
        {"\xE9x", -1, "\xC3\xA9x"},
        {"\xC3\xA9", 1, "\xC3\x83"},  // the length ends the sequence
        {"ab\0cd", 5, "ab"},  // so does a NUL
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DrawnCoverage(*font, c.text, 0, c.length), DrawnCoverage(*font, c.same)) << c.same;
        EXPECT_TRUE(SameRect(Measure(*font, c.text, 0, c.length), Measure(*font, c.same))) << c.same;
    }
    EXPECT_NE(DrawnCoverage(*font, "caf\xE9"), DrawnCoverage(*font, "cafe"));
}

TEST(TextDecoding, PrecachedAsciiFontSkipsEverythingFrom128)
{
    auto font = MakeFont(16, FontFlags::FontPrecacheAscii);
    EXPECT_EQ(DrawnCoverage(*font, "a\xC3\xA9\xE2\x82\xAC"
                                   "b"),
              DrawnCoverage(*font, "ab"));
    EXPECT_TRUE(SameRect(Measure(*font, "a\xC3\xA9"
                                        "b"),
                         Measure(*font, "ab")));
    // Nothing from 128 up is in the cache; everything below is, before any drawing.
    auto fresh = MakeFont(16, FontFlags::FontPrecacheAscii);
    GuardedBitmap canvas(32, 32, 0xFF000000u);
    const TextRect all{0, 0, 32, 32};
    EXPECT_TRUE(fresh->DrawCachedGlyph(&canvas, 'q', 8, 8, all));
    EXPECT_FALSE(fresh->DrawCachedGlyph(&canvas, 0xE9, 8, 8, all));
}

TEST(TextPath, NativeOnlyWherePreferredAllowedAndNotUnderWineOrWhenTooTall)
{
    struct Case {
        const char* name;
        std::int32_t height;
        FontFlags flags;
        std::int32_t format;
        std::int32_t wine;
        bool native;  // on a platform with native text
    };
    const FontFlags prefer = FontFlags::FontPreferNative;
    const Case cases[] = {
        {"preferred", 16, prefer, 0, 0, true},
        {"under Wine", 16, prefer, 0, 1, false},
        {"colour alpha", 16, prefer, kTextUseColorAlpha, 0, false},
        {"no native", 16, prefer, kTextNoNative, 0, false},
        {"mono", 16, prefer | FontFlags::FontMono, 0, 0, false},
        {"vertical", 16, prefer | FontFlags::FontVertical, 0, 0, false},
        {"not preferred", 16, FontFlags::None, 0, 0, false},
        {"300 high under Wine", 300, FontFlags::None, 0, 1, true},
    };
    for (const Case& c : cases) {
        raster_detail::OverrideWineState(c.wine);
        auto font = MakeFont(c.height, c.flags);
        font->SetForegroundColor(0xFFFFFFFFu);
        RasterSysBitmap canvas(320, 320);
        FillRectangle(&canvas, 0, 0, 320, 320, 0xFF000000u, 1.0f, BlendMode::ModeCopy);
        TextRect rect{0, 0, 320, 320};
        EXPECT_GT(font->RenderText(&canvas, "x", -1, rect, c.format), 0) << c.name;
        // Only the glyph path leaves the glyph in the cache.
        const bool native = c.native && raster_detail::PlatformHasNativeText();
        EXPECT_EQ(font->DrawCachedGlyph(&canvas, 'x', 0, 0, rect), !native) << c.name;
    }
    raster_detail::OverrideWineState(-1);
}

TEST(TextBackground, OpaqueModeFillsEachGlyphsVisibleBox)
{
    auto font = MakeFont(16);
    font->SetForegroundColor(0xFFFFFFFFu);
    font->SetBackgroundColor(0xFF0000FFu);
    EXPECT_EQ(font->SetBackgroundMode(kBackgroundOpaque), kBackgroundTransparent);
    struct Case {
        TextRect rect;
        std::int32_t format;
        std::int32_t top, bottom, minLeft;  // rows and first column of the box
    };
    for (const Case& c : {Case{{8, 8, 64, 32}, kTextNoClip, 8, 24, 0}, Case{{12, 8, 64, 20}, 0, 8, 20, 12}}) {
        GuardedBitmap canvas(64, 32, 0xFF000000u);
        TextRect rect = c.rect;
        font->RenderText(&canvas, "i", -1, rect, c.format);
        EXPECT_TRUE(canvas.GuardIntact());
        Coverage changed{64, 32, {}};
        for (std::int32_t y = 0; y < 32; ++y)
            for (std::int32_t x = 0; x < 64; ++x)
                changed.bytes.push_back(canvas.At(x, y) != 0xFF000000u);
        const Inked box = Trim(changed);
        EXPECT_EQ(box.top, c.top);
        EXPECT_EQ(box.top + box.image.height, c.bottom);
        EXPECT_GE(box.left, c.minLeft);
        EXPECT_EQ(std::count(box.image.bytes.begin(), box.image.bytes.end(), 1), box.image.width * box.image.height);
        EXPECT_GT(canvas.CountNot(0xFF0000FFu) - canvas.CountNot(0xFF000000u), 0);  // background shows
    }
}

TEST(TextOpacity, ZeroOpacityDrawsNothingAndLeavesTheFontsOwn)
{
    auto font = MakeFont(16);
    GuardedBitmap canvas(64, 32, 0xFF000000u);
    TextRect rect{0, 0, 64, 32};
    font->SetForegroundColor(0x00FFFFFFu);
    EXPECT_EQ(font->RenderText(&canvas, "abc", -1, rect, kTextUseColorAlpha), 0);
    EXPECT_EQ(canvas.CountNot(0xFF000000u), 0);
    EXPECT_EQ(font->RenderText(&canvas, "abc", -1, rect, 0), 16);
    EXPECT_GT(canvas.CountNot(0xFF000000u), 0);

    GuardedBitmap clean(64, 32, 0xFF000000u);
    font->SetForegroundColor(0xFFFFFFFFu);
    font->SetBlending(BlendMode::ModeCopy, 0.0f);
    EXPECT_EQ(font->RenderText(&clean, "abc", -1, rect, 0), 0);
    EXPECT_EQ(clean.CountNot(0xFF000000u), 0);
    EXPECT_EQ(font->RenderText(nullptr, "abc", -1, rect, 0), 0);  // nowhere to draw
}

TEST(TextScratch, SharedBitmapsLiveAsLongAsAnyFont)
{
    ASSERT_EQ(raster_detail::FontCount(), 0);
    auto first = MakeFont(16);
    auto second = MakeFont(12);
    EXPECT_NE(raster_detail::GlyphSurface(), nullptr);
    first.reset();
    EXPECT_NE(raster_detail::GlyphSurface(), nullptr);
    second.reset();
    EXPECT_EQ(raster_detail::GlyphSurface(), nullptr);
    EXPECT_EQ(raster_detail::NativeScratch(), nullptr);
    EXPECT_EQ(raster_detail::FontCount(), 0);
    // A new font draws as well as the first did.
    auto again = MakeFont(16);
    const Coverage drawn = DrawnCoverage(*again, "abc");
    EXPECT_NE(raster_detail::GlyphSurface(), nullptr);
    EXPECT_EQ(drawn, DrawnCoverage(*MakeFont(16), "abc"));
}

// Effects computed from the plain glyph. "o" at 32 pixels has ink of full coverage and room
// around it inside its cell, so no effect pixel falls outside the stored image.
TEST(GlyphEffects, InvertMonoShadowAndOutlineFromThePlainGlyph)
{
    const Coverage plain = DrawnCoverage(*MakeFont(32), "o");
    Coverage mono = plain;
    for (std::uint8_t& m : mono.bytes)
        m = m > 130 ? 255 : 0;
    auto ink = [&](std::int32_t x, std::int32_t y) {
        return x >= 0 && y >= 0 && x < mono.width && y < mono.height && mono.At(x, y) == 255;
    };
    Coverage shadow = mono;
    Coverage outline = mono;
    for (std::int32_t y = 0; y < mono.height; ++y) {
        for (std::int32_t x = 0; x < mono.width; ++x) {
            if (mono.At(x, y) != 0)
                continue;
            const std::size_t i = static_cast<std::size_t>(y) * mono.width + x;
            if (ink(x - 1, y) || ink(x - 1, y - 1) || ink(x, y - 1))
                shadow.bytes[i] = 128;
            if (ink(x - 1, y) || ink(x + 1, y) || ink(x, y - 1) || ink(x, y + 1))
                outline.bytes[i] = 128;
        }
    }
    EXPECT_EQ(DrawnCoverage(*MakeFont(32, FontFlags::FontMono), "o"), mono);
    // Shadow and outline pixels take the effects colour, stored directly at full opacity.
    for (auto [flag, expected] :
         {std::pair{FontFlags::FontShadow, shadow}, std::pair{FontFlags::FontOutline, outline}}) {
        auto font = MakeFont(32, flag);
        font->SetForegroundColor(0xFFFFFFFFu);
        EXPECT_EQ(font->SetEffectsColor(0xFF808080u), 0xFFFFFFFFu);
        GuardedBitmap canvas(96, 64, 0xFF000000u);
        TextRect rect{8, 8, 96, 64};
        font->RenderText(&canvas, "o", -1, rect, kTextNoClip);
        EXPECT_EQ(RedBytes(canvas), expected);
    }
    // Inverted: 255 - coverage over the whole stored image, a box one line high.
    const Coverage inverted = DrawnCoverage(*MakeFont(32, FontFlags::FontInvert), "o");
    Coverage sum = plain;
    for (std::size_t i = 0; i < sum.bytes.size(); ++i) {
        ASSERT_LE(plain.bytes[i] + inverted.bytes[i], 255) << i;
        sum.bytes[i] = static_cast<std::uint8_t>(plain.bytes[i] + inverted.bytes[i]);
    }
    const Inked box = Trim(sum);
    EXPECT_EQ(box.top, 8);
    EXPECT_EQ(box.image.height, 32);
    EXPECT_EQ(std::count(box.image.bytes.begin(), box.image.bytes.end(), 255), box.image.width * box.image.height);
}

TEST(GlyphEffects, BlurredLikeTheCellItWasRenderedIn)
{
    auto plainFont = MakeFont(16);
    const Coverage plain = DrawnCoverage(*plainFont, "W");
    // The cell: the pen `pad` columns in, the advance and `pad` more columns to its right.
    const std::int32_t pad = raster_detail::GlyphPad(16);
    const std::int32_t cellWidth = Advance(*plainFont, 'W') + 2 * pad;
    RasterMemBitmap cell(cellWidth, 16);
    for (std::int32_t y = 0; y < 16; ++y)
        for (std::int32_t x = 0; x < cellWidth; ++x)
            cell.PixelData()[y * cell.RowStride() + x] = plain.At(8 - pad + x, 8 + y) * 0x010101u;
    BlurRegion(&cell, cellWidth, 16);
    Coverage expected{plain.width, plain.height, std::vector<std::uint8_t>(plain.bytes.size(), 0)};
    for (std::int32_t y = 0; y < 16; ++y)
        for (std::int32_t x = 0; x < cellWidth; ++x)
            expected.bytes[(8 + y) * plain.width + 8 - pad + x] =
                static_cast<std::uint8_t>(cell.PixelData()[y * cell.RowStride() + x] >> 16);
    EXPECT_EQ(DrawnCoverage(*MakeFont(16, FontFlags::FontBlur), "W"), expected);
}

Coverage Turn(const Coverage& in, bool anticlockwise)
{
    Coverage out{in.height, in.width, std::vector<std::uint8_t>(in.bytes.size())};
    for (std::int32_t y = 0; y < in.height; ++y)
        for (std::int32_t x = 0; x < in.width; ++x)
            out.bytes[(anticlockwise ? in.width - 1 - x : x) * out.width + (anticlockwise ? y : in.height - 1 - y)] =
                in.At(x, y);
    return out;
}

// An italic "j" starts left of its pen, so its image is placed before the pen in the reading
// direction, inside the box that measuring gives it.
TEST(VerticalText, GlyphsTurnedAQuarterAndInsideTheirMeasuredBox)
{
    auto italic = [](FontFlags flags) { return MakeFont(16, flags, 400, true); };
    const Inked plain = Trim(DrawnCoverage(*italic(FontFlags::None), "Fj"));
    ASSERT_LT(Trim(DrawnCoverage(*italic(FontFlags::None), "j")).left, 8);
    for (bool up : {false, true}) {
        auto font = italic(up ? FontFlags::FontVertical | FontFlags::FontBottomUp : FontFlags::FontVertical);
        TextRect measured{0, 0, 0, 0};
        EXPECT_EQ(font->RenderText(nullptr, "Fj", -1, measured, kTextCalcRect), 16);  // the width
        const Inked turned = Trim(DrawnCoverage(*font, "Fj", 0, -1, 8, 8, 64, 96));
        EXPECT_EQ(turned.image, Turn(plain.image, up)) << up;
        EXPECT_GE(turned.left, 8);
        EXPECT_LE(turned.left + turned.image.width, 8 + measured.right);
        // Down the page the leading side is the top, up the page the bottom.
        if (up) {
            EXPECT_GE(turned.top, 8);
        } else {
            EXPECT_LE(turned.top + turned.image.height, 8 + measured.bottom);
        }
    }
}

}  // namespace

}  // namespace kestrelon
