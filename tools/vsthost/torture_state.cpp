// Saved state as hosts use it: a session saved and reopened must sound the
// same, and a chunk from elsewhere (another plug-in, another version, a cut
// or damaged file) must neither crash the effect nor leave it in a state it
// cannot save and restore again.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

using Bytes = std::vector<std::uint8_t>;

int FirstByteDifference(const Bytes& a, const Bytes& b)
{
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i])
            return static_cast<int>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<int>(std::min(a.size(), b.size()));
}

const char* Kind(bool program)
{
    return program ? "program" : "bank";
}

// Restores a's state into a fresh instance: one of its chunks, or, for an
// effect without chunks, its parameter values as a host stores them. The
// parameters and the sound must come back; a display text that differs or a
// chunk that does not save again byte for byte is only noted.
void RoundTrip(const Options& options, Tally& tally, Subject& a, const Bytes& program, const Bytes& bank,
               bool restoreProgram, bool beforeOpen, const Signal& in, const Signal& expected, Path path)
{
    auto b = Subject::Load(options, tally);
    if (!b)
        return;
    const bool chunks = !program.empty();
    const std::string what = (chunks ? std::string(Kind(restoreProgram)) + " chunk" : "parameter values") +
                             (beforeOpen ? " restored before effOpen" : " restored");
    const Bytes& chunk = restoreProgram ? program : bank;
    // Hosts restore state once the effect is open; a loss in the rude order
    // before it is only noted.
    const std::string order = beforeOpen ? " when restored before effOpen" : "";
    auto lost = [&](const std::string& check, const std::string& call) {
        if (beforeOpen)
            tally.Note(check + order, call);
        else
            tally.Fault(check, call);
    };
    auto restore = [&] { return chunks ? b->Restore(restoreProgram, chunk) : (b->SetValues(a.Values()), true); };
    bool accepted = true;
    if (beforeOpen)
        accepted = restore();
    b->Start(44100.0, 512);
    if (!beforeOpen)
        accepted = restore();
    if (!accepted) {
        lost("a state round trip changes the parameters", "effSetChunk: a fresh instance refuses the " + what);
        return;
    }
    bool shown = false;
    if (const std::string change = CompareRestored(a, *b, shown); !change.empty()) {
        if (shown)
            lost("a state round trip changes the parameters", "getParameter after the " + what + ": " + change);
        else
            tally.Note("a state round trip moves a parameter's value but not what it shows" + order,
                       "getParameter after the " + what + ": " + change);
    }
    for (bool again : chunks ? std::vector<bool>{true, false} : std::vector<bool>{}) {
        const Bytes resaved = b->Chunk(again);
        if (const int at = FirstByteDifference(again ? program : bank, resaved); at >= 0)
            tally.Note("a restored chunk does not save again byte for byte" + order,
                       std::string("effGetChunk after the ") + what + ": the " + Kind(again) +
                           " chunk differs from the original at byte " + std::to_string(at));
    }
    RenderPlan plan;
    plan.path = path;
    plan.block = 512;
    plan.limit = b->ClipLimit();
    plan.context = what;
    const Signal out = b->Render(in, plan);
    if (!tally.Repeatable())
        return;
    if (const int at = FirstDifference(out, expected); at >= 0)
        lost("a state round trip changes the sound", std::string(PathName(path)) + " calls after the " + what +
                                                         ": renders differently from frame " + std::to_string(at));
}

// Chunks of other shapes and sizes than this effect's own.
struct Foreign {
    std::string name;
    bool program;  // handed over as a program (true) or a bank
    Bytes bytes;
    bool mustRefuse;  // cut short: accepting it would report a failed load as done
};

void PutInt32(Bytes& b, std::size_t at, std::int32_t v)
{
    if (at + 4 <= b.size())
        std::memcpy(&b[at], &v, 4);
}

void PutDouble(Bytes& b, std::size_t at, double v)
{
    if (at + 8 <= b.size())
        std::memcpy(&b[at], &v, 8);
}

