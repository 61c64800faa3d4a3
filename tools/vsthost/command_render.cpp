// vsthost render PLUGIN IN OUT: the file goes through the effect as it would
// through a DAW's offline bounce. With --out-dir, a batch: every input through
// its own instance, several at a time, each written under its own name.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/plugin_module.h"
#include "tools/vsthost/preset_io.h"
#include "tools/vsthost/progress.h"
#include "tools/vsthost/render.h"
#include "tools/vsthost/session.h"

namespace kestrelon {

namespace vsthost {
namespace {

using Clock = std::chrono::steady_clock;

// What rendering one file gave.
struct FileResult {
    bool ok = false;
    // A failure every other file would meet alike (the plug-in cannot be
    // started, refuses the preset or a --set): a batch stops at it.
    bool stopsTheBatch = false;
    // The request cannot be carried out (the routing does not fit the file or
    // the plug-in): the usage's exit status rather than a failure's.
    bool impossible = false;
    std::string message;  // the "rendered ..." line, or the error
    std::string routingNote;  // the default routing when it is not channel n to input n
    std::vector<std::string> warnings;
    double audioSeconds = 0.0;
};

// Called with the input frames done and the frames the input has.
using FileProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// The partly written output a crash of this thread deletes, while in scope.
class CrashCleanup {
public:
    explicit CrashCleanup(const std::string& path) { SetCrashCleanupFile(path); }
    ~CrashCleanup() { SetCrashCleanupFile(""); }
    CrashCleanup(const CrashCleanup&) = delete;
    CrashCleanup& operator=(const CrashCleanup&) = delete;
};

// One input through one new instance into one output, written atomically.
// `preset` is the --preset file, already read, or null.
bool RenderOneFile(const CommandLine& cl, const FxPreset* preset, const std::string& input, const std::string& output,
                   const FileProgress& progress, FileResult& result)
{
    std::string& error = result.message;
    const auto started = Clock::now();
    std::unique_ptr<SoundReader> reader = SoundReader::Open(input, error);
    if (!reader)
        return false;
    const int channels = reader->Channels();

    std::unique_ptr<SoundReader> sideReader;
    if (!cl.sideChainFile.empty()) {
        sideReader = SoundReader::Open(cl.sideChainFile, error);
        if (!sideReader) {
            result.stopsTheBatch = true;
            return false;
        }
        if (sideReader->SampleRate() != reader->SampleRate()) {
            error = cl.sideChainFile + " runs at " + std::to_string(sideReader->SampleRate()) + " Hz but " + input +
                    " at " + std::to_string(reader->SampleRate()) + " Hz; the side-chain must have the same rate";
            result.impossible = true;
            return false;
        }
    }
    const int sideChannels = sideReader ? sideReader->Channels() : 0;

    std::vector<std::unique_ptr<HostedEffect>> instances;
    instances.push_back(StartEffect(cl.plugin, cl.clapId, reader->SampleRate(), cl.blockSize, error));
    if (!instances[0]) {
        result.stopsTheBatch = true;
        return false;
    }
    EffectLayout layout = LayoutOf(*instances[0]);
    if (WantsMonoLayout(layout, channels, sideChannels, cl.routing))
        layout.monoLayoutTaken = instances[0]->RequestMonoLayout();
    RoutingPlan plan;
    if (!PlanRouting(layout, channels, sideChannels, cl.routing, plan, error, input, cl.sideChainFile)) {
        result.impossible = true;
        return false;
    }
    if (cl.doublePrecision && !instances[0]->CanProcessDouble()) {
        error = "the plug-in cannot process in double precision; render without --double";
        result.stopsTheBatch = true;
        return false;
    }
    const int outChannels = plan.OutputChannels();
    const int format =
        ChooseOutputFormat(output, reader->Format(), cl.floatOutput, outChannels, reader->SampleRate(), error);
    if (format == 0)
        return false;

    RenderOptions options;
    options.blockSize = cl.blockSize;
    options.doublePrecision = cl.doublePrecision;
    options.compensateLatency = cl.compensateLatency;

    result.stopsTheBatch = true;
    while (instances.size() < plan.instances.size()) {
        instances.push_back(StartEffect(cl.plugin, cl.clapId, reader->SampleRate(), cl.blockSize, error));
        if (!instances.back())
            return false;
    }
    // Every instance gets the same state; the first one's warnings stand for all.
    for (std::size_t k = 0; k < instances.size(); ++k) {
        HostedEffect& plugin = *instances[k];
        std::vector<std::string> repeated;
        if (preset) {
            PluginInstance* vst2Plugin = plugin.AsVst2();
            if (!vst2Plugin) {
                error = "--preset reads VST 2 preset files; a CLAP plug-in takes none";
                return false;
            }
            if (k == 0 && !CheckPresetFits(*preset, *vst2Plugin, cl.presetFile, error))
                return false;
            SetCrashContext("the plug-in crashed while loading " + cl.presetFile);
            if (!ApplyPreset(*vst2Plugin, *preset, cl.presetFile, error))
                return false;
        }
        if (!ApplySettings(plugin, cl.settings, cl.strict, k == 0 ? result.warnings : repeated, error))
            return false;
    }
    result.stopsTheBatch = false;

    std::unique_ptr<SoundWriter> writer = SoundWriter::Create(output, format, outChannels, reader->SampleRate(), error);
    if (!writer)
        return false;
    const CrashCleanup cleanup(writer->TemporaryPath());

    SetCrashContext("the plug-in crashed while processing " + input);
    std::vector<HostedEffect*> running;
    for (const std::unique_ptr<HostedEffect>& plugin : instances) {
        plugin->SetOfflineRender(true);
        plugin->Resume(cl.doublePrecision);
        running.push_back(plugin.get());
    }
    RenderResult rendered;
    const std::int64_t total = reader->Frames();
    const bool done = RenderFile(
        running, plan, *reader, sideReader.get(), *writer, options,
        [&](std::int64_t frames) { progress(frames, total); }, rendered, error);
    SetCrashContext("the plug-in crashed while being closed");
    for (HostedEffect* plugin : running)
        plugin->Suspend();
    if (!done)
        return false;
    if (!writer->Commit(error))
        return false;
    const std::string settings = DescribeSettings(*instances[0], cl.settings);
    instances.clear();
    result.routingNote = plan.note;

    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    result.audioSeconds = static_cast<double>(rendered.frames) / reader->SampleRate();
    char line[256];
    std::snprintf(line, sizeof line, ": %.3f s, %d ch, %d Hz, %s%s, latency %d%s%s", result.audioSeconds, outChannels,
                  reader->SampleRate(), DescribeFormat(format).c_str(), cl.doublePrecision ? ", double precision" : "",
                  rendered.latency, cl.compensateLatency ? " compensated" : " not compensated",
                  settings.empty() ? "" : ", ");
    char timing[96];
    std::snprintf(timing, sizeof timing, ", %.3f s (%.0fx real time)", elapsed,
                  elapsed > 0 ? result.audioSeconds / elapsed : 0.0);
    result.message = "rendered " + input + " -> " + output + line + settings + timing;
    result.ok = true;
    return true;
}

int RenderSingle(const CommandLine& cl)
{
    FxPreset preset;
    std::string error;
    if (!cl.presetFile.empty() && !ReadPresetFile(cl.presetFile, preset, error))
        return ReportError(error);
    FileResult result;
    bool ok;
    {
        ProgressBar bar(StderrIsTerminal());
        ok = RenderOneFile(
            cl, cl.presetFile.empty() ? nullptr : &preset, cl.input, cl.output,
            [&bar](std::int64_t done, std::int64_t total) { bar.Update(done, total); }, result);
    }
    for (const std::string& warning : result.warnings)
        ReportWarning(warning);
    if (!ok) {
        ReportError(result.message);
        return result.impossible ? kExitUsage : kExitFailed;
    }
    if (!result.routingNote.empty())
        std::printf("routing: %s\n", result.routingNote.c_str());
    std::printf("%s\n", result.message.c_str());
    return kExitOk;
}

// The output name of every input, or false with `error` when two inputs
// would land on one name or an output would overwrite its own input.
bool PlanBatch(const CommandLine& cl, std::vector<std::string>& outputs, std::string& error)
{
    std::map<std::string, std::string> taken;  // output name -> the input that takes it
    for (const std::string& input : cl.files) {
        const std::string name = FileName(input);
        if (name.empty()) {
            error = "\"" + input + "\" names a folder, not an audio file";
            return false;
        }
        const std::string output = JoinPath(cl.outDir, name);
        const auto [it, fresh] = taken.emplace(output, input);
        if (!fresh) {
            error = it->second + " and " + input + " would both be written to " + output;
            return false;
        }
        if (SameFile(input, output)) {
            error = output + " is the input itself; choose an --out-dir other than the inputs' folder";
            return false;
        }
        outputs.push_back(output);
    }
    return true;
}

// What the workers of a batch share with the thread that reports.
struct Batch {
    const CommandLine* cl = nullptr;
    const FxPreset* preset = nullptr;
    std::vector<std::string> outputs;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    // Thousandths of each file done, for the one progress bar.
    std::vector<std::atomic<int>> permille;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<std::size_t, FileResult>> finished;  // under lock
    std::size_t workersRunning = 0;  // under lock

