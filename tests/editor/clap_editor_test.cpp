// vsthost edit hosting a CLAP editor: Debian's ZamComp, built as a CLAP and a
// VST 2 plug-in from one code base, shows the same pixels either way, and a
// knob drag reaches the host as one gesture with parameter events in between.
#include <gmock/gmock.h>

#include <fstream>

#include "tests/editor/edit_fixture.h"

namespace kestrelon {

namespace editor_test {
namespace {

constexpr const char* kZamClap = "/usr/lib/clap/ZamComp.clap";
constexpr const char* kZamVst = "/usr/lib/vst/ZamComp-vst.so";

class ClapEdit : public EditTest {};

TEST_F(ClapEdit, ZamCompShowsAsItsVst2BuildAndADragIsOneGesture)
{
    if (!std::ifstream(kZamClap) || !std::ifstream(kZamVst))
        GTEST_SKIP() << "zam-plugins is not installed (scripts/setup.sh installs it)";
    const ToolRun viaVst = Edit(kZamVst, {"wait 200", "screenshot " + Path("vst.png")});
    ASSERT_EQ(viaVst.exitCode, 0) << viaVst.err;
    // The plug-in sends its editor's edits in the blocks it processes: audio runs.
    const ToolRun viaClap = Edit(kZamClap,
                                 {"wait 200", "screenshot " + Path("clap.png"), "drag 42 62 42 30 4", "wait 200",
                                  "expect-param Attack 33.741562"},
                                 {"--signal", "silence"});
    ASSERT_EQ(viaClap.exitCode, 0) << viaClap.err;
    const Screenshot a = LoadShot(Path("clap.png"));
    const Screenshot b = LoadShot(Path("vst.png"));
    ASSERT_EQ(a.width, 800);
    ASSERT_EQ(a.height, 107);
    EXPECT_EQ(Compare(a, b).pixels, 0);
    EXPECT_EQ(LinesStartingWith(viaClap.out, "begin-edit"), std::vector<std::string>{"begin-edit 0"});
    EXPECT_EQ(LinesStartingWith(viaClap.out, "end-edit"), std::vector<std::string>{"end-edit 0"});
    EXPECT_EQ(LinesStartingWith(viaClap.out, "automate 0 ").size(), 4u);
    EXPECT_THAT(viaClap.out, ::testing::HasSubstr("clap register-timer 1 16 ms"));
}

}  // namespace

}  // namespace editor_test

}  // namespace kestrelon
