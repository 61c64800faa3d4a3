#include "tools/vsthost/cli.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kestrelon {

namespace vsthost {
namespace {

bool ParseInt(const std::string& text, int& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -2147483647L || v > 2147483647L)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseSeed(const std::string& text, unsigned long long& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    out = v;
    return true;
}

bool ParseNumber(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// Walks the arguments after the command, separating options (in both
// "--opt VALUE" and "--opt=VALUE" forms) from positional arguments.
class ArgumentWalker {
public:
    ArgumentWalker(const std::vector<std::string>& args, std::size_t first) : arguments(args), next(first) {}

    bool Done() const { return next >= arguments.size(); }
    bool NextIsOption() const { return arguments[next].size() > 2 && arguments[next].compare(0, 2, "--") == 0; }

    // Consumes an option; `name` gets "--opt", `inlineValue` the text after '='.
    void TakeOption(std::string& name, std::string& inlineValue, bool& hasInline)
    {
        const std::string& arg = arguments[next++];
        const std::size_t eq = arg.find('=');
        hasInline = eq != std::string::npos;
        name = hasInline ? arg.substr(0, eq) : arg;
        inlineValue = hasInline ? arg.substr(eq + 1) : std::string();
    }
    bool TakeValue(std::string& value)
    {
        if (Done())
            return false;
        value = arguments[next++];
        return true;
    }
    std::string TakePositional() { return arguments[next++]; }

private:
    const std::vector<std::string>& arguments;
    std::size_t next;
};

struct CommandShape {
    const char* word;  // first word, or "preset save" style pair
    Command command;
    std::size_t positionals;  // exact count, or minimum when `variadic`
    bool variadic;
    const char* options;  // space-separated options it accepts
};

const CommandShape kShapes[] = {
    {"info", Command::Info, 1, false, "--rate --block --plugin-id"},
    {"render", Command::Render, 2, true,
     "--set --preset --block --double --no-latency-compensation --float --strict --out-dir --jobs --map --outputs "
     "--sidechain --plugin-id"},
    {"preset save", Command::PresetSave, 2, false, "--set --preset --strict"},
    {"preset load", Command::PresetLoad, 2, false, ""},
    {"synth-drums", Command::SynthDrums, 1, false, "--rate --seconds"},
    {"stats", Command::Stats, 1, true, ""},
    {"plot-data", Command::PlotData, 3, false, ""},
    {"torture", Command::Torture, 1, false, "--seed --quick --strict --timeout --plugin-id"},
    {"edit", Command::Edit, 1, false,
     "--script --step --audio --signal --automate --no-open --measure --set --preset --block --rate --plugin-id "
     "--gui-scale"},
};

bool Accepts(const CommandShape& shape, const std::string& option)
{
    const std::string list = std::string(" ") + shape.options + " ";
    return list.find(" " + option + " ") != std::string::npos;
}

bool ApplyOption(const std::string& name, const std::string& value, CommandLine& out, std::string& error)
{
    if (name == "--set") {
        const std::size_t eq = value.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "--set needs NAME=TEXT, e.g. --set \"Clip Output=off\" (got \"" + value + "\")";
            return false;
        }
        out.settings.push_back({value.substr(0, eq), value.substr(eq + 1)});
    } else if (name == "--preset") {
        if (value.empty()) {
            error = "--preset needs a file name";
            return false;
        }
        out.presetFile = value;
    } else if (name == "--block") {
        int n = 0;
        if (!ParseInt(value, n) || n < 1 || n > kMaxBlockSize) {
            error = "--block needs a whole number of samples from 1 to " + std::to_string(kMaxBlockSize) + " (got \"" +
                    value + "\")";
            return false;
        }
        out.blockSize = n;
    } else if (name == "--rate") {
        double hz = 0;
        if (!ParseNumber(value, hz) || hz < 1000.0 || hz > 768000.0) {
            error = "--rate needs a sample rate in Hz from 1000 to 768000 (got \"" + value + "\")";
            return false;
        }
        out.sampleRate = hz;
    } else if (name == "--seconds") {
        double s = 0;
        if (!ParseNumber(value, s) || s <= 0.0 || s > 3600.0) {
            error = "--seconds needs a duration above 0 and at most 3600 (got \"" + value + "\")";
            return false;
        }
        out.seconds = s;
    } else if (name == "--out-dir") {
        if (value.empty()) {
            error = "--out-dir needs a folder name";
            return false;
        }
        out.outDir = value;
    } else if (name == "--jobs") {
        int n = 0;
        if (!ParseInt(value, n) || n < 1 || n > kMaxJobs) {
            error = "--jobs needs a whole number of worker threads from 1 to " + std::to_string(kMaxJobs) + " (got \"" +
                    value + "\")";
            return false;
        }
        out.jobs = n;
    } else if (name == "--map") {
        std::vector<InputSource> sources;
        if (!ParseMapText(value, sources, error))
            return false;
        if (out.routing.instances.size() >= static_cast<std::size_t>(kMaxInstances)) {
            error = "--map is given more than " + std::to_string(kMaxInstances) + " times, one instance each";
            return false;
        }
        out.routing.instances.push_back(std::move(sources));
    } else if (name == "--outputs") {
        if (!ParseOutputsText(value, out.routing.outputs, error))
            return false;
    } else if (name == "--sidechain") {
        if (value.empty()) {
            error = "--sidechain needs a file name";
            return false;
        }
        out.sideChainFile = value;
    } else if (name == "--plugin-id") {
        if (value.empty()) {
            error = "--plugin-id needs the id of one of the CLAP library's plug-ins";
            return false;
        }
        out.clapId = value;
    } else if (name == "--timeout") {
        double s = 0;
        if (!ParseNumber(value, s) || s < 0.1 || s > 3600.0) {
            error = "--timeout needs the seconds a call may take, from 0.1 to 3600 (got \"" + value + "\")";
            return false;
        }
        out.callLimit = s;
    } else if (name == "--script" || name == "--audio") {
        if (value.empty()) {
            error = name + " needs a file name";
            return false;
        }
        (name == "--script" ? out.scriptFile : out.audioFile) = value;
    } else if (name == "--step") {
        out.steps.push_back(value);
    } else if (name == "--signal") {
        if (value != "drums" && value != "silence") {
            error = "--signal needs drums or silence (got \"" + value + "\")";
            return false;
        }
        out.signal = value;
    } else if (name == "--measure") {
        double s = 0;
        if (!ParseNumber(value, s) || s < 0.1 || s > 600.0) {
            error = "--measure needs the seconds each measurement runs, from 0.1 to 600 (got \"" + value + "\")";
            return false;
        }
        out.measureSeconds = s;
    } else if (name == "--gui-scale") {
        double x = 0;
        if (!ParseNumber(value, x) || x < 0.25 || x > 8.0) {
            error = "--gui-scale needs the editor's scale factor, from 0.25 to 8 (got \"" + value + "\")";
            return false;
        }
        out.guiScale = x;
    } else if (name == "--seed") {
        if (!ParseSeed(value, out.seed)) {
            error = "--seed needs a whole number from 0 to 18446744073709551615 (got \"" + value + "\")";
            return false;
        }
    }
    return true;
}

bool TakesValue(const std::string& option)
{
    return option != "--double" && option != "--no-latency-compensation" && option != "--float" &&
           option != "--quick" && option != "--strict" && option != "--automate" && option != "--no-open";
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error)
{
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        out = CommandLine();
        return true;
    }
    const CommandShape* shape = nullptr;
    std::size_t first = 1;
    for (const CommandShape& s : kShapes) {
        const std::string word = s.word;
        const std::size_t space = word.find(' ');
        if (space == std::string::npos) {
            if (args[0] == word)
                shape = &s;
        } else if (args[0] == word.substr(0, space)) {
            if (args.size() < 2 || (args[1] != "save" && args[1] != "load")) {
                error = "preset needs 'save' or 'load': vsthost preset save PLUGIN FILE.fxp";
                return false;
            }
            if (args[1] == word.substr(space + 1)) {
                shape = &s;
                first = 2;
            }
        }
        if (shape)
            break;
    }
    if (!shape) {
        error = "unknown command '" + args[0] +
                "' (info, render, preset save, preset load, synth-drums, stats, plot-data, torture, edit)";
        return false;
    }

