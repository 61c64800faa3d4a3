#pragma once

// The platform's part in drawing text, in a handful of functions. On Windows GDI does it
// (font_platform_win32.cpp); on Linux a small FreeType renderer of our own stands in for GDI,
// with fontconfig choosing the font file for a face name (font_platform_posix.cpp).
//
// The first two functions are for the graphics context, which makes the fonts of its controls
// from their text styles; the rest serve the glyph cache and native drawing of RasterCachedFont.

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

// Where text goes: left, top, right, bottom; right and bottom exclusive.
struct TextRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// A platform font: an HFONT on Windows, a FreeType face at one size elsewhere. Null is no font.
using RasterFontHandle = void*;

// The platform's font quality values (Windows' DEFAULT_QUALITY .. CLEARTYPE_QUALITY).
enum class FontQuality : std::int32_t {
    QualityDefault = 0,
    QualityNoAntialias = 3,
    QualityAntialias = 4,
    QualityClearType = 5,
};

// What the graphics context knows of a font.
struct PlatformFontDescription {
    const char* face = "";  // family name, e.g. "Arial"; at most 31 bytes are used
    std::int32_t height = 0;  // > 0: line height in pixels; < 0: character (em) height; 0: default
    std::int32_t weight = 400;  // 400 normal, 700 bold
    bool italic = false;
    FontQuality quality = FontQuality::QualityDefault;
    std::int32_t escapement = 0;  // tenths of a degree, counter-clockwise (ignored on Linux)
};

// [UI thread] A new platform font, owned by the caller (a font attached with FontOwnsHandle
// deletes it itself); null when no font can be made. On Windows this is CreateFontA with width 0,
// escapement and orientation both `escapement`, no underline or strike-out, character set 0,
// default precisions and pitch 0.
RasterFontHandle CreatePlatformFont(const PlatformFontDescription& description);
// [UI thread] Null is ignored.
void DeletePlatformFont(RasterFontHandle font);

namespace raster_detail {

struct GlyphCellSize {
    std::int32_t width;
    std::int32_t height;
};

// White text on an opaque black background in the surface's device context (none on Linux).
void PrepareGlyphSurface(RasterSysBitmap& surface);
// The font's line height, its tmHeight; surface lends its device context.
std::int32_t PlatformLineHeight(RasterFontHandle font, RasterSysBitmap& surface);
// What DrawText's single-line DT_CALCRECT measures for the one UTF-16 unit code.
GlyphCellSize MeasureGlyphCell(RasterFontHandle font, RasterSysBitmap& surface, std::uint16_t code);
// Draws code white on black with its pen at (left, 0) into the surface's pixels, unclipped but
// for the surface, and flushes, so the pixels can be read at once; the red byte is the coverage.
void DrawGlyphCell(RasterFontHandle font, RasterSysBitmap& surface, std::uint16_t code, std::int32_t left,
                   std::int32_t right, std::int32_t bottom);

// Whether text can be drawn natively at all (false on Linux).
bool PlatformHasNativeText();
// One look at the registry for "Software\Wine" (false on Linux).
bool ProbeRunsUnderWine();

struct NativeTextStyle {
    RasterPixel foreground;  // alpha byte ignored
    RasterPixel background;  // with backgroundMode 2
    std::int32_t backgroundMode;
};

// DrawTextW (for text with a well-formed multi-byte UTF-8 sequence) or DrawTextA of length bytes
// into dc, with format | DT_NOPREFIX; when measuring the measured rectangle comes back in rect.
// Returns the platform's result; 0 where there is no native text.
std::int32_t DrawNativeText(RasterDeviceContext dc, RasterFontHandle font, const char* text, std::int32_t length,
                            TextRect& rect, std::int32_t format, const NativeTextStyle& style);

}  // namespace raster_detail

}  // namespace kestrelon
