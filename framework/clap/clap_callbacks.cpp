// The plug-in record's and the extensions' C callbacks: each recovers the
// plug-in from the record and forwards to one member, which takes the mutex.
// The host is C: no exception may leave a callback, so one that escapes a
// member ends in "not done" (false, 0, an error status).
#include <cstring>

#include "framework/clap/clap_effect.h"

namespace kestrelon {

namespace {

// Runs call on the plug-in behind record; fallback when there is none or the
// call threw.
template <typename Result, typename Call>
Result Forward(const clap::clap_plugin* record, Result fallback, Call call)
{
    IEffectCLAP* plugin = IEffectCLAP::FromRecord(record);
    if (!plugin)
        return fallback;
    try {
        return call(*plugin);
    } catch (...) {
        return fallback;
    }
}

// [main thread]
bool Init(const clap::clap_plugin* p)
{
    return Forward(p, false, [](IEffectCLAP& e) { return e.Init(); });
}

// [main thread] The host is done with the record: the object goes, the
// mutex taken and released first so no other thread is still inside.
void Destroy(const clap::clap_plugin* p)
{
    IEffectCLAP* plugin = IEffectCLAP::FromRecord(p);
    if (!plugin)
        return;
    try {
        plugin->GuiDestroy();
        plugin->Deactivate();
        plugin->Mutex().lock();
        plugin->Mutex().unlock();
    } catch (...) {
    }
    delete plugin;
}

// [main thread]
bool Activate(const clap::clap_plugin* p, double rate, std::uint32_t minFrames, std::uint32_t maxFrames)
{
    return Forward(p, false, [&](IEffectCLAP& e) { return e.Activate(rate, minFrames, maxFrames); });
}

// [main thread]
void Deactivate(const clap::clap_plugin* p)
{
    Forward(p, 0, [](IEffectCLAP& e) { return e.Deactivate(), 0; });
}

// [audio thread]
bool StartProcessing(const clap::clap_plugin* p)
{
    return Forward(p, false, [](IEffectCLAP& e) { return e.StartProcessing(); });
}

// [audio thread]
void StopProcessing(const clap::clap_plugin* p)
{
    Forward(p, 0, [](IEffectCLAP& e) { return e.StopProcessing(), 0; });
}

// [audio thread]
void ResetProcessing(const clap::clap_plugin* p)
{
    Forward(p, 0, [](IEffectCLAP& e) { return e.ResetProcessing(), 0; });
}

// [audio thread]
clap::clap_process_status Process(const clap::clap_plugin* p, const clap::clap_process* process)
{
    return Forward(p, clap::CLAP_PROCESS_ERROR, [&](IEffectCLAP& e) { return e.Process(process); });
}

// [any thread]
const void* Extension(const clap::clap_plugin* p, const char* id)
{
    return Forward(p, static_cast<const void*>(nullptr), [&](IEffectCLAP& e) { return e.Extension(id); });
}

// [main thread]
void OnMainThread(const clap::clap_plugin* p)
{
    Forward(p, 0, [](IEffectCLAP& e) { return e.OnMainThread(), 0; });
}

// Audio ports. [main thread]
const clap::clap_plugin_audio_ports kAudioPorts = {
    [](const clap::clap_plugin* p, bool isInput) {
        return Forward(p, 0u, [&](IEffectCLAP& e) { return e.AudioPortCount(isInput); });
    },
    [](const clap::clap_plugin* p, std::uint32_t index, bool isInput, clap::clap_audio_port_info* info) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.AudioPortInfo(index, isInput, info); });
    },
};

// Parameters. [main thread]; flush: [audio thread] while active.
const clap::clap_plugin_params kParams = {
    [](const clap::clap_plugin* p) { return Forward(p, 0u, [](IEffectCLAP& e) { return e.ParamInfoCount(); }); },
    [](const clap::clap_plugin* p, std::uint32_t index, clap::clap_param_info* info) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.ParamInfo(index, info); });
    },
    [](const clap::clap_plugin* p, clap::clap_id id, double* value) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.ParamValue(id, value); });
    },
    [](const clap::clap_plugin* p, clap::clap_id id, double value, char* text, std::uint32_t capacity) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.ValueToText(id, value, text, capacity); });
    },
    [](const clap::clap_plugin* p, clap::clap_id id, const char* text, double* value) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.TextToValue(id, text, value); });
    },
    [](const clap::clap_plugin* p, const clap::clap_input_events* in, const clap::clap_output_events* out) {
        Forward(p, 0, [&](IEffectCLAP& e) { return e.Flush(in, out), 0; });
    },
};

