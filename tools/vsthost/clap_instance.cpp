#include "tools/vsthost/clap_instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "tools/vsthost/platform.h"

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace kestrelon {

namespace vsthost {
namespace {

// A C string the plug-in handed out, bounded and never null.
std::string TextOf(const char* text, std::size_t limit = 4096)
{
    if (!text)
        return std::string();
    std::size_t n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return std::string(text, n);
}

// A fixed-size name field the plug-in filled, read up to its terminator or its end.
template <std::size_t N>
std::string FieldText(const char (&field)[N])
{
    return TextOf(field, N);
}

// clap_entry's init and deinit run once per loaded library, however many
// instances (render's per-channel instances, a batch's workers) share it:
// counted per module handle.
std::mutex entryMutex;
std::map<void*, int> entryUsers;

bool InitEntry(void* handle, const clap::clap_plugin_entry& entry, const std::string& path)
{
    const std::lock_guard<std::mutex> lock(entryMutex);
    int& users = entryUsers[handle];
    if (users == 0 && !entry.init(path.c_str())) {
        entryUsers.erase(handle);
        return false;
    }
    ++users;
    return true;
}

void DeinitEntry(void* handle, const clap::clap_plugin_entry& entry)
{
    const std::lock_guard<std::mutex> lock(entryMutex);
    auto found = entryUsers.find(handle);
    if (found == entryUsers.end() || --found->second > 0)
        return;
    entryUsers.erase(found);
    entry.deinit();
}

struct ByteStream {
    std::vector<std::uint8_t>* bytes;
    std::size_t position;
};

// [main thread] the state extension's streams over a byte vector.
std::int64_t StreamWrite(const clap::clap_ostream* stream, const void* buffer, std::uint64_t size)
{
    if (!stream || (!buffer && size > 0))
        return -1;
    auto* to = static_cast<ByteStream*>(stream->ctx)->bytes;
    const auto* from = static_cast<const std::uint8_t*>(buffer);
    to->insert(to->end(), from, from + size);
    return static_cast<std::int64_t>(size);
}

std::int64_t StreamRead(const clap::clap_istream* stream, void* buffer, std::uint64_t size)
{
    if (!stream || (!buffer && size > 0))
        return -1;
    auto* from = static_cast<ByteStream*>(stream->ctx);
    const std::size_t left = from->bytes->size() - from->position;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, left));
    if (n > 0)
        std::memcpy(buffer, from->bytes->data() + from->position, n);
    from->position += n;
    return static_cast<std::int64_t>(n);
}

}  // namespace

ClapInstance::ClapInstance() : mainThread(std::this_thread::get_id())
{
    host.clap_version = clap::CLAP_VERSION;
    host.host_data = this;
    host.name = "vsthost";
    host.vendor = "Lumen Pathway";
    host.url = "";
    host.version = "1.0";
    host.get_extension = GetExtension;
    host.request_restart = RequestRestart;
    host.request_process = RequestProcess;
    host.request_callback = RequestCallback;
    inEvents.ctx = this;
    inEvents.size = InputSize;
    inEvents.get = InputGet;
    outEvents.ctx = this;
    outEvents.try_push = TryPush;
}

std::unique_ptr<ClapInstance> ClapInstance::Load(const std::string& path, const std::string& id, std::string& error)
{
    std::unique_ptr<ClapInstance> instance(new ClapInstance());
    if (!instance->Create(path, id, error))
        return nullptr;
    return instance;
}

