// The torture phases for CLAP plug-ins. The host keeps the interface's thread
// rules itself: the torture's thread is the main thread (create, activate,
// parameters, state), and every processing session runs on an audio thread
// of its own (start_processing, process, stop_processing), so that the
// plug-in's is_main_thread / is_audio_thread questions get true answers and a
// host function the plug-in calls on the wrong thread is caught. It never
// processes before activation: what it checks instead is what the plug-in
// answers around it.
#include "tools/vsthost/torture_clap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "tools/vsthost/clap_instance.h"
#include "tools/vsthost/torture_signal.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

using Block = std::vector<std::vector<float>>;

// One instance under test, its findings of wrong-thread calls filed as faults.
std::unique_ptr<ClapInstance> Create(const Options& options, Tally& tally)
{
    std::string error;
    std::unique_ptr<ClapInstance> plugin;
    {
        const CallInProgress call(tally, "create_plugin and init");
        plugin = ClapInstance::Load(options.plugin, options.clapId, error);
    }
    if (!plugin) {
        tally.Fault("the plug-in cannot be created", error);
        return nullptr;
    }
    plugin->SetReport([&tally](const std::string& line) {
        if (line.rfind("wrong-thread ", 0) == 0)
            tally.Fault("the plug-in called a host function on a thread the interface forbids", line.substr(13));
    });
    tally.Cycle();
    return plugin;
}

// Processes `signal` from `from` in blocks of the given sizes (cycled) on an
// audio thread of its own, between start_processing and stop_processing;
// answers the outputs. Non-finite output and a process error are faults.
Block ProcessOnAudioThread(ClapInstance& plugin, Tally& tally, const Signal& signal, const std::vector<int>& sizes,
                           const char* call)
{
    const int ins = plugin.InputCount(), outs = plugin.OutputCount();
    const int frames = signal.empty() ? 0 : static_cast<int>(signal[0].size());
    Block output(static_cast<std::size_t>(std::max(outs, 1)), std::vector<float>(static_cast<std::size_t>(frames)));
    std::thread audio([&] {
        {
            const CallInProgress started(tally, "start_processing");
            if (!plugin.StartProcessing()) {
                tally.Note("start_processing refused after a successful activation", call);
                return;
            }
        }
        int maxSize = 1;
        for (const int s : sizes)
            maxSize = std::max(maxSize, s);
        Block in(static_cast<std::size_t>(std::max(ins, 1)), std::vector<float>(static_cast<std::size_t>(maxSize)));
        std::vector<float*> inPointers(in.size()), outPointers(output.size());
        for (int at = 0, k = 0; at < frames; ++k) {
            const int n = std::min(sizes[static_cast<std::size_t>(k) % sizes.size()], frames - at);
            for (std::size_t c = 0; c < in.size(); ++c) {
                for (int i = 0; i < n; ++i)
                    in[c][static_cast<std::size_t>(i)] =
                        static_cast<float>(signal[c % signal.size()][static_cast<std::size_t>(at + i)]);
                inPointers[c] = in[c].data();
            }
            for (std::size_t c = 0; c < output.size(); ++c)
                outPointers[c] = output[c].data() + at;
            {
                const CallInProgress processing(tally, "process");
                plugin.ProcessFloat(inPointers.data(), outPointers.data(), n);
            }
            tally.Block();
            if (plugin.LastStatus() == clap::CLAP_PROCESS_ERROR)
                tally.Fault("process answered CLAP_PROCESS_ERROR for a block the plug-in accepted", call);
            at += n;
        }
        const CallInProgress stopped(tally, "stop_processing");
        plugin.StopProcessing();
    });
    audio.join();
    for (const std::vector<float>& channel : output) {
        for (const float v : channel) {
            if (!std::isfinite(v)) {
                tally.Fault("non-finite output", call);
                return output;
            }
        }
    }
    return output;
}

