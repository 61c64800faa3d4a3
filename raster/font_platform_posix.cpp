// Linux has no GDI, so the glyph cache's platform part is a small renderer of our own: fontconfig
// picks the font file for a face name (with fonts-liberation2, "Arial" is the metric-compatible
// Liberation Sans), FreeType renders each glyph. Sizes follow GDI's rules, so a font of height 16
// has a line height of 16 and the editor's text has the same metrics on both platforms.
// There is no native text drawing here: every text goes through the glyph cache.

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>

#include "raster/font_platform.h"
#include "raster/pixel_rows.h"
#include "text/text_copy.h"

namespace kestrelon {

namespace {

// Far beyond any text the editor draws, and within what FreeType sizes accept.
constexpr std::int32_t kMaxHeight = 16384;
// GDI's height for a font that asks for none.
constexpr std::int32_t kDefaultHeight = 16;
// GDI's slant for an italic made from an upright face.
constexpr double kObliqueShear = 0.2;

// One library and one font configuration for all fonts, kept while any font lives. The
// configuration is our own, not fontconfig's process-wide one: a host that uses fontconfig
// itself keeps its own, and ours can be freed completely when the last font goes.
FT_Library library = nullptr;
FcConfig* config = nullptr;
std::int32_t liveFonts = 0;

void ReleaseWhenUnused()
{
    if (liveFonts > 0)
        return;
    if (library != nullptr)
        FT_Done_FreeType(library);
    library = nullptr;
    if (config != nullptr)
        FcConfigDestroy(config);
    config = nullptr;
}

struct PosixFont {
    FT_Face face = nullptr;
    std::int32_t ascent = 0;
    std::int32_t lineHeight = 0;
    FT_Int32 loadFlags = FT_LOAD_DEFAULT;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;
    bool embolden = false;  // bold asked of a face that has none
    bool oblique = false;  // italic asked of a face that has none
};

struct FontFile {
    std::string path;
    int index = 0;
    bool embolden = false;
    bool oblique = false;
};

// fontconfig keeps state of its own for the process that no call of ours frees. Where nothing
// else in the host uses it, it would be unloaded with the plug-in and that state lost memory,
// then built again by the next plug-in the host loads. Pinned, it stays loaded with its state,
// as a host's own fontconfig does.
void PinFontconfig()
{
    static const bool pinned = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    (void)pinned;
}

bool FindFontFile(const char* face, std::int32_t weight, bool italic, FontFile& file)
{
    if (config == nullptr) {
        PinFontconfig();
        config = FcInitLoadConfigAndFonts();
    }
    if (config == nullptr)
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return false;
    if (face[0] != 0)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return false;
    FcChar8* path = nullptr;
    int index = 0;
    int matchedWeight = FC_WEIGHT_REGULAR;
    int matchedSlant = FC_SLANT_ROMAN;
    FcBool embolden = FcFalse;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr;
    if (found) {
        file.path = reinterpret_cast<const char*>(path);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        file.index = index;
        file.embolden = embolden == FcTrue || (weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD);
        file.oblique = italic && matchedSlant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

// GDI's sizing: a positive height is the line (ascent + descent by the Windows metrics), a
// negative one the em. Metrics are rounded as GDI rounds them.
bool SizeFace(PosixFont& font, std::int32_t height)
{
    FT_Face face = font.face;
    const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048.0;
    double winAscent = face->ascender;
    double winDescent = -static_cast<double>(face->descender);
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
        }
    }
    if (winAscent + winDescent <= 0)
        winAscent = unitsPerEm;
    if (height == 0)
        height = kDefaultHeight;
    const double em = height > 0 ? height * unitsPerEm / (winAscent + winDescent) : -static_cast<double>(height);
    const auto em26 = static_cast<FT_F26Dot6>(std::lround(em * 64.0));
    if (em26 < 1 || FT_Set_Char_Size(face, 0, em26, 72, 72) != 0)
        return false;
    const double scale = static_cast<double>(em26) / 64.0 / unitsPerEm;
    font.ascent = static_cast<std::int32_t>(std::lround(winAscent * scale));
    font.lineHeight = font.ascent + static_cast<std::int32_t>(std::lround(winDescent * scale));
    return true;
}

// Control characters have no picture; everything else the font lacks shows its missing-glyph box.
bool IsControl(std::uint16_t code)
{
    return code < 32 || (code >= 127 && code < 160);
}

// Loads code into the face's slot with the font's synthetic styles applied.
bool LoadGlyph(const PosixFont& font, std::uint16_t code)
{
    if (IsControl(code) || FT_Load_Char(font.face, code, font.loadFlags) != 0)
        return false;
    FT_GlyphSlot slot = font.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
        return true;
    if (font.embolden)
        FT_GlyphSlot_Embolden(slot);
    if (font.oblique) {
        FT_Matrix shear{0x10000, static_cast<FT_Fixed>(kObliqueShear * 0x10000), 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
    }
    return true;
}

const PosixFont* FontOf(RasterFontHandle handle)
{
    return static_cast<const PosixFont*>(handle);
}

}  // namespace

RasterFontHandle CreatePlatformFont(const PlatformFontDescription& description)
{
    if (description.height < -kMaxHeight || description.height > kMaxHeight)
        return nullptr;
    char face[32];
    CopyTextTruncated(face, sizeof(face), description.face);
    FontFile file;
    if (!FindFontFile(face, description.weight, description.italic, file)) {
        ReleaseWhenUnused();
        return nullptr;
    }
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        ReleaseWhenUnused();
        return nullptr;
    }
    auto* font = new (std::nothrow) PosixFont;
    if (font != nullptr && FT_New_Face(library, file.path.c_str(), file.index, &font->face) == 0 &&
        SizeFace(*font, description.height)) {
        font->embolden = file.embolden;
        font->oblique = file.oblique;
        if (description.quality == FontQuality::QualityNoAntialias) {
            font->loadFlags = FT_LOAD_TARGET_MONO;
            font->renderMode = FT_RENDER_MODE_MONO;
        }
        ++liveFonts;
        return font;
    }
    if (font != nullptr && font->face != nullptr)
        FT_Done_Face(font->face);
    delete font;
    ReleaseWhenUnused();
    return nullptr;
}

void DeletePlatformFont(RasterFontHandle handle)
{
    auto* font = static_cast<PosixFont*>(handle);
    if (font == nullptr)
        return;
    FT_Done_Face(font->face);
    delete font;
    --liveFonts;
    ReleaseWhenUnused();
}

namespace raster_detail {

void PrepareGlyphSurface(RasterSysBitmap&)
{}

std::int32_t PlatformLineHeight(RasterFontHandle handle, RasterSysBitmap&)
{
    return handle != nullptr ? FontOf(handle)->lineHeight : 0;
}

GlyphCellSize MeasureGlyphCell(RasterFontHandle handle, RasterSysBitmap&, std::uint16_t code)
{
    const PosixFont* font = FontOf(handle);
    if (font == nullptr || !LoadGlyph(*font, code))
        return GlyphCellSize{0, 0};
    // Hinted advances are whole pixels already; the rounding is for unhinted faces.
    const auto advance = static_cast<std::int32_t>((font->face->glyph->advance.x + 32) >> 6);
    return GlyphCellSize{std::max(advance, 0), font->lineHeight};
}

void DrawGlyphCell(RasterFontHandle handle, RasterSysBitmap& surface, std::uint16_t code, std::int32_t left,
                   std::int32_t, std::int32_t)
{
    const PosixFont* font = FontOf(handle);
    PixelRows rows;
    if (font == nullptr || !MapRows(&surface, rows) || !LoadGlyph(*font, code))
        return;
    FT_GlyphSlot slot = font->face->glyph;
    if (FT_Render_Glyph(slot, font->renderMode) != 0)
        return;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.buffer == nullptr || bitmap.pitch <= 0)
        return;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return;
    // The pen at (left, 0) puts the baseline at the ascent, as GDI places a line of text.
    const std::int64_t originX = static_cast<std::int64_t>(left) + slot->bitmap_left;
    const std::int64_t originY = static_cast<std::int64_t>(font->ascent) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const std::int64_t y = originY + row;
        if (y < 0 || y >= rows.height)
            continue;
        const unsigned char* in = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        RasterPixel* out = rows.Row(static_cast<std::int32_t>(y));
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const std::int64_t x = originX + col;
            if (x < 0 || x >= rows.width)
                continue;
            const unsigned value = mono ? ((in[col >> 3] >> (7 - (col & 7))) & 1) * 255u : in[col];
            out[x] = static_cast<RasterPixel>(value * 0x010101u);
        }
    }
}

bool PlatformHasNativeText()
{
    return false;
}

bool ProbeRunsUnderWine()
{
    return false;
}

std::int32_t DrawNativeText(RasterDeviceContext, RasterFontHandle, const char*, std::int32_t, TextRect&, std::int32_t,
                            const NativeTextStyle&)
{
    return 0;
}

}  // namespace raster_detail

}  // namespace kestrelon
