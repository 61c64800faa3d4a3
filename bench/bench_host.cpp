#include "bench/bench_host.h"

#include "plugin/plugin_export.h"

namespace kestrelon {

namespace bench {
namespace {

vst2::VstIntPtr VSTCALLBACK Host(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

}  // namespace

vst2::AEffect* OpenEffect()
{
    vst2::AEffect* fx = VSTPluginMain(Host);
    fx->dispatcher(fx, vst2::effOpen, 0, 0, nullptr, 0);
    fx->dispatcher(fx, vst2::effSetSampleRate, 0, 0, nullptr, kRate);
    fx->dispatcher(fx, vst2::effSetBlockSize, 0, kBlock, nullptr, 0);
    fx->dispatcher(fx, vst2::effMainsChanged, 0, 1, nullptr, 0);
    char attack[] = "5";
    char sustain[] = "-5";
    fx->dispatcher(fx, vst2::effString2Parameter, 0, 0, attack, 0);
    fx->dispatcher(fx, vst2::effString2Parameter, 1, 0, sustain, 0);
    return fx;
}

}  // namespace bench

}  // namespace kestrelon
