#include "tools/vsthost/session.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "text/ascii.h"
#include "tools/vsthost/clap_instance.h"
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

std::unique_ptr<HostedEffect> StartEffect(const std::string& path, const std::string& clapId, double sampleRate,
                                          int blockSize, std::string& error)
{
    if (!IsClapPath(path))
        return StartPlugin(path, sampleRate, blockSize, error);
    SetCrashContext("the plug-in crashed while being created");
    std::unique_ptr<ClapInstance> plugin = ClapInstance::Load(path, clapId, error);
    if (!plugin)
        return nullptr;
    plugin->Configure(sampleRate, blockSize);
    return plugin;
}

EffectLayout LayoutOf(HostedEffect& plugin)
{
    EffectLayout layout;
    layout.inputs = plugin.InputCount();
    layout.outputs = plugin.OutputCount();
    layout.stereoPairInput = layout.inputs > 1 && plugin.FirstInputIsStereoPair();
    return layout;
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

// For an effect that does not take typed text (effString2Parameter is
// optional): finds the normalised value whose display shows what was typed,
// as a user would by turning the knob. A number is searched between the two
// displayed values around it, so a display that rises or falls with the knob
// is met to its last digit, and a number beyond the range takes the nearest
// end (which the caller then warns of); a text must be one the display shows
// somewhere. False, with the parameter as it was, when nothing fits.
bool SetFromDisplays(HostedEffect& plugin, int index, const std::string& typed)
{
    constexpr int kSteps = 1000;
    const float before = plugin.GetParam(index);
    const std::string label = plugin.ParamLabel(index);
    double want = 0.0;
    int decimals = 0;
    std::string rest;
    const bool numeric = LeadingNumber(Trimmed(typed), want, decimals, rest);
    auto shownAt = [&](double v, double& number) {
        plugin.SetParam(index, static_cast<float>(v));
        const std::string display = plugin.ParamDisplay(index);
        int unused = 0;
        std::string tail;
        if (!LeadingNumber(Trimmed(display), number, unused, tail))
            number = std::nan("");
        return display;
    };
    auto shows = [&](double v) {
        double unused = 0.0;
        return ShowsWhatWasTyped(typed, shownAt(v, unused), label);
    };
    // Every value in a span shows the typed text; the middle of the span is
    // the best the display can tell (-6.0 dB, not the -6.049 at its edge).
    auto settleInSpan = [&](double inside) {
        double edges[2];
        for (int side = 0; side < 2; ++side) {
            const double step = side == 0 ? -1.0 / kSteps : 1.0 / kSteps;
            double out = inside;
            while (out >= 0.0 && out <= 1.0 && shows(out))
                out += step;
            double in = inside;
            out = std::clamp(out, 0.0, 1.0);
            for (int k = 0; k < 24 && !shows(out); ++k) {
                const double mid = 0.5 * (in + out);
                (shows(mid) ? in : out) = mid;
            }
            edges[side] = shows(out) ? out : in;
        }
        plugin.SetParam(index, static_cast<float>(0.5 * (edges[0] + edges[1])));
        if (!shows(0.5 * (edges[0] + edges[1])))
            plugin.SetParam(index, static_cast<float>(inside));
        return true;
    };
    double lastNumber = std::nan("");
    double nearest = -1.0, nearestDistance = INFINITY;
    for (int i = 0; i <= kSteps; ++i) {
        const double v = static_cast<double>(i) / kSteps;
        double number = 0.0;
        if (ShowsWhatWasTyped(typed, shownAt(v, number), label))
            return settleInSpan(v);
        if (numeric && std::isfinite(number) && std::fabs(number - want) < nearestDistance) {
            nearestDistance = std::fabs(number - want);
            nearest = v;
        }
        // The typed number lies between this display and the last: halve the
        // step until the display shows it (or the step is a float's width).
        if (numeric && i > 0 && std::isfinite(want) && (lastNumber - want) * (number - want) < 0.0) {
            double lo = static_cast<double>(i - 1) / kSteps, hi = v;
            const bool rising = number > lastNumber;
            for (int k = 0; k < 24; ++k) {
                const double mid = 0.5 * (lo + hi);
                double at = 0.0;
                if (ShowsWhatWasTyped(typed, shownAt(mid, at), label))
                    return settleInSpan(mid);
                ((at < want) == rising ? lo : hi) = mid;
            }
        }
        lastNumber = number;
    }
    if (nearest >= 0.0) {
        plugin.SetParam(index, static_cast<float>(nearest));
        return true;
    }
    plugin.SetParam(index, before);
    return false;
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

bool ApplySettings(HostedEffect& plugin, const std::vector<ParamSetting>& settings, bool strict,
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
        if (!plugin.SetParamFromText(index, setting.text) && !SetFromDisplays(plugin, index, setting.text)) {
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

std::string DescribeSettings(HostedEffect& plugin, const std::vector<ParamSetting>& settings)
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
