// The steps every command that drives an effect shares: load it, open it and
// announce the sample rate and block size as a DAW does, and set parameters
// by name from the text a user typed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/vsthost/cli.h"
#include "tools/vsthost/plugin_instance.h"

namespace kestrelon {

namespace vsthost {

std::unique_ptr<PluginInstance> StartPlugin(const std::string& path, double sampleRate, int blockSize,
                                            std::string& error);

// Applies every --set in order; false with `error` for an unknown name or a
// text the effect refused.
bool ApplySettings(PluginInstance& plugin, const std::vector<ParamSetting>& settings, std::string& error);

// "Attack 10.0, Output -3.0 dB" for the parameters named in `settings`.
std::string DescribeSettings(PluginInstance& plugin, const std::vector<ParamSetting>& settings);

}  // namespace vsthost

}  // namespace kestrelon
