#include "tools/vsthost/routing.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kestrelon {

namespace vsthost {
namespace {

// A channel or pin number as typed: 1 to 256, no sign, nothing after it.
bool ParseNumberFromOne(const std::string& text, int& out)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::atoi(text.c_str());
    return out >= 1 && out <= 256;
}

std::vector<std::string> SplitAtCommas(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
}

std::string Plural(int n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// The effect's inputs that carry the signal itself; the rest are side-chains.
int MainInputs(const EffectLayout& layout)
{
    if (layout.outputs == 1 && layout.inputs > 1)
        return layout.stereoPairInput ? 2 : 1;
    return layout.inputs;
}

std::string MapText(const std::vector<InputSource>& sources)
{
    std::size_t used = sources.size();
    while (used > 0 && sources[used - 1].file == InputSource::File::None)
        --used;
    std::string text;
    for (std::size_t i = 0; i < used; ++i) {
        if (i > 0)
            text += ',';
        const InputSource& s = sources[i];
        if (s.file == InputSource::File::None)
            text += '0';
        else if (s.file == InputSource::File::SideChain)
            text += 's';
        if (s.file != InputSource::File::None)
            text += std::to_string(s.channel + 1);
    }
    return text;
}

std::string NumbersText(const std::vector<int>& zeroBased)
{
    std::string text;
    for (std::size_t i = 0; i < zeroBased.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(zeroBased[i] + 1);
    }
    return text;
}

// The default plan as the options that would ask for it, and why it is not
// channel n to input n: the one line a render prints before it starts.
std::string DescribeDefault(const RoutingPlan& plan, int fileChannels, int outputs)
{
    const std::vector<InputSource>& first = plan.instances[0];
    const int inputs = static_cast<int>(first.size());
    bool oneToOne = plan.instances.size() == 1 && inputs == fileChannels && outputs == fileChannels &&
                    plan.OutputChannels() == fileChannels;
    for (int i = 0; i < inputs && oneToOne; ++i)
        oneToOne = first[i] == InputSource{InputSource::File::Main, i};
    if (oneToOne)
        return std::string();

    std::vector<std::string> reasons;
    if (plan.instances.size() > 1)
        reasons.push_back("one instance per channel");
    int fromFile = 0, silentFrom = -1, sideFrom = -1, sideTo = -1;
    for (int i = 0; i < inputs; ++i) {
        if (first[i].file == InputSource::File::Main)
            ++fromFile;
        if (first[i].file == InputSource::File::SideChain) {
            sideFrom = sideFrom < 0 ? i : sideFrom;
            sideTo = i;
        }
        if (first[i].file == InputSource::File::None && silentFrom < 0)
            silentFrom = i;
    }
    if (fileChannels == 1 && fromFile > 1)
        reasons.push_back("the one channel to " + std::string(fromFile == 2 ? "both" : "all") + " inputs");
    if (sideFrom >= 0) {
        reasons.push_back("side-chain to input" + (sideFrom == sideTo ? " " + std::to_string(sideFrom + 1)
                                                                      : "s " + std::to_string(sideFrom + 1) + "-" +
                                                                            std::to_string(sideTo + 1)));
    }
    if (silentFrom >= 0) {
        reasons.push_back(silentFrom == inputs - 1
                              ? "input " + std::to_string(inputs) + " silent"
                              : "inputs " + std::to_string(silentFrom + 1) + "-" + std::to_string(inputs) + " silent");
    }
    if (plan.OutputChannels() != fileChannels)
        reasons.push_back(Plural(fileChannels, "channel") + " in, " + std::to_string(plan.OutputChannels()) + " out");

    std::string text;
    for (const std::vector<InputSource>& instance : plan.instances)
        text += "--map " + MapText(instance) + " ";
    text += "--outputs " + NumbersText(plan.outputs);
    std::string why;
    for (const std::string& reason : reasons) {
        if (!why.empty())
            why += "; ";
        why += reason;
    }
    return why.empty() ? text : text + " (" + why + ")";
}

// The default: which inputs of one instance take which channels, and how
// many instances; false when the file has more channels than the effect
// takes and it is not a mono effect.
bool PlanDefaultInputs(const EffectLayout& layout, int fileChannels, const std::string& fileName, RoutingPlan& plan,
                       std::string& error)
{
    const int main = MainInputs(layout);
    const auto blank = std::vector<InputSource>(static_cast<std::size_t>(layout.inputs));
    if (fileChannels > main) {
        if (main != 1) {
            std::string example;
            for (int c = 0; c < fileChannels && c < 2 * main; c += main) {
                std::vector<InputSource> group;
                for (int i = 0; i < main && c + i < fileChannels; ++i)
                    group.push_back({InputSource::File::Main, c + i});
                if (!example.empty())
                    example += ' ';
                example += "--map ";
                example += MapText(group);
            }
            error = fileName + " has " + Plural(fileChannels, "channel") + " but the plug-in takes " +
                    std::to_string(main) + " (" + Plural(layout.inputs, "input") + ", " +
                    Plural(layout.outputs, "output") + "); route them with --map, e.g. " + example + " ...";
            return false;
        }
        if (fileChannels > kMaxInstances) {
            error = fileName + " has " + Plural(fileChannels, "channel") + ": more than the " +
                    std::to_string(kMaxInstances) + " instances of a mono effect one render runs";
            return false;
        }
        for (int c = 0; c < fileChannels; ++c) {
            plan.instances.push_back(blank);
            plan.instances.back()[0] = {InputSource::File::Main, c};
        }
        return true;
    }
    plan.instances.push_back(blank);
    std::vector<InputSource>& inputs = plan.instances[0];
    if (fileChannels == 1 && main == 2 && !layout.monoLayoutTaken) {
        inputs[0] = inputs[1] = {InputSource::File::Main, 0};
        return true;
    }
    for (int c = 0; c < fileChannels; ++c)
        inputs[c] = {InputSource::File::Main, c};
    return true;
}

}  // namespace

bool ParseMapText(const std::string& text, std::vector<InputSource>& sources, std::string& error)
{
    std::vector<InputSource> parsed;
    for (const std::string& item : SplitAtCommas(text)) {
        InputSource source;
        const bool side = !item.empty() && (item[0] == 's' || item[0] == 'S');
        int number = 0;
        if (item == "0") {
            source.file = InputSource::File::None;
        } else if (ParseNumberFromOne(side ? item.substr(1) : item, number)) {
            source.file = side ? InputSource::File::SideChain : InputSource::File::Main;
            source.channel = number - 1;
        } else {
            error = "--map needs the channel for each input in order, from 1, s1 for the side-chain file's, 0 for "
                    "silence, e.g. --map 1,1 or --map 1,s1 (got \"" +
                    text + "\")";
            return false;
        }
        parsed.push_back(source);
    }
    sources = std::move(parsed);
    return true;
}

bool ParseOutputsText(const std::string& text, std::vector<int>& outputs, std::string& error)
{
    std::vector<int> parsed;
    for (const std::string& item : SplitAtCommas(text)) {
        int number = 0;
        if (!ParseNumberFromOne(item, number)) {
            error = "--outputs needs the plug-in's output numbers from 1, e.g. --outputs 1 or --outputs 1,2 (got \"" +
                    text + "\")";
            return false;
        }
        parsed.push_back(number - 1);
    }
    outputs = std::move(parsed);
    return true;
}

bool WantsMonoLayout(const EffectLayout& layout, int fileChannels, int sideChannels, const RoutingRequest& request)
{
    // Outputs picked by hand are picked from the effect's own layout.
    return request.instances.empty() && request.outputs.empty() && sideChannels == 0 && fileChannels == 1 &&
           MainInputs(layout) > 1;
}

bool PlanRouting(const EffectLayout& layout, int fileChannels, int sideChannels, const RoutingRequest& request,
                 RoutingPlan& plan, std::string& error, const std::string& fileName, const std::string& sideName)
{
    plan = RoutingPlan();
    if (layout.inputs < 1 || layout.outputs < 1) {
        error = "the plug-in has " + Plural(layout.inputs, "input") + " and " + Plural(layout.outputs, "output") +
                ": a file cannot be rendered through it";
        return false;
    }
    if (!request.instances.empty()) {
        for (const std::vector<InputSource>& asked : request.instances) {
            if (static_cast<int>(asked.size()) > layout.inputs) {
                error = "--map " + MapText(asked) + " names " + Plural(static_cast<int>(asked.size()), "input") +
                        " but the plug-in has " + std::to_string(layout.inputs);
                return false;
            }
            for (const InputSource& s : asked) {
                const bool side = s.file == InputSource::File::SideChain;
                const int has = side ? sideChannels : fileChannels;
                if (s.file == InputSource::File::None || s.channel < has)
                    continue;
                if (side && sideChannels == 0)
                    error = "--map names the side-chain channel s" + std::to_string(s.channel + 1) +
                            " but no --sidechain file is given";
                else
                    error = (side ? sideName : fileName) + " has " + Plural(has, "channel") + "; --map names " +
                            (side ? "s" : "channel ") + std::to_string(s.channel + 1);
                return false;
            }
            plan.instances.push_back(asked);
            plan.instances.back().resize(static_cast<std::size_t>(layout.inputs));
        }
    } else {
        if (!PlanDefaultInputs(layout, fileChannels, fileName, plan, error))
            return false;
        if (sideChannels > 0) {
            int fed = 0;
            for (int i = 0; i < layout.inputs; ++i) {
                if (plan.instances[0][i].file != InputSource::File::None)
                    fed = i + 1;
            }
            if (fed >= layout.inputs) {
                error = "the plug-in has no input left for the side-chain: " + fileName + " fills its " +
                        Plural(layout.inputs, "input") + "; place it with --map, e.g. --map 1,s1";
                return false;
            }
            for (std::vector<InputSource>& inputs : plan.instances) {
                for (int k = 0; k < sideChannels && fed + k < layout.inputs; ++k)
                    inputs[fed + k] = {InputSource::File::SideChain, k};
            }
        }
    }

    if (!request.outputs.empty()) {
        for (int o : request.outputs) {
            if (o >= layout.outputs) {
                error = "--outputs names output " + std::to_string(o + 1) + " but the plug-in has " +
                        Plural(layout.outputs, "output");
                return false;
            }
        }
        plan.outputs = request.outputs;
    } else if (plan.instances.size() == 1 && !layout.monoLayoutTaken) {
        for (int o = 0; o < layout.outputs; ++o)
            plan.outputs.push_back(o);
    } else {
        plan.outputs = {0};
    }
    // An effect that took one in, one out is a mono effect for this file.
    if (request.instances.empty() && request.outputs.empty() && !layout.monoLayoutTaken)
        plan.note = DescribeDefault(plan, fileChannels, layout.outputs);
    return true;
}

}  // namespace vsthost

}  // namespace kestrelon
