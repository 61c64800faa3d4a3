#include "tools/vsthost/plugin_instance.h"

#include <cstring>
#include <mutex>

#include "text/ascii.h"
#include "tools/vsthost/platform.h"

namespace kestrelon {

namespace vsthost {
namespace {

// The instance whose entry point is running on this thread: effects may call
// the host before the record exists or before the host could mark it as its
// own, and a batch creates instances on several threads at once.
thread_local PluginInstance* instanceBeingCreated = nullptr;

// Entry points and effClose run one at a time across the whole process, as in
// a DAW that creates and removes instances from its interface thread: not
// every effect is ready for two threads creating instances at once.
std::mutex& LifecycleLock()
{
    static std::mutex lock;
    return lock;
}

// Hosts look for the current name first; older plug-ins export only "main".
const char* const kEntryPointNames[] = {"VSTPluginMain", "main"};

// Text requests get far more room than the published minimums: many effects,
// this project's included, write longer names than those allow.
constexpr std::size_t kTextBufferSize = 512;

// The host's own identity; none of the words effects look for to recognise a
// particular DAW appear in it.
constexpr char kHostVendor[] = "Lumen Pathway";
constexpr char kHostProduct[] = "vsthost";
constexpr vst2::VstIntPtr kHostVersion = 10000;

void CopyBounded(char* dest, const char* text, std::size_t size)
{
    const std::size_t n = strnlen(text, size - 1);
    std::memcpy(dest, text, n);
    dest[n] = '\0';
}

void InitMonoArrangement(vst2::VstSpeakerArrangement& arrangement)
{
    arrangement = {};
    arrangement.type = vst2::kSpeakerArrMono;
    arrangement.numChannels = 1;
    arrangement.speakers[0].type = vst2::kSpeakerM;
    CopyBounded(arrangement.speakers[0].name, "M", sizeof arrangement.speakers[0].name);
}

// Counts a record can plausibly carry; anything beyond is a broken record
// that would have the host allocate or loop without bound.
bool PlausibleRecord(const vst2::AEffect& e)
{
    return e.numParams >= 0 && e.numParams <= 100000 && e.numPrograms >= 0 && e.numPrograms <= 100000 &&
           e.numInputs >= 0 && e.numInputs <= 256 && e.numOutputs >= 0 && e.numOutputs <= 256 &&
           e.dispatcher != nullptr;
}

}  // namespace

std::unique_ptr<PluginInstance> PluginInstance::Load(const std::string& path, std::string& error)
{
    if (!FileExists(path)) {
        error = path + ": no such plug-in file";
        return nullptr;
    }
    std::unique_ptr<PluginInstance> instance(new PluginInstance());
    std::string why;
    instance->library = PluginModule::Load(path, why);
    if (!instance->library) {
        error = path + " cannot be loaded as a plug-in library: " + why;
        return nullptr;
    }
    void* symbol = nullptr;
    for (const char* name : kEntryPointNames) {
        symbol = instance->library->FindSymbol(name);
        if (symbol) {
            instance->entryPoint = name;
            break;
        }
    }
    if (!symbol) {
        error = path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main";
        return nullptr;
    }
    const auto entry = reinterpret_cast<vst2::VstPluginMainProc>(symbol);
    SetCrashContext("the plug-in crashed while loading " + path);
    vst2::AEffect* effect = nullptr;
    {
        std::lock_guard<std::mutex> lock(LifecycleLock());
        instanceBeingCreated = instance.get();
        effect = entry(&PluginInstance::HostCallback);
        instanceBeingCreated = nullptr;
    }
    if (!effect) {
        error = path + ": " + instance->entryPoint + " created no effect (it returned null)";
        return nullptr;
    }
    if (effect->magic != vst2::kEffectMagic) {
        error = path + " is not a VST 2.4 plug-in: its effect record lacks the 'VstP' magic";
        return nullptr;
    }
    if (!PlausibleRecord(*effect)) {
        error =
            path + ": the effect record is broken (no dispatcher, or impossible parameter, program or channel counts)";
        return nullptr;
    }
    // resvd1 is the host's field of the record: it leads callbacks back here.
    effect->resvd1 = reinterpret_cast<vst2::VstIntPtr>(instance.get());
    instance->effectRecord = effect;
    return instance;
}

PluginInstance::~PluginInstance()
{
    if (!effectRecord)
        return;
    if (resumed)
        Suspend();
    std::lock_guard<std::mutex> lock(LifecycleLock());
    Dispatch(vst2::effClose);
    effectRecord = nullptr;
}

vst2::VstIntPtr PluginInstance::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                         float opt)
{
    return effectRecord->dispatcher(effectRecord, opcode, index, value, ptr, opt);
}

void PluginInstance::Open()
{
    if (opened)
        return;
    Dispatch(vst2::effOpen);
    opened = true;
}

void PluginInstance::Configure(double sampleRate, int blockSize)
{
    hostRate = sampleRate;
    hostBlockSize = blockSize;
    Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(vst2::effSetBlockSize, 0, blockSize);
}

bool PluginInstance::RequestMonoLayout()
{
    InitMonoArrangement(monoIn);
    InitMonoArrangement(monoOut);
    return Dispatch(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&monoIn), &monoOut) != 0;
}

