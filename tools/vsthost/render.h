// The render loop: streams an audio file through an effect block by block,
// in single or double precision, and lines the output up with the input by
// dropping the effect's reported latency at the start and flushing it out at
// the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrelon {

namespace vsthost {

class PluginInstance;
class SoundReader;
class SoundWriter;

struct RenderOptions {
    int blockSize = 512;
    bool doublePrecision = false;
    bool compensateLatency = true;
    // A mono file on an effect that refused the one-in, one-out layout is fed
    // to both of its inputs instead.
    bool duplicateMono = false;
};

struct RenderResult {
    std::int64_t frames = 0;  // frames written
    int latency = 0;  // the effect's reported latency, compensated or not
};

// Called after each block with the input frames consumed so far.
using RenderProgress = std::function<void(std::int64_t done)>;

// The effect must be resumed with the same precision and block size. Writes
// as many frames as the input has.
bool RenderFile(PluginInstance& plugin, SoundReader& in, SoundWriter& out, const RenderOptions& options,
                const RenderProgress& progress, RenderResult& result, std::string& error);

}  // namespace vsthost

}  // namespace kestrelon
