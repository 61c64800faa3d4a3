// Call orders seen in real hosts that a plug-in author rarely tries: settings
// before the effect is opened, effOpen twice, the rate announced only after
// resuming, suspend and resume as a flush, buffers shared by input and output,
// a mono track. Where it can be, each is compared with an instance driven the
// careful way.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

constexpr int kBlock = 256;

// "parameter 2 reads 0.25, set as 0.5" for the first value that differs.
std::string DescribeChange(const std::vector<float>& before, const std::vector<float>& after)
{
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i] != after[i])
            return "parameter " + std::to_string(i) + " reads " + std::to_string(after[i]) + ", set as " +
                   std::to_string(before[i]);
    }
    return "the parameter count changed";
}

// Renders the same music through a rude and a careful instance and notes
// where they part: a host should not drive an effect this way, but some do.
void ExpectSameSound(Tally& tally, Rng& rng, Subject& rude, Subject& careful, Path path, const std::string& what)
{
    const Signal in = Music(rng, rude.Inputs(), 12 * kBlock, 44100.0);
    RenderPlan plan;
    plan.path = path;
    plan.block = kBlock;
    plan.limit = careful.ClipLimit();
    plan.context = what;
    const Signal a = rude.Render(in, plan);
    const Signal b = careful.Render(in, plan);
    if (!tally.Repeatable())
        return;
    if (const int at = FirstDifference(a, b); at >= 0)
        tally.Note("renders differently from a carefully driven instance when " + what,
                   std::string(PathName(path)) + " calls of " + std::to_string(kBlock) + " frames, from frame " +
                       std::to_string(at));
}

// Parameter reads, writes and typed values before effOpen must survive it.
void SettingsBeforeOpen(const Options& options, Tally& tally, Rng& rng)
{
    auto rude = Subject::Load(options, tally);
    auto careful = Subject::Load(options, tally);
    if (!rude || !careful)
        return;
    careful->Start(44100.0, kBlock);

    const std::vector<float> values = RandomValues(rng, rude->Params());
    std::vector<std::string> typed;
    for (Subject* s : {rude.get(), careful.get()}) {
        s->Values();
        s->SetValues(values);
        for (int i = 0; i < s->Params(); ++i) {
            if (s == rude.get())
                typed.push_back(s->Display(i));
            // The text an effect shows is a text it must take back.
            if (!s->SetText(i, typed[static_cast<std::size_t>(i)]))
                tally.Note("effString2Parameter refuses a parameter's own display text",
                           "parameter " + std::to_string(i) + " refuses \"" + typed[static_cast<std::size_t>(i)] +
                               "\"" + (s == rude.get() ? " before effOpen" : ""));
        }
    }
    const std::vector<float> before = rude->Values();
    rude->Start(44100.0, kBlock);
    if (rude->Values() != before)
        tally.Note("effOpen changes parameter values the host set before it",
                   "getParameter after effOpen: " + DescribeChange(before, rude->Values()));
    else if (careful->Values() != before)
        tally.Note("the same settings read differently when made before and after effOpen",
                   "getParameter: " + DescribeChange(before, careful->Values()));
    ExpectSameSound(tally, rng, *rude, *careful, Path::kReplacing, "its settings were made before effOpen");
}

void OpenTwice(const Options& options, Tally& tally, Rng& rng)
{
    auto rude = Subject::Load(options, tally);
    auto careful = Subject::Load(options, tally);
    if (!rude || !careful)
        return;
    rude->Open();
    rude->Start(48000.0, kBlock);  // opens a second time
    careful->Start(48000.0, kBlock);
    const std::vector<float> values = RandomValues(rng, rude->Params());
    rude->SetValues(values);
    careful->SetValues(values);
    ExpectSameSound(tally, rng, *rude, *careful, Path::kDouble, "effOpen is sent twice");
}

void RateAfterResume(const Options& options, Tally& tally, Rng& rng)
{
    auto rude = Subject::Load(options, tally);
    auto careful = Subject::Load(options, tally);
    if (!rude || !careful)
        return;
    rude->Open();
    rude->Resume();
    rude->SetRate(96000.0);
    rude->SetBlock(kBlock);
    careful->Start(96000.0, kBlock);
    if (rude->Latency() != careful->Latency())
        tally.Note("reports another latency when the sample rate is set after resuming",
                   "initialDelay after effSetSampleRate while resumed: " + std::to_string(rude->Latency()) + ", not " +
                       std::to_string(careful->Latency()));
    const std::vector<float> values = RandomValues(rng, rude->Params());
    rude->SetValues(values);
    careful->SetValues(values);
    ExpectSameSound(tally, rng, *rude, *careful, Path::kAdding, "the rate and block size come after resuming");
}

