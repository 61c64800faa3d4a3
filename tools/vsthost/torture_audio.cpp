// Audio the way careless hosts deliver it: every rate from telephone to
// 384 kHz, blocks from 1 to 8192 frames, calls longer than announced, calls
// without frames, processing before the effect is opened or told a rate; and
// input no sane source produces: NaN, infinities, subnormals, full-scale
// square waves.
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

std::string At(double rate, int block)
{
    return std::to_string(static_cast<int>(rate)) + " Hz, block " + std::to_string(block);
}

// Every path, before effOpen, before any rate and never resumed: the buffers
// must still be kept to, and the output should be defined (finite).
void ProcessBeforeOpen(const Options& options, Tally& tally, Rng& rng)
{
    tally.SetContext("the plug-in crashed processing before effOpen");
    auto s = Subject::Load(options, tally);
    if (!s)
        return;
    const int frames = 300;
    HostBuffers buffers(s->Inputs(), s->Outputs(), 2 * frames);
    const Signal in = Music(rng, s->Inputs(), 2 * frames, 44100.0);
    const char* stages[] = {"before effOpen and any sample rate", "with a rate but before effOpen",
                            "after effOpen, before a block size"};
    for (int stage = 0; stage < 3; ++stage) {
        if (stage == 1)
            s->SetRate(32000.0);
        if (stage == 2)
            s->Open();
        for (Path path : kAllPaths) {
            for (int n : {frames, 0, 1, 2 * frames}) {
                buffers.Load(path, in, 0, n);
                s->ProcessChecked(path, buffers, n, 0.0, stages[stage], "processing before it is resumed");
            }
        }
    }
}

void SweepRate(const Options& options, Tally& tally, Rng& rng, double rate, const std::vector<int>& blocks)
{
    tally.SetContext("the plug-in crashed at " + std::to_string(static_cast<int>(rate)) + " Hz");
    auto s = Subject::Load(options, tally);
    if (!s)
        return;
    s->Start(rate, blocks.front());
    const int clip = s->ClipParam();
    const Signal in = Music(rng, s->Inputs(), 3 * 8192, rate);
    HostBuffers buffers(s->Inputs(), s->Outputs(), 3 * 8192);
    int callNumber = 0;
    for (int block : blocks) {
        s->Suspend();
        s->SetBlock(block);
        s->Resume();
        const int latency = s->Latency();
        if (latency < 0 || latency > static_cast<int>(rate))
            tally.Note("reports a latency below zero or above one second",
                       "initialDelay at " + At(rate, block) + ": " + std::to_string(latency) + " samples");
        const int calls[] = {block, rng.Between(1, block), 0, block + (block * 3 + 1) / 2, 1, block};
        for (int frames : calls) {
            // Automation between blocks, the clip switch left on.
            if (rng.Chance(0.5)) {
                const int index = rng.Below(s->Params());
                if (index != clip)
                    s->Set(index, static_cast<float>(rng.Unit()));
            }
            const double limit = s->SetClip(true);
            const Path path = kAllPaths[callNumber++ % 3];
            const int offset = rng.Below(static_cast<int>(in[0].size()) - frames + 1);
            buffers.Load(path, in, offset, frames);
            s->ProcessChecked(path, buffers, frames, limit, At(rate, block),
                              frames > block ? kLongerThanTold : nullptr);
        }
    }
}

// One hostile stretch of input, by name.
struct Stretch {
    std::string name;
    Signal audio;
};

