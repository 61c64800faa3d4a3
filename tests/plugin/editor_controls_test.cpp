// Kestrelon's own controls on its editor, through a windowless context.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/graphics/graphics.h"
#include "framework/graphics/resize_controller.h"
#include "plugin/editor_controls.h"
#include "tests/plugin/plugin_rig.h"

namespace kestrelon {
namespace {

IGraphics& EditorOf(PluginRig& rig)
{
    return *dynamic_cast<IGraphics*>(rig.Plugin().Editor());
}

template <class Control>
Control& ControlOf(PluginRig& rig, int index)
{
    auto* control = dynamic_cast<Control*>(EditorOf(rig).ControlAt(index));
    EXPECT_NE(control, nullptr) << "control " << index;
    return *control;
}

TEST(EditorControls, TheEditorHoldsTheTableOfControlsInOrder)
{
    PluginRig rig;
    IGraphics& g = EditorOf(rig);
    ASSERT_EQ(g.ControlCount(), 17) << "fourteen, two hidden edge handles and the resize controller";
    const struct {
        int index;
        int param;
        Rect rect;
    } rows[] = {{5, 0, {58, 253, 122, 269}},  {6, 1, {218, 253, 282, 269}}, {7, 2, {58, 413, 122, 429}},
                {8, 3, {218, 413, 282, 429}}, {9, -1, {30, 80, 150, 88}},   {10, -1, {190, 80, 310, 88}}};
    for (const auto& row : rows) {
        EXPECT_EQ(g.ControlAt(row.index)->ParamIndex(), row.param) << row.index;
        EXPECT_EQ(g.ControlAt(row.index)->GetRect(), row.rect) << row.index;
    }
    EXPECT_NE(dynamic_cast<IResizeController*>(g.ControlAt(16)), nullptr);
    EXPECT_TRUE(g.ControlAt(14)->IsHidden());
    EXPECT_TRUE(g.ControlAt(15)->IsHidden());
}

TEST(EditorControls, MeterBarsGrowFromTheCentreColumn)
{
    PluginRig rig;
    auto& meter = ControlOf<HBiDirMeterControl>(rig, 9);  // centre column x = 90
    const struct {
        double value;
        Rect bar;
    } rows[] = {
        {0.5, {90, 80, 90, 88}},  // nothing
        {0.51, {90, 80, 91, 88}},  // offset 1.2: the centre column
        {0.49, {89, 80, 91, 88}},  // offset -1.2: its left neighbour and itself
        {1.0, {90, 80, 150, 88}},  // sixty columns to the right
        {0.0, {30, 80, 91, 88}},  // sixty-one to the left, the centre included
        // What no meter can show: nothing for a value that is not a number, the
        // end of the scale beyond it.
        {std::nan(""), {90, 80, 90, 88}},
        {-std::numeric_limits<double>::infinity(), {90, 80, 90, 88}},
        {1e300, {90, 80, 150, 88}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(meter.BarFor(row.value), row.bar) << row.value;
    const Colour white150{150, 255, 255, 255};
    EXPECT_EQ(meter.ColourFor(0.8), white150) << "both colours alike: always translucent white";
}

TEST(EditorControls, ClipLightFramesAndReadoutTexts)
{
    const struct {
        double value;
        int frame;
    } frames[] = {{0.0, 1},          {1.0 / 18 - 1e-9, 1},
                  {1.0 / 18, 2},     {17.0 / 18 - 1e-9, 9},
                  {17.0 / 18, 10},   {1.0, 10},
                  {1.5, 10},         {-0.3, 1},
                  {std::nan(""), 1}, {std::numeric_limits<double>::infinity(), 1}};
    for (const auto& row : frames)
        EXPECT_EQ(LedBitMapControl::FrameFor(row.value, 10), row.frame) << row.value;

    PluginRig rig;
    EXPECT_EQ(ControlOf<TextEntry>(rig, 5).ReadoutText(0.0), "0.0 ") << "an empty label leaves a trailing space";
    EXPECT_EQ(ControlOf<TextEntry>(rig, 8).ReadoutText(-6.5), "-6.5 dB");
}

TEST(EditorControls, TypedValuesAreLimitedToTheRange)
{
    PluginRig rig;
    rig.Start();
    auto& output = ControlOf<TextEntry>(rig, 8);
    const struct {
        const char* typed;
        double decibels;
    } rows[] = {{"12", 12.0}, {"20", 12.0}, {"abc", 0.0}, {"-3.5 dB", -3.5}, {"-40", -12.0}};
    for (const auto& row : rows) {
        output.AcceptEnteredText(row.typed);
        EXPECT_DOUBLE_EQ(rig.Plugin().ParamAt(Kestrelon::kOutput)->Value(), row.decibels) << row.typed;
        EXPECT_EQ(output.ShownText(), row.typed);
    }
}

TEST(EditorControls, ScaledCreditsAndReadoutsAndTheClipSwitch)
{
    PluginRig rig;
    auto& credits = ControlOf<CreditDisplayControl>(rig, 13);
    credits.OnScaleChanged(1.5);
    EXPECT_EQ(credits.Hotspot(), (Rect{15, 660, 495, 720}));
    EXPECT_EQ(credits.TextRect(), (Rect{7, 705, 232, 723}));
    auto& readout = ControlOf<TextEntry>(rig, 5);
    readout.OnScaleChanged(1.5);
    EXPECT_EQ(readout.Style().size, 24);

    // The switch shows frame 2 (transparent) while clipping is on.
    auto& toggle = ControlOf<ISwitchControl>(rig, 12);
    EXPECT_EQ(FrameForValue(toggle.Value(), 2), 2);
    rig.Set(Kestrelon::kClipOutput, 0.0f);
    EXPECT_EQ(FrameForValue(toggle.Value(), 2), 1);
    toggle.HandleMouseDown(170, 84, MouseModifiers{});
    EXPECT_EQ(FrameForValue(toggle.Value(), 2), 2);
    EXPECT_TRUE(rig.Plugin().ClipEnabled());
}

TEST(EditorControls, BlocksFeedTheMetersAndTheClipLight)
{
    PluginRig rig;
    rig.Start();
    rig.Set(Kestrelon::kAttack, 1.0f);  // +10: a strong boost
    const auto signal = TestSignal(512 * 8);
    std::vector<double> outL(512), outR(512);
    for (int block = 0; block < 8; ++block) {
        std::vector<double> inL(signal[0].begin() + block * 512, signal[0].begin() + (block + 1) * 512);
        std::vector<double> inR(signal[1].begin() + block * 512, signal[1].begin() + (block + 1) * 512);
        double* ins[2] = {inL.data(), inR.data()};
        double* outs[2] = {outL.data(), outR.data()};
        rig.Plugin().ProcessBlock(ins, outs, 512);
    }
    EXPECT_GT(EditorOf(rig).ControlAt(9)->Value(), 0.6) << "the attack meter moves right";
    EXPECT_GT(EditorOf(rig).ControlAt(11)->Value(), 0.5) << "the clip light is lit";
    EXPECT_EQ(EditorOf(rig).ControlAt(10)->Value(), 0.5) << "the sustain stage is off";
}

}  // namespace
}  // namespace kestrelon
