// Kestrelon as an LV2 plug-in: the effect over the LV2 adapter, its editor
// over the LV2 editor side, and the library's two exported symbols.
#include <memory>
#include <new>

#include "framework/lv2/lv2_effect.h"
#include "framework/lv2/lv2_ui.h"
#include "plugin/kestrelon.h"

namespace kestrelon {

namespace {

// nothrow covers the object's own memory only; what its constructor
// allocates may still throw, and the descriptor's instantiate turns that
// into null.
IEffectLV2* CreateKestrelon(double rate, const LV2_Feature* const* features)
{
    return new (std::nothrow) KestrelonEffect<IEffectLV2>(rate, features);
}

// [UI thread] The same editor as the VST 2.4 plug-in's, over ports.
IEditorLV2* CreateKestrelonEditor(LV2UI_Write_Function write, LV2UI_Controller controller,
                                  const LV2_Feature* const* features, LV2UI_Widget* widget)
{
    const LV2PortLayout layout{2, 2, KestrelonParams::kNumParams};
    auto ui = std::make_unique<IEditorLV2>(KestrelonDescription(), layout, write, controller, features);
    DefineKestrelonParams(ui->Params());
    KestrelonEditorParts parts = BuildKestrelonEditor(ui.get());
    const int32_t meters[IEditorLV2::kMeterCount] = {parts.meters.attackMeter, parts.meters.sustainMeter,
                                                     parts.meters.clipLed};
    *widget = ui->Open(std::move(parts.graphics), meters);
    return ui.release();
}

}  // namespace

}  // namespace kestrelon

// [any host thread]
extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? kestrelon::LV2DescriptorFor(KESTRELON_LV2_URI, kestrelon::CreateKestrelon) : nullptr;
}

// [any host thread]
extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? kestrelon::LV2UIDescriptorFor(KESTRELON_LV2_URI "#ui", kestrelon::CreateKestrelonEditor)
                      : nullptr;
}
