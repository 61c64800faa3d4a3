#include "tools/artwork/preview.h"

#include <cmath>

#include "raster/raster_ops.h"
#include "tools/artwork/canvas.h"
#include "tools/artwork/layout.h"
#include "tools/artwork/text_painter.h"

namespace kestrelon {

namespace artwork {

namespace {

constexpr int kGap = 16;

// The four knobs' settings as normalised values and as their readouts show them.
struct KnobSetting {
    double value;
    const char* readout;
};
const KnobSetting kSettings[4] = {{0.82, "6.4 "}, {0.27, "-4.6 "}, {0.5, "0.5 "}, {0.625, "3.0 dB"}};

void BlitFrame(RasterBitmap& to, RasterMemBitmap& strip, int frame, int frameHeight, int x, int y)
{
    const SourceRect rect{0, frame * frameHeight, strip.PixelWidth(), (frame + 1) * frameHeight};
    BlitBitmap(&to, &strip, x, y, &rect, 1.0f, BlendMode::ModeUseSourceAlpha);
}

// The meters' bar as the meter control paints it.
void DrawMeterBar(RasterBitmap& to, const MeterPlace& m, int originX, double v)
{
    const int half = (m.right - m.left) / 2;
    const int offset = static_cast<int>(2 * half * v - half);
    const int c = m.left + half;
    const int left = offset >= 0 ? c : c + offset;
    const int right = offset >= 0 ? c + offset : c + 1;
    FillRectangle(&to, originX + left, m.top, right - left, m.bottom - m.top, 0x96FFFFFFu, 1.0f,
                  BlendMode::ModeUseSourceAlpha);
}

void DrawEditor(RasterMemBitmap& preview, const EditorPictures& p, int originX, bool creditsOpen)
{
    BlitBitmap(&preview, p.background, originX, 0, nullptr, 1.0f, BlendMode::ModeCopy);
    // The readout style: Arial at a line height of 16, white at alpha 100, centred.
    const TextPainter readout(16, 400);
    Canvas canvas(preview, originX, 0, kEditorWidth, kEditorHeight);
    for (int knob = 0; knob < 4; ++knob) {
        const int frame = static_cast<int>(std::lround(kSettings[knob].value * (kKnobFrames - 1)));
        BlitFrame(preview, *p.knobs[knob], frame, kKnobSize, originX + kKnobPlaces[knob].left, kKnobPlaces[knob].top);
        readout.Draw(canvas, kSettings[knob].readout, static_cast<int>(KnobCentreX(knob)),
                     kKnobPlaces[knob].top + kKnobSize, WithAlpha(Rgb(0xffffff), 100.0 / 255.0), TextAlign::Centre);
    }
    DrawMeterBar(preview, kMeters[0], originX, 0.78);
    DrawMeterBar(preview, kMeters[1], originX, 0.36);
    BlitFrame(preview, *p.clipLight, 8, kClipLightSize, originX + kClipLightLeft, kClipLightTop);
    // The working editor clips, so its button shows the clear frame and the light comes through;
    // the other shows the button's cap, clipping off.
    BlitFrame(preview, *p.clipButton, creditsOpen ? 0 : 1, kClipButtonSize, originX + kClipButtonLeft, kClipButtonTop);
    if (creditsOpen) {
        BlitBitmap(&preview, p.credits, originX, 0, nullptr, 1.0f, BlendMode::ModeUseSourceAlpha);
        // The credits style: Arial 12 bold, white at alpha 100.
        const TextPainter build(12, 700);
        build.Draw(canvas, "Build 170907", kBuildTextLeft, kBuildTextTop, WithAlpha(Rgb(0xffffff), 100.0 / 255.0));
    }
}

}  // namespace

void DrawPreview(RasterMemBitmap& preview, const EditorPictures& pictures)
{
    preview.SetSize(2 * kEditorWidth + kGap, kEditorHeight);
    FillRectangle(&preview, 0, 0, preview.PixelWidth(), preview.PixelHeight(), 0xFF101215u, 1.0f, BlendMode::ModeCopy);
    DrawEditor(preview, pictures, 0, false);
    DrawEditor(preview, pictures, kEditorWidth + kGap, true);
}

}  // namespace artwork

}  // namespace kestrelon
