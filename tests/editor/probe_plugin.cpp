// A small effect on the project's framework whose editor is the framework's
// own window with one control of each kind: a film-strip knob, a switch and a
// value bar that opens an entry box bound to its parameter. Its images are
// made at start, so the editor framework can be driven through a real host
// (vsthost edit) independently of Kestrelon's artwork.
#include <cstdint>
#include <memory>
#include <new>

#include "framework/graphics/image_cache.h"
#include "framework/graphics/platform_graphics.h"
#include "framework/graphics/stock_controls.h"
#include "framework/module_instance.h"
#include "framework/vst/vst_effect.h"
#include "framework/vst/vst_entry.h"
#include "raster/raster_bitmap.h"
#include "tests/editor/probe_layout.h"

namespace kestrelon {

namespace {

using namespace probe;

EffectDescription ProbeDescription()
{
    EffectDescription d;
    d.paramCount = kParamCount;
    d.channelIO = "2-2";
    d.presetCount = 1;
    d.effectName = "Editor Probe";
    d.makerName = "Lumen Pathway";
    d.version = 0x10000;
    d.uniqueId = FourCharCode("KPRB");
    d.makerId = FourCharCode("LPFX");
    return d;
}

// An image of solid colours: `colour(frame)` for each frame of a strip.
template <typename ColourOf>
std::unique_ptr<RasterBitmap> MakeStrip(int width, int frameHeight, int frames, ColourOf colour)
{
    auto bitmap = std::make_unique<RasterMemBitmap>(width, frameHeight * frames);
    for (int y = 0; y < frameHeight * frames; ++y) {
        for (int x = 0; x < width; ++x)
            bitmap->PixelData()[y * bitmap->RowStride() + x] = colour(y / frameHeight);
    }
    return bitmap;
}

// Cached under their ids before the editor asks for them, so the editor's
// image loading finds them as it would decoded resources.
void MakeImages()
{
    CacheBitmap(kBackgroundImage, MakeStrip(kWidth, kHeight, 1, [](int) { return kBackgroundPixel; }));
    CacheBitmap(kKnobImage, MakeStrip(kKnobSize, kKnobSize, kKnobFrames, KnobFramePixel));
    CacheBitmap(kSwitchImage,
                MakeStrip(kSwitchSize, kSwitchSize, 2, [](int frame) { return frame == 0 ? kSwitchOff : kSwitchOn; }));
}

// A bar as long as the value, that opens an entry box bound to its parameter
// when clicked.
class ValueBar : public IControl {
public:
    ValueBar(IEffectBase* owner, const Rect& area, int param) : IControl(owner, area, param)
    {
        textStyle.size = 14;
        textStyle.entryBackground = Colour{255, 255, 255, 255};
        textStyle.entryText = Colour{255, 0, 0, 0};
    }
    bool Paint(IGraphics& graphics) override
    {
        graphics.FillRect(Colour{255, 0, 0, 0}, rect);
        Rect bar = rect;
        bar.right = rect.left + static_cast<int>(Value() * rect.Width());
        graphics.FillRect(Colour{255, 0xF0, 0xC0, 0x20}, bar);
        return true;
    }
    void HandleMouseDown(int, int, const MouseModifiers&) override
    {
        auto* graphics = dynamic_cast<IGraphics*>(plugin->Editor());
        const IParameter* param = plugin->ParamAt(paramIndex);
        if (graphics && param)
            graphics->OpenTextEntry(this, textStyle, rect, "", param);
    }
};

class EditorProbe : public IEffectVST {
public:
    explicit EditorProbe(vst2::audioMasterCallback host) : IEffectVST(ProbeDescription(), host)
    {
        ParamAt(kGain)->DefineContinuous("Gain", 0.0, -12.0, 12.0, 0.1, "dB");
        ParamAt(kBypass)->DefineSwitch("Bypass", false);
        ParamAt(kAmount)->DefineContinuous("Amount", 50.0, 0.0, 100.0, 1.0, "%");
        MakeImages();
        std::unique_ptr<IGraphics> graphics = MakePlatformGraphics(this, ModuleInstance(), kWidth, kHeight);
        graphics->AddControl(
            std::make_unique<IBitmapControl>(this, 0, 0, -1, graphics->LoadImage(kBackgroundImage, "background.png", 1),
                                             BlendMethod::BlendMethodOpaque));
        graphics->AddControl(std::make_unique<IKnobMultiControl>(
            this, kKnobX, kKnobY, kGain, graphics->LoadImage(kKnobImage, "knob.png", kKnobFrames), 4.0));
        graphics->AddControl(std::make_unique<ISwitchControl>(this, kSwitchX, kSwitchY, kBypass,
                                                              graphics->LoadImage(kSwitchImage, "switch.png", 2)));
        graphics->AddControl(std::make_unique<ValueBar>(this, kBar, kAmount));
        AttachEditor(std::move(graphics));
        FillUnsetPresets("-", 1);
    }
};

IEffectVST* CreateProbe(vst2::audioMasterCallback host)
{
    return new (std::nothrow) EditorProbe(host);
}

}  // namespace

}  // namespace kestrelon

#if defined(_WIN32)
#define PROBE_EXPORT __declspec(dllexport)
#else
#define PROBE_EXPORT __attribute__((visibility("default")))
#endif

// [any host thread] takes the creation lock.
extern "C" PROBE_EXPORT kestrelon::vst2::AEffect* VSTCALLBACK VSTPluginMain(kestrelon::vst2::audioMasterCallback host)
{
    return kestrelon::CreateEffectRecord(host, kestrelon::CreateProbe);
}
