// One effect instance under torture, and the host buffers it is handed. Every
// call into the effect goes through Subject so that it is counted; the checks
// every phase shares (buffers kept to, outputs finite and within the clip
// level, the host thread's floating-point modes untouched) live here too.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/torture.h"
#include "tools/vsthost/torture_signal.h"

namespace kestrelon {

namespace vsthost::torture {

enum class Path { kReplacing, kAdding, kDouble };
constexpr Path kAllPaths[] = {Path::kReplacing, Path::kAdding, Path::kDouble};
const char* PathName(Path path);
// "effOpen" for effOpen; a text that lives for the whole run.
const char* OpcodeName(vst2::VstInt32 opcode);

// What makes a call longer than the block size a host announced one it
// should not send.
constexpr char kLongerThanTold[] = "a call is longer than the block size it was told";

// The level an effect with a switch named "Clip Output" must hold its output
// within while the switch is on: Kestrelon's limiter.
constexpr double kClipLevel = 0.989;

// Host buffers for one call, in single and double precision, with guard zones
// on both sides of every channel that no effect may touch.
class HostBuffers {
public:
    HostBuffers(int inputs, int outputs, int capacity);
    int Capacity() const { return frameCapacity; }

    // Copies frames of `in` (from frame `offset`) into the inputs and primes the
    // outputs: NaN for replacing calls, so an output left unwritten shows; 0 for
    // the adding call, so what it adds is its output. In place, the outputs are
    // the input buffers themselves, as some hosts pass them.
    void Load(Path path, const Signal& in, int offset, int frames, bool inPlace = false);

    float** FloatInputs() { return floatInPtrs.data(); }
    float** FloatOutputs() { return loadedInPlace ? floatInPtrs.data() : floatOutPtrs.data(); }
    double** DoubleInputs() { return doubleInPtrs.data(); }
    double** DoubleOutputs() { return loadedInPlace ? doubleInPtrs.data() : doubleOutPtrs.data(); }

    // Whether the last call's input held only finite samples.
    bool InputFinite(int frames) const;
    // Output sample i of channel c of the last call.
    double Out(int c, int i) const;
    int Outputs() const { return outputCount; }
    // Appends the last call's frames of output to `out` (one vector per output).
    void AppendOutput(Signal& out, int frames) const;
    // "" when the last call kept to its frames; otherwise where it wrote.
    std::string WritesOutside(int frames) const;
    // "" when the last call (unless in place) left its inputs as they were;
    // otherwise where it changed them.
    std::string ChangedInput(int frames) const;

private:
    int inputCount, outputCount, frameCapacity;
    Path loadedPath = Path::kReplacing;
    bool loadedInPlace = false;
    // Each channel: a guard zone, capacity samples, a guard zone.
    std::vector<std::vector<float>> floatIn, floatOut;
    std::vector<std::vector<double>> doubleIn, doubleOut;
    std::vector<float*> floatInPtrs, floatOutPtrs;
    std::vector<double*> doubleInPtrs, doubleOutPtrs;
    Signal loadedInput;  // the inputs as loaded, to tell whether the effect wrote to them
};

// How a Render call drives the effect.
struct RenderPlan {
    Path path = Path::kReplacing;
    int block = 512;  // frames per call; the last call takes the rest
    bool inPlace = false;
    double limit = 0.0;  // > 0: every output sample must lie within +-limit
    std::string context;  // for failure reports
};

class Subject {
public:
    // Loads the library and calls its entry point; null (and a failure) when
    // that does not give a usable effect.
    static std::unique_ptr<Subject> Load(const Options& options, Tally& runTally);
    // Closes the effect with effClose, whatever state it is in.
    ~Subject();

    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    void Open() { Dispatch(vst2::effOpen); }
    void SetRate(double rate) { Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate)); }
    void SetBlock(int frames) { Dispatch(vst2::effSetBlockSize, 0, frames); }
    void Resume();
    void Suspend();
    // Asks for one input and one output; false when the effect refuses.
    bool RequestMono()
    {
        const CallInProgress call(tally, "effSetSpeakerArrangement");
        return instance->RequestMonoLayout();
    }
    // What a careful host does before the first block.
    void Start(double rate, int block);

    // Whether the effect says it keeps its state in chunks; without, a host
    // saves and restores its parameter values.
    bool HasChunks() const { return (instance->Record().flags & vst2::effFlagsProgramChunks) != 0; }
    int Params() const { return instance->ParamCount(); }
    int Inputs() const { return instance->Record().numInputs; }
    int Outputs() const { return instance->Record().numOutputs; }
    int Latency() const { return instance->Record().initialDelay; }
    float Get(int index);
    void Set(int index, float normalised);
    bool SetText(int index, const std::string& text);
    // The display string, checked to be terminated within a sane length.
    std::string Display(int index);
    std::string Name(int index);
    // Index of the parameter with this exact name, or -1.
    int FindParam(const std::string& name);
    // Switches the effect's "Clip Output" on or off; the level it must then hold
    // (0 when it has no such switch or it is off).
    double SetClip(bool on);
    // The level the output must be held within as the switch now stands.
    double ClipLimit();
    int ClipParam() const { return clipParam; }

    std::vector<std::uint8_t> Chunk(bool program);
    bool Restore(bool program, const std::vector<std::uint8_t>& chunk);
    // Every parameter's normalised value, in index order.
    std::vector<float> Values();
    void SetValues(const std::vector<float>& values);

    // One call through a path, with the floating-point-mode check.
    void Process(Path path, HostBuffers& buffers, int frames);
    // One call with checks of the buffers and the output; false on a fault
    // (an output beyond the clip level is a note). `outsideProtocol` names
    // what makes the call one no careful host sends ("a call is longer than
    // ..."): non-finite output from it is noted, not held against the effect.
    bool ProcessChecked(Path path, HostBuffers& buffers, int frames, double limit, const std::string& context,
                        const char* outsideProtocol = nullptr);
    // Renders `in` in calls of plan.block frames, checking every call; the
    // output has one vector per output channel.
    Signal Render(const Signal& in, const RenderPlan& plan);

    Tally& Findings() { return tally; }

private:
    Subject(std::unique_ptr<PluginInstance> loaded, Tally& runTally) : instance(std::move(loaded)), tally(runTally) {}
    std::string TextRequest(vst2::VstInt32 opcode, int index, const char* what);

    std::unique_ptr<PluginInstance> instance;
    Tally& tally;
    int clipParam = -1;
};

// How the parameters of `restored` differ from those of `saved`: "" when
// alike, else the first difference, preferring one whose display text
// differs too (`shown` set: a lost setting) over one of the value alone (a
// switch set to 0.04 that comes back as 0).
std::string CompareRestored(Subject& saved, Subject& restored, bool& shown);

// First frame at which two renders differ (any channel), or -1.
int FirstDifference(const Signal& a, const Signal& b);

}  // namespace vsthost::torture

}  // namespace kestrelon
