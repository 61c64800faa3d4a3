// The UI descriptor's callbacks: each recovers the editor side from the
// handle, checks it and forwards to one member of IEditorLV2.
#include <cstring>
#include <memory>
#include <mutex>

#include "framework/lv2/lv2_ui.h"

namespace kestrelon {

namespace {

LV2EditorFactory factory = nullptr;

std::mutex& DescriptorLock()
{
    static std::mutex lock;
    return lock;
}

IEditorLV2* FromHandle(LV2UI_Handle handle)
{
    return static_cast<IEditorLV2*>(handle);
}

// [UI thread] no exception leaves it.
LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    try {
        LV2UI_Widget shown = nullptr;
        std::unique_ptr<IEditorLV2> ui(factory ? factory(write, controller, features, &shown) : nullptr);
        if (!ui || !shown)
            return nullptr;
        if (widget)
            *widget = shown;
        return ui.release();  // the host owns it now, until cleanup
    } catch (...) {
        return nullptr;
    }
}

// [UI thread]
void Cleanup(LV2UI_Handle handle)
{
    delete FromHandle(handle);
}

// [UI thread] takes the mutex.
void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (IEditorLV2* ui = FromHandle(handle))
        ui->PortEvent(port, size, format, buffer);
}

// [UI thread] takes the mutex.
int Idle(LV2UI_Handle handle)
{
    IEditorLV2* ui = FromHandle(handle);
    return ui ? ui->Idle() : 1;
}

const LV2UI_Idle_Interface idleInterface = {Idle};

// [any thread]
const void* ExtensionData(const char* uri)
{
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    return nullptr;
}

LV2UI_Descriptor descriptor = {nullptr, Instantiate, Cleanup, PortEvent, ExtensionData};

}  // namespace

const LV2UI_Descriptor* LV2UIDescriptorFor(const char* uri, LV2EditorFactory create)
{
    std::lock_guard<std::mutex> lock(DescriptorLock());
    descriptor.URI = uri;
    factory = create;
    return &descriptor;
}

}  // namespace kestrelon
