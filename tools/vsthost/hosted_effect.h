// What render, info and torture need of a loaded plug-in, whatever its
// format: pins, parameters by index, processing on and off, blocks of audio.
// A VST 2 instance (plugin_instance.h) and a CLAP instance (clap_instance.h)
// each translate these into their own binary interface; the commands never
// see which one they drive unless they ask for a format's own abilities.
#pragma once

#include <string>

namespace kestrelon {

namespace vsthost {

class PluginInstance;
class ClapInstance;

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
