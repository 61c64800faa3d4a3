#pragma once

// The records the graphics context, its controls and the resize controller share.

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace kestrelon {

class RasterCachedFont;

// Editor pixels; right and bottom exclusive. All four zero is the empty rectangle.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    constexpr std::int32_t Width() const { return right - left; }
    constexpr std::int32_t Height() const { return bottom - top; }
    // Half-open hit test.
    constexpr bool Contains(std::int32_t x, std::int32_t y) const
    {
        return !IsEmpty() && left <= x && x < right && top <= y && y < bottom;
    }
    // The redraw rules' own test: rectangles that merely touch on their right
    // or bottom edge count as intersecting, so a neighbour is repainted whole.
    constexpr bool Intersects(const Rect& b) const
    {
        return !IsEmpty() && !b.IsEmpty() && right >= b.left && left < b.right && bottom >= b.top && top < b.bottom;
    }
    constexpr Rect Intersection(const Rect& b) const
    {
        if (!Intersects(b))
            return Rect{};
        return Rect{left > b.left ? left : b.left, top > b.top ? top : b.top, right < b.right ? right : b.right,
                    bottom < b.bottom ? bottom : b.bottom};
    }
    constexpr Rect Union(const Rect& b) const
    {
        if (IsEmpty())
            return b;
        if (b.IsEmpty())
            return *this;
        return Rect{left < b.left ? left : b.left, top < b.top ? top : b.top, right > b.right ? right : b.right,
                    bottom > b.bottom ? bottom : b.bottom};
    }
    constexpr bool operator==(const Rect&) const = default;
};

// 0..255 each.
struct Colour {
    std::int32_t alpha = 255;
    std::int32_t red = 0;
    std::int32_t green = 0;
    std::int32_t blue = 0;

    // As the raster layer takes it: 0xAARRGGBB.
    constexpr RasterPixel Packed() const
    {
        return (static_cast<RasterPixel>(alpha & 0xFF) << 24) | (static_cast<RasterPixel>(red & 0xFF) << 16) |
               (static_cast<RasterPixel>(green & 0xFF) << 8) | static_cast<RasterPixel>(blue & 0xFF);
    }
    constexpr bool operator==(const Colour&) const = default;
};

enum class FontStyle : std::int32_t { StyleNormal = 0, StyleBold = 1, StyleItalic = 2 };
enum class TextAlign : std::int32_t { AlignLeft = 0, AlignCentre = 1, AlignRight = 2 };
enum class TextQuality : std::int32_t {
    QualityDefault = 0,
    QualityNoAntialias = 1,
    QualityAntialias = 2,
    QualityClearType = 3
};

constexpr int kFontFaceSize = 32;

// How a control draws its text, and how the text entry box looks.
struct TextStyle {
    char face[kFontFaceSize] = "Verdana";
    std::int32_t size = 12;  // the font height in pixels
    Colour colour{255, 0, 0, 0};
    Colour entryBackground{255, 255, 255, 255};
    Colour entryText{255, 0, 0, 0};
    FontStyle style = FontStyle::StyleNormal;
    TextAlign align = TextAlign::AlignCentre;
    std::int32_t orientation = 0;  // degrees
    TextQuality quality = TextQuality::QualityDefault;
    // The font made for this style; it belongs to the process-wide font cache.
    RasterCachedFont* cachedFont = nullptr;
};

struct MouseModifiers {
    bool left = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
};

// A loaded image shared by every control that shows it; film-strip frames
// are stacked vertically, height / frameCount rows each. Rescaling updates
// the record in place, so every control follows.
struct ImageRef {
    RasterBitmap* bitmap = nullptr;  // owned by the process-wide bitmap cache
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t frameCount = 1;
};

enum class BlendMethod : std::int32_t {
    BlendMethodAlpha = 0,
    BlendMethodOpaque = 1,
    BlendMethodAdd = 2,
    BlendMethodDodge = 3,
};

struct BlendSpec {
    BlendMethod method = BlendMethod::BlendMethodAlpha;
    float weight = 1.0f;  // 1.0 opaque

    // The raster layer's mode for this method; an unknown method blends by
    // alpha.
    constexpr BlendMode Mode() const
    {
        switch (method) {
        case BlendMethod::BlendMethodOpaque:
            return BlendMode::ModeCopy;
        case BlendMethod::BlendMethodAdd:
            return BlendMode::ModeAdd | BlendMode::ModeUseSourceAlpha;
        case BlendMethod::BlendMethodDodge:
            return BlendMode::ModeDodge | BlendMode::ModeUseSourceAlpha;
        default:
            return BlendMode::ModeCopy | BlendMode::ModeUseSourceAlpha;
        }
    }
};

// The mouse pointers the editor shows.
enum class MouseCursor : std::int32_t { Arrow, SizeNWSE, SizeWE, SizeNS };

// The keys a control can take, as the window decodes them.
enum class KeyCode : std::int32_t {
    KeySpace = 0,
    KeyUp = 1,
    KeyDown = 2,
    KeyLeft = 3,
    KeyRight = 4,
    KeyDigit0 = 5,  // '0'..'9' are 5..14
    KeyLetterA = 15,  // 'A'..'Z' are 15..40
};

}  // namespace kestrelon