// The parameters a host automates: automatable, not read-only.
std::vector<int> AutomatableParams(ClapInstance& plugin, std::size_t most)
{
    std::vector<int> list;
    for (int i = 0; i < plugin.ParamCount() && list.size() < most; ++i) {
        const std::uint32_t flags = plugin.ParamInfo(i).flags;
        if ((flags & clap::CLAP_PARAM_IS_READONLY) == 0 && (flags & clap::CLAP_PARAM_IS_AUTOMATABLE) != 0)
            list.push_back(i);
    }
    return list;
}

double RandomPlain(Rng& rng, const clap::clap_param_info& info)
{
    double v = info.min_value + rng.Unit() * (info.max_value - info.min_value);
    if ((info.flags & clap::CLAP_PARAM_IS_STEPPED) != 0)
        v = std::round(v);
    return v;
}

}  // namespace

void RunClapLifecycles(const Options& options, Tally& tally)
{
    tally.SetPhase("lifecycles");
    Rng rng = PhaseRng(options, 21);
    const int cycles = options.quick ? 6 : 40;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        tally.SetContext("lifecycle " + std::to_string(cycle + 1));
        std::unique_ptr<ClapInstance> plugin = Create(options, tally);
        if (!plugin)
            return;
        // Before activation a host only asks: parameters and state must answer.
        if (cycle == 0) {
            for (int i = 0; i < plugin->ParamCount(); ++i) {
                if (!std::isfinite(plugin->PlainValue(i)))
                    tally.Fault("a parameter's value is not finite before activation", plugin->ParamName(i));
            }
            std::vector<std::uint8_t> state;
            if (plugin->StateExtension() && !plugin->SaveState(state))
                tally.Note("state save refused before activation", "state.save on a fresh instance");
        }
        // Some cycles end without activation, some after it, some while processing.
        const int depth = rng.Below(3);
        if (depth == 0)
            continue;
        plugin->Configure(44100.0, 512);
        bool activated = false;
        {
            const CallInProgress call(tally, "activate");
            activated = plugin->Activate();
        }
        if (!activated) {
            tally.Fault("activation at 44100 Hz, 1..512 frames refused", "activate(44100, 1, 512)");
            continue;
        }
        if (depth == 2)
            ProcessOnAudioThread(*plugin, tally, Music(rng, plugin->InputCount(), 4096, 44100.0), {512, 100, 1},
                                 "process at 44100 Hz");
        const CallInProgress call(tally, "deactivate and destroy");
        plugin.reset();
    }
}

void RunClapRatesAndBlocks(const Options& options, Tally& tally)
{
    tally.SetPhase("rates and blocks");
    Rng rng = PhaseRng(options, 22);
    std::unique_ptr<ClapInstance> plugin = Create(options, tally);
    if (!plugin)
        return;
    const double rates[] = {8000, 22050, 44100, 48000, 88200, 96000, 176400, 192000, 384000};
    const int blocks[] = {1, 2, 3, 17, 64, 512, 1024, 4096};
    for (const double rate : rates) {
        for (const int block : blocks) {
            if (options.quick && block != 1 && block != 64 && block != 4096)
                continue;
            const std::string call =
                "activate(" + std::to_string(static_cast<int>(rate)) + ", 1, " + std::to_string(block) + ")";
            tally.SetContext(call);
            plugin->Configure(rate, block);
            bool activated = false;
            {
                const CallInProgress activating(tally, "activate");
                activated = plugin->Activate();
            }
            if (!activated) {
                tally.Note("activation refused at some rate and block size", call);
                continue;
            }
            std::vector<int> sizes = {block, std::max(1, block / 2), 1, block};
            for (int k = 0; k < 4; ++k)
                sizes.push_back(rng.Between(1, block));
            ProcessOnAudioThread(*plugin, tally, Music(rng, plugin->InputCount(), std::max(4 * block, 2048), rate),
                                 sizes, call.c_str());
            const CallInProgress deactivating(tally, "deactivate");
            plugin->Deactivate();
        }
    }
}