    explicit Batch(std::size_t files) : permille(files) {}
};

// One worker thread: takes the next input until none is left or the batch
// was stopped.
void BatchWorker(Batch& batch)
{
    SetCrashContext("the plug-in crashed in a batch");
    for (;;) {
        const std::size_t i = batch.next.fetch_add(1);
        if (i >= batch.outputs.size() || batch.stop.load())
            break;
        FileResult result;
        std::atomic<int>& share = batch.permille[i];
        RenderOneFile(
            *batch.cl, batch.preset, batch.cl->files[i], batch.outputs[i],
            [&share](std::int64_t done, std::int64_t total) {
                if (total > 0)
                    share.store(static_cast<int>(std::min(done, total) * 1000 / total));
            },
            result);
        share.store(1000);
        if (result.stopsTheBatch)
            batch.stop.store(true);
        std::lock_guard<std::mutex> guard(batch.lock);
        batch.finished.emplace_back(i, std::move(result));
        batch.changed.notify_one();
    }
    std::lock_guard<std::mutex> guard(batch.lock);
    --batch.workersRunning;
    batch.changed.notify_one();
}

int RenderBatch(const CommandLine& cl)
{
    FxPreset preset;
    std::string error;
    if (!cl.presetFile.empty() && !ReadPresetFile(cl.presetFile, preset, error))
        return ReportError(error);
    const std::size_t files = cl.files.size();
    Batch batch(files);
    batch.cl = &cl;
    batch.preset = cl.presetFile.empty() ? nullptr : &preset;
    if (!PlanBatch(cl, batch.outputs, error))
        return ReportError(error);
    if (!FileExists(cl.plugin))
        return ReportError(cl.plugin + ": no such plug-in file");
    if (!MakeDirectories(cl.outDir))
        return ReportError("cannot create the folder " + cl.outDir);
    // Loaded once for the whole batch, so that the instances come and go
    // without the library being unloaded and loaded again between files.
    std::unique_ptr<PluginModule> keepLoaded = PluginModule::Load(cl.plugin, error);
    if (!keepLoaded)
        return ReportError(cl.plugin + " cannot be loaded as a plug-in library: " + error);

    const unsigned cores = std::thread::hardware_concurrency();
    const std::size_t wanted = cl.jobs > 0 ? static_cast<std::size_t>(cl.jobs) : (cores > 0 ? cores : 1);
    const std::size_t jobs = std::min(wanted, files);
    const auto started = Clock::now();

    // This thread alone writes to the terminal: the bar, and each file's line
    // as it finishes.
    std::size_t failed = 0, rendered = 0, impossible = 0;
    double audioSeconds = 0.0;
    std::set<std::string> warned;
    std::set<std::string> routingsShown;
    std::string stopReason;
    ProgressBar bar(StderrIsTerminal());
    auto report = [&](std::size_t index, const FileResult& result) {
        bar.Clear();
        for (const std::string& warning : result.warnings) {
            if (warned.insert(warning).second)
                ReportWarning(warning);
        }
        if (result.ok) {
            // Files of one layout share a routing: it is shown once.
            if (!result.routingNote.empty() && routingsShown.insert(result.routingNote).second)
                std::printf("routing: %s\n", result.routingNote.c_str());
            ++rendered;
            audioSeconds += result.audioSeconds;
            std::printf("%s\n", result.message.c_str());
            std::fflush(stdout);
            return;
        }
        ++failed;
        if (result.impossible)
            ++impossible;
        if (!result.stopsTheBatch)
            ReportError(cl.files[index] + ": " + result.message);
        else if (stopReason.empty())
            stopReason = result.message;
    };

    if (jobs == 1) {
        // One job runs here: no worker to hand each file over to and back.
        for (std::size_t i = 0; i < files && stopReason.empty(); ++i) {
            FileResult result;
            const auto before = static_cast<long long>(i) * 1000;
            RenderOneFile(
                cl, batch.preset, cl.files[i], batch.outputs[i],
                [&](std::int64_t done, std::int64_t total) {
                    if (total > 0)
                        bar.Update(before + std::min(done, total) * 1000 / total, static_cast<long long>(files) * 1000);
                },
                result);
            report(i, result);
        }
    } else {
        batch.workersRunning = jobs;
        std::vector<std::thread> workers;
        for (std::size_t w = 0; w < jobs; ++w)
            workers.emplace_back(BatchWorker, std::ref(batch));
        std::unique_lock<std::mutex> guard(batch.lock);
        for (;;) {
            batch.changed.wait_for(guard, std::chrono::milliseconds(100),
                                   [&] { return !batch.finished.empty() || batch.workersRunning == 0; });
            std::deque<std::pair<std::size_t, FileResult>> now;
            now.swap(batch.finished);
            const bool last = batch.workersRunning == 0;
            guard.unlock();
            for (const auto& [index, result] : now)
                report(index, result);
            if (last)
                break;
            long long done = 0;
            for (const std::atomic<int>& share : batch.permille)
                done += share.load();
            bar.Update(done, static_cast<long long>(files) * 1000);
            guard.lock();
        }
        for (std::thread& w : workers)
            w.join();
    }
    bar.Clear();
    if (!stopReason.empty())
        return ReportError(stopReason + " (the batch was stopped)");

    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const std::string failures = failed ? ", " + std::to_string(failed) + " failed" : "";
    std::printf("rendered %zu of %zu files into %s with %zu %s: %.3f s of audio in %.3f s (%.0fx real time)%s\n",
                rendered, files, cl.outDir.c_str(), jobs, jobs == 1 ? "job" : "jobs", audioSeconds, elapsed,
                elapsed > 0 ? audioSeconds / elapsed : 0.0, failures.c_str());
    // Only files the request could not be carried out for: a usage error.
    return failed == 0 ? kExitOk : failed == impossible ? kExitUsage : kExitFailed;
}

}  // namespace

int RunRender(const CommandLine& cl)
{
    return cl.outDir.empty() ? RenderSingle(cl) : RenderBatch(cl);
}

}  // namespace vsthost

}  // namespace kestrelon
