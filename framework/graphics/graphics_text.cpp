// Text in the editor: one font per (size, orientation, style, face), made on
// first use and shared by every editor of the process, drawn and measured
// through the raster layer's cached fonts.
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/graphics/graphics.h"
#include "raster/font_platform.h"
#include "raster/raster_font.h"

namespace kestrelon {

namespace {

struct FontKey {
    std::int32_t size;
    std::int32_t orientation;
    FontStyle style;
    char face[36];

    bool operator==(const FontKey& other) const
    {
        return size == other.size && orientation == other.orientation && style == other.style &&
               std::strncmp(face, other.face, sizeof face) == 0;
    }
};

struct FontCache {
    std::mutex lock;
    std::vector<std::pair<FontKey, std::unique_ptr<RasterCachedFont>>> entries;
};

FontCache& Fonts()
{
    static FontCache cache;
    return cache;
}

FontQuality PlatformQuality(TextQuality quality)
{
    switch (quality) {
    case TextQuality::QualityNoAntialias:
        return FontQuality::QualityNoAntialias;
    case TextQuality::QualityAntialias:
        return FontQuality::QualityAntialias;
    case TextQuality::QualityClearType:
        return FontQuality::QualityClearType;
    default:
        return FontQuality::QualityDefault;
    }
}

}  // namespace

RasterCachedFont* IGraphics::FindOrCreateFont(TextStyle& style)
{
    FontKey key{style.size, style.orientation, style.style, {}};
    std::strncpy(key.face, style.face, sizeof key.face - 1);
    FontCache& cache = Fonts();
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        for (auto& entry : cache.entries) {
            if (entry.first == key) {
                style.cachedFont = entry.second.get();
                return style.cachedFont;
            }
        }
    }
    PlatformFontDescription description;
    description.face = key.face;
    description.height = style.size;
    description.weight = style.style == FontStyle::StyleBold ? 700 : 400;
    description.italic = style.style == FontStyle::StyleItalic;
    description.quality = PlatformQuality(style.quality);
    description.escapement = style.orientation * 10;
    RasterFontHandle handle = CreatePlatformFont(description);
    if (!handle)
        return nullptr;
    auto font = std::make_unique<RasterCachedFont>();
    font->AttachFont(handle, kEditorFontFlags);
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.emplace_back(key, std::move(font));
    style.cachedFont = cache.entries.back().second.get();
    return style.cachedFont;
}

bool IGraphics::DrawTextInRect(TextStyle& style, const char* text, Rect& rect, bool measure)
{
    if (!text || text[0] == '\0')
        return true;
    RasterCachedFont* font = style.cachedFont ? style.cachedFont : FindOrCreateFont(style);
    if (!font)
        return false;
    font->SetForegroundColor(style.colour.Packed());
    std::int32_t format = kTextNoClip;
    if (style.colour.alpha != 255)
        format |= kTextUseColorAlpha;
    if (style.align == TextAlign::AlignCentre)
        format |= kTextCenter;
    else if (style.align == TextAlign::AlignRight)
        format |= kTextRight;
    if (!measure) {
        TextRect target{rect.left, rect.top, rect.right, rect.bottom};
        font->RenderText(drawSurface.get(), text, -1, target, format);
        return true;
    }
    TextRect box{0, 0, 0, 0};
    font->RenderText(drawSurface.get(), text, -1, box, format | kTextCalcRect);
    const int w = box.right;
    const int h = box.bottom;
    switch (style.align) {
    case TextAlign::AlignLeft:
        rect.right = rect.left + w;
        break;
    case TextAlign::AlignCentre:
        rect.left = static_cast<int>(std::trunc((rect.left + rect.right) * 0.5)) - w / 2;
        rect.right = rect.left + w;
        break;
    case TextAlign::AlignRight:
        rect.left = rect.right - w;
        break;
    }
    rect.bottom = rect.top + h;
    return true;
}

bool IGraphics::MeasureText(const TextStyle& style, const char* text, Rect& rect)
{
    TextStyle measured = style;
    return DrawTextInRect(measured, text, rect, true);
}

}  // namespace kestrelon