void RunClapEventOffsets(const Options& options, Tally& tally)
{
    tally.SetPhase("event offsets");
    Rng rng = PhaseRng(options, 23);
    constexpr int kBlock = 32;
    constexpr int kPreroll = 1024;
    std::unique_ptr<ClapInstance> probe = Create(options, tally);
    if (!probe)
        return;
    const std::vector<int> params = AutomatableParams(*probe, options.quick ? 2 : 4);
    if (params.empty()) {
        tally.Note("no automatable parameter to send events to", "params.get_info");
        return;
    }
    const Signal music = Music(rng, probe->InputCount(), kPreroll + kBlock, 44100.0);
    probe.reset();
    // Two instances started alike, one given the event at `offset` inside a
    // block, the other the same block split at `offset` with the event at the
    // start of the second part: a plug-in that applies events at their sample
    // renders both the same.
    auto render = [&](int param, double value, int offset, bool split, std::vector<float>& out, double& readBack) {
        std::unique_ptr<ClapInstance> plugin = Create(options, tally);
        if (!plugin)
            return false;
        plugin->Configure(44100.0, kBlock);
        if (!plugin->Activate()) {
            tally.Fault("activation at 44100 Hz, 1..32 frames refused", "activate(44100, 1, 32)");
            return false;
        }
        auto slice = [&](int from, int to) {
            Signal part(music.size());
            for (std::size_t c = 0; c < music.size(); ++c)
                part[c].assign(music[c].begin() + from, music[c].begin() + to);
            return part;
        };
        ProcessOnAudioThread(*plugin, tally, slice(0, kPreroll), {kBlock}, "pre-roll");
        Block last;
        if (split && offset > 0) {
            // The first part goes without the event, the second with it at 0.
            last = ProcessOnAudioThread(*plugin, tally, slice(kPreroll, kPreroll + offset), {offset},
                                        "the block's first part");
            plugin->QueueParamValue(param, value, 0);
            const Block second = ProcessOnAudioThread(*plugin, tally, slice(kPreroll + offset, kPreroll + kBlock),
                                                      {kBlock - offset}, "the block's second part");
            for (std::size_t c = 0; c < last.size() && c < second.size(); ++c)
                last[c].insert(last[c].end(), second[c].begin(), second[c].end());
        } else {
            // Queued events go with the next block, at their offset.
            plugin->QueueParamValue(param, value, static_cast<std::uint32_t>(offset));
            last = ProcessOnAudioThread(*plugin, tally, slice(kPreroll, kPreroll + kBlock), {kBlock},
                                        "a block with an event inside");
        }
        out.clear();
        for (const std::vector<float>& channel : last)
            out.insert(out.end(), channel.begin(), channel.end());
        readBack = plugin->PlainValue(param);
        plugin->Deactivate();
        return true;
    };
    for (const int param : params) {
        std::unique_ptr<ClapInstance> info = Create(options, tally);
        if (!info)
            return;
        const clap::clap_param_info paramInfo = info->ParamInfo(param);
        info.reset();
        for (int offset = 0; offset < kBlock; ++offset) {
            const double value = RandomPlain(rng, paramInfo);
            std::string call = paramInfo.name;
            call += " = " + std::to_string(value) + " at sample " + std::to_string(offset) + " of " +
                    std::to_string(kBlock);
            tally.SetContext("parameter event: " + call);
            std::vector<float> inside, split;
            double readInside = 0.0, readSplit = 0.0;
            if (!render(param, value, offset, false, inside, readInside) ||
                !render(param, value, offset, true, split, readSplit))
                return;
            if (std::fabs(readInside - value) > 1e-6 * std::max(1.0, std::fabs(value)))
                tally.Fault("a parameter event inside a block was lost (get_value does not read it back)", call);
            if (tally.Repeatable() && inside.size() == split.size() &&
                std::memcmp(inside.data(), split.data(), inside.size() * sizeof(float)) != 0)
                tally.Note("a parameter event inside a block does not take effect at its sample", call);
        }
    }
}

