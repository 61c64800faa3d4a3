// RasterCachedFont: its settings, the choice between native and cached drawing, and measuring
// and drawing text through the glyph cache.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "raster/font_platform.h"
#include "raster/raster_font.h"
#include "raster/raster_ops.h"
#include "raster/text_surfaces.h"
#include "raster/utf8_reader.h"

namespace kestrelon {

namespace {

constexpr std::int32_t kAlignmentBits = kTextCenter | kTextRight | kTextVCenter | kTextBottom;
// Flags whose look only the glyph cache can give.
constexpr std::int32_t kCacheOnlyFlags = 0x1F7;
// Asked of the destination; every bitmap of the editor answers 0, which means "decide as usual".
constexpr std::uint32_t kExtensionForceGlyphs = 0x59555678u;
// Fonts this tall go native on Windows: their cells would not fit the glyph cache.
constexpr std::int32_t kNativeRowHeight = 256;

constexpr std::int64_t kPenLimit = std::int64_t{1} << 30;

std::int32_t Saturate(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Positions far outside any bitmap stay far outside, without letting glyph arithmetic wrap.
std::int32_t PenPosition(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp(v, -kPenLimit, kPenLimit));
}

// The bytes up to the NUL or the length, whichever comes first: what the glyph path reads, too.
std::int32_t TextBytes(const char* text, std::int32_t length)
{
    if (length < 0)
        return Saturate(static_cast<std::int64_t>(std::strlen(text)));
    const void* nul = std::memchr(text, 0, static_cast<std::size_t>(length));
    return nul == nullptr ? length : static_cast<std::int32_t>(static_cast<const char*>(nul) - text);
}

}  // namespace

RasterCachedFont::RasterCachedFont()
{
    raster_detail::FontCreated();
}

RasterCachedFont::~RasterCachedFont()
{
    if (HasFlag(flags, FontFlags::FontOwnsHandle) && handle != nullptr)
        DeletePlatformFont(handle);
    raster_detail::FontDestroyed();
}

void RasterCachedFont::AttachFont(RasterFontHandle newHandle, FontFlags newFlags)
{
    if (HasFlag(flags, FontFlags::FontOwnsHandle) && handle != nullptr && handle != newHandle)
        DeletePlatformFont(handle);
    flags = newFlags;
    handle = newHandle;
    // A font without a handle draws nothing and so has no line height either.
    rowHeight = 0;
    if (handle != nullptr) {
        if (RasterSysBitmap* surface = raster_detail::GlyphSurfaceOfSize(256))
            rowHeight = raster_detail::PlatformLineHeight(handle, *surface);
    }
    ClearCache();
    if (HasFlag(flags, FontFlags::FontPrecacheAscii)) {
        for (std::uint16_t code = 0; code < 128; ++code)
            RenderGlyph(code);
    }
}

void RasterCachedFont::ClearCache()
{
    std::memset(asciiGlyphs, 0, sizeof(asciiGlyphs));
    for (std::uint16_t code = 0; code < 128; ++code)
        asciiGlyphs[code].code = code;
    extraGlyphs.Clear();
    glyphPixels.Clear();
}

RasterPixel RasterCachedFont::SetForegroundColor(RasterPixel colour)
{
    return std::exchange(foreground, colour);
}

RasterPixel RasterCachedFont::SetBackgroundColor(RasterPixel colour)
{
    return std::exchange(background, colour);
}

RasterPixel RasterCachedFont::SetEffectsColor(RasterPixel colour)
{
    return std::exchange(effects, colour);
}

std::int32_t RasterCachedFont::SetBackgroundMode(std::int32_t mode)
{
    return std::exchange(backgroundMode, mode);
}

void RasterCachedFont::SetBlending(BlendMode mode, float newAlpha)
{
    blendMode = mode;
    alpha = newAlpha;
}

GlyphRecord* RasterCachedFont::CachedGlyph(std::uint16_t code)
{
    GlyphRecord* glyph = FindGlyph(code);
    if (glyph == nullptr) {
        if (RenderGlyph(code))
            glyph = FindGlyph(code);
    } else if (glyph->pixelOffset == 0) {
        RenderGlyph(code);
        glyph = FindGlyph(code);
    }
    return glyph;
}

std::int32_t RasterCachedFont::RenderText(RasterBitmap* destination, const char* text, std::int32_t length,
                                          TextRect& rect, std::int32_t format)
{
    const bool measuring = (format & kTextCalcRect) != 0;
    if (destination == nullptr && !measuring)
        return 0;
    const bool noNative = (format & kTextNoNative) != 0;
    format &= ~kTextNoNative;
    if (text == nullptr) {
        text = "";
        length = 0;
    }
    const bool forceGlyphs = destination != nullptr && destination->QueryExtension(kExtensionForceGlyphs, nullptr) != 0;
    if (!forceGlyphs && DrawsNatively(format, noNative))
        return RenderNative(destination, text, length, rect, format);
    if (measuring)
        return MeasureGlyphs(text, length, rect, format);
    return DrawGlyphs(destination, text, length, rect, format, noNative);
}

bool RasterCachedFont::DrawsNatively(std::int32_t format, bool noNative) const
{
    // Linux has no native text: the cache draws every height it can hold.
    if (!raster_detail::PlatformHasNativeText())
        return false;
    if (rowHeight >= kNativeRowHeight)
        return true;
    // The Wine probe comes last: it is made only when everything else allows native drawing.
    return HasFlag(flags, FontFlags::FontPreferNative) && handle != nullptr && !noNative &&
           (format & kTextUseColorAlpha) == 0 && (static_cast<std::int32_t>(flags) & kCacheOnlyFlags) == 0 &&
           (lineSpacing == 0 || (format & kTextSingleLine) != 0) && !raster_detail::RunsUnderWine();
}

std::int32_t RasterCachedFont::RenderNative(RasterBitmap* destination, const char* text, std::int32_t length,
                                            TextRect& rect, std::int32_t format)
{
    using namespace raster_detail;
    // The font's own bits mean something else to the platform.
    format &= ~(kTextUseColorAlpha | kTextNoNative);
    const std::int32_t bytes = TextBytes(text, length);
    const NativeTextStyle style{foreground, background, backgroundMode};
    const RasterDeviceContext dc = destination != nullptr ? destination->DeviceContext() : nullptr;
    if (dc != nullptr)
        return DrawNativeText(dc, handle, text, bytes, rect, format, style);

    // No device context: measure on the scratch, then draw there over a copy of the destination
    // and copy the text's box back with the font's opacity.
    RasterSysBitmap* scratch = NativeScratchOfSize(4, 4);
    if (scratch == nullptr || scratch->DeviceContext() == nullptr)
        return 0;
    TextRect measured = rect;
    const std::int32_t height = DrawNativeText(scratch->DeviceContext(), handle, text, bytes, measured,
                                               (format & ~kAlignmentBits) | kTextCalcRect | kTextNoPrefix, style);
    const std::int64_t mw = static_cast<std::int64_t>(measured.right) - measured.left;
    const std::int64_t mh = static_cast<std::int64_t>(measured.bottom) - measured.top;
    if ((format & kTextCalcRect) != 0) {
        rect.right = Saturate(rect.left + mw);
        rect.bottom = Saturate(rect.top + mh);
        return height;
    }
    if (destination->PixelData() == nullptr)
        return 0;

    std::int64_t x = rect.left;
    std::int64_t y = rect.top;
    if ((format & kTextRight) != 0) {
        x = rect.right - mw;
    } else if ((format & kTextCenter) != 0) {
        x = rect.left + (static_cast<std::int64_t>(rect.right) - rect.left - mw) / 2;
    }
    // DrawText aligns vertically only on a single line; placing the box otherwise would cut
    // off the text it draws at the top.
    if ((format & kTextSingleLine) != 0 && (format & kTextBottom) != 0) {
        y = rect.bottom - mh;
    } else if ((format & kTextSingleLine) != 0 && (format & kTextVCenter) != 0) {
        y = rect.top + (static_cast<std::int64_t>(rect.bottom) - rect.top - mh) / 2;
    }
    std::int64_t left = std::max<std::int64_t>(x, 0);
    std::int64_t top = std::max<std::int64_t>(y, 0);
    std::int64_t right = std::min<std::int64_t>(x + mw, destination->PixelWidth());
    std::int64_t bottom = std::min<std::int64_t>(y + mh, destination->PixelHeight());
    if ((format & kTextNoClip) == 0) {
        left = std::max<std::int64_t>(left, rect.left);
        top = std::max<std::int64_t>(top, rect.top);
        right = std::min<std::int64_t>(right, rect.right);
        bottom = std::min<std::int64_t>(bottom, rect.bottom);
    }
    // Letters that overhang to the left of their box must reach the copied area, too.
    left -= std::min<std::int64_t>(GlyphPad(rowHeight), left);
    if (right <= left || bottom <= top)
        return 0;
    const auto boxWidth = static_cast<std::int32_t>(right - left);
    const auto boxHeight = static_cast<std::int32_t>(bottom - top);
    scratch = NativeScratchOfSize(boxWidth, boxHeight);
    if (scratch == nullptr || scratch->PixelData() == nullptr || scratch->PixelWidth() < boxWidth ||
        scratch->PixelHeight() < boxHeight)
        return 0;
    const SourceRect box{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                         static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    BlitBitmap(scratch, destination, 0, 0, &box, 1.0f, BlendMode::ModeCopy);
    TextRect moved{Saturate(rect.left - left), Saturate(rect.top - top), Saturate(rect.right - left),
                   Saturate(rect.bottom - top)};
    const std::int32_t result = DrawNativeText(scratch->DeviceContext(), handle, text, bytes, moved, format, style);
    const SourceRect drawn{0, 0, boxWidth, boxHeight};
    BlitBitmap(destination, scratch, box.left, box.top, &drawn, alpha, BlendMode::ModeCopy);
    return result;
}

std::int32_t RasterCachedFont::MeasureGlyphs(const char* text, std::int32_t length, TextRect& rect, std::int32_t format)
{
    const bool vertical = Vertical();
    const bool singleLine = (format & kTextSingleLine) != 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t maxX = 0;
    std::int64_t maxY = 0;
    raster_detail::Utf8Reader reader(text, length);
    std::uint16_t code = 0;
    while (reader.Next(code)) {
        if (code == 13)
            continue;
        if (code == 10) {
            if (!singleLine) {
                if (vertical) {
                    x += rowHeight + lineSpacing;
                    y = 0;
                } else {
                    y += rowHeight + lineSpacing;
                    x = 0;
                }
                continue;
            }
            code = 32;
        }
        const GlyphRecord* glyph = CachedGlyph(code);
        if (glyph == nullptr || glyph->pixelOffset <= 0)
            continue;
        if (vertical) {
            const std::int64_t before = y;
            y += glyph->advance;
            maxX = std::max(maxX, x + glyph->width);
            maxY = std::max({maxY, y, before + glyph->height - glyph->leftOffset});
        } else {
            const std::int64_t before = x;
            x += glyph->advance;
            maxX = std::max({maxX, x, before + glyph->width - glyph->leftOffset});
            maxY = std::max(maxY, y + glyph->height);
        }
    }
    rect.right = Saturate(rect.left + maxX);
    rect.bottom = Saturate(rect.top + maxY);
    return Saturate(vertical ? maxX : maxY);
}

std::int32_t RasterCachedFont::DrawGlyphs(RasterBitmap* destination, const char* text, std::int32_t length,
                                          const TextRect& rect, std::int32_t format, bool noNative)
{
    const float ownAlpha = alpha;
    if ((format & kTextUseColorAlpha) != 0)
        alpha = alpha * (static_cast<float>(foreground >> 24) / 255.0f);
    struct RestoreAlpha {
        float& alpha;
        float value;
        ~RestoreAlpha() { alpha = value; }
    } restore{alpha, ownAlpha};
    if (alpha == 0.0f)
        return 0;

    const bool vertical = Vertical();
    const bool bottomUp = BottomUp();
    std::int64_t startX = rect.left;
    std::int64_t startY = rect.top;
    if ((format & kAlignmentBits) != 0 || bottomUp) {
        TextRect measured{0, 0, 0, 0};
        RenderText(destination, text, length, measured,
                   kTextCalcRect | (noNative ? kTextNoNative : 0) | (format & kTextSingleLine));
        const std::int64_t mw = measured.right;
        const std::int64_t mh = measured.bottom;
        if ((format & kTextCenter) != 0)
            startX = rect.left + (static_cast<std::int64_t>(rect.right) - mw - rect.left) / 2;
        if ((format & kTextRight) != 0)
            startX = rect.right - mw;
        if ((format & kTextVCenter) != 0)
            startY = rect.top + (static_cast<std::int64_t>(rect.bottom) - mh - rect.top) / 2;
        if ((format & kTextBottom) != 0)
            startY = rect.bottom - mh;
        if (bottomUp)
            startY += mh;
    }

    TextRect clip{0, 0, destination->PixelWidth(), destination->PixelHeight()};
    if ((format & kTextNoClip) == 0) {
        clip.left = std::max(rect.left, 0);
        clip.top = std::max(rect.top, 0);
        clip.right = std::min(rect.right, clip.right);
        clip.bottom = std::min(rect.bottom, clip.bottom);
    }
    if (clip.right <= clip.left || clip.bottom <= clip.top)
        return 0;

    const bool singleLine = (format & kTextSingleLine) != 0;
    std::int64_t x = startX;
    std::int64_t y = startY;
    std::int64_t maxX = startX;
    std::int64_t maxY = startY;
    raster_detail::Utf8Reader reader(text, length);
    std::uint16_t code = 0;
    while (reader.Next(code)) {
        if (code == 13)
            continue;
        if (code == 10) {
            if (!singleLine) {
                if (vertical) {
                    x += rowHeight + lineSpacing;
                    y = startY;
                } else {
                    y += rowHeight + lineSpacing;
                    x = startX;
                }
                continue;
            }
            code = 32;
        }
        const GlyphRecord* glyph = CachedGlyph(code);
        if (glyph == nullptr || glyph->pixelOffset <= 0)
            continue;
        const GlyphRecord g = *glyph;
        if (bottomUp)
            y -= g.height;
        const bool drawn = DrawCachedGlyph(destination, code, PenPosition(x), PenPosition(y), clip);
        if (!vertical) {
            x += g.advance;
        } else if (bottomUp) {
            y += g.height - g.advance;
        } else {
            y += g.advance;
        }
        if (drawn) {
            if (vertical) {
                maxX = std::max(maxX, x + g.width);
            } else {
                maxY = std::max(maxY, y + g.height);
            }
        }
    }
    return Saturate(vertical ? maxX - startX : maxY - startY);
}

}  // namespace kestrelon
