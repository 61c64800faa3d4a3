// The Linux editor window as a host drives it, in a virtual X server: the time
// from effEditOpen until the first frame is on screen (read back from the
// server), and the processor time per second of wall time that an open
// editor adds, idle and metering, against the same host loop with the editor
// closed, all in one run. The host loop calls effEditIdle 60 times a second
// and, for metering, processes 512-frame blocks in real time in between.
// Run it under its own server:
//   tests/graphics/with_xvfb.sh build/linux/bench/bench_editor_x11
// The server's own time is counted too when KESTRELON_XSERVER_PID names it
// (the wrapper sets it).
#include <sys/resource.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "bench/bench_host.h"

namespace kestrelon {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kSentinel = 0xFF00FF;  // the host window's colour before the editor draws
constexpr auto kIdlePeriod = std::chrono::microseconds(16667);
constexpr double kPhaseSeconds = 4.0;

struct HostDisplay {
    HostDisplay() : c(xcb_connect(nullptr, nullptr))
    {
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        window = xcb_generate_id(c);
        const std::uint32_t values[] = {kSentinel};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 600, 700, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_map_window(c, window);
        Sync();
    }
    ~HostDisplay() { xcb_disconnect(c); }
    void Sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
    std::uint32_t Pixel(std::uint32_t drawable, int x, int y)
    {
        auto* image =
            xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, x, y, 1, 1, ~0u), nullptr);
        std::uint32_t p = kSentinel;
        if (image && xcb_get_image_data_length(image) >= 4) {
            const std::uint8_t* d = xcb_get_image_data(image);
            p = (std::uint32_t{d[2]} << 16) | (std::uint32_t{d[1]} << 8) | d[0];
        }
        std::free(image);
        return p;
    }
    void* Handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }

    xcb_connection_t* c;
    xcb_screen_t* screen;
    std::uint32_t window;
};

double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The X server's processor time, when the environment names its process.
double ServerSeconds()
{
    const char* pid = std::getenv("KESTRELON_XSERVER_PID");
    if (!pid)
        return 0.0;
    std::ifstream in(std::string("/proc/") + pid + "/stat");
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // The command name has no spaces for Xvfb; fields 14 and 15 are its times.
    for (int i = 1; i <= 15 && in >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Drum-like material that keeps both gain-change meters moving.
std::vector<std::vector<float>> Drums(int frames)
{
    std::vector<std::vector<float>> s(2, std::vector<float>(static_cast<std::size_t>(frames)));
    for (int i = 0; i < frames; ++i) {
        const int t = i % 11025;
        const float v = static_cast<float>(0.9 * std::exp(-t / 900.0) * std::sin(t * 0.05) + 0.05 * std::sin(i * 0.01));
        s[0][static_cast<std::size_t>(i)] = v;
        s[1][static_cast<std::size_t>(i)] = 0.8f * v;
    }
    return s;
}

struct Cost {
    double process = 0.0;
    double server = 0.0;
};

// kPhaseSeconds of a host's loop: idle calls at 60 Hz and, with audio, blocks
// in real time between them. The processor time it took, per wall second.
Cost HostLoop(testhost::HostedEffect& fx, bool audio)
{
    static std::vector<std::vector<float>> in = Drums(44100 * 5);
    std::vector<std::vector<float>> out(2, std::vector<float>(bench::kBlock));
    const auto blockPeriod = std::chrono::nanoseconds(static_cast<long long>(1e9 * bench::kBlock / bench::kRate));
    const double process0 = ProcessSeconds();
    const double server0 = ServerSeconds();
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kPhaseSeconds));
    auto nextIdle = start;
    auto nextBlock = start;
    int pos = 0;
    while (Clock::now() < end) {
        if (audio && Clock::now() >= nextBlock) {
            bench::ProcessBlock(fx, in, pos, out);
            pos = (pos + bench::kBlock) % (static_cast<int>(in[0].size()) - bench::kBlock);
            nextBlock += blockPeriod;
        }
        if (Clock::now() >= nextIdle) {
            fx.Dispatch(vst2::effEditIdle);
            nextIdle += kIdlePeriod;
        }
        std::this_thread::sleep_until(audio ? std::min(nextIdle, nextBlock) : nextIdle);
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return Cost{(ProcessSeconds() - process0) / wall, (ServerSeconds() - server0) / wall};
}

void EditorOpenToFirstFrame(benchmark::State& state)
{
    HostDisplay host;
    testhost::HostedEffect fx = bench::OpenEffect();
    for (auto _ : state) {
        // The sentinel colour back in the host window, where the editor will be.
        xcb_clear_area(host.c, 0, host.window, 0, 0, 0, 0);
        host.Sync();
        const auto start = Clock::now();
        const vst2::VstIntPtr opened = fx.Dispatch(vst2::effEditOpen, 0, 0, host.Handle());
        while (opened && host.Pixel(host.window, 5, 5) == kSentinel)
            fx.Dispatch(vst2::effEditIdle);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        fx.Dispatch(vst2::effEditClose);
        if (!opened) {
            state.SkipWithError("effEditOpen failed: no X display?");
            break;
        }
    }
}
BENCHMARK(EditorOpenToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

void EditorCpuPerWallSecond(benchmark::State& state)
{
    HostDisplay host;
    testhost::HostedEffect fx = bench::OpenEffect();
    for (auto _ : state) {
        const Cost closedIdle = HostLoop(fx, false);
        if (!fx.Dispatch(vst2::effEditOpen, 0, 0, host.Handle())) {
            state.SkipWithError("effEditOpen failed: no X display?");
            break;
        }
        const Cost openIdle = HostLoop(fx, false);
        fx.Dispatch(vst2::effEditClose);
        const Cost closedAudio = HostLoop(fx, true);
        fx.Dispatch(vst2::effEditOpen, 0, 0, host.Handle());
        const Cost metering = HostLoop(fx, true);
        fx.Dispatch(vst2::effEditClose);
        // Percent of one core: the editor's share is the open loop less the closed one.
        state.counters["closed_idle_pct"] = 100.0 * closedIdle.process;
        state.counters["idle_editor_pct"] = 100.0 * (openIdle.process - closedIdle.process);
        state.counters["closed_audio_pct"] = 100.0 * closedAudio.process;
        state.counters["metering_editor_pct"] = 100.0 * (metering.process - closedAudio.process);
        state.counters["server_idle_pct"] = 100.0 * (openIdle.server - closedIdle.server);
        state.counters["server_metering_pct"] = 100.0 * (metering.server - closedAudio.server);
    }
}
BENCHMARK(EditorCpuPerWallSecond)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

}  // namespace kestrelon

BENCHMARK_MAIN();
