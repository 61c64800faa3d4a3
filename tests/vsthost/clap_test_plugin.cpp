// A small CLAP plug-in for testing vsthost as a CLAP host: a stereo gain
// whose parameter events take effect at their sample, with a state of exact
// bytes. It also checks its host: a process call on a thread the host does
// not call its audio thread, or an activation off the main thread, makes the
// block non-finite, so a host that answers the thread questions wrongly
// fails its own torture. Variants carry one fault each, for the torture to find:
//   CLAP_TEST_BLOCK_EVENTS   applies a block's events at its first sample
//   CLAP_TEST_DRIFTING_STATE a save after a load gives other bytes
//   CLAP_TEST_WRONG_THREAD   asks for a parameter rescan from the audio thread
// Its editor is a plain window whose size is all there is to it: a wider view
// for each Mode step (asked of the host when the mode changes, on whichever
// thread the change arrives), times the scale the host gives; the host may
// resize it to any multiple of 20 pixels.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/clap/clap_abi.h"
#include "tests/vsthost/clap_test_window.h"

#if defined(_WIN32)
#define TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace kestrelon::clap;
using namespace kestrelon::clap_test;

constexpr clap_id kGainId = 7;
constexpr clap_id kModeId = 9;
constexpr char kStateMagic[4] = {'K', 'T', 'C', 'P'};
constexpr std::size_t kStateSize = 4 + 8 + 8;

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_STEREO, nullptr};
const clap_plugin_descriptor kDescriptor = {
    {1, 2, 2}, "com.lumenpathway.clap-test-gain", "Test Gain", "Lumen Pathway", "", "", "",
    "1.0.0",   "a gain for testing hosts",        kFeatures};

struct Gain {
    clap_plugin record = {};
    const clap_host* host = nullptr;
    const clap_host_thread_check* threads = nullptr;
    const clap_host_params* hostParams = nullptr;
    const clap_host_gui* hostGui = nullptr;
    double gain = 1.0;
    std::atomic<double> mode{0.0};
    int saves = 0;
    bool active = false;
    bool processing = false;
    // The editor, on the main thread but for `guiCreated`, which a mode
    // change on the audio thread reads.
    std::atomic<bool> guiCreated{false};
    std::atomic<double> scale{1.0};
    std::uint32_t guiWidth = 0, guiHeight = 0;
    TestWindow* window = nullptr;
    // A size the host agreed to, width << 32 | height (0: none), taken on
    // the main thread.
    std::atomic<std::uint64_t> agreedSize{0};
};

Gain& Of(const clap_plugin* plugin)
{
    return *static_cast<Gain*>(plugin->plugin_data);
}

bool OnMainThread(const Gain& g)
{
    return !g.threads || g.threads->is_main_thread(g.host);
}
bool OnAudioThread(const Gain& g)
{
    return !g.threads || (g.threads->is_audio_thread(g.host) && !g.threads->is_main_thread(g.host));
}

void ModeChanged(Gain& g);

void Apply(Gain& g, const clap_event_header* event)
{
    if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE ||
        event->size < sizeof(clap_event_param_value))
        return;
    const auto* value = reinterpret_cast<const clap_event_param_value*>(event);
    if (value->param_id == kGainId)
        g.gain = std::fmin(2.0, std::fmax(0.0, value->value));
    else if (value->param_id == kModeId) {
        const double mode = std::round(std::fmin(2.0, std::fmax(0.0, value->value)));
        if (g.mode.exchange(mode) != mode)
            ModeChanged(g);
    }
}

template <typename Sample>
void Run(Gain& g, Sample* const* in, Sample* const* out, std::uint32_t from, std::uint32_t to, bool poisoned)
{
    for (int c = 0; c < 2; ++c) {
        for (std::uint32_t n = from; n < to; ++n)
            out[c][n] = poisoned ? Sample(NAN) : static_cast<Sample>(in[c][n] * g.gain);
    }
}

