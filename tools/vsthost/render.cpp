#include "tools/vsthost/render.h"

#include <algorithm>
#include <vector>

#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/plugin_instance.h"

namespace kestrelon {

namespace vsthost {
namespace {

// Frames read from and written to the files at a time.
constexpr int kFileChunkFrames = 16384;

// Per-channel buffers of one sample type, sized once for the whole render.
template <typename Sample>
struct ChannelBuffers {
    ChannelBuffers(int channels, int frames)
        : storage(static_cast<std::size_t>(channels > 0 ? channels : 1) * static_cast<std::size_t>(frames)),
          pointers(static_cast<std::size_t>(channels > 0 ? channels : 1))
    {
        for (std::size_t c = 0; c < pointers.size(); ++c)
            pointers[c] = storage.data() + c * static_cast<std::size_t>(frames);
    }
    std::vector<Sample> storage;
    std::vector<Sample*> pointers;
};

template <typename Sample>
bool RenderWith(PluginInstance& plugin, SoundReader& in, SoundWriter& out, const RenderOptions& options,
                const RenderProgress& progress, RenderResult& result, std::string& error)
{
    const int block = options.blockSize;
    const int fileChannels = in.Channels();
    const int pluginInputs = plugin.Record().numInputs;
    const int pluginOutputs = plugin.Record().numOutputs;
    if (fileChannels > pluginOutputs || block < 1) {
        error = "the plug-in has fewer outputs than the file has channels";
        return false;
    }
    ChannelBuffers<Sample> inputs(pluginInputs, block);
    ChannelBuffers<Sample> outputs(pluginOutputs, block);
    // The file is read and written in chunks of whole blocks: one system call
    // per chunk instead of one per block, while the effect still gets blocks of
    // the size it was told.
    const auto blocksPerChunk = static_cast<std::size_t>(std::max(1, kFileChunkFrames / block));
    const std::size_t chunkFrames = blocksPerChunk * static_cast<std::size_t>(block);
    const auto channels = static_cast<std::size_t>(fileChannels);
    std::vector<double> fileIn(chunkFrames * channels);
    std::vector<double> fileOut(chunkFrames * channels);

    // Which file channel feeds each effect input; -1 is silence.
    std::vector<int> source(static_cast<std::size_t>(pluginInputs), -1);
    for (int c = 0; c < pluginInputs; ++c) {
        if (c < fileChannels)
            source[c] = c;
        else if (options.duplicateMono && fileChannels == 1)
            source[c] = 0;
    }

    const int reportedLatency = plugin.Latency();
    const int latency = options.compensateLatency ? reportedLatency : 0;
    std::int64_t toDrop = latency;
    std::int64_t flushLeft = latency;
    std::int64_t consumed = 0;
    std::int64_t written = 0;
    bool inputEnded = false;

    for (;;) {
        std::size_t frames = 0;
        if (!inputEnded) {
            const std::int64_t read = in.Read(fileIn.data(), static_cast<std::int64_t>(chunkFrames));
            if (read <= 0)
                inputEnded = true;
            else
                frames = static_cast<std::size_t>(read);
        }
        if (inputEnded) {
            // Silence pushes the delayed end of the input out of the effect.
            frames =
                static_cast<std::size_t>(std::min<std::int64_t>(flushLeft, static_cast<std::int64_t>(chunkFrames)));
            if (frames == 0)
                break;
            flushLeft -= static_cast<std::int64_t>(frames);
            std::fill(fileIn.begin(), fileIn.end(), 0.0);
        } else {
            consumed += static_cast<std::int64_t>(frames);
        }

        std::size_t kept = 0;
        for (std::size_t start = 0; start < frames; start += static_cast<std::size_t>(block)) {
            const std::size_t n = std::min(frames - start, static_cast<std::size_t>(block));
            const double* from = fileIn.data() + start * channels;
            for (int c = 0; c < pluginInputs; ++c) {
                Sample* dest = inputs.pointers[c];
                const int ch = source[c];
                if (ch < 0) {
                    std::fill(dest, dest + n, Sample(0));
                    continue;
                }
                for (std::size_t i = 0; i < n; ++i)
                    dest[i] = static_cast<Sample>(from[i * channels + ch]);
            }
            if constexpr (sizeof(Sample) == sizeof(double)) {
                plugin.ProcessDouble(inputs.pointers.data(), outputs.pointers.data(), static_cast<int>(n));
            } else {
                plugin.ProcessFloat(inputs.pointers.data(), outputs.pointers.data(), static_cast<int>(n));
            }
            const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(toDrop, static_cast<std::int64_t>(n)));
            toDrop -= static_cast<std::int64_t>(drop);
            double* to = fileOut.data() + kept * channels;
            for (std::size_t c = 0; c < channels; ++c) {
                const Sample* src = outputs.pointers[c] + drop;
                for (std::size_t i = 0; i < n - drop; ++i)
                    to[i * channels + c] = static_cast<double>(src[i]);
            }
            kept += n - drop;
        }
        if (kept > 0 && !out.Write(fileOut.data(), static_cast<std::int64_t>(kept))) {
            error = "writing the output failed (disk full?)";
            return false;
        }
        written += static_cast<std::int64_t>(kept);
        if (progress)
            progress(consumed);
    }

    if (in.Failed()) {
        error = "reading the input failed part-way (damaged or truncated file?)";
        return false;
    }
    result.frames = written;
    result.latency = reportedLatency;
    return true;
}

}  // namespace

bool RenderFile(PluginInstance& plugin, SoundReader& in, SoundWriter& out, const RenderOptions& options,
                const RenderProgress& progress, RenderResult& result, std::string& error)
{
    if (options.doublePrecision)
        return RenderWith<double>(plugin, in, out, options, progress, result, error);
    return RenderWith<float>(plugin, in, out, options, progress, result, error);
}

}  // namespace vsthost

}  // namespace kestrelon
