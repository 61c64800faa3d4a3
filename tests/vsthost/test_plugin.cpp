// A small VST 2.4 effect for testing the host: a gain with an optional
// polarity flip behind a fixed 7-sample delay that it reports as latency, so
// a correct host returns the input scaled and lined up sample for sample.
// Built in several variants to give the host every kind of bad plug-in:
//   VSTHOST_TEST_NO_CHUNKS     state only through parameters (no chunks)
//   VSTHOST_TEST_MONO          one input, one output
//   VSTHOST_TEST_CRASH_ON_LOAD VSTPluginMain faults
//   VSTHOST_TEST_BAD_MAGIC     the record lacks the 'VstP' magic
//   VSTHOST_TEST_NO_ENTRY      neither VSTPluginMain nor main exported
//   VSTHOST_TEST_MAIN_ONLY     only the older entry point "main" exported
//   VSTHOST_TEST_NO_TEXT       typed values (effString2Parameter) refused
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/vst/vst2_abi.h"

#if defined(_WIN32)
#define TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace kestrelon::vst2;

constexpr int kLatency = 7;
constexpr int kMaxChannels = 2;
#if defined(VSTHOST_TEST_MONO)
constexpr int kChannels = 1;
#else
constexpr int kChannels = 2;
#endif
constexpr VstInt32 kProgramChunkMagic = kestrelon::FourCharCode("VHtc");
constexpr VstInt32 kBankChunkMagic = kestrelon::FourCharCode("VHtb");

enum Param { kGain, kInvert, kCrash, kNumParams };

struct TestEffect {
    AEffect record = {};
    audioMasterCallback host = nullptr;
    float params[kNumParams] = {0.5f, 0.0f, 0.0f};  // 0 dB, not inverted, no crash
    char programName[64] = "Init";
    bool monoLayout = false;
    double delay[kMaxChannels][kLatency] = {};
    int delayPos = 0;
    unsigned char chunk[16] = {};
};

// A store to an unmapped address: a real access fault on every platform, and
// not a null dereference the sanitizers would stop at first.
void Fault(int value)
{
    volatile std::uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = value;
}

TestEffect* Self(AEffect* e)
{
    return static_cast<TestEffect*>(e->object);
}

double GainDb(const TestEffect& t)
{
    return -24.0 + 48.0 * t.params[kGain];
}

double LinearGain(const TestEffect& t)
{
    const double g = std::pow(10.0, GainDb(t) / 20.0);
    // 0 dB must be exactly 1 so that renders at unity are bit-exact.
    const double unity = std::fabs(GainDb(t)) < 1e-9 ? 1.0 : g;
    return t.params[kInvert] >= 0.5f ? -unity : unity;
}

void CopyText(void* ptr, const char* text, std::size_t size)
{
    const std::size_t n = strnlen(text, size - 1);
    std::memcpy(ptr, text, n);
    static_cast<char*>(ptr)[n] = '\0';
}

// Accepts "6", "-3.5", "-3 dB"; anything else is refused.
bool ParseGain(const char* text, double& db)
{
    char* end = nullptr;
    db = std::strtod(text, &end);
    if (end == text)
        return false;
    while (*end == ' ')
        ++end;
    if (std::strcmp(end, "dB") == 0)
        end += 2;
    return *end == '\0';
}

template <typename Sample>
void Render(TestEffect& t, Sample** inputs, Sample** outputs, VstInt32 frames, bool accumulate)
{
    if (t.params[kCrash] >= 0.5f)
        Fault(1);
    const double gain = LinearGain(t);
    const int channels = t.monoLayout ? 1 : kChannels;
    for (VstInt32 i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double delayed = t.delay[c][t.delayPos];
            t.delay[c][t.delayPos] = static_cast<double>(inputs[c][i]);
            const Sample out = static_cast<Sample>(delayed * gain);
            outputs[c][i] = accumulate ? static_cast<Sample>(outputs[c][i] + out) : out;
        }
        for (int c = channels; c < kChannels; ++c)
            outputs[c][i] = 0;
        t.delayPos = (t.delayPos + 1) % kLatency;
    }
}

