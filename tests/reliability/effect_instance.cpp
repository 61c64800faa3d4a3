#include "tests/reliability/effect_instance.h"

#include <cstring>
#include <vector>

#include "plugin/plugin_export.h"

namespace kestrelon {

namespace {

// Any thread, no lock. The host answers nothing: these tests look at the
// effect alone.
vst2::VstIntPtr VSTCALLBACK QuietHost(vst2::AEffect*, vst2::VstInt32, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return 0;
}

}  // namespace

EffectInstance::EffectInstance() : fx(VSTPluginMain(QuietHost))
{}

EffectInstance::~EffectInstance()
{
    if (fx)
        Dispatch(vst2::effClose);
}

vst2::VstIntPtr EffectInstance::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                         float opt)
{
    return fx->dispatcher(fx, opcode, index, value, ptr, opt);
}

void EffectInstance::Start(float sampleRate, int blockSize)
{
    Dispatch(vst2::effOpen);
    Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(vst2::effSetBlockSize, 0, blockSize);
    Dispatch(vst2::effMainsChanged, 0, 1);
}

std::string EffectInstance::Display(int index)
{
    char text[256] = {};
    Dispatch(vst2::effGetParamDisplay, index, 0, text);
    return text;
}

std::string EffectInstance::Label(int index)
{
    char text[256] = {};
    Dispatch(vst2::effGetParamLabel, index, 0, text);
    return text;
}

bool EffectInstance::Type(int index, const std::string& text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Dispatch(vst2::effString2Parameter, index, 0, copy.data()) != 0;
}

}  // namespace kestrelon
