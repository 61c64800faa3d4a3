#pragma once

// The effect's own controls: the typed-in value readouts, the bidirectional
// gain-change meters, the clip light and the credits overlay.

#include <string>

#include "framework/graphics/stock_controls.h"

namespace kestrelon {

// A parameter's value and label as text; a click opens an entry box in
// which a value can be typed.
class TextEntry : public IControl {
public:
    TextEntry(IEditorDelegate* plugin, const Rect& rect, const TextStyle& style, int paramIndex);

    // [UI thread]
    void HandleMouseDown(int x, int y, const MouseModifiers& mods) override;
    bool Paint(IGraphics& graphics) override;
    void OnScaleChanged(double scale) override;
    // The typed text's leading number, limited to the parameter's range.
    void AcceptEnteredText(const char* text) override;

    // What the readout shows for the parameter's plain value: the display
    // text, a space and the label.
    std::string ReadoutText(double plainValue) const;
    const std::string& ShownText() const { return shownText; }

private:
    TextStyle baseStyle;
    std::string shownText;
};

// A horizontal bar from the centre column: to the right for a boost, to the
// left for a cut, at full length for +-10 dB; brighter as it grows.
class HBiDirMeterControl : public IControl {
public:
    HBiDirMeterControl(IEditorDelegate* plugin, const Rect& rect, const Colour& centreColour, const Colour& edgeColour);

    bool Paint(IGraphics& graphics) override;
    void OnScaleChanged(double scale) override;

    // The bar the value gives, as Paint fills it.
    Rect BarFor(double value) const;
    Colour ColourFor(double value) const;

private:
    int halfWidth = 0;
    int barOffset = 0;
    double intensity = 0.5;
    Colour barColour{255, 0, 0, 0};
    Colour centreColour;
    Colour edgeColour;
    Rect barRect;
};

// The clip light: a frame of its strip for the level, from dark to full.
class LedBitMapControl : public IControl {
public:
    LedBitMapControl(IEditorDelegate* plugin, ImageRef* image);

    bool Paint(IGraphics& graphics) override;
    // 1-based, as DrawImageFrame takes it.
    static int FrameFor(double value, int frameCount);

private:
    ImageRef* image = nullptr;  // shared, not owned
};

// The credits overlay: hidden but for a hotspot at the bottom; a click shows
// it over the whole editor, another hides it.
class CreditDisplayControl : public ISwitchControl {
public:
    CreditDisplayControl(IEditorDelegate* plugin, ImageRef* image, const Rect& hotspot, const Rect& textRect,
                         const TextStyle& style);

    bool Paint(IGraphics& graphics) override;
    void OnScaleChanged(double scale) override;
    const Rect& Hotspot() const { return hotspot; }
    const Rect& TextRect() const { return textRect; }

private:
    Rect hotspot;
    Rect hotspotDesign;
    Rect textRectDesign;
    Rect textRect;
    std::string buildText = "Build 170907";
    TextStyle baseStyle;
};

}  // namespace kestrelon