    CommandLine cl;
    cl.command = shape->command;
    std::vector<std::string> positionals;
    ArgumentWalker walker(args, first);
    while (!walker.Done()) {
        if (!walker.NextIsOption()) {
            positionals.push_back(walker.TakePositional());
            continue;
        }
        std::string name, value;
        bool hasInline = false;
        walker.TakeOption(name, value, hasInline);
        if (!Accepts(*shape, name)) {
            error = "'" + std::string(shape->word) + "' has no option " + name +
                    (shape->options[0] ? std::string(" (it takes: ") + shape->options + ")" : std::string());
            return false;
        }
        if (!TakesValue(name)) {
            if (hasInline) {
                error = name + " takes no value";
                return false;
            }
            if (name == "--double")
                cl.doublePrecision = true;
            if (name == "--no-latency-compensation")
                cl.compensateLatency = false;
            if (name == "--float")
                cl.floatOutput = true;
            if (name == "--quick")
                cl.quick = true;
            if (name == "--strict")
                cl.strict = true;
            if (name == "--automate")
                cl.automate = true;
            if (name == "--no-open")
                cl.noOpen = true;
            continue;
        }
        if (!hasInline && !walker.TakeValue(value)) {
            error = name + " needs a value";
            return false;
        }
        if (!ApplyOption(name, value, cl, error))
            return false;
    }

