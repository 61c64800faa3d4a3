// The torture command on a small effect built with one fault at a time: the
// sound build must pass, and every fault must be reported for what it is and
// fail the run. Without this, a check in the torture run could be one that
// never fires.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/run_tool.h"

namespace kestrelon {

namespace {

struct Variant {
    const char* effect;  // the frail effect's file
    const char* report;  // what the torture command must say ("" for the sound build)
};

const Variant kVariants[] = {
    {FRAIL_EFFECT_DIR "/frail_nan_sticks" FRAIL_SUFFIX, "is not a number"},
    {FRAIL_EFFECT_DIR "/frail_writes_past_block" FRAIL_SUFFIX, "was written at frame"},
    {FRAIL_EFFECT_DIR "/frail_writes_input" FRAIL_SUFFIX, "was overwritten at frame"},
    {FRAIL_EFFECT_DIR "/frail_clips_at_full_scale" FRAIL_SUFFIX, "beyond the clip level"},
    {FRAIL_EFFECT_DIR "/frail_leaks_flush_to_zero" FRAIL_SUFFIX, "floating-point modes changed"},
    {FRAIL_EFFECT_DIR "/frail_shares_state" FRAIL_SUFFIX, "render differently"},
    {FRAIL_EFFECT_DIR "/frail_resets_on_open" FRAIL_SUFFIX, "effOpen changed parameter values"},
    {FRAIL_EFFECT_DIR "/frail_loses_last_param" FRAIL_SUFFIX, "comes back as"},
    {FRAIL_EFFECT_DIR "/frail_accepts_short_chunks" FRAIL_SUFFIX, "accepted, though it was cut short"},
};

vsthost_test::ToolRun Torture(const std::string& effect)
{
    std::filesystem::create_directories(TORTURE_WORK_DIR);
    return vsthost_test::RunProgram(VSTHOST_EXE, {"torture", effect, "--quick", "--seed", "3"}, TORTURE_WORK_DIR);
}

TEST(TortureCatchesFaults, SoundEffectPasses)
{
    const vsthost_test::ToolRun run = Torture(FRAIL_EFFECT_DIR "/frail_sound" FRAIL_SUFFIX);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("torture: 40 cycles, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" blocks, 0 failures (seed 3, quick"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(TortureCatchesFaults, EachFaultIsReported)
{
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.effect);
        const vsthost_test::ToolRun run = Torture(v.effect);
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_NE(run.err.find(v.report), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find(" 0 failures (seed"), std::string::npos) << run.out;
    }
}

}  // namespace

}  // namespace kestrelon
