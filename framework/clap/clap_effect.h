#pragma once

#include <cstdint>

#include "framework/chunk_buffer.h"
#include "framework/clap/clap_abi.h"
#include "framework/effect_base.h"

namespace kestrelon {

// The plug-in's CLAP face: the plug-in record the host holds, its extensions
// (audio ports, parameters, state, latency, gui, timer) and the base's
// host-facing operations turned into host calls and output events. Every
// member the record's callbacks reach takes the plug-in's mutex; the
// callbacks themselves are in clap_callbacks.cpp, the gui in clap_gui.cpp.
class IEffectCLAP : public IEffectBase {
public:
    // Scratch is prepared for at most this many frames, as for VST 2.4;
    // longer blocks are processed in slices.
    static constexpr int kLargestBlock = 65536;
    // Editor edits waiting for the host's next process or flush. A host that
    // takes none for this long loses the oldest values, never a gesture's end.
    static constexpr int kOutputEventCapacity = 256;
    // How often the host's timer drives the editor where the window system
    // has no timer of its own for us (X11).
    static constexpr std::uint32_t kEditorTimerMs = 15;

    IEffectCLAP(const EffectDescription& description, const clap::clap_plugin_descriptor* descriptor,
                const clap::clap_host* host);
    ~IEffectCLAP() override;

    // The record handed to the host; it lives as long as the object.
    const clap::clap_plugin* Record() const { return &record; }
    // The plug-in behind a record the host hands back, or null.
    static IEffectCLAP* FromRecord(const clap::clap_plugin* plugin);

