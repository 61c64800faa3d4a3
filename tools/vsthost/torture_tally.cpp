#include <cstdio>

#include "tools/vsthost/platform.h"
#include "tools/vsthost/torture.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

// Beyond this many the report would bury the summary; the count goes on.
constexpr long long kPrintedFailures = 25;

}  // namespace

// Main thread.
void Tally::SetContext(const std::string& what)
{
    context = what;
    SetCrashContext(what);
}

// Any thread.
void Tally::Fail(const std::string& what)
{
    const long long n = ++failures;
    if (n > kPrintedFailures)
        return;
    std::lock_guard<std::mutex> lock(printMutex);
    std::fprintf(stderr, "torture: FAIL [%s] %s\n", phaseName.load(), what.c_str());
    if (n == kPrintedFailures)
        std::fprintf(stderr, "torture: further failures are counted, not printed\n");
    std::fflush(stderr);
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
