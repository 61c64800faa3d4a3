// The torture phases for a CLAP plug-in (torture_clap.cpp); the command runs
// them instead of the VST 2 phases for a .clap file.
#pragma once

#include "tools/vsthost/torture.h"

namespace kestrelon {

namespace vsthost::torture {

void RunClapLifecycles(const Options& options, Tally& tally);
void RunClapRatesAndBlocks(const Options& options, Tally& tally);
void RunClapEventOffsets(const Options& options, Tally& tally);
void RunClapStateRoundTrips(const Options& options, Tally& tally);
void RunClapThreads(const Options& options, Tally& tally);

}  // namespace vsthost::torture

}  // namespace kestrelon