Bytes RandomBytes(Rng& rng, std::size_t n)
{
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(rng.Next());
    return b;
}

std::vector<Foreign> ForeignChunks(Rng& rng, const Bytes& program, const Bytes& bank, bool quick)
{
    std::vector<Foreign> list;
    const int step = quick ? 5 : 1;
    for (std::size_t n = 0; n < program.size(); n += static_cast<std::size_t>(step))
        list.push_back({"program cut to " + std::to_string(n) + " bytes", true,
                        Bytes(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(n)), true});
    for (std::size_t n = 0; n < bank.size(); n += static_cast<std::size_t>(step))
        list.push_back({"bank cut to " + std::to_string(n) + " bytes", false,
                        Bytes(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(n)), true});
    list.push_back({"program chunk given as a bank", false, program, false});
    list.push_back({"bank chunk given as a program", true, bank, false});
    for (bool asProgram : {true, false}) {
        Bytes longer = asProgram ? program : bank;
        const Bytes junk = RandomBytes(rng, 64);
        longer.insert(longer.end(), junk.begin(), junk.end());
        list.push_back({std::string(Kind(asProgram)) + " with 64 bytes more", asProgram, longer, false});
    }
    for (std::size_t n : {1u, 3u, 8u, 16u, 64u, 80u, 86u, 4096u, 65536u}) {
        list.push_back({std::to_string(n) + " random bytes as a program", true, RandomBytes(rng, n), false});
        list.push_back({std::to_string(n) + " random bytes as a bank", false, RandomBytes(rng, n), false});
    }
    list.push_back({"80 bytes of 0xFF", true, Bytes(80, 0xFF), false});
    list.push_back({"86 zero bytes as a bank", false, Bytes(86, 0), false});
    if (program.size() >= 16) {
        // The two stored counts after the 8-byte header: absurd, negative, one too many.
        for (std::int32_t count : {0x7FFFFFFF, -1, 6, 1000, 0}) {
            for (std::size_t field : {8u, 12u}) {
                Bytes b = program;
                PutInt32(b, field, count);
                list.push_back({"program with count " + std::to_string(count) + " at byte " + std::to_string(field),
                                true, b, false});
            }
        }
        // Every stored value replaced by numbers no control produces.
        const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              1e308,
                              -1e308,
                              4.9e-324};
        for (double v : odd) {
            Bytes b = program;
            for (std::size_t at = 16; at + 8 <= b.size(); at += 8)
                PutDouble(b, at, v);
            list.push_back({"program whose values are all " + std::to_string(v), true, b, false});
        }
    }
    if (bank.size() >= 12) {
        for (std::int32_t length : {-1, 0x7FFFFFFF, 1000, 0, -2147483647 - 1}) {
            Bytes b = bank;
            PutInt32(b, 8, length);
            list.push_back({"bank with a preset name length of " + std::to_string(length), false, b, false});
        }
    }
    // Other plug-ins' state: a standard preset file's header, another effect's
    // chunk with its own magic, this format with a newer version.
    Bytes fxp = {'C', 'c', 'n', 'K', 0, 0, 0, 52, 'F', 'P', 'C', 'h', 0, 0, 0, 1, 'K', 'S', 'T', 'N', 0, 0, 0, 1};
    fxp.resize(60, 0);
    list.push_back({"a preset file's header", true, fxp, false});
    Bytes other = {'V', 'H', 't', 'c', 0, 0, 0, 63, 0, 0, 0, 0, 0, 0, 128, 63};
    list.push_back({"another effect's chunk", true, other, false});
    list.push_back({"another effect's chunk as a bank", false, other, false});
    if (bank.size() >= 8) {
        Bytes newer = bank;
        PutInt32(newer, 4, 0x00020000);
        list.push_back({"bank of a newer format version", false, newer, false});
    }
    return list;
}

}  // namespace

