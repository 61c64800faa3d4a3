// vsthost edit PLUGIN: the effect's editor in a window of the host's own,
// driven by a script of the user's mouse and key actions and the host's own
// calls around the editor, while audio may run through the effect. Every
// request the editor makes of the host is printed, one a line.
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <thread>

#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/clap_instance.h"
#include "tools/vsthost/commands.h"
#include "tools/vsthost/edit_script.h"
#include "tools/vsthost/editor_session.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/png_file.h"
#include "tools/vsthost/preset_io.h"
#include "tools/vsthost/session.h"
#include "tools/vsthost/synth_drums.h"

namespace kestrelon {

namespace vsthost {
namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error)
{
    std::FILE* file = OpenFile(path, "rb");
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    char buffer[65536];
    std::size_t n = 0;
    content.clear();
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        content.append(buffer, n);
        if (content.size() > (64u << 20)) {
            std::fclose(file);
            error = path + " is larger than 64 MiB";
            return false;
        }
    }
    std::fclose(file);
    return true;
}

// Lines on stdout, whole and in order, whichever thread the effect calls from.
class Printer {
public:
    void Line(const char* format, ...)
    {
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        std::lock_guard<std::mutex> hold(lock);
        std::fputs(text, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

private:
    std::mutex lock;
};

// What the effect's editor tells the host, printed as it comes.
class PrintingHost : public EditorHostEvents {
public:
    PrintingHost(Printer& out, EditorHost& editorHost) : printer(out), host(editorHost) {}

    void ParameterAutomated(int index, float value) override { printer.Line("automate %d %.6f", index, value); }
    void EditBegun(int index) override { printer.Line("begin-edit %d", index); }
    void EditEnded(int index) override { printer.Line("end-edit %d", index); }
    bool SizeWindow(int width, int height) override
    {
        printer.Line("size-window %d %d", width, height);
        if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
            return false;
        // Only the window's own thread may resize it without waiting on itself.
        if (std::this_thread::get_id() != uiThread)
            return false;
        if (HostWindow* window = host.ExistingWindow())
            window->Resize(width, height);
        return true;
    }

private:
    Printer& printer;
    EditorHost& host;
    std::thread::id uiThread = std::this_thread::get_id();
};

// The loop the audio thread plays: the --audio file, or a generated signal.
bool LoadAudioLoop(const CommandLine& cl, double rate, std::vector<double>& loop, std::string& error)
{
    if (!cl.audioFile.empty()) {
        std::unique_ptr<SoundReader> reader = SoundReader::Open(cl.audioFile, error);
        if (!reader)
            return false;
        const int channels = reader->Channels();
        if (channels < 1 || channels > 2) {
            error = cl.audioFile + " has " + std::to_string(channels) + " channels; only mono and stereo files play";
            return false;
        }
        if (reader->Frames() <= 0 || reader->Frames() > 60LL * 768000) {
            error = cl.audioFile + " is empty or longer than a minute";
            return false;
        }
        std::vector<double> interleaved(static_cast<std::size_t>(reader->Frames()) * channels);
        const std::int64_t got = reader->Read(interleaved.data(), reader->Frames());
        loop.resize(static_cast<std::size_t>(got) * 2);
        for (std::int64_t i = 0; i < got; ++i) {
            loop[static_cast<std::size_t>(i) * 2] = interleaved[static_cast<std::size_t>(i) * channels];
            loop[static_cast<std::size_t>(i) * 2 + 1] =
                interleaved[static_cast<std::size_t>(i) * channels + (channels - 1)];
        }
        return got > 0;
    }
    if (cl.signal == "silence")
        loop.assign(static_cast<std::size_t>(rate) * 2, 0.0);
    else
        loop = SynthesizeDrumLoop(static_cast<int>(rate), 4.0);
    return true;
}

// Steps that press keys.
bool IsKey(StepKind kind)
{
    return kind == StepKind::Key || kind == StepKind::Enter || kind == StepKind::Escape || kind == StepKind::Type;
}

// Steps that send the editor the user's input.
bool IsInput(StepKind kind)
{
    switch (kind) {
    case StepKind::Down:
    case StepKind::Move:
    case StepKind::Up:
    case StepKind::DoubleClick:
    case StepKind::Drag:
    case StepKind::Wheel:
    case StepKind::Key:
    case StepKind::Enter:
    case StepKind::Escape:
    case StepKind::Type:
    case StepKind::HostCapture:
        return true;
    default:
        return false;
    }
}

class EditRun {
public:
    EditRun(const CommandLine& commandLine, HostedEffect& plugin)
        : cl(commandLine), effect(plugin), host(plugin), events(printer, host)
    {
        effect.SetEditorHost(&events);
        // A CLAP plug-in's other requests (restart, callback, flush, timers,
        // rescans) are printed as they come; its gestures, parameter events
        // and resize requests come through `events` as a VST 2 effect's do.
        if (ClapInstance* clap = effect.AsClap()) {
            clap->SetReport([this](const std::string& line) {
                if (line.rfind("gesture-", 0) != 0 && line.rfind("param ", 0) != 0 &&
                    line.rfind("request-resize ", 0) != 0)
                    printer.Line("clap %s", line.c_str());
            });
        }
    }
    ~EditRun()
    {
        automation.reset();
        audio.reset();
        if (host.IsOpen())
            host.Close();
        effect.SetEditorHost(nullptr);
        if (ClapInstance* clap = effect.AsClap())
            clap->SetReport(nullptr);
    }

    bool StartThreads(std::string& error)
    {
        if (!cl.audioFile.empty() || !cl.signal.empty()) {
            std::vector<double> loop;
            if (!LoadAudioLoop(cl, cl.sampleRate, loop, error))
                return false;
            audio = std::make_unique<AudioThread>(effect, std::move(loop), cl.sampleRate, cl.blockSize);
        }
        if (cl.automate)
            automation = std::make_unique<AutomationThread>(effect);
        return true;
    }

    bool Run(const std::vector<EditStep>& steps, std::string& error)
    {
        if (!cl.noOpen && !OpenEditor(error))
            return false;
        for (const EditStep& step : steps) {
            SetCrashContext("the plug-in crashed at " + step.source);
            std::string why;
            const bool ok = Perform(step, why);
            if (ok && IsInput(step.kind))
                if (HostWindow* window = host.ExistingWindow(); window && window->InputArrivesAtIdle()) {
                    window->SyncWithDisplay();
                    host.IdleAfterInput();
                    // What the editor passed on to the host's window (a key it
                    // does not take) is read before it is reported: the server
                    // serves the editor's connection and ours in its own order,
                    // so the host's loop runs a moment, as a host's would.
                    window->SyncWithDisplay();
                    window->Pump(IsKey(step.kind) ? 30 : 0, nullptr, 0);
                }
            PrintHostKeys();
            if (!ok) {
                error = step.source + ": " + why;
                return false;
            }
        }
        SetCrashContext("the plug-in crashed while its editor was closed");
        if (host.IsOpen()) {
            host.Close();
            printer.Line("close");
        }
        return true;
    }

    bool Measure(double seconds, std::string& error);

private:
    bool OpenEditor(std::string& error)
    {
        if (!host.Open(error))
            return false;
        int w = 0, h = 0;
        host.ExistingWindow()->ClientSize(w, h);
        printer.Line("open %d x %d", w, h);
        return true;
    }

    // The host window with the editor inside, or null with `error`.
    HostWindow* NeedWindow(std::string& error)
    {
        HostWindow* window = host.ExistingWindow();
        if (window && window->Alive() && window->HasEditor())
            return window;
        error = "the editor is not open";
        return nullptr;
    }

    void PrintHostKeys()
    {
        if (HostWindow* window = host.ExistingWindow()) {
            for (const std::string& key : window->TakeHostKeys())
                printer.Line("host-key %s", key.c_str());
        }
    }

    static std::string Describe(const WindowResources& r)
    {
        std::string text = "windows " + std::to_string(r.windows);
        if (r.gdiObjects >= 0)
            text += std::string(", ") + r.objectsName + " " + std::to_string(r.gdiObjects) + " (" + r.contextsName +
                    " " + std::to_string(r.deviceContexts) + ", " + r.imagesName + " " + std::to_string(r.bitmaps) +
                    ", fonts " + std::to_string(r.fonts) + ")";
        if (r.userObjects >= 0)
            text += ", user " + std::to_string(r.userObjects);
        return text;
    }

    bool Perform(const EditStep& step, std::string& error);
    bool ExpectParam(const EditStep& step, std::string& error);
    bool HostResize(const EditStep& step, std::string& error);

    const CommandLine& cl;
    HostedEffect& effect;
    Printer printer;
    EditorHost host;
    PrintingHost events;
    std::unique_ptr<AudioThread> audio;
    std::unique_ptr<AutomationThread> automation;
    bool shift = false;
    WindowResources mark;
    bool marked = false;
};

bool EditRun::Perform(const EditStep& step, std::string& error)
{
    const int* n = step.numbers;
    switch (step.kind) {
    case StepKind::Wait:
        host.Wait(n[0]);
        return true;
    case StepKind::Down:
    case StepKind::Move:
    case StepKind::Up:
    case StepKind::DoubleClick: {
        HostWindow* window = NeedWindow(error);
        const MouseAction action = step.kind == StepKind::Down   ? MouseAction::Down
                                   : step.kind == StepKind::Move ? MouseAction::Move
                                   : step.kind == StepKind::Up   ? MouseAction::Up
                                                                 : MouseAction::DoubleClick;
        return window && window->Mouse(action, n[0], n[1], shift, error);
    }
    case StepKind::Drag: {
        HostWindow* window = NeedWindow(error);
        if (!window || !window->Mouse(MouseAction::Down, n[0], n[1], shift, error))
            return false;
        const int moves = n[4];
        for (int i = 1; i <= moves; ++i) {
            const int x = n[0] + (n[2] - n[0]) * i / moves;
            const int y = n[1] + (n[3] - n[1]) * i / moves;
            if (!window->Mouse(MouseAction::Move, x, y, shift, error))
                return false;
        }
        return window->Mouse(MouseAction::Up, n[2], n[3], shift, error);
    }
    case StepKind::Wheel: {
        HostWindow* window = NeedWindow(error);
        return window && window->Wheel(n[0], n[1], n[2], shift, error);
    }
    case StepKind::Key:
    case StepKind::Enter:
    case StepKind::Escape: {
        HostWindow* window = NeedWindow(error);
        const std::string name =
            step.kind == StepKind::Key ? step.text : (step.kind == StepKind::Enter ? "enter" : "escape");
        return window && window->Key(name, error);
    }
    case StepKind::Type: {
        HostWindow* window = NeedWindow(error);
        return window && window->Type(step.text, error);
    }
    case StepKind::Shift:
        shift = step.flag;
        return true;
    case StepKind::Screenshot: {
        HostWindow* window = NeedWindow(error);
        if (!window)
            return false;
        window->Pump(0, nullptr, 0);
        Screenshot shot;
        if (!window->Capture(shot, error) || !WritePng(step.text, shot, error))
            return false;
        printer.Line("screenshot %s %d x %d", step.text.c_str(), shot.width, shot.height);
        return true;
    }
    case StepKind::Close:
        host.Close();
        printer.Line("close");
        return true;
    case StepKind::Open:
        return OpenEditor(error);
    case StepKind::Set: {
        std::vector<std::string> warnings;
        if (!ApplySettings(effect, {ParamSetting{step.text, step.value}}, false, warnings, error))
            return false;
        for (const std::string& w : warnings)
            ReportWarning(w);
        const int index = effect.FindParam(step.text);
        printer.Line("set %s %s", step.text.c_str(), Trimmed(effect.ParamDisplay(index)).c_str());
        return true;
    }
    case StepKind::ChunkSave: {
        const std::vector<std::uint8_t> chunk = effect.GetChunk(false);
        if (chunk.empty()) {
            error = "the plug-in hands out no state chunk";
            return false;
        }
        if (!WriteFileAtomically(step.text, chunk, error))
            return false;
        printer.Line("chunk saved %s %zu bytes", step.text.c_str(), chunk.size());
        return true;
    }
    case StepKind::ChunkLoad: {
        std::string content;
        if (!ReadWholeFile(step.text, content, error))
            return false;
        const std::vector<std::uint8_t> chunk(content.begin(), content.end());
        if (!effect.SetChunk(false, chunk)) {
            error = "the plug-in refused the state chunk in " + step.text;
            return false;
        }
        printer.Line("chunk loaded %s %zu bytes", step.text.c_str(), chunk.size());
        return true;
    }
    case StepKind::ExpectParam:
        return ExpectParam(step, error);
    case StepKind::Idle:
        host.Idle();
        return true;
    case StepKind::DestroyWindow:
        if (HostWindow* window = host.ExistingWindow())
            window->Destroy();
        printer.Line("host window destroyed");
        return true;
    case StepKind::HostCapture: {
        HostWindow* window = host.ExistingWindow();
        if (!window || !window->Alive()) {
            error = "there is no host window to take the mouse";
            return false;
        }
        window->TakeMouseCapture();
        return true;
    }
    case StepKind::ResourcesMark:
    case StepKind::ResourcesCheck: {
        HostWindow* window = host.Window(error);
        if (!window)
            return false;
        window->Pump(0, nullptr, 0);
        const WindowResources now = window->Resources();
        printer.Line("resources %s", Describe(now).c_str());
        if (step.kind == StepKind::ResourcesMark || !marked) {
            mark = now;
            marked = true;
            return true;
        }
        if (now.windows > mark.windows || now.gdiObjects > mark.gdiObjects ||
            now.deviceContexts > mark.deviceContexts || now.bitmaps > mark.bitmaps || now.fonts > mark.fonts ||
            now.userObjects > mark.userObjects) {
            error = "the window system holds more than at the mark: " + Describe(now) + " against " + Describe(mark);
            return false;
        }
        return true;
    }
    case StepKind::ExpectClass: {
        HostWindow* window = host.Window(error);
        if (!window)
            return false;
        const bool registered = window->ClassRegistered(step.text, effect.ModuleHandle());
        if (registered != step.flag) {
            error = "the window class " + step.text + " is " + (registered ? "still registered" : "not registered");
            return false;
        }
        return true;
    }
    case StepKind::HostResize:
        return HostResize(step, error);
    case StepKind::ExpectSize: {
        HostWindow* window = host.ExistingWindow();
        int w = 0, h = 0;
        if (window)
            window->ClientSize(w, h);
        if (w != n[0] || h != n[1]) {
            error = "the host window is " + std::to_string(w) + " x " + std::to_string(h) + ", not " +
                    std::to_string(n[0]) + " x " + std::to_string(n[1]);
            return false;
        }
        return true;
    }
    }
    error = "a step this build cannot perform";
    return false;
}

bool EditRun::ExpectParam(const EditStep& step, std::string& error)
{
    const int index = effect.FindParam(step.text);
    if (index < 0) {
        error = "no parameter \"" + step.text + "\"; the plug-in has " + effect.ParamNameList();
        return false;
    }
    const std::string display = Trimmed(effect.ParamDisplay(index));
    const std::string label = Trimmed(effect.ParamLabel(index));
    const std::string withLabel = label.empty() ? display : display + " " + label;
    if (step.value == display || step.value == withLabel || ShowsWhatWasTyped(step.value, display, label)) {
        printer.Line("param %s %s", step.text.c_str(), withLabel.c_str());
        return true;
    }
    error = step.text + " shows \"" + withLabel + "\", not \"" + step.value + "\"";
    return false;
}

// An editor that cannot be resized is no failure of the run: a host only
// keeps the user from dragging its window's frame then.
bool EditRun::HostResize(const EditStep& step, std::string& error)
{
    HostWindow* window = NeedWindow(error);
    if (!window)
        return false;
    const int width = step.numbers[0], height = step.numbers[1];
    ClapInstance* clap = effect.AsClap();
    if (!clap) {
        printer.Line("host-resize %d %d not resizable (a VST 2 editor)", width, height);
        return true;
    }
    const ClapInstance::GuiResize answer =
        clap->ResizeGui(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    if (!answer.resizable) {
        printer.Line("host-resize %d %d not resizable (gui.can_resize false)", width, height);
    } else if (!answer.adjusted) {
        printer.Line("host-resize %d %d adjust_size refused", width, height);
    } else if (!answer.setCalled) {
        printer.Line("host-resize %d %d adjusted %u %u, no size for a window", width, height, answer.width,
                     answer.height);
    } else {
        printer.Line("host-resize %d %d adjusted %u %u set_size %s", width, height, answer.width, answer.height,
                     answer.set ? "accepted" : "refused");
        // A refused size leaves the editor as it was, and the frame around it.
        if (answer.set)
            window->Resize(static_cast<int>(answer.width), static_cast<int>(answer.height));
    }
    return true;
}

// CPU over `seconds` of wall time as percentages of one core, the host
// pumping its window meanwhile: this process's, and the display server's
// where it can be told (-1 otherwise).
struct CpuUse {
    double process = 0.0;
    double server = -1.0;
};

CpuUse CpuPercent(EditorHost& host, double seconds)
{
    const double cpu = ProcessCpuSeconds(), server = DisplayServerCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    host.Wait(static_cast<int>(seconds * 1000.0));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    CpuUse use;
    if (wall <= 0)
        return use;
    use.process = (ProcessCpuSeconds() - cpu) / wall * 100.0;
    if (server >= 0)
        use.server = (DisplayServerCpuSeconds() - server) / wall * 100.0;
    return use;
}

bool EditRun::Measure(double seconds, std::string& error)
{
    constexpr int kOpenings = 7;
    // The first opening in the process, then later ones.
    std::vector<double> firstFrames;
    for (int i = 0; i < kOpenings; ++i) {
        const double ms = host.OpenTimed(error);
        if (ms < 0) {
            if (error.empty())
                error = "the editor showed no frame within a second of effEditOpen";
            return false;
        }
        firstFrames.push_back(ms);
        host.Wait(50);
        host.Close();
        host.Wait(20);
    }
    std::vector<double> later(firstFrames.begin() + 1, firstFrames.end());
    std::sort(later.begin(), later.end());
    printer.Line("first-frame first %.2f ms, later median %.2f ms (worst %.2f ms)", firstFrames[0],
                 later[later.size() / 2], later.back());

    auto phases = [&](const char* what) {
        const CpuUse closed = CpuPercent(host, seconds);
        if (!host.Open(error))
            return false;
        host.Wait(200);  // past the first frames
        const CpuUse opened = CpuPercent(host, seconds);
        host.Close();
        host.Wait(50);
        printer.Line("cpu %s: editor closed %.3f%%, open %.3f%%, the editor %+.3f%% of one core", what, closed.process,
                     opened.process, opened.process - closed.process);
        // Drawing on X11 is partly the server's work: its share is the editor's too.
        if (closed.server >= 0 && opened.server >= 0)
            printer.Line("cpu %s, display server: editor closed %.3f%%, open %.3f%%, the editor %+.3f%% of one core",
                         what, closed.server, opened.server, opened.server - closed.server);
        return true;
    };
    if (!phases("idle"))
        return false;
    std::vector<double> loop;
    if (!LoadAudioLoop(cl, cl.sampleRate, loop, error))
        return false;
    audio = std::make_unique<AudioThread>(effect, std::move(loop), cl.sampleRate, cl.blockSize);
    host.Wait(100);
    if (!phases("metering"))
        return false;
    audio.reset();
    return true;
}

}  // namespace

int RunEdit(const CommandLine& cl)
{
    std::vector<EditStep> steps;
    std::string error;
    if (!cl.scriptFile.empty()) {
        std::string content;
        if (!ReadWholeFile(cl.scriptFile, content, error) || !ParseEditScript(content, cl.scriptFile, steps, error))
            return ReportError(error);
    }
    for (std::size_t i = 0; i < cl.steps.size(); ++i) {
        if (!ParseEditScript(cl.steps[i], "--step " + std::to_string(i + 1), steps, error))
            return ReportError(error);
    }
    if (cl.measureSeconds > 0 && !steps.empty())
        return ReportError("--measure runs no steps: give it without --script and --step");
    if (!HasDisplay())
        return ReportError("an editor needs a display: run under X (e.g. xvfb-run -a -s \"-screen 0 1280x1024x24\")");

    std::unique_ptr<HostedEffect> plugin = StartEffect(cl.plugin, cl.clapId, cl.sampleRate, cl.blockSize, error);
    if (!plugin)
        return ReportError(error);
    if (!cl.presetFile.empty()) {
        PluginInstance* vst2Plugin = plugin->AsVst2();
        if (!vst2Plugin)
            return ReportError("--preset reads VST 2 preset files; a CLAP plug-in takes none");
        FxPreset preset;
        if (!ReadPresetFile(cl.presetFile, preset, error) ||
            !CheckPresetFits(preset, *vst2Plugin, cl.presetFile, error) ||
            !ApplyPreset(*vst2Plugin, preset, cl.presetFile, error))
            return ReportError(error);
    }
    if (cl.guiScale > 0.0) {
        ClapInstance* clapPlugin = plugin->AsClap();
        if (!clapPlugin)
            return ReportError("--gui-scale is the scale a CLAP editor is given; a VST 2 editor takes none");
        clapPlugin->SetGuiScale(cl.guiScale);
    }
    std::vector<std::string> warnings;
    if (!ApplySettings(*plugin, cl.settings, cl.strict, warnings, error))
        return ReportError(error);
    for (const std::string& w : warnings)
        ReportWarning(w);

    bool ok = false;
    {
        EditRun run(cl, *plugin);
        if (cl.measureSeconds > 0) {
            SetCrashContext("the plug-in crashed while its editor was measured");
            ok = run.Measure(cl.measureSeconds, error);
        } else {
            ok = run.StartThreads(error) && run.Run(steps, error);
        }
    }
    SetCrashContext("the plug-in crashed while being closed");
    plugin.reset();
    return ok ? kExitOk : ReportError(error);
}

}  // namespace vsthost

}  // namespace kestrelon
