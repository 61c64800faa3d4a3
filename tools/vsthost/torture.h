// The torture command: a deliberately rude host. It loads an effect over and
// over, keeps many alive, drives it at odd rates and block sizes, from several
// threads at once, in the call orders real hosts get wrong, restores its state
// into fresh instances and feeds it audio no sane source produces. Every
// finding is a failure; the run is deterministic for a seed, except for how
// the threads interleave.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost::torture {

struct Options {
    std::string plugin;
    std::uint64_t seed = 1;
    bool quick = false;  // fewer cycles and rounds, the same kinds of abuse
};

// What a run has done and what went wrong; shared by the threads of a phase.
class Tally {
public:
    void Calls(long long n = 1) { calls += n; }
    void Block()
    {
        ++blocks;
        ++calls;
    }
    void Cycle() { ++cycles; }
    // The phase named in failure reports; set between phases, read by threads.
    void SetPhase(const char* phase) { phaseName = phase; }
    // What the run is doing, for the crash report should the effect crash; set
    // by the main thread only.
    void SetContext(const std::string& what);
    const std::string& Context() const { return context; }
    // Counts a failure and prints the first few, with the phase, on stderr.
    void Fail(const std::string& what);

    long long CycleCount() const { return cycles; }
    long long CallCount() const { return calls; }
    long long BlockCount() const { return blocks; }
    long long FailureCount() const { return failures; }

private:
    std::atomic<long long> cycles{0};
    std::atomic<long long> calls{0};
    std::atomic<long long> blocks{0};
    std::atomic<long long> failures{0};
    std::atomic<const char*> phaseName{"start"};
    std::mutex printMutex;
    std::string context;
};

// splitmix64: small, fast, and the same sequence on every platform, which
// std's distributions do not promise.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next();
    double Unit();  // [0, 1)
    int Below(int n);  // 0 .. n-1; 0 when n <= 0
    int Between(int lo, int hi);  // lo .. hi inclusive
    bool Chance(double p) { return Unit() < p; }

private:
    std::uint64_t state;
};

// Normalised parameter values as hosts send them: mostly anywhere in 0..1,
// sometimes exactly at an end or the middle.
std::vector<float> RandomValues(Rng& rng, int count);

// Each phase draws from its own stream, so a change in one phase leaves the
// values of the others as they were for a given seed.
inline Rng PhaseRng(const Options& options, std::uint64_t phase)
{
    return Rng(options.seed * 0x9E3779B97F4A7C15ull + phase * 0xD1B54A32D192ED03ull);
}

// The phases, in the order the command runs them.
void RunLifecycles(const Options& options, Tally& tally);
void RunCallOrders(const Options& options, Tally& tally);
void RunRatesAndBlocks(const Options& options, Tally& tally);
void RunHostileInput(const Options& options, Tally& tally);
void RunThreads(const Options& options, Tally& tally);
void RunStateRoundTrips(const Options& options, Tally& tally);
void RunForeignChunks(const Options& options, Tally& tally);

}  // namespace vsthost::torture

}  // namespace kestrelon