// [audio thread] no lock: vsthost drives this effect from one thread.
void VSTCALLBACK Process(AEffect* e, float** in, float** out, VstInt32 n)
{
    Render(*Self(e), in, out, n, true);
}

// [audio thread] no lock: vsthost drives this effect from one thread.
void VSTCALLBACK ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 n)
{
    Render(*Self(e), in, out, n, false);
}

// [audio thread] no lock: vsthost drives this effect from one thread.
void VSTCALLBACK ProcessDouble(AEffect* e, double** in, double** out, VstInt32 n)
{
    Render(*Self(e), in, out, n, false);
}

// [any host thread] no lock: vsthost drives this effect from one thread.
void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float value)
{
    if (index >= 0 && index < kNumParams)
        Self(e)->params[index] = value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
}

// [any host thread] no lock: vsthost drives this effect from one thread.
float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index)
{
    return index >= 0 && index < kNumParams ? Self(e)->params[index] : 0.0f;
}

VstIntPtr Dispatch(TestEffect& t, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr)
{
    static const char* const kNames[kNumParams] = {"Gain", "Invert", "Crash"};
    const bool inRange = index >= 0 && index < kNumParams;
    switch (opcode) {
    case effSetSampleRate:
        t.record.initialDelay = kLatency;
        return 0;
    case effMainsChanged:
        std::memset(t.delay, 0, sizeof t.delay);
        t.delayPos = 0;
        return 0;
    case effGetParamName:
        if (inRange)
            CopyText(ptr, kNames[index], 32);
        return 0;
    case effGetParamLabel:
        if (inRange)
            CopyText(ptr, index == kGain ? "dB" : "", 32);
        return 0;
    case effGetParamDisplay:
        if (!inRange)
            return 0;
        if (index == kGain) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", GainDb(t));
            CopyText(ptr, text, 32);
        } else {
            CopyText(ptr, t.params[index] >= 0.5f ? "on" : "off", 32);
        }
        return 0;
    case effString2Parameter: {
#if defined(VSTHOST_TEST_NO_TEXT)
        return 0;
#endif
        if (!inRange || !ptr)
            return 0;
        const char* text = static_cast<const char*>(ptr);
        if (index == kGain) {
            double db;
            if (!ParseGain(text, db))
                return 0;
            db = db < -24.0 ? -24.0 : db > 24.0 ? 24.0 : db;
            t.params[kGain] = static_cast<float>((db + 24.0) / 48.0);
            return 1;
        }
        if (std::strcmp(text, "on") != 0 && std::strcmp(text, "off") != 0)
            return 0;
        t.params[index] = std::strcmp(text, "on") == 0 ? 1.0f : 0.0f;
        return 1;
    }
    case effGetProgramName:
        CopyText(ptr, t.programName, 25);
        return 0;
    case effSetProgramName:
        CopyText(t.programName, static_cast<const char*>(ptr), 25);
        return 0;
    case effGetProgramNameIndexed:
        if (index != 0)
            return 0;
        CopyText(ptr, t.programName, 25);
        return 1;
#if !defined(VSTHOST_TEST_NO_CHUNKS)
    case effGetChunk: {
        const VstInt32 magic = index == 0 ? kBankChunkMagic : kProgramChunkMagic;
        std::memcpy(t.chunk, &magic, 4);
        std::memcpy(t.chunk + 4, t.params, sizeof t.params);
        *static_cast<void**>(ptr) = t.chunk;
        return sizeof t.chunk;
    }
    case effSetChunk: {
        VstInt32 magic = 0;
        if (!ptr || value != static_cast<VstIntPtr>(sizeof t.chunk))
            return 0;
        std::memcpy(&magic, ptr, 4);
        if (magic != (index == 0 ? kBankChunkMagic : kProgramChunkMagic))
            return 0;
        float values[kNumParams];
        std::memcpy(values, static_cast<const char*>(ptr) + 4, sizeof values);
        for (int i = 0; i < kNumParams; ++i) {
            if (!(values[i] >= 0.0f && values[i] <= 1.0f))
                return 0;
        }
        std::memcpy(t.params, values, sizeof values);
        return 1;
    }
#endif
    case effSetSpeakerArrangement: {
        const auto* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
        const auto* out = static_cast<const VstSpeakerArrangement*>(ptr);
        if (!in || !out || in->numChannels != out->numChannels || in->numChannels < 1 || in->numChannels > kChannels) {
            return 0;
        }
        t.monoLayout = in->numChannels == 1;
        return 1;
    }
    case effGetEffectName:
        CopyText(ptr, "Host Test Gain", 32);
        return 1;
    case effGetVendorString:
        CopyText(ptr, "Kestrelon tests", 64);
        return 1;
    case effGetPlugCategory:
        return kPlugCategEffect;
    case effGetVstVersion:
        return kVstVersion;
    case effCanDo: {
        const char* text = static_cast<const char*>(ptr);
        if (text && std::strcmp(text, "receiveVstTimeInfo") == 0)
            return 1;
        if (text && std::strcmp(text, "sendVstEvents") == 0)
            return -1;
        return 0;
    }
    default:
        return 0;
    }
}

