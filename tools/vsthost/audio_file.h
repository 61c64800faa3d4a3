// Reading and writing audio files through libsndfile, as interleaved doubles.
// A writer works on a temporary file beside the target and only renames it
// into place on Commit, so a failed or interrupted run never leaves a partial
// output behind.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>

namespace kestrelon {

namespace vsthost {

class SoundReader {
public:
    // Null with `error` set for a missing, unreadable or non-audio file.
    static std::unique_ptr<SoundReader> Open(const std::string& path, std::string& error);
    ~SoundReader();

    int Channels() const { return fileInfo.channels; }
    int SampleRate() const { return fileInfo.samplerate; }
    int Format() const { return fileInfo.format; }
    std::int64_t Frames() const { return fileInfo.frames; }
    // Reads up to `frames` interleaved frames; answers how many were read.
    std::int64_t Read(double* interleaved, std::int64_t frames);
    // True once a read hit a damaged or truncated file rather than its end.
    bool Failed() const;

private:
    SoundReader() = default;
    SNDFILE* sndFile = nullptr;
    SF_INFO fileInfo = {};
};

class SoundWriter {
public:
    static std::unique_ptr<SoundWriter> Create(const std::string& path, int format, int channels, int sampleRate,
                                               std::string& error);
    // Deletes the temporary file unless Commit succeeded.
    ~SoundWriter();

    bool Write(const double* interleaved, std::int64_t frames);
    // Closes the file and moves it to its final name.
    bool Commit(std::string& error);
    const std::string& TemporaryPath() const { return tempPath; }

private:
    SoundWriter() = default;
    SNDFILE* sndFile = nullptr;
    std::string finalPath;
    std::string tempPath;
    bool committed = false;
    bool writeFailed = false;
};

// The format to write `outPath` in: the container named by its extension
// (.wav, .aif/.aiff, .flac, .caf, .w64, .au) or else the input's, with the
// input's sample encoding or 32-bit float. 0 with `error` set when the
// container cannot hold that encoding.
int ChooseOutputFormat(const std::string& outPath, int inputFormat, bool floatOutput, int channels, int sampleRate,
                       std::string& error);

// A short human description such as "WAV 24-bit".
std::string DescribeFormat(int format);

}  // namespace vsthost

}  // namespace kestrelon
