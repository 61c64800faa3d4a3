// The editor's costs: repainting all of it, only its meters, a redraw tick
// with nothing to do, rescaling its images, the grip's release, and making
// an instance (the first of the process decodes the images, later ones share
// them), and the first opening of the process (where the images are
// decoded). All on the windowless context, through the plug-in's entry point.
//   bench_editor [--first-scale=S] [benchmark flags]
#include <malloc.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/graphics/graphics.h"
#include "framework/graphics/resize_controller.h"
#include "framework/graphics/settings_file.h"
#include "framework/vst/vst_effect.h"
#include "plugin/plugin_export.h"

namespace kestrelon {

namespace {

vst2::VstIntPtr VSTCALLBACK Host(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

struct Instance {
    vst2::AEffect* fx = VSTPluginMain(Host);
    ~Instance() { fx->dispatcher(fx, vst2::effClose, 0, 0, nullptr, 0.0f); }
    IGraphics& Editor() const { return *dynamic_cast<IGraphics*>(static_cast<IEffectVST*>(fx->object)->Editor()); }
};

double firstInstanceMilliseconds = 0.0;
double firstOpeningMilliseconds = 0.0;
double firstScale = 1.0;

void BM_RepaintWholeEditor(benchmark::State& state)
{
    Instance instance;
    IGraphics& g = instance.Editor();
    const Rect all{0, 0, g.Width(), g.Height()};
    for (auto _ : state) {
        g.MarkAllControlsDirty();
        benchmark::DoNotOptimize(g.PaintRegion(all));
    }
}
BENCHMARK(BM_RepaintWholeEditor)->Unit(benchmark::kMicrosecond);

void BM_RepaintMetersOnly(benchmark::State& state)
{
    Instance instance;
    IGraphics& g = instance.Editor();
    Rect dirty;
    if (g.CollectDirtyRect(dirty))
        g.PaintRegion(dirty);
    double v = 0.3;
    for (auto _ : state) {
        v = v > 0.9 ? 0.1 : v + 0.05;  // every tick the meters move
        g.SetControlValueFromPlugin(9, v);
        g.SetControlValueFromPlugin(10, 1.0 - v);
        g.CollectDirtyRect(dirty);
        benchmark::DoNotOptimize(g.PaintRegion(dirty));
    }
}
BENCHMARK(BM_RepaintMetersOnly)->Unit(benchmark::kMicrosecond);

void BM_IdleTick(benchmark::State& state)
{
    Instance instance;
    IGraphics& g = instance.Editor();
    Rect dirty;
    while (g.CollectDirtyRect(dirty))
        g.PaintRegion(dirty);
    for (auto _ : state)
        benchmark::DoNotOptimize(g.CollectDirtyRect(dirty));
}
BENCHMARK(BM_IdleTick);

void BM_RescaleImagesTo1_5(benchmark::State& state)
{
    Instance instance;
    IGraphics& g = instance.Editor();
    for (auto _ : state) {
        g.RescaleImages(1.5);
        state.PauseTiming();
        g.RescaleImages(1.0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RescaleImagesTo1_5)->Unit(benchmark::kMillisecond);

// The grip dragged to (600, 800) and released, then back to the design
// size: the release rescales every image and lays out every control.
void BM_GripReleaseBothWays(benchmark::State& state)
{
    Instance instance;
    IGraphics& g = instance.Editor();
    const MouseModifiers left{true, false, false, false, false};
    auto drag = [&](int x, int y) {
        const Rect grip = g.ResizeController()->GetRect();
        g.RouteMouseDown(grip.right - 2, grip.bottom - 2, left);
        g.RouteMouseDrag(x, y, left);
        g.RouteMouseUp(x, y, left);
    };
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        drag(600, 800);
        const auto middle = std::chrono::steady_clock::now();
        drag(340, 484);
        const auto end = std::chrono::steady_clock::now();
        state.counters["up_ms"] = std::chrono::duration<double, std::milli>(middle - start).count();
        state.counters["down_ms"] = std::chrono::duration<double, std::milli>(end - middle).count();
    }
}
BENCHMARK(BM_GripReleaseBothWays)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LaterInstance(benchmark::State& state)
{
    for (auto _ : state) {
        Instance instance;
        benchmark::DoNotOptimize(instance.fx);
    }
    state.counters["first_instance_ms"] = firstInstanceMilliseconds;
    state.counters["first_opening_ms"] = firstOpeningMilliseconds;
    state.counters["first_scale"] = firstScale;
}
BENCHMARK(BM_LaterInstance)->Unit(benchmark::kMillisecond);

// What each further live instance adds to the heap.
void BM_MemoryPerLaterInstance(benchmark::State& state)
{
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        {
            std::vector<std::unique_ptr<Instance>> live;
            for (int i = 0; i < 16; ++i)
                live.push_back(std::make_unique<Instance>());
            state.counters["kib_per_instance"] = (mallinfo2().uordblks - before) / 16.0 / 1024.0;
        }
    }
}
BENCHMARK(BM_MemoryPerLaterInstance)->Iterations(1);

}  // namespace

}  // namespace kestrelon

int main(int argc, char** argv)
{
    using namespace kestrelon;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--first-scale=", 14) == 0)
            firstScale = std::atof(argv[i] + 14);
    // The scale the first instance finds in its settings file, in a folder of
    // the run's own.
    const std::string folder = (std::filesystem::temp_directory_path() / "kestrelon-bench-editor").string();
    std::filesystem::create_directories(folder + "/Lumen Pathway/Kestrelon");
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    char scale[32];
    std::snprintf(scale, sizeof scale, "%.15f", firstScale);
    WriteSetting(folder + "/Lumen Pathway/Kestrelon/Settings.ini", "gui", "guiscale", scale);

    const auto start = std::chrono::steady_clock::now();
    vst2::AEffect* first = VSTPluginMain(Host);
    firstInstanceMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // What a window's opening asks of the first editor: its images' pixels,
    // then the whole editor painted once.
    {
        IGraphics& g = *dynamic_cast<IGraphics*>(static_cast<IEffectVST*>(first->object)->Editor());
        const auto opening = std::chrono::steady_clock::now();
        g.DecodeOwnImages();
        g.WindowOpened();
        g.CreateDrawSurfaces();
        g.MarkAllControlsDirty();
        g.PaintRegion(Rect{0, 0, g.Width(), g.Height()});
        firstOpeningMilliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - opening).count();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    first->dispatcher(first, vst2::effClose, 0, 0, nullptr, 0.0f);
    benchmark::Shutdown();
    return 0;
}