void RunStateRoundTrips(const Options& options, Tally& tally)
{
    tally.SetPhase("state round trips");
    Rng rng = PhaseRng(options, 6);
    const int rounds = options.quick ? 10 : 50;
    for (int r = 0; r < rounds; ++r) {
        tally.SetContext("the plug-in crashed restoring state, round " + std::to_string(r + 1));
        auto a = Subject::Load(options, tally);
        if (!a)
            return;
        a->Start(44100.0, 512);
        a->SetValues(RandomValues(rng, a->Params()));
        // What a host saves of an effect without chunks is what it reads back;
        // the reference is the effect holding exactly those values.
        if (!a->HasChunks())
            a->SetValues(a->Values());
        Bytes program, bank;
        if (a->HasChunks()) {
            program = a->Chunk(true);
            bank = a->Chunk(false);
            if (program.empty() || bank.empty()) {
                tally.Note("says it keeps its state in chunks but hands out none",
                           "effGetChunk: program " + std::to_string(program.size()) + " bytes, bank " +
                               std::to_string(bank.size()) + " bytes");
                return;
            }
        }
        const Path path = kAllPaths[r % 3];
        const Signal in = Music(rng, a->Inputs(), 8 * 512, 44100.0);
        RenderPlan plan;
        plan.path = path;
        plan.block = 512;
        plan.limit = a->ClipLimit();
        plan.context = "saved instance";
        const Signal expected = a->Render(in, plan);
        for (bool restoreProgram : program.empty() ? std::vector<bool>{true} : std::vector<bool>{true, false})
            RoundTrip(options, tally, *a, program, bank, restoreProgram, r % 3 == 0, in, expected, path);
    }
}

void RunForeignChunks(const Options& options, Tally& tally)
{
    tally.SetPhase("foreign chunks");
    tally.SetContext("the plug-in crashed on a chunk of another shape or size");
    Rng rng = PhaseRng(options, 7);
    auto donor = Subject::Load(options, tally);
    auto victim = Subject::Load(options, tally);
    auto witness = Subject::Load(options, tally);
    if (!donor || !victim || !witness)
        return;
    if (!donor->HasChunks())
        return;  // no host hands chunks to an effect that keeps none
    donor->Start(44100.0, 512);
    victim->Start(44100.0, 256);
    witness->Start(44100.0, 256);
    donor->SetValues(RandomValues(rng, donor->Params()));
    const Bytes program = donor->Chunk(true), bank = donor->Chunk(false);
    HostBuffers buffers(victim->Inputs(), victim->Outputs(), 256);
    for (const Foreign& f : ForeignChunks(rng, program, bank, options.quick)) {
        tally.SetContext("the plug-in crashed on a foreign chunk: " + f.name);
        const bool accepted = victim->Restore(f.program, f.bytes);
        if (accepted && f.mustRefuse)
            tally.Note("accepts a chunk cut short, reporting a failed load as done", "effSetChunk: " + f.name);
        for (int i = 0; i < victim->Params(); ++i) {
            const float v = victim->Get(i);
            if (!(v >= 0.0f && v <= 1.0f))
                tally.Note("a parameter reads outside 0 to 1", "getParameter after effSetChunk with " + f.name +
                                                                   ": parameter " + std::to_string(i) + " reads " +
                                                                   std::to_string(v));
            victim->Display(i);
        }
        // Whatever it took from the chunk, it should save it and get it back.
        const Bytes state = victim->Chunk(true);
        if (!witness->Restore(true, state)) {
            tally.Note("the state saved after a foreign chunk is refused", "effSetChunk after " + f.name);
        } else if (witness->Chunk(true) != state || witness->Values() != victim->Values()) {
            tally.Note("the state saved after a foreign chunk does not restore the same parameters",
                       "effGetChunk and getParameter after " + f.name);
        }
        const Path path = kAllPaths[rng.Below(3)];
        buffers.Load(path, Music(rng, victim->Inputs(), 256, 44100.0), 0, 256);
        victim->ProcessChecked(path, buffers, 256, victim->ClipLimit(), f.name);
    }
}

}  // namespace vsthost::torture

}  // namespace kestrelon
