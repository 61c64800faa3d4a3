// The steps of vsthost edit as written in a script: every form that is taken,
// and what a slip gets told.
#include <gtest/gtest.h>

#include "tools/vsthost/edit_script.h"

namespace kestrelon {

namespace vsthost {
namespace {

TEST(EditScript, StepsAsWritten)
{
    struct Case {
        const char* line;
        StepKind kind;
        int n0, n1, n4;
        const char* text;
        const char* value;
        bool flag;
    };
    const Case cases[] = {
        {"wait 250", StepKind::Wait, 250, 0, 0, "", "", false},
        {"  drag 10 20 30 -5", StepKind::Drag, 10, 20, 10, "", "", false},  // ten moves unless told
        {"drag 1 2 3 4 3", StepKind::Drag, 1, 2, 3, "", "", false},
        {"wheel 90 180 -120", StepKind::Wheel, 90, 180, 0, "", "", false},
        {"type 12.5 dB", StepKind::Type, 0, 0, 0, "12.5 dB", "", false},
        {"shift down", StepKind::Shift, 0, 0, 0, "", "", true},
        {"set Clip Output = off", StepKind::Set, 0, 0, 0, "Clip Output", "off", false},
        {"chunk load state.bin", StepKind::ChunkLoad, 0, 0, 0, "state.bin", "", false},
        {"expect-param Clip Output on", StepKind::ExpectParam, 0, 0, 0, "Clip Output", "on", false},
        {"expect-param \"Output\" 12.0 dB", StepKind::ExpectParam, 0, 0, 0, "Output", "12.0 dB", false},
        {"resources check", StepKind::ResourcesCheck, 0, 0, 0, "", "", false},
        {"expect-class IEffectWndClass unregistered", StepKind::ExpectClass, 0, 0, 0, "IEffectWndClass", "", false},
    };
    for (const Case& c : cases) {
        EditStep step;
        bool isStep = false;
        std::string error;
        ASSERT_TRUE(ParseEditStep(c.line, step, isStep, error)) << c.line << ": " << error;
        EXPECT_TRUE(isStep);
        EXPECT_EQ(step.kind, c.kind) << c.line;
        EXPECT_EQ(step.numbers[0], c.n0) << c.line;
        EXPECT_EQ(step.numbers[1], c.n1) << c.line;
        EXPECT_EQ(step.numbers[4], c.n4) << c.line;
        EXPECT_EQ(step.text, c.text) << c.line;
        EXPECT_EQ(step.value, c.value) << c.line;
        EXPECT_EQ(step.flag, c.flag) << c.line;
    }
}

TEST(EditScript, SlipsAreNamedWithTheirLine)
{
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"wait 10\n\n# a comment\nwait -1\n", "s line 4: '-1' is not milliseconds from 0 to 600000; usage: wait MS"},
        {"down 10\n", "s line 1: usage: down X Y"},
        {"drag 1 2 3 4 0\n", "s line 1: '0' is not a number of moves from 1 to 10000; usage: drag X1 Y1 X2 Y2 [STEPS]"},
        {"move 40000 1\n", "s line 1: '40000' is not a whole number of pixels within +-32767; usage: move X Y"},
        {"shift left\n", "s line 1: usage: shift down|up"},
        {"close now\n", "s line 1: usage: close"},
        {"host-resize 0 300\n",
         "s line 1: '0' is not a size in pixels from 1 to 32767; usage: host-resize WIDTH HEIGHT"},
    };
    for (const auto& c : cases) {
        std::vector<EditStep> steps;
        std::string error;
        EXPECT_FALSE(ParseEditScript(c.script, "s", steps, error)) << c.script;
        EXPECT_EQ(error, c.error);
    }
    std::vector<EditStep> steps;
    std::string error;
    ASSERT_TRUE(ParseEditScript("open\r\n\r\nclose\r\n", "s", steps, error)) << error;
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1].source, "s line 3 (close)");
}

}  // namespace
}  // namespace vsthost

}  // namespace kestrelon