clap_process_status Process(const clap_plugin* plugin, const clap_process* process)
{
    Gain& g = Of(plugin);
    const bool poisoned = !g.active || !g.processing || !OnAudioThread(g);
#if defined(CLAP_TEST_WRONG_THREAD)
    if (g.hostParams)
        g.hostParams->rescan(g.host, CLAP_PARAM_RESCAN_VALUES);
#endif
    if (process->audio_inputs_count != 1 || process->audio_outputs_count != 1 ||
        process->audio_inputs[0].channel_count != 2 || process->audio_outputs[0].channel_count != 2)
        return CLAP_PROCESS_ERROR;
    const clap_audio_buffer& in = process->audio_inputs[0];
    const clap_audio_buffer& out = process->audio_outputs[0];
    const std::uint32_t events = process->in_events->size(process->in_events);
    std::uint32_t done = 0;
    for (std::uint32_t e = 0; e <= events; ++e) {
        const clap_event_header* event = e < events ? process->in_events->get(process->in_events, e) : nullptr;
        std::uint32_t at = event ? std::min(event->time, process->frames_count) : process->frames_count;
#if defined(CLAP_TEST_BLOCK_EVENTS)
        at = event ? 0 : process->frames_count;
#endif
        if (at > done) {
            if (out.data64)
                Run(g, in.data64, out.data64, done, at, poisoned);
            else
                Run(g, in.data32, out.data32, done, at, poisoned);
            done = at;
        }
        Apply(g, event);
    }
    return CLAP_PROCESS_CONTINUE;
}

// ---- audio ports ----
std::uint32_t PortCount(const clap_plugin*, bool)
{
    return 1;
}

bool PortGet(const clap_plugin*, std::uint32_t index, bool isInput, clap_audio_port_info* info)
{
    if (index != 0 || !info)
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = isInput ? 1 : 2;
    std::strcpy(info->name, isInput ? "Main In" : "Main Out");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = isInput ? 2 : 1;
    return true;
}

const clap_plugin_audio_ports kPorts = {PortCount, PortGet};

// ---- params ----
std::uint32_t ParamCount(const clap_plugin*)
{
    return 2;
}

bool ParamInfo(const clap_plugin*, std::uint32_t index, clap_param_info* info)
{
    if (index > 1 || !info)
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = index == 0 ? kGainId : kModeId;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (index == 1 ? CLAP_PARAM_IS_STEPPED : 0);
    std::strcpy(info->name, index == 0 ? "Gain" : "Mode");
    info->min_value = 0.0;
    info->max_value = 2.0;
    info->default_value = index == 0 ? 1.0 : 0.0;
    return true;
}

bool ParamValue(const clap_plugin* plugin, clap_id id, double* value)
{
    if (id != kGainId && id != kModeId)
        return false;
    *value = id == kGainId ? Of(plugin).gain : Of(plugin).mode.load();
    return true;
}

bool ValueToText(const clap_plugin*, clap_id id, double value, char* text, std::uint32_t capacity)
{
    if ((id != kGainId && id != kModeId) || capacity < 16)
        return false;
    std::snprintf(text, capacity, id == kGainId ? "%.3f" : "%.0f", value);
    return true;
}

bool TextToValue(const clap_plugin*, clap_id id, const char* text, double* value)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if ((id != kGainId && id != kModeId) || end == text)
        return false;
    *value = v;
    return true;
}

void Flush(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events*)
{
    const std::uint32_t n = in->size(in);
    for (std::uint32_t i = 0; i < n; ++i)
        Apply(Of(plugin), in->get(in, i));
}

const clap_plugin_params kParams = {ParamCount, ParamInfo, ParamValue, ValueToText, TextToValue, Flush};

// ---- state ----
bool Save(const clap_plugin* plugin, const clap_ostream* stream)
{
    Gain& g = Of(plugin);
    unsigned char bytes[kStateSize];
    std::memcpy(bytes, kStateMagic, 4);
    double mode = g.mode;
#if defined(CLAP_TEST_DRIFTING_STATE)
    mode += 0.001 * ++g.saves;
#endif
    std::memcpy(bytes + 4, &g.gain, 8);
    std::memcpy(bytes + 12, &mode, 8);
    return stream->write(stream, bytes, kStateSize) == static_cast<std::int64_t>(kStateSize);
}