bool ClapInstance::Create(const std::string& path, const std::string& id, std::string& error)
{
    library = PluginModule::Load(path, error);
    if (!library)
        return false;
    entry = static_cast<const clap::clap_plugin_entry*>(library->FindSymbol("clap_entry"));
    if (!entry) {
        error = "the library exports no clap_entry (not a CLAP plug-in?)";
        return false;
    }
    if (!clap::clap_version_is_compatible(entry->clap_version)) {
        error = "the plug-in was built for CLAP " + std::to_string(entry->clap_version.major) + "." +
                std::to_string(entry->clap_version.minor) + ", before the 1.0 interface";
        return false;
    }
    if (!entry->init || !entry->deinit || !entry->get_factory) {
        error = "clap_entry lacks init, deinit or get_factory";
        return false;
    }
    if (!InitEntry(library->Handle(), *entry, path)) {
        error = "clap_entry's init refused the library";
        return false;
    }
    entryInited = true;
    const auto* factory =
        static_cast<const clap::clap_plugin_factory*>(entry->get_factory(clap::CLAP_PLUGIN_FACTORY_ID));
    if (!factory || !factory->get_plugin_count || !factory->get_plugin_descriptor || !factory->create_plugin) {
        error = "the library offers no plug-in factory";
        return false;
    }
    const std::uint32_t count = factory->get_plugin_count(factory);
    for (std::uint32_t i = 0; i < count && i < 4096; ++i) {
        const clap::clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, i);
        if (!d || !d->id)
            continue;
        offeredIds.push_back(TextOf(d->id));
        if (!descriptor && (id.empty() || offeredIds.back() == id))
            descriptor = d;
    }
    if (!descriptor) {
        error =
            id.empty() ? "the factory offers no plug-in" : "the factory offers no plug-in with the id \"" + id + "\"";
        return false;
    }
    plugin = factory->create_plugin(factory, &host, descriptor->id);
    if (!plugin || !plugin->init || !plugin->destroy || !plugin->activate || !plugin->deactivate ||
        !plugin->start_processing || !plugin->stop_processing || !plugin->process || !plugin->get_extension) {
        if (plugin && plugin->destroy)
            plugin->destroy(plugin);
        plugin = nullptr;
        error = "create_plugin gave no plug-in, or one without its functions";
        return false;
    }
    if (!plugin->init(plugin)) {
        error = "the plug-in's init failed";
        return false;
    }
    pluginInited = true;
    ports =
        static_cast<const clap::clap_plugin_audio_ports*>(plugin->get_extension(plugin, clap::CLAP_EXT_AUDIO_PORTS));
    params = static_cast<const clap::clap_plugin_params*>(plugin->get_extension(plugin, clap::CLAP_EXT_PARAMS));
    state = static_cast<const clap::clap_plugin_state*>(plugin->get_extension(plugin, clap::CLAP_EXT_STATE));
    latencyExtension =
        static_cast<const clap::clap_plugin_latency*>(plugin->get_extension(plugin, clap::CLAP_EXT_LATENCY));
    gui = static_cast<const clap::clap_plugin_gui*>(plugin->get_extension(plugin, clap::CLAP_EXT_GUI));
    if (ports && (!ports->count || !ports->get))
        ports = nullptr;
    if (params && (!params->count || !params->get_info || !params->get_value))
        params = nullptr;
    if (state && (!state->save || !state->load))
        state = nullptr;
    if (latencyExtension && !latencyExtension->get)
        latencyExtension = nullptr;
    ReadPorts();
    ReadParams();
    return true;
}

ClapInstance::~ClapInstance()
{
    if (plugin) {
        CloseEditor();
        if (active)
            Suspend();
        plugin->destroy(plugin);
    }
    if (entryInited)
        DeinitEntry(library->Handle(), *entry);
}

void ClapInstance::ReadPorts()
{
    // A plug-in without the extension has no audio ports.
    constexpr std::uint32_t kMostPorts = 64;
    constexpr std::uint32_t kMostChannels = 64;
    allPorts64 = true;
    for (const bool input : {true, false}) {
        std::vector<clap::clap_audio_port_info>& list = input ? inputPorts : outputPorts;
        int& channels = input ? inputChannels : outputChannels;
        const std::uint32_t count = ports ? ports->count(plugin, input) : 0;
        for (std::uint32_t i = 0; i < count && i < kMostPorts; ++i) {
            clap::clap_audio_port_info info = {};
            if (!ports->get(plugin, i, input, &info) || info.channel_count > kMostChannels)
                continue;
            info.name[clap::CLAP_NAME_SIZE - 1] = '\0';
            list.push_back(info);
            channels += static_cast<int>(info.channel_count);
            if ((info.flags & clap::CLAP_AUDIO_PORT_SUPPORTS_64BITS) == 0)
                allPorts64 = false;
        }
    }
    if (inputPorts.empty() && outputPorts.empty())
        allPorts64 = false;
}

