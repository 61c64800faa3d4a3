// Moving presets between files and a running effect: reading and checking a
// preset file before anything touches the effect, applying it, capturing the
// effect's state into a preset and writing it out.
#pragma once

#include <string>

#include "tools/vsthost/fx_preset.h"

namespace kestrelon {

namespace vsthost {

class PluginInstance;

// Reads and decodes a preset file; false with `error` for a missing file or
// one that is not a valid preset.
bool ReadPresetFile(const std::string& path, FxPreset& out, std::string& error);

// Checks that `preset` was made for this effect and fits its parameter and
// program counts. Done before ApplyPreset so that a refused file changes nothing.
bool CheckPresetFits(const FxPreset& preset, PluginInstance& plugin, const std::string& path, std::string& error);

// Hands the preset to the effect: its state chunk, or its parameter values
// and program names. False when the effect refused the chunk.
bool ApplyPreset(PluginInstance& plugin, const FxPreset& preset, const std::string& path, std::string& error);

// The effect's current program (or whole bank) as a preset: an opaque chunk
// when the effect hands one out, its parameter values otherwise.
bool CapturePreset(PluginInstance& plugin, PresetKind kind, FxPreset& out, std::string& error);

// .fxb is a bank, .fxp a program; false with `error` for any other name.
bool PresetKindForFileName(const std::string& path, PresetKind& kind, std::string& error);

// Writes the bytes through a temporary file, so that a failure leaves any
// earlier file of that name as it was.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace vsthost

}  // namespace kestrelon