bool Load(const clap_plugin* plugin, const clap_istream* stream)
{
    unsigned char bytes[kStateSize + 1];
    std::size_t got = 0;
    for (;;) {
        const std::int64_t n = stream->read(stream, bytes + got, sizeof bytes - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
        if (got == sizeof bytes)
            break;
    }
    if (got != kStateSize || std::memcmp(bytes, kStateMagic, 4) != 0)
        return false;
    double gain = 0.0, mode = 0.0;
    std::memcpy(&gain, bytes + 4, 8);
    std::memcpy(&mode, bytes + 12, 8);
    if (!(gain >= 0.0 && gain <= 2.0 && mode >= 0.0 && mode <= 2.0))
        return false;
    Of(plugin).gain = gain;
    Of(plugin).mode = mode;
    return true;
}

const clap_plugin_state kState = {Save, Load};

// ---- gui ----
#if defined(_WIN32)
const char* const kApi = CLAP_WINDOW_API_WIN32;
#else
const char* const kApi = CLAP_WINDOW_API_X11;
#endif
constexpr std::uint32_t kGrid = 20;

// The editor's size in a mode at a scale: 240 x 120 at mode 0 and scale 1.
void SizeFor(double mode, double scale, std::uint32_t& width, std::uint32_t& height)
{
    width = static_cast<std::uint32_t>(std::lround((240 + 120 * mode) * scale));
    height = static_cast<std::uint32_t>(std::lround((120 + 60 * mode) * scale));
}

// [any thread] A new mode asks the host for the new size; the window follows
// on the main thread once the host agrees.
void ModeChanged(Gain& g)
{
    if (!g.guiCreated || !g.hostGui)
        return;
    std::uint32_t width = 0, height = 0;
    SizeFor(g.mode, g.scale, width, height);
    if (g.hostGui->request_resize(g.host, width, height)) {
        g.agreedSize = static_cast<std::uint64_t>(width) << 32 | height;
        g.host->request_callback(g.host);
    }
}

void ResizeTo(Gain& g, std::uint32_t width, std::uint32_t height)
{
    g.guiWidth = width;
    g.guiHeight = height;
    ResizeTestWindow(g.window, width, height);
}

bool GuiApiSupported(const clap_plugin*, const char* api, bool floating)
{
    return api && std::strcmp(api, kApi) == 0 && !floating;
}

bool GuiPreferredApi(const clap_plugin*, const char** api, bool* floating)
{
    *api = kApi;
    *floating = false;
    return true;
}

bool GuiCreate(const clap_plugin* plugin, const char* api, bool floating)
{
    Gain& g = Of(plugin);
    if (g.guiCreated || !GuiApiSupported(plugin, api, floating))
        return false;
    g.scale = 1.0;
    SizeFor(g.mode, g.scale, g.guiWidth, g.guiHeight);
    g.guiCreated = true;
    return true;
}

void GuiDestroy(const clap_plugin* plugin)
{
    Gain& g = Of(plugin);
    g.guiCreated = false;
    CloseTestWindow(g.window);
    g.window = nullptr;
}

// It draws up to twice its size.
bool GuiSetScale(const clap_plugin* plugin, double scale)
{
    Gain& g = Of(plugin);
    if (!(scale >= 1.0 && scale <= 2.0))
        return false;
    g.scale = scale;
    SizeFor(g.mode, g.scale, g.guiWidth, g.guiHeight);
    return true;
}

bool GuiGetSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height)
{
    *width = Of(plugin).guiWidth;
    *height = Of(plugin).guiHeight;
    return true;
}

bool GuiCanResize(const clap_plugin*)
{
    return true;
}

bool GuiResizeHints(const clap_plugin*, clap_gui_resize_hints* hints)
{
    *hints = {true, true, false, 0, 0};
    return true;
}

bool GuiAdjustSize(const clap_plugin*, std::uint32_t* width, std::uint32_t* height)
{
    *width = std::max<std::uint32_t>(*width / kGrid * kGrid, kGrid);
    *height = std::max<std::uint32_t>(*height / kGrid * kGrid, kGrid);
    return true;
}

// Only a size adjust_size leaves as it is.
bool GuiSetSize(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height)
{
    if (width == 0 || height == 0 || width % kGrid != 0 || height % kGrid != 0)
        return false;
    ResizeTo(Of(plugin), width, height);
    return true;
}