// After suspend and resume, silence in must soon be silence out: at most the
// look-ahead of earlier audio may come back.
void SuspendResumeFlush(const Options& options, Tally& tally, Rng& rng)
{
    auto s = Subject::Load(options, tally);
    if (!s)
        return;
    s->Start(44100.0, 512);
    for (int round = 0; round < 4; ++round) {
        s->SetValues(RandomValues(rng, s->Params()));
        RenderPlan plan;
        plan.path = kAllPaths[round % 3];
        plan.block = 512;
        plan.limit = s->ClipLimit();
        plan.context = "suspend/resume round " + std::to_string(round);
        s->Render(Music(rng, s->Inputs(), 8 * 512, 44100.0), plan);
        s->Suspend();
        if (round % 2) {
            s->SetBlock(rng.Between(1, 4096));  // hosts change the block size while suspended
            plan.block = rng.Between(1, 4096);
        }
        s->Resume();
        const int quietFrom = s->Latency() + plan.block;
        const Signal out = s->Render(Silence(s->Inputs(), quietFrom + 2048), plan);
        for (std::size_t c = 0; c < out.size(); ++c) {
            for (std::size_t i = static_cast<std::size_t>(quietFrom); i < out[c].size(); ++i) {
                if (std::fabs(out[c][i]) > 1e-6) {
                    tally.Note("still sounds after suspend and resume, with silence in",
                               plan.context + ", " + PathName(plan.path) + ": frame " + std::to_string(i) + " is " +
                                   std::to_string(out[c][i]));
                    return;
                }
            }
        }
    }
}

// Input and output in one buffer: the result must be what separate buffers
// give (for the adding call: the input plus that).
void InPlaceBuffers(const Options& options, Tally& tally, Rng& rng)
{
    for (Path path : kAllPaths) {
        auto shared = Subject::Load(options, tally);
        auto separate = Subject::Load(options, tally);
        if (!shared || !separate)
            return;
        shared->Start(44100.0, kBlock);
        separate->Start(44100.0, kBlock);
        const std::vector<float> values = RandomValues(rng, shared->Params());
        shared->SetValues(values);
        separate->SetValues(values);
        const Signal in = Music(rng, shared->Inputs(), 10 * kBlock, 44100.0);
        RenderPlan plan;
        plan.path = path;
        plan.block = kBlock;
        plan.context = std::string("in-place buffers");
        const Signal expectedOut = separate->Render(in, plan);
        plan.inPlace = true;
        const Signal out = shared->Render(in, plan);
        Signal expected = expectedOut;
        if (path == Path::kAdding) {
            for (std::size_t c = 0; c < expected.size() && c < in.size(); ++c)
                for (std::size_t i = 0; i < expected[c].size(); ++i)
                    expected[c][i] =
                        static_cast<float>(static_cast<float>(in[c][i]) + static_cast<float>(expectedOut[c][i]));
        }
        if (!tally.Repeatable())
            continue;
        // An accumulating call that replaces instead, as some effects make the
        // deprecated call, shows here: in place, the input it should add to is gone.
        if (path == Path::kAdding && FirstDifference(out, expectedOut) < 0) {
            tally.Note("the accumulating process call replaces its outputs instead of adding to them",
                       "process (adding) calls in place give the effect's output without the input under it");
            continue;
        }
        if (const int at = FirstDifference(out, expected); at >= 0)
            tally.Note("renders differently when its input and output are one buffer",
                       std::string(PathName(path)) + " calls in place differ from separate buffers from frame " +
                           std::to_string(at));
    }
}

// A mono track: one input and one output buffer, and pointer arrays only that
// long. Whatever the effect does with its second channel, it may not reach
// for a second host buffer.
void MonoLayout(const Options& options, Tally& tally, Rng& rng)
{
    auto s = Subject::Load(options, tally);
    if (!s)
        return;
    s->Open();
    s->SetRate(44100.0);
    s->SetBlock(kBlock);
    if (!s->RequestMono())
        return;  // a stereo-only effect is never handed a mono track
    s->Resume();
    s->SetValues(RandomValues(rng, s->Params()));
    const double limit = s->ClipLimit();
    const Signal in = Music(rng, 1, 8 * kBlock, 44100.0);
    HostBuffers buffers(1, 1, 2 * kBlock);
    for (int b = 0; b < 12; ++b) {
        const Path path = kAllPaths[b % 3];
        const int frames = b % 4 == 3 ? 2 * kBlock : rng.Between(0, kBlock);
        buffers.Load(path, in, rng.Below(6 * kBlock), frames);
        s->ProcessChecked(path, buffers, frames, limit, "mono layout");
    }
}

}  // namespace

void RunCallOrders(const Options& options, Tally& tally)
{
    tally.SetPhase("call orders");
    Rng rng = PhaseRng(options, 2);
    tally.SetContext("the plug-in crashed on parameters set before effOpen");
    SettingsBeforeOpen(options, tally, rng);
    tally.SetContext("the plug-in crashed on effOpen sent twice");
    OpenTwice(options, tally, rng);
    tally.SetContext("the plug-in crashed on a rate set after resume");
    RateAfterResume(options, tally, rng);
    tally.SetContext("the plug-in crashed on suspend/resume used as a flush");
    SuspendResumeFlush(options, tally, rng);
    tally.SetContext("the plug-in crashed on in-place buffers");
    InPlaceBuffers(options, tally, rng);
    tally.SetContext("the plug-in crashed on a mono layout");
    MonoLayout(options, tally, rng);
}

}  // namespace vsthost::torture

}  // namespace kestrelon
