// The stock controls' value flow and the context's event routing, on a
// windowless context.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/graphics/stock_controls.h"
#include "tests/framework/test_effect.h"
#include "tests/graphics/test_graphics.h"

namespace kestrelon {
namespace {

// Records the edit gestures the context reports to the plug-in.
class GestureEffect : public TestEffect {
public:
    void HostBeginParamEdit(int index) override { log.push_back("begin " + std::to_string(index)); }
    void HostEndParamEdit(int index) override { log.push_back("end " + std::to_string(index)); }
    std::vector<std::string> log;
};

// A 134 x 134-per-frame strip whose frames differ, and a 2-frame switch.
struct Editor {
    GestureEffect effect;
    TestGraphics graphics{&effect};
    IKnobMultiControl* knob = nullptr;
    ISwitchControl* toggle = nullptr;

    explicit Editor(int firstId)
    {
        graphics.Provide(firstId, 340, 484, [](int, int) { return 0xFF202830u; });
        graphics.Provide(firstId + 1, 134, 134 * 101, [](int, int y) { return 0xFF000000u | (y / 134); });
        graphics.Provide(firstId + 2, 22, 44, [](int, int y) { return y < 22 ? 0xFF808080u : 0u; });
        ImageRef* background = graphics.LoadImage(firstId, "bg.png", 1);
        graphics.AddControl(
            std::make_unique<IBitmapControl>(&effect, 0, 0, -1, background, BlendMethod::BlendMethodOpaque));
        auto k =
            std::make_unique<IKnobMultiControl>(&effect, 23, 119, 0, graphics.LoadImage(firstId + 1, "k.png", 101));
        knob = k.get();
        graphics.AddControl(std::move(k));
        auto s = std::make_unique<ISwitchControl>(&effect, 159, 73, 4, graphics.LoadImage(firstId + 2, "s.png", 2));
        toggle = s.get();
        graphics.AddControl(std::move(s));
        for (int i = 0; i < effect.ParamCount(); ++i)
            graphics.UpdateControlsFromPlugin(i, effect.ParamAt(i)->Value(), false);
    }
};

TEST(StockControls, FramesFollowTheValueNearestHalvesUp)
{
    const struct {
        double value;
        int frames;
        int frame;
    } rows[] = {{0.004, 101, 1}, {0.005, 101, 2}, {0.5, 101, 51}, {1.0, 101, 101}, {1.7, 101, 101},
                {-0.2, 101, 1},  {0.49, 2, 1},    {0.5, 2, 2},    {0.7, 1, 1}};
    for (const auto& row : rows)
        EXPECT_EQ(FrameForValue(row.value, row.frames), row.frame) << row.value << " of " << row.frames;
}

TEST(StockControls, KnobDragWheelAndSwitchClicksReachTheParameterClamped)
{
    Editor editor(1000);
    IKnobMultiControl& knob = *editor.knob;
    const MouseModifiers none{};
    MouseModifiers shift;
    shift.shift = true;

    knob.SetValue(0.5);
    knob.HandleMouseDrag(90, 0, 0, -134, none);  // four heights sweep the range: one is a quarter
    EXPECT_DOUBLE_EQ(knob.Value(), 0.75);
    knob.HandleMouseDrag(90, 0, 0, -134, shift);  // ten times finer
    EXPECT_DOUBLE_EQ(knob.Value(), 0.775);
    EXPECT_NEAR(editor.effect.ParamAt(0)->Value(), -10.0 + 20.0 * 0.775, 1e-9);

    knob.SetValue(0.99);
    knob.HandleWheel(90, 180, none, 3);
    EXPECT_EQ(knob.Value(), 1.0) << "wheel steps beyond the end are clamped";
    knob.HandleWheel(90, 180, shift, -5);
    EXPECT_DOUBLE_EQ(knob.Value(), 0.995);

    ISwitchControl& toggle = *editor.toggle;
    EXPECT_EQ(toggle.Value(), 1.0) << "Clip Output starts on";
    toggle.HandleMouseDown(170, 84, none);
    EXPECT_EQ(toggle.Value(), 0.0) << "a two-frame switch at 1 wraps to 0";
    EXPECT_FALSE(editor.effect.ParamAt(4)->GetBool());
    toggle.HandleDoubleClick(170, 84, none);
    EXPECT_EQ(toggle.Value(), 1.0);
}

TEST(StockControls, ValuesFromThePluginAndTheDoubleClickDefault)
{
    Editor editor(1010);
    IKnobMultiControl& knob = *editor.knob;
    EXPECT_EQ(knob.DefaultValue(), 0.5) << "the first value is the double-click default";
    knob.MarkClean();
    knob.MarkClean();
    EXPECT_FALSE(knob.NeedsRedraw());
    knob.SetValueFromPlugin(0.5);
    EXPECT_FALSE(knob.NeedsRedraw()) << "an unchanged value does not redraw";
    knob.SetValueFromPlugin(0.8);
    EXPECT_TRUE(knob.NeedsRedraw());
    knob.MarkClean();
    EXPECT_TRUE(knob.NeedsRedraw()) << "a value from the plug-in stays dirty one more cycle";
    knob.MarkClean();
    EXPECT_FALSE(knob.NeedsRedraw());
    knob.HandleDoubleClick(90, 180, MouseModifiers{});
    EXPECT_EQ(knob.Value(), 0.5);
    EXPECT_NEAR(editor.effect.ParamAt(0)->Value(), 0.0, 1e-12);

    IBitmapControl never(&editor.effect, 0, 0, -1, nullptr);
    never.SetValue(0.3);
    never.HandleDoubleClick(0, 0, MouseModifiers{});
    EXPECT_EQ(never.Value(), 0.3) << "no value from the plug-in, no default";
}

TEST(EventRouting, PressesDragsKeysAndGreyedControls)
{
    Editor editor(1020);
    IGraphics& g = editor.graphics;
    std::vector<std::string>& log = editor.effect.log;
    const MouseModifiers left{true, false, false, false, false};

    g.RouteMouseDown(5, 5, left);  // the background only
    g.RouteMouseUp(5, 5, left);
    EXPECT_TRUE(log.empty()) << "the background has no parameter: no edit";
    EXPECT_FALSE(g.RouteKeyDown(5, 5, KeyCode::KeySpace)) << "keys over the background go to the host";
    EXPECT_FALSE(g.RouteKeyDown(339, 483, KeyCode::KeySpace));

    editor.knob->SetValue(0.5);
    g.RouteMouseDown(90, 180, left);
    g.RouteMouseDrag(90, 180, left);  // no movement: not delivered
    EXPECT_EQ(editor.knob->Value(), 0.5);
    g.RouteMouseDrag(90, 113, left);  // 67 up
    g.RouteMouseDrag(400, 600, left);  // far outside, still captured
    g.RouteMouseUp(400, 600, left);
    EXPECT_EQ(editor.knob->Value(), 0.0) << "the capture holds outside the control; the value is clamped";
    const std::vector<std::string> gesture = {"begin 0", "end 0"};
    EXPECT_EQ(log, gesture);
    ASSERT_GE(editor.effect.automated.size(), 2u);
    EXPECT_DOUBLE_EQ(editor.effect.automated[0].value, 0.625);

    log.clear();
    editor.toggle->SetGreyed(true);
    EXPECT_EQ(editor.toggle->Blend().weight, 0.25f);
    g.RouteMouseDown(170, 84, left);
    g.RouteMouseUp(170, 84, left);
    EXPECT_TRUE(log.empty()) << "a greyed control is not hit; the background under it has no parameter";
    EXPECT_EQ(editor.toggle->Value(), 1.0);
}

}  // namespace
}  // namespace kestrelon