void ClapInstance::ReadParams()
{
    constexpr std::uint32_t kMostParams = 100000;
    const std::uint32_t count = params ? params->count(plugin) : 0;
    for (std::uint32_t i = 0; i < count && i < kMostParams; ++i) {
        clap::clap_param_info info = {};
        if (!params->get_info(plugin, i, &info))
            continue;
        info.name[clap::CLAP_NAME_SIZE - 1] = '\0';
        info.module[clap::CLAP_PATH_SIZE - 1] = '\0';
        // A range that is empty, reversed or not finite is kept as 0..1 so
        // that the normalised view stays defined.
        if (!(std::isfinite(info.min_value) && std::isfinite(info.max_value) && info.max_value > info.min_value)) {
            info.min_value = 0.0;
            info.max_value = 1.0;
        }
        paramInfos.push_back(info);
    }
}

bool ClapInstance::FirstInputIsStereoPair()
{
    return !inputPorts.empty() && inputPorts[0].channel_count == 2;
}

void ClapInstance::Configure(double sampleRate, int blockSize)
{
    rate = sampleRate;
    maxBlock = blockSize;
}

bool ClapInstance::Activate()
{
    if (active)
        return true;
    if (!plugin->activate(plugin, rate, 1, static_cast<std::uint32_t>(maxBlock)))
        return false;
    active = true;
    latency = 0;
    if (latencyExtension) {
        const std::uint32_t reported = latencyExtension->get(plugin);
        latency = reported > 1u << 24 ? 0 : static_cast<int>(reported);
    }
    return true;
}

void ClapInstance::Deactivate()
{
    if (!active)
        return;
    plugin->deactivate(plugin);
    active = false;
}

void ClapInstance::Resume(bool doublePrecision)
{
    (void)doublePrecision;  // chosen per block by which buffers are filled
    FlushQueued();
    Activate();
}

bool ClapInstance::StartProcessing()
{
    if (!active || processing)
        return processing;
    audioThread.store(std::this_thread::get_id());
    startRefused = false;
    processing = plugin->start_processing(plugin);
    if (!processing)
        audioThread.store(std::thread::id());
    steadyTime = 0;
    return processing;
}

void ClapInstance::StopProcessing()
{
    if (!processing)
        return;
    plugin->stop_processing(plugin);
    processing = false;
    audioThread.store(std::thread::id());
}

void ClapInstance::Suspend()
{
    StopProcessing();
    Deactivate();
}

template <typename Sample>
void ClapInstance::Process(Sample** inputs, Sample** outputs, int frames)
{
    {
        const std::lock_guard<std::mutex> lock(queueMutex);
        sending.swap(queued);
        queued.clear();
    }
    std::stable_sort(sending.begin(), sending.end(),
                     [](const auto& a, const auto& b) { return a.header.time < b.header.time; });
    for (auto& event : sending)
        event.header.time = std::min(event.header.time, static_cast<std::uint32_t>(frames > 0 ? frames - 1 : 0));
    // Processing starts on the thread of the first block after activation:
    // that thread is the audio thread.
    if (active && !processing && !startRefused)
        startRefused = !StartProcessing();
    if (!processing) {
        // A plug-in that refused to start gets no process call; its output is silence.
        for (int c = 0; c < outputChannels; ++c)
            std::fill(outputs[c], outputs[c] + frames, Sample(0));
        sending.clear();
        return;
    }
    std::vector<clap::clap_audio_buffer> in(inputPorts.size()), out(outputPorts.size());
    std::size_t channel = 0;
    for (std::size_t p = 0; p < inputPorts.size(); ++p) {
        in[p] = {};
        in[p].channel_count = inputPorts[p].channel_count;
        if constexpr (sizeof(Sample) == sizeof(double))
            in[p].data64 = reinterpret_cast<double**>(inputs + channel);
        else
            in[p].data32 = reinterpret_cast<float**>(inputs + channel);
        channel += inputPorts[p].channel_count;
    }
    channel = 0;
    for (std::size_t p = 0; p < outputPorts.size(); ++p) {
        out[p] = {};
        out[p].channel_count = outputPorts[p].channel_count;
        if constexpr (sizeof(Sample) == sizeof(double))
            out[p].data64 = reinterpret_cast<double**>(outputs + channel);
        else
            out[p].data32 = reinterpret_cast<float**>(outputs + channel);
        channel += outputPorts[p].channel_count;
    }
    clap::clap_process process = {};
    process.steady_time = steadyTime;
    process.frames_count = static_cast<std::uint32_t>(frames);
    process.transport = nullptr;
    process.audio_inputs = in.data();
    process.audio_outputs = out.data();
    process.audio_inputs_count = static_cast<std::uint32_t>(in.size());
    process.audio_outputs_count = static_cast<std::uint32_t>(out.size());
    process.in_events = &inEvents;
    process.out_events = &outEvents;
    lastStatus = plugin->process(plugin, &process);
    sending.clear();
    steadyTime += frames;
}

