// The steps every command that drives an effect shares: load it, open it and
// announce the sample rate and block size as a DAW does, and set parameters
// by name from the text a user typed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/vsthost/cli.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/routing.h"

namespace kestrelon {

namespace vsthost {

std::unique_ptr<PluginInstance> StartPlugin(const std::string& path, double sampleRate, int blockSize,
                                            std::string& error);
// StartPlugin for a plug-in of either format: a CLAP plug-in (a ".clap"
// file) is created from its factory's first descriptor, or the one `clapId`
// names, and is told the rate and block size when it is resumed.
std::unique_ptr<HostedEffect> StartEffect(const std::string& path, const std::string& clapId, double sampleRate,
                                          int blockSize, std::string& error);

// What routing a file needs to know of the effect: its pin counts, and
// whether its first input opens a stereo pair.
EffectLayout LayoutOf(HostedEffect& plugin);

// Applies every --set in order; false with `error` for an unknown name or a
// text the effect refused. Each text the effect took as something else than
// was typed (its display reads back otherwise) adds a line to `warnings`, or,
// when `strict`, is an error.
bool ApplySettings(HostedEffect& plugin, const std::vector<ParamSetting>& settings, bool strict,
                   std::vector<std::string>& warnings, std::string& error);

// Whether a parameter showing `display` with `label` stands for the text a
// user typed: the same text (letter case and the unit aside), or the same
// number to the precision the display shows ("3" for "3.00", "-6 dB" for
// "-6.0" with the label "dB"), but not "50" for "10.0" nor "abc" for "0.0".
bool ShowsWhatWasTyped(const std::string& typed, const std::string& display, const std::string& label);

// "Attack 10.0, Output -3.0 dB" for the parameters named in `settings`.
std::string DescribeSettings(HostedEffect& plugin, const std::vector<ParamSetting>& settings);

}  // namespace vsthost

}  // namespace kestrelon
