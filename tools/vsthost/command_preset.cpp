// vsthost preset save / load: standard .fxp and .fxb files, the way DAWs
// exchange an effect's state.
#include <cstdio>

#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/preset_io.h"
#include "tools/vsthost/session.h"

namespace kestrelon {

namespace vsthost {
namespace {

constexpr double kPresetSampleRate = 44100.0;
constexpr int kPresetBlockSize = 512;

std::string DescribePayload(const FxPreset& preset)
{
    if (preset.opaque)
        return "state chunk of " + std::to_string(preset.chunk.size()) + " bytes";
    if (preset.kind == PresetKind::Program)
        return std::to_string(preset.params.size()) + " parameter values";
    return std::to_string(preset.programs.size()) + " programs of parameter values";
}

void PrintParams(PluginInstance& plugin)
{
    for (int i = 0; i < plugin.ParamCount(); ++i) {
        const std::string label = plugin.ParamLabel(i);
        std::printf("  %-24s %-12s (%.4f)\n", plugin.ParamName(i).c_str(),
                    (plugin.ParamDisplay(i) + (label.empty() ? "" : " " + label)).c_str(), plugin.GetParam(i));
    }
}

}  // namespace

int RunPresetSave(const CommandLine& cl)
{
    std::string error;
    PresetKind kind;
    if (!PresetKindForFileName(cl.presetFile, kind, error))
        return ReportError(error);
    FxPreset start;
    if (!cl.input.empty() && !ReadPresetFile(cl.input, start, error))
        return ReportError(error);

    std::unique_ptr<PluginInstance> plugin = StartPlugin(cl.plugin, kPresetSampleRate, kPresetBlockSize, error);
    if (!plugin)
        return ReportError(error);
    if (!cl.input.empty()) {
        if (!CheckPresetFits(start, *plugin, cl.input, error))
            return ReportError(error);
        SetCrashContext("the plug-in crashed while loading " + cl.input);
        if (!ApplyPreset(*plugin, start, cl.input, error))
            return ReportError(error);
    }
    std::vector<std::string> warnings;
    if (!ApplySettings(*plugin, cl.settings, cl.strict, warnings, error))
        return ReportError(error);
    for (const std::string& warning : warnings)
        ReportWarning(warning);

    SetCrashContext("the plug-in crashed while handing out its state");
    FxPreset preset;
    if (!CapturePreset(*plugin, kind, preset, error))
        return ReportError(error);
    if (!WriteFileAtomically(cl.presetFile, EncodePreset(preset), error))
        return ReportError(error);
    std::printf("saved %s: %s of '%s', %s\n", cl.presetFile.c_str(), kind == PresetKind::Program ? "program" : "bank",
                FourCharText(preset.fxId).c_str(), DescribePayload(preset).c_str());
    return kExitOk;
}

int RunPresetLoad(const CommandLine& cl)
{
    std::string error;
    FxPreset preset;
    if (!ReadPresetFile(cl.presetFile, preset, error))
        return ReportError(error);
    std::unique_ptr<PluginInstance> plugin = StartPlugin(cl.plugin, kPresetSampleRate, kPresetBlockSize, error);
    if (!plugin)
        return ReportError(error);
    if (!CheckPresetFits(preset, *plugin, cl.presetFile, error))
        return ReportError(error);
    SetCrashContext("the plug-in crashed while loading " + cl.presetFile);
    if (!ApplyPreset(*plugin, preset, cl.presetFile, error))
        return ReportError(error);

    SetCrashContext("the plug-in crashed while answering questions");
    std::printf("loaded %s: %s of '%s', %s; program \"%s\" now has\n", cl.presetFile.c_str(),
                preset.kind == PresetKind::Program ? "program" : "bank", FourCharText(preset.fxId).c_str(),
                DescribePayload(preset).c_str(), plugin->ProgramName().c_str());
    PrintParams(*plugin);
    return kExitOk;
}

}  // namespace vsthost

}  // namespace kestrelon
