// Three host threads on one instance, as in a DAW: the audio thread
// processes, an automation thread moves a parameter at every block, and the
// user-interface thread reads display strings and saves and restores state
// while audio runs, and now and then stops the audio to change the sample
// rate and block size, as a host's audio settings do.
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

constexpr int kBlock = 256;
constexpr long long kUiEvery = 2;  // blocks between user-interface rounds

struct Shared {
    std::atomic<long long> blocksDone{0};
    std::atomic<long long> automations{0};
    long long target = 0;
    // The interface thread asks the audio thread to stop between blocks while
    // it suspends, changes and resumes the effect.
    std::atomic<bool> stopAudio{false};
    std::atomic<bool> audioStopped{false};
    std::atomic<int> announcedBlock{kBlock};
};

// Audio thread: every path, mostly full blocks, some short, empty or longer
// than announced; each block waits until the automation thread has moved at
// least one parameter since the last.
void AudioThread(Subject& s, Shared& shared, Rng rng, double limit, int clip)
{
    const Signal in = Music(rng, s.Inputs(), 8 * 44100, 44100.0);
    HostBuffers buffers(s.Inputs(), s.Outputs(), 4 * kBlock);
    for (long long b = 0; b < shared.target; ++b) {
        while (shared.automations.load() < b)
            std::this_thread::yield();
        int frames = kBlock;
        if (b % 50 == 7)
            frames = 0;
        else if (b % 17 == 3)
            frames = 3 * kBlock + 5;
        else if (b % 5 == 1)
            frames = rng.Between(1, kBlock);
        // Hosts also automate on the audio thread itself, just before a block.
        if (b % 8 == 0) {
            const int index = rng.Below(s.Params());
            if (index != clip)
                s.Set(index, static_cast<float>(rng.Unit()));
        }
        if (shared.stopAudio.load()) {
            shared.audioStopped = true;
            while (shared.stopAudio.load())
                std::this_thread::yield();
            shared.audioStopped = false;
        }
        const Path path = kAllPaths[b % 3];
        const int offset = rng.Below(static_cast<int>(in[0].size()) - frames + 1);
        buffers.Load(path, in, offset, frames);
        s.ProcessChecked(path, buffers, frames, limit, "audio thread, block " + std::to_string(b),
                         frames > shared.announcedBlock.load() ? kLongerThanTold : nullptr);
        ++shared.blocksDone;
    }
}

// Automation thread: a parameter change for every block, never far ahead of
// the audio; the clip switch is left alone so the clip level can be held to.
void AutomationThread(Subject& s, Shared& shared, Rng rng, int clip)
{
    while (shared.blocksDone.load() < shared.target) {
        if (shared.automations.load() > shared.blocksDone.load() + 4) {
            std::this_thread::yield();
            continue;
        }
        const int index = rng.Below(s.Params());
        if (index != clip) {
            s.Set(index, static_cast<float>(rng.Unit()));
            const float v = s.Get(index);
            if (!(v >= 0.0f && v <= 1.0f))
                s.Findings().Note("a parameter reads outside 0 to 1",
                                  "getParameter while automated from another thread: parameter " +
                                      std::to_string(index) + " reads " + std::to_string(v));
        }
        ++shared.automations;
    }
}

