// The editor seam as the adapter drives it: what attaching, the host's editor
// opcodes and its parameter calls ask of the editor the plug-in owns.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/plugin_rig.h"

namespace kestrelon {
namespace {

// Records every request as one line of text, in order.
class RecordingEditor : public IEditor {
public:
    RecordingEditor(std::vector<std::string>& log, bool& destroyed) : log(log), destroyed(destroyed) {}
    ~RecordingEditor() override { destroyed = true; }

    // [UI thread] mutex held.
    void PrepareForAttach() override { log.push_back("prepare"); }
    // [any thread] mutex held.
    int Width() const override { return 340; }
    int Height() const override { return 484; }
    // [any host thread] mutex held.
    void UpdateControlsFromPlugin(int paramIndex, double value, bool isNormalized) override
    {
        char line[80];
        std::snprintf(line, sizeof line, "update %d %.4f %s", paramIndex, value, isNormalized ? "normalised" : "plain");
        log.push_back(line);
    }
    // [audio thread] mutex held.
    bool SetControlValueFromPlugin(int, double) override { return false; }
    // [UI thread] mutex held.
    void* OpenWindow(void* parent) override
    {
        log.push_back("open");
        open = refuseOpen ? false : parent != nullptr;
        return open ? parent : nullptr;
    }
    void WindowOpened() override { log.push_back("opened"); }
    void CloseWindow() override
    {
        log.push_back("close");
        open = false;
    }
    bool IsWindowOpen() const override { return open; }
    void Idle() override { log.push_back("idle"); }

    bool refuseOpen = false;

private:
    std::vector<std::string>& log;
    bool& destroyed;
    bool open = false;
};

TEST(EditorSeam, AttachingPushesEveryParameterAndReportsTheEditorToTheHost)
{
    std::vector<std::string> log;
    bool destroyed = false;
    {
        PluginRig rig;
        rig.Plugin().AttachEditor(std::make_unique<RecordingEditor>(log, destroyed));
        const std::vector<std::string> expected = {
            "prepare",
            "update 0 0.5000 normalised",
            "update 1 0.5000 normalised",
            "update 2 0.5000 normalised",
            "update 3 0.5000 normalised",
            "update 4 1.0000 normalised",
        };
        EXPECT_EQ(log, expected);
        EXPECT_TRUE(rig.Record()->flags & vst2::effFlagsHasEditor);
        vst2::ERect* rect = nullptr;
        EXPECT_EQ(rig.Dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 340);
        EXPECT_EQ(rect->bottom - rect->top, 484);
        EXPECT_FALSE(destroyed);
    }
    EXPECT_TRUE(destroyed) << "the plug-in owns its editor";
}

TEST(EditorSeam, HostEditorRequestsAndParameterCallsReachTheEditor)
{
    std::vector<std::string> log;
    bool destroyed = false;
    PluginRig rig;
    auto owned = std::make_unique<RecordingEditor>(log, destroyed);
    RecordingEditor* editor = owned.get();
    rig.Plugin().AttachEditor(std::move(owned));
    rig.Start();
    log.clear();

    int parent = 0;
    EXPECT_EQ(rig.Dispatch(vst2::effEditClose), 1) << "a close without an open is harmless";
    EXPECT_EQ(rig.Dispatch(vst2::effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(rig.Dispatch(vst2::effEditIdle), 0);
    EXPECT_EQ(rig.Dispatch(vst2::effEditClose), 1);
    editor->refuseOpen = true;
    EXPECT_EQ(rig.Dispatch(vst2::effEditOpen, 0, 0, &parent), 0) << "no window, no opening step";
    const std::vector<std::string> windows = {"close", "open", "opened", "idle", "close", "open"};
    EXPECT_EQ(log, windows);

    log.clear();
    rig.Set(0, 0.75f);
    rig.Set(4, 0.3f);  // a switch rounds to its step
    rig.Set(1, std::nanf(""));  // ignored by the parameter
    char typed[] = "6";
    EXPECT_EQ(rig.Dispatch(vst2::effString2Parameter, 3, 0, typed), 1);
    // The continuous parameters also move their controls from the effect's
    // own change handler; every push carries the value the parameter took.
    const std::vector<std::string> updates = {
        "update 0 5.0000 plain", "update 0 0.7500 normalised", "update 4 0.0000 normalised",
        "update 1 0.0000 plain", "update 1 0.5000 normalised", "update 3 6.0000 plain",
        "update 3 6.0000 plain",
    };
    EXPECT_EQ(log, updates);
}

}  // namespace
}  // namespace kestrelon
