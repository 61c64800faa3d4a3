#include "tests/clap/clap_rig.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {

namespace claptest {

namespace {

struct EventList {
    std::vector<clap::clap_event_param_value> events;
};

std::uint32_t ListSize(const clap::clap_input_events* list)
{
    return static_cast<std::uint32_t>(static_cast<const EventList*>(list->ctx)->events.size());
}

const clap::clap_event_header* ListGet(const clap::clap_input_events* list, std::uint32_t index)
{
    const auto& events = static_cast<const EventList*>(list->ctx)->events;
    return index < events.size() ? &events[index].header : nullptr;
}

EventList ToEvents(const std::vector<ParamChange>& changes)
{
    EventList list;
    for (const ParamChange& c : changes) {
        clap::clap_event_param_value e{};
        e.header = {sizeof e, c.time, clap::CLAP_CORE_EVENT_SPACE_ID, clap::CLAP_EVENT_PARAM_VALUE, 0};
        e.param_id = c.id;
        e.note_id = -1;
        e.port_index = -1;
        e.channel = -1;
        e.key = -1;
        e.value = c.value;
        list.events.push_back(e);
    }
    return list;
}

bool Push(const clap::clap_output_events* list, const clap::clap_event_header* event)
{
    HostLog& log = *static_cast<HostLog*>(list->ctx);
    log.eventTypes.push_back(event->type);
    if (event->type == clap::CLAP_EVENT_PARAM_VALUE) {
        const auto* v = reinterpret_cast<const clap::clap_event_param_value*>(event);
        log.eventParams.push_back(v->param_id);
        log.eventValues.push_back(v->value);
    } else {
        log.eventParams.push_back(reinterpret_cast<const clap::clap_event_param_gesture*>(event)->param_id);
        log.eventValues.push_back(0.0);
    }
    return true;
}

struct ReadStream {
    const std::vector<std::uint8_t>* bytes;
    std::size_t pos;
    std::size_t chunk;
    std::size_t failAt;
};

std::int64_t Read(const clap::clap_istream* stream, void* buffer, std::uint64_t size)
{
    auto& s = *static_cast<ReadStream*>(stream->ctx);
    const std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(size), s.chunk, s.bytes->size() - s.pos});
    if (s.failAt >= s.pos && s.failAt < s.pos + std::max<std::size_t>(n, 1))
        return -1;
    if (n > 0)
        std::memcpy(buffer, s.bytes->data() + s.pos, n);
    s.pos += n;
    return static_cast<std::int64_t>(n);
}

std::int64_t Write(const clap::clap_ostream* stream, const void* buffer, std::uint64_t size)
{
    auto& out = *static_cast<std::vector<std::uint8_t>*>(stream->ctx);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    out.insert(out.end(), bytes, bytes + size);
    return static_cast<std::int64_t>(size);
}

const clap::clap_host_params kHostParams = {
    [](const clap::clap_host*, std::uint32_t) {},
    [](const clap::clap_host*, clap::clap_id, std::uint32_t) {},
    [](const clap::clap_host* h) { ++static_cast<HostLog*>(h->host_data)->flushRequests; },
};
const clap::clap_host_latency kHostLatency = {
    [](const clap::clap_host* h) { ++static_cast<HostLog*>(h->host_data)->latencyChanges; },
};
const clap::clap_host_gui kHostGui = {
    [](const clap::clap_host*) {},
    [](const clap::clap_host* h, std::uint32_t w, std::uint32_t ht) {
        auto& sizes = static_cast<HostLog*>(h->host_data)->resizeRequests;
        sizes.push_back(w);
        sizes.push_back(ht);
        return true;
    },
    [](const clap::clap_host*) { return false; },
    [](const clap::clap_host*) { return false; },
    [](const clap::clap_host*, bool) {},
};

}  // namespace

const void* ClapRig::HostExtension(const clap::clap_host*, const char* id)
{
    if (std::strcmp(id, clap::CLAP_EXT_PARAMS) == 0)
        return &kHostParams;
    if (std::strcmp(id, clap::CLAP_EXT_LATENCY) == 0)
        return &kHostLatency;
    if (std::strcmp(id, clap::CLAP_EXT_GUI) == 0)
        return &kHostGui;
    return nullptr;
}

ClapRig::ClapRig()
{
    host.clap_version = clap::CLAP_VERSION;
    host.host_data = &log;
    host.name = "kestrelon clap test";
    host.vendor = "";
    host.url = "";
    host.version = "1";
    host.get_extension = HostExtension;
    host.request_restart = [](const clap::clap_host*) {};
    host.request_process = [](const clap::clap_host*) {};
    host.request_callback = [](const clap::clap_host* h) { ++static_cast<HostLog*>(h->host_data)->callbackRequests; };
    if (!clap_entry.init("") || !clap_entry.get_factory)
        return;
    const auto* factory =
        static_cast<const clap::clap_plugin_factory*>(clap_entry.get_factory(clap::CLAP_PLUGIN_FACTORY_ID));
    const clap::clap_plugin_descriptor* descriptor = factory ? factory->get_plugin_descriptor(factory, 0) : nullptr;
    plugin = descriptor ? factory->create_plugin(factory, &host, descriptor->id) : nullptr;
    if (plugin && !plugin->init(plugin)) {
        plugin->destroy(plugin);
        plugin = nullptr;
    }
}

