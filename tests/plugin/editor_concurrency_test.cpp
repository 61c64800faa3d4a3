// The editor's UI thread painting and dragging while the audio thread feeds
// the meters and a host thread automates: control values and dirty flags are
// shared without the plug-in's mutex. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/graphics/graphics.h"
#include "tests/plugin/plugin_rig.h"

namespace kestrelon {
namespace {

vst2::VstIntPtr VSTCALLBACK QuietHost(vst2::AEffect*, vst2::VstInt32, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return 0;
}

TEST(EditorConcurrency, RepaintingWhileAudioFeedsTheMetersAndTheHostAutomates)
{
    PluginRig rig(QuietHost);
    rig.Prepare(44100.0f, 256);
    vst2::AEffect* fx = rig.fx;
    auto* editor = dynamic_cast<IGraphics*>(rig.Plugin().Editor());
    ASSERT_NE(editor, nullptr);
    fx->setParameter(fx, Kestrelon::kAttack, 1.0f);

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        const auto signal = TestSignal(256);
        std::vector<float> inL(signal[0].begin(), signal[0].end()), inR(signal[1].begin(), signal[1].end());
        std::vector<float> outL(256), outR(256);
        float* ins[2] = {inL.data(), inR.data()};
        float* outs[2] = {outL.data(), outR.data()};
        while (!stop.load() || blocks.load() < 40) {
            fx->processReplacing(fx, ins, outs, 256);
            blocks.fetch_add(1);
        }
    });
    std::thread automation([&] {
        for (int i = 0; !stop.load() || i < 200; ++i)
            fx->setParameter(fx, i % 4, static_cast<float>((i * 37) % 101) / 100.0f);
    });

    // The UI thread: redraw ticks and a knob dragged up and down.
    const MouseModifiers left{true, false, false, false, false};
    int paints = 0;
    for (int round = 0; round < 300; ++round) {
        if (round % 20 == 0)
            editor->RouteMouseDown(90, 186, left);
        editor->RouteMouseDrag(90, 186 - (round % 40), left);
        if (round % 20 == 19)
            editor->RouteMouseUp(90, 150, left);
        Rect dirty;
        if (editor->CollectDirtyRect(dirty)) {
            editor->PaintRegion(dirty);
            ++paints;
        }
    }
    stop = true;
    audio.join();
    automation.join();
    EXPECT_GT(paints, 0);
    EXPECT_GE(blocks.load(), 40);
    const double meter = editor->ControlAt(9)->Value();
    EXPECT_TRUE(meter >= 0.0 && meter <= 1.0);
}

}  // namespace
}  // namespace kestrelon