void ClapInstance::ProcessFloat(float** inputs, float** outputs, int frames)
{
    Process(inputs, outputs, frames);
}

void ClapInstance::ProcessDouble(double** inputs, double** outputs, int frames)
{
    Process(inputs, outputs, frames);
}

void ClapInstance::FlushQueued()
{
    const bool requested = flushRequested.exchange(false);
    {
        const std::lock_guard<std::mutex> lock(queueMutex);
        if (queued.empty() && !requested)
            return;
        sending.swap(queued);
        queued.clear();
    }
    if (params && params->flush)
        params->flush(plugin, &inEvents, &outEvents);
    sending.clear();
}

void ClapInstance::QueueParamValue(int index, double plain, std::uint32_t offset)
{
    if (index < 0 || index >= ParamCount())
        return;
    const clap::clap_param_info& info = ParamInfo(index);
    clap::clap_event_param_value event = {};
    event.header.size = sizeof event;
    event.header.time = offset;
    event.header.space_id = clap::CLAP_CORE_EVENT_SPACE_ID;
    event.header.type = clap::CLAP_EVENT_PARAM_VALUE;
    event.param_id = info.id;
    event.cookie = info.cookie;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = std::clamp(plain, info.min_value, info.max_value);
    const std::lock_guard<std::mutex> lock(queueMutex);
    queued.push_back(event);
}

double ClapInstance::PlainValue(int index)
{
    if (index < 0 || index >= ParamCount())
        return 0.0;
    double value = ParamInfo(index).default_value;
    if (!params->get_value(plugin, ParamInfo(index).id, &value) || !std::isfinite(value))
        return ParamInfo(index).default_value;
    return value;
}

std::string ClapInstance::ParamName(int index)
{
    return index >= 0 && index < ParamCount() ? FieldText(ParamInfo(index).name) : std::string();
}

std::string ClapInstance::ParamDisplay(int index)
{
    if (index < 0 || index >= ParamCount() || !params->value_to_text)
        return std::string();
    char text[256] = {};
    if (!params->value_to_text(plugin, ParamInfo(index).id, PlainValue(index), text, sizeof text))
        return std::string();
    text[sizeof text - 1] = '\0';
    return text;
}

float ClapInstance::GetParam(int index)
{
    if (index < 0 || index >= ParamCount())
        return 0.0f;
    const clap::clap_param_info& info = ParamInfo(index);
    return static_cast<float>(
        std::clamp((PlainValue(index) - info.min_value) / (info.max_value - info.min_value), 0.0, 1.0));
}

void ClapInstance::SetParam(int index, float normalised)
{
    if (index < 0 || index >= ParamCount())
        return;
    const clap::clap_param_info& info = ParamInfo(index);
    double plain =
        info.min_value + static_cast<double>(std::clamp(normalised, 0.0f, 1.0f)) * (info.max_value - info.min_value);
    if ((info.flags & clap::CLAP_PARAM_IS_STEPPED) != 0)
        plain = std::round(plain);
    QueueParamValue(index, plain, 0);
    // Outside processing the value is delivered at once, so that it reads
    // back; flush belongs to the main thread, so from another thread (a host's
    // automation) the value waits for the next block or the editor's idle.
    if (!processing && IsMainThread(&host))
        FlushQueued();
}

bool ClapInstance::SetParamFromText(int index, const std::string& text)
{
    if (index < 0 || index >= ParamCount() || !params->text_to_value)
        return false;
    double plain = 0.0;
    if (!params->text_to_value(plugin, ParamInfo(index).id, text.c_str(), &plain) || !std::isfinite(plain))
        return false;
    QueueParamValue(index, plain, 0);
    if (!processing && IsMainThread(&host))
        FlushQueued();
    return true;
}

