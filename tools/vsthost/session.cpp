#include "tools/vsthost/session.h"

#include "tools/vsthost/platform.h"

namespace kestrelon {

namespace vsthost {

std::unique_ptr<PluginInstance> StartPlugin(const std::string& path, double sampleRate, int blockSize,
                                            std::string& error)
{
    std::unique_ptr<PluginInstance> plugin = PluginInstance::Load(path, error);
    if (!plugin)
        return nullptr;
    SetCrashContext("the plug-in crashed while being opened");
    plugin->Open();
    plugin->Configure(sampleRate, blockSize);
    return plugin;
}

bool ApplySettings(PluginInstance& plugin, const std::vector<ParamSetting>& settings, std::string& error)
{
    SetCrashContext("the plug-in crashed while setting parameters");
    for (const ParamSetting& setting : settings) {
        const int index = plugin.FindParam(setting.name);
        if (index < 0) {
            error =
                "the plug-in has no parameter \"" + setting.name + "\"; its parameters are " + plugin.ParamNameList();
            return false;
        }
        if (!plugin.SetParamFromText(index, setting.text)) {
            error = "the plug-in refused \"" + setting.text + "\" for \"" + plugin.ParamName(index) +
                    "\"; its parameters are " + plugin.ParamNameList();
            return false;
        }
    }
    return true;
}

std::string DescribeSettings(PluginInstance& plugin, const std::vector<ParamSetting>& settings)
{
    std::string text;
    for (const ParamSetting& setting : settings) {
        const int index = plugin.FindParam(setting.name);
        if (index < 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += plugin.ParamName(index) + " " + plugin.ParamDisplay(index);
        const std::string label = plugin.ParamLabel(index);
        if (!label.empty())
            text += " " + label;
    }
    return text;
}

}  // namespace vsthost

}  // namespace kestrelon
