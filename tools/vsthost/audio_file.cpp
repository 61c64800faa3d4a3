#include "tools/vsthost/audio_file.h"

#include "text/ascii.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/sound_file_open.h"

namespace kestrelon {

namespace vsthost {
namespace {

std::string LowerExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = AsciiLower(c);
    return ext;
}

int ContainerForExtension(const std::string& ext)
{
    if (ext == "wav")
        return SF_FORMAT_WAV;
    if (ext == "aif" || ext == "aiff" || ext == "aifc")
        return SF_FORMAT_AIFF;
    if (ext == "flac")
        return SF_FORMAT_FLAC;
    if (ext == "caf")
        return SF_FORMAT_CAF;
    if (ext == "w64")
        return SF_FORMAT_W64;
    if (ext == "au" || ext == "snd")
        return SF_FORMAT_AU;
    return 0;
}

bool IsIntegerEncoding(int format)
{
    const int sub = format & SF_FORMAT_SUBMASK;
    return sub != SF_FORMAT_FLOAT && sub != SF_FORMAT_DOUBLE;
}

}  // namespace

std::unique_ptr<SoundReader> SoundReader::Open(const std::string& path, std::string& error)
{
    if (!FileExists(path)) {
        error = path + ": no such file";
        return nullptr;
    }
    std::unique_ptr<SoundReader> reader(new SoundReader());
    reader->sndFile = OpenSoundFile(path, SFM_READ, &reader->fileInfo);
    if (!reader->sndFile) {
        error = path + " is not an audio file this tool can read (" + sf_strerror(nullptr) +
                "); use WAV, AIFF, FLAC or another format libsndfile reads";
        return nullptr;
    }
    if (reader->fileInfo.channels < 1 || reader->fileInfo.samplerate < 1) {
        error = path + ": the file reports no channels or no sample rate";
        return nullptr;
    }
    return reader;
}

SoundReader::~SoundReader()
{
    if (sndFile)
        sf_close(sndFile);
}

std::int64_t SoundReader::Read(double* interleaved, std::int64_t frames)
{
    return sf_readf_double(sndFile, interleaved, frames);
}

bool SoundReader::Failed() const
{
    return sf_error(sndFile) != SF_ERR_NO_ERROR;
}

std::unique_ptr<SoundWriter> SoundWriter::Create(const std::string& path, int format, int channels, int sampleRate,
                                                 std::string& error)
{
    std::unique_ptr<SoundWriter> writer(new SoundWriter());
    writer->finalPath = path;
    writer->tempPath = path + ".vsthost-" + std::to_string(CurrentProcessId()) + ".tmp";
    SF_INFO info = {};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = format;
    writer->sndFile = OpenSoundFile(writer->tempPath, SFM_WRITE, &info);
    if (!writer->sndFile) {
        error = "cannot create " + path + " (" + sf_strerror(nullptr) + ")";
        RemoveFile(writer->tempPath);
        return nullptr;
    }
    // Without clipping, libsndfile wraps samples beyond full scale around when
    // it converts them to integers: a loud click instead of a clipped peak.
    if (IsIntegerEncoding(format))
        sf_command(writer->sndFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The PEAK chunk of a float file carries the time it was written: without
    // it, the same render gives the same bytes whenever and however it runs.
    sf_command(writer->sndFile, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return writer;
}

SoundWriter::~SoundWriter()
{
    if (sndFile)
        sf_close(sndFile);
    if (!committed)
        RemoveFile(tempPath);
}

bool SoundWriter::Write(const double* interleaved, std::int64_t frames)
{
    if (writeFailed)
        return false;
    if (sf_writef_double(sndFile, interleaved, frames) != frames)
        writeFailed = true;
    return !writeFailed;
}

bool SoundWriter::Commit(std::string& error)
{
    const int closeResult = sf_close(sndFile);
    sndFile = nullptr;
    if (writeFailed || closeResult != 0) {
        error = "writing " + finalPath + " failed (disk full or not writable?)";
        return false;
    }
    if (!MoveFileOver(tempPath, finalPath)) {
        error = "cannot move the finished file into place as " + finalPath;
        return false;
    }
    committed = true;
    return true;
}

int ChooseOutputFormat(const std::string& outPath, int inputFormat, bool floatOutput, int channels, int sampleRate,
                       std::string& error)
{
    int container = ContainerForExtension(LowerExtension(outPath));
    if (container == 0)
        container = inputFormat & SF_FORMAT_TYPEMASK;
    const int encoding = floatOutput ? SF_FORMAT_FLOAT : (inputFormat & SF_FORMAT_SUBMASK);
    SF_INFO info = {};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = container | encoding;
    if (!sf_format_check(&info)) {
        error = outPath + ": a " + DescribeFormat(container | encoding) +
                " file is not possible; pick another extension (.wav holds every encoding)";
        return 0;
    }
    return info.format;
}

std::string DescribeFormat(int format)
{
    SF_FORMAT_INFO major = {};
    major.format = format & SF_FORMAT_TYPEMASK;
    SF_FORMAT_INFO minor = {};
    minor.format = format & SF_FORMAT_SUBMASK;
    std::string text;
    text += sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name ? major.name : "?";
    text += " ";
    text += sf_command(nullptr, SFC_GET_FORMAT_INFO, &minor, sizeof minor) == 0 && minor.name ? minor.name : "?";
    return text;
}

}  // namespace vsthost

}  // namespace kestrelon
