#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/editor.h"
#include "framework/editor_delegate.h"
#include "framework/effect_types.h"
#include "framework/parameter.h"

// The LV2 headers are the format's own declaration of its ABI.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

namespace kestrelon {

class IEffectLV2;

// Where a plug-in's ports are, the same for its DSP and its UI: audio
// inputs, audio outputs, one control input per parameter, the latency
// output, then the meter outputs.
struct LV2PortLayout {
    int inputs = 0;
    int outputs = 0;
    int params = 0;
    int ParamPort(int index) const { return inputs + outputs + index; }
    int MeterPort(int index) const { return ParamPort(params) + 1 + index; }
};

// The editor's side of an LV2 plug-in: the editor's delegate for a host that
// may keep the UI apart from the plug-in. The editor's parameters are copies
// that it sets by writing control ports through the host and that follow the
// host's port events; the meters arrive as port events of the meter outputs;
// the begin and end of edits go to the host's ui:touch, size changes to its
// ui:resize, and the host's idle calls drive the window. Where the host lets
// the UI reach the plug-in instance (instance-access), the editor's size and
// mode go into the plug-in's state.
class IEditorLV2 : public IEditorDelegate {
public:
    static constexpr int kMeterCount = 3;

    IEditorLV2(const EffectDescription& description, const LV2PortLayout& layout, LV2UI_Write_Function write,
               LV2UI_Controller controller, const LV2_Feature* const* features);
    ~IEditorLV2() override;

    // [UI thread] The parameter copies, for the effect to define.
    IParameter* Params() { return params.data(); }

    // [UI thread] takes the mutex. Takes the editor and the indices of its
    // meter controls, gives it the parameters and the plug-in's stored size,
    // and opens it in the host's parent window: the widget, or null when the
    // host gave no parent or the window could not be made.
    LV2UI_Widget Open(std::unique_ptr<IEditor> newEditor, const int32_t (&meterControls)[kMeterCount]);
    // [UI thread] takes the mutex. A port's value changed in the plug-in.
    void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    // [UI thread] takes the mutex. The host's idle call; 0 while the editor lives.
    int Idle();

    // The editor's delegate.
    const IParameter* ParamAt(int index) const override;
    RecursiveMutex& Mutex() override { return mutex; }
    IEditor* Editor() const override { return editor.get(); }
    const char* MakerName() const override { return makerName; }
    const char* EffectName() const override { return effectName; }
    void SetParamFromEditor(int index, double normalised) override;
    void HostBeginParamEdit(int index) override;
    void HostEndParamEdit(int index) override;
    void SetEditorSize(int width, int height) override;
    bool HostResizeEditor(int width, int height) override;
    void EditorLayoutChanged(int viewMode, double width, double height) override;

private:
    RecursiveMutex mutex;
    LV2PortLayout layout;
    std::vector<IParameter> params;
    std::unique_ptr<IEditor> editor;
    int32_t meters[kMeterCount] = {-1, -1, -1};
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    void* parent = nullptr;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
    IEffectLV2* instance = nullptr;  // the plug-in, when the host shares it; not owned
    char makerName[128] = {};
    char effectName[128] = {};
};

// Makes the editor side for a host; null when it could not be made.
using LV2EditorFactory = IEditorLV2* (*)(LV2UI_Write_Function write, LV2UI_Controller controller,
                                         const LV2_Feature* const* features, LV2UI_Widget* widget);

// The UI descriptor an exported lv2ui_descriptor answers for index 0.
const LV2UI_Descriptor* LV2UIDescriptorFor(const char* uri, LV2EditorFactory create);

}  // namespace kestrelon
