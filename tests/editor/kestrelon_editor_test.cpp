// Kestrelon's editor through a real host: the orders of editor calls that
// hosts in the wild send, each of which must leave no window, timer or window
// class behind and crash nothing.
#include <gmock/gmock.h>

#include <cstdio>
#include <ostream>

#include "tests/editor/edit_fixture.h"
#include "tests/editor/settings_location.h"

namespace kestrelon {

namespace editor_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

int Red(std::uint32_t pixel)
{
    return static_cast<int>(pixel >> 16);
}

class KestrelonEditor : public EditTest {
protected:
    void SetUp() override
    {
        EditTest::SetUp();
        if (KestrelonPlugin().empty())
            GTEST_SKIP() << "the plug-in is not built in this tree";
        RemoveSettings();
    }
    // The steps between a mark of the window system's holdings and the checks
    // that everything went with the last editor: no more windows (the timer
    // lives on the editor's window), drawing objects or window classes. The
    // mark follows `warmUp` (by default one editor opened and closed twice):
    // what a first opening makes for good (the draw surface, the fonts, the
    // system's own caches) stays. `prelude` comes before everything.
    ToolRun EditBetweenChecks(const std::vector<std::string>& steps, const std::vector<std::string>& options = {},
                              const std::vector<std::string>& prelude = {},
                              std::vector<std::string> warmUp = {"open", "wait 30", "close", "open", "wait 30",
                                                                 "close"})
    {
        std::vector<std::string> all = prelude;
        all.insert(all.end(), warmUp.begin(), warmUp.end());
        all.push_back("resources mark");
        all.insert(all.end(), steps.begin(), steps.end());
        all.push_back("wait 30");
        all.push_back("resources check");
        if (std::string(PlatformName()) == "windows")
            all.push_back("expect-class IEffectWndClass unregistered");
        std::vector<std::string> args = {"--no-open"};
        args.insert(args.end(), options.begin(), options.end());
        return Edit(KestrelonPlugin(), all, args);
    }
};

TEST_F(KestrelonEditor, CallsWithoutAnOpenEditorAndTheRectBeforeTheFirstOpening)
{
    const ToolRun run = EditBetweenChecks({"close", "close", "idle"}, {},
                                          {
                                              "close",
                                              "idle",
                                              "open",  // asks effEditGetRect first and sizes the host window by it
                                              "expect-size 340 484",
                                              "wait 50",
                                              "close",
                                          });
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::vector<std::string> opens = LinesStartingWith(run.out, "open ");
    ASSERT_FALSE(opens.empty()) << run.out;
    EXPECT_EQ(opens[0], "open 340 x 484");
}

TEST_F(KestrelonEditor, OpenedTwiceWithoutACloseIsOneWindow)
{
    const ToolRun run = EditBetweenChecks(
        {"open", "wait 50", "resources mark", "open", "wait 50", "resources check", "close", "resources mark"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::vector<std::string> counts = LinesStartingWith(run.out, "resources ");
    ASSERT_EQ(counts.size(), 5u);
    EXPECT_EQ(counts[1], counts[2]) << "the second opening replaced the first window";
}

TEST_F(KestrelonEditor, HostDestroysItsWindowBeforeClosingTheEditor)
{
    // The warm-up has the host make its window anew once as well; the second
    // time the host opens the editor again without closing it first.
    const std::vector<std::string> destroyFirst = {
        "open",    "wait 50",        "destroy-window", "idle",    "wait 30", "close",   "open",  // in a new host window
        "wait 50", "destroy-window", "idle",           "wait 30", "open",    "wait 50", "close",
    };
    const ToolRun run = EditBetweenChecks(destroyFirst, {}, {}, destroyFirst);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(LinesStartingWith(run.out, "host window destroyed").size(), 4u);
}

TEST_F(KestrelonEditor, OpenedAndClosedWhileAudioRunsAndTheHostAutomatesEveryParameter)
{
    std::vector<std::string> steps;
    for (int i = 0; i < 5; ++i) {
        steps.push_back("open");
        steps.push_back("wait 150");
        steps.push_back("close");
        steps.push_back("wait 20");
    }
    const ToolRun run = EditBetweenChecks(steps, {"--signal", "drums", "--automate"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(LinesStartingWith(run.out, "close").size(), 7u);
}

TEST_F(KestrelonEditor, StateRestoredWhileTheEditorIsOpen)
{
    const ToolRun run = EditBetweenChecks({
        "open",
        "chunk save " + Path("state.bin"),
        "set Attack=5",
        "set Output=-6",
        "wait 50",
        "chunk load " + Path("state.bin"),
        "wait 50",
        "expect-param Attack 0.0",
        "expect-param Output 0.0",
        "close",
    });
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

TEST_F(KestrelonEditor, HostTakingTheMouseEndsTheDragWithItsEndOfEdit)
{
#if !defined(_WIN32)
    GTEST_SKIP() << "on X11 the editor's button press grabs the pointer for it, and the server refuses the host's "
                    "grab (AlreadyGrabbed): a host cannot take the mouse mid-drag there";
#endif
    const ToolRun run = EditBetweenChecks({
        "open",
        "wait 30",
        "down 90 186",  // the Attack knob
        "move 90 170",
        "host-capture",
        "expect-param Sustain 0.0",  // marks the place in the output
        "move 90 150",
        "up 90 150",
        "close",
    });
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_EQ(run.out.find("begin-edit 0"), run.out.rfind("begin-edit 0"));
    EXPECT_THAT(LinesStartingWith(run.out, "end-edit"), ElementsAre("end-edit 0"));
    EXPECT_LT(run.out.find("begin-edit 0"), run.out.find("automate 0 "));
    EXPECT_LT(run.out.find("end-edit 0"), run.out.find("param Sustain")) << run.out;
    EXPECT_EQ(run.out.find("automate", run.out.find("param Sustain")), std::string::npos)
        << "moves after the capture was taken change nothing";
}

// The editor as a VST 2.4 effect and as a CLAP plug-in: the pictures and
// what reaches the host do not depend on the format.
struct PluginFile {
    const char* format;
    std::string (*path)();
};

void PrintTo(const PluginFile& file, std::ostream* out)
{
    *out << file.format;
}

class KestrelonEditorEitherFormat : public KestrelonEditor, public ::testing::WithParamInterface<PluginFile> {
protected:
    void SetUp() override
    {
        KestrelonEditor::SetUp();
        if (!IsSkipped() && GetParam().path().empty())
            GTEST_SKIP() << "the " << GetParam().format << " plug-in is not built in this tree";
    }
    std::string Plugin() const { return GetParam().path(); }
};

INSTANTIATE_TEST_SUITE_P(Formats, KestrelonEditorEitherFormat,
                         ::testing::Values(PluginFile{"vst2", KestrelonPlugin},
                                           PluginFile{"clap", KestrelonClapPlugin}),
                         [](const ::testing::TestParamInfo<PluginFile>& info) { return info.param.format; });

TEST_P(KestrelonEditorEitherFormat, WholeEditorAtBothScalesAndTheGripDragThatScalesIt)
{
    const ToolRun run = Edit(Plugin(), {
                                           "wait 150",
                                           "screenshot " + Path("scale-1.0.png"),
                                           "drag 332 476 600 800 10",  // asks for 1400 / 824, held to 1.5
                                           "wait 150",
                                           "expect-size 510 726",
                                           "screenshot " + Path("scale-1.5.png"),
                                           // Back to the design size, as a fresh editor looks.
                                           "dblclick 505 721",
                                           "wait 150",
                                           "expect-size 340 484",
                                           "screenshot " + Path("double-clicked.png"),
                                           "close",
                                           "open",
                                           "wait 150",
                                           "screenshot " + Path("reopened.png"),
                                       });
    const std::string settings = SettingsText();
    RemoveSettings();
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    // The editor asks the host for room each time (at every step of the drag
    // where the window system delivers every step), except the Win32 one in a
    // VST 2.4 host: it grows the host's frames around it itself.
    if (std::string(PlatformName()) == "linux" || std::string(GetParam().format) == "clap") {
        const std::vector<std::string> sizes = LinesStartingWith(run.out, "size-window");
        ASSERT_GE(sizes.size(), 2u) << run.out;
        EXPECT_EQ(sizes[sizes.size() - 2], "size-window 510 726");
        EXPECT_EQ(sizes.back(), "size-window 340 484");
    }
    EXPECT_THAT(settings, HasSubstr("guiscale=1.000000000000000"));
    const std::string atDesignSize = std::string("kestrelon-1.0-") + PlatformName();
    EXPECT_TRUE(MatchesGolden(LoadShot(Path("scale-1.0.png")), atDesignSize));
    EXPECT_TRUE(MatchesGolden(LoadShot(Path("scale-1.5.png")), std::string("kestrelon-1.5-") + PlatformName()));
    EXPECT_TRUE(MatchesGolden(LoadShot(Path("double-clicked.png")), atDesignSize));
    EXPECT_TRUE(MatchesGolden(LoadShot(Path("reopened.png")), atDesignSize));
}

// The CLAP plug-in's gestures and values go out as events the host flushes;
// they reach it as the VST 2.4 effect's calls do (the probe editor's tests pin
// those). The wait lets the host run its timer, which drives the X11 editor.
TEST_F(KestrelonEditor, ClapKnobDragIsOneGestureOfItsParameter)
{
    if (KestrelonClapPlugin().empty())
        GTEST_SKIP() << "the CLAP plug-in is not built in this tree";
    const ToolRun run =
        Edit(KestrelonClapPlugin(), {"wait 50", "drag 90 186 90 150 4", "wait 50", "expect-param Attack 1.3"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    std::vector<std::string> edits;
    for (const std::string& line : LinesStartingWith(run.out, ""))
        if (line.rfind("begin-edit ", 0) == 0 || line.rfind("automate ", 0) == 0 || line.rfind("end-edit ", 0) == 0)
            edits.push_back(line);
    // Values on the way may come or not; the last is where the knob stopped.
    ASSERT_GE(edits.size(), 3u) << run.out;
    EXPECT_EQ(edits.front(), "begin-edit 0");
    EXPECT_EQ(edits.back(), "end-edit 0");
    EXPECT_EQ(edits[edits.size() - 2], "automate 0 0.567164");
    for (std::size_t i = 1; i + 1 < edits.size(); ++i)
        EXPECT_THAT(edits[i], StartsWith("automate 0 ")) << run.out;
}

// A CLAP host's display scale is where an editor the user has not scaled
// starts: the picture is the grip's at 1.5. (The host's frame sizes go
// through the same scaling; tests/clap pins how they are adjusted.)
TEST_F(KestrelonEditor, ClapHostScaleStartsTheEditor)
{
    if (KestrelonClapPlugin().empty())
        GTEST_SKIP() << "the CLAP plug-in is not built in this tree";
    const ToolRun run =
        Edit(KestrelonClapPlugin(), {"wait 150", "screenshot " + Path("host-scale.png")}, {"--gui-scale", "2"});
    RemoveSettings();
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("clap gui.set_scale 2 accepted"));
    EXPECT_TRUE(MatchesGolden(LoadShot(Path("host-scale.png")), std::string("kestrelon-1.5-") + PlatformName()));
}

// The same state on the other platform: only the text may differ, drawn by
// GDI there and by FreeType here; everything else is the same raster code.
TEST_F(KestrelonEditor, LinuxScreenshotsDifferFromTheWindowsOnesOnlyInTheirText)
{
    if (std::string(PlatformName()) != "linux")
        GTEST_SKIP() << "compares the Linux editor with the Windows goldens";
    const ToolRun run =
        Edit(KestrelonPlugin(), {"wait 150", "screenshot " + Path("scale-1.0.png"), "drag 332 476 600 800 10",
                                 "wait 150", "screenshot " + Path("scale-1.5.png")});
    RemoveSettings();
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    for (const double scale : {1.0, 1.5}) {
        const std::string name = scale == 1.0 ? "1.0" : "1.5";
        const Screenshot linux = LoadShot(Path("scale-" + name + ".png"));
        const Screenshot windows = LoadShot(std::string(EDITOR_TEST_DATA) + "/kestrelon-" + name + "-windows.png");
        ASSERT_EQ(linux.width, windows.width);
        ASSERT_EQ(linux.height, windows.height);
        // The four readouts, at the scale.
        const int rows[2][2] = {{253, 269}, {413, 429}}, columns[2][2] = {{58, 122}, {218, 282}};
        long long outside = 0, inside = 0;
        for (int y = 0; y < linux.height; ++y) {
            for (int x = 0; x < linux.width; ++x) {
                if (PixelAt(linux, x, y) == PixelAt(windows, x, y))
                    continue;
                bool text = false;
                for (const auto& r : rows)
                    for (const auto& c : columns)
                        text = text || (x >= static_cast<int>(c[0] * scale) && x < static_cast<int>(c[1] * scale) &&
                                        y >= static_cast<int>(r[0] * scale) && y < static_cast<int>(r[1] * scale));
                (text ? inside : outside) += 1;
            }
        }
        const Difference d = Compare(linux, windows);
        std::printf("scale %s: %lld pixels differ from the Windows editor, within %d,%d - %d,%d\n", name.c_str(),
                    d.pixels, d.left, d.top, d.right, d.bottom);
        EXPECT_EQ(outside, 0) << "pixels differing outside the readouts at scale " << name;
        EXPECT_GT(inside, 0) << "the font back ends do differ";
    }
}

TEST_F(KestrelonEditor, HeavyBoostLightsTheClipIndicatorAndMovesTheAttackMeterRight)
{
    // Screenshots a little apart: the meters fall back between the drum hits.
    std::vector<std::string> steps = {"wait 300"};
    constexpr int kShots = 12;
    for (int i = 0; i < kShots; ++i) {
        steps.push_back("screenshot " + Path("boost" + std::to_string(i) + ".png"));
        steps.push_back("wait 40");
    }
    const ToolRun run = Edit(KestrelonPlugin(), steps, {"--signal", "drums", "--set", "Attack=10"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    int clipLit = 0, attackRight = 0;
    for (int i = 0; i < kShots; ++i) {
        const Screenshot shot = LoadShot(Path("boost" + std::to_string(i) + ".png"));
        ASSERT_EQ(shot.width, 340);
        // The glow in the clip socket (dark, red 18, when unlit).
        clipLit += Red(PixelAt(shot, 170, 84)) > 120;
        // The bar right of the meter's centre column (x = 90), none left of it.
        attackRight += Red(PixelAt(shot, 120, 84)) > 120;
        EXPECT_LT(Red(PixelAt(shot, 60, 84)), 60) << "a boost never shows as a cut, shot " << i;
        EXPECT_LT(Red(PixelAt(shot, 280, 84)), 60) << "the sustain meter stays in the middle, shot " << i;
    }
    EXPECT_GT(clipLit, 0);
    EXPECT_GT(attackRight, 0);
}

TEST_F(KestrelonEditor, TypedOutputValuesAndTheClipSwitchFollowingClipOutput)
{
    std::vector<std::string> steps = {"wait 50"};
    for (const char* typed : {"12", "20", "abc"}) {
        // Apart by more than a double click's time: a second click on the
        // readout that soon would be a double click, which resets Output.
        for (const char* step : {"wait 450", "down 250 421", "up 250 421", "wait 50"})  // the Output readout
            steps.push_back(step);
        steps.push_back(std::string("type ") + typed);
        steps.push_back("enter");
        steps.push_back("wait 50");
        steps.push_back(std::string("expect-param Output ") + (typed[0] == 'a' ? "0.0" : "12.0"));
    }
    steps.insert(steps.end(), {"screenshot " + Path("on.png"), "set Clip Output=off", "wait 50",
                               "screenshot " + Path("off.png"), "down 170 84", "up 170 84", "wait 50",
                               "expect-param Clip Output on", "screenshot " + Path("clicked.png")});
    // A box cancelled, and one that goes with the window.
    steps.insert(steps.end(), {"wait 450", "down 250 421", "up 250 421", "wait 50", "type 3", "escape", "wait 50",
                               "wait 450", "down 250 421", "up 250 421", "wait 50", "type 4", "close"});
    const ToolRun run = Edit(KestrelonPlugin(), steps);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_THAT(LinesStartingWith(run.out, "automate 4 "), ElementsAre("automate 4 1.000000"));
    // Each readout edit is one edit for the host, the typed value inside it.
    std::vector<std::string> edits;
    for (const std::string& line : LinesStartingWith(run.out, ""))
        if (line == "begin-edit 3" || line == "end-edit 3" || line.rfind("automate 3 ", 0) == 0)
            edits.push_back(line);
    EXPECT_THAT(edits, ElementsAre("begin-edit 3", "automate 3 1.000000", "end-edit 3",  // 12
                                   "begin-edit 3", "automate 3 1.000000", "end-edit 3",  // 20, held to 12
                                   "begin-edit 3", "automate 3 0.500000", "end-edit 3",  // abc: 0
                                   "begin-edit 3", "end-edit 3",  // cancelled
                                   "begin-edit 3", "end-edit 3"))  // closed with the window
        << run.out;
    const Screenshot on = LoadShot(Path("on.png")), off = LoadShot(Path("off.png")),
                     clicked = LoadShot(Path("clicked.png"));
    // Off: the grey button covers the socket; on: it is clear, the socket shows.
    EXPECT_LT(Red(PixelAt(on, 170, 84)), 40);
    EXPECT_GT(Red(PixelAt(off, 170, 84)), 90);
    EXPECT_EQ(PixelAt(clicked, 170, 84), PixelAt(on, 170, 84));
}

}  // namespace
}  // namespace editor_test

}  // namespace kestrelon
