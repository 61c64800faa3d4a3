// vsthost info PLUGIN: everything a host learns about an effect before it
// processes a sample, in the order a host asks for it.
#include <cstdio>

#include "tools/vsthost/commands.h"
#include "tools/vsthost/fx_preset.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/routing.h"
#include "tools/vsthost/session.h"

namespace kestrelon {

namespace vsthost {
namespace {

// The texts hosts ask effects about, in the order they were published.
const char* const kCanDoTexts[] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "offline",
    "midiProgramNames",
    "bypass",
    "plugAsChannelInsert",
    "plugAsSend",
    "mixDryWet",
    "noRealTime",
    "multipass",
    "metapass",
    "1in1out",
    "1in2out",
    "2in1out",
    "2in2out",
    "2in4out",
    "4in2out",
    "4in4out",
    "4in8out",
    "8in4out",
    "8in8out",
};

std::string DecodeFlags(vst2::VstInt32 flags)
{
    struct Flag {
        vst2::VstInt32 bit;
        const char* name;
    };
    static const Flag kFlags[] = {
        {vst2::effFlagsHasEditor, "HasEditor"},
        {vst2::effFlagsHasClip, "HasClip"},
        {vst2::effFlagsHasVu, "HasVu"},
        {vst2::effFlagsCanMono, "CanMono"},
        {vst2::effFlagsCanReplacing, "CanReplacing"},
        {vst2::effFlagsProgramChunks, "ProgramChunks"},
        {vst2::effFlagsIsSynth, "IsSynth"},
        {vst2::effFlagsNoSoundInStop, "NoSoundInStop"},
        {vst2::effFlagsExtIsAsync, "ExtIsAsync"},
        {vst2::effFlagsExtHasBuffer, "ExtHasBuffer"},
        {vst2::effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
    };
    std::string text;
    vst2::VstInt32 known = 0;
    for (const Flag& f : kFlags) {
        known |= f.bit;
        if (flags & f.bit)
            text += std::string(text.empty() ? "" : " ") + f.name;
    }
    if (flags & ~known) {
        char rest[32];
        std::snprintf(rest, sizeof rest, "%s0x%X", text.empty() ? "" : " ", static_cast<unsigned>(flags & ~known));
        text += rest;
    }
    return text.empty() ? "none" : text;
}

const char* CategoryName(vst2::VstIntPtr category)
{
    static const char* const kNames[] = {"unknown",     "effect",      "synth",   "analysis",
                                         "mastering",   "spatialiser", "room fx", "surround fx",
                                         "restoration", "offline",     "shell",   "generator"};
    return category >= 0 && category < 12 ? kNames[category] : "?";
}

const char* CanDoWord(vst2::VstIntPtr answer)
{
    return answer > 0 ? "yes" : answer < 0 ? "no" : "don't know";
}

// Numbered from 1, as --map and --outputs name them.
void PrintPins(PluginInstance& plugin, vst2::VstInt32 opcode, int count, const char* title)
{
    for (int i = 0; i < count; ++i) {
        vst2::VstPinProperties pin = {};
        if (plugin.Dispatch(opcode, i, 0, &pin) == 0) {
            std::printf("  %s %d: (no properties)\n", title, i + 1);
            continue;
        }
        pin.label[sizeof pin.label - 1] = '\0';
        std::printf("  %s %d: \"%s\"%s%s\n", title, i + 1, pin.label,
                    (pin.flags & vst2::kVstPinIsActive) ? " active" : "",
                    (pin.flags & vst2::kVstPinIsStereo) ? " stereo-pair" : "");
    }
}

// How render routes a mono and a stereo file through the effect by default.
// Last of all: asking for the one-in, one-out layout changes the effect.
}  // namespace

void PrintDefaultRouting(HostedEffect& plugin)
{
    const EffectLayout layout = LayoutOf(plugin);
    const RoutingRequest none;
    const char* const titles[] = {"routing      mono file  ", "             stereo file"};
    std::string lines[2];
    for (int channels = 2; channels >= 1; --channels) {
        EffectLayout forFile = layout;
        if (WantsMonoLayout(layout, channels, 0, none))
            forFile.monoLayoutTaken = plugin.RequestMonoLayout();
        RoutingPlan plan;
        std::string error;
        std::string& line = lines[channels - 1];
        if (!PlanRouting(forFile, channels, 0, none, plan, error))
            line = "refused: " + error;
        else if (plan.note.empty())
            line = forFile.monoLayoutTaken ? "the one-in, one-out layout" : "channel n to input n";
        else
            line = plan.note;
    }
    for (int i = 0; i < 2; ++i)
        std::printf("%s %s\n", titles[i], lines[i].c_str());
}

int RunInfo(const CommandLine& cl)
{
    if (IsClapPath(cl.plugin))
        return RunClapInfo(cl);
    std::string error;
    std::unique_ptr<PluginInstance> plugin = PluginInstance::Load(cl.plugin, error);
    if (!plugin)
        return ReportError(error);
    const vst2::AEffect& r = plugin->Record();
    const int latencyAtLoad = r.initialDelay;

    SetCrashContext("the plug-in crashed while being opened");
    plugin->Open();
    plugin->Configure(cl.sampleRate, cl.blockSize);
    plugin->Resume(false);
    const int latency = plugin->Latency();
    plugin->Suspend();

    SetCrashContext("the plug-in crashed while answering questions");
    std::printf("plug-in      %s\n", cl.plugin.c_str());
    std::printf("entry point  %s%s\n", plugin->EntryPoint().c_str(),
                plugin->EntryPoint() == "main" ? " (the older name; the plug-in exports no VSTPluginMain)" : "");
    std::printf("effect       \"%s\" by \"%s\", product \"%s\"\n", plugin->EffectName().c_str(),
                plugin->VendorString().c_str(), plugin->ProductString().c_str());
    std::printf("unique id    %s (0x%08X)\n", FourCharText(r.uniqueID).c_str(), static_cast<unsigned>(r.uniqueID));
    std::printf("version      %d (vendor version %ld, VST version %ld)\n", r.version,
                static_cast<long>(plugin->Dispatch(vst2::effGetVendorVersion)),
                static_cast<long>(plugin->Dispatch(vst2::effGetVstVersion)));
    const vst2::VstIntPtr category = plugin->Dispatch(vst2::effGetPlugCategory);
    std::printf("category     %s (%ld)\n", CategoryName(category), static_cast<long>(category));
    std::printf("flags        0x%X: %s\n", static_cast<unsigned>(r.flags), DecodeFlags(r.flags).c_str());
    std::printf("latency      %d samples at %.0f Hz (%d before the sample rate was set)\n", latency, cl.sampleRate,
                latencyAtLoad);
    std::printf("tail         %ld samples\n", static_cast<long>(plugin->Dispatch(vst2::effGetTailSize)));
    std::printf("inputs       %d\n", r.numInputs);
    PrintPins(*plugin, vst2::effGetInputProperties, r.numInputs, "input");
    std::printf("outputs      %d\n", r.numOutputs);
    PrintPins(*plugin, vst2::effGetOutputProperties, r.numOutputs, "output");
    vst2::ERect* rect = nullptr;
    if (!HasDisplay()) {
        std::printf("editor       %s\n",
                    (r.flags & vst2::effFlagsHasEditor) ? "yes (its size is not asked without a display)" : "none");
    } else if (plugin->Dispatch(vst2::effEditGetRect, 0, 0, &rect) != 0 && rect) {
        std::printf("editor       %d x %d\n", rect->right - rect->left, rect->bottom - rect->top);
    } else {
        std::printf("editor       %s\n", (r.flags & vst2::effFlagsHasEditor) ? "yes (no size given)" : "none");
    }

    std::printf("programs     %d, current %ld \"%s\"\n", r.numPrograms,
                static_cast<long>(plugin->Dispatch(vst2::effGetProgram)), plugin->ProgramName().c_str());
    std::printf("parameters   %d\n", r.numParams);
    std::printf("  %3s  %-24s %-8s %-8s %s\n", "#", "name", "label", "value", "display");
    for (int i = 0; i < r.numParams; ++i) {
        std::printf("  %3d  %-24s %-8s %-8.4f %s\n", i, plugin->ParamName(i).c_str(), plugin->ParamLabel(i).c_str(),
                    plugin->GetParam(i), plugin->ParamDisplay(i).c_str());
    }
    std::printf("canDo\n");
    for (const char* text : kCanDoTexts) {
        const vst2::VstIntPtr answer = plugin->CanDo(text);
        std::printf("  %-22s %s (%ld)\n", text, CanDoWord(answer), static_cast<long>(answer));
    }
    const std::size_t programChunk = plugin->GetChunk(true).size();
    const std::size_t bankChunk = plugin->GetChunk(false).size();
    std::printf("chunks       program %zu bytes, bank %zu bytes\n", programChunk, bankChunk);
    PrintDefaultRouting(*plugin);
    return kExitOk;
}

}  // namespace vsthost

}  // namespace kestrelon
