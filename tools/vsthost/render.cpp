#include "tools/vsthost/render.h"

#include <algorithm>
#include <vector>

#include "tools/vsthost/audio_file.h"
#include "tools/vsthost/plugin_instance.h"

namespace vsthost {
namespace {

// Per-channel buffers of one sample type, sized once for the whole render.
template <typename Sample>
struct ChannelBuffers {
  ChannelBuffers(int channels, int frames)
      : storage(static_cast<std::size_t>(channels > 0 ? channels : 1) * static_cast<std::size_t>(frames)),
        pointers(static_cast<std::size_t>(channels > 0 ? channels : 1)) {
    for (std::size_t c = 0; c < pointers.size(); ++c) pointers[c] = storage.data() + c * static_cast<std::size_t>(frames);
  }
  std::vector<Sample> storage;
  std::vector<Sample*> pointers;
};

template <typename Sample>
bool RenderWith(PluginInstance& plugin, SoundReader& in, SoundWriter& out, const RenderOptions& options,
                const RenderProgress& progress, RenderResult& result, std::string& error) {
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
  std::vector<double> interleaved(static_cast<std::size_t>(block) * static_cast<std::size_t>(fileChannels));

  // Which file channel feeds each effect input; -1 is silence.
  std::vector<int> source(static_cast<std::size_t>(pluginInputs), -1);
  for (int c = 0; c < pluginInputs; ++c) {
    if (c < fileChannels) source[c] = c;
    else if (options.duplicateMono && fileChannels == 1) source[c] = 0;
  }

  const int reportedLatency = plugin.Latency();
  const int latency = options.compensateLatency ? reportedLatency : 0;
  std::int64_t toDrop = latency;
  std::int64_t flushLeft = latency;
  std::int64_t consumed = 0;
  std::int64_t written = 0;
  bool inputEnded = false;

  for (;;) {
    std::int64_t frames = 0;
    if (!inputEnded) {
      frames = in.Read(interleaved.data(), block);
      if (frames <= 0) inputEnded = true;
    }
    if (inputEnded) {
      // Silence pushes the delayed end of the input out of the effect.
      frames = std::min<std::int64_t>(flushLeft, block);
      if (frames == 0) break;
      flushLeft -= frames;
      std::fill(interleaved.begin(), interleaved.end(), 0.0);
    } else {
      consumed += frames;
    }

    const auto n = static_cast<std::size_t>(frames);
    for (int c = 0; c < pluginInputs; ++c) {
      Sample* dest = inputs.pointers[c];
      const int from = source[c];
      if (from < 0) {
        std::fill(dest, dest + n, Sample(0));
        continue;
      }
      for (std::size_t i = 0; i < n; ++i) dest[i] = static_cast<Sample>(interleaved[i * fileChannels + from]);
    }
    if constexpr (sizeof(Sample) == sizeof(double)) {
      plugin.ProcessDouble(inputs.pointers.data(), outputs.pointers.data(), static_cast<int>(frames));
    } else {
      plugin.ProcessFloat(inputs.pointers.data(), outputs.pointers.data(), static_cast<int>(frames));
    }

    const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(toDrop, frames));
    toDrop -= static_cast<std::int64_t>(drop);
    const std::size_t keep = n - drop;
    if (keep > 0) {
      for (int c = 0; c < fileChannels; ++c) {
        const Sample* src = outputs.pointers[c] + drop;
        for (std::size_t i = 0; i < keep; ++i) interleaved[i * fileChannels + c] = static_cast<double>(src[i]);
      }
      if (!out.Write(interleaved.data(), static_cast<std::int64_t>(keep))) {
        error = "writing the output failed (disk full?)";
        return false;
      }
      written += static_cast<std::int64_t>(keep);
    }
    if (progress) progress(consumed);
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
                const RenderProgress& progress, RenderResult& result, std::string& error) {
  if (options.doublePrecision) return RenderWith<double>(plugin, in, out, options, progress, result, error);
  return RenderWith<float>(plugin, in, out, options, progress, result, error);
}

}  // namespace vsthost
