// vsthost render PLUGIN IN OUT: the file goes through the effect as it would
// through a DAW's offline bounce.
#include <chrono>
#include <cstdio>

#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/preset_io.h"
#include "tools/vsthost/progress.h"
#include "tools/vsthost/render.h"
#include "tools/vsthost/session.h"

namespace kestrelon {

namespace vsthost {
namespace {

// The channel layout the file needs, or an error naming what does not fit.
bool CheckChannels(const PluginInstance& plugin, int fileChannels, const CommandLine& cl, std::string& error)
{
    const vst2::AEffect& record = plugin.Record();
    if (fileChannels > 2) {
        error =
            cl.input + " has " + std::to_string(fileChannels) + " channels; only mono and stereo files are rendered";
        return false;
    }
    if (record.numInputs < fileChannels || record.numOutputs < fileChannels) {
        error = cl.input + " has " + std::to_string(fileChannels) + " channels but the plug-in has " +
                std::to_string(record.numInputs) + " inputs and " + std::to_string(record.numOutputs) + " outputs";
        return false;
    }
    return true;
}

}  // namespace

int RunRender(const CommandLine& cl)
{
    std::string error;
    std::unique_ptr<SoundReader> reader = SoundReader::Open(cl.input, error);
    if (!reader)
        return ReportError(error);
    const int channels = reader->Channels();
    const int format =
        ChooseOutputFormat(cl.output, reader->Format(), cl.floatOutput, channels, reader->SampleRate(), error);
    if (format == 0)
        return ReportError(error);

    FxPreset preset;
    if (!cl.presetFile.empty() && !ReadPresetFile(cl.presetFile, preset, error))
        return ReportError(error);

    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<PluginInstance> plugin = StartPlugin(cl.plugin, reader->SampleRate(), cl.blockSize, error);
    if (!plugin)
        return ReportError(error);
    if (!CheckChannels(*plugin, channels, cl, error))
        return ReportError(error);
    if (cl.doublePrecision && !plugin->CanProcessDouble()) {
        return ReportError("the plug-in cannot process in double precision; render without --double");
    }

    RenderOptions options;
    options.blockSize = cl.blockSize;
    options.doublePrecision = cl.doublePrecision;
    options.compensateLatency = cl.compensateLatency;
    if (channels == 1 && plugin->Record().numInputs > 1)
        options.duplicateMono = !plugin->RequestMonoLayout();

    if (!cl.presetFile.empty()) {
        if (!CheckPresetFits(preset, *plugin, cl.presetFile, error))
            return ReportError(error);
        SetCrashContext("the plug-in crashed while loading " + cl.presetFile);
        if (!ApplyPreset(*plugin, preset, cl.presetFile, error))
            return ReportError(error);
    }
    if (!ApplySettings(*plugin, cl.settings, error))
        return ReportError(error);

    std::unique_ptr<SoundWriter> writer = SoundWriter::Create(cl.output, format, channels, reader->SampleRate(), error);
    if (!writer)
        return ReportError(error);
    SetCrashCleanupFile(writer->TemporaryPath());

    SetCrashContext("the plug-in crashed while processing " + cl.input);
    plugin->SetOfflineRender(true);
    plugin->Resume(cl.doublePrecision);
    RenderResult result;
    bool rendered;
    {
        ProgressBar bar(reader->Frames(), StderrIsTerminal());
        rendered = RenderFile(
            *plugin, *reader, *writer, options, [&bar](std::int64_t done) { bar.Update(done); }, result, error);
    }
    SetCrashContext("the plug-in crashed while being closed");
    plugin->Suspend();
    if (!rendered)
        return ReportError(error);
    if (!writer->Commit(error))
        return ReportError(error);
    SetCrashCleanupFile("");
    const std::string settings = DescribeSettings(*plugin, cl.settings);
    plugin.reset();

    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double audioSeconds = static_cast<double>(result.frames) / reader->SampleRate();
    std::printf("rendered %s -> %s: %.3f s, %d ch, %d Hz, %s%s, latency %d%s%s%s, %.3f s (%.0fx real time)\n",
                cl.input.c_str(), cl.output.c_str(), audioSeconds, channels, reader->SampleRate(),
                DescribeFormat(format).c_str(), cl.doublePrecision ? ", double precision" : "", result.latency,
                cl.compensateLatency ? " compensated" : " not compensated", settings.empty() ? "" : ", ",
                settings.c_str(), elapsed, elapsed > 0 ? audioSeconds / elapsed : 0.0);
    return kExitOk;
}

}  // namespace vsthost

}  // namespace kestrelon
