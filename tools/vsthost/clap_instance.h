// One CLAP plug-in instance as a host sees it: the library, its entry and
// factory, the plug-in record it created and the host record it talks back
// through. Every request goes through the records in the order the interface
// prescribes (init, activate, start processing, process, stop, deactivate,
// destroy, deinit); nothing here knows which plug-in it is driving. The
// thread that loaded the instance is its main thread; the thread that starts
// processing is its audio thread until processing stops.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/clap/clap_abi.h"
#include "tools/vsthost/hosted_effect.h"
#include "tools/vsthost/plugin_module.h"

namespace kestrelon {

namespace vsthost {

class ClapInstance : public HostedEffect {
public:
    // Loads the library, checks `clap_entry` and its version, inits it with
    // the path, and creates and inits the plug-in `id` names (the factory's
    // first when empty). Null with `error` set when any step fails.
    static std::unique_ptr<ClapInstance> Load(const std::string& path, const std::string& id, std::string& error);
    // Stops, deactivates and destroys the plug-in, deinits and unloads the library.
    ~ClapInstance() override;
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    // The rate and largest block the next activation announces.
    void Configure(double sampleRate, int blockSize);
    // activate alone (no processing), and deactivate; false when refused.
    bool Activate();
    void Deactivate();
    bool Active() const { return active; }
    // start_processing on the calling thread, which is the audio thread until
    // StopProcessing; false when the plug-in refused (its blocks are then
    // silence, never a process call).
    bool StartProcessing();
    void StopProcessing();
    // The status the last process call answered.
    clap::clap_process_status LastStatus() const { return lastStatus; }

    const clap::clap_plugin_descriptor& Descriptor() const { return *descriptor; }
    // Every descriptor the factory offers (id and name), for info.
    const std::vector<std::string>& OfferedIds() const { return offeredIds; }
    const clap::clap_plugin* Plugin() const { return plugin; }
    const clap::clap_plugin_params* ParamsExtension() const { return params; }
    const clap::clap_plugin_state* StateExtension() const { return state; }
    const clap::clap_plugin_gui* GuiExtension() const { return gui; }
    // The ports as the plug-in reported them after init.
    const std::vector<clap::clap_audio_port_info>& InputPorts() const { return inputPorts; }
    const std::vector<clap::clap_audio_port_info>& OutputPorts() const { return outputPorts; }
    const clap::clap_param_info& ParamInfo(int index) const { return paramInfos[static_cast<std::size_t>(index)]; }

    // The plug-in's state through the state extension; false when it has
    // none or answered false (then `bytes` is what it wrote so far).
    bool SaveState(std::vector<std::uint8_t>& bytes);
    bool LoadState(const std::vector<std::uint8_t>& bytes);

    // A parameter value event (plain value) for the next block at `offset`;
    // the events of a block are sent sorted by offset.
    void QueueParamValue(int index, double plain, std::uint32_t offset);
    // Sends the queued events through params.flush (outside processing).
    void FlushQueued();
    // What the plug-in tells the host, one line each ("gesture-begin 3",
    // "param 3 0.5", "request-resize 400 300", "request-restart", ...), as it
    // happens, on the thread it happens on. Null: nothing is reported.
    void SetReport(std::function<void(const std::string&)> report);
    // Plain value of a parameter as the plug-in reports it (get_value).
    double PlainValue(int index);

