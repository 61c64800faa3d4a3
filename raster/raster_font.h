#pragma once

// Text on raster bitmaps. A RasterCachedFont wraps a platform font (raster/font_platform.h makes
// one from a text description) and draws in one of two ways: natively, with the platform's own
// text drawing into the destination's device context, or through its glyph cache, where each
// character is rendered once white on black, kept as 8-bit coverage and then composited with
// the font's colours, blend mode and opacity. Linux has no native text drawing: there every text
// goes through the cache, so the editor looks the same on both platforms.

#include <cstdint>

#include "raster/font_platform.h"
#include "raster/growable_store.h"
#include "raster/raster_bitmap.h"

namespace kestrelon {

// The format word of RenderText: the platform's DrawText values (DT_CENTER, DT_RIGHT, DT_VCENTER,
// DT_BOTTOM, DT_SINGLELINE, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX), of which the glyph cache reads
// the first seven, and two bits of the font's own.
inline constexpr std::int32_t kTextCenter = 0x1;
inline constexpr std::int32_t kTextRight = 0x2;
inline constexpr std::int32_t kTextVCenter = 0x4;
inline constexpr std::int32_t kTextBottom = 0x8;
inline constexpr std::int32_t kTextSingleLine = 0x20;
inline constexpr std::int32_t kTextNoClip = 0x100;
inline constexpr std::int32_t kTextCalcRect = 0x400;  // measure only
inline constexpr std::int32_t kTextNoPrefix = 0x800;
// Multiply the font's opacity by the foreground colour's alpha byte / 255 for this call.
inline constexpr std::int32_t kTextUseColorAlpha = 0x40000000;
// Never draw natively; the font sets it on its own inner measuring calls.
inline constexpr std::int32_t kTextNoNative = static_cast<std::int32_t>(0x80000000u);

// Background modes, the platform's TRANSPARENT and OPAQUE.
inline constexpr std::int32_t kBackgroundTransparent = 1;
inline constexpr std::int32_t kBackgroundOpaque = 2;

enum class FontFlags : std::int32_t {
    None = 0,
    FontVertical = 0x1,  // glyphs turned a quarter clockwise, text runs down the page
    FontBottomUp = 0x2,  // with FontVertical: turned the other way, text runs up the page
    FontPrecacheAscii = 0x4,  // render 0..127 when attached, never anything from 128 up
    FontBlur = 0x10,
    FontInvert = 0x20,  // store 255 - coverage
    FontMono = 0x40,  // coverage above 130 is ink, the rest nothing
    FontShadow = 0x80,  // mono plus a one-pixel shadow (coverage 128) to the right and down
    FontOutline = 0x100,  // mono plus a one-pixel outline (coverage 128)
    FontOwnsHandle = 0x200,  // the font deletes its platform font when replaced or destroyed
    FontPreferNative = 0x400,  // draw with the platform's text functions where allowed
};

constexpr FontFlags operator|(FontFlags a, FontFlags b)
{
    return static_cast<FontFlags>(static_cast<std::int32_t>(a) | static_cast<std::int32_t>(b));
}

constexpr bool HasFlag(FontFlags flags, FontFlags flag)
{
    return (static_cast<std::int32_t>(flags) & static_cast<std::int32_t>(flag)) != 0;
}

// The graphics context attaches its fonts with these.
inline constexpr FontFlags kEditorFontFlags = FontFlags::FontOwnsHandle | FontFlags::FontPreferNative;

class RasterFont {
public:
    virtual ~RasterFont() = default;

