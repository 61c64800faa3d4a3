#include "plugin/editor_controls.h"

#include <algorithm>
#include <cmath>

#include "framework/editor_delegate.h"
#include "framework/graphics/graphics.h"
#include "framework/parameter.h"
#include "text/leading_number.h"

namespace kestrelon {

namespace {

Rect ScaledRect(const Rect& r, double scale)
{
    return Rect{static_cast<int>(r.left * scale), static_cast<int>(r.top * scale), static_cast<int>(r.right * scale),
                static_cast<int>(r.bottom * scale)};
}

// A new size needs a font of its own: the style forgets the one it had.
void ScaleStyle(TextStyle& style, const TextStyle& base, double scale)
{
    const int size = static_cast<int>(base.size * scale);
    if (style.size != size)
        style.cachedFont = nullptr;
    style.size = size;
}

// What a meter or light shows of its value: the host's audio can bring
// anything, and the first value reaches the control unclamped; a value that
// is not a number shows as rest (no deflection).
double Reading(double value, double rest)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : rest;
}

}  // namespace

TextEntry::TextEntry(IEditorDelegate* plugin, const Rect& drawn, const TextStyle& style, int param)
    : IControl(plugin, drawn, -1, BlendSpec{}), baseStyle(style)
{
    textStyle = style;
    promptDisabled = true;
    paramIndex = param;
}

std::string TextEntry::ReadoutText(double plainValue) const
{
    const IParameter* param = plugin ? plugin->ParamAt(paramIndex) : nullptr;
    if (!param)
        return std::string();
    char display[kParamTextSize];
    param->GetDisplayText(plainValue, false, display, true);
    return std::string(display) + " " + param->GetDisplayLabel();
}

bool TextEntry::Paint(IGraphics& graphics)
{
    const IParameter* param = plugin ? plugin->ParamAt(paramIndex) : nullptr;
    if (!param)
        return false;
    {
        // The host may set the parameter from another thread meanwhile, and the
        // label depends on the value too.
        MutexLock lock(plugin->Mutex());
        shownText = ReadoutText(param->Value());
    }
    return graphics.DrawTextInRect(textStyle, shownText.c_str(), rect);
}

void TextEntry::HandleMouseDown(int, int, const MouseModifiers&)
{
    // Without a parameter the committed text comes back to AcceptEnteredText.
    if (IGraphics* graphics = plugin ? dynamic_cast<IGraphics*>(plugin->Editor()) : nullptr)
        graphics->OpenTextEntry(this, textStyle, rect, shownText.c_str(), nullptr);
}

void TextEntry::AcceptEnteredText(const char* text)
{
    shownText = text ? text : "";
    const IParameter* param = plugin ? plugin->ParamAt(paramIndex) : nullptr;
    if (!param)
        return;
    // Read the same whatever the host's locale: "3.5" is never 3.
    SetValue(param->ToNormalized(ParseLeadingNumber(shownText.c_str())));
    MarkDirty(true);
}

void TextEntry::OnScaleChanged(double scale)
{
    ScaleStyle(textStyle, baseStyle, scale);
}

HBiDirMeterControl::HBiDirMeterControl(IEditorDelegate* plugin, const Rect& drawn, const Colour& centre,
                                       const Colour& edge)
    : IControl(plugin, drawn, -1, BlendSpec{}), centreColour(centre), edgeColour(edge)
{
    halfWidth = rect.Width() / 2;
}

void HBiDirMeterControl::OnScaleChanged(double)
{
    halfWidth = rect.Width() / 2;
}

Rect HBiDirMeterControl::BarFor(double value) const
{
    const double v = Reading(value, 0.5);
    const int offset = static_cast<int>(2.0 * halfWidth * v - halfWidth);
    const int centre = rect.left + halfWidth;
    // The centre column belongs to the cut side: a cut of one step lights it
    // and its left neighbour, a boost of one step the centre column alone.
    if (offset >= 0)
        return Rect{centre, rect.top, centre + offset, rect.bottom};
    return Rect{centre + offset, rect.top, centre + 1, rect.bottom};
}

Colour HBiDirMeterControl::ColourFor(double value) const
{
    const double v = Reading(value, 0.5);
    const double strength = std::sqrt(std::fabs(v - 0.5) * 2.0);
    auto mix = [strength](int from, int to) { return static_cast<int>(from + (to - from) * strength); };
    return Colour{mix(centreColour.alpha, edgeColour.alpha), mix(centreColour.red, edgeColour.red),
                  mix(centreColour.green, edgeColour.green), mix(centreColour.blue, edgeColour.blue)};
}

bool HBiDirMeterControl::Paint(IGraphics& graphics)
{
    const double v = Reading(Value(), 0.5);
    barOffset = static_cast<int>(2.0 * halfWidth * v - halfWidth);
    intensity = std::sqrt(std::fabs(v - 0.5) * 2.0);
    barColour = ColourFor(v);
    barRect = BarFor(v);
    graphics.FillRect(barColour, barRect);
    return true;
}

LedBitMapControl::LedBitMapControl(IEditorDelegate* plugin, ImageRef* shown)
    : IControl(plugin,
               shown ? Rect{158, 72, 158 + shown->width, 72 + shown->height / std::max(shown->frameCount, 1)}
                     : Rect{158, 72, 158, 72},
               -1, BlendSpec{}),
      image(shown)
{}

int LedBitMapControl::FrameFor(double value, int frameCount)
{
    const double f = std::trunc((frameCount - 1) * Reading(value, 0.0) + 0.5);
    if (!(f >= 0.0))
        return 1;
    return f + 1 > frameCount ? frameCount : static_cast<int>(f) + 1;
}

bool LedBitMapControl::Paint(IGraphics& graphics)
{
    if (!image)
        return false;
    return graphics.DrawImageFrame(*image, rect, FrameFor(Value(), image->frameCount), &blend);
}

CreditDisplayControl::CreditDisplayControl(IEditorDelegate* plugin, ImageRef* shown, const Rect& spot,
                                           const Rect& textBox, const TextStyle& style)
    : ISwitchControl(plugin, 0, 0, -1, shown, BlendMethod::BlendMethodAlpha),
      hotspot(spot),
      hotspotDesign(spot),
      textRectDesign(textBox),
      baseStyle(style)
{
    textStyle = style;
    CreditDisplayControl::OnScaleChanged(1.0);
}

bool CreditDisplayControl::Paint(IGraphics& graphics)
{
    if (Value() < 0.5) {
        // Hidden: only the hotspot (the maker's name) opens it.
        targetRect = hotspot;
        return true;
    }
    targetRect = rect;
    IBitmapControl::Paint(graphics);
    if (!buildText.empty())
        graphics.DrawTextInRect(textStyle, buildText.c_str(), textRect);
    return true;
}

void CreditDisplayControl::OnScaleChanged(double scale)
{
    hotspot = ScaledRect(hotspotDesign, scale);
    textRect = ScaledRect(textRectDesign, scale);
    ScaleStyle(textStyle, baseStyle, scale);
}

}  // namespace kestrelon
