#include "tools/vsthost/preset_io.h"

#include <cstdio>
#include <memory>

#include "text/ascii.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/plugin_instance.h"

namespace kestrelon {

namespace vsthost {
namespace {

// Far beyond any real preset; a larger file is not one, and is not read whole.
constexpr long kMaxPresetFileSize = 64L * 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void SetProgramName(PluginInstance& plugin, const std::string& name)
{
    char text[256] = {};
    name.copy(text, sizeof text - 1);
    plugin.Dispatch(vst2::effSetProgramName, 0, 0, text);
}

bool CheckParamCount(std::size_t count, PluginInstance& plugin, const std::string& what, std::string& error)
{
    if (count == static_cast<std::size_t>(plugin.ParamCount()))
        return true;
    error = what + " holds " + std::to_string(count) + " parameter values but the plug-in has " +
            std::to_string(plugin.ParamCount());
    return false;
}

std::vector<float> CurrentParams(PluginInstance& plugin)
{
    std::vector<float> values(static_cast<std::size_t>(plugin.ParamCount()));
    for (int i = 0; i < plugin.ParamCount(); ++i)
        values[static_cast<std::size_t>(i)] = plugin.GetParam(i);
    return values;
}

}  // namespace

bool ReadPresetFile(const std::string& path, FxPreset& out, std::string& error)
{
    if (!FileExists(path)) {
        error = path + ": no such preset file";
        return false;
    }
    FilePtr file(OpenFile(path, "rb"));
    if (!file) {
        error = path + ": cannot open the preset file";
        return false;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        data.insert(data.end(), buffer, buffer + n);
        if (data.size() > static_cast<std::size_t>(kMaxPresetFileSize)) {
            error = path + " is not a VST preset (far too large)";
            return false;
        }
    }
    if (std::ferror(file.get())) {
        error = path + ": reading the preset file failed";
        return false;
    }
    std::string why;
    if (!DecodePreset(data, out, why)) {
        error = path + " is not a valid VST preset: " + why;
        return false;
    }
    return true;
}

bool CheckPresetFits(const FxPreset& preset, PluginInstance& plugin, const std::string& path, std::string& error)
{
    const vst2::AEffect& record = plugin.Record();
    if (preset.fxId != record.uniqueID) {
        error = path + " was made for the plug-in '" + FourCharText(preset.fxId) + "', not for '" +
                FourCharText(record.uniqueID) + "'";
        return false;
    }
    if (preset.opaque)
        return true;
    if (preset.kind == PresetKind::Program)
        return CheckParamCount(preset.params.size(), plugin, path, error);
    if (preset.programs.size() > static_cast<std::size_t>(record.numPrograms)) {
        error = path + " holds " + std::to_string(preset.programs.size()) + " programs but the plug-in has " +
                std::to_string(record.numPrograms);
        return false;
    }
    for (std::size_t i = 0; i < preset.programs.size(); ++i) {
        if (!CheckParamCount(preset.programs[i].params.size(), plugin, path + ", program " + std::to_string(i),
                             error)) {
            return false;
        }
    }
    return true;
}

bool ApplyPreset(PluginInstance& plugin, const FxPreset& preset, const std::string& path, std::string& error)
{
    const bool program = preset.kind == PresetKind::Program;
    if (preset.opaque) {
        if (!plugin.SetChunk(program, preset.chunk)) {
            error = "the plug-in refused the state stored in " + path;
            return false;
        }
        return true;
    }
    if (program) {
        for (std::size_t i = 0; i < preset.params.size(); ++i)
            plugin.SetParam(static_cast<int>(i), preset.params[i]);
        SetProgramName(plugin, preset.name);
        return true;
    }
    for (std::size_t p = 0; p < preset.programs.size(); ++p) {
        plugin.Dispatch(vst2::effSetProgram, 0, static_cast<vst2::VstIntPtr>(p));
        for (std::size_t i = 0; i < preset.programs[p].params.size(); ++i) {
            plugin.SetParam(static_cast<int>(i), preset.programs[p].params[i]);
        }
        SetProgramName(plugin, preset.programs[p].name);
    }
    const bool currentValid =
        preset.currentProgram >= 0 && static_cast<std::size_t>(preset.currentProgram) < preset.programs.size();
    plugin.Dispatch(vst2::effSetProgram, 0, currentValid ? preset.currentProgram : 0);
    return true;
}

bool CapturePreset(PluginInstance& plugin, PresetKind kind, FxPreset& out, std::string& error)
{
    const vst2::AEffect& record = plugin.Record();
    FxPreset p;
    p.kind = kind;
    p.fxId = record.uniqueID;
    p.fxVersion = record.version;
    p.numParams = record.numParams;
    p.numPrograms = record.numPrograms;
    const auto current = static_cast<std::int32_t>(plugin.Dispatch(vst2::effGetProgram));
    p.currentProgram = current;
    p.name = plugin.ProgramName();
    p.formatVersion = kind == PresetKind::Bank ? 2 : 1;

    const bool program = kind == PresetKind::Program;
    p.chunk = plugin.GetChunk(program);
    p.opaque = !p.chunk.empty();
    if (!p.opaque && (record.flags & vst2::effFlagsProgramChunks)) {
        error = "the plug-in stores its state in chunks but handed out none";
        return false;
    }
    if (!p.opaque) {
        if (program) {
            p.params = CurrentParams(plugin);
        } else {
            // Parameter values are only reachable for the current program, so each
            // program is visited in turn and the current one restored after.
            for (int i = 0; i < record.numPrograms; ++i) {
                plugin.Dispatch(vst2::effSetProgram, 0, i);
                FxProgram entry;
                entry.fxId = p.fxId;
                entry.fxVersion = p.fxVersion;
                entry.name = plugin.ProgramName();
                entry.params = CurrentParams(plugin);
                p.programs.push_back(std::move(entry));
            }
            plugin.Dispatch(vst2::effSetProgram, 0, current);
        }
    }
    out = std::move(p);
    return true;
}

bool PresetKindForFileName(const std::string& path, PresetKind& kind, std::string& error)
{
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : ext)
        c = AsciiLower(c);
    if (ext == ".fxp") {
        kind = PresetKind::Program;
        return true;
    }
    if (ext == ".fxb") {
        kind = PresetKind::Bank;
        return true;
    }
    error = path + ": name the file .fxp for one program or .fxb for a bank";
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    const std::string temp = path + ".vsthost-" + std::to_string(CurrentProcessId()) + ".tmp";
    FilePtr file(OpenFile(temp, "wb"));
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        RemoveFile(temp);
        error = "writing " + path + " failed (disk full?)";
        return false;
    }
    if (!MoveFileOver(temp, path)) {
        RemoveFile(temp);
        error = "cannot move the finished file into place as " + path;
        return false;
    }
    return true;
}

}  // namespace vsthost

}  // namespace kestrelon
