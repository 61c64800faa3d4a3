#include "framework/lv2/lv2_ui.h"

#include <cstring>

#include <lv2/instance-access/instance-access.h>

#include "framework/lv2/lv2_effect.h"
#include "text/text_copy.h"

namespace kestrelon {

namespace {

const void* FindFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

}  // namespace

IEditorLV2::IEditorLV2(const EffectDescription& description, const LV2PortLayout& ports, LV2UI_Write_Function writer,
                       LV2UI_Controller host, const LV2_Feature* const* features)
    : layout(ports), params(static_cast<std::size_t>(std::max(ports.params, 0))), write(writer), controller(host)
{
    CopyTextTruncated(makerName, sizeof makerName, description.makerName);
    CopyTextTruncated(effectName, sizeof effectName, description.effectName);
    parent = const_cast<void*>(FindFeature(features, LV2_UI__parent));
    resize = static_cast<const LV2UI_Resize*>(FindFeature(features, LV2_UI__resize));
    touch = static_cast<const LV2UI_Touch*>(FindFeature(features, LV2_UI__touch));
    instance = static_cast<IEffectLV2*>(const_cast<void*>(FindFeature(features, LV2_INSTANCE_ACCESS_URI)));
}

IEditorLV2::~IEditorLV2()
{
    MutexLock lock(mutex);
    if (editor)
        editor->CloseWindow();
    // The editor goes first: its controls point at the parameters.
    editor.reset();
}

LV2UI_Widget IEditorLV2::Open(std::unique_ptr<IEditor> newEditor, const int32_t (&meterControls)[kMeterCount])
{
    MutexLock lock(mutex);
    if (!newEditor || !parent)
        return nullptr;
    editor = std::move(newEditor);
    for (int i = 0; i < kMeterCount; ++i)
        meters[i] = meterControls[i];
    editor->PrepareForAttach();
    for (int i = 0; i < static_cast<int>(params.size()); ++i)
        editor->UpdateControlsFromPlugin(i, params[static_cast<std::size_t>(i)].Value(), false);
    // The size and mode the plug-in's state keeps, for the opening to apply.
    IParameter* state = editor->StateValues();
    double stored[kEditorStateValueCount];
    if (state && instance && instance->LoadEditorLayout(stored))
        for (int i = 0; i < kEditorStateValueCount; ++i)
            state[i].Set(stored[i]);
    void* window = editor->OpenWindow(parent);
    if (!window)
        return nullptr;
    editor->WindowOpened();
    SetEditorSize(editor->Width(), editor->Height());
    return window;
}

void IEditorLV2::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    // Only plain control values: format 0, one float.
    if (format != 0 || size != sizeof(float) || !buffer)
        return;
    float v = 0.0f;
    std::memcpy(&v, buffer, sizeof v);
    MutexLock lock(mutex);
    const int p = static_cast<int>(std::min<uint32_t>(port, 0x7FFFFFFF));
    const int index = p - layout.ParamPort(0);
    if (index >= 0 && index < static_cast<int>(params.size())) {
        IParameter& param = params[static_cast<std::size_t>(index)];
        param.Set(PortValueAsDecimal(v));
        if (editor)
            editor->UpdateControlsFromPlugin(index, param.Value(), false);
        return;
    }
    const int meter = p - layout.MeterPort(0);
    if (meter >= 0 && meter < kMeterCount && editor)
        editor->SetControlValueFromPlugin(meters[meter], v);
}

int IEditorLV2::Idle()
{
    MutexLock lock(mutex);
    if (editor)
        editor->Idle();
    return 0;
}

const IParameter* IEditorLV2::ParamAt(int index) const
{
    return index >= 0 && index < static_cast<int>(params.size()) ? &params[static_cast<std::size_t>(index)] : nullptr;
}

void IEditorLV2::SetParamFromEditor(int index, double normalised)
{
    MutexLock lock(mutex);
    if (index < 0 || index >= static_cast<int>(params.size()))
        return;
    IParameter& param = params[static_cast<std::size_t>(index)];
    param.SetFromNormalized(normalised);
    const float v = static_cast<float>(param.Value());
    if (write)
        write(controller, static_cast<uint32_t>(layout.ParamPort(index)), sizeof v, 0, &v);
}

void IEditorLV2::HostBeginParamEdit(int index)
{
    if (touch && touch->touch && index >= 0 && index < static_cast<int>(params.size()))
        touch->touch(touch->handle, static_cast<uint32_t>(layout.ParamPort(index)), true);
}

void IEditorLV2::HostEndParamEdit(int index)
{
    if (touch && touch->touch && index >= 0 && index < static_cast<int>(params.size()))
        touch->touch(touch->handle, static_cast<uint32_t>(layout.ParamPort(index)), false);
}

void IEditorLV2::SetEditorSize(int width, int height)
{
    if (resize && resize->ui_resize && width > 0 && height > 0)
        resize->ui_resize(resize->handle, width, height);
}

bool IEditorLV2::HostResizeEditor(int width, int height)
{
    if (!resize || !resize->ui_resize || width <= 0 || height <= 0)
        return false;
    return resize->ui_resize(resize->handle, width, height) == 0;
}

void IEditorLV2::EditorLayoutChanged(int viewMode, double width, double height)
{
    if (!instance)
        return;
    const double values[kEditorStateValueCount] = {static_cast<double>(viewMode), width, height};
    instance->StoreEditorLayout(values);
}

}  // namespace kestrelon
