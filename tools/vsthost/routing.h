// Which file channel feeds each input of an effect, how many instances of it
// a render runs, and which of their outputs make the output file. Effects
// come in many layouts (mono, stereo, mono in and stereo out, side-chain
// inputs, surround) and a file rarely matches all of them; a DAW lets its
// user route pins, and so does `render` through --map and --outputs. Without
// them the plan follows a few rules users expect (see PlanRouting).
#pragma once

#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

// Where one effect input takes its samples from.
struct InputSource {
    enum class File { None, Main, SideChain };
    File file = File::None;  // None: silence
    int channel = 0;  // 0-based channel of that file

    bool operator==(const InputSource&) const = default;
};

// What the user asked for on the command line; empty members leave the
// choice to the default plan.
struct RoutingRequest {
    // One entry per --map, each an instance: the sources of its inputs in
    // order; inputs beyond the list are silent.
    std::vector<std::vector<InputSource>> instances;
    // --outputs: the outputs of each instance written to the file, 0-based.
    std::vector<int> outputs;
};

// --map text: "1,2", "2,1", "1,1", "1,s1" (side-chain channel 1), "1,0"
// (0 for a silent input). False with a one-line `error` for anything else.
bool ParseMapText(const std::string& text, std::vector<InputSource>& sources, std::string& error);
// --outputs text: "1,2", "2": output numbers from 1.
bool ParseOutputsText(const std::string& text, std::vector<int>& outputs, std::string& error);

// What planning needs to know of the effect.
struct EffectLayout {
    int inputs = 0;
    int outputs = 0;
    // The effect reports its first input as the first of a stereo pair: an
    // effect with one output takes its first two inputs as one stereo signal
    // then, rather than as a mono signal and a side-chain.
    bool stereoPairInput = false;
    // The effect accepted the one-in, one-out layout it was asked for.
    bool monoLayoutTaken = false;
};

struct RoutingPlan {
    // One entry per instance, one source per effect input.
    std::vector<std::vector<InputSource>> instances;
    // The outputs of each instance that are written, 0-based: the file's
    // channels are instance 1's picks, then instance 2's, and so on.
    std::vector<int> outputs;
    // The default plan in --map terms with the reason, when it does more
    // than channel n to input n and output n; empty otherwise and when the
    // user routed by hand.
    std::string note;

    int OutputChannels() const { return static_cast<int>(instances.size() * outputs.size()); }
};

// The most instances one render runs: a file of more channels than this
// through a mono effect is refused rather than loading that many.
constexpr int kMaxInstances = 64;

// Whether the default plan would feed a mono file to several inputs of the
// effect, so that the effect should first be asked for one in, one out
// (not when --map or --outputs route by hand).
bool WantsMonoLayout(const EffectLayout& layout, int fileChannels, int sideChannels, const RoutingRequest& request);

// The plan for a file of `fileChannels` (and a side-chain file of
// `sideChannels`, 0 without one). Without a request:
//  - an effect with one output is a mono effect (its further inputs are
//    side-chains) unless it reports a stereo pair; any other takes as many
//    channels as it has inputs;
//  - as many channels as it takes: channel n to input n, one instance;
//  - a mono file into more: the one-in, one-out layout if the effect takes
//    it, otherwise the channel to both inputs of a stereo effect, or to the
//    first of a wider one;
//  - fewer channels than it takes: the inputs beyond them silent;
//  - more channels than a mono effect takes: an instance per channel;
//  - the side-chain file's channels to the inputs after those the file
//    fills, in every instance;
//  - all outputs of a single instance, the first output of each of several.
// False with a one-line `error` naming what cannot be done and how to route
// it by hand; the files' names are for that line.
bool PlanRouting(const EffectLayout& layout, int fileChannels, int sideChannels, const RoutingRequest& request,
                 RoutingPlan& plan, std::string& error, const std::string& fileName = "the file",
                 const std::string& sideName = "the side-chain file");

}  // namespace vsthost

}  // namespace kestrelon
