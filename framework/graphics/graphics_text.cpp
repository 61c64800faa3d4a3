// Text drawing comes with the font layer; until it is in, no font can be made for a style.
#include "framework/graphics/graphics.h"

namespace kestrelon {

bool IGraphics::MeasureText(const TextStyle& style, const char* text, Rect& rect)
{
    TextStyle copy = style;
    return DrawTextInRect(copy, text, rect, true);
}

bool IGraphics::DrawTextInRect(TextStyle&, const char*, Rect&, bool)
{
    return false;
}

RasterCachedFont* IGraphics::FindOrCreateFont(TextStyle&)
{
    return nullptr;
}

}  // namespace kestrelon
