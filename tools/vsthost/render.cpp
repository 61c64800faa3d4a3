#include "tools/vsthost/render.h"

#include <algorithm>
#include <vector>

#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/hosted_effect.h"
#include "tools/vsthost/routing.h"

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

// Fills `block` frames of every input of one instance from the chunks read.
template <typename Sample>
void FeedInputs(const std::vector<InputSource>& sources, const double* mainFrom, std::size_t mainChannels,
                const double* sideFrom, std::size_t sideChannels, std::size_t frames, Sample* const* inputs)
{
    for (std::size_t c = 0; c < sources.size(); ++c) {
        Sample* dest = inputs[c];
        const InputSource& source = sources[c];
        if (source.file == InputSource::File::None) {
            std::fill(dest, dest + frames, Sample(0));
            continue;
        }
        const bool side = source.file == InputSource::File::SideChain;
        const double* from = (side ? sideFrom : mainFrom) + source.channel;
        const std::size_t stride = side ? sideChannels : mainChannels;
        for (std::size_t i = 0; i < frames; ++i)
            dest[i] = static_cast<Sample>(from[i * stride]);
    }
}

// Reads exactly `frames` frames of the side-chain file, silence past its end.
bool ReadSideChain(SoundReader& side, double* to, std::size_t frames)
{
    const auto channels = static_cast<std::size_t>(side.Channels());
    std::size_t got = 0;
    while (got < frames) {
        const std::int64_t read = side.Read(to + got * channels, static_cast<std::int64_t>(frames - got));
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    std::fill(to + got * channels, to + frames * channels, 0.0);
    return !side.Failed();
}

template <typename Sample>
bool RenderWith(const std::vector<HostedEffect*>& plugins, const RoutingPlan& plan, SoundReader& in, SoundReader* side,
                SoundWriter& out, const RenderOptions& options, const RenderProgress& progress, RenderResult& result,
                std::string& error)
{
    const int block = options.blockSize;
    if (plugins.empty() || plugins.size() != plan.instances.size() || block < 1) {
        error = "the routing plan does not match the instances started";
        return false;
    }
    // Every instance is the same effect with the same settings; one that
    // reports another delay would leave its channels out of line.
    const int reportedLatency = plugins[0]->Latency();
    for (const HostedEffect* plugin : plugins) {
        if (plugin->Latency() != reportedLatency) {
            error = "the plug-in's instances report different latencies (" + std::to_string(reportedLatency) + " and " +
                    std::to_string(plugin->Latency()) + " samples) for the same settings";
            return false;
        }
    }
    // Room for every pin the record names and every one the plan uses, in
    // case the effect changed its counts after the plan was made.
    int pluginInputs = plugins[0]->InputCount();
    int pluginOutputs = plugins[0]->OutputCount();
    for (const std::vector<InputSource>& sources : plan.instances)
        pluginInputs = std::max(pluginInputs, static_cast<int>(sources.size()));
    for (const int pick : plan.outputs)
        pluginOutputs = std::max(pluginOutputs, pick + 1);
    std::vector<ChannelBuffers<Sample>> inputs, outputs;
    inputs.reserve(plugins.size());
    outputs.reserve(plugins.size());
    for (std::size_t k = 0; k < plugins.size(); ++k) {
        inputs.emplace_back(pluginInputs, block);
        outputs.emplace_back(pluginOutputs, block);
    }
    // The file is read and written in chunks of whole blocks: one system call
    // per chunk instead of one per block, while the effect still gets blocks of
    // the size it was told.
    const auto blocksPerChunk = static_cast<std::size_t>(std::max(1, kFileChunkFrames / block));
    const std::size_t chunkFrames = blocksPerChunk * static_cast<std::size_t>(block);
    const auto channels = static_cast<std::size_t>(in.Channels());
    const auto sideChannels = static_cast<std::size_t>(side ? side->Channels() : 0);
    const auto outChannels = static_cast<std::size_t>(plan.OutputChannels());
    std::vector<double> fileIn(chunkFrames * channels);
    std::vector<double> sideIn(chunkFrames * sideChannels);
    std::vector<double> fileOut(chunkFrames * outChannels);

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
            std::fill(sideIn.begin(), sideIn.end(), 0.0);
        } else {
            consumed += static_cast<std::int64_t>(frames);
            if (side && !ReadSideChain(*side, sideIn.data(), frames)) {
                error = "reading the side-chain file failed part-way (damaged or truncated file?)";
                return false;
            }
        }

        std::size_t kept = 0;
        for (std::size_t start = 0; start < frames; start += static_cast<std::size_t>(block)) {
            const std::size_t n = std::min(frames - start, static_cast<std::size_t>(block));
            for (std::size_t k = 0; k < plugins.size(); ++k) {
                FeedInputs(plan.instances[k], fileIn.data() + start * channels, channels,
                           sideIn.data() + start * sideChannels, sideChannels, n, inputs[k].pointers.data());
                if constexpr (sizeof(Sample) == sizeof(double)) {
                    plugins[k]->ProcessDouble(inputs[k].pointers.data(), outputs[k].pointers.data(),
                                              static_cast<int>(n));
                } else {
                    plugins[k]->ProcessFloat(inputs[k].pointers.data(), outputs[k].pointers.data(),
                                             static_cast<int>(n));
                }
            }
            const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(toDrop, static_cast<std::int64_t>(n)));
            toDrop -= static_cast<std::int64_t>(drop);
            double* to = fileOut.data() + kept * outChannels;
            std::size_t c = 0;
            for (std::size_t k = 0; k < plugins.size(); ++k) {
                for (const int pick : plan.outputs) {
                    const Sample* src = outputs[k].pointers[static_cast<std::size_t>(pick)] + drop;
                    for (std::size_t i = 0; i < n - drop; ++i)
                        to[i * outChannels + c] = static_cast<double>(src[i]);
                    ++c;
                }
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

bool RenderFile(const std::vector<HostedEffect*>& plugins, const RoutingPlan& plan, SoundReader& in, SoundReader* side,
                SoundWriter& out, const RenderOptions& options, const RenderProgress& progress, RenderResult& result,
                std::string& error)
{
    if (options.doublePrecision)
        return RenderWith<double>(plugins, plan, in, side, out, options, progress, result, error);
    return RenderWith<float>(plugins, plan, in, side, out, options, progress, result, error);
}

}  // namespace vsthost

}  // namespace kestrelon
