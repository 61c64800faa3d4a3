// The torture command on a small effect built with one fault at a time: the
// sound build must pass, even strictly; every fault must be reported for what
// it is and fail the run; every broken convention must be noted, pass the run
// and fail it with --strict. Without this, a check in the torture run could be
// one that never fires.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_tool.h"

namespace kestrelon {

namespace {

struct Variant {
    const char* effect;  // the frail effect's file
    const char* finding;  // the line the torture command must print
};

const Variant kFaults[] = {
    {FRAIL_EFFECT_DIR "/frail_nan_sticks" FRAIL_SUFFIX, "FAULT non-finite output"},
    {FRAIL_EFFECT_DIR "/frail_writes_past_block" FRAIL_SUFFIX, "FAULT writes outside the buffers it is given"},
    {FRAIL_EFFECT_DIR "/frail_writes_input" FRAIL_SUFFIX, "FAULT changes its input buffers"},
    {FRAIL_EFFECT_DIR "/frail_leaks_flush_to_zero" FRAIL_SUFFIX,
     "FAULT leaves the host thread's floating-point modes changed"},
    {FRAIL_EFFECT_DIR "/frail_shares_state" FRAIL_SUFFIX, "FAULT instances share state"},
    {FRAIL_EFFECT_DIR "/frail_loses_last_param" FRAIL_SUFFIX, "FAULT a state round trip changes the parameters"},
};

const Variant kNotes[] = {
    {FRAIL_EFFECT_DIR "/frail_clips_at_full_scale" FRAIL_SUFFIX,
     "NOTE  output beyond the clip level of 0.989 with \"Clip Output\" on"},
    {FRAIL_EFFECT_DIR "/frail_resets_on_open" FRAIL_SUFFIX, "NOTE  effOpen changes parameter values the host set"},
    {FRAIL_EFFECT_DIR "/frail_accepts_short_chunks" FRAIL_SUFFIX,
     "NOTE  accepts a chunk cut short, reporting a failed load as done"},
};

vsthost_test::ToolRun Torture(const std::string& effect, std::vector<std::string> extra = {})
{
    std::filesystem::create_directories(TORTURE_WORK_DIR);
    std::vector<std::string> args = {"torture", effect, "--quick", "--seed", "3"};
    args.insert(args.end(), extra.begin(), extra.end());
    return vsthost_test::RunProgram(VSTHOST_EXE, args, TORTURE_WORK_DIR);
}

TEST(TortureCatchesFaults, SoundEffectPassesEvenStrictly)
{
    const vsthost_test::ToolRun run = Torture(FRAIL_EFFECT_DIR "/frail_sound" FRAIL_SUFFIX, {"--strict"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("torture: 40 cycles, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" blocks, 0 faults, 0 notes (seed 3, quick, strict"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(TortureCatchesFaults, EachFaultFailsTheRun)
{
    for (const Variant& v : kFaults) {
        SCOPED_TRACE(v.effect);
        const vsthost_test::ToolRun run = Torture(v.effect);
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_NE(run.out.find(v.finding), std::string::npos) << run.out;
    }
}

TEST(TortureCatchesFaults, EachBrokenConventionIsNotedAndFailsOnlyAStrictRun)
{
    for (const Variant& v : kNotes) {
        SCOPED_TRACE(v.effect);
        const vsthost_test::ToolRun run = Torture(v.effect);
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_NE(run.out.find(v.finding), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(" 0 faults, "), std::string::npos) << run.out;
        const vsthost_test::ToolRun strict = Torture(v.effect, {"--strict"});
        EXPECT_EQ(strict.exitCode, 1) << strict.out << strict.err;
        EXPECT_NE(strict.out.find(v.finding), std::string::npos) << strict.out;
    }
}

TEST(TortureCatchesFaults, ACallThatDoesNotReturnEndsTheRunAsAFault)
{
    const vsthost_test::ToolRun run = Torture(FRAIL_EFFECT_DIR "/frail_hangs" FRAIL_SUFFIX, {"--timeout", "1.5"});
    EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
    EXPECT_NE(
        run.out.find("FAULT a call does not return (1 time); first: processReplacing did not return within 1.5 s"),
        std::string::npos)
        << run.out;
}

}  // namespace

}  // namespace kestrelon
