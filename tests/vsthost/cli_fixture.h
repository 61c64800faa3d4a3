// Shared by the tests that drive the built vsthost: paths of the tool and of
// the test plug-ins, a fresh work folder per test, and audio file helpers.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

#include "tests/support/run_tool.h"

namespace kestrelon {

namespace vsthost_test {

struct Audio {
    int channels = 0;  // 0: the file could not be read
    int sampleRate = 0;
    int format = 0;
    std::vector<double> samples;  // interleaved
    std::size_t Frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Deterministic material with onsets and decays, peaking below 0.8.
Audio MakeSignal(int channels, int sampleRate, std::size_t frames, int format);
bool WriteAudio(const std::string& path, const Audio& audio);
Audio ReadAudio(const std::string& path);
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool Exists(const std::string& path);
// The names in a folder, for checking that nothing was left behind.
std::vector<std::string> ListFolder(const std::string& folder);

// Paths built into the test program; converted to Windows form under wine.
std::string ToolPath();
// "", "nochunks", "mono", "crash", "badmagic", "noentry", "mainonly", "notext"
std::string TestPlugin(const char* variant);
std::string KestrelonPlugin();
// The CLAP test plug-in: "" (sound), "block_events", "drifting_state", "wrong_thread".
std::string ClapTestPlugin(const std::string& variant);  // "" when the plug-in is not built in this tree

class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::string Path(const std::string& name) const;
    ToolRun Run(const std::vector<std::string>& args) const;
    std::string workDir;
};

// The tool's failure contract: a non-zero exit and exactly one line on
// stderr, starting "vsthost: ".
::testing::AssertionResult FailedWithOneLine(const ToolRun& run);

}  // namespace vsthost_test

}  // namespace kestrelon