ClapRig::~ClapRig()
{
    if (!plugin)
        return;
    if (active) {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
    }
    plugin->destroy(plugin);
    clap_entry.deinit();
}

bool ClapRig::Activate(double rate, std::uint32_t maxFrames)
{
    if (!plugin)
        return false;
    if (active) {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
    }
    active = plugin->activate(plugin, rate, 1, maxFrames) && plugin->start_processing(plugin);
    return active;
}

void ClapRig::Process(const std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out,
                      const std::vector<ParamChange>& changes, bool doublePath)
{
    if (!plugin || in.size() < 2)
        return;
    const std::size_t frames = in[0].size();
    out.assign(2, std::vector<double>(frames, 0.0));
    std::vector<std::vector<float>> in32(2), out32(2, std::vector<float>(frames, 0.0f));
    std::vector<std::vector<double>> in64 = in;
    for (int c = 0; c < 2; ++c)
        in32[c].assign(in[c].begin(), in[c].end());
    float* in32p[2] = {in32[0].data(), in32[1].data()};
    float* out32p[2] = {out32[0].data(), out32[1].data()};
    double* in64p[2] = {in64[0].data(), in64[1].data()};
    double* out64p[2] = {out[0].data(), out[1].data()};
    clap::clap_audio_buffer input{};
    clap::clap_audio_buffer output{};
    input.channel_count = output.channel_count = 2;
    if (doublePath) {
        input.data64 = in64p;
        output.data64 = out64p;
    } else {
        input.data32 = in32p;
        output.data32 = out32p;
    }
    EventList events = ToEvents(changes);
    const clap::clap_input_events inEvents{&events, ListSize, ListGet};
    const clap::clap_output_events outEvents{&log, Push};
    clap::clap_process process{};
    process.steady_time = -1;
    process.frames_count = static_cast<std::uint32_t>(frames);
    process.audio_inputs = &input;
    process.audio_outputs = &output;
    process.audio_inputs_count = 1;
    process.audio_outputs_count = 1;
    process.in_events = &inEvents;
    process.out_events = &outEvents;
    plugin->process(plugin, &process);
    if (!doublePath)
        for (int c = 0; c < 2; ++c)
            out[c].assign(out32[c].begin(), out32[c].end());
}

void ClapRig::Flush(const std::vector<ParamChange>& changes)
{
    const auto* params = Ext<clap::clap_plugin_params>(clap::CLAP_EXT_PARAMS);
    EventList events = ToEvents(changes);
    const clap::clap_input_events inEvents{&events, ListSize, ListGet};
    const clap::clap_output_events outEvents{&log, Push};
    if (params)
        params->flush(plugin, &inEvents, &outEvents);
}

double ClapRig::Value(clap::clap_id id) const
{
    const auto* params = Ext<clap::clap_plugin_params>(clap::CLAP_EXT_PARAMS);
    double v = -12345.0;
    if (params)
        params->get_value(plugin, id, &v);
    return v;
}

std::string ClapRig::Text(clap::clap_id id, double value) const
{
    const auto* params = Ext<clap::clap_plugin_params>(clap::CLAP_EXT_PARAMS);
    char text[256] = {};
    if (!params || !params->value_to_text(plugin, id, value, text, sizeof text))
        return "(none)";
    return text;
}

bool ClapRig::TextValue(clap::clap_id id, const char* text, double* value) const
{
    const auto* params = Ext<clap::clap_plugin_params>(clap::CLAP_EXT_PARAMS);
    return params && params->text_to_value(plugin, id, text, value);
}

std::uint32_t ClapRig::Latency() const
{
    const auto* latency = Ext<clap::clap_plugin_latency>(clap::CLAP_EXT_LATENCY);
    return latency ? latency->get(plugin) : 0;
}

std::vector<std::uint8_t> ClapRig::SaveState() const
{
    std::vector<std::uint8_t> bytes;
    const auto* state = Ext<clap::clap_plugin_state>(clap::CLAP_EXT_STATE);
    const clap::clap_ostream stream{&bytes, Write};
    if (!state || !state->save(plugin, &stream))
        bytes.clear();
    return bytes;
}

bool ClapRig::LoadState(const std::vector<std::uint8_t>& bytes, std::size_t chunk, std::size_t failAt) const
{
    const auto* state = Ext<clap::clap_plugin_state>(clap::CLAP_EXT_STATE);
    ReadStream s{&bytes, 0, chunk, failAt};
    const clap::clap_istream stream{&s, Read};
    return state && state->load(plugin, &stream);
}

}  // namespace claptest

}  // namespace kestrelon
