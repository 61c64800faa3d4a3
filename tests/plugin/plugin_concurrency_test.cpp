// One audio thread processing while host threads read and write parameters,
// display strings and state: every entry serialises on the plug-in's mutex.
// Run under ThreadSanitizer in the sanitizer tree.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/plugin/plugin_rig.h"

namespace kestrelon {

// Host callbacks arrive from several threads here; no RecordingHost is
// alive, so the host answers them without recording anything.

TEST(PluginConcurrency, ProcessingWhileHostThreadsChangeParametersAndState)
{
    PluginRig rig;
    rig.Start(44100.0f, 256);
    vst2::AEffect* fx = rig.Record();

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::atomic<bool> nonFinite{false};

    std::thread audio([&] {
        const auto signal = TestSignal(256);
        std::vector<float> inL(signal[0].begin(), signal[0].end()), inR(signal[1].begin(), signal[1].end());
        std::vector<float> outL(256), outR(256);
        std::vector<double> dL(256), dR(256);
        float* ins[2] = {inL.data(), inR.data()};
        float* outs[2] = {outL.data(), outR.data()};
        double* dins[2] = {const_cast<double*>(signal[0].data()), const_cast<double*>(signal[1].data())};
        double* douts[2] = {dL.data(), dR.data()};
        while (!stop.load() || blocks.load() < 50) {
            // Every third call is longer than the block size and gets sliced.
            const int n = blocks.load() % 3 == 0 ? 256 : 200;
            fx->processReplacing(fx, ins, outs, n);
            fx->processDoubleReplacing(fx, dins, douts, n);
            for (int i = 0; i < n; ++i)
                if (!std::isfinite(outL[static_cast<std::size_t>(i)]) ||
                    !std::isfinite(dR[static_cast<std::size_t>(i)]))
                    nonFinite = true;
            ++blocks;
        }
    });

    std::thread writer([&] {
        for (int i = 0; i < 400; ++i) {
            const int index = i % 5;
            fx->setParameter(fx, index, static_cast<float>((i * 37) % 101) / 100.0f);
            char text[16];
            std::strcpy(text, i % 2 ? "-3.5" : "on");
            fx->dispatcher(fx, vst2::effString2Parameter, index, 0, text, 0);
        }
    });

    std::atomic<bool> outOfRange{false};
    std::thread reader([&] {
        for (int i = 0; !stop.load() || i < 400; ++i) {
            const int index = i % 5;
            char text[64];
            fx->dispatcher(fx, vst2::effGetParamDisplay, index, 0, text, 0);
            fx->dispatcher(fx, vst2::effGetParamName, index, 0, text, 0);
            const float v = fx->getParameter(fx, index);
            if (!(v >= 0.0f && v <= 1.0f))
                outOfRange = true;
        }
    });

    std::thread state([&] {
        for (int i = 0; i < 150; ++i) {
            void* data = nullptr;
            const int index = i % 2;
            const vst2::VstIntPtr size = fx->dispatcher(fx, vst2::effGetChunk, index, 0, &data, 0);
            ASSERT_GT(size, 0);
            // A copy, as a host keeps it, loaded back in.
            std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
            EXPECT_EQ(fx->dispatcher(fx, vst2::effSetChunk, index, size, copy.data(), 0), 1);
            if (i % 25 == 0) {
                fx->dispatcher(fx, vst2::effSetSampleRate, 0, 0, nullptr, i % 50 ? 48000.0f : 44100.0f);
                fx->dispatcher(fx, vst2::effSetBlockSize, 0, i % 50 ? 128 : 256, nullptr, 0);
            }
        }
    });

    writer.join();
    state.join();
    stop = true;
    audio.join();
    reader.join();
    EXPECT_FALSE(outOfRange.load());
    EXPECT_GE(blocks.load(), 50);
    EXPECT_FALSE(nonFinite.load());
}

TEST(PluginConcurrency, InstancesCreatedFromSeveralThreadsAtOnce)
{
    std::vector<std::thread> threads;
    std::atomic<int> made{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                PluginRig rig;
                if (rig.Record() && rig.Record()->magic == vst2::kEffectMagic && rig.Record()->numPrograms == 1)
                    ++made;
                rig.Start();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(made.load(), 20);
}

}  // namespace kestrelon
