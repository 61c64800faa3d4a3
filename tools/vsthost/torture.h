// The torture command: a deliberately rude host. It loads an effect over and
// over, keeps many alive, drives it at odd rates and block sizes, from several
// threads at once, in the call orders real hosts get wrong, restores its state
// into fresh instances and feeds it audio no sane source produces. What it
// finds is a fault (the effect crashed or hung, or its output, buffers, modes
// or state went wrong) or a note (an optional ability missing, a convention
// not followed); the run is deterministic for a seed, except for how the
// threads interleave.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost::torture {

struct Options {
    std::string plugin;
    std::string clapId;  // which of a CLAP library's plug-ins; empty: the first
    std::uint64_t seed = 1;
    bool quick = false;  // fewer cycles and rounds, the same kinds of abuse
};

enum class Severity { Fault, Note };

// What a run has done and found; shared by the threads of a phase.
class Tally {
public:
    void Block() { ++blocks; }
    void Cycle() { ++cycles; }
    // The phase findings are filed under; set between phases, read by threads.
    void SetPhase(const char* phase) { phaseName = phase; }
    // What the run is doing, for the crash report should the effect crash; set
    // by the main thread only.
    void SetContext(const std::string& what);
    std::string Context() const;

    // [any host thread] A finding of the kind `check` (the same text for every
    // occurrence, saying what is wrong), shown by `call` (which call, and what
    // it did). Each kind is reported once per phase, with its count and the
    // first call that showed it.
    void Fault(const std::string& check, const std::string& call) { File(Severity::Fault, check, call); }
    void Note(const std::string& check, const std::string& call) { File(Severity::Note, check, call); }
    // Prints the findings of the phase just run, and forgets them.
    void PrintPhaseFindings();

    // Whether two fresh instances given the same settings and input render
    // the same; comparisons of renders mean nothing when they do not.
    bool Repeatable() const { return repeatable; }
    void SetRepeatable(bool yes) { repeatable = yes; }

    // [any host thread] The watchdog's view: the calling thread is inside a
    // call of the effect (named by a text that lives for the whole run) from
    // now until CallReturned.
    void CallStarted(const char* what);
    void CallReturned();
    // [watchdog thread] The name of a call that has run longer than `limit`,
    // or null.
    const char* CallOverdue(std::chrono::steady_clock::duration limit) const;

    long long CycleCount() const { return cycles; }
    long long CallCount() const { return calls; }
    long long BlockCount() const { return blocks; }
    long long FaultCount() const { return faults; }
    long long NoteCount() const { return notes; }

private:
    struct Finding {
        Severity severity;
        std::string check;
        long long count = 0;
        std::string firstCall;
    };
    // One per host thread that calls the effect; threads beyond the last share it.
    struct CallSlot {
        std::atomic<long long> since{0};  // steady-clock ticks; 0 while no call runs
        std::atomic<const char*> what{nullptr};
    };
    static constexpr int kCallSlots = 16;

    void File(Severity severity, const std::string& check, const std::string& call);
    CallSlot& ThisThreadsSlot();

    std::atomic<long long> cycles{0};
    std::atomic<long long> calls{0};
    std::atomic<long long> blocks{0};
    std::atomic<long long> faults{0};
    std::atomic<long long> notes{0};
    std::atomic<const char*> phaseName{"start"};
    mutable std::mutex lock;  // guards the findings and the context
    std::vector<Finding> findings;  // of the current phase, in the order first seen
    std::map<std::string, std::size_t> findingIndex;
    std::string context;
    std::atomic<bool> repeatable{true};
    CallSlot callSlots[kCallSlots];
    std::atomic<int> callSlotsTaken{0};
};

// One call into the effect, from its start to its return: counted, and
// watched for a hang.
class CallInProgress {
public:
    CallInProgress(Tally& runTally, const char* what) : tally(runTally) { tally.CallStarted(what); }
    ~CallInProgress() { tally.CallReturned(); }
    CallInProgress(const CallInProgress&) = delete;
    CallInProgress& operator=(const CallInProgress&) = delete;

private:
    Tally& tally;
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
void RunRepeatability(const Options& options, Tally& tally);
void RunLifecycles(const Options& options, Tally& tally);
void RunCallOrders(const Options& options, Tally& tally);
void RunRatesAndBlocks(const Options& options, Tally& tally);
void RunHostileInput(const Options& options, Tally& tally);
void RunThreads(const Options& options, Tally& tally);
void RunStateRoundTrips(const Options& options, Tally& tally);
void RunForeignChunks(const Options& options, Tally& tally);

}  // namespace vsthost::torture

}  // namespace kestrelon