bool ClapInstance::SaveState(std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    if (!state)
        return false;
    ByteStream to{&bytes, 0};
    const clap::clap_ostream stream{&to, StreamWrite};
    return state->save(plugin, &stream);
}

bool ClapInstance::LoadState(const std::vector<std::uint8_t>& bytes)
{
    if (!state)
        return false;
    std::vector<std::uint8_t> copy = bytes;
    ByteStream from{&copy, 0};
    const clap::clap_istream stream{&from, StreamRead};
    return state->load(plugin, &stream);
}

std::vector<std::uint8_t> ClapInstance::GetChunk(bool)
{
    std::vector<std::uint8_t> bytes;
    if (!SaveState(bytes))
        bytes.clear();
    return bytes;
}

bool ClapInstance::SetChunk(bool, const std::vector<std::uint8_t>& chunk)
{
    return LoadState(chunk);
}

namespace {
#if defined(_WIN32)
const char* const kWindowApi = clap::CLAP_WINDOW_API_WIN32;
#else
const char* const kWindowApi = clap::CLAP_WINDOW_API_X11;
#endif
}  // namespace

bool ClapInstance::EditorSize(int& width, int& height, std::string& error)
{
    if (!gui || !gui->is_api_supported || !gui->create || !gui->destroy || !gui->get_size || !gui->set_parent ||
        !gui->show || !gui->is_api_supported(plugin, kWindowApi, false)) {
        error = std::string("the plug-in has no embedded ") + kWindowApi + " editor (gui extension)";
        return false;
    }
    if (!guiCreated) {
        if (!gui->create(plugin, kWindowApi, false)) {
            error = "the plug-in's gui.create failed";
            return false;
        }
        guiCreated = true;
        if (guiScale > 0.0)
            ScaleGui();
    }
    std::uint32_t w = 0, h = 0;
    if (!gui->get_size(plugin, &w, &h)) {
        error = "the plug-in answered gui.get_size with no size";
        return false;
    }
    width = static_cast<int>(std::min<std::uint32_t>(w, 1u << 20));
    height = static_cast<int>(std::min<std::uint32_t>(h, 1u << 20));
    return true;
}

void ClapInstance::OpenEditor(void* parent)
{
    if (!guiCreated)
        return;
    clap::clap_window window = {};
    window.api = kWindowApi;
#if defined(_WIN32)
    window.win32 = parent;
#else
    window.x11 = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(parent));
#endif
    if (gui->set_parent(plugin, &window))
        gui->show(plugin);
    else
        Report("gui.set_parent refused");
}

void ClapInstance::EditorIdle()
{
    const auto now = std::chrono::steady_clock::now();
    const auto* timerSupport = static_cast<const clap::clap_plugin_timer_support*>(
        plugin->get_extension(plugin, clap::CLAP_EXT_TIMER_SUPPORT));
    // A copy: a timer callback may register or unregister timers.
    const std::vector<Timer> current = timers;
    for (const Timer& timer : current) {
        if (now < timer.due)
            continue;
        for (Timer& t : timers) {
            if (t.id == timer.id)
                t.due = now + std::chrono::milliseconds(t.periodMs);
        }
        if (timerSupport && timerSupport->on_timer)
            timerSupport->on_timer(plugin, timer.id);
    }
#if !defined(_WIN32)
    if (!fds.empty()) {
        const auto* fdSupport = static_cast<const clap::clap_plugin_posix_fd_support*>(
            plugin->get_extension(plugin, clap::CLAP_EXT_POSIX_FD_SUPPORT));
        std::vector<pollfd> polled;
        for (const auto& entry : fds) {
            short events = 0;
            if (entry.second & clap::CLAP_POSIX_FD_READ)
                events |= POLLIN;
            if (entry.second & clap::CLAP_POSIX_FD_WRITE)
                events |= POLLOUT;
            polled.push_back({entry.first, events, 0});
        }
        if (poll(polled.data(), polled.size(), 0) > 0 && fdSupport && fdSupport->on_fd) {
            for (const pollfd& p : polled) {
                std::uint32_t flags = 0;
                if (p.revents & POLLIN)
                    flags |= clap::CLAP_POSIX_FD_READ;
                if (p.revents & POLLOUT)
                    flags |= clap::CLAP_POSIX_FD_WRITE;
                if (p.revents & (POLLERR | POLLHUP))
                    flags |= clap::CLAP_POSIX_FD_ERROR;
                if (flags)
                    fdSupport->on_fd(plugin, p.fd, flags);
            }
        }
    }
#endif
    ResizeAsRequested();
    if (callbackRequested.exchange(false) && plugin->on_main_thread)
        plugin->on_main_thread(plugin);
    // Outside processing the host flushes; while processing, the next block carries the events.
    if (!processing)
        FlushQueued();
}

