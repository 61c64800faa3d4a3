// The audio path allocates nothing: a heap allocation can take a lock or a
// page fault and overrun the host's deadline. Counted over thousands of
// process calls after warm-up, through all three process callbacks, at many
// block sizes; parameter changes between blocks are not counted unless they
// come through the host's automation callback on the audio thread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/plugin_export.h"
#include "tests/reliability/allocation_counter.h"
#include "tests/support/hosted_effect.h"

namespace kestrelon {

namespace {

constexpr int kAnnouncedBlock = 1024;
// Sizes a host uses, a single frame, none, and more than it announced.
constexpr int kBlockSizes[] = {1, 17, 64, 512, 1024, 0, 3000};
constexpr int kLargest = 3000;
enum class Path { kReplacing, kAdding, kDouble };
constexpr Path kPaths[] = {Path::kReplacing, Path::kAdding, Path::kDouble};

struct Buffers {
    Buffers()
        : fIn(2, std::vector<float>(kLargest)),
          fOut(2, std::vector<float>(kLargest)),
          dIn(2, std::vector<double>(kLargest)),
          dOut(2, std::vector<double>(kLargest))
    {
        for (int i = 0; i < kLargest; ++i) {
            const double v = std::sin(i * 0.05) * std::exp(-(i % 700) / 150.0);
            fIn[0][i] = fIn[1][i] = static_cast<float>(v);
            dIn[0][i] = dIn[1][i] = v;
        }
        fInP = {fIn[0].data(), fIn[1].data()};
        fOutP = {fOut[0].data(), fOut[1].data()};
        dInP = {dIn[0].data(), dIn[1].data()};
        dOutP = {dOut[0].data(), dOut[1].data()};
    }
    std::vector<std::vector<float>> fIn, fOut;
    std::vector<std::vector<double>> dIn, dOut;
    std::vector<float*> fInP, fOutP;
    std::vector<double*> dInP, dOutP;
};

void Process(vst2::AEffect* fx, Buffers& b, Path path, int frames)
{
    switch (path) {
    case Path::kReplacing:
        fx->processReplacing(fx, b.fInP.data(), b.fOutP.data(), frames);
        break;
    case Path::kAdding:
        fx->process(fx, b.fInP.data(), b.fOutP.data(), frames);
        break;
    case Path::kDouble:
        fx->processDoubleReplacing(fx, b.dInP.data(), b.dOutP.data(), frames);
        break;
    }
}

// The counter must see what it is meant to see, or a zero below proves nothing.
TEST(AllocationCounter, SeesAllocations)
{
    allocation_counter::Start();
    delete new std::string(100, 'x');
    EXPECT_GE(allocation_counter::Stop(), 1);
    if (allocation_counter::CountsMalloc()) {
        allocation_counter::Start();
        void* volatile p = std::malloc(64);
        std::free(p);
        EXPECT_GE(allocation_counter::Stop(), 1);
    }
}

TEST(AudioPathAllocations, ProcessCallsAllocateNothing)
{
    // No RecordingHost: the host answers 0 and allocates nothing either.
    testhost::HostedEffect effect(VSTPluginMain);
    ASSERT_NE(effect.Record(), nullptr);
    effect.Start(44100.0f, kAnnouncedBlock);
    vst2::AEffect* fx = effect.Record();
    Buffers buffers;
    for (Path path : kPaths)
        for (int frames : kBlockSizes)
            Process(fx, buffers, path, frames);

    long long allocations = 0, calls = 0;
    unsigned seed = 1;
    for (int round = 0; round < 40; ++round) {
        // A mono layout in some rounds: the unconnected channels read scratch.
        const bool mono = round % 4 == 3;
        vst2::VstSpeakerArrangement in{}, out{};
        in.numChannels = out.numChannels = mono ? 1 : 2;
        effect.Dispatch(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&in), &out);
        for (Path path : kPaths) {
            for (int frames : kBlockSizes) {
                // Not counted: a change from the host's user interface between blocks.
                seed = seed * 1664525u + 1013904223u;
                char text[32];
                std::snprintf(text, sizeof text, "%d", static_cast<int>(seed >> 24) % 21 - 10);
                effect.TypeText(static_cast<int>(seed >> 8) % 2, text);
                allocation_counter::Start();
                Process(fx, buffers, path, frames);
                allocations += allocation_counter::Stop();
                ++calls;
            }
        }
    }
    EXPECT_GE(calls, 800);
    EXPECT_EQ(allocations, 0) << "over " << calls << " process calls";
}

// Hosts send automation through setParameter on the audio thread, between
// or during blocks: that is part of the audio path too.
TEST(AudioPathAllocations, AutomationThroughSetParameterAllocatesNothing)
{
    testhost::HostedEffect effect(VSTPluginMain);
    ASSERT_NE(effect.Record(), nullptr);
    effect.Start(48000.0f, 256);
    vst2::AEffect* fx = effect.Record();
    Buffers buffers;
    Process(fx, buffers, Path::kReplacing, 256);

    long long allocations = 0, calls = 0;
    for (int block = 0; block < 500; ++block) {
        allocation_counter::Start();
        for (int param = 0; param < 5; ++param) {
            fx->setParameter(fx, param, static_cast<float>((block * 7 + param * 13) % 101) / 100.0f);
            fx->getParameter(fx, param);
            ++calls;
        }
        Process(fx, buffers, kPaths[block % 3], 256);
        allocations += allocation_counter::Stop();
    }
    EXPECT_EQ(allocations, 0) << "over " << calls << " automation calls and 500 blocks";
}

}  // namespace

}  // namespace kestrelon
