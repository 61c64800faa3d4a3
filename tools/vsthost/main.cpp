// vsthost: a small VST 2.4 host for the command line. It loads any effect by
// path and drives it only through the effect record and its dispatcher, as a
// DAW does.
#include <clocale>
#include <cstdio>

#include "tools/vsthost/cli.h"
#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"

namespace kestrelon {

namespace vsthost {

int ReportError(const std::string& message)
{
    std::fprintf(stderr, "vsthost: %s\n", message.c_str());
    return kExitFailed;
}

void ReportWarning(const std::string& message)
{
    std::fprintf(stderr, "vsthost: warning: %s\n", message.c_str());
}

}  // namespace vsthost

}  // namespace kestrelon

int main(int argc, char** argv)
{
    using namespace kestrelon::vsthost;
    // Numbers typed by the user and written to data files use '.', whatever the
    // user's locale says.
    std::setlocale(LC_ALL, "C");
    InstallCrashGuard();
    // The first thread to say what it does is the one whose words report a
    // crash on a thread of the plug-in's own.
    SetCrashContext("the plug-in crashed");
    CommandLine cl;
    std::string error;
    if (!ParseCommandLine(CommandLineArguments(argc, argv), cl, error)) {
        std::fprintf(stderr, "vsthost: %s\n", error.c_str());
        return kExitUsage;
    }
    switch (cl.command) {
    case Command::Help:
        std::fputs(UsageText(), stdout);
        return kExitOk;
    case Command::Info:
        return RunInfo(cl);
    case Command::Render:
        return RunRender(cl);
    case Command::PresetSave:
        return RunPresetSave(cl);
    case Command::PresetLoad:
        return RunPresetLoad(cl);
    case Command::SynthDrums:
        return RunSynthDrums(cl);
    case Command::Stats:
        return RunStats(cl);
    case Command::PlotData:
        return RunPlotData(cl);
    case Command::Torture:
        return RunTorture(cl);
    }
    return kExitUsage;
}
