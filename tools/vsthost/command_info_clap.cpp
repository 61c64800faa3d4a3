// vsthost info FILE.clap: what a CLAP host learns of a plug-in before it
// processes a sample: the factory's descriptors, the chosen one's ports,
// parameters, latency once active, state and editor (its size and resizing
// where there is a display).
#include <cstdio>

#include "tools/vsthost/clap_instance.h"
#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"

namespace kestrelon {

namespace vsthost {
namespace {

std::string Text(const char* text)
{
    return text ? std::string(text) : std::string("(none)");
}

std::string PortFlags(std::uint32_t flags)
{
    std::string text;
    auto add = [&](std::uint32_t bit, const char* name) {
        if ((flags & bit) != 0)
            text += text.empty() ? name : std::string(" ") + name;
    };
    add(clap::CLAP_AUDIO_PORT_IS_MAIN, "main");
    add(clap::CLAP_AUDIO_PORT_SUPPORTS_64BITS, "64-bit");
    add(clap::CLAP_AUDIO_PORT_PREFERS_64BITS, "prefers-64-bit");
    add(clap::CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE, "common-sample-size");
    return text.empty() ? "-" : text;
}

std::string ParamFlags(std::uint32_t flags)
{
    std::string text;
    auto add = [&](std::uint32_t bit, const char* name) {
        if ((flags & bit) != 0)
            text += text.empty() ? name : std::string(" ") + name;
    };
    add(clap::CLAP_PARAM_IS_STEPPED, "stepped");
    add(clap::CLAP_PARAM_IS_ENUM, "enum");
    add(clap::CLAP_PARAM_IS_AUTOMATABLE, "automatable");
    add(clap::CLAP_PARAM_IS_MODULATABLE, "modulatable");
    add(clap::CLAP_PARAM_IS_READONLY, "read-only");
    add(clap::CLAP_PARAM_IS_HIDDEN, "hidden");
    add(clap::CLAP_PARAM_IS_BYPASS, "bypass");
    add(clap::CLAP_PARAM_REQUIRES_PROCESS, "requires-process");
    return text.empty() ? "-" : text;
}

void PrintPorts(const std::vector<clap::clap_audio_port_info>& ports, const char* title)
{
    std::printf("%-12s %zu\n", title, ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const clap::clap_audio_port_info& port = ports[i];
        std::printf("  port %zu: \"%s\", id %u, %u ch, %s, type %s\n", i + 1, port.name, port.id, port.channel_count,
                    PortFlags(port.flags).c_str(), port.port_type ? port.port_type : "(none)");
    }
}

// The editor's size and how it may be resized are asked of a created editor:
// it is made for them (and destroyed again) only where it could be shown.
void PrintEditorSizing(ClapInstance& plugin)
{
    if (!HasDisplay()) {
        std::printf("editor size  not asked without a display\n");
        return;
    }
    SetCrashContext("the plug-in crashed while its editor was made to tell its size");
    int width = 0, height = 0;
    std::string error;
    if (!plugin.EditorSize(width, height, error)) {
        std::printf("editor size  unknown: %s\n", error.c_str());
        plugin.CloseEditor();
        return;
    }
    const ClapInstance::GuiHints answer = plugin.ResizeHints();
    plugin.CloseEditor();
    std::string resizing = "not resizable";
    if (answer.canResize && !answer.hinted) {
        resizing = "resizable (no hints given)";
    } else if (answer.canResize) {
        const clap::clap_gui_resize_hints& h = answer.hints;
        resizing = h.can_resize_horizontally && h.can_resize_vertically ? "resizable horizontally and vertically"
                   : h.can_resize_horizontally                          ? "resizable horizontally"
                   : h.can_resize_vertically                            ? "resizable vertically"
                                                                        : "resizable in neither direction";
        resizing += h.preserve_aspect_ratio ? ", aspect ratio " + std::to_string(h.aspect_ratio_width) + ":" +
                                                  std::to_string(h.aspect_ratio_height) + " kept"
                                            : ", any aspect ratio";
    }
    std::printf("editor size  %d x %d, %s\n", width, height, resizing.c_str());
}

}  // namespace

int RunClapInfo(const CommandLine& cl)
{
    std::string error;
    SetCrashContext("the plug-in crashed while being created");
    std::unique_ptr<ClapInstance> plugin = ClapInstance::Load(cl.plugin, cl.clapId, error);
    if (!plugin)
        return ReportError(cl.plugin + ": " + error);
    plugin->Configure(cl.sampleRate, cl.blockSize);
    SetCrashContext("the plug-in crashed while being activated");
    const bool activated = plugin->Activate();
    const int latency = plugin->Latency();
    plugin->Deactivate();

    SetCrashContext("the plug-in crashed while answering questions");
    const clap::clap_plugin_descriptor& d = plugin->Descriptor();
    std::printf("plug-in      %s\n", cl.plugin.c_str());
    std::printf("entry point  clap_entry (CLAP %u.%u.%u)\n", d.clap_version.major, d.clap_version.minor,
                d.clap_version.revision);
    std::printf("factory      %zu plug-in%s:", plugin->OfferedIds().size(),
                plugin->OfferedIds().size() == 1 ? "" : "s");
    for (const std::string& id : plugin->OfferedIds())
        std::printf(" %s", id.c_str());
    std::printf("\n");
    std::printf("id           %s\n", Text(d.id).c_str());
    std::printf("effect       \"%s\" by \"%s\", version %s\n", Text(d.name).c_str(), Text(d.vendor).c_str(),
                Text(d.version).c_str());
    std::string features;
    for (int i = 0; d.features && d.features[i] && i < 64; ++i)
        features += (i ? ", " : "") + std::string(d.features[i]);
    std::printf("features     %s\n", features.empty() ? "(none)" : features.c_str());
    if (activated)
        std::printf("latency      %d samples at %.0f Hz\n", latency, cl.sampleRate);
    else
        std::printf("latency      unknown: activation at %.0f Hz was refused\n", cl.sampleRate);
    PrintPorts(plugin->InputPorts(), "input ports");
    PrintPorts(plugin->OutputPorts(), "output ports");
    std::printf("parameters   %d\n", plugin->ParamCount());
    std::printf("  %3s  %-6s %-24s %10s %10s %10s  %-14s %s\n", "#", "id", "name", "min", "max", "default", "display",
                "flags");
    for (int i = 0; i < plugin->ParamCount(); ++i) {
        const clap::clap_param_info& info = plugin->ParamInfo(i);
        std::printf("  %3d  %-6u %-24s %10.4g %10.4g %10.4g  %-14s %s\n", i, info.id, plugin->ParamName(i).c_str(),
                    info.min_value, info.max_value, info.default_value, plugin->ParamDisplay(i).c_str(),
                    ParamFlags(info.flags).c_str());
    }
    std::vector<std::uint8_t> state;
    if (!plugin->StateExtension())
        std::printf("state        none\n");
    else if (plugin->SaveState(state))
        std::printf("state        %zu bytes\n", state.size());
    else
        std::printf("state        save refused\n");
    const clap::clap_plugin_gui* gui = plugin->GuiExtension();
    if (!gui || !gui->is_api_supported) {
        std::printf("editor       none\n");
    } else {
        std::string apis;
        for (const char* api : {clap::CLAP_WINDOW_API_X11, clap::CLAP_WINDOW_API_WIN32, clap::CLAP_WINDOW_API_COCOA,
                                clap::CLAP_WINDOW_API_WAYLAND}) {
            if (gui->is_api_supported(plugin->Plugin(), api, false))
                apis += (apis.empty() ? "" : ", ") + std::string(api);
        }
        std::printf("editor       embedded: %s\n", apis.empty() ? "(no window system)" : apis.c_str());
        if (!apis.empty())
            PrintEditorSizing(*plugin);
    }
    PrintDefaultRouting(*plugin);
    return kExitOk;
}

}  // namespace vsthost

}  // namespace kestrelon
