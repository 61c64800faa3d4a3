// One Kestrelon made the way a host makes it, through VSTPluginMain, but with
// the effect linked into the test program so that the test sees (and can
// instrument) everything it does. Closed with effClose at the end.
#pragma once

#include <string>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

class EffectInstance {
public:
    EffectInstance();
    ~EffectInstance();
    EffectInstance(const EffectInstance&) = delete;
    EffectInstance& operator=(const EffectInstance&) = delete;

    bool Valid() const { return fx != nullptr; }
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    // effOpen, the rate, the block size and resume, in that order.
    void Start(float sampleRate, int blockSize);
    std::string Display(int index);
    std::string Label(int index);
    // effString2Parameter; true when the effect took the text.
    bool Type(int index, const std::string& text);

    vst2::AEffect* fx = nullptr;
};

}  // namespace kestrelon