    bool countOk =
        shape->variadic ? positionals.size() >= shape->positionals : positionals.size() == shape->positionals;
    // One file goes to the name given; a batch goes to a folder.
    if (cl.command == Command::Render && cl.outDir.empty())
        countOk = positionals.size() == 3;
    if (cl.command == Command::Render && cl.outDir.empty() && cl.jobs != 0) {
        error = "--jobs needs --out-dir: vsthost render PLUGIN IN... --out-dir DIR --jobs N";
        return false;
    }
    for (const std::vector<InputSource>& instance : cl.routing.instances) {
        for (const InputSource& source : instance) {
            if (source.file == InputSource::File::SideChain && cl.sideChainFile.empty()) {
                error = "--map names the side-chain channel s" + std::to_string(source.channel + 1) +
                        " but no --sidechain FILE is given";
                return false;
            }
        }
    }
    if (!countOk) {
        error = "wrong number of arguments for '" + std::string(shape->word) + "'; usage: " + [&] {
            switch (shape->command) {
            case Command::Info:
                return std::string("vsthost info PLUGIN");
            case Command::Render:
                return std::string("vsthost render PLUGIN IN OUT [options], or PLUGIN IN... --out-dir DIR");
            case Command::PresetSave:
                return std::string("vsthost preset save PLUGIN FILE.fxp|FILE.fxb");
            case Command::PresetLoad:
                return std::string("vsthost preset load PLUGIN FILE.fxp|FILE.fxb");
            case Command::SynthDrums:
                return std::string("vsthost synth-drums OUT.wav");
            case Command::Stats:
                return std::string("vsthost stats FILE...");
            case Command::PlotData:
                return std::string("vsthost plot-data IN RENDERED DATA.txt");
            case Command::Torture:
                return std::string("vsthost torture PLUGIN [--seed N] [--quick] [--strict] [--timeout S]");
            case Command::Edit:
                return std::string("vsthost edit PLUGIN [--script FILE] [--step STEP]... [options]");
            default:
                return std::string("vsthost help");
            }
        }();
        return false;
    }

