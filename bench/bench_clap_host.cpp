#include "bench/bench_clap_host.h"

#include <limits>

// The plug-in library's one export, as a host finds it with dlsym.
extern "C" const kestrelon::clap::clap_plugin_entry clap_entry;

namespace kestrelon {

namespace bench {

namespace {

// The host offers no extensions and ignores requests, so the timings are the
// plug-in's alone (a host's answers to them are its own cost).
const void* HostExtension(const clap::clap_host*, const char*)
{
    return nullptr;
}

void IgnoreRequest(const clap::clap_host*)
{}

// Output events (the editor's edits) are taken and dropped.
bool TakeEvent(const clap::clap_output_events*, const clap::clap_event_header*)
{
    return true;
}

}  // namespace

ClapEffect::ClapEffect()
{
    host = {clap::CLAP_VERSION, this,          "bench_plugin", "Lumen Pathway", "", "1.0.0",
            HostExtension,      IgnoreRequest, IgnoreRequest,  IgnoreRequest};
    inList = {this, EventCount, EventAt};
    outList = {this, TakeEvent};
    failure = Start();
}

const char* ClapEffect::Start()
{
    entryReady = clap_entry.init("");
    if (!entryReady)
        return "clap_entry.init failed";
    const auto* factory =
        static_cast<const clap::clap_plugin_factory*>(clap_entry.get_factory(clap::CLAP_PLUGIN_FACTORY_ID));
    const clap::clap_plugin_descriptor* descriptor =
        factory && factory->get_plugin_count(factory) > 0 ? factory->get_plugin_descriptor(factory, 0) : nullptr;
    if (!descriptor)
        return "the factory offers no plug-in";
    plugin = factory->create_plugin(factory, &host, descriptor->id);
    if (!plugin)
        return "create_plugin failed";
    if (!plugin->init(plugin))
        return "init failed";
    params = static_cast<const clap::clap_plugin_params*>(plugin->get_extension(plugin, clap::CLAP_EXT_PARAMS));
    if (!params)
        return "no params extension";
    active = plugin->activate(plugin, kRate, 1, kBlock);
    if (!active)
        return "activate failed";
    // Attack and Sustain are the first two parameters, as in the VST 2.4 record.
    inEvents = {ValueEvent(0, 0, 5.0), ValueEvent(0, 1, -5.0)};
    params->flush(plugin, &inList, &outList);
    inEvents.clear();
    processing = plugin->start_processing(plugin);
    if (!processing)
        return "start_processing failed";
    return nullptr;
}

ClapEffect::~ClapEffect()
{
    if (processing)
        plugin->stop_processing(plugin);
    if (active)
        plugin->deactivate(plugin);
    if (plugin)
        plugin->destroy(plugin);
    if (entryReady)
        clap_entry.deinit();
}

clap::clap_event_param_value ClapEffect::ValueEvent(std::uint32_t time, clap::clap_id param, double value)
{
    clap::clap_event_param_value event{};
    event.header = {sizeof event, time, clap::CLAP_CORE_EVENT_SPACE_ID, clap::CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = param;
    event.cookie = nullptr;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

clap::clap_process_status ClapEffect::ProcessBuffers(const clap::clap_audio_buffer& input,
                                                     clap::clap_audio_buffer& output)
{
    clap::clap_process process{};
    process.steady_time = steadyTime;
    process.frames_count = kBlock;
    process.transport = nullptr;
    process.audio_inputs = &input;
    process.audio_outputs = &output;
    process.audio_inputs_count = 1;
    process.audio_outputs_count = 1;
    process.in_events = &inList;
    process.out_events = &outList;
    steadyTime += kBlock;
    return plugin->process(plugin, &process);
}

double ClapEffect::ParamValue(clap::clap_id param) const
{
    double value = std::numeric_limits<double>::quiet_NaN();
    if (params && !params->get_value(plugin, param, &value))
        return std::numeric_limits<double>::quiet_NaN();
    return value;
}

std::uint32_t ClapEffect::Latency() const
{
    const auto* latency =
        plugin ? static_cast<const clap::clap_plugin_latency*>(plugin->get_extension(plugin, clap::CLAP_EXT_LATENCY))
               : nullptr;
    return latency ? latency->get(plugin) : 0;
}

std::uint32_t ClapEffect::EventCount(const clap::clap_input_events* list)
{
    return static_cast<std::uint32_t>(static_cast<const ClapEffect*>(list->ctx)->inEvents.size());
}

const clap::clap_event_header* ClapEffect::EventAt(const clap::clap_input_events* list, std::uint32_t index)
{
    const auto& events = static_cast<const ClapEffect*>(list->ctx)->inEvents;
    return index < events.size() ? &events[index].header : nullptr;
}

}  // namespace bench

}  // namespace kestrelon
