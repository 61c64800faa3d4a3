// The host side of an effect's editor, shared by `vsthost edit` and the
// torture host: the host window the editor opens in, the effEditGetRect /
// effEditOpen / effEditIdle / effEditClose calls in the order a DAW makes
// them, and the threads a DAW runs meanwhile (audio in real time, host
// automation of every parameter).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/vsthost/host_window.h"
#include "tools/vsthost/hosted_effect.h"

namespace kestrelon {

namespace vsthost {

// effEditIdle's period while an editor is open: what Linux hosts give the
// editor to run on, and what Windows hosts send as well.
constexpr int kIdlePeriodMs = 8;

class EditorHost {
public:
    explicit EditorHost(HostedEffect& plugin) : effect(plugin) {}
    // With a host window of the caller's, kept after the editor closes (the
    // caller owns it and destroys it on its thread): making and destroying
    // top-level windows is slow on some systems (seconds under Wine without
    // a window manager).
    EditorHost(HostedEffect& plugin, HostWindow& shared) : effect(plugin), borrowed(&shared) {}
    ~EditorHost();
    EditorHost(const EditorHost&) = delete;
    EditorHost& operator=(const EditorHost&) = delete;

    // effEditGetRect: false with `error` when the effect has no editor or
    // answers no size.
    bool EditorRect(int& width, int& height, std::string& error);
    // effEditGetRect, the host window made (or sized) to fit, then
    // effEditOpen with it; false with `error` when no editor window came.
    bool Open(std::string& error);
    // effEditClose, whether or not an editor is open.
    void Close();
    bool IsOpen() const { return open; }
    // One effEditIdle.
    void Idle();
    // One right after input reached the editor (CLAP: its timers due now).
    void IdleAfterInput();
    // Runs the window system for `milliseconds`, idling the editor while it
    // is open; sleeps when there is no window.
    void Wait(int milliseconds);
    // Milliseconds from effEditOpen to the first frame on screen (-1: none
    // came in a second). Opens the editor, which must be closed.
    double OpenTimed(std::string& error);

    // The host window, made at the last editor size (or a small one) when
    // there is none yet; null with `error` without a window system.
    HostWindow* Window(std::string& error);
    HostWindow* ExistingWindow() const { return borrowed ? borrowed : window.get(); }

private:
    HostedEffect& effect;
    std::unique_ptr<HostWindow> window;
    HostWindow* borrowed = nullptr;
    bool open = false;
    int lastWidth = 0;
    int lastHeight = 0;
};

// The audio a DAW plays through the effect while its editor is open: a
// loop of interleaved stereo, block by block in real time on a thread of its
// own, through the single-precision replacing call.
class AudioThread {
public:
    // `loop`: interleaved stereo frames at `sampleRate`.
    AudioThread(HostedEffect& plugin, std::vector<double> loop, double sampleRate, int blockSize);
    // Stops the thread and suspends the effect.
    ~AudioThread();
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    long long Blocks() const { return blocks.load(); }

private:
    void Run();

    HostedEffect& effect;
    std::vector<double> samples;
    double rate;
    int block;
    std::atomic<bool> stop{false};
    std::atomic<long long> blocks{0};
    std::thread thread;
};

// A host thread that moves every parameter through its range over and over
// with setParameter, as a host playing back automation does.
class AutomationThread {
public:
    explicit AutomationThread(HostedEffect& plugin);
    ~AutomationThread();
    AutomationThread(const AutomationThread&) = delete;
    AutomationThread& operator=(const AutomationThread&) = delete;

private:
    HostedEffect& effect;
    std::atomic<bool> stop{false};
    std::thread thread;
};

}  // namespace vsthost

}  // namespace kestrelon