void PluginInstance::Resume(bool doublePrecision)
{
    Dispatch(vst2::effSetProcessPrecision, 0,
             doublePrecision ? vst2::kVstProcessPrecision64 : vst2::kVstProcessPrecision32);
    Dispatch(vst2::effMainsChanged, 0, 1);
    Dispatch(vst2::effStartProcess);
    resumed = true;
    samplePosition = 0.0;
}

void PluginInstance::Suspend()
{
    if (!resumed)
        return;
    Dispatch(vst2::effStopProcess);
    Dispatch(vst2::effMainsChanged, 0, 0);
    resumed = false;
}

std::string PluginInstance::TextRequest(vst2::VstInt32 opcode, int index)
{
    char text[kTextBufferSize] = {};
    Dispatch(opcode, index, 0, text);
    text[kTextBufferSize - 1] = '\0';
    return text;
}

std::string PluginInstance::ParamName(int index)
{
    return TextRequest(vst2::effGetParamName, index);
}
std::string PluginInstance::ParamLabel(int index)
{
    return TextRequest(vst2::effGetParamLabel, index);
}
std::string PluginInstance::ParamDisplay(int index)
{
    return TextRequest(vst2::effGetParamDisplay, index);
}
std::string PluginInstance::ProgramName()
{
    return TextRequest(vst2::effGetProgramName, 0);
}
std::string PluginInstance::ProgramNameIndexed(int index)
{
    return TextRequest(vst2::effGetProgramNameIndexed, index);
}
std::string PluginInstance::EffectName()
{
    return TextRequest(vst2::effGetEffectName, 0);
}
std::string PluginInstance::VendorString()
{
    return TextRequest(vst2::effGetVendorString, 0);
}
std::string PluginInstance::ProductString()
{
    return TextRequest(vst2::effGetProductString, 0);
}

float PluginInstance::GetParam(int index)
{
    return effectRecord->getParameter(effectRecord, index);
}

void PluginInstance::SetParam(int index, float normalised)
{
    effectRecord->setParameter(effectRecord, index, normalised);
}

bool PluginInstance::EditorSize(int& width, int& height, std::string& error)
{
    if (!(effectRecord->flags & vst2::effFlagsHasEditor)) {
        error = "the plug-in has no editor (its record lacks the editor flag)";
        return false;
    }
    vst2::ERect* rect = nullptr;
    Dispatch(vst2::effEditGetRect, 0, 0, &rect);
    if (!rect) {
        error = "the plug-in answered effEditGetRect with no rectangle";
        return false;
    }
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return true;
}

bool PluginInstance::FirstInputIsStereoPair()
{
    vst2::VstPinProperties pin = {};
    return effectRecord->numInputs > 1 && Dispatch(vst2::effGetInputProperties, 0, 0, &pin) != 0 &&
           (pin.flags & vst2::kVstPinIsStereo) != 0;
}

bool PluginInstance::SetParamFromText(int index, const std::string& text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Dispatch(vst2::effString2Parameter, index, 0, copy.data()) != 0;
}

vst2::VstIntPtr PluginInstance::CanDo(const char* text)
{
    std::vector<char> copy(text, text + std::strlen(text) + 1);
    return Dispatch(vst2::effCanDo, 0, 0, copy.data());
}

