// The effect record as the entry point hands it out, and the parameter
// callbacks before the host has opened the effect.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using Record = KestrelonTest;

TEST_F(Record, FreshRecordCarriesTheEffectsIdentity)
{
    auto fx = Create();
    const AEffect* r = fx->Record();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->magic, 0x56737450);
    EXPECT_EQ(r->numPrograms, 1);
    EXPECT_EQ(r->numParams, 5);
    EXPECT_EQ(r->numInputs, 2);
    EXPECT_EQ(r->numOutputs, 2);
    EXPECT_EQ(r->flags, kExpectedFlags);
    EXPECT_EQ(r->initialDelay, 0);
    EXPECT_EQ(r->uniqueID, 0x4B53544E);  // KSTN
    EXPECT_EQ(r->version, 10000);
    EXPECT_EQ(r->ioRatio, 1.0f);
    EXPECT_NE(r->object, nullptr);
    EXPECT_EQ(r->user, nullptr);
    EXPECT_EQ(r->resvd1, 0);
    EXPECT_EQ(r->resvd2, 0);
    EXPECT_EQ(r->realQualities, 0);
    EXPECT_EQ(r->offQualities, 0);
    EXPECT_NE(r->dispatcher, nullptr);
    EXPECT_NE(r->process, nullptr);
    EXPECT_NE(r->setParameter, nullptr);
    EXPECT_NE(r->getParameter, nullptr);
    EXPECT_NE(r->processReplacing, nullptr);
    EXPECT_NE(r->processDoubleReplacing, nullptr);
    const char zeros[sizeof r->future] = {};
    EXPECT_EQ(std::memcmp(r->future, zeros, sizeof zeros), 0);
}

TEST_F(Record, OldEntryNameGivesTheSameEffect)
{
    VstPluginMainProc oldEntry = Entry("main");
    ASSERT_NE(oldEntry, nullptr) << "the library does not export main";
    testhost::HostedEffect fx(oldEntry, &testhost::RecordingHost::Callback);
    ASSERT_NE(fx.Record(), nullptr);
    EXPECT_EQ(fx.Record()->magic, kEffectMagic);
    EXPECT_EQ(fx.Record()->uniqueID, FourCharCode("KSTN"));
    EXPECT_EQ(fx.Record()->numParams, 5);
}

TEST_F(Record, InstancesKeepTheirOwnState)
{
    auto a = Started();
    auto b = Started();
    ASSERT_NE(a->Record(), b->Record());
    ASSERT_NE(a->Record()->object, b->Record()->object);
    a->Set(kOutput, 1.0f);
    a->Set(kClipOutput, 0.0f);
    EXPECT_FLOAT_EQ(a->Get(kOutput), 1.0f);
    EXPECT_FLOAT_EQ(b->Get(kOutput), 0.5f);
    EXPECT_FLOAT_EQ(b->Get(kClipOutput), 1.0f);
    EXPECT_EQ(a->Close(), 0);
    // Closing one instance leaves the other working.
    EXPECT_EQ(b->AskText(effGetParamDisplay, kOutput).Text(), "0.0");
}

TEST_F(Record, ParametersCanBeReadBeforeOpen)
{
    auto fx = Create();
    const float defaults[kParamCount] = {0.5f, 0.5f, 0.5f, 0.5f, 1.0f};
    const char* names[kParamCount] = {"Attack", "Sustain", "Sensitivity", "Output", "Clip Output"};
    const char* displays[kParamCount] = {"0.0", "0.0", "0.5", "0.0", "on"};
    for (int i = 0; i < kParamCount; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_FLOAT_EQ(fx->Get(i), defaults[i]);
        EXPECT_EQ(fx->AskText(effGetParamName, i).Text(), names[i]);
        EXPECT_EQ(fx->AskText(effGetParamDisplay, i).Text(), displays[i]);
    }
    for (VstInt32 outside : {-1, 5, 1000, -2147483647 - 1}) {
        SCOPED_TRACE(outside);
        EXPECT_EQ(fx->Get(outside), 0.0f);
    }
    // Opening keeps values the host wrote before it.
    fx->Set(kSensitivity, 0.3f);
    fx->Dispatch(effOpen);
    EXPECT_FLOAT_EQ(fx->Get(kSensitivity), 0.3f);
    EXPECT_EQ(fx->AskText(effGetParamDisplay, kSensitivity).Text(), "0.3");
}

TEST_F(Record, WritesToMissingParametersChangeNothing)
{
    auto fx = Started();
    const std::vector<std::uint8_t> before = fx->GetChunk(false);
    ASSERT_FALSE(before.empty());
    for (VstInt32 outside : {-1, 5, 6, 1000}) {
        fx->Set(outside, 0.0f);
        fx->Set(outside, 1.0f);
    }
    EXPECT_EQ(fx->GetChunk(false), before);
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
