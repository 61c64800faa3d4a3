// Parameters as the host sees them: names, labels, display strings, and
// values typed as text.
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using testhost::HostedEffect;
using ParameterText = KestrelonTest;

TEST_F(ParameterText, NamesLabelsAndDefaultDisplays)
{
    auto fx = Started();
    struct Row {
        const char* name;
        const char* label;
        const char* display;
        float normalised;
    };
    const Row rows[kParamCount] = {
        {"Attack", "", "0.0", 0.5f},   {"Sustain", "", "0.0", 0.5f},    {"Sensitivity", "", "0.5", 0.5f},
        {"Output", "dB", "0.0", 0.5f}, {"Clip Output", "", "on", 1.0f},
    };
    for (int i = 0; i < kParamCount; ++i) {
        SCOPED_TRACE(rows[i].name);
        const HostedEffect::TextAnswer name = fx->AskText(effGetParamName, i);
        EXPECT_EQ(name.result, 0);
        EXPECT_EQ(name.Text(), rows[i].name);
        EXPECT_LE(name.BytesWritten(), 32u) << "names hold at most 31 characters";
        const HostedEffect::TextAnswer label = fx->AskText(effGetParamLabel, i);
        EXPECT_EQ(label.result, 0);
        EXPECT_EQ(label.Text(), rows[i].label);
        EXPECT_LE(label.BytesWritten(), 32u);
        const HostedEffect::TextAnswer display = fx->AskText(effGetParamDisplay, i);
        EXPECT_EQ(display.result, 0);
        EXPECT_EQ(display.Text(), rows[i].display);
        EXPECT_FLOAT_EQ(fx->Get(i), rows[i].normalised);
    }
}

TEST_F(ParameterText, TextRequestsForMissingParametersWriteNothing)
{
    auto fx = Started();
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        for (VstInt32 index : {-1, 5, 100}) {
            SCOPED_TRACE(std::to_string(opcode) + " index " + std::to_string(index));
            const HostedEffect::TextAnswer answer = fx->AskText(opcode, index);
            EXPECT_EQ(answer.result, 0);
            EXPECT_TRUE(answer.Untouched());
        }
    }
}

TEST_F(ParameterText, DisplaysFollowValuesSetByTheHost)
{
    auto fx = Started();
    struct Row {
        Param param;
        float set;  // normalised, through setParameter
        const char* display;
        const char* label;
        float readBack;  // getParameter afterwards
    };
    const Row rows[] = {
        {kAttack, 0.0f, "-10.0", "", 0.0f},    {kAttack, 1.0f, "10.0", "", 1.0f},
        {kAttack, 0.123f, "-7.5", "", 0.123f},  // continuous: not rounded to the step
        {kAttack, 0.618f, "2.4", "", 0.618f},  {kSustain, 0.25f, "-5.0", "", 0.25f},
        {kSensitivity, 0.3f, "0.3", "", 0.3f}, {kSensitivity, 1.0f, "1.0", "", 1.0f},
        {kOutput, 0.0f, "-12.0", "dB", 0.0f},  {kOutput, 1.0f, "12.0", "dB", 1.0f},
        {kOutput, 0.75f, "6.0", "dB", 0.75f},  {kClipOutput, 0.0f, "off", "", 0.0f},
        {kClipOutput, 0.49f, "off", "", 0.0f},  // a switch rounds to its nearest state
        {kClipOutput, 0.5f, "on", "", 1.0f},  // halves round up
        {kClipOutput, 1.0f, "on", "", 1.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.param) + " set to " + std::to_string(row.set));
        fx->Set(row.param, row.set);
        EXPECT_EQ(fx->AskText(effGetParamDisplay, row.param).Text(), row.display);
        EXPECT_EQ(fx->AskText(effGetParamLabel, row.param).Text(), row.label);
        EXPECT_NEAR(fx->Get(row.param), row.readBack, 1e-6);
    }
}

TEST_F(ParameterText, TypedValues)
{
    auto fx = Started();
    struct Row {
        VstInt32 index;
        float before;  // normalised value set first
        const char* text;  // null: no text pointer
        VstIntPtr result;
        float after;  // normalised value expected afterwards
        const char* display;
    };
    const Row rows[] = {
        {kAttack, 0.9f, "3.5", 1, 0.675f, "3.5"},
        {kAttack, 0.9f, "25", 1, 1.0f, "10.0"},  // limited to the range
        {kAttack, 0.9f, "-99", 1, 0.0f, "-10.0"},
        {kAttack, 0.9f, "abc", 1, 0.5f, "0.0"},  // no number reads as 0
        {kAttack, 0.9f, "2.34 and more", 1, 0.617f, "2.3"},  // the leading number
        {kAttack, 0.9f, nullptr, 1, 0.9f, "8.0"},  // accepted, nothing changes
        {kSensitivity, 0.5f, "0.123", 1, 0.123f, "0.1"},  // not rounded to the step
        {kOutput, 0.5f, "-6.5 dB", 1, 0.22916667f, "-6.5"},
        {kClipOutput, 1.0f, "off", 1, 0.0f, "off"},
        {kClipOutput, 0.0f, "on", 1, 1.0f, "on"},
        {kClipOutput, 1.0f, "Off", 0, 1.0f, "on"},  // texts match exactly
        {kClipOutput, 1.0f, "0", 0, 1.0f, "on"},  // a switch takes its texts only
        {kClipOutput, 0.0f, "", 0, 0.0f, "off"},
        {kClipOutput, 0.0f, nullptr, 1, 0.0f, "off"},
    };
    host.Clear();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.index) + " \"" + (row.text ? row.text : "(null)") + "\"");
        fx->Set(row.index, row.before);
        std::string text = row.text ? row.text : "";
        EXPECT_EQ(fx->Dispatch(effString2Parameter, row.index, 0, row.text ? text.data() : nullptr), row.result);
        EXPECT_NEAR(fx->Get(row.index), row.after, 1e-6);
        EXPECT_EQ(fx->AskText(effGetParamDisplay, row.index).Text(), row.display);
    }
    for (VstInt32 missing : {-1, 5}) {
        std::string text = "1";
        EXPECT_EQ(fx->Dispatch(effString2Parameter, missing, 0, text.data()), 0);
    }
    EXPECT_EQ(host.CountOf(audioMasterAutomate), 0u) << "changes from the host are not reported back to it";
}

TEST_F(ParameterText, HostChangesAreNotEchoedToTheHost)
{
    auto fx = Started();
    host.Clear();
    for (int i = 0; i < kParamCount; ++i) {
        fx->Set(i, 0.2f);
        fx->Get(i);
    }
    EXPECT_TRUE(host.Calls().empty()) << host.Calls().size() << " host calls, first opcode "
                                      << host.Calls().front().opcode;
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
