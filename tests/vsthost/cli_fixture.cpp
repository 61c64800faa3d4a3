#include "tests/vsthost/cli_fixture.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kestrelon {

namespace vsthost_test {
Audio MakeSignal(int channels, int sampleRate, std::size_t frames, int format)
{
    Audio audio;
    audio.channels = channels;
    audio.sampleRate = sampleRate;
    audio.format = format;
    audio.samples.resize(frames * static_cast<std::size_t>(channels));
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < frames; ++i) {
        // A burst every 0.25 s: a falling tone plus a noise click, decaying.
        const double t = static_cast<double>(i % static_cast<std::size_t>(sampleRate / 4)) / sampleRate;
        const double envelope = std::exp(-t / 0.05);
        noise = noise * 1664525u + 1013904223u;
        const double white = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
        for (int c = 0; c < channels; ++c) {
            const double tone = std::sin(2.0 * 3.14159265358979 * (180.0 + 60.0 * c) * t);
            audio.samples[i * channels + c] = 0.6 * envelope * tone + 0.15 * white * std::exp(-t / 0.004);
        }
    }
    return audio;
}

bool WriteAudio(const std::string& path, const Audio& audio)
{
    SF_INFO info = {};
    info.channels = audio.channels;
    info.samplerate = audio.sampleRate;
    info.format = audio.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<sf_count_t>(audio.Frames());
    const bool ok = sf_writef_double(file, audio.samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

Audio ReadAudio(const std::string& path)
{
    Audio audio;
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return audio;
    audio.samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    const sf_count_t read = sf_readf_double(file, audio.samples.data(), info.frames);
    sf_close(file);
    if (read != info.frames)
        return audio;
    audio.channels = info.channels;
    audio.sampleRate = info.samplerate;
    audio.format = info.format;
    return audio;
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ToolPath()
{
    return HostPath(VSTHOST_EXE);
}

std::string TestPlugin(const char* variant)
{
    const std::string v = variant;
    if (v.empty())
        return HostPath(VSTHOST_TEST_PLUGIN);
    if (v == "nochunks")
        return HostPath(VSTHOST_TEST_PLUGIN_NOCHUNKS);
    if (v == "mono")
        return HostPath(VSTHOST_TEST_PLUGIN_MONO);
    if (v == "crash")
        return HostPath(VSTHOST_TEST_PLUGIN_CRASH);
    if (v == "badmagic")
        return HostPath(VSTHOST_TEST_PLUGIN_BADMAGIC);
    if (v == "noentry")
        return HostPath(VSTHOST_TEST_PLUGIN_NOENTRY);
    if (v == "mainonly")
        return HostPath(VSTHOST_TEST_PLUGIN_MAINONLY);
    if (v == "notext")
        return HostPath(VSTHOST_TEST_PLUGIN_NOTEXT);
    return std::string();
}

std::string ClapTestPlugin(const std::string& variant)
{
    return HostPath(std::string(VSTHOST_CLAP_GAIN_DIR) + "/vsthost_clap_gain" + (variant.empty() ? "" : "_" + variant) +
                    ".clap");
}

std::string KestrelonPlugin()
{
    return HostPath(KESTRELON_PLUGIN);
}

void CliTest::SetUp()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    workDir = HostPath(std::string(VSTHOST_TEST_WORK_DIR) + "/" + name);
    std::error_code ec;
    std::filesystem::remove_all(workDir, ec);
    std::filesystem::create_directories(workDir, ec);
    ASSERT_FALSE(ec) << "cannot create " << workDir;
}

std::string CliTest::Path(const std::string& name) const
{
#if defined(_WIN32)
    return workDir + "\\" + name;
#else
    return workDir + "/" + name;
#endif
}

ToolRun CliTest::Run(const std::vector<std::string>& args) const
{
    return RunProgram(ToolPath(), args, workDir);
}

::testing::AssertionResult FailedWithOneLine(const ToolRun& run)
{
    if (run.exitCode == 0)
        return ::testing::AssertionFailure() << "exit status 0; stdout: " << run.out;
    if (run.err.rfind("vsthost: ", 0) != 0)
        return ::testing::AssertionFailure() << "stderr: [" << run.err << "]";
    const std::size_t newline = run.err.find('\n');
    if (newline == std::string::npos || newline + 1 != run.err.size()) {
        return ::testing::AssertionFailure() << "not exactly one line on stderr: [" << run.err << "]";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace vsthost_test

}  // namespace kestrelon