std::vector<Stretch> HostileProgramme(Rng& rng, int channels, Path path)
{
    constexpr int kBlock = 512;
    constexpr double kRate = 44100.0;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Subnormal in the precision the host hands over.
    const double tiny = path == Path::kDouble ? 4.9e-320 : 1.0e-40;
    std::vector<Stretch> programme;
    programme.push_back({"music", Music(rng, channels, 4 * kBlock, kRate)});
    programme.push_back({"NaN", Constant(channels, 2 * kBlock, nan)});
    programme.push_back({"music after NaN", Music(rng, channels, 2 * kBlock, kRate)});
    programme.push_back({"+infinity", Constant(channels, 2 * kBlock, inf)});
    programme.push_back({"music after +infinity", Music(rng, channels, 2 * kBlock, kRate)});
    programme.push_back({"-infinity", Constant(channels, 2 * kBlock, -inf)});
    programme.push_back({"music with NaN every 7th sample", Sprinkled(rng, channels, 4 * kBlock, kRate, 7, nan)});
    programme.push_back(
        {"music with infinity every 100th sample", Sprinkled(rng, channels, 2 * kBlock, kRate, 100, inf)});
    programme.push_back({"subnormals", Constant(channels, 4 * kBlock, tiny)});
    programme.push_back({"negative subnormals", Constant(channels, 2 * kBlock, -tiny)});
    programme.push_back({"full-scale square wave", Square(channels, 16 * kBlock, 100)});
    programme.push_back({"full-scale square wave, 2 frames", Square(channels, 4 * kBlock, 2)});
    programme.push_back({"music at the end", Music(rng, channels, 8 * kBlock, kRate)});
    return programme;
}

void HostileInput(const Options& options, Tally& tally, Rng& rng, Path path, bool clip)
{
    auto s = Subject::Load(options, tally);
    if (!s)
        return;
    s->Start(44100.0, 512);
    const std::vector<float> values = RandomValues(rng, s->Params());
    s->SetValues(values);
    const double limit = s->SetClip(clip);
    const std::string setting = std::string(PathName(path)) + (clip ? ", clipping on" : ", clipping off");
    const std::vector<Stretch> programme = HostileProgramme(rng, s->Inputs(), path);
    Signal lastOut;
    for (const Stretch& stretch : programme) {
        RenderPlan plan;
        plan.path = path;
        plan.block = 512;
        plan.limit = limit;
        plan.context = stretch.name + ", " + setting;
        lastOut = s->Render(stretch.audio, plan);
    }
    // Afterwards the effect must still be making sound: within 60 dB of what a
    // fresh instance with the same settings makes of the same music (the
    // settings may mute it; the detectors' history may differ).
    auto fresh = Subject::Load(options, tally);
    if (!fresh)
        return;
    fresh->Start(44100.0, 512);
    fresh->SetValues(values);
    fresh->SetClip(clip);
    RenderPlan plan;
    plan.path = path;
    plan.block = 512;
    plan.limit = limit;
    plan.context = "fresh instance, " + setting;
    const double expected = Energy(fresh->Render(programme.back().audio, plan)), out = Energy(lastOut);
    if (expected > 0.0 && !(out >= expected * 1e-6))
        tally.Note("does not recover from NaN, infinite and subnormal input",
                   setting + ": music comes out at " + std::to_string(out) +
                       " mean square where a fresh instance gives " + std::to_string(expected));
}

}  // namespace

void RunRatesAndBlocks(const Options& options, Tally& tally)
{
    tally.SetPhase("rates and blocks");
    Rng rng = PhaseRng(options, 3);
    ProcessBeforeOpen(options, tally, rng);
    const std::vector<double> rates =
        options.quick ? std::vector<double>{8000.0, 44100.0, 96000.0, 384000.0}
                      : std::vector<double>{8000.0,  11025.0, 16000.0,  22050.0,  32000.0,  44100.0, 48000.0,
                                            88200.0, 96000.0, 176400.0, 192000.0, 352800.0, 384000.0};
    const std::vector<int> blocks =
        options.quick ? std::vector<int>{1, 3, 64, 512, 4096, 8192}
                      : std::vector<int>{1, 2, 3, 16, 64, 100, 256, 512, 1000, 1024, 2048, 4096, 8192};
    for (double rate : rates)
        SweepRate(options, tally, rng, rate, blocks);
}

void RunHostileInput(const Options& options, Tally& tally)
{
    tally.SetPhase("hostile input");
    Rng rng = PhaseRng(options, 4);
    for (Path path : kAllPaths) {
        for (bool clip : {true, false}) {
            tally.SetContext(std::string("the plug-in crashed on hostile input through ") + PathName(path));
            HostileInput(options, tally, rng, path, clip);
        }
    }
}

}  // namespace vsthost::torture

}  // namespace kestrelon
