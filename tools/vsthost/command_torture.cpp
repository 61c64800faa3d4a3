// vsthost torture PLUGIN [--seed N] [--quick] [--strict] [--timeout S]: the
// rude host. Runs every phase, prints what each found and one summary line,
// and fails on any fault (with --strict, on any note too).
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <thread>

#include "tools/vsthost/commands.h"
#include "tools/vsthost/hosted_effect.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/torture.h"
#include "tools/vsthost/torture_clap.h"

namespace kestrelon {

namespace vsthost {
namespace {

using Clock = std::chrono::steady_clock;

// A thread that ends the run when a call into the effect has not returned
// within the limit: a hung effect would otherwise hang the host with it.
class Watchdog {
public:
    Watchdog(const torture::Tally& tally, double seconds)
        : watched(tally),
          limit(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds))),
          limitSeconds(seconds),
          thread([this] { Watch(); })
    {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            stopping = true;
        }
        wake.notify_one();
        thread.join();
    }

private:
    // [watchdog thread]
    void Watch()
    {
        std::unique_lock<std::mutex> guard(lock);
        while (!wake.wait_for(guard, std::chrono::milliseconds(100), [this] { return stopping; })) {
            if (const char* call = watched.CallOverdue(limit)) {
                std::printf("    FAULT a call does not return (1 time); first: %s did not return within %.1f s (%s)\n",
                            call, limitSeconds, watched.Context().c_str());
                std::printf("torture: stopped, the plug-in hangs\n");
                std::fflush(stdout);
                QuitProcess(kCrashExitCode);
            }
        }
    }

    const torture::Tally& watched;
    const Clock::duration limit;
    const double limitSeconds;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;  // last: started once everything it reads is set
};

}  // namespace

int RunTorture(const CommandLine& cl)
{
    using namespace torture;
    Options options;
    options.plugin = cl.plugin;
    options.clapId = cl.clapId;
    options.seed = cl.seed;
    options.quick = cl.quick;
    if (!FileExists(options.plugin))
        return ReportError(options.plugin + ": no such plug-in file");

    const auto start = Clock::now();
    Tally tally;
    const Watchdog watchdog(tally, cl.callLimit);
    struct Phase {
        const char* name;
        void (*run)(const Options&, Tally&);
    };
    const Phase clapPhases[] = {
        {"lifecycles", RunClapLifecycles},
        {"rates and blocks", RunClapRatesAndBlocks},
        {"event offsets", RunClapEventOffsets},
        {"state round trips", RunClapStateRoundTrips},
        {"threads", RunClapThreads},
    };
    const Phase vst2Phases[] = {
        {"repeatability", RunRepeatability},       {"lifecycles", RunLifecycles},        {"call orders", RunCallOrders},
        {"rates and blocks", RunRatesAndBlocks},   {"hostile input", RunHostileInput},   {"threads", RunThreads},
        {"state round trips", RunStateRoundTrips}, {"foreign chunks", RunForeignChunks},
    };
    const bool clap = IsClapPath(options.plugin);
    const Phase* const first = clap ? std::begin(clapPhases) : std::begin(vst2Phases);
    const Phase* const last = clap ? std::end(clapPhases) : std::end(vst2Phases);
    for (const Phase* at = first; at != last; ++at) {
        const Phase& phase = *at;
        const auto phaseStart = Clock::now();
        const long long faultsBefore = tally.FaultCount(), notesBefore = tally.NoteCount();
        phase.run(options, tally);
        const double phaseSeconds = std::chrono::duration<double>(Clock::now() - phaseStart).count();
        std::printf("  %-18s %6.2f s, %lld faults, %lld notes\n", phase.name, phaseSeconds,
                    tally.FaultCount() - faultsBefore, tally.NoteCount() - notesBefore);
        tally.PrintPhaseFindings();
    }
    tally.SetContext("the plug-in crashed after the torture run");

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("torture: %lld cycles, %lld calls, %lld blocks, %lld faults, %lld notes (seed %llu%s%s, %.1f s)\n",
                tally.CycleCount(), tally.CallCount(), tally.BlockCount(), tally.FaultCount(), tally.NoteCount(),
                static_cast<unsigned long long>(options.seed), options.quick ? ", quick" : "",
                cl.strict ? ", strict: notes count as faults" : "", seconds);
    std::fflush(stdout);
    const bool failed = tally.FaultCount() > 0 || (cl.strict && tally.NoteCount() > 0);
    return failed ? kExitFailed : kExitOk;
}

}  // namespace vsthost

}  // namespace kestrelon
