// Out of memory at every allocation the effect makes: the entry point and
// each record callback must answer (null, 0, silence) instead of letting
// std::bad_alloc reach the host, which is C and would end in std::terminate.
// The program replaces operator new with one that fails at a chosen count.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "plugin/plugin_export.h"

namespace {

// 0: every allocation succeeds; n > 0: the n-th from now fails, once.
std::atomic<long long> failIn{0};
std::atomic<long long> counted{0};
std::atomic<bool> failed{false};

void* Allocate(std::size_t size, bool mayThrow)
{
    ++counted;
    const long long left = failIn.load();
    if (left > 0 && failIn.fetch_sub(1) == 1) {
        failed = true;
        if (mayThrow)
            throw std::bad_alloc();
        return nullptr;
    }
    void* p = std::malloc(size ? size : 1);
    if (!p && mayThrow)
        throw std::bad_alloc();
    return p;
}

}  // namespace

// The replacements of the global allocation functions live in the global namespace.
void* operator new(std::size_t size)
{
    return Allocate(size, true);
}
void* operator new[](std::size_t size)
{
    return Allocate(size, true);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size, false);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
// A constructor that throws after a nothrow new frees through these.
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace kestrelon {

namespace {

using namespace vst2;

// [any host thread] no lock: answers what the effect asks at creation.
VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// The allocations `call` makes when none fails.
long long AllocationsOf(const std::function<void()>& call)
{
    const long long before = counted.load();
    call();
    return counted.load() - before;
}

// Runs `call` once for each allocation it made, failing that one; answers how
// many runs met their failure (a call may allocate less once its buffers
// have grown).
long long FailEachAllocationOf(const std::function<void()>& call, long long allocations)
{
    long long met = 0;
    for (long long n = 1; n <= allocations; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(allocations) + " fails");
        failed = false;
        failIn = n;
        call();
        failIn = 0;
        met += failed.load() ? 1 : 0;
    }
    return met;
}

TEST(OutOfMemory, CreationThatFailsAnywhereAnswersNull)
{
    long long nulls = 0, made = 0;
    auto create = [&] {
        AEffect* effect = VSTPluginMain(Host);
        if (!effect) {
            ++nulls;
            return;
        }
        ++made;
        EXPECT_EQ(effect->magic, kEffectMagic);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    };
    // The first editor of a process also builds what every later one shares
    // (its layout table): a warm-up creation leaves the count of every other.
    create();
    const long long allocations = AllocationsOf(create);
    ASSERT_GT(allocations, 0);
    made = 0;
    EXPECT_EQ(FailEachAllocationOf(create, allocations), allocations);
    EXPECT_EQ(nulls + made, allocations);
    // Some of its allocations are the effect's own: failing one makes nothing.
    EXPECT_GT(nulls, 0);
    // And a creation after all that is whole again.
    create();
    EXPECT_EQ(made, allocations - nulls + 1);
}

// An effect opened, set up and resumed as a host does, with its program chunk
// saved, before any allocation is made to fail.
struct Prepared {
    static constexpr int kFrames = 256;
    AEffect* effect = nullptr;
    std::vector<unsigned char> program;
    std::vector<float> in = std::vector<float>(2 * kFrames, 0.25f), out = std::vector<float>(2 * kFrames, 0.0f);
    float* ins[2] = {in.data(), in.data() + kFrames};
    float* outs[2] = {out.data(), out.data() + kFrames};
    char text[256] = "3.5";
    void* data = nullptr;

    Prepared() : effect(VSTPluginMain(Host))
    {
        Dispatch(effOpen, 0, 0, nullptr);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        Dispatch(effSetBlockSize, 0, kFrames, nullptr);
        Dispatch(effMainsChanged, 0, 1, nullptr);
        const VstIntPtr size = Dispatch(effGetChunk, 1, 0, &data);
        const auto* bytes = static_cast<const unsigned char*>(data);
        program.assign(bytes, bytes + (size > 0 ? size : 0));
    }
    ~Prepared() { Dispatch(effClose, 0, 0, nullptr); }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
};

TEST(OutOfMemory, HostCallsThatFailAnywhereReturnAndLeaveTheEffectUsable)
{
    struct Call {
        const char* name;
        std::function<void(Prepared&)> run;
    };
    const Call calls[] = {
        {"effSetBlockSize", [](Prepared& p) { p.Dispatch(effSetBlockSize, 0, 4096, nullptr); }},
        {"effGetChunk (bank)", [](Prepared& p) { p.Dispatch(effGetChunk, 0, 0, &p.data); }},
        {"effSetChunk",
         [](Prepared& p) { p.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(p.program.size()), p.program.data()); }},
        {"effString2Parameter", [](Prepared& p) { p.Dispatch(effString2Parameter, 0, 0, p.text); }},
        {"effGetParamDisplay", [](Prepared& p) { p.Dispatch(effGetParamDisplay, 1, 0, p.text); }},
        {"effSetProgramName", [](Prepared& p) { p.Dispatch(effSetProgramName, 0, 0, p.text); }},
        {"effSetProgram", [](Prepared& p) { p.Dispatch(effSetProgram, 0, 0, nullptr); }},
        {"setParameter", [](Prepared& p) { p.effect->setParameter(p.effect, 2, 0.75f); }},
        {"processReplacing", [](Prepared& p) { p.effect->processReplacing(p.effect, p.ins, p.outs, p.kFrames); }},
    };
    long long met = 0;
    for (const Call& call : calls) {
        // Allocation n of the call fails, for n = 1, 2, ... until the call
        // makes fewer than n.
        for (long long n = 1;; ++n) {
            SCOPED_TRACE(std::string(call.name) + ", allocation " + std::to_string(n) + " fails");
            Prepared p;
            ASSERT_NE(p.effect, nullptr);
            failed = false;
            failIn = n;
            call.run(p);
            failIn = 0;
            if (!failed)
                break;
            ++met;
            // Whatever failed, the effect still processes into finite output.
            ASSERT_NE(p.effect, nullptr);
            p.effect->processReplacing(p.effect, p.ins, p.outs, p.kFrames);
            for (float v : p.out)
                ASSERT_TRUE(std::isfinite(v));
        }
    }
    // Not every call allocates, but some must, or nothing was tried.
    EXPECT_GT(met, 0);
}

}  // namespace

}  // namespace kestrelon
