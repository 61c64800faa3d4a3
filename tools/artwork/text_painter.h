#pragma once

// Captions drawn with the editor's own text layer: RasterCachedFont renders the glyphs (on Linux
// through FreeType, with "Arial" found as Liberation Sans), white into a clear mask, and the mask's
// coverage is then blended onto the canvas in any colour with a true "over", so text on the
// transparent overlay keeps clean edges.

#include <memory>
#include <string>

#include "raster/raster_font.h"
#include "tools/artwork/canvas.h"

namespace kestrelon {

namespace artwork {

enum class TextAlign { Left, Centre, Right };

class TextPainter {
public:
    // height as the text layer takes it: negative for the character (em) height in pixels, positive
    // for the line height, as the editor's text styles give it; weight 400 normal, 700 bold;
    // tracking is extra space after every character, in whole pixels so that letters stay evenly
    // spaced.
    TextPainter(int height, int weight, int tracking = 0);
    ~TextPainter();

    bool IsUsable() const { return font != nullptr; }
    int LineHeight() const;
    int Measure(const std::string& text) const;
    // Draws text with its line box's top at y, aligned on x.
    void Draw(Canvas& canvas, const std::string& text, int x, int y, const Colour& colour,
              TextAlign align = TextAlign::Left) const;

private:
    int MeasureRun(const std::string& text) const;
    void DrawRun(Canvas& canvas, const std::string& text, int x, int y, const Colour& colour) const;

    std::unique_ptr<RasterCachedFont> font;
    int tracking;
};

// Whether the face the text layer will use for "Arial" is the one the artwork was designed with
// (Liberation Sans, from fonts-liberation2): another face would make other pictures. The family
// found is stored in found.
bool HasDesignFace(std::string& found);

}  // namespace artwork

}  // namespace kestrelon
