#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/vst/vst_entry.h"
#include "plugin/kestrelon.h"
#include "tests/plugin/fake_host.h"

namespace kestrelon {

// A Kestrelon made the way a host gets one (entry point, record, dispatcher),
// closed through the dispatcher when the test is done with it.
class PluginRig {
public:
    explicit PluginRig(vst2::audioMasterCallback host = FakeHost::Callback)
        : fx(CreateEffectRecord(host, [](vst2::audioMasterCallback h) -> IEffectVST* { return new Kestrelon(h); }))
    {}
    ~PluginRig()
    {
        if (fx)
            Dispatch(vst2::effClose);
    }
    PluginRig(const PluginRig&) = delete;
    PluginRig& operator=(const PluginRig&) = delete;

    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f)
    {
        return fx->dispatcher(fx, opcode, index, value, ptr, opt);
    }

    // What a host does before the first block.
    void Prepare(float sampleRate = 44100.0f, int blockSize = 512)
    {
        Dispatch(vst2::effOpen);
        Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, sampleRate);
        Dispatch(vst2::effSetBlockSize, 0, blockSize);
        Dispatch(vst2::effMainsChanged, 0, 1);
    }

    Kestrelon& Plugin() { return *static_cast<Kestrelon*>(fx->object); }

    vst2::AEffect* fx;
};

// Two channels of drum-like material: decaying tone bursts every 50 ms over
// a little deterministic noise, loud enough to reach the clipping level.
inline std::vector<std::vector<double>> TestSignal(int frames)
{
    std::vector<std::vector<double>> s(2, std::vector<double>(static_cast<std::size_t>(frames)));
    uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        const int t = i % 2205;
        const double burst = std::exp(-t / 300.0) * std::sin(t * 0.07);
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.02;
        s[0][static_cast<std::size_t>(i)] = 1.1 * burst + n;
        s[1][static_cast<std::size_t>(i)] = 0.7 * burst - n;
    }
    return s;
}

}  // namespace kestrelon