    // [UI thread] Discards every cached glyph; a null handle leaves a font that draws nothing.
    virtual void AttachFont(RasterFontHandle handle, FontFlags flags) = 0;
    // Each setter returns the previous value.
    virtual RasterPixel SetForegroundColor(RasterPixel colour) = 0;
    virtual RasterPixel SetBackgroundColor(RasterPixel colour) = 0;
    // Shadow and outline pixels.
    virtual RasterPixel SetEffectsColor(RasterPixel colour) = 0;
    // kBackgroundTransparent or kBackgroundOpaque.
    virtual std::int32_t SetBackgroundMode(std::int32_t mode) = 0;
    virtual void SetBlending(BlendMode mode, float alpha) = 0;
    // [UI thread] Draws, or with kTextCalcRect measures, UTF-8 text of length bytes (-1: up to
    // its NUL). Measuring sets rect.right and rect.bottom and returns the height (vertical text:
    // the width); drawing returns the extent drawn across the text direction; 0 when nothing can
    // be drawn. A null destination is allowed when measuring.
    virtual std::int32_t RenderText(RasterBitmap* destination, const char* text, std::int32_t length, TextRect& rect,
                                    std::int32_t format) = 0;
    virtual RasterPixel GetForegroundColor() const = 0;
    virtual RasterFontHandle GetFontHandle() const = 0;
    // The line height in pixels.
    virtual std::int32_t GetRowHeight() const = 0;
};

// One cached glyph.
struct GlyphRecord {
    std::int32_t pixelOffset;  // 1 + position in the coverage store; 0 not rendered yet; -1 nothing to draw
    std::int32_t width;  // of the coverage image
    std::int32_t height;
    std::int32_t advance;  // pen movement in pixels
    std::int32_t code;  // UTF-16 unit, the sort key of the extra glyphs
    std::int32_t leftOffset;  // how far the image starts before the pen
};

// Fonts are used from UI threads only and take no locks, nor do the scratch bitmaps they share.
class RasterCachedFont : public RasterFont {
public:
    RasterCachedFont();
    ~RasterCachedFont() override;
    RasterCachedFont(const RasterCachedFont&) = delete;
    RasterCachedFont& operator=(const RasterCachedFont&) = delete;

    void AttachFont(RasterFontHandle handle, FontFlags flags) override;
    RasterPixel SetForegroundColor(RasterPixel colour) override;
    RasterPixel SetBackgroundColor(RasterPixel colour) override;
    RasterPixel SetEffectsColor(RasterPixel colour) override;
    std::int32_t SetBackgroundMode(std::int32_t mode) override;
    void SetBlending(BlendMode mode, float alpha) override;
    std::int32_t RenderText(RasterBitmap* destination, const char* text, std::int32_t length, TextRect& rect,
                            std::int32_t format) override;
    RasterPixel GetForegroundColor() const override { return foreground; }
    RasterFontHandle GetFontHandle() const override { return handle; }
    std::int32_t GetRowHeight() const override { return rowHeight; }

    // [UI thread] Composites one cached glyph with the image's pen position at (x, y), inside
    // clip. False when the glyph is not in the cache (nothing is rendered here) or nothing of it
    // is visible.
    virtual bool DrawCachedGlyph(RasterBitmap* destination, std::uint16_t code, std::int32_t x, std::int32_t y,
                                 const TextRect& clip);

private:
    bool Vertical() const { return HasFlag(flags, FontFlags::FontVertical); }
    bool BottomUp() const { return Vertical() && HasFlag(flags, FontFlags::FontBottomUp); }

    GlyphRecord* FindGlyph(std::uint16_t code);
    // Renders code into the cache; true when a record for it was added.
    bool RenderGlyph(std::uint16_t code);
    // The record for code, rendered if it is not yet; null when there is none.
    GlyphRecord* CachedGlyph(std::uint16_t code);
    void StoreCoverage(GlyphRecord& glyph, RasterSysBitmap& surface, std::int32_t w, std::int32_t cellWidth,
                       std::int32_t h, std::int32_t pad);
    void PostProcess(GlyphRecord& glyph);
    void ClearCache();

    bool DrawsNatively(std::int32_t format, bool noNative) const;
    std::int32_t RenderNative(RasterBitmap* destination, const char* text, std::int32_t length, TextRect& rect,
                              std::int32_t format);
    std::int32_t MeasureGlyphs(const char* text, std::int32_t length, TextRect& rect, std::int32_t format);
    std::int32_t DrawGlyphs(RasterBitmap* destination, const char* text, std::int32_t length, const TextRect& rect,
                            std::int32_t format, bool noNative);

    RasterPixel foreground = 0;
    RasterPixel background = 0xFFFFFFFFu;
    RasterPixel effects = 0xFFFFFFFFu;
    std::int32_t backgroundMode = kBackgroundTransparent;
    BlendMode blendMode = BlendMode::ModeCopy;
    float alpha = 1.0f;
    FontFlags flags = FontFlags::None;
    std::int32_t rowHeight = 0;
    std::int32_t lineSpacing = 0;  // extra pixels between lines; nothing in the editor sets it
    GlyphRecord asciiGlyphs[128] = {};
    GrowableStore<GlyphRecord, 4096> extraGlyphs;  // codes from 128 up, sorted by code
    GrowableStore<std::uint8_t, 65536> glyphPixels;  // every coverage image, row after row
    RasterFontHandle handle = nullptr;
};

}  // namespace kestrelon
