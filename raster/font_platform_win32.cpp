// GDI's part in drawing text: fonts from CreateFontA, glyph cells measured and drawn with
// DrawTextW into the glyph surface's memory DC, native text with DrawTextW/DrawTextA into the
// destination's DC, and the one registry look that tells whether we run under Wine.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "raster/font_platform.h"
#include "text/text_copy.h"
#include "text/utf16_win32.h"

namespace kestrelon {

namespace {

COLORREF ColourRef(RasterPixel colour)
{
    return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

HDC SurfaceDc(RasterSysBitmap& surface)
{
    return static_cast<HDC>(surface.DeviceContext());
}

// Selects a font into a DC for one scope; a null font leaves the DC's own.
class SelectedFont {
public:
    SelectedFont(HDC dc, RasterFontHandle font)
        : dc(dc), previous(font != nullptr ? SelectObject(dc, static_cast<HFONT>(font)) : nullptr)
    {}
    ~SelectedFont()
    {
        if (previous != nullptr)
            SelectObject(dc, previous);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// Pure 7-bit text, and text that is not UTF-8 at all, goes to the narrow call as it is.
bool HasMultiByteSequence(const unsigned char* text, std::int32_t length)
{
    for (std::int32_t i = 0; i < length; ++i) {
        const unsigned char lead = text[i];
        int follow = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xF4) {
            follow = 2;  // at least two continuation bytes follow a three- or four-byte lead
        }
        if (follow == 0 || i + follow >= length)
            continue;
        bool formed = true;
        for (int k = 1; k <= follow; ++k)
            formed = formed && (text[i + k] & 0xC0) == 0x80;
        if (formed)
            return true;
    }
    return false;
}

}  // namespace

RasterFontHandle CreatePlatformFont(const PlatformFontDescription& description)
{
    char face[LF_FACESIZE];
    CopyTextTruncated(face, sizeof(face), description.face);
    return CreateFontA(description.height, 0, description.escapement, description.escapement, description.weight,
                       description.italic ? TRUE : FALSE, FALSE, FALSE, 0, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       static_cast<DWORD>(description.quality), 0, face);
}

void DeletePlatformFont(RasterFontHandle font)
{
    if (font != nullptr)
        DeleteObject(static_cast<HFONT>(font));
}

namespace raster_detail {

void PrepareGlyphSurface(RasterSysBitmap& surface)
{
    HDC dc = SurfaceDc(surface);
    if (dc == nullptr)
        return;
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
}

std::int32_t PlatformLineHeight(RasterFontHandle font, RasterSysBitmap& surface)
{
    HDC dc = SurfaceDc(surface);
    if (dc == nullptr)
        return 0;
    SelectedFont selected(dc, font);
    TEXTMETRICA metrics{};
    return GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 0;
}

GlyphCellSize MeasureGlyphCell(RasterFontHandle font, RasterSysBitmap& surface, std::uint16_t code)
{
    HDC dc = SurfaceDc(surface);
    if (dc == nullptr)
        return GlyphCellSize{0, 0};
    SelectedFont selected(dc, font);
    const wchar_t unit = static_cast<wchar_t>(code);
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, &unit, 1, &rect, DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
    return GlyphCellSize{rect.right - rect.left, rect.bottom - rect.top};
}

void DrawGlyphCell(RasterFontHandle font, RasterSysBitmap& surface, std::uint16_t code, std::int32_t left,
                   std::int32_t right, std::int32_t bottom)
{
    HDC dc = SurfaceDc(surface);
    if (dc == nullptr)
        return;
    {
        SelectedFont selected(dc, font);
        const wchar_t unit = static_cast<wchar_t>(code);
        RECT rect{left, 0, right, bottom};
        DrawTextW(dc, &unit, 1, &rect, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE);
    }
    // The cache reads the pixels right away.
    GdiFlush();
}

bool PlatformHasNativeText()
{
    return true;
}

bool ProbeRunsUnderWine()
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::int32_t DrawNativeText(RasterDeviceContext context, RasterFontHandle font, const char* text, std::int32_t length,
                            TextRect& rect, std::int32_t format, const NativeTextStyle& style)
{
    HDC dc = static_cast<HDC>(context);
    if (dc == nullptr || text == nullptr || length < 0)
        return 0;
    // Strict: text that is not wholly UTF-8 converts to nothing and is drawn narrow instead.
    std::wstring wide;
    if (HasMultiByteSequence(reinterpret_cast<const unsigned char*>(text), length))
        wide = Windows_UTF_Converter::Utf8ToWide(std::string_view(text, static_cast<std::size_t>(length)), true);

    SelectedFont selected(dc, font);
    SetTextColor(dc, ColourRef(style.foreground));
    SetBkMode(dc, style.backgroundMode);
    if (style.backgroundMode == OPAQUE)
        SetBkColor(dc, ColourRef(style.background));
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    const UINT flags = static_cast<UINT>(format) | DT_NOPREFIX;
    const int result =
        wide.empty() ? DrawTextA(dc, text, length, &r, flags) : DrawTextW(dc, wide.c_str(), -1, &r, flags);
    if ((flags & DT_CALCRECT) != 0)
        rect = TextRect{r.left, r.top, r.right, r.bottom};
    GdiFlush();
    return result;
}

}  // namespace raster_detail

}  // namespace kestrelon