void RunClapStateRoundTrips(const Options& options, Tally& tally)
{
    tally.SetPhase("state round trips");
    Rng rng = PhaseRng(options, 24);
    const int rounds = options.quick ? 4 : 20;
    for (int round = 0; round < rounds; ++round) {
        tally.SetContext("state round trip " + std::to_string(round + 1));
        std::unique_ptr<ClapInstance> from = Create(options, tally);
        if (!from)
            return;
        if (!from->StateExtension()) {
            tally.Note("no state extension: a project cannot keep the plug-in's settings", "get_extension(clap.state)");
            return;
        }
        for (const int p : AutomatableParams(*from, 64)) {
            if (rng.Chance(0.7))
                from->QueueParamValue(p, RandomPlain(rng, from->ParamInfo(p)), 0);
        }
        from->FlushQueued();
        std::vector<std::uint8_t> saved, again;
        if (!from->SaveState(saved)) {
            tally.Fault("state save answered false", "state.save after setting parameters");
            continue;
        }
        std::unique_ptr<ClapInstance> to = Create(options, tally);
        if (!to)
            return;
        if (!to->LoadState(saved)) {
            tally.Fault("the plug-in refused its own saved state",
                        "state.load of " + std::to_string(saved.size()) + " bytes it saved");
            continue;
        }
        if (!to->SaveState(again) || again != saved)
            tally.Fault("state saved after loading it differs from what was loaded",
                        "save, load into a fresh instance, save: " + std::to_string(saved.size()) + " then " +
                            std::to_string(again.size()) + " bytes");
        for (int i = 0; i < from->ParamCount() && i < to->ParamCount(); ++i) {
            if ((from->ParamInfo(i).flags & clap::CLAP_PARAM_IS_READONLY) == 0 &&
                from->PlainValue(i) != to->PlainValue(i))
                tally.Fault("a parameter differs after a state round trip", from->ParamName(i));
        }
        // Damaged state: cut short or empty. Refusing is right; it must not crash.
        if (saved.size() > 1) {
            std::vector<std::uint8_t> cut(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(saved.size() / 2));
            const CallInProgress call(tally, "state.load of a cut state");
            if (to->LoadState(cut))
                tally.Note("a state cut to half its length was accepted", "state.load");
        }
        const CallInProgress call(tally, "state.load of an empty stream");
        if (to->LoadState({}))
            tally.Note("an empty state was accepted", "state.load");
    }
}

void RunClapThreads(const Options& options, Tally& tally)
{
    tally.SetPhase("threads");
    Rng rng = PhaseRng(options, 25);
    std::unique_ptr<ClapInstance> plugin = Create(options, tally);
    if (!plugin)
        return;
    plugin->Configure(48000.0, 256);
    if (!plugin->Activate()) {
        tally.Fault("activation at 48000 Hz, 1..256 frames refused", "activate(48000, 1, 256)");
        return;
    }
    const std::vector<int> params = AutomatableParams(*plugin, 64);
    const Signal music = Music(rng, plugin->InputCount(), options.quick ? 48000 : 240000, 48000.0);
    // The main thread asks for values and texts and queues automation while
    // the audio thread processes; the queue is the only thing they share.
    std::atomic<bool> done{false};
    std::thread audio([&] {
        ProcessOnAudioThread(*plugin, tally, music, {256, 97, 256, 1}, "process while the main thread automates");
        done = true;
    });
    while (!done) {
        for (const int p : params) {
            plugin->QueueParamValue(p, RandomPlain(rng, plugin->ParamInfo(p)),
                                    static_cast<std::uint32_t>(rng.Below(256)));
            (void)plugin->ParamDisplay(p);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    audio.join();
    plugin->Deactivate();
}

}  // namespace vsthost::torture

}  // namespace kestrelon