void ClapInstance::EditorIdleAfterInput()
{
    const auto now = std::chrono::steady_clock::now();
    for (Timer& t : timers)
        t.due = now;
    EditorIdle();
}

void ClapInstance::CloseEditor()
{
    if (!guiCreated)
        return;
    // What the editor asked the host to flush is flushed before it goes, as
    // a host's loop would have done before the user's close arrived.
    if (!processing)
        FlushQueued();
    gui->destroy(plugin);
    guiCreated = false;
    requestedSize = 0;  // a resize of the editor that is gone
}

void ClapInstance::SetReport(std::function<void(const std::string&)> to)
{
    const std::lock_guard<std::mutex> lock(reportMutex);
    report = std::move(to);
}

bool ClapInstance::CheckMainThread(const char* name)
{
    if (IsMainThread(&host))
        return true;
    Report(std::string("wrong-thread ") + name);
    return false;
}

void ClapInstance::Report(const std::string& line)
{
    const std::lock_guard<std::mutex> lock(reportMutex);
    if (report)
        report(line);
}

int ClapInstance::IndexOf(clap::clap_id id) const
{
    for (int i = 0; i < ParamCount(); ++i) {
        if (ParamInfo(i).id == id)
            return i;
    }
    return -1;
}

void ClapInstance::ReportOutputEvent(const clap::clap_event_header& event)
{
    auto indexOf = [&](clap::clap_id id) {
        for (int i = 0; i < ParamCount(); ++i) {
            if (ParamInfo(i).id == id)
                return std::to_string(i);
        }
        return std::string("unknown-id-") + std::to_string(id);
    };
    if (event.space_id != clap::CLAP_CORE_EVENT_SPACE_ID)
        return;
    if ((event.type == clap::CLAP_EVENT_PARAM_GESTURE_BEGIN || event.type == clap::CLAP_EVENT_PARAM_GESTURE_END) &&
        event.size >= sizeof(clap::clap_event_param_gesture)) {
        const auto& gesture = reinterpret_cast<const clap::clap_event_param_gesture&>(event);
        Report(std::string(event.type == clap::CLAP_EVENT_PARAM_GESTURE_BEGIN ? "gesture-begin " : "gesture-end ") +
               indexOf(gesture.param_id));
        if (EditorHostEvents* events = editorHost.load(); events && IndexOf(gesture.param_id) >= 0) {
            if (event.type == clap::CLAP_EVENT_PARAM_GESTURE_BEGIN)
                events->EditBegun(IndexOf(gesture.param_id));
            else
                events->EditEnded(IndexOf(gesture.param_id));
        }
    } else if (event.type == clap::CLAP_EVENT_PARAM_VALUE && event.size >= sizeof(clap::clap_event_param_value)) {
        const auto& value = reinterpret_cast<const clap::clap_event_param_value&>(event);
        char number[64];
        std::snprintf(number, sizeof number, "%.6g", value.value);
        Report("param " + indexOf(value.param_id) + " " + number + " at " + std::to_string(event.time));
        const int index = IndexOf(value.param_id);
        if (EditorHostEvents* events = editorHost.load(); events && index >= 0 && std::isfinite(value.value)) {
            const clap::clap_param_info& info = ParamInfo(index);
            events->ParameterAutomated(
                index, static_cast<float>(
                           std::clamp((value.value - info.min_value) / (info.max_value - info.min_value), 0.0, 1.0)));
        }
    }
}

}  // namespace vsthost

}  // namespace kestrelon
