// vsthost torture PLUGIN [--seed N] [--quick]: the rude host. Runs every
// phase, prints one summary line and fails when anything was found.
#include <chrono>
#include <cstdio>

#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/torture.h"

namespace kestrelon {

namespace vsthost {

int RunTorture(const CommandLine& cl)
{
    using namespace torture;
    Options options;
    options.plugin = cl.plugin;
    options.seed = cl.seed;
    options.quick = cl.quick;
    if (!FileExists(options.plugin))
        return ReportError(options.plugin + ": no such plug-in file");

    const auto start = std::chrono::steady_clock::now();
    Tally tally;
    struct Phase {
        const char* name;
        void (*run)(const Options&, Tally&);
    };
    const Phase phases[] = {
        {"lifecycles", RunLifecycles},        {"call orders", RunCallOrders}, {"rates and blocks", RunRatesAndBlocks},
        {"hostile input", RunHostileInput},   {"threads", RunThreads},        {"state round trips", RunStateRoundTrips},
        {"foreign chunks", RunForeignChunks},
    };
    for (const Phase& phase : phases) {
        const auto phaseStart = std::chrono::steady_clock::now();
        const long long failuresBefore = tally.FailureCount();
        phase.run(options, tally);
        const double phaseSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart).count();
        std::printf("  %-18s %6.2f s, %lld failures\n", phase.name, phaseSeconds,
                    tally.FailureCount() - failuresBefore);
    }
    tally.SetContext("the plug-in crashed after the torture run");

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("torture: %lld cycles, %lld calls, %lld blocks, %lld failures (seed %llu%s, %.1f s)\n",
                tally.CycleCount(), tally.CallCount(), tally.BlockCount(), tally.FailureCount(),
                static_cast<unsigned long long>(options.seed), options.quick ? ", quick" : "", seconds);
    std::fflush(stdout);
    return tally.FailureCount() == 0 ? kExitOk : kExitFailed;
}

}  // namespace vsthost

}  // namespace kestrelon
