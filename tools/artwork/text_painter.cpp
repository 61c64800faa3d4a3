#include "tools/artwork/text_painter.h"

#include <fontconfig/fontconfig.h>

#include "raster/raster_ops.h"
#include "tools/artwork/canvas.h"

namespace kestrelon {

namespace artwork {

namespace {

constexpr const char* kFace = "Arial";
constexpr const char* kDesignFamily = "Liberation Sans";
// Room around a run for glyphs that reach past their cells (italic overhangs, descenders).
constexpr int kMaskPad = 4;

}  // namespace

TextPainter::TextPainter(int height, int weight, int tracking) : tracking(tracking)
{
    PlatformFontDescription description;
    description.face = kFace;
    description.height = height;
    description.weight = weight;
    description.quality = FontQuality::QualityAntialias;
    RasterFontHandle handle = CreatePlatformFont(description);
    if (handle == nullptr)
        return;
    font = std::make_unique<RasterCachedFont>();
    font->AttachFont(handle, FontFlags::FontOwnsHandle);
    font->SetForegroundColor(0xFFFFFFFFu);
    font->SetBlending(BlendMode::ModeCopy, 1.0f);
}

TextPainter::~TextPainter() = default;

int TextPainter::LineHeight() const
{
    return font ? font->GetRowHeight() : 0;
}

int TextPainter::MeasureRun(const std::string& text) const
{
    TextRect rect{0, 0, 0, 0};
    font->RenderText(nullptr, text.c_str(), static_cast<std::int32_t>(text.size()), rect,
                     kTextCalcRect | kTextSingleLine);
    return rect.right - rect.left;
}

int TextPainter::Measure(const std::string& text) const
{
    if (!font)
        return 0;
    if (tracking == 0)
        return MeasureRun(text);
    int width = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        width += MeasureRun(text.substr(i, 1)) + (i + 1 < text.size() ? tracking : 0);
    return width;
}

void TextPainter::DrawRun(Canvas& canvas, const std::string& text, int x, int y, const Colour& colour) const
{
    const int w = MeasureRun(text) + 2 * kMaskPad;
    const int h = LineHeight() + 2 * kMaskPad;
    RasterMemBitmap mask(w, h);
    ClearBitmap(&mask);
    TextRect rect{kMaskPad, kMaskPad, w - kMaskPad, h - kMaskPad};
    font->RenderText(&mask, text.c_str(), static_cast<std::int32_t>(text.size()), rect, kTextSingleLine | kTextNoClip);
    const RasterPixel* pixels = mask.PixelData();
    if (pixels == nullptr)
        return;
    // White on clear: the red byte is the glyph coverage.
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w; ++column) {
            const int coverage = (pixels[row * mask.RowStride() + column] >> 16) & 0xFF;
            if (coverage != 0)
                canvas.Blend(x - kMaskPad + column, y - kMaskPad + row, colour, coverage / 255.0);
        }
    }
}

void TextPainter::Draw(Canvas& canvas, const std::string& text, int x, int y, const Colour& colour,
                       TextAlign align) const
{
    if (!font || text.empty())
        return;
    const int width = Measure(text);
    if (align == TextAlign::Centre)
        x -= width / 2;
    else if (align == TextAlign::Right)
        x -= width;
    if (tracking == 0) {
        DrawRun(canvas, text, x, y, colour);
        return;
    }
    // Letter by letter; only ASCII captions are tracked, so a byte is a letter.
    int pen = x;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string one = text.substr(i, 1);
        DrawRun(canvas, one, pen, y, colour);
        pen += MeasureRun(one) + tracking;
    }
}

bool HasDesignFace(std::string& found)
{
    found.clear();
    // A configuration of its own, loaded from the same files as the text layer's, and freed again.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr)
        return false;
    FcPattern* pattern = FcPatternCreate();
    FcPattern* match = nullptr;
    if (pattern != nullptr) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFace));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        match = FcFontMatch(config, pattern, &result);
        FcPatternDestroy(pattern);
    }
    FcChar8* family = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr)
        found = reinterpret_cast<const char*>(family);
    if (match != nullptr)
        FcPatternDestroy(match);
    FcConfigDestroy(config);
    return found == kDesignFamily;
}

}  // namespace artwork

}  // namespace kestrelon
