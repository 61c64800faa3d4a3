// The editor framework's window through a real host: the probe effect's
// editor opened by vsthost edit, events sent to its window, what the host
// hears back and what the screen shows.
#include <gmock/gmock.h>

#include <algorithm>

#include "tests/editor/edit_fixture.h"
#include "tests/editor/probe_layout.h"

namespace kestrelon {

namespace editor_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace probe;

constexpr int kKnobCentre = kKnobX + kKnobSize / 2;

std::uint32_t Rgb(std::uint32_t argb)
{
    return argb & 0xFFFFFFu;
}

TEST_F(EditTest, ProbeEditorPaintsOnItsTimerAndTurnsGesturesIntoHostCalls)
{
    const std::string c = std::to_string(kKnobCentre);
    const ToolRun run =
        Edit(ProbePlugin(), {
                                "wait 100",
                                "screenshot " + Path("first.png"),
                                // 64 pixels up, a quarter of four knob heights.
                                "drag " + c + " " + c + " " + c + " " + std::to_string(kKnobCentre - 64) + " 8",
                                "expect-param Gain 6.0",
                                "dblclick " + c + " " + c,
                                "expect-param Gain 0.0",
                                "wheel " + c + " " + c + " 240",
                                "down 130 30",
                                "up 130 30",
                                "expect-param Bypass on",
                                "set Gain=12",
                                "wait 100",
                                "screenshot " + Path("set.png"),
                                // The bar's entry box: Enter commits, Escape cancels.
                                "down 150 110",
                                "up 150 110",
                                "wait 50",
                                "type 25",
                                "enter",
                                "wait 50",
                                "expect-param Amount 25",
                                "wait 450",  // not a double click with the last click
                                "down 150 110",
                                "up 150 110",
                                "wait 50",
                                "type 80",
                                "escape",
                                "wait 50",
                                "expect-param Amount 25",
                                "wait 50",
                                "screenshot " + Path("last.png"),
                                "key f5",
                            });
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

    // The drag: one edit of the knob's parameter, automated on every move
    // and ending at +0.25; the double click, the wheel's two steps and the
    // switch's click each tell the host too.
    const std::vector<std::string> automation = LinesStartingWith(run.out, "automate 0 ");
    ASSERT_GE(automation.size(), 4u);
    const auto reset = std::find(automation.begin(), automation.end(), "automate 0 0.500000");
    ASSERT_NE(reset, automation.end()) << "the double click's reset\n" << run.out;
    ASSERT_NE(reset, automation.begin());
    EXPECT_EQ(*(reset - 1), "automate 0 0.750000") << run.out;
    // A wheel message of 240 is one change on Windows; X11 sends a button per notch.
    EXPECT_EQ(automation.back(), "automate 0 0.520000") << "two wheel steps";
    EXPECT_THAT(LinesStartingWith(run.out, "automate 1 "), ElementsAre("automate 1 1.000000"));
    EXPECT_THAT(LinesStartingWith(run.out, "automate 2 "), ElementsAre("automate 2 0.250000"))
        << "the committed 25 and nothing of the cancelled 80";
    const std::string out = run.out;
    const std::size_t begin = out.find("begin-edit 0"), firstMove = out.find("automate 0 "),
                      end = out.find("end-edit 0");
    ASSERT_NE(begin, std::string::npos);
    EXPECT_LT(begin, firstMove);
    EXPECT_LT(out.find("automate 0 0.750000"), end) << "the gesture ends after its last change";
    EXPECT_THAT(LinesStartingWith(run.out, "host-key"), ElementsAre("host-key f5"))
        << "a key outside the editor's table reaches the host's window";

    const Screenshot first = LoadShot(Path("first.png"));
    const Screenshot set = LoadShot(Path("set.png"));
    const Screenshot last = LoadShot(Path("last.png"));
    ASSERT_EQ(first.width, kWidth);
    ASSERT_EQ(first.height, kHeight);
    EXPECT_EQ(PixelAt(first, 5, 5), Rgb(kBackgroundPixel));
    EXPECT_EQ(PixelAt(first, kKnobCentre, kKnobCentre), Rgb(KnobFramePixel(16))) << "Gain 0 dB, the middle frame";
    EXPECT_EQ(PixelAt(first, kSwitchX + 5, kSwitchY + 5), Rgb(kSwitchOff));
    EXPECT_EQ(PixelAt(first, kBar.left + 45, 110), 0xF0C020u) << "Amount 50%";
    EXPECT_EQ(PixelAt(first, kBar.left + 55, 110), 0u);
    // The host's set reached the screen at the next timer ticks.
    EXPECT_EQ(PixelAt(set, kKnobCentre, kKnobCentre), Rgb(KnobFramePixel(32))) << "Gain 12 dB, the last frame";
    EXPECT_EQ(PixelAt(set, kSwitchX + 5, kSwitchY + 5), Rgb(kSwitchOn));
    EXPECT_EQ(PixelAt(last, kBar.left + 20, 110), 0xF0C020u) << "Amount 25%, the box gone";
    EXPECT_EQ(PixelAt(last, kBar.left + 30, 110), 0u);
}

TEST_F(EditTest, ProbeEditorReopensAsOneWindowAndLeavesNothingAfterManyOpenings)
{
    // Marks are taken once an editor has opened and closed: what the first
    // opening makes for good (the draw surface, the fonts) stays.
    std::vector<std::string> steps = {
        "wait 50",
        "close",
        "open",
        "wait 50",
        "resources mark",
        "open",  // a second effEditOpen without a close
        "wait 50",
        "resources check",
#if defined(_WIN32)
        // The window class lives while an editor does; X11 has no classes.
        "expect-class IEffectWndClass registered",
#endif
        "close",
#if defined(_WIN32)
        "expect-class IEffectWndClass unregistered",
#endif
        "open",
        "wait 20",
        "close",
        "resources mark",
    };
    for (int i = 0; i < 200; ++i) {
        steps.push_back("open");
        steps.push_back("wait 5");
        steps.push_back("close");
    }
    steps.push_back("resources check");
    const ToolRun run = Edit(ProbePlugin(), steps);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> counts = LinesStartingWith(run.out, "resources ");
    ASSERT_EQ(counts.size(), 4u);
    EXPECT_EQ(counts[0], counts[1]) << "one editor window after two openings";
    EXPECT_EQ(counts[2], counts[3]) << "200 openings and closings later";
    EXPECT_EQ(LinesStartingWith(run.out, "open ").size(), 204u);
}

TEST_F(EditTest, ScriptMistakesAndMissingEditorsAreOneLineErrors)
{
    ToolRun run = Edit(ProbePlugin(), {"wait 10", "frobnicate 1 2"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_THAT(run.err, HasSubstr("line 2: unknown step 'frobnicate'"));
    run = Edit(ProbePlugin(), {"expect-param Gain 3"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_THAT(run.err, HasSubstr("Gain shows \"0.0 dB\", not \"3\""));
    run = Edit(ProbePlugin(), {"close", "down 10 10"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_THAT(run.err, HasSubstr("the editor is not open"));
}

}  // namespace
}  // namespace editor_test

}  // namespace kestrelon