// [any host thread] no lock: vsthost drives this effect from one thread.
VstIntPtr VSTCALLBACK Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    TestEffect* t = Self(e);
    if (opcode == effClose) {
        delete t;
        return 0;
    }
    (void)opt;
    return Dispatch(*t, opcode, index, value, ptr);
}

AEffect* CreateEffect(audioMasterCallback host)
{
#if defined(VSTHOST_TEST_CRASH_ON_LOAD)
    Fault(static_cast<int>(host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f)));
#endif
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) < 2400)
        return nullptr;
#if defined(VSTHOST_TEST_BAD_MAGIC)
    // A host cannot close a record it does not recognise, so this one is not
    // allocated: nothing leaks when the host turns it away.
    static TestEffect unrecognised;
    TestEffect* t = &unrecognised;
#else
    TestEffect* t = new TestEffect();
#endif
    t->host = host;
    AEffect& r = t->record;
#if defined(VSTHOST_TEST_BAD_MAGIC)
    r.magic = kestrelon::FourCharCode("Nope");
#else
    r.magic = kEffectMagic;
#endif
    r.dispatcher = Dispatcher;
    r.process = Process;
    r.setParameter = SetParameter;
    r.getParameter = GetParameter;
    r.numPrograms = 1;
    r.numParams = kNumParams;
    r.numInputs = kChannels;
    r.numOutputs = kChannels;
    r.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
#if !defined(VSTHOST_TEST_NO_CHUNKS)
    r.flags |= effFlagsProgramChunks;
#endif
    r.ioRatio = 1.0f;
    r.object = t;
    r.uniqueID = kestrelon::FourCharCode("VHtp");
    r.version = 1;
    r.processReplacing = ProcessReplacing;
    r.processDoubleReplacing = ProcessDouble;
    return &r;
}

}  // namespace

#if defined(VSTHOST_TEST_NO_ENTRY)

// [any host thread] no lock.
TEST_EXPORT AEffect* VSTCALLBACK NotTheEntryPoint(audioMasterCallback host)
{
    return CreateEffect(host);
}
#elif defined(VSTHOST_TEST_MAIN_ONLY)

// C++ keeps the name "main" for programs, so the symbol is named directly.
TEST_EXPORT AEffect* VSTCALLBACK OlderEntryPoint(audioMasterCallback host) __asm__("main");

// [any host thread] no lock.
AEffect* VSTCALLBACK OlderEntryPoint(audioMasterCallback host)
{
    return CreateEffect(host);
}
#else
// [any host thread] no lock.
TEST_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host)
{
    return CreateEffect(host);
}
#endif