    // HostedEffect
    int InputCount() const override { return inputChannels; }
    int OutputCount() const override { return outputChannels; }
    bool FirstInputIsStereoPair() override;
    bool RequestMonoLayout() override { return false; }
    int Latency() const override { return latency; }
    bool CanProcessDouble() const override { return allPorts64; }
    void SetOfflineRender(bool) override {}
    void Resume(bool doublePrecision) override;
    void Suspend() override;
    void ProcessFloat(float** inputs, float** outputs, int frames) override;
    void ProcessDouble(double** inputs, double** outputs, int frames) override;
    int ParamCount() const override { return static_cast<int>(paramInfos.size()); }
    std::string ParamName(int index) override;
    std::string ParamLabel(int) override { return std::string(); }
    std::string ParamDisplay(int index) override;
    float GetParam(int index) override;
    void SetParam(int index, float normalised) override;
    bool SetParamFromText(int index, const std::string& text) override;
    ClapInstance* AsClap() override { return this; }
    // The state extension's bytes, whatever `program` says.
    std::vector<std::uint8_t> GetChunk(bool program) override;
    bool SetChunk(bool program, const std::vector<std::uint8_t>& chunk) override;
    // The gui extension, embedded (Win32 on Windows, X11 elsewhere): created
    // on the first EditorSize, given the parent and shown by OpenEditor,
    // destroyed by CloseEditor. EditorIdle fires the timers and file
    // descriptors the plug-in registered and answers its callback and flush
    // requests.
    bool EditorSize(int& width, int& height, std::string& error) override;
    void OpenEditor(void* parent) override;
    void EditorIdle() override;
    // Every timer is due at once: an X11 editor reads its input on them.
    void EditorIdleAfterInput() override;
    void CloseEditor() override;
    void SetEditorHost(EditorHostEvents* events) override { editorHost.store(events); }
    // The scale the host asks of the editor: gui.set_scale(scale) right after
    // every gui.create, before get_size, the answer reported as
    // "gui.set_scale SCALE accepted|refused". 0 (the default): no call, the
    // plug-in works its scale out itself.
    void SetGuiScale(double scale) { guiScale = scale; }
    // What a resize the host makes of the editor (the user dragging the host
    // window's frame) was answered.
    struct GuiResize {
        bool resizable = false;  // the gui is created and can_resize said true
        bool adjusted = false;  // adjust_size said true
        std::uint32_t width = 0, height = 0;  // the size adjust_size left
        bool setCalled = false;  // set_size was called: the adjusted size fits a window
        bool set = false;  // and it said true
    };
    // [main thread] gui.can_resize, then adjust_size of width x height, then
    // set_size with the size adjust_size left.
    GuiResize ResizeGui(std::uint32_t width, std::uint32_t height);
    // How the created editor (EditorSize made it) says it may be resized:
    // can_resize, and get_resize_hints when it gives them.
    struct GuiHints {
        bool canResize = false;
        bool hinted = false;
        clap::clap_gui_resize_hints hints = {};
    };
    // [main thread]
    GuiHints ResizeHints();
    void* ModuleHandle() const override { return library ? library->Handle() : nullptr; }
    // Processing stops on the thread that started it.
    void AudioThreadEnding() override { StopProcessing(); }

private:
    ClapInstance();
    bool Create(const std::string& path, const std::string& id, std::string& error);
    void ReadPorts();
    void ReadParams();
    template <typename Sample>
    void Process(Sample** inputs, Sample** outputs, int frames);
    void Report(const std::string& line);
    // Reports "wrong-thread NAME" when a host function the interface reserves
    // for the main thread is called on another; true when on the main thread.
    bool CheckMainThread(const char* name);
    // An output event the plug-in pushed, turned into a report line.
    void ReportOutputEvent(const clap::clap_event_header& event);
    // The index of the parameter with this id, or -1.
    int IndexOf(clap::clap_id id) const;
    // [main thread] gui.set_scale(guiScale), reported; right after gui.create.
    void ScaleGui();
    // [main thread] A resize the plug-in asked for off the main thread, made now.
    void ResizeAsRequested();