    switch (cl.command) {
    case Command::Info:
    case Command::Torture:
    case Command::Edit:
        cl.plugin = positionals[0];
        break;
    case Command::Render:
        cl.plugin = positionals[0];
        if (cl.outDir.empty()) {
            cl.input = positionals[1];
            cl.output = positionals[2];
        } else {
            cl.files.assign(positionals.begin() + 1, positionals.end());
        }
        break;
    case Command::PresetSave:
    case Command::PresetLoad:
        cl.plugin = positionals[0];
        // For preset save/load the positional file is the preset; a --preset
        // given to save is the state to start from, kept in `input`.
        cl.input = cl.presetFile;
        cl.presetFile = positionals[1];
        break;
    case Command::SynthDrums:
        cl.output = positionals[0];
        break;
    case Command::Stats:
        cl.files = positionals;
        break;
    case Command::PlotData:
        cl.input = positionals[0];
        cl.files = {positionals[0], positionals[1]};
        cl.output = positionals[2];
        break;
    case Command::Help:
        break;
    }
    out = std::move(cl);
    return true;
}

const char* UsageText()
{
    return "usage: vsthost COMMAND ...\n"
           "  info PLUGIN [--rate HZ] [--block N]\n"
           "      the effect record, parameters, programs, canDo answers and chunk sizes\n"
           "  PLUGIN is a VST 2 library, or a CLAP one (FILE.clap) whose first plug-in is\n"
           "      hosted unless --plugin-id ID names another (info, render, torture, edit)\n"
           "  render PLUGIN IN OUT [--set NAME=TEXT]... [--preset FILE] [--block N]\n"
           "         [--double] [--no-latency-compensation] [--float] [--strict]\n"
           "         [--map LIST]... [--outputs LIST] [--sidechain FILE]\n"
           "  render PLUGIN IN... --out-dir DIR [--jobs N] [options as above]\n"
           "      processes an audio file; OUT keeps IN's format (--float: 32-bit float);\n"
           "      --set is applied after --preset, and a text the plug-in did not take as\n"
           "      written is a warning (--strict: an error); the latency is compensated\n"
           "      unless told not to. With --out-dir each IN is written to DIR under its\n"
           "      own name, each by its own instance, N files at a time (default: one per core).\n"
           "      Channels are routed to the plug-in's inputs as a DAW would (a mono file to\n"
           "      both inputs of a stereo effect, a stereo file through a mono effect an\n"
           "      instance per channel); each --map runs one instance and names the channel\n"
           "      of each input in order (1,2 ; 1,1 ; 2,1 ; s1 for --sidechain FILE's first\n"
           "      channel, 0 for silence); --outputs picks each instance's outputs (1,2)\n"
           "  preset save PLUGIN FILE.fxp|FILE.fxb [--set NAME=TEXT]... [--preset FILE] [--strict]\n"
           "  preset load PLUGIN FILE.fxp|FILE.fxb\n"
           "      writes or checks a standard preset file; load prints the parameters it sets\n"
           "  synth-drums OUT.wav [--seconds S] [--rate HZ]\n"
           "      writes a synthesised stereo drum loop (kick, snare, hats)\n"
           "  stats FILE...\n"
           "      peak, RMS and crest factor of each file\n"
           "  plot-data IN RENDERED DATA.txt\n"
           "      waveform envelopes and gain change in dB over time, for gnuplot\n"
           "  torture PLUGIN [--seed N] [--quick] [--strict] [--timeout S]\n"
           "      drives the effect the way careless hosts do (lifecycles, odd rates and\n"
           "      blocks, threads, state, bad input) and reports faults (crashes, hangs,\n"
           "      calls over S seconds (30), bad output or buffers, state lost) and notes\n"
           "      (optional abilities or conventions missing); fails on faults, and with\n"
           "      --strict on notes too\n"
           "  edit PLUGIN [--script FILE] [--step STEP]... [--set NAME=TEXT]... [--preset FILE]\n"
           "       [--audio IN | --signal drums|silence] [--automate] [--no-open] [--block N] [--rate HZ]\n"
           "       [--gui-scale X]\n"
           "      opens the effect's editor in a window of its own and performs the steps\n"
           "      (one a line in FILE, then each --step): wait MS, down|move|up X Y,\n"
           "      drag X1 Y1 X2 Y2 [STEPS], dblclick X Y, wheel X Y DELTA, key NAME, type TEXT,\n"
           "      enter, escape, shift down|up, screenshot FILE.png, close, open, set NAME=TEXT,\n"
           "      chunk save|load FILE, expect-param NAME TEXT, idle, destroy-window,\n"
           "      host-capture, resources mark|check, expect-class NAME registered|unregistered,\n"
           "      expect-size W H, host-resize W H (the user drags the host window's frame:\n"
           "      a CLAP editor's adjust_size, then set_size); coordinates are editor pixels.\n"
           "      Prints what the effect tells the host (automate INDEX VALUE, begin-edit,\n"
           "      end-edit, size-window) one a line. --audio loops a file through the effect\n"
           "      meanwhile, --automate sets every parameter from another thread; --gui-scale\n"
           "      gives a CLAP editor its scale (set_scale after create; not called without it)\n"
           "  edit PLUGIN --measure S [--audio IN] [options]\n"
           "      the time from effEditOpen to the first frame, and the CPU of the open\n"
           "      editor, idle and metering, against the editor closed, S seconds each\n";
}

}  // namespace vsthost

}  // namespace kestrelon
