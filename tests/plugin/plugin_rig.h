#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "plugin/plugin_export.h"
#include "plugin/vst/kestrelon_vst.h"
#include "tests/support/hosted_effect.h"

namespace kestrelon {

// A Kestrelon made the way a host gets one (entry point, record, dispatcher),
// with the entry point linked in so that the test can also reach the effect
// object behind the record. Its host is RecordingHost::Callback: a test that
// looks at the requests makes a RecordingHost first. Closed through the
// dispatcher when it goes.
class PluginRig : public testhost::HostedEffect {
public:
    PluginRig() : HostedEffect(VSTPluginMain) {}

    Kestrelon& Plugin() { return *static_cast<Kestrelon*>(Record()->object); }
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
