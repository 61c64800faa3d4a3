// Instances made and destroyed in bulk, and many alive at once: the way a host
// scans its plug-in folder, builds a session and tears it down again.
#include <memory>
#include <string>
#include <vector>

#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

constexpr double kRates[] = {44100.0, 48000.0, 96000.0, 22050.0, 192000.0, 8000.0, 88200.0, 384000.0};

// Load, then as far into a session as `stage` says, then close: scanners close
// without opening, some hosts close without suspending first.
void OneCycle(const Options& options, Tally& tally, Rng& rng, int stage)
{
    std::unique_ptr<Subject> s = Subject::Load(options, tally);
    if (!s)
        return;
    if (stage >= 1)
        s->Open();
    if (stage >= 2) {
        const double rate = kRates[rng.Below(8)];
        const int block = rng.Between(1, 2048);
        s->SetRate(rate);
        s->SetBlock(block);
        s->Resume();
        s->SetValues(RandomValues(rng, s->Params()));
        RenderPlan plan;
        plan.path = kAllPaths[rng.Below(3)];
        plan.block = block;
        plan.limit = s->ClipLimit();
        plan.context = "cycle at " + std::to_string(static_cast<int>(rate)) + " Hz";
        s->Render(Music(rng, s->Inputs(), rng.Between(1, 3 * block), rate), plan);
        if (stage == 2)
            s->Suspend();  // stage 3 closes while still resumed
    }
    tally.Cycle();
}

// Sixteen instances alive together, processing in turn; pairs k and k + 8 get
// the same rate and settings and must stay identical, so no instance can be
// reading or writing another's state.
void SixteenAlive(const Options& options, Tally& tally, Rng& rng)
{
    constexpr int kAlive = 16, kPairs = kAlive / 2, kBlock = 256, kBlocks = 24;
    tally.SetContext("the plug-in crashed with 16 instances alive");
    std::vector<std::unique_ptr<Subject>> alive;
    std::vector<std::vector<float>> settings(kPairs);
    for (int k = 0; k < kAlive; ++k) {
        std::unique_ptr<Subject> s = Subject::Load(options, tally);
        if (!s)
            return;
        s->Start(kRates[k % kPairs], kBlock);
        if (k < kPairs)
            settings[static_cast<std::size_t>(k)] = RandomValues(rng, s->Params());
        s->SetValues(settings[static_cast<std::size_t>(k % kPairs)]);
        alive.push_back(std::move(s));
    }
    std::vector<std::vector<float>> readBack;
    std::vector<double> limits;
    for (auto& s : alive) {
        readBack.push_back(s->Values());
        limits.push_back(s->ClipLimit());
    }

    const Signal in = Music(rng, alive[0]->Inputs(), kBlock * kBlocks, 44100.0);
    std::vector<Signal> out(kAlive);
    std::vector<HostBuffers> buffers;
    for (auto& s : alive)
        buffers.emplace_back(s->Inputs(), s->Outputs(), kBlock);
    for (int b = 0; b < kBlocks; ++b) {
        const Path path = kAllPaths[b % 3];
        for (int k = 0; k < kAlive; ++k) {
            HostBuffers& buf = buffers[static_cast<std::size_t>(k)];
            buf.Load(path, in, b * kBlock, kBlock);
            alive[static_cast<std::size_t>(k)]->ProcessChecked(path, buf, kBlock, limits[static_cast<std::size_t>(k)],
                                                               "instance " + std::to_string(k) + " of 16");
            buf.AppendOutput(out[static_cast<std::size_t>(k)], kBlock);
        }
    }
    for (int k = 0; k < kAlive; ++k) {
        if (alive[static_cast<std::size_t>(k)]->Values() != readBack[static_cast<std::size_t>(k)])
            tally.Fault("instances share state",
                        "getParameter on instance " + std::to_string(k) +
                            " of 16 reads other values than it was given while others processed");
    }
    for (int k = 0; k < kPairs && tally.Repeatable(); ++k) {
        const int at = FirstDifference(out[static_cast<std::size_t>(k)], out[static_cast<std::size_t>(k + kPairs)]);
        if (at >= 0)
            tally.Fault("instances share state",
                        "instances " + std::to_string(k) + " and " + std::to_string(k + kPairs) +
                            " of 16 have the same settings but render differently from frame " + std::to_string(at) +
                            " while others process in between");
    }
    // Closed in a shuffled order, not the order they were made in.
    while (!alive.empty()) {
        const std::size_t k = static_cast<std::size_t>(rng.Below(static_cast<int>(alive.size())));
        alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(k));
    }
}

}  // namespace

// Two instances, one after the other, each alone in the process from its
// creation to its close: if they render the same music differently, the
// effect is not repeatable (it may add noise on purpose), and no later phase
// can tell a fault from that by comparing renders.
void RunRepeatability(const Options& options, Tally& tally)
{
    tally.SetPhase("repeatability");
    tally.SetContext("the plug-in crashed rendering the same music twice");
    Rng rng = PhaseRng(options, 8);
    std::vector<float> values;
    std::vector<Signal> in;
    std::vector<Signal> renders[2];
    for (auto& render : renders) {
        auto s = Subject::Load(options, tally);
        if (!s)
            return;
        s->Start(44100.0, 512);
        if (values.empty()) {
            values = RandomValues(rng, s->Params());
            for (Path path : kAllPaths) {
                (void)path;
                in.push_back(Music(rng, s->Inputs(), 16 * 512, 44100.0));
            }
        }
        s->SetValues(values);
        for (Path path : kAllPaths) {
            RenderPlan plan;
            plan.path = path;
            plan.block = 512;
            plan.limit = s->ClipLimit();
            plan.context = "the same music through a fresh instance";
            render.push_back(s->Render(in[render.size()], plan));
        }
    }
    for (std::size_t k = 0; k < renders[0].size(); ++k) {
        if (const int at = FirstDifference(renders[0][k], renders[1][k]); at >= 0) {
            tally.Note("two fresh instances with the same settings render the same music differently, so renders "
                       "are not compared",
                       std::string(PathName(kAllPaths[k])) + " calls of 512 frames, from frame " + std::to_string(at));
            tally.SetRepeatable(false);
            return;
        }
    }
}

void RunLifecycles(const Options& options, Tally& tally)
{
    tally.SetPhase("lifecycles");
    Rng rng = PhaseRng(options, 1);
    const int cycles = options.quick ? 40 : 200;
    const long long faultsBefore = tally.FaultCount();
    for (int n = 0; n < cycles; ++n) {
        tally.SetContext("the plug-in crashed in create/open/close cycle " + std::to_string(n + 1));
        OneCycle(options, tally, rng, n % 4);
        // A library that cannot be loaded fails every cycle the same way.
        if (tally.CycleCount() == 0 && tally.FaultCount() > faultsBefore)
            return;
    }
    SixteenAlive(options, tally, rng);
}

}  // namespace vsthost::torture

}  // namespace kestrelon