    // Host record callbacks. [any thread] no lock: the plug-in calls them from
    // the thread it is in; each recovers the instance from host_data.
    static const void* GetExtension(const clap::clap_host* host, const char* id);
    static void RequestRestart(const clap::clap_host* host);
    static void RequestProcess(const clap::clap_host* host);
    static void RequestCallback(const clap::clap_host* host);
    // [any thread] is_main_thread / is_audio_thread, answered truthfully.
    static bool IsMainThread(const clap::clap_host* host);
    static bool IsAudioThread(const clap::clap_host* host);
    // [main thread] rescans and flush requests.
    static void ParamsRescan(const clap::clap_host* host, std::uint32_t flags);
    static void ParamsClear(const clap::clap_host* host, clap::clap_id id, std::uint32_t flags);
    static void ParamsRequestFlush(const clap::clap_host* host);
    static void StateMarkDirty(const clap::clap_host* host);
    static void LatencyChanged(const clap::clap_host* host);
    static bool PortsFlagSupported(const clap::clap_host* host, std::uint32_t flag);
    static void PortsRescan(const clap::clap_host* host, std::uint32_t flags);
    // [thread-safe] the editor's requests; a resize asked off the main thread
    // is answered at once and made on the main thread.
    static void GuiResizeHintsChanged(const clap::clap_host* host);
    static bool GuiRequestResize(const clap::clap_host* host, std::uint32_t width, std::uint32_t height);
    static bool GuiRequestShow(const clap::clap_host* host);
    static bool GuiRequestHide(const clap::clap_host* host);
    static void GuiClosed(const clap::clap_host* host, bool destroyed);
    // [audio thread, or main thread in flush] the output queue.
    // [main thread] timers and file descriptors for the editor.
    static bool RegisterTimer(const clap::clap_host* host, std::uint32_t periodMs, clap::clap_id* id);
    static bool UnregisterTimer(const clap::clap_host* host, clap::clap_id id);
    static bool RegisterFd(const clap::clap_host* host, int fd, std::uint32_t flags);
    static bool ModifyFd(const clap::clap_host* host, int fd, std::uint32_t flags);
    static bool UnregisterFd(const clap::clap_host* host, int fd);
    static bool TryPush(const clap::clap_output_events* list, const clap::clap_event_header* event);
    // [audio thread, or main thread in flush] the input queue.
    static std::uint32_t InputSize(const clap::clap_input_events* list);
    static const clap::clap_event_header* InputGet(const clap::clap_input_events* list, std::uint32_t index);

    std::unique_ptr<PluginModule> library;
    const clap::clap_plugin_entry* entry = nullptr;
    bool entryInited = false;
    const clap::clap_plugin_descriptor* descriptor = nullptr;
    std::vector<std::string> offeredIds;
    clap::clap_host host = {};
    const clap::clap_plugin* plugin = nullptr;
    bool pluginInited = false;
    const clap::clap_plugin_audio_ports* ports = nullptr;
    const clap::clap_plugin_params* params = nullptr;
    const clap::clap_plugin_state* state = nullptr;
    const clap::clap_plugin_latency* latencyExtension = nullptr;
    const clap::clap_plugin_gui* gui = nullptr;
    std::vector<clap::clap_audio_port_info> inputPorts, outputPorts;
    std::vector<clap::clap_param_info> paramInfos;
    int inputChannels = 0;
    int outputChannels = 0;
    bool allPorts64 = false;

    double rate = 44100.0;
    int maxBlock = 512;
    bool active = false;
    std::atomic<bool> processing{false};
    int latency = 0;
    std::int64_t steadyTime = 0;
    clap::clap_process_status lastStatus = clap::CLAP_PROCESS_CONTINUE;
    std::thread::id mainThread;
    std::atomic<std::thread::id> audioThread{};

    std::mutex queueMutex;  // the queued events: set from the main thread, sent on the audio thread
    std::vector<clap::clap_event_param_value> queued;
    std::vector<clap::clap_event_param_value> sending;  // the events of the block in progress
    clap::clap_input_events inEvents = {};
    clap::clap_output_events outEvents = {};
    std::atomic<EditorHostEvents*> editorHost{nullptr};
    bool guiCreated = false;
    double guiScale = 0.0;
    // request_resize from another thread: width << 32 | height, 0 for none;
    // the main thread resizes its window at the next idle.
    std::atomic<std::uint64_t> requestedSize{0};
    struct Timer {
        clap::clap_id id;
        std::uint32_t periodMs;
        std::chrono::steady_clock::time_point due;
    };
    std::vector<Timer> timers;
    clap::clap_id nextTimerId = 1;
    std::vector<std::pair<int, std::uint32_t>> fds;  // registered descriptor, CLAP_POSIX_FD_* flags
    std::atomic<bool> callbackRequested{false};
    std::atomic<bool> flushRequested{false};
    bool startRefused = false;
    std::mutex reportMutex;
    std::function<void(const std::string&)> report;
};

}  // namespace vsthost

}  // namespace kestrelon
