// The effect's editor: 340 x 484 design pixels, four film-strip knobs with
// typed-in readouts, two gain-change meters, the clip light around the
// switch for "Clip Output", and the credits overlay; up to 1.5 times larger
// by its corner grip.
#include <cstdio>
#include <memory>

#include "framework/graphics/platform_graphics.h"
#include "framework/graphics/resize_controller.h"
#include "framework/module_instance.h"
#include "plugin/editor_controls.h"
#include "plugin/kestrelon.h"
#include "resources/img/editor_images.h"

namespace kestrelon {

namespace {

TextStyle ArialStyle(int size, FontStyle weight, TextAlign align)
{
    TextStyle style;
    std::snprintf(style.face, sizeof style.face, "%s", "Arial");
    style.size = size;
    style.colour = Colour{100, 255, 255, 255};  // translucent white
    style.entryBackground = Colour{255, 255, 255, 255};
    style.entryText = Colour{255, 0, 0, 0};
    style.style = weight;
    style.align = align;
    return style;
}

struct KnobPlace {
    int image;
    const char* name;
    int x, y;
    int param;
};

constexpr KnobPlace kKnobs[] = {
    {101, "resources/img/knob_1.png", 23, 119, KestrelonParams::kAttack},
    {102, "resources/img/knob_2.png", 183, 119, KestrelonParams::kSustain},
    {103, "resources/img/knob_3.png", 23, 279, KestrelonParams::kSensitivity},
    {104, "resources/img/knob_4.png", 183, 279, KestrelonParams::kOutput},
};

// The readouts: 64 wide, centred under the knobs (centres x = 90 and 250).
constexpr Rect kReadouts[] = {{58, 253, 122, 269}, {218, 253, 282, 269}, {58, 413, 122, 429}, {218, 413, 282, 429}};

}  // namespace

KestrelonEditorParts BuildKestrelonEditor(IEditorDelegate* plugin)
{
    KestrelonEditorParts parts;
    // The images are the library's own: resources on Windows, compiled-in
    // data registered once per process elsewhere.
    RegisterEditorImages();
    std::unique_ptr<IGraphics> graphics =
        MakePlatformGraphics(plugin, ModuleInstance(), IGraphics::kDesignWidth, IGraphics::kDesignHeight);

    auto resize = std::make_unique<IResizeController>(plugin, *graphics);
    resize->SetLiveResize(true);
    resize->SelectViewMode(0);
    resize->SetScaleLimits(1.0, 1.5);
    resize->SetScaleByDrag(true);  // the whole editor scales, keeping its proportions
    resize->SetViewLimits(0, 340, 484, 510, 726);
    graphics->SetResizeController(std::move(resize));

    graphics->SetImageResolution(1);
    graphics->AddBackground();
    for (const KnobPlace& knob : kKnobs)
        graphics->AddControl(std::make_unique<IKnobMultiControl>(plugin, knob.x, knob.y, knob.param,
                                                                 graphics->LoadImage(knob.image, knob.name, 101), 4.0));
    const TextStyle readout = ArialStyle(16, FontStyle::StyleNormal, TextAlign::AlignCentre);
    for (int i = 0; i < 4; ++i)
        graphics->AddControl(std::make_unique<TextEntry>(plugin, kReadouts[i], readout, kKnobs[i].param));

    const Colour meterColour{150, 255, 255, 255};
    parts.meters.attackMeter = graphics->ControlCount();
    graphics->AddControl(std::make_unique<HBiDirMeterControl>(plugin, Rect{30, 80, 150, 88}, meterColour, meterColour));
    parts.meters.sustainMeter = graphics->ControlCount();
    graphics->AddControl(
        std::make_unique<HBiDirMeterControl>(plugin, Rect{190, 80, 310, 88}, meterColour, meterColour));

    parts.meters.clipLed = graphics->ControlCount();
    graphics->AddControl(
        std::make_unique<LedBitMapControl>(plugin, graphics->LoadImage(105, "resources/img/clip.png", 10)));
    graphics->AddControl(std::make_unique<ISwitchControl>(plugin, 159, 73, KestrelonParams::kClipOutput,
                                                          graphics->LoadImage(107, "resources/img/clipbutton.png", 2),
                                                          BlendMethod::BlendMethodAlpha));
    graphics->AddControl(std::make_unique<CreditDisplayControl>(
        plugin, graphics->LoadImage(106, "resources/img/credits.png", 1), Rect{10, 440, 330, 480},
        Rect{5, 470, 155, 482}, ArialStyle(12, FontStyle::StyleBold, TextAlign::AlignLeft)));

    parts.graphics = std::move(graphics);
    return parts;
}

}  // namespace kestrelon
