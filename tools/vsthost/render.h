// The render loop: streams an audio file (and a side-chain file) through one
// or more instances of an effect block by block, routed as planned, in single
// or double precision, and lines the output up with the input by dropping the
// effect's reported latency at the start and flushing it out at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/vsthost/routing.h"

namespace kestrelon {

namespace vsthost {

class HostedEffect;
class SoundReader;
class SoundWriter;

struct RenderOptions {
    int blockSize = 512;
    bool doublePrecision = false;
    bool compensateLatency = true;
};

struct RenderResult {
    std::int64_t frames = 0;  // frames written
    int latency = 0;  // the effect's reported latency, compensated or not
};

// Called after each block with the input frames consumed so far.
using RenderProgress = std::function<void(std::int64_t done)>;

// `plugins` holds one resumed instance per instance of the plan, with the
// same precision and block size; `side` is the side-chain file or null (past
// its end its inputs are silent). Writes as many frames as the input has, with
// the plan's output channels.
bool RenderFile(const std::vector<HostedEffect*>& plugins, const RoutingPlan& plan, SoundReader& in, SoundReader* side,
                SoundWriter& out, const RenderOptions& options, const RenderProgress& progress, RenderResult& result,
                std::string& error);

}  // namespace vsthost

}  // namespace kestrelon