// State. [main thread]
const clap::clap_plugin_state kState = {
    [](const clap::clap_plugin* p, const clap::clap_ostream* stream) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.SaveState(stream); });
    },
    [](const clap::clap_plugin* p, const clap::clap_istream* stream) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.LoadState(stream); });
    },
};

// Latency. [main thread]
const clap::clap_plugin_latency kLatency = {
    [](const clap::clap_plugin* p) { return Forward(p, 0u, [](IEffectCLAP& e) { return e.LatencySamples(); }); },
};

// The gui. [main thread] for all.
const clap::clap_plugin_gui kGui = {
    [](const clap::clap_plugin* p, const char* api, bool isFloating) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiApiSupported(api, isFloating); });
    },
    [](const clap::clap_plugin* p, const char** api, bool* isFloating) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiPreferredApi(api, isFloating); });
    },
    [](const clap::clap_plugin* p, const char* api, bool isFloating) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiCreate(api, isFloating); });
    },
    [](const clap::clap_plugin* p) { Forward(p, 0, [](IEffectCLAP& e) { return e.GuiDestroy(), 0; }); },
    [](const clap::clap_plugin* p, double scale) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiSetScale(scale); });
    },
    [](const clap::clap_plugin* p, std::uint32_t* width, std::uint32_t* height) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiSize(width, height); });
    },
    [](const clap::clap_plugin* p) { return Forward(p, false, [](IEffectCLAP& e) { return e.GuiCanResize(); }); },
    [](const clap::clap_plugin* p, clap::clap_gui_resize_hints* hints) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiResizeHints(hints); });
    },
    [](const clap::clap_plugin* p, std::uint32_t* width, std::uint32_t* height) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiAdjustSize(width, height); });
    },
    [](const clap::clap_plugin* p, std::uint32_t width, std::uint32_t height) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiSetSize(width, height); });
    },
    [](const clap::clap_plugin* p, const clap::clap_window* window) {
        return Forward(p, false, [&](IEffectCLAP& e) { return e.GuiSetParent(window); });
    },
    // An embedded editor has no transient window and no title.
    [](const clap::clap_plugin*, const clap::clap_window*) { return false; },
    [](const clap::clap_plugin*, const char*) {},
    [](const clap::clap_plugin* p) { return Forward(p, false, [](IEffectCLAP& e) { return e.GuiShow(); }); },
    [](const clap::clap_plugin* p) { return Forward(p, false, [](IEffectCLAP& e) { return e.GuiHide(); }); },
};

// Timer support. [main thread]
const clap::clap_plugin_timer_support kTimer = {
    [](const clap::clap_plugin* p, clap::clap_id timer) {
        Forward(p, 0, [&](IEffectCLAP& e) { return e.OnTimer(timer), 0; });
    },
};

bool Is(const char* id, const char* wanted)
{
    return std::strcmp(id, wanted) == 0;
}

}  // namespace

void FillCLAPRecord(clap::clap_plugin& record)
{
    record.init = Init;
    record.destroy = Destroy;
    record.activate = Activate;
    record.deactivate = Deactivate;
    record.start_processing = StartProcessing;
    record.stop_processing = StopProcessing;
    record.reset = ResetProcessing;
    record.process = Process;
    record.get_extension = Extension;
    record.on_main_thread = OnMainThread;
}

const void* IEffectCLAP::Extension(const char* id) const
{
    if (!id)
        return nullptr;
    if (Is(id, clap::CLAP_EXT_AUDIO_PORTS))
        return &kAudioPorts;
    if (Is(id, clap::CLAP_EXT_PARAMS))
        return &kParams;
    if (Is(id, clap::CLAP_EXT_STATE))
        return &kState;
    if (Is(id, clap::CLAP_EXT_LATENCY))
        return &kLatency;
    // The editor is offered only where it has a window to show.
    MutexLock lock(mutex);
    const bool hasEditor = editor && editor->HasWindow();
    if (hasEditor && Is(id, clap::CLAP_EXT_GUI))
        return &kGui;
    if (hasEditor && Is(id, clap::CLAP_EXT_TIMER_SUPPORT))
        return &kTimer;
    return nullptr;
}

}  // namespace kestrelon