std::vector<std::uint8_t> PluginInstance::GetChunk(bool program)
{
    void* data = nullptr;
    const vst2::VstIntPtr size = Dispatch(vst2::effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

bool PluginInstance::SetChunk(bool program, const std::vector<std::uint8_t>& chunk)
{
    // The effect gets its own copy: it may keep the pointer or scribble on it.
    std::vector<std::uint8_t> copy(chunk);
    if (copy.empty())
        copy.push_back(0);
    return Dispatch(vst2::effSetChunk, program ? 1 : 0, static_cast<vst2::VstIntPtr>(chunk.size()), copy.data()) != 0;
}

void PluginInstance::ProcessFloat(float** inputs, float** outputs, int frames)
{
    if (effectRecord->flags & vst2::effFlagsCanReplacing) {
        effectRecord->processReplacing(effectRecord, inputs, outputs, frames);
    } else {
        // Effects without replacing processing add into the outputs.
        for (int c = 0; c < effectRecord->numOutputs; ++c)
            std::memset(outputs[c], 0, sizeof(float) * frames);
        effectRecord->process(effectRecord, inputs, outputs, frames);
    }
    samplePosition += frames;
}

void PluginInstance::ProcessFloatAdding(float** inputs, float** outputs, int frames)
{
    if (effectRecord->process)
        effectRecord->process(effectRecord, inputs, outputs, frames);
    samplePosition += frames;
}

void PluginInstance::ProcessDouble(double** inputs, double** outputs, int frames)
{
    effectRecord->processDoubleReplacing(effectRecord, inputs, outputs, frames);
    samplePosition += frames;
}

// [any host thread] no lock.
vst2::VstIntPtr VSTCALLBACK PluginInstance::HostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode,
                                                         vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                                         float opt)
{
    // audioMasterVersion is asked before any instance can be told apart.
    if (opcode == vst2::audioMasterVersion)
        return vst2::kVstVersion;
    PluginInstance* self = nullptr;
    if (effect && effect->resvd1)
        self = reinterpret_cast<PluginInstance*>(effect->resvd1);
    if (!self)
        self = instanceBeingCreated;
    if (!self)
        return 0;
    return self->HandleHostRequest(opcode, index, value, ptr, opt);
}

vst2::VstIntPtr PluginInstance::HandleHostRequest(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value,
                                                  void* ptr, float opt)
{
    if (EditorHostEvents* events = editorHost.load()) {
        switch (opcode) {
        case vst2::audioMasterAutomate:
            events->ParameterAutomated(index, opt);
            return 1;
        case vst2::audioMasterBeginEdit:
            events->EditBegun(index);
            return 1;
        case vst2::audioMasterEndEdit:
            events->EditEnded(index);
            return 1;
        case vst2::audioMasterSizeWindow:
            return events->SizeWindow(index, static_cast<int>(value)) ? 1 : 0;
        default:
            break;
        }
    }
    switch (opcode) {
    case vst2::audioMasterGetTime: {
        // A steady 120 BPM in 4/4, playing, from the start of the file.
        const double quarterNotes = samplePosition / hostRate * 2.0;
        timeInfo = {};
        timeInfo.samplePos = samplePosition;
        timeInfo.sampleRate = hostRate;
        timeInfo.ppqPos = quarterNotes;
        timeInfo.tempo = 120.0;
        timeInfo.barStartPos = static_cast<double>(static_cast<long long>(quarterNotes / 4.0)) * 4.0;
        timeInfo.timeSigNumerator = 4;
        timeInfo.timeSigDenominator = 4;
        timeInfo.flags = vst2::kVstTransportPlaying | vst2::kVstPpqPosValid | vst2::kVstTempoValid |
                         vst2::kVstBarsValid | vst2::kVstTimeSigValid;
        return reinterpret_cast<vst2::VstIntPtr>(&timeInfo);
    }
    case vst2::audioMasterIOChanged:
        // Channel counts and latency are read from the record when needed.
        return 1;
    case vst2::audioMasterGetSampleRate:
        return static_cast<vst2::VstIntPtr>(hostRate);
    case vst2::audioMasterGetBlockSize:
        return hostBlockSize;
    case vst2::audioMasterGetCurrentProcessLevel:
        return renderingOffline ? vst2::kVstProcessLevelOffline : vst2::kVstProcessLevelUser;
    case vst2::audioMasterGetAutomationState:
        return 1;  // automation off
    case vst2::audioMasterGetVendorString:
        if (!ptr)
            return 0;
        CopyBounded(static_cast<char*>(ptr), kHostVendor, vst2::kVstMaxVendorStrLen);
        return 1;
    case vst2::audioMasterGetProductString:
        if (!ptr)
            return 0;
        CopyBounded(static_cast<char*>(ptr), kHostProduct, vst2::kVstMaxProductStrLen);
        return 1;
    case vst2::audioMasterGetVendorVersion:
        return kHostVersion;
    case vst2::audioMasterCanDo: {
        if (!ptr)
            return 0;
        const std::string what = static_cast<const char*>(ptr);
        if (what == "sizeWindow")
            return editorHost.load() ? 1 : 0;
        return (what == "sendVstTimeInfo" || what == "startStopProcess") ? 1 : 0;
    }
    case vst2::audioMasterGetLanguage:
        return 1;  // English
    default:
        // Automation, edits, MIDI output, window requests: nothing to do in a
        // command-line host, and nothing the effect needs to wait for.
        return 0;
    }
}

}  // namespace vsthost

}  // namespace kestrelon
