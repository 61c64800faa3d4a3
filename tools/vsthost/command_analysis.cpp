// vsthost synth-drums, stats and plot-data: the material and the measurements
// of the demo.
#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/vsthost/analysis.h"
#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/commands.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/preset_io.h"
#include "tools/vsthost/synth_drums.h"

namespace kestrelon {

namespace vsthost {
namespace {

constexpr int kPlotBucketFrames = 64;
constexpr double kGainWindowSeconds = 0.010;

struct WholeFile {
    std::vector<double> samples;  // interleaved
    int channels = 0;
    int sampleRate = 0;
};

bool ReadWholeFile(const std::string& path, WholeFile& file, std::string& error)
{
    std::unique_ptr<SoundReader> reader = SoundReader::Open(path, error);
    if (!reader)
        return false;
    file.channels = reader->Channels();
    file.sampleRate = reader->SampleRate();
    std::vector<double> block(static_cast<std::size_t>(65536) * static_cast<std::size_t>(file.channels));
    std::int64_t n;
    while ((n = reader->Read(block.data(), 65536)) > 0) {
        file.samples.insert(file.samples.end(), block.begin(), block.begin() + n * file.channels);
    }
    return true;
}

std::string FormatDb(double db)
{
    char text[32];
    if (std::isinf(db))
        return "-inf";
    std::snprintf(text, sizeof text, "%.2f", db);
    return text;
}

}  // namespace

int RunSynthDrums(const CommandLine& cl)
{
    const int rate = static_cast<int>(std::lround(cl.sampleRate));
    const std::vector<double> loop = SynthesizeDrumLoop(rate, cl.seconds);
    std::string error;
    const int format = ChooseOutputFormat(cl.output, SF_FORMAT_WAV | SF_FORMAT_PCM_24, false, 2, rate, error);
    if (format == 0)
        return ReportError(error);
    std::unique_ptr<SoundWriter> writer = SoundWriter::Create(cl.output, format, 2, rate, error);
    if (!writer)
        return ReportError(error);
    if (!writer->Write(loop.data(), static_cast<std::int64_t>(loop.size() / 2))) {
        return ReportError("writing " + cl.output + " failed (disk full?)");
    }
    if (!writer->Commit(error))
        return ReportError(error);
    std::printf("wrote %s: %.3f s drum loop, 2 ch, %d Hz, %s\n", cl.output.c_str(),
                static_cast<double>(loop.size() / 2) / rate, rate, DescribeFormat(format).c_str());
    return kExitOk;
}

int RunStats(const CommandLine& cl)
{
    std::vector<std::pair<std::string, LevelStats>> rows;
    for (const std::string& path : cl.files) {
        WholeFile file;
        std::string error;
        if (!ReadWholeFile(path, file, error))
            return ReportError(error);
        rows.emplace_back(path, MeasureLevels(file.samples));
    }
    std::size_t width = 4;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    std::printf("%-*s  %10s  %10s  %9s\n", static_cast<int>(width), "file", "peak dBFS", "RMS dBFS", "crest dB");
    for (const auto& [path, stats] : rows) {
        const double peakDb = ToDecibels(stats.peak);
        const double rmsDb = ToDecibels(stats.rms);
        const std::string crest = stats.rms > 0.0 ? FormatDb(peakDb - rmsDb) : "-";
        std::printf("%-*s  %10s  %10s  %9s\n", static_cast<int>(width), path.c_str(), FormatDb(peakDb).c_str(),
                    FormatDb(rmsDb).c_str(), crest.c_str());
    }
    return kExitOk;
}

int RunPlotData(const CommandLine& cl)
{
    WholeFile in, out;
    std::string error;
    if (!ReadWholeFile(cl.files[0], in, error) || !ReadWholeFile(cl.files[1], out, error))
        return ReportError(error);
    if (in.channels != out.channels || in.sampleRate != out.sampleRate || in.samples.size() != out.samples.size()) {
        return ReportError(cl.files[0] + " and " + cl.files[1] +
                           " differ in channels, sample rate or length; plot a file against its own render");
    }
    const int window = static_cast<int>(kGainWindowSeconds * in.sampleRate);
    const std::vector<PlotRow> rows =
        BuildPlotRows(in.samples, out.samples, in.channels, in.sampleRate, kPlotBucketFrames, window);
    std::string text = "# time_s in_min in_max out_min out_max gain_db ('?' where the input is silent)\n";
    char line[160];
    for (const PlotRow& row : rows) {
        if (row.hasGain) {
            std::snprintf(line, sizeof line, "%.5f %.5f %.5f %.5f %.5f %.3f\n", row.time, row.inMin, row.inMax,
                          row.outMin, row.outMax, row.gainDb);
        } else {
            std::snprintf(line, sizeof line, "%.5f %.5f %.5f %.5f %.5f ?\n", row.time, row.inMin, row.inMax, row.outMin,
                          row.outMax);
        }
        text += line;
    }
    if (!WriteFileAtomically(cl.output, std::vector<std::uint8_t>(text.begin(), text.end()), error)) {
        return ReportError(error);
    }
    return kExitOk;
}

}  // namespace vsthost

}  // namespace kestrelon
