// vsthost edit as a CLAP editor's host, against the CLAP test plug-in's
// editor (a plain window of a size the plug-in works out): the scale the host
// gives it, the plug-in's own resize requests, and the user's resize of the
// host window. Needs a display, as every editor does.
#include <gmock/gmock.h>

#include <sstream>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

class ClapGuiTest : public CliTest {
protected:
    ToolRun Edit(const std::vector<std::string>& steps, const std::vector<std::string>& options = {}) const
    {
        std::vector<std::string> args = {"edit", ClapTestPlugin("")};
        for (const std::string& step : steps) {
            args.push_back("--step");
            args.push_back(step);
        }
        args.insert(args.end(), options.begin(), options.end());
        return Run(args);
    }
};

std::vector<std::string> Lines(const std::string& out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& out, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : Lines(out)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    }
    return found;
}

// The scale goes to the editor right after it is made, before its size is
// asked: the window opens at the scaled size, or at the plug-in's own when it
// refuses the scale (it draws up to twice its size).
TEST_F(ClapGuiTest, TheEditorIsGivenItsScaleBeforeItsSizeIsAsked)
{
    const struct {
        const char* scale;
        std::vector<std::string> lines;
    } cases[] = {
        {"1.5", {"clap gui.set_scale 1.5 accepted", "open 360 x 180", "close"}},
        {"3", {"clap gui.set_scale 3 refused", "open 240 x 120", "close"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        const ToolRun run = Edit({}, {"--gui-scale", c.scale});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Lines(run.out), c.lines);
    }
    // Without the option the plug-in works its scale out itself: no call.
    const ToolRun unscaled = Edit({});
    ASSERT_EQ(unscaled.exitCode, 0) << unscaled.err;
    EXPECT_EQ(Lines(unscaled.out), (std::vector<std::string>{"open 240 x 120", "close"}));
}

// The plug-in asks for a wider view when its mode changes, from the main
// thread (a host's set, flushed at once) or from the audio thread (the change
// arrives in a block). Either way the host window takes the size, and the
// plug-in, told yes, sizes its own window to it.
TEST_F(ClapGuiTest, AResizeThePluginRequestsIsMadeFromAnyThread)
{
    for (const bool audio : {false, true}) {
        SCOPED_TRACE(audio ? "audio thread" : "main thread");
        std::vector<std::string> options;
        if (audio)
            options = {"--signal", "silence"};
        const ToolRun run =
            Edit({"set Mode=1", "wait 200", "expect-size 360 180", "screenshot " + Path("mode.png")}, options);
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_EQ(LinesStartingWith(run.out, "size-window"), std::vector<std::string>{"size-window 360 180"});
        EXPECT_EQ(LinesStartingWith(run.out, "screenshot"),
                  std::vector<std::string>{"screenshot " + Path("mode.png") + " 360 x 180"});
    }
}

// The user drags the host window's frame: the plug-in adjusts the size to its
// grid of 20 pixels and takes only an adjusted size in set_size. info tells
// beforehand that it may be resized.
TEST_F(ClapGuiTest, AHostResizeIsAdjustedThenSet)
{
    const ToolRun info = Run({"info", ClapTestPlugin("")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_THAT(info.out, ::testing::HasSubstr(
                              "editor size  240 x 120, resizable horizontally and vertically, any aspect ratio\n"));

    const ToolRun run =
        Edit({"host-resize 405 317", "expect-size 400 300", "screenshot " + Path("resized.png"), "wait 50"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{"open 240 x 120", "host-resize 405 317 adjusted 400 300 set_size accepted",
                                        "screenshot " + Path("resized.png") + " 400 x 300", "close"}));
}

}  // namespace

}  // namespace vsthost_test

}  // namespace kestrelon
