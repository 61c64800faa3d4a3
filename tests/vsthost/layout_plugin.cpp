// A small VST 2.4 effect for testing how the host routes channels: a fixed
// mix in which every output shows which input fed what, built in the layouts
// effects come in. Output o is input o mod I, negated for odd o, plus each
// other input i scaled by 2^-(i+1): exact in single precision for samples on
// a coarse grid, so a host's routing can be checked sample for sample.
//   LAYOUT_INPUTS, LAYOUT_OUTPUTS  the pin counts
//   LAYOUT_SIDE_CHAINS             the last inputs, labelled as side-chains
//   LAYOUT_STEREO_INPUT            the first input opens a stereo pair
// It refuses every speaker arrangement, as effects of a fixed layout do.
#include <cstdio>
#include <cstring>

#include "framework/vst/vst2_abi.h"

#if defined(_WIN32)
#define TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#ifndef LAYOUT_SIDE_CHAINS
#define LAYOUT_SIDE_CHAINS 0
#endif

namespace {

using namespace kestrelon::vst2;

constexpr int kInputs = LAYOUT_INPUTS;
constexpr int kOutputs = LAYOUT_OUTPUTS;
constexpr int kSideChains = LAYOUT_SIDE_CHAINS;

template <typename Sample>
void Mix(Sample** inputs, Sample** outputs, VstInt32 frames)
{
    for (int o = 0; o < kOutputs; ++o) {
        const int own = o % kInputs;
        for (VstInt32 n = 0; n < frames; ++n) {
            Sample sum = (o % 2 ? Sample(-1) : Sample(1)) * inputs[own][n];
            Sample weight = Sample(0.5);
            for (int i = 0; i < kInputs; ++i, weight *= Sample(0.5)) {
                if (i != own)
                    sum += inputs[i][n] * weight;
            }
            outputs[o][n] = sum;
        }
    }
}

// [audio thread] no lock: vsthost drives this effect from one thread.
void VSTCALLBACK ProcessReplacing(AEffect*, float** in, float** out, VstInt32 n)
{
    Mix(in, out, n);
}

// [audio thread] no lock: vsthost drives this effect from one thread.
void VSTCALLBACK ProcessDouble(AEffect*, double** in, double** out, VstInt32 n)
{
    Mix(in, out, n);
}

// [audio thread] no lock: only hosts without replacing processing call it.
void VSTCALLBACK Process(AEffect*, float**, float**, VstInt32)
{}

// [any host thread] no lock: the effect has no parameters.
void VSTCALLBACK SetParameter(AEffect*, VstInt32, float)
{}

// [any host thread] no lock: the effect has no parameters.
float VSTCALLBACK GetParameter(AEffect*, VstInt32)
{
    return 0.0f;
}

void DescribePin(VstPinProperties& pin, bool input, int index)
{
    pin = {};
    pin.flags = kVstPinIsActive;
    if (input && index >= kInputs - kSideChains)
        std::snprintf(pin.label, sizeof pin.label, "Side-chain");
    else
        std::snprintf(pin.label, sizeof pin.label, "%s %d", input ? "In" : "Out", index + 1);
#if defined(LAYOUT_STEREO_INPUT)
    if (input && index == 0)
        pin.flags |= kVstPinIsStereo;
#endif
}

// [any host thread] no lock: vsthost drives this effect from one thread.
VstIntPtr VSTCALLBACK Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float)
{
    switch (opcode) {
    case effClose:
        delete e;
        return 0;
    case effGetInputProperties:
    case effGetOutputProperties: {
        const bool input = opcode == effGetInputProperties;
        if (!ptr || index < 0 || index >= (input ? kInputs : kOutputs))
            return 0;
        DescribePin(*static_cast<VstPinProperties*>(ptr), input, index);
        return 1;
    }
    case effGetEffectName:
        std::snprintf(static_cast<char*>(ptr), 32, "Host Test Layout");
        return 1;
    case effGetVstVersion:
        return kVstVersion;
    default:
        return 0;
    }
}

}  // namespace

// [any host thread] no lock.
TEST_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) < 2400)
        return nullptr;
    AEffect* r = new AEffect();
    r->magic = kEffectMagic;
    r->dispatcher = Dispatcher;
    r->process = Process;
    r->setParameter = SetParameter;
    r->getParameter = GetParameter;
    r->numInputs = kInputs;
    r->numOutputs = kOutputs;
    r->flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    r->ioRatio = 1.0f;
    r->uniqueID = kestrelon::FourCharCode("VHly");
    r->version = 1;
    r->processReplacing = ProcessReplacing;
    r->processDoubleReplacing = ProcessDouble;
    return r;
}
