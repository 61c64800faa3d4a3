#include "tools/vsthost/torture_subject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "tools/vsthost/platform.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__SSE__)
#include <xmmintrin.h>
#define VSTHOST_HAS_MXCSR 1
#endif

namespace kestrelon {

namespace vsthost::torture {
namespace {

// Samples either side of every channel that the effect must leave alone.
constexpr int kGuard = 64;
constexpr float kGuardFloat = -1234.5678f;
constexpr double kGuardDouble = -1234.5678;
// Hosts hand out at least this much room for a text; an effect that writes
// no terminator within it runs off into the host's memory.
constexpr std::size_t kTextRoom = 256;

// The floating-point modes of the calling thread (rounding, flush-to-zero,
// denormals-are-zero, exception masks), without the sticky status flags that
// any arithmetic sets.
unsigned FloatModes()
{
#if defined(VSTHOST_HAS_MXCSR)
    return _mm_getcsr() & ~0x3Fu;
#else
    return 0;
#endif
}

void RestoreFloatModes(unsigned modes)
{
#if defined(VSTHOST_HAS_MXCSR)
    _mm_setcsr(modes | (_mm_getcsr() & 0x3Fu));
#else
    (void)modes;
#endif
}

bool Same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

std::string Frames(int frames)
{
    return std::to_string(frames) + (frames == 1 ? " frame" : " frames");
}

}  // namespace

const char* OpcodeName(vst2::VstInt32 opcode)
{
    switch (opcode) {
    case vst2::effOpen:
        return "effOpen";
    case vst2::effClose:
        return "effClose";
    case vst2::effSetProgram:
        return "effSetProgram";
    case vst2::effSetProgramName:
        return "effSetProgramName";
    case vst2::effGetProgramName:
        return "effGetProgramName";
    case vst2::effGetParamLabel:
        return "effGetParamLabel";
    case vst2::effGetParamDisplay:
        return "effGetParamDisplay";
    case vst2::effGetParamName:
        return "effGetParamName";
    case vst2::effSetSampleRate:
        return "effSetSampleRate";
    case vst2::effSetBlockSize:
        return "effSetBlockSize";
    case vst2::effMainsChanged:
        return "effMainsChanged";
    case vst2::effGetProgramNameIndexed:
        return "effGetProgramNameIndexed";
    case vst2::effStartProcess:
        return "effStartProcess";
    case vst2::effStopProcess:
        return "effStopProcess";
    default:
        return "a dispatcher call";
    }
}

const char* PathName(Path path)
{
    switch (path) {
    case Path::kReplacing:
        return "processReplacing";
    case Path::kAdding:
        return "process (adding)";
    case Path::kDouble:
        return "processDoubleReplacing";
    }
    return "?";
}

HostBuffers::HostBuffers(int inputs, int outputs, int capacity)
    : inputCount(inputs), outputCount(outputs), frameCapacity(capacity)
{
    const std::size_t size = static_cast<std::size_t>(capacity + 2 * kGuard);
    floatIn.assign(static_cast<std::size_t>(inputs), std::vector<float>(size, kGuardFloat));
    floatOut.assign(static_cast<std::size_t>(outputs), std::vector<float>(size, kGuardFloat));
    doubleIn.assign(static_cast<std::size_t>(inputs), std::vector<double>(size, kGuardDouble));
    doubleOut.assign(static_cast<std::size_t>(outputs), std::vector<double>(size, kGuardDouble));
    for (auto& c : floatIn)
        floatInPtrs.push_back(c.data() + kGuard);
    for (auto& c : floatOut)
        floatOutPtrs.push_back(c.data() + kGuard);
    for (auto& c : doubleIn)
        doubleInPtrs.push_back(c.data() + kGuard);
    for (auto& c : doubleOut)
        doubleOutPtrs.push_back(c.data() + kGuard);
    // Hosts pass arrays of at least one pointer, whatever the channel count.
    floatInPtrs.push_back(nullptr);
    floatOutPtrs.push_back(nullptr);
    doubleInPtrs.push_back(nullptr);
    doubleOutPtrs.push_back(nullptr);
}

void HostBuffers::Load(Path path, const Signal& in, int offset, int frames, bool inPlace)
{
    loadedPath = path;
    loadedInPlace = inPlace && inputCount >= outputCount;
    // Whatever a longer call left behind the frames becomes guard again.
    const std::size_t tail = static_cast<std::size_t>(kGuard + frames);
    for (auto& c : floatIn)
        std::fill(c.begin() + static_cast<std::ptrdiff_t>(tail), c.end(), kGuardFloat);
    for (auto& c : floatOut)
        std::fill(c.begin() + static_cast<std::ptrdiff_t>(tail), c.end(), kGuardFloat);
    for (auto& c : doubleIn)
        std::fill(c.begin() + static_cast<std::ptrdiff_t>(tail), c.end(), kGuardDouble);
    for (auto& c : doubleOut)
        std::fill(c.begin() + static_cast<std::ptrdiff_t>(tail), c.end(), kGuardDouble);
    loadedInput.assign(static_cast<std::size_t>(inputCount),
                       std::vector<double>(static_cast<std::size_t>(frames), 0.0));
    for (int c = 0; c < inputCount; ++c) {
        const std::vector<double>* source =
            c < static_cast<int>(in.size()) ? &in[static_cast<std::size_t>(c)] : nullptr;
        for (int i = 0; i < frames; ++i) {
            const std::size_t at = static_cast<std::size_t>(offset + i);
            const double v = source && at < source->size() ? (*source)[at] : 0.0;
            const std::size_t slot = static_cast<std::size_t>(kGuard + i);
            if (path == Path::kDouble) {
                doubleIn[static_cast<std::size_t>(c)][slot] = v;
                loadedInput[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = v;
            } else {
                floatIn[static_cast<std::size_t>(c)][slot] = static_cast<float>(v);
                loadedInput[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = static_cast<float>(v);
            }
        }
    }
    if (loadedInPlace)
        return;
    const double prime = path == Path::kAdding ? 0.0 : std::numeric_limits<double>::quiet_NaN();
    for (int c = 0; c < outputCount; ++c) {
        for (int i = 0; i < frames; ++i) {
            const std::size_t slot = static_cast<std::size_t>(kGuard + i);
            if (path == Path::kDouble)
                doubleOut[static_cast<std::size_t>(c)][slot] = prime;
            else
                floatOut[static_cast<std::size_t>(c)][slot] = static_cast<float>(prime);
        }
    }
}

bool HostBuffers::InputFinite(int frames) const
{
    for (const std::vector<double>& channel : loadedInput) {
        for (int i = 0; i < frames && i < static_cast<int>(channel.size()); ++i) {
            if (!std::isfinite(channel[static_cast<std::size_t>(i)]))
                return false;
        }
    }
    return true;
}

double HostBuffers::Out(int c, int i) const
{
    const std::size_t ch = static_cast<std::size_t>(c), slot = static_cast<std::size_t>(kGuard + i);
    if (loadedPath == Path::kDouble)
        return loadedInPlace ? doubleIn[ch][slot] : doubleOut[ch][slot];
    return loadedInPlace ? floatIn[ch][slot] : floatOut[ch][slot];
}

void HostBuffers::AppendOutput(Signal& out, int frames) const
{
    out.resize(static_cast<std::size_t>(outputCount));
    for (int c = 0; c < outputCount; ++c) {
        for (int i = 0; i < frames; ++i)
            out[static_cast<std::size_t>(c)].push_back(Out(c, i));
    }
}

std::string HostBuffers::WritesOutside(int frames) const
{
    const bool dbl = loadedPath == Path::kDouble;
    auto guardsOf = [&](bool input, int c) -> std::string {
        const std::size_t ch = static_cast<std::size_t>(c);
        const std::size_t size = static_cast<std::size_t>(frameCapacity + 2 * kGuard);
        for (std::size_t i = 0; i < size; ++i) {
            const bool inside = i >= static_cast<std::size_t>(kGuard) && i < static_cast<std::size_t>(kGuard + frames);
            if (inside)
                continue;
            const bool intact = dbl ? (input ? doubleIn : doubleOut)[ch][i] == kGuardDouble
                                    : (input ? floatIn : floatOut)[ch][i] == kGuardFloat;
            if (!intact) {
                const long at = static_cast<long>(i) - kGuard;
                return std::string(input ? "input" : "output") + " channel " + std::to_string(c) +
                       " was written at frame " + std::to_string(at) + ", outside the call's " + Frames(frames);
            }
        }
        return "";
    };
    for (int c = 0; c < inputCount; ++c) {
        if (std::string why = guardsOf(true, c); !why.empty())
            return why;
    }
    for (int c = 0; c < outputCount; ++c) {
        if (std::string why = guardsOf(false, c); !why.empty())
            return why;
    }
    return "";
}

std::string HostBuffers::ChangedInput(int frames) const
{
    const bool dbl = loadedPath == Path::kDouble;
    if (loadedInPlace)
        return "";
    for (int c = 0; c < inputCount; ++c) {
        for (int i = 0; i < frames; ++i) {
            const std::size_t ch = static_cast<std::size_t>(c), slot = static_cast<std::size_t>(kGuard + i);
            const double now = dbl ? doubleIn[ch][slot] : floatIn[ch][slot];
            if (!Same(now, loadedInput[ch][static_cast<std::size_t>(i)]))
                return "input channel " + std::to_string(c) + " was overwritten at frame " + std::to_string(i);
        }
    }
    return "";
}

std::unique_ptr<Subject> Subject::Load(const Options& options, Tally& runTally)
{
    std::string error;
    std::unique_ptr<PluginInstance> plugin;
    {
        const CallInProgress call(runTally, "the entry point");
        plugin = PluginInstance::Load(options.plugin, error);
    }
    if (!plugin) {
        runTally.Fault("the plug-in cannot be loaded", error);
        return nullptr;
    }
    SetCrashContext(runTally.Context());  // loading set its own
    std::unique_ptr<Subject> subject(new Subject(std::move(plugin), runTally));
    subject->clipParam = subject->FindParam("Clip Output");
    return subject;
}

Subject::~Subject()
{
    const CallInProgress call(tally, "effClose");
    instance.reset();
}

vst2::VstIntPtr Subject::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                  float opt)
{
    const CallInProgress call(tally, OpcodeName(opcode));
    return instance->Dispatch(opcode, index, value, ptr, opt);
}

void Subject::Resume()
{
    Dispatch(vst2::effMainsChanged, 0, 1);
    Dispatch(vst2::effStartProcess);
}

void Subject::Suspend()
{
    Dispatch(vst2::effStopProcess);
    Dispatch(vst2::effMainsChanged, 0, 0);
}

void Subject::Start(double rate, int block)
{
    Open();
    SetRate(rate);
    SetBlock(block);
    Resume();
}

float Subject::Get(int index)
{
    const CallInProgress call(tally, "getParameter");
    return instance->GetParam(index);
}

void Subject::Set(int index, float normalised)
{
    const CallInProgress call(tally, "setParameter");
    instance->SetParam(index, normalised);
}

bool Subject::SetText(int index, const std::string& text)
{
    const CallInProgress call(tally, "effString2Parameter");
    return instance->SetParamFromText(index, text);
}

std::string Subject::TextRequest(vst2::VstInt32 opcode, int index, const char* what)
{
    char text[2 * kTextRoom];
    std::memset(text, 0x7E, sizeof text);
    Dispatch(opcode, index, 0, text);
    if (std::all_of(text, text + sizeof text, [](char b) { return b == 0x7E; })) {
        tally.Note("leaves a text request unanswered",
                   std::string(OpcodeName(opcode)) + " for parameter " + std::to_string(index) + " wrote nothing");
        return "";
    }
    if (!std::memchr(text, '\0', kTextRoom)) {
        tally.Fault("a text runs past " + std::to_string(kTextRoom) + " bytes, beyond any host's buffer",
                    std::string(OpcodeName(opcode)) + ": the " + what + " of parameter " + std::to_string(index) +
                        " is not terminated within " + std::to_string(kTextRoom) + " bytes");
        text[kTextRoom - 1] = '\0';
    }
    return text;
}

std::string Subject::Display(int index)
{
    return TextRequest(vst2::effGetParamDisplay, index, "display text");
}

std::string Subject::Name(int index)
{
    return TextRequest(vst2::effGetParamName, index, "name");
}

int Subject::FindParam(const std::string& name)
{
    for (int i = 0; i < Params(); ++i) {
        if (Name(i) == name)
            return i;
    }
    return -1;
}

double Subject::ClipLimit()
{
    if (clipParam < 0)
        return 0.0;
    return Get(clipParam) >= 0.5f ? kClipLevel : 0.0;
}

double Subject::SetClip(bool on)
{
    if (clipParam < 0)
        return 0.0;
    Set(clipParam, on ? 1.0f : 0.0f);
    return on ? kClipLevel : 0.0;
}

std::vector<std::uint8_t> Subject::Chunk(bool program)
{
    const CallInProgress call(tally, "effGetChunk");
    return instance->GetChunk(program);
}

bool Subject::Restore(bool program, const std::vector<std::uint8_t>& chunk)
{
    const CallInProgress call(tally, "effSetChunk");
    return instance->SetChunk(program, chunk);
}

std::vector<float> Subject::Values()
{
    std::vector<float> values;
    for (int i = 0; i < Params(); ++i)
        values.push_back(Get(i));
    return values;
}

void Subject::SetValues(const std::vector<float>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        Set(static_cast<int>(i), values[i]);
}

// Audio thread of the phase.
void Subject::Process(Path path, HostBuffers& buffers, int frames)
{
    const unsigned modes = FloatModes();
    tally.Block();
    const CallInProgress call(tally, PathName(path));
    switch (path) {
    case Path::kReplacing:
        instance->ProcessFloat(buffers.FloatInputs(), buffers.FloatOutputs(), frames);
        break;
    case Path::kAdding:
        instance->ProcessFloatAdding(buffers.FloatInputs(), buffers.FloatOutputs(), frames);
        break;
    case Path::kDouble:
        if (instance->CanProcessDouble()) {
            instance->ProcessDouble(buffers.DoubleInputs(), buffers.DoubleOutputs(), frames);
        } else {
            // No double precision: the host would not call it; the outputs read as silence.
            for (int c = 0; c < buffers.Outputs(); ++c)
                for (int i = 0; i < frames; ++i)
                    buffers.DoubleOutputs()[c][i] = 0.0;
        }
        break;
    }
    const unsigned after = FloatModes();
    if (after != modes) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "a %s call of %d frames left the host thread's floating-point modes changed (MXCSR %#x -> %#x)",
                      PathName(path), frames, modes, after);
        tally.Fault("leaves the host thread's floating-point modes changed", text);
        RestoreFloatModes(modes);
    }
}

bool Subject::ProcessChecked(Path path, HostBuffers& buffers, int frames, double limit, const std::string& context,
                             const char* outsideProtocol)
{
    Process(path, buffers, frames);
    const std::string where = context + ", " + PathName(path) + " call of " + Frames(frames);
    if (const std::string damage = buffers.WritesOutside(frames); !damage.empty()) {
        tally.Fault("writes outside the buffers it is given", where + ": " + damage);
        return false;
    }
    if (const std::string damage = buffers.ChangedInput(frames); !damage.empty()) {
        tally.Fault("changes its input buffers", where + ": " + damage);
        return false;
    }
    // The bound a float output is held to is the clip level as a float.
    const double bound = path == Path::kDouble ? limit : static_cast<double>(static_cast<float>(limit));
    for (int c = 0; c < buffers.Outputs(); ++c) {
        for (int i = 0; i < frames; ++i) {
            const double v = buffers.Out(c, i);
            char text[96];
            if (!std::isfinite(v)) {
                std::snprintf(text, sizeof text, ": output channel %d frame %d is %s", c, i,
                              std::isnan(v) ? "not a number" : "infinite");
                // What a host that breaks the protocol, or that hands the
                // effect NaN, gets back is noted; from music it is a fault.
                if (outsideProtocol) {
                    tally.Note(std::string("non-finite output when ") + outsideProtocol, where + text);
                } else if (!buffers.InputFinite(frames)) {
                    tally.Note("non-finite output while its input is non-finite", where + text);
                } else {
                    tally.Fault("non-finite output", where + text);
                    return false;
                }
                return true;
            }
            if (limit > 0.0 && std::fabs(v) > bound) {
                std::snprintf(text, sizeof text, ": output channel %d frame %d is %.9f", c, i, v);
                tally.Note("output beyond the clip level of 0.989 with \"Clip Output\" on", where + text);
                return true;
            }
        }
    }
    return true;
}

Signal Subject::Render(const Signal& in, const RenderPlan& plan)
{
    const int total = in.empty() ? 0 : static_cast<int>(in[0].size());
    const int block = plan.block > 0 ? plan.block : 1;
    HostBuffers buffers(Inputs(), Outputs(), block);
    Signal out(static_cast<std::size_t>(Outputs()));
    for (int offset = 0; offset < total; offset += block) {
        const int frames = std::min(block, total - offset);
        buffers.Load(plan.path, in, offset, frames, plan.inPlace);
        ProcessChecked(plan.path, buffers, frames, plan.limit, plan.context);
        buffers.AppendOutput(out, frames);
    }
    return out;
}

std::string CompareRestored(Subject& saved, Subject& restored, bool& shown)
{
    const std::vector<float> want = saved.Values(), got = restored.Values();
    std::string valueOnly;
    shown = false;
    for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) {
        const int index = static_cast<int>(i);
        const std::string before = saved.Display(index), after = restored.Display(index);
        if (before == after && want[i] == got[i])
            continue;
        const std::string change = "parameter " + std::to_string(i) + " comes back as " + std::to_string(got[i]) +
                                   " showing \"" + after + "\", saved as " + std::to_string(want[i]) + " showing \"" +
                                   before + "\"";
        if (before != after) {
            shown = true;
            return change;
        }
        if (valueOnly.empty())
            valueOnly = change;
    }
    return valueOnly;
}

int FirstDifference(const Signal& a, const Signal& b)
{
    if (a.size() != b.size())
        return 0;
    int first = -1;
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size())
            return 0;
        for (std::size_t i = 0; i < a[c].size(); ++i) {
            if (!Same(a[c][i], b[c][i])) {
                if (first < 0 || static_cast<int>(i) < first)
                    first = static_cast<int>(i);
                break;
            }
        }
    }
    return first;
}

}  // namespace vsthost::torture

}  // namespace kestrelon