// User-interface thread: display strings, program names, state saved and
// restored, and now and then new audio settings.
void InterfaceThread(Subject& s, Shared& shared, Rng rng, const std::vector<std::uint8_t>& startProgram,
                     const std::vector<std::uint8_t>& startBank)
{
    std::vector<std::uint8_t> program = startProgram, bank = startBank;
    long long lastRound = -kUiEvery;
    while (shared.blocksDone.load() < shared.target) {
        // A round every few blocks: restoring state rebuilds the effect's curves
        // under its lock, and back to back it would starve the audio thread.
        if (shared.blocksDone.load() < lastRound + kUiEvery) {
            std::this_thread::yield();
            continue;
        }
        lastRound = shared.blocksDone.load();
        for (int i = 0; i < s.Params(); ++i) {
            if (s.Display(i).empty())
                s.Findings().Note("a display text is empty",
                                  "effGetParamDisplay while audio runs: parameter " + std::to_string(i));
            char label[256] = {};
            s.Dispatch(vst2::effGetParamLabel, i, 0, label);
        }
        // The program list, as a host's preset menu reads and renames it.
        char name[256] = {};
        s.Dispatch(vst2::effGetProgramNameIndexed, 0, 0, name);
        s.Dispatch(vst2::effGetProgramName, 0, 0, name);
        if (rng.Chance(0.1)) {
            char newName[] = "Torture";
            s.Dispatch(vst2::effSetProgramName, 0, 0, newName);
            s.Dispatch(vst2::effSetProgram, 0, 0);
        }
        // The user changes the audio settings: the audio stops first, as the
        // protocol asks, while the other threads go on.
        if (rng.Chance(0.02)) {
            shared.stopAudio = true;
            while (!shared.audioStopped.load() && shared.blocksDone.load() < shared.target)
                std::this_thread::yield();
            s.Suspend();
            s.SetRate(rng.Chance(0.5) ? 44100.0 : 48000.0);
            const int block = rng.Between(32, 2 * kBlock);
            s.SetBlock(block);
            shared.announcedBlock = block;
            s.Resume();
            shared.stopAudio = false;
        }
        if (program.empty())
            continue;  // an effect without chunks: texts only
        if (rng.Chance(0.5))
            program = s.Chunk(true);
        if (rng.Chance(0.2))
            bank = s.Chunk(false);
        if (program.empty())
            s.Findings().Note("hands out no chunk while audio runs", "effGetChunk for a program");
        if (!s.Restore(true, program))
            s.Findings().Note("refuses its own chunk while audio runs", "effSetChunk with its program chunk");
        if (rng.Chance(0.2) && !s.Restore(false, bank))
            s.Findings().Note("refuses its own chunk while audio runs", "effSetChunk with its bank chunk");
    }
}

}  // namespace

void RunThreads(const Options& options, Tally& tally)
{
    tally.SetPhase("threads");
    tally.SetContext("the plug-in crashed with three host threads calling it at once");
    Rng rng = PhaseRng(options, 5);
    auto s = Subject::Load(options, tally);
    if (!s)
        return;
    s->Start(44100.0, kBlock);
    s->SetValues(RandomValues(rng, s->Params()));
    const double limit = s->SetClip(true);
    // An effect without chunks gets no chunk requests, as from any host.
    const std::vector<std::uint8_t> program = s->HasChunks() ? s->Chunk(true) : std::vector<std::uint8_t>();
    const std::vector<std::uint8_t> bank = s->HasChunks() ? s->Chunk(false) : std::vector<std::uint8_t>();

    Shared shared;
    shared.target = options.quick ? 600 : 3000;
    const int clip = s->ClipParam();
    std::thread audio(AudioThread, std::ref(*s), std::ref(shared), Rng(rng.Next()), limit, clip);
    std::thread automation(AutomationThread, std::ref(*s), std::ref(shared), Rng(rng.Next()), clip);
    std::thread ui(InterfaceThread, std::ref(*s), std::ref(shared), Rng(rng.Next()), std::cref(program),
                   std::cref(bank));
    audio.join();
    automation.join();
    ui.join();

    // Whatever it went through, its state must still round-trip.
    if (program.empty())
        return;
    const std::vector<std::uint8_t> final = s->Chunk(true);
    auto fresh = Subject::Load(options, tally);
    if (!fresh)
        return;
    fresh->Start(44100.0, kBlock);
    if (!fresh->Restore(true, final)) {
        tally.Fault("a state round trip changes the parameters",
                    "effSetChunk: a fresh instance refuses the program chunk saved after the threads ran");
        return;
    }
    bool shown = false;
    if (const std::string change = CompareRestored(*s, *fresh, shown); !change.empty()) {
        const std::string call = "getParameter after the program chunk saved after the threads ran: " + change;
        if (shown)
            tally.Fault("a state round trip changes the parameters", call);
        else
            tally.Note("a state round trip moves a parameter's value but not what it shows", call);
    } else if (fresh->Chunk(true) != final)
        tally.Note("a restored chunk does not save again byte for byte",
                   "effGetChunk after the program chunk saved after the threads ran");
}

}  // namespace vsthost::torture

}  // namespace kestrelon
