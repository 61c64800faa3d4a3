// A small effect that does correctly everything the torture command checks,
// unless one fault is compiled in. The test runs the torture command on every
// variant and expects the sound one to pass and each other to be caught, as a
// fault or, for a convention it breaks, as a note.
//   (none)                      the sound effect
//   FRAIL_NAN_STICKS            a NaN input stays in its smoothing filter
//   FRAIL_WRITES_PAST_BLOCK     replacing calls write one frame too many
//   FRAIL_WRITES_INPUT          the double-precision call scribbles on its input
//   FRAIL_CLIPS_AT_FULL_SCALE   "Clip Output" holds 1.0 instead of 0.989
//   FRAIL_LEAKS_FLUSH_TO_ZERO   sets flush-to-zero for processing and leaves it set
//   FRAIL_SHARES_STATE          one filter state for every instance
//   FRAIL_RESETS_ON_OPEN        effOpen puts the parameters back to their defaults
//   FRAIL_LOSES_LAST_PARAM      its chunks leave out the last parameter
//   FRAIL_ACCEPTS_SHORT_CHUNKS  a chunk cut short is taken and reported as loaded
//   FRAIL_HANGS                 a replacing call of exactly 3 frames never returns
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/vst/vst2_abi.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

#if defined(_WIN32)
#define FRAIL_EXPORT extern "C" __declspec(dllexport)
#else
#define FRAIL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace kestrelon::vst2;

enum Param { kGain, kSmoothing, kClip, kNumParams };
constexpr float kDefaults[kNumParams] = {0.25f, 0.5f, 1.0f};  // unity gain, clipping on
constexpr double kClipLevel =
#if defined(FRAIL_CLIPS_AT_FULL_SCALE)
    1.0;
#else
    0.989;
#endif
constexpr VstInt32 kProgramMagic = kestrelon::FourCharCode("FRpg");
constexpr VstInt32 kBankMagic = kestrelon::FourCharCode("FRbk");
constexpr int kStoredParams =
#if defined(FRAIL_LOSES_LAST_PARAM)
    kNumParams - 1;
#else
    kNumParams;
#endif
constexpr std::size_t kChunkSize = 4 + 4 * kStoredParams;

#if defined(FRAIL_SHARES_STATE)
double sharedFilter[2] = {};
#endif

struct Frail {
    AEffect record = {};
    std::recursive_mutex lock;
    float params[kNumParams] = {kDefaults[0], kDefaults[1], kDefaults[2]};
    double ownFilter[2] = {};
    std::vector<std::uint8_t> programChunk, bankChunk;

    double* Filter()
    {
#if defined(FRAIL_SHARES_STATE)
        return sharedFilter;
#else
        return ownFilter;
#endif
    }
};

Frail* Self(AEffect* e)
{
    return static_cast<Frail*>(e->object);
}

void SetParam(Frail* f, int index, float v)
{
    if (index < 0 || index >= kNumParams || std::isnan(v))
        return;
    v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    f->params[index] = index == kClip ? (v >= 0.5f ? 1.0f : 0.0f) : v;
}

template <typename In, typename Out>
void Run(Frail* f, In** inputs, Out** outputs, int frames, bool adding)
{
#if defined(FRAIL_LEAKS_FLUSH_TO_ZERO) && (defined(__x86_64__) || defined(_M_X64))
    _mm_setcsr(_mm_getcsr() | 0x8040);
#endif
    const double gain = f->params[kGain] * 4.0;
    const double a = 1.0 - 0.9 * f->params[kSmoothing];
    const bool clip = f->params[kClip] >= 0.5f;
    double* y = f->Filter();
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < frames; ++i) {
            double x = inputs[c][i];
#if !defined(FRAIL_NAN_STICKS)
            if (!std::isfinite(x))
                x = 0.0;
#endif
            y[c] += a * (x - y[c]);
            double v = y[c] * gain;
            if (clip)
                v = v > kClipLevel ? kClipLevel : (v < -kClipLevel ? -kClipLevel : v);
            if (adding)
                outputs[c][i] = static_cast<Out>(outputs[c][i] + static_cast<Out>(v));
            else
                outputs[c][i] = static_cast<Out>(v);
        }
    }
}

