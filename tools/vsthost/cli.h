// The tool's command line: which command, which files, which options. Parsing
// is kept apart from running so that every accepted and refused form can be
// checked without a plug-in.
#pragma once

#include <string>
#include <vector>

#include "tools/vsthost/routing.h"

namespace kestrelon {

namespace vsthost {

enum class Command { Help, Info, Render, PresetSave, PresetLoad, SynthDrums, Stats, PlotData, Torture, Edit };

// One --set NAME=TEXT: the parameter's name and the text a user would type.
struct ParamSetting {
    std::string name;
    std::string text;
};

struct CommandLine {
    Command command = Command::Help;
    std::string plugin;
    std::string clapId;  // --plugin-id: which of a CLAP library's plug-ins (default: the first)
    std::string input;  // render, plot-data
    std::string output;  // render, synth-drums, plot-data (the data file)
    std::string presetFile;  // preset save/load: the file; render: --preset
    std::vector<std::string> files;  // stats, plot-data (input then rendered file), render --out-dir (inputs)
    std::vector<ParamSetting> settings;
    std::string outDir;  // render: a batch, each input written under its own name here
    int jobs = 0;  // render --out-dir: worker threads; 0 for one per core
    RoutingRequest routing;  // render: --map (each an instance) and --outputs
    std::string sideChainFile;  // render --sidechain: a second file for the side-chain inputs
    int blockSize = 512;
    double sampleRate = 44100.0;  // info, synth-drums
    double seconds = 4.0;  // synth-drums
    bool doublePrecision = false;
    bool compensateLatency = true;
    bool floatOutput = false;
    // render, preset save: a --set text not taken as written is an error;
    // torture: notes count as faults.
    bool strict = false;
    unsigned long long seed = 1;  // torture
    bool quick = false;  // torture
    double callLimit = 30.0;  // torture: seconds a call may take before it counts as hung
    // edit: the steps of --script FILE, then those of each --step, in order.
    std::string scriptFile;
    std::vector<std::string> steps;
    std::string audioFile;  // edit --audio: looped through the effect while the steps run
    std::string signal;  // edit --signal drums|silence: generated audio instead
    bool automate = false;  // edit --automate: a host thread sets every parameter meanwhile
    bool noOpen = false;  // edit --no-open: the steps start with the editor closed
    double measureSeconds = 0.0;  // edit --measure S: the editor's costs instead of steps
    double guiScale = 0.0;  // edit --gui-scale X: a CLAP editor's set_scale(X); 0: not called
};

constexpr int kMaxBlockSize = 65536;
constexpr int kMaxJobs = 64;

// Fills `out` and returns true, or returns false with a one-line `error`.
// `args` excludes the program name.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

const char* UsageText();

}  // namespace vsthost

}  // namespace kestrelon
