#include <cstdio>

#include "tools/vsthost/platform.h"
#include "tools/vsthost/torture.h"

namespace kestrelon {

namespace vsthost::torture {

void Tally::SetContext(const std::string& what)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        context = what;
    }
    SetCrashContext(what);
}

std::string Tally::Context() const
{
    std::lock_guard<std::mutex> guard(lock);
    return context;
}

void Tally::File(Severity severity, const std::string& check, const std::string& call)
{
    ++(severity == Severity::Fault ? faults : notes);
    std::lock_guard<std::mutex> guard(lock);
    const std::string key = std::string(severity == Severity::Fault ? "F" : "N") + check;
    const auto [at, fresh] = findingIndex.emplace(key, findings.size());
    if (fresh)
        findings.push_back({severity, check, 0, call});
    ++findings[at->second].count;
}

// Main thread, between phases.
void Tally::PrintPhaseFindings()
{
    std::lock_guard<std::mutex> guard(lock);
    for (const Finding& f : findings) {
        std::printf("    %s %s (%lld %s); first: %s\n", f.severity == Severity::Fault ? "FAULT" : "NOTE ",
                    f.check.c_str(), f.count, f.count == 1 ? "time" : "times", f.firstCall.c_str());
    }
    std::fflush(stdout);
    findings.clear();
    findingIndex.clear();
}

Tally::CallSlot& Tally::ThisThreadsSlot()
{
    thread_local int slot = -1;
    if (slot < 0) {
        const int taken = callSlotsTaken.fetch_add(1);
        slot = taken < kCallSlots ? taken : kCallSlots - 1;
    }
    return callSlots[slot];
}

void Tally::CallStarted(const char* what)
{
    ++calls;
    CallSlot& slot = ThisThreadsSlot();
    slot.what.store(what);
    slot.since.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

void Tally::CallReturned()
{
    ThisThreadsSlot().since.store(0);
}

const char* Tally::CallOverdue(std::chrono::steady_clock::duration limit) const
{
    const long long now = std::chrono::steady_clock::now().time_since_epoch().count();
    for (const CallSlot& slot : callSlots) {
        const long long since = slot.since.load();
        if (since != 0 && now - since > limit.count())
            return slot.what.load();
    }
    return nullptr;
}

std::uint64_t Rng::Next()
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::Unit()
{
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

int Rng::Below(int n)
{
    return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n));
}

std::vector<float> RandomValues(Rng& rng, int count)
{
    static constexpr float kSpecial[] = {0.0f, 1.0f, 0.5f};
    std::vector<float> values;
    for (int i = 0; i < count; ++i)
        values.push_back(rng.Chance(0.2) ? kSpecial[rng.Below(3)] : static_cast<float>(rng.Unit()));
    return values;
}

int Rng::Between(int lo, int hi)
{
    return hi <= lo ? lo : lo + Below(hi - lo + 1);
}

}  // namespace vsthost::torture

}  // namespace kestrelon
