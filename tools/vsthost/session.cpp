#include "tools/vsthost/session.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "framework/text/ascii.h"
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

namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The number a text starts with, and what follows it; false when it starts
// with none. The tool runs in the C locale, so the decimal point is '.'.
bool LeadingNumber(const std::string& text, double& value, int& decimals, std::string& rest)
{
    const char* start = text.c_str();
    char* end = nullptr;
    value = std::strtod(start, &end);
    if (end == start)
        return false;
    const std::string number(start, static_cast<std::size_t>(end - start));
    const std::size_t point = number.find('.');
    decimals = 0;
    if (point != std::string::npos) {
        for (std::size_t i = point + 1; i < number.size() && std::isdigit(static_cast<unsigned char>(number[i])); ++i)
            ++decimals;
    }
    rest = Trimmed(end);
    return true;
}

}  // namespace

bool ShowsWhatWasTyped(const std::string& typed, const std::string& display, const std::string& label)
{
    const std::string want = Trimmed(typed), shown = Trimmed(display), unit = Trimmed(label);
    if (EqualsIgnoringAsciiCase(want, shown) || (!unit.empty() && (EqualsIgnoringAsciiCase(want, shown + " " + unit) ||
                                                                   EqualsIgnoringAsciiCase(want, shown + unit)))) {
        return true;
    }
    double wantValue = 0.0, shownValue = 0.0;
    int wantDecimals = 0, shownDecimals = 0;
    std::string wantRest, shownRest;
    if (!LeadingNumber(want, wantValue, wantDecimals, wantRest) ||
        !LeadingNumber(shown, shownValue, shownDecimals, shownRest)) {
        return false;
    }
    if (!wantRest.empty() && !EqualsIgnoringAsciiCase(wantRest, unit) && !EqualsIgnoringAsciiCase(wantRest, shownRest))
        return false;
    if (!std::isfinite(wantValue) || !std::isfinite(shownValue))
        return wantValue == shownValue;
    // The display rounds to its last digit: anything within half of one unit
    // of it is what was typed.
    const double halfStep = 0.5 * std::pow(10.0, -shownDecimals);
    return std::fabs(wantValue - shownValue) <= halfStep * (1.0 + 1e-9) + 1e-12;
}

bool ApplySettings(PluginInstance& plugin, const std::vector<ParamSetting>& settings, bool strict,
                   std::vector<std::string>& warnings, std::string& error)
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
        const std::string display = plugin.ParamDisplay(index), label = plugin.ParamLabel(index);
        if (ShowsWhatWasTyped(setting.text, display, label))
            continue;
        const std::string took = "--set " + setting.name + "=" + setting.text + ": the plug-in took it as " + display +
                                 (label.empty() ? "" : " " + label) + ", not as written";
        if (strict) {
            error = took + " (--strict)";
            return false;
        }
        warnings.push_back(took);
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
