// One function per command; each prints its result (or a one-line error
// through ReportError) and answers the process exit status.
#pragma once

#include <string>

#include "tools/vsthost/cli.h"

namespace kestrelon {

namespace vsthost {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Prints "vsthost: <message>" on stderr and answers kExitFailed.
int ReportError(const std::string& message);
// Prints "vsthost: warning: <message>" on stderr.
void ReportWarning(const std::string& message);

int RunInfo(const CommandLine& cl);
// info of a CLAP plug-in (command_info_clap.cpp).
int RunClapInfo(const CommandLine& cl);
int RunRender(const CommandLine& cl);
int RunPresetSave(const CommandLine& cl);
int RunPresetLoad(const CommandLine& cl);
int RunSynthDrums(const CommandLine& cl);
int RunStats(const CommandLine& cl);
int RunPlotData(const CommandLine& cl);
int RunTorture(const CommandLine& cl);

class HostedEffect;
// The lines of info that show how render routes a mono and a stereo file
// through the plug-in by default; last, as asking may change the plug-in.
void PrintDefaultRouting(HostedEffect& plugin);
int RunEdit(const CommandLine& cl);

}  // namespace vsthost

}  // namespace kestrelon
