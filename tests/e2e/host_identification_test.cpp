// The effect asks the host who it is once, when the host opens it.
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"
#include "tests/e2e/test_audio.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using testhost::HostAnswers;
using HostIdentification = KestrelonTest;

TEST_F(HostIdentification, AskedOnceAtOpen)
{
    struct Row {
        const char* what;
        bool answers;  // the host fills in its product name
        const char* product;
        VstIntPtr version;
        bool versionAsked;  // only a host that names itself is asked its version
    };
    const Row rows[] = {
        {"REAPER in capitals", true, "REAPER", 62900, true},
        {"Cubase", true, "Cubase Pro", 120000, true},
        {"Live", true, "Live 9", 90102, true},
        {"Audition (adjusted channel use)", true, "Adobe Audition", 90102, true},
        {"Forte (adjusted channel use)", true, "Forte", 10000, true},
        {"unknown host", true, "Some Host", 1, true},
        {"empty name", true, "", 12345, false},
        {"no answer", false, "ignored", 12345, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        host.answers.answersProductString = row.answers;
        host.answers.productString = row.product;
        host.answers.vendorVersion = row.version;
        host.Clear();
        auto fx = Create();
        EXPECT_EQ(host.CountOf(audioMasterGetProductString), 0u) << "not asked before the host opens the effect";
        EXPECT_EQ(host.CountOf(audioMasterGetVendorVersion), 0u);

        EXPECT_EQ(fx->Dispatch(effOpen), 0);
        const auto asked = host.CallsWith(audioMasterGetProductString);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].effect, fx->Record());
        EXPECT_TRUE(asked[0].hadPtr);
        EXPECT_TRUE(asked[0].textBufferStartedEmpty) << "the name buffer must start empty";
        EXPECT_EQ(host.CountOf(audioMasterGetVendorVersion), row.versionAsked ? 1u : 0u);
        // Whatever the host, the effect keeps its stereo layout.
        EXPECT_EQ(fx->Record()->numInputs, 2);
        EXPECT_EQ(fx->Record()->numOutputs, 2);

        host.Clear();
        EXPECT_EQ(fx->Dispatch(effOpen), 0);
        EXPECT_EQ(host.CountOf(audioMasterGetProductString), 0u) << "a second open asks nothing";
        EXPECT_EQ(host.CountOf(audioMasterGetVendorVersion), 0u);

        // Both channels still pass through.
        fx->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        fx->Dispatch(effSetBlockSize, 0, 256);
        fx->Dispatch(effMainsChanged, 0, 1);
        const DoubleChannels in = ToDouble(Bursts(512, 11));
        const DoubleChannels out = RenderDouble(*fx, in, 256);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(FirstDifference(out[static_cast<std::size_t>(c)],
                                      DelayedAndLimited(in[static_cast<std::size_t>(c)], 88)),
                      -1)
                << "channel " << c;
        }
    }
}

TEST_F(HostIdentification, EachInstanceAsksForItself)
{
    host.answers.productString = "REAPER";
    auto a = Create();
    auto b = Create();
    a->Dispatch(effOpen);
    b->Dispatch(effOpen);
    const auto asked = host.CallsWith(audioMasterGetProductString);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].effect, a->Record());
    EXPECT_EQ(asked[1].effect, b->Record());
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
