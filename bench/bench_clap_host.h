// The CLAP host side of bench_plugin: Kestrelon's clap_entry linked into the
// program (kestrelon_effect_clap), reached as a host reaches a loaded
// library's, and one plug-in made through its factory and driven only
// through the record it hands out, at the rate and block size of the VST 2.4
// benchmarks.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_host.h"
#include "framework/clap/clap_abi.h"

namespace kestrelon {

namespace bench {

class ClapEffect {
public:
    // What a host does before the first block: the entry's init, the
    // factory, create_plugin with our host record, init, activate(kRate, 1,
    // kBlock), Attack +5 and Sustain -5 as one flush (the VST 2.4 benchmarks'
    // settings), then start_processing. Failure() names the step that failed.
    ClapEffect();
    // stop_processing, deactivate, destroy and the entry's deinit.
    ~ClapEffect();
    ClapEffect(const ClapEffect&) = delete;
    ClapEffect& operator=(const ClapEffect&) = delete;

    // Null when the plug-in is processing; otherwise what went wrong.
    const char* Failure() const { return failure; }

    // The parameter events every following block carries, sorted by time.
    void SetEvents(std::vector<clap::clap_event_param_value> events) { inEvents = std::move(events); }
    // A value event as a host's automation sends it: for the whole parameter.
    static clap::clap_event_param_value ValueEvent(std::uint32_t time, clap::clap_id param, double value);

    // One kBlock-frame process call, float (data32) or double (data64),
    // reading the stereo material from frame pos and writing into out; kept
    // from being optimised away.
    template <typename Sample>
    clap::clap_process_status Process(std::vector<std::vector<Sample>>& in, int pos,
                                      std::vector<std::vector<Sample>>& out)
    {
        Sample* ins[2] = {in[0].data() + pos, in[1].data() + pos};
        Sample* outs[2] = {out[0].data(), out[1].data()};
        clap::clap_audio_buffer input{};
        clap::clap_audio_buffer output{};
        if constexpr (sizeof(Sample) == sizeof(float)) {
            input.data32 = ins;
            output.data32 = outs;
        } else {
            input.data64 = ins;
            output.data64 = outs;
        }
        input.channel_count = output.channel_count = 2;
        const clap::clap_process_status status = ProcessBuffers(input, output);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
        return status;
    }

    // The parameter's value through the params extension; NaN if unanswered.
    double ParamValue(clap::clap_id param) const;
    // The latency through the latency extension; 0 if unanswered.
    std::uint32_t Latency() const;

private:
    // The steps of the constructor; null, or the one that failed.
    const char* Start();
    clap::clap_process_status ProcessBuffers(const clap::clap_audio_buffer& input, clap::clap_audio_buffer& output);
    static std::uint32_t EventCount(const clap::clap_input_events* list);
    static const clap::clap_event_header* EventAt(const clap::clap_input_events* list, std::uint32_t index);

    clap::clap_host host{};
    bool entryReady = false;
    const clap::clap_plugin* plugin = nullptr;
    const clap::clap_plugin_params* params = nullptr;
    bool active = false;
    bool processing = false;
    const char* failure = "not made";
    std::int64_t steadyTime = 0;
    std::vector<clap::clap_event_param_value> inEvents;
    clap::clap_input_events inList{};
    clap::clap_output_events outList{};
};

}  // namespace bench

}  // namespace kestrelon
