// What render, info and torture need of a loaded plug-in, whatever its
// format: pins, parameters by index, processing on and off, blocks of audio.
// A VST 2 instance (plugin_instance.h) and a CLAP instance (clap_instance.h)
// each translate these into their own binary interface; the commands never
// see which one they drive unless they ask for a format's own abilities.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

class PluginInstance;
class ClapInstance;

// The requests a plug-in's editor makes of its host. [any host thread] no
// lock: the plug-in calls back on whichever thread it is in, the editor's as
// a rule, the automation and audio threads too under some plug-ins.
class EditorHostEvents {
public:
    virtual ~EditorHostEvents() = default;
    // The user moved a parameter (normalised value).
    virtual void ParameterAutomated(int index, float value) = 0;
    // Around a gesture.
    virtual void EditBegun(int index) = 0;
    virtual void EditEnded(int index) = 0;
    // True when the host resized its window.
    virtual bool SizeWindow(int width, int height) = 0;
};

class HostedEffect {
public:
    virtual ~HostedEffect() = default;

    // Audio channels in and out, counted over every port (side-chains after
    // the main pins).
    virtual int InputCount() const = 0;
    virtual int OutputCount() const = 0;
    // Whether the first two inputs form one stereo pair.
    virtual bool FirstInputIsStereoPair() = 0;
    // Asks for the one-in, one-out layout; false when the plug-in refuses it.
    virtual bool RequestMonoLayout() = 0;
    // The current latency in samples, never negative.
    virtual int Latency() const = 0;
    virtual bool CanProcessDouble() const = 0;
    // Where the host's transport stands, reported to the plug-in on request.
    virtual void SetOfflineRender(bool offline) = 0;

    // Switches processing on in the given precision, and off again.
    virtual void Resume(bool doublePrecision) = 0;
    virtual void Suspend() = 0;
    // One block; the pointer arrays hold InputCount() and OutputCount() channels.
    virtual void ProcessFloat(float** inputs, float** outputs, int frames) = 0;
    virtual void ProcessDouble(double** inputs, double** outputs, int frames) = 0;

    virtual int ParamCount() const = 0;
    virtual std::string ParamName(int index) = 0;
    virtual std::string ParamLabel(int index) = 0;
    virtual std::string ParamDisplay(int index) = 0;
    // The value between 0 and 1 over the parameter's range.
    virtual float GetParam(int index) = 0;
    virtual void SetParam(int index, float normalised) = 0;
    // True when the plug-in took the text as a value.
    virtual bool SetParamFromText(int index, const std::string& text) = 0;

    // The plug-in's state as one block of bytes (VST 2: the chunk, the bank's
    // when `program` is false; CLAP: the state extension's stream); empty
    // when it hands out none. SetChunk: true when the plug-in accepted it.
    virtual std::vector<std::uint8_t> GetChunk(bool program) = 0;
    virtual bool SetChunk(bool program, const std::vector<std::uint8_t>& chunk) = 0;

    // The editor. [main thread] EditorSize: false with `error` when there is
    // none or its size is no window's; OpenEditor embeds it in `parent` (an
    // HWND, or an X window id).
    virtual bool EditorSize(int& width, int& height, std::string& error) = 0;
    virtual void OpenEditor(void* parent) = 0;
    // What a host does for an open editor between events: idle calls, timers.
    virtual void EditorIdle() = 0;
    // The same right after input reached the editor's window: whatever the
    // editor reads its input on is due now, as a host's loop gets to it.
    virtual void EditorIdleAfterInput() { EditorIdle(); }
    virtual void CloseEditor() = 0;
    // Who hears the requests the plug-in makes of its editor's host; null
    // answers them as a host without an editor window does.
    virtual void SetEditorHost(EditorHostEvents* events) = 0;
    // The loader's handle of the plug-in library.
    virtual void* ModuleHandle() const = 0;
    // [audio thread] The thread that processed is about to end.
    virtual void AudioThreadEnding() {}

    // The instance as a VST 2 or a CLAP plug-in; null when it is the other.
    virtual PluginInstance* AsVst2() { return nullptr; }
    virtual ClapInstance* AsClap() { return nullptr; }

    // Index of the parameter called `name` (exact match first, then ignoring
    // letter case), or -1.
    int FindParam(const std::string& name);
    // "Attack", "Sustain", ... for error messages.
    std::string ParamNameList();
};

// Whether `path` names a CLAP plug-in (by its ".clap" extension, any case).
bool IsClapPath(const std::string& path);

}  // namespace vsthost

}  // namespace kestrelon
