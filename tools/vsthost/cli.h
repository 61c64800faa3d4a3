// The tool's command line: which command, which files, which options. Parsing
// is kept apart from running so that every accepted and refused form can be
// checked without a plug-in.
#pragma once

#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

enum class Command { Help, Info, Render, PresetSave, PresetLoad, SynthDrums, Stats, PlotData, Torture };

// One --set NAME=TEXT: the parameter's name and the text a user would type.
struct ParamSetting {
    std::string name;
    std::string text;
};

struct CommandLine {
    Command command = Command::Help;
    std::string plugin;
    std::string input;  // render, plot-data
    std::string output;  // render, synth-drums, plot-data (the data file)
    std::string presetFile;  // preset save/load: the file; render: --preset
    std::vector<std::string> files;  // stats, plot-data (input then rendered file)
    std::vector<ParamSetting> settings;
    int blockSize = 512;
    double sampleRate = 44100.0;  // info, synth-drums
    double seconds = 4.0;  // synth-drums
    bool doublePrecision = false;
    bool compensateLatency = true;
    bool floatOutput = false;
    unsigned long long seed = 1;  // torture
    bool quick = false;  // torture
};

constexpr int kMaxBlockSize = 65536;

// Fills `out` and returns true, or returns false with a one-line `error`.
// `args` excludes the program name.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

const char* UsageText();

}  // namespace vsthost

}  // namespace kestrelon