// [any host thread] takes the lock (effClose, the host's last call, does not).
VstIntPtr VSTCALLBACK Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float)
{
    Frail* f = Self(e);
    if (opcode == effClose) {
        delete f;
        return 0;
    }
    std::lock_guard<std::recursive_mutex> guard(f->lock);
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
#if defined(FRAIL_RESETS_ON_OPEN)
        std::memcpy(f->params, kDefaults, sizeof f->params);
#endif
        return 0;
    case effMainsChanged:
        if (value)
            f->Filter()[0] = f->Filter()[1] = 0.0;  // resuming starts from silence
        return 0;
    case effGetParamName:
        if (text && index >= 0 && index < kNumParams)
            std::snprintf(text, 16, "%s", index == kGain ? "Gain" : index == kSmoothing ? "Smoothing" : "Clip Output");
        return 0;
    case effGetParamDisplay:
        if (text && index >= 0 && index < kNumParams) {
            if (index == kClip)
                std::snprintf(text, 16, "%s", f->params[kClip] >= 0.5f ? "on" : "off");
            else
                std::snprintf(text, 16, "%.3f", f->params[index]);
        }
        return 0;
    case effString2Parameter: {
        if (!text || index < 0 || index >= kNumParams)
            return 0;
        if (index == kClip && (std::strcmp(text, "on") == 0 || std::strcmp(text, "off") == 0)) {
            SetParam(f, index, text[1] == 'n' ? 1.0f : 0.0f);
            return 1;
        }
        char* end = nullptr;
        const double v = std::strtod(text, &end);
        if (end == text)
            return 0;
        SetParam(f, index, static_cast<float>(v));
        return 1;
    }
    case effGetChunk: {
        if (!ptr)
            return 0;
        std::vector<std::uint8_t>& chunk = index == 0 ? f->bankChunk : f->programChunk;
        const VstInt32 magic = index == 0 ? kBankMagic : kProgramMagic;
        chunk.assign(kChunkSize, 0);
        std::memcpy(chunk.data(), &magic, 4);
        std::memcpy(chunk.data() + 4, f->params, 4 * kStoredParams);
        *static_cast<void**>(ptr) = chunk.data();
        return static_cast<VstIntPtr>(chunk.size());
    }
    case effSetChunk: {
        if (!ptr || value < 0)
            return 0;
        const auto* bytes = static_cast<const std::uint8_t*>(ptr);
        const std::size_t size = static_cast<std::size_t>(value);
#if defined(FRAIL_ACCEPTS_SHORT_CHUNKS)
        if (size < kChunkSize) {
            for (std::size_t at = 4; at + 4 <= size; at += 4) {
                float v;
                std::memcpy(&v, bytes + at, 4);
                SetParam(f, static_cast<int>(at / 4 - 1), v);
            }
            return 1;
        }
#endif
        VstInt32 magic = 0;
        if (size != kChunkSize)
            return 0;
        std::memcpy(&magic, bytes, 4);
        if (magic != (index == 0 ? kBankMagic : kProgramMagic))
            return 0;
        for (int i = 0; i < kStoredParams; ++i) {
            float v;
            std::memcpy(&v, bytes + 4 + 4 * i, 4);
            SetParam(f, i, v);
        }
        return 1;
    }
    case effGetVstVersion:
        return kVstVersion;
    default:
        return 0;
    }
}

// [audio thread] takes the lock.
void VSTCALLBACK ProcessAdding(AEffect* e, float** in, float** out, VstInt32 frames)
{
    std::lock_guard<std::recursive_mutex> guard(Self(e)->lock);
    Run(Self(e), in, out, frames, true);
}

// [audio thread] takes the lock.
void VSTCALLBACK ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames)
{
    std::lock_guard<std::recursive_mutex> guard(Self(e)->lock);
    Run(Self(e), in, out, frames, false);
#if defined(FRAIL_HANGS)
    while (frames == 3)
        std::this_thread::sleep_for(std::chrono::seconds(1));
#endif
#if defined(FRAIL_WRITES_PAST_BLOCK)
    if (frames > 0)
        out[0][frames] = 0.0f;
#endif
}

// [audio thread] takes the lock.
void VSTCALLBACK ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames)
{
    std::lock_guard<std::recursive_mutex> guard(Self(e)->lock);
    Run(Self(e), in, out, frames, false);
#if defined(FRAIL_WRITES_INPUT)
    if (frames > 0 && in[0] != out[0])
        in[0][0] = 0.5;
#endif
}

// [any host thread] takes the lock.
float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index)
{
    std::lock_guard<std::recursive_mutex> guard(Self(e)->lock);
    return index >= 0 && index < kNumParams ? Self(e)->params[index] : 0.0f;
}

// [any host thread] takes the lock.
void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float value)
{
    std::lock_guard<std::recursive_mutex> guard(Self(e)->lock);
    SetParam(Self(e), index, value);
}

}  // namespace

// [any host thread] no lock: every instance is its own object.
FRAIL_EXPORT AEffect* VSTPluginMain(audioMasterCallback)
{
    Frail* f = new Frail();
    AEffect& r = f->record;
    r.magic = kEffectMagic;
    r.dispatcher = Dispatcher;
    r.process = ProcessAdding;
    r.processReplacing = ProcessReplacing;
    r.processDoubleReplacing = ProcessDouble;
    r.setParameter = SetParameter;
    r.getParameter = GetParameter;
    r.numPrograms = 1;
    r.numParams = kNumParams;
    r.numInputs = 2;
    r.numOutputs = 2;
    r.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
    r.ioRatio = 1.0f;
    r.object = f;
    r.uniqueID = kestrelon::FourCharCode("FRal");
    r.version = 1;
    return &r;
}