    // What the record's callbacks forward to; each takes the mutex.
    // [main thread]
    bool Init();
    bool Activate(double rate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void Deactivate();
    void OnMainThread();
    // [audio thread]
    bool StartProcessing();
    void StopProcessing();
    void ResetProcessing();
    clap::clap_process_status Process(const clap::clap_process* process);
    // [any thread] The extension's table, or null (clap_callbacks.cpp).
    const void* Extension(const char* id) const;

    // Audio ports. [main thread]
    std::uint32_t AudioPortCount(bool isInput) const;
    bool AudioPortInfo(std::uint32_t index, bool isInput, clap::clap_audio_port_info* info) const;

    // Parameters: the id is the parameter's index, which the state's layout
    // fixes for good. [main thread] (Flush: the audio thread while active.)
    std::uint32_t ParamInfoCount() const { return static_cast<std::uint32_t>(ParamCount()); }
    bool ParamInfo(std::uint32_t index, clap::clap_param_info* info) const;
    bool ParamValue(clap::clap_id id, double* value) const;
    bool ValueToText(clap::clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool TextToValue(clap::clap_id id, const char* text, double* value) const;
    void Flush(const clap::clap_input_events* in, const clap::clap_output_events* out);

    // State: the VST 2.4 program chunk's bytes. [main thread]
    bool SaveState(const clap::clap_ostream* stream);
    bool LoadState(const clap::clap_istream* stream);

    // [main thread] takes the mutex. The look-ahead at the active rate.
    std::uint32_t LatencySamples() const;

    // The gui extension (clap_gui.cpp). [main thread]
    bool GuiApiSupported(const char* api, bool isFloating) const;
    bool GuiPreferredApi(const char** api, bool* isFloating) const;
    bool GuiCreate(const char* api, bool isFloating);
    void GuiDestroy();
    bool GuiSetScale(double scale);
    bool GuiSize(std::uint32_t* width, std::uint32_t* height) const;
    bool GuiCanResize() const;
    bool GuiResizeHints(clap::clap_gui_resize_hints* hints) const;
    bool GuiAdjustSize(std::uint32_t* width, std::uint32_t* height) const;
    bool GuiSetSize(std::uint32_t width, std::uint32_t height);
    bool GuiSetParent(const clap::clap_window* window);
    bool GuiShow();
    bool GuiHide();
    void OnTimer(clap::clap_id timer);

    // Host-facing operations of the base.
    // [UI thread] mutex held. Gestures and values reach the host as output
    // events at its next process or flush.
    void HostBeginParamEdit(int index) override;
    void HostParamChanged(int index, double normalised) override;
    void HostEndParamEdit(int index) override;
    // [any thread] mutex held. The host rescans the texts on its main thread.
    void HostUpdateDisplay() override;
    int HostSamplePosition() override { return 0; }
    double HostTempo() override { return 0.0; }
    void HostTimeSignature(int* numerator, int* denominator) override;
    void HostTimeInfo(TransportInfo*) override {}
    // [UI thread] mutex held. get_size answers the editor's own size.
    void SetEditorSize(int, int) override {}
    // [UI thread] mutex held. The grip asks the host for room with
    // request_resize; the host's window is its own to size.
    bool HostResizeEditor(int width, int height) override;
    bool HostSizesItsWindows() const override { return true; }
    bool SendMidiToHost(const MidiMessage&) override { return false; }

private:
    // The parameter a host's id names, or null: ids are indices, and one
    // beyond an int's range must not wrap to a valid one.
    IParameter* ParamById(clap::clap_id id) { return id < ParamInfoCount() ? ParamAt(static_cast<int>(id)) : nullptr; }
    const IParameter* ParamById(clap::clap_id id) const
    {
        return id < ParamInfoCount() ? ParamAt(static_cast<int>(id)) : nullptr;
    }

    struct OutputEvent {
        std::uint16_t type = 0;
        clap::clap_id param = 0;
        double value = 0.0;
    };

    // [audio or main thread] mutex held. One parameter event from the host.
    void ApplyEvent(const clap::clap_event_header* event);
    void ApplyEvents(const clap::clap_input_events* in, std::uint32_t first, std::uint32_t end);
    // [audio thread] mutex held. frames frames from offset on, one slice.
    void RenderSpan(const clap::clap_process& process, std::uint32_t offset, std::uint32_t frames);
    void QueueOutputEvent(std::uint16_t type, int index, double value);
    void SendOutputEvents(const clap::clap_output_events* out);
    void RequestFlush();
    template <typename Extension>
    const Extension* HostExtension(const char* id) const;

    clap::clap_plugin record{};
    const clap::clap_host* host = nullptr;
    const clap::clap_host_params* hostParams = nullptr;
    const clap::clap_host_latency* hostLatency = nullptr;
    const clap::clap_host_gui* hostGui = nullptr;
    const clap::clap_host_timer_support* hostTimer = nullptr;
    const clap::clap_host_state* hostState = nullptr;
    bool active = false;
    bool processing = false;
    bool rescanTexts = false;
    bool guiCreated = false;
    bool timerRunning = false;
    bool hostSizing = false;  // inside set_size: the host's window has the size already
    clap::clap_id timerId = clap::CLAP_INVALID_ID;
    // A fixed ring, filled on the UI thread and emptied on the audio thread
    // under the mutex: nothing allocates on either side.
    OutputEvent outputEvents[kOutputEventCapacity];
    int outputEventStart = 0;
    int outputEventCount = 0;
    ChunkBuffer stateChunk;
};

// Points the record's function fields at the callbacks (clap_callbacks.cpp).
void FillCLAPRecord(clap::clap_plugin& record);

// Makes a new effect object for a host; null when it could not be made.
using CLAPEffectFactory = IEffectCLAP* (*)(const clap::clap_plugin_descriptor* descriptor, const clap::clap_host* host);

// What a plug-in library offers: one plug-in, made by create. The library
// defines CLAPPluginOffered; the entry's functions below serve it.
struct CLAPPluginOffer {
    const clap::clap_plugin_descriptor* descriptor;
    CLAPEffectFactory create;
};
const CLAPPluginOffer& CLAPPluginOffered();

// The exported clap_entry's functions. [any host thread]
bool CLAPEntryInit(const char* path);
void CLAPEntryDeinit();
const void* CLAPEntryFactory(const char* id);

}  // namespace kestrelon
