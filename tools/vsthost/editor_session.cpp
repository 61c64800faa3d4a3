#include "tools/vsthost/editor_session.h"

#include <chrono>
#include <cmath>

#include "tools/vsthost/platform.h"

namespace kestrelon {

namespace vsthost {

EditorHost::~EditorHost()
{
    if (open)
        Close();
    window.reset();
}

bool EditorHost::EditorRect(int& width, int& height, std::string& error)
{
    if (!effect.EditorSize(width, height, error))
        return false;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        error = "the plug-in's editor rectangle is " + std::to_string(width) + " x " + std::to_string(height) +
                ", no size a window can have";
        return false;
    }
    return true;
}

HostWindow* EditorHost::Window(std::string& error)
{
    if (borrowed) {
        if (!borrowed->Alive())
            error = "the host's window is gone";
        return borrowed->Alive() ? borrowed : nullptr;
    }
    if (!window || !window->Alive())
        window = HostWindow::Create(lastWidth > 0 ? lastWidth : 64, lastHeight > 0 ? lastHeight : 64, error);
    return window.get();
}

bool EditorHost::Open(std::string& error)
{
    int width = 0, height = 0;
    if (!EditorRect(width, height, error))
        return false;
    lastWidth = width;
    lastHeight = height;
    HostWindow* existing = ExistingWindow();
    const bool fresh = !existing || !existing->Alive();
    HostWindow* host = Window(error);
    if (!host)
        return false;
    if (!fresh)
        host->Resize(width, height);
    host->WatchForFirstFrame();
    effect.OpenEditor(host->ParentHandle());
    // Some effects answer 0 from an opening that worked: the window tells.
    host->Pump(0, nullptr, 0);
    open = true;
    if (!host->HasEditor()) {
        error = "the plug-in made no editor window inside the host's (effEditOpen)";
        return false;
    }
    return true;
}

void EditorHost::Close()
{
    effect.CloseEditor();
    open = false;
    if (HostWindow* host = ExistingWindow())
        host->Pump(0, nullptr, 0);
}

void EditorHost::Idle()
{
    effect.EditorIdle();
}

void EditorHost::IdleAfterInput()
{
    effect.EditorIdleAfterInput();
}

void EditorHost::Wait(int milliseconds)
{
    if (!window) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return;
    }
    if (open)
        window->Pump(
            milliseconds, [this] { Idle(); }, kIdlePeriodMs);
    else
        window->Pump(milliseconds, nullptr, 0);
}

double EditorHost::OpenTimed(std::string& error)
{
    if (!Open(error))
        return -1.0;
    return window->WaitForFirstFrame(
        1000, [this] { Idle(); }, kIdlePeriodMs);
}

AudioThread::AudioThread(HostedEffect& plugin, std::vector<double> loop, double sampleRate, int blockSize)
    : effect(plugin), samples(std::move(loop)), rate(sampleRate), block(blockSize)
{
    if (samples.size() < 2)
        samples.assign(2, 0.0);
    effect.Resume(false);
    thread = std::thread([this] { Run(); });
}

AudioThread::~AudioThread()
{
    stop = true;
    if (thread.joinable())
        thread.join();
    effect.Suspend();
}

void AudioThread::Run()
{
    SetCrashContext("the plug-in crashed while processing on the audio thread, its editor open");
    const int inputs = effect.InputCount();
    const int outputs = effect.OutputCount();
    std::vector<std::vector<float>> in(static_cast<std::size_t>(inputs), std::vector<float>(block));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(outputs), std::vector<float>(block));
    std::vector<float*> inPtrs, outPtrs;
    for (auto& c : in)
        inPtrs.push_back(c.data());
    for (auto& c : out)
        outPtrs.push_back(c.data());
    const std::size_t frames = samples.size() / 2;
    std::size_t position = 0;
    const auto start = std::chrono::steady_clock::now();
    while (!stop) {
        for (int i = 0; i < block; ++i) {
            for (int c = 0; c < inputs; ++c)
                in[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    c < 2 ? static_cast<float>(samples[position * 2 + static_cast<std::size_t>(c)]) : 0.0f;
            position = (position + 1) % frames;
        }
        effect.ProcessFloat(inPtrs.data(), outPtrs.data(), block);
        const long long done = ++blocks;
        // In real time, as a sound card asks for it.
        std::this_thread::sleep_until(start +
                                      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                          std::chrono::duration<double>(static_cast<double>(done) * block / rate)));
    }
    effect.AudioThreadEnding();
}

AutomationThread::AutomationThread(HostedEffect& plugin) : effect(plugin)
{
    thread = std::thread([this] {
        SetCrashContext("the plug-in crashed while the host automated its parameters, its editor open");
        const int count = effect.ParamCount();
        for (long long round = 0; !stop; ++round) {
            for (int i = 0; i < count; ++i)
                effect.SetParam(i, static_cast<float>(0.5 + 0.5 * std::sin(0.01 * static_cast<double>(round) + i)));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
}

AutomationThread::~AutomationThread()
{
    stop = true;
    if (thread.joinable())
        thread.join();
}

}  // namespace vsthost

}  // namespace kestrelon
