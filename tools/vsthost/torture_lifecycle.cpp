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
            tally.Fail("instance " + std::to_string(k) + " of 16 reads other parameter values than it was given");
    }
    for (int k = 0; k < kPairs; ++k) {
        const int at = FirstDifference(out[static_cast<std::size_t>(k)], out[static_cast<std::size_t>(k + kPairs)]);
        if (at >= 0)
            tally.Fail("instances " + std::to_string(k) + " and " + std::to_string(k + kPairs) +
                       " have the same settings but render differently from frame " + std::to_string(at) +
                       " while others process in between");
    }
    // Closed in a shuffled order, not the order they were made in.
    while (!alive.empty()) {
        const std::size_t k = static_cast<std::size_t>(rng.Below(static_cast<int>(alive.size())));
        alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(k));
    }
}

}  // namespace

void RunLifecycles(const Options& options, Tally& tally)
{
    tally.SetPhase("lifecycles");
    Rng rng = PhaseRng(options, 1);
    const int cycles = options.quick ? 40 : 200;
    const long long failuresBefore = tally.FailureCount();
    for (int n = 0; n < cycles; ++n) {
        tally.SetContext("the plug-in crashed in create/open/close cycle " + std::to_string(n + 1));
        OneCycle(options, tally, rng, n % 4);
        // A library that cannot be loaded fails every cycle the same way.
        if (tally.CycleCount() == 0 && tally.FailureCount() > failuresBefore)
            return;
    }
    SixteenAlive(options, tally, rng);
}

}  // namespace vsthost::torture

}  // namespace kestrelon