bool GuiSetParent(const clap_plugin* plugin, const clap_window* parent)
{
    Gain& g = Of(plugin);
    if (!g.guiCreated || g.window || !parent)
        return false;
#if defined(_WIN32)
    const auto handle = reinterpret_cast<std::uintptr_t>(parent->win32);
#else
    const auto handle = static_cast<std::uintptr_t>(parent->x11);
#endif
    g.window = OpenTestWindow(handle, g.guiWidth, g.guiHeight);
    return g.window != nullptr;
}

bool GuiSetTransient(const clap_plugin*, const clap_window*)
{
    return false;
}

void GuiSuggestTitle(const clap_plugin*, const char*)
{}

bool GuiShowOrHide(const clap_plugin* plugin)
{
    return Of(plugin).window != nullptr;
}

const clap_plugin_gui kGui = {GuiApiSupported, GuiPreferredApi, GuiCreate,       GuiDestroy,    GuiSetScale,
                              GuiGetSize,      GuiCanResize,    GuiResizeHints,  GuiAdjustSize, GuiSetSize,
                              GuiSetParent,    GuiSetTransient, GuiSuggestTitle, GuiShowOrHide, GuiShowOrHide};

// ---- plug-in ----
bool Init(const clap_plugin* plugin)
{
    Gain& g = Of(plugin);
    g.threads = static_cast<const clap_host_thread_check*>(g.host->get_extension(g.host, CLAP_EXT_THREAD_CHECK));
    g.hostParams = static_cast<const clap_host_params*>(g.host->get_extension(g.host, CLAP_EXT_PARAMS));
    g.hostGui = static_cast<const clap_host_gui*>(g.host->get_extension(g.host, CLAP_EXT_GUI));
    if (g.hostGui && !g.hostGui->request_resize)
        g.hostGui = nullptr;
    return true;
}

void Destroy(const clap_plugin* plugin)
{
    GuiDestroy(plugin);
    delete &Of(plugin);
}

bool Activate(const clap_plugin* plugin, double rate, std::uint32_t minFrames, std::uint32_t maxFrames)
{
    Gain& g = Of(plugin);
    if (!(rate > 0.0) || minFrames < 1 || maxFrames < minFrames || !OnMainThread(g))
        return false;
    g.active = true;
    return true;
}

void Deactivate(const clap_plugin* plugin)
{
    Of(plugin).active = false;
}

bool StartProcessing(const clap_plugin* plugin)
{
    Gain& g = Of(plugin);
    g.processing = g.active && OnAudioThread(g);
    return g.processing;
}

void StopProcessing(const clap_plugin* plugin)
{
    Of(plugin).processing = false;
}

void Reset(const clap_plugin*)
{}

const void* Extension(const clap_plugin*, const char* id)
{
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0)
        return &kPorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &kParams;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0)
        return &kState;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
        return &kGui;
    return nullptr;
}

void OnMainThreadCallback(const clap_plugin* plugin)
{
    Gain& g = Of(plugin);
    if (const std::uint64_t size = g.agreedSize.exchange(0); size != 0 && g.guiCreated)
        ResizeTo(g, static_cast<std::uint32_t>(size >> 32), static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
}

// ---- factory and entry ----
std::uint32_t Count(const clap_plugin_factory*)
{
    return 1;
}

const clap_plugin_descriptor* Describe(const clap_plugin_factory*, std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin* Create(const clap_plugin_factory*, const clap_host* host, const char* id)
{
    if (!host || !clap_version_is_compatible(host->clap_version) || std::strcmp(id, kDescriptor.id) != 0)
        return nullptr;
    auto* g = new Gain();
    g->host = host;
    g->record = {&kDescriptor,
                 g,
                 Init,
                 Destroy,
                 Activate,
                 Deactivate,
                 StartProcessing,
                 StopProcessing,
                 Reset,
                 Process,
                 Extension,
                 OnMainThreadCallback};
    return &g->record;
}

const clap_plugin_factory kFactory = {Count, Describe, Create};

bool EntryInit(const char* path)
{
    return path != nullptr;
}
void EntryDeinit()
{}
const void* EntryFactory(const char* id)
{
    return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

TEST_EXPORT const clap_plugin_entry clap_entry = {{1, 2, 2}, EntryInit, EntryDeinit, EntryFactory};
