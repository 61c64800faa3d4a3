#include "bench/bench_host.h"

#include "plugin/plugin_export.h"

namespace kestrelon {

namespace bench {

testhost::HostedEffect OpenEffect()
{
    // No RecordingHost is alive: the host answers every request with 0 and
    // records nothing, so the timings are the effect's alone.
    testhost::HostedEffect fx(VSTPluginMain);
    fx.Start(kRate, kBlock);
    fx.TypeText(0, "5");
    fx.TypeText(1, "-5");
    return fx;
}

}  // namespace bench

}  // namespace kestrelon
