// Cost per frame of the whole plug-in as a host drives it: the exported entry
// point, the dispatcher's set-up calls, then processReplacing (float) and
// processDoubleReplacing at 44100 Hz in 512-frame blocks, with the attack and
// sustain stages both on; the same run through the LV2 plug-in's descriptor
// (loaded as a host loads it) where the tree builds one, and through the CLAP
// plug-in's record (bench_plugin_clap.cpp); and the cost of making an
// instance in each format. The counters give nanoseconds per stereo frame and
// the real-time factor.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#ifdef KESTRELON_LV2_BINARY
#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>
#endif

#include <benchmark/benchmark.h>

#include "bench/bench_host.h"
#include "bench/bench_material.h"
#include "dsp/transient_engine.h"
#include "plugin/float_mode.h"

namespace kestrelon {

namespace {

using bench::kBlock;
using bench::kRate;
using bench::kSignalFrames;
using bench::Music;
using bench::OpenEffect;
using bench::SetCounters;

template <typename Sample>
void ProcessBlocks(benchmark::State& state)
{
    testhost::HostedEffect fx = OpenEffect();
    auto in = Music<Sample>();
    std::vector<std::vector<Sample>> out(2, std::vector<Sample>(kBlock));
    int pos = 0;
    for (auto _ : state) {
        bench::ProcessBlock(fx, in, pos, out);
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    SetCounters(state);
}

void BM_ProcessReplacingFloat(benchmark::State& state)
{
    ProcessBlocks<float>(state);
}

void BM_ProcessDoubleReplacing(benchmark::State& state)
{
    ProcessBlocks<double>(state);
}

// The engine's block step alone on the same material and settings, under
// the same processor modes: the floor the plug-in's own layers add to.
void BM_EngineAlone(benchmark::State& state)
{
    TransientEngine engine;
    engine.SetSampleRate(kRate);
    engine.SetSensitivity(std::pow(0.5, 3.431) * 990.0 + 10.0);
    engine.SetAttack(5.0, 1);
    engine.SetSustain(1.25, -1, 100.0);
    auto in = Music<double>();
    std::vector<std::vector<double>> out(2, std::vector<double>(kBlock));
    TransientEngine::GainPeaks peaks;
    int pos = 0;
    for (auto _ : state) {
        ScopedFlushDenormals modes;
        engine.ProcessBlock(in[0].data() + pos, in[1].data() + pos, out[0].data(), out[1].data(), kBlock, peaks);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    SetCounters(state);
}

// What a VST 2.4 host pays for a new instance ready to play: the entry
// point, open, rate, block size, resume, the two settings, then the close.
void BM_CreateInstanceVST(benchmark::State& state)
{
    for (auto _ : state) {
        testhost::HostedEffect fx = OpenEffect();
        benchmark::DoNotOptimize(&fx);
    }
}

#ifdef KESTRELON_LV2_BINARY
// The LV2 binary as a host has it: the module, its descriptor, a URID map.
struct Lv2Module {
    Lv2Module()
    {
        module = dlopen(KESTRELON_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
        auto entry = module ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor")) : nullptr;
        descriptor = entry ? entry(0) : nullptr;
    }
    ~Lv2Module()
    {
        if (module)
            dlclose(module);
    }
    static LV2_URID Map(LV2_URID_Map_Handle h, const char* uri)
    {
        auto& uris = *static_cast<std::vector<std::string>*>(h);
        for (std::size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        uris.push_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    void* module = nullptr;
    const LV2_Descriptor* descriptor = nullptr;
    std::vector<std::string> uris;
    LV2_URID_Map map{&uris, Map};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[2] = {&mapFeature, nullptr};
};

// An LV2 instance with the benchmark's settings on its ports, activated.
struct Lv2Instance {
    explicit Lv2Instance(Lv2Module& m) : d(m.descriptor)
    {
        handle = d->instantiate(d, kRate, "", m.features);
        controls[0] = 5.0f;  // Attack
        controls[1] = -5.0f;  // Sustain
        controls[2] = 0.5f;  // Sensitivity
        controls[3] = 0.0f;  // Output
        controls[4] = 1.0f;  // Clip Output
        for (uint32_t p = 4; p < 13; ++p)
            d->connect_port(handle, p, &controls[p - 4]);
        d->activate(handle);
    }
    ~Lv2Instance()
    {
        d->deactivate(handle);
        d->cleanup(handle);
    }
    const LV2_Descriptor* d;
    LV2_Handle handle = nullptr;
    float controls[9] = {};
};

void BM_LV2RunFloat(benchmark::State& state)
{
    Lv2Module m;
    if (!m.descriptor) {
        state.SkipWithError("the LV2 binary did not load");
        return;
    }
    Lv2Instance fx(m);
    auto in = Music<float>();
    std::vector<std::vector<float>> out(2, std::vector<float>(kBlock));
    m.descriptor->connect_port(fx.handle, 2, out[0].data());
    m.descriptor->connect_port(fx.handle, 3, out[1].data());
    int pos = 0;
    for (auto _ : state) {
        m.descriptor->connect_port(fx.handle, 0, in[0].data() + pos);
        m.descriptor->connect_port(fx.handle, 1, in[1].data() + pos);
        m.descriptor->run(fx.handle, kBlock);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
        pos += kBlock;
        if (pos + kBlock > kSignalFrames)
            pos = 0;
    }
    SetCounters(state);
}

// What an LV2 host pays for a new instance ready to play: instantiate with
// the settings on its ports, activate, then deactivate and clean up.
void BM_CreateInstanceLV2(benchmark::State& state)
{
    Lv2Module m;
    if (!m.descriptor) {
        state.SkipWithError("the LV2 binary did not load");
        return;
    }
    for (auto _ : state) {
        Lv2Instance fx(m);
        benchmark::DoNotOptimize(fx.handle);
    }
}
#endif

}  // namespace

BENCHMARK(BM_EngineAlone)->MinTime(1.0);
BENCHMARK(BM_ProcessReplacingFloat)->MinTime(1.0);
BENCHMARK(BM_ProcessDoubleReplacing)->MinTime(1.0);
BENCHMARK(BM_CreateInstanceVST)->Unit(benchmark::kMicrosecond);
#ifdef KESTRELON_LV2_BINARY
BENCHMARK(BM_LV2RunFloat)->MinTime(1.0);
BENCHMARK(BM_CreateInstanceLV2)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace kestrelon

BENCHMARK_MAIN();
