// The CLAP plug-in against the VST 2.4 one it must equal: the same audio on
// both sample paths, the same state bytes, the same parameter texts; and what
// only CLAP carries: events inside a block, edits as output events, a state
// stream that fails part way, the editor's sizing by the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/clap/clap_effect.h"
#include "tests/clap/clap_rig.h"
#include "tests/plugin/plugin_rig.h"

namespace kestrelon {

namespace {

using claptest::ClapRig;
using claptest::ParamChange;

enum Param : clap::clap_id { kAttack = 0, kSustain, kSensitivity, kOutput, kClipOutput };

constexpr int kBlock = 512;

// Settings far from the defaults, as typed into the VST 2.4 plug-in and as
// events at the start of the CLAP plug-in's first block.
const char* const kTyped[] = {"6.3", "-4.2", "0.8", "1.7", "off"};
const std::vector<ParamChange> kSettings = {
    {0, kAttack, 6.3}, {0, kSustain, -4.2}, {0, kSensitivity, 0.8}, {0, kOutput, 1.7}, {0, kClipOutput, 0.0}};

std::vector<std::vector<double>> Slice(const std::vector<std::vector<double>>& s, int start, int frames)
{
    std::vector<std::vector<double>> out(2);
    for (int c = 0; c < 2; ++c)
        out[c].assign(s[c].begin() + start, s[c].begin() + start + frames);
    return out;
}

void Append(std::vector<std::vector<double>>& whole, const std::vector<std::vector<double>>& part)
{
    whole.resize(2);
    for (int c = 0; c < 2; ++c)
        whole[c].insert(whole[c].end(), part[c].begin(), part[c].end());
}

// Samples of a and b that differ, over both channels.
int Differences(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b, int from = 0,
                int to = -1)
{
    int n = 0;
    for (int c = 0; c < 2; ++c) {
        const int end = to < 0 ? static_cast<int>(a[c].size()) : to;
        for (int i = from; i < end; ++i)
            n += a[c][static_cast<std::size_t>(i)] != b[c][static_cast<std::size_t>(i)];
    }
    return n;
}

std::vector<std::vector<double>> RenderVst(bool doublePath, const std::vector<std::vector<double>>& in)
{
    PluginRig vst;
    vst.Start(44100.0f, kBlock);
    for (int p = 0; p < 5; ++p)
        EXPECT_TRUE(vst.TypeText(p, kTyped[p]));
    std::vector<std::vector<double>> whole;
    for (int start = 0; start < static_cast<int>(in[0].size()); start += kBlock) {
        std::vector<std::vector<double>> block = Slice(in, start, kBlock);
        std::vector<std::vector<double>> out(2, std::vector<double>(kBlock));
        if (doublePath) {
            vst.ProcessDouble(block, out, kBlock);
        } else {
            std::vector<std::vector<float>> in32(2), out32(2, std::vector<float>(kBlock));
            for (int c = 0; c < 2; ++c)
                in32[c].assign(block[c].begin(), block[c].end());
            vst.ProcessReplacing(in32, out32, kBlock);
            for (int c = 0; c < 2; ++c)
                out[c].assign(out32[c].begin(), out32[c].end());
        }
        Append(whole, out);
    }
    return whole;
}

TEST(KestrelonClap, RendersBitForBitAsTheVst24PluginOnBothPaths)
{
    const auto in = TestSignal(kBlock * 12);
    for (bool doublePath : {false, true}) {
        SCOPED_TRACE(doublePath ? "double" : "float");
        ClapRig clap;
        ASSERT_TRUE(clap.Valid());
        ASSERT_TRUE(clap.Activate(44100.0, kBlock));
        std::vector<std::vector<double>> whole;
        for (int start = 0; start < static_cast<int>(in[0].size()); start += kBlock) {
            std::vector<std::vector<double>> out;
            clap.Process(Slice(in, start, kBlock), out, start == 0 ? kSettings : std::vector<ParamChange>{},
                         doublePath);
            Append(whole, out);
        }
        const auto vst = RenderVst(doublePath, in);
        EXPECT_EQ(Differences(whole, vst), 0);
        // Equal because both process, not because both pass the input on.
        EXPECT_GT(Differences(whole, in), kBlock);
    }
}

TEST(KestrelonClap, EventsInsideABlockTakeEffectAtTheirSample)
{
    const auto in = Slice(TestSignal(4 * kBlock), 2 * kBlock, kBlock);  // a burst is under way
    const std::vector<ParamChange> changes = {{0, kAttack, 6.0},    {100, kAttack, -7.0}, {101, kSustain, 5.0},
                                              {333, kOutput, -3.0}, {333, kAttack, 9.0},  {511, kClipOutput, 0.0}};

    ClapRig whole;
    ASSERT_TRUE(whole.Activate(44100.0, kBlock));
    std::vector<std::vector<double>> inOne;
    whole.Process(in, inOne, changes);

    // The same block split at each event's sample, the events at the starts.
    ClapRig split;
    ASSERT_TRUE(split.Activate(44100.0, kBlock));
    std::vector<std::vector<double>> inPieces;
    const int cuts[] = {0, 100, 101, 333, 511, kBlock};
    for (int k = 0; k + 1 < 6; ++k) {
        std::vector<ParamChange> here;
        for (const ParamChange& c : changes)
            if (static_cast<int>(c.time) == cuts[k])
                here.push_back({0, c.id, c.value});
        std::vector<std::vector<double>> out;
        split.Process(Slice(in, cuts[k], cuts[k + 1] - cuts[k]), out, here);
        Append(inPieces, out);
    }
    EXPECT_EQ(Differences(inOne, inPieces), 0);

    // Without the later events the start is the same and the rest is not.
    ClapRig early;
    ASSERT_TRUE(early.Activate(44100.0, kBlock));
    std::vector<std::vector<double>> onlyFirst;
    early.Process(in, onlyFirst, {changes[0]});
    EXPECT_EQ(Differences(inOne, onlyFirst, 0, 100), 0);
    EXPECT_GT(Differences(inOne, onlyFirst, 100), 0);
    EXPECT_EQ(whole.Value(kAttack), 9.0);
    EXPECT_EQ(whole.Value(kClipOutput), 0.0);
}

TEST(KestrelonClap, StateIsTheVst24ProgramChunkBothWays)
{
    PluginRig vst;
    vst.Start();
    for (int p = 0; p < 5; ++p)
        ASSERT_TRUE(vst.TypeText(p, kTyped[p]));
    const std::vector<std::uint8_t> chunk = vst.GetChunk(false);
    ASSERT_FALSE(chunk.empty());

    ClapRig clap;
    ASSERT_TRUE(clap.LoadState(chunk, 7));  // a stream that hands out a few bytes at a time
    EXPECT_EQ(clap.Value(kAttack), 6.3);
    EXPECT_EQ(clap.Value(kClipOutput), 0.0);
    const std::vector<std::uint8_t> saved = clap.SaveState();
    EXPECT_EQ(saved, chunk);

    PluginRig back;
    back.Start();
    ASSERT_EQ(back.SetChunk(false, saved), 1);
    EXPECT_EQ(back.GetChunk(false), chunk);
}

TEST(KestrelonClap, AStateThatDoesNotReadWholeLeavesThePluginAsItWas)
{
    ClapRig clap;
    clap.Flush(kSettings);
    const std::vector<std::uint8_t> before = clap.SaveState();
    ASSERT_FALSE(before.empty());

    PluginRig other;
    other.Start();
    ASSERT_TRUE(other.TypeText(kAttack, "-9"));
    const std::vector<std::uint8_t> chunk = other.GetChunk(false);
    int refused = 0;
    for (std::size_t n = 0; n < chunk.size(); ++n) {
        const std::vector<std::uint8_t> cut(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
        if (!clap.LoadState(cut)) {
            ++refused;
            ASSERT_EQ(clap.SaveState(), before) << n << " bytes";
        }
    }
    // Every cut is refused: none has the length of a whole state.
    EXPECT_EQ(refused, static_cast<int>(chunk.size()));
    EXPECT_FALSE(clap.LoadState(chunk, 16, 40));  // the stream fails part way
    EXPECT_EQ(clap.SaveState(), before);
    EXPECT_TRUE(clap.LoadState(chunk));
    EXPECT_EQ(clap.Value(kAttack), -9.0);
}

TEST(KestrelonClap, ParametersShowAndTakeTheVst24Texts)
{
    ClapRig clap;
    const auto* params = clap.Ext<clap::clap_plugin_params>(clap::CLAP_EXT_PARAMS);
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->count(clap.Plugin()), 5u);
    PluginRig vst;
    vst.Start();
    // The switch takes its texts in the VST 2.4 plug-in, its values here.
    const char* const values[][4] = {{"-10", "0", "3.25", "10"},
                                     {"-10", "-0.05", "7.777", "10"},
                                     {"0", "0.5", "0.123", "1"},
                                     {"-12", "0", "3.25", "12"},
                                     {"off", "on", "off", "on"}};
    for (clap::clap_id id = 0; id < 5; ++id) {
        clap::clap_param_info info{};
        ASSERT_TRUE(params->get_info(clap.Plugin(), id, &info));
        EXPECT_EQ(info.id, id);
        EXPECT_EQ(std::string(info.name), vst.AskText(vst2::effGetParamName, static_cast<int>(id)).Text());
        EXPECT_EQ((info.flags & clap::CLAP_PARAM_IS_STEPPED) != 0, id == kClipOutput);
        for (const char* typed : values[id]) {
            ASSERT_TRUE(vst.TypeText(static_cast<int>(id), typed));
            std::string expected = vst.AskText(vst2::effGetParamDisplay, static_cast<int>(id)).Text();
            const std::string label = vst.AskText(vst2::effGetParamLabel, static_cast<int>(id)).Text();
            if (!label.empty())
                expected += " " + label;
            const double value = id == kClipOutput ? (std::string(typed) == "on" ? 1.0 : 0.0) : std::stod(typed);
            EXPECT_EQ(clap.Text(id, value), expected) << "parameter " << id << " at " << typed;
        }
    }
    double v = 0.0;
    EXPECT_TRUE(clap.TextValue(kOutput, "3.5 dB", &v));
    EXPECT_EQ(v, 3.5);
    EXPECT_TRUE(clap.TextValue(kAttack, "25", &v));
    EXPECT_EQ(v, 10.0);
    EXPECT_TRUE(clap.TextValue(kClipOutput, "off", &v));
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(clap.TextValue(kClipOutput, "maybe", &v));
    EXPECT_FALSE(clap.TextValue(kSustain, "abc", &v));
    EXPECT_FALSE(clap.TextValue(5, "1", &v));
}

TEST(KestrelonClap, LatencyFollowsTheRateAsTheVst24InitialDelayDoes)
{
    ClapRig clap;
    ASSERT_TRUE(clap.Activate(44100.0));
    EXPECT_EQ(clap.Latency(), 88u);
    const int changes = clap.Log().latencyChanges;
    ASSERT_TRUE(clap.Activate(96000.0));
    PluginRig vst;
    vst.Start(96000.0f);
    EXPECT_EQ(clap.Latency(), static_cast<std::uint32_t>(vst.Record()->initialDelay));
    EXPECT_NE(clap.Latency(), 88u);
    EXPECT_EQ(clap.Log().latencyChanges, changes + 1);
}

TEST(KestrelonClap, EditorEditsReachTheHostAsGesturesAndValues)
{
    ClapRig clap;
    auto* effect = static_cast<IEffectCLAP*>(clap.Plugin()->plugin_data);
    effect->HostBeginParamEdit(kAttack);
    effect->SetParamFromEditor(kAttack, 0.6);
    effect->SetParamFromEditor(kAttack, 0.75);
    effect->HostEndParamEdit(kAttack);
    EXPECT_GT(clap.Log().flushRequests, 0);
    clap.Flush();
    using Types = std::vector<std::uint16_t>;
    EXPECT_EQ(clap.Log().eventTypes, (Types{clap::CLAP_EVENT_PARAM_GESTURE_BEGIN, clap::CLAP_EVENT_PARAM_VALUE,
                                            clap::CLAP_EVENT_PARAM_GESTURE_END}));
    EXPECT_EQ(clap.Log().eventValues[1], 5.0);  // the plain value

    // Far more edits than the host takes before its next flush: values give
    // way, gestures stay paired, and the last values are the ones that count.
    clap.Log() = {};
    effect->HostBeginParamEdit(kAttack);
    effect->HostBeginParamEdit(kOutput);
    for (int i = 0; i < 1000; ++i) {
        effect->SetParamFromEditor(kAttack, (i % 100) / 100.0);
        effect->SetParamFromEditor(kOutput, (i % 50) / 50.0);
    }
    effect->HostEndParamEdit(kAttack);
    effect->HostEndParamEdit(kOutput);
    clap.Flush();
    const auto& types = clap.Log().eventTypes;
    ASSERT_EQ(types.size(), static_cast<std::size_t>(IEffectCLAP::kOutputEventCapacity));
    EXPECT_EQ(std::count(types.begin(), types.end(), clap::CLAP_EVENT_PARAM_GESTURE_BEGIN), 2);
    EXPECT_EQ(std::count(types.begin(), types.end(), clap::CLAP_EVENT_PARAM_GESTURE_END), 2);
    EXPECT_EQ(types[0], clap::CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(types.back(), clap::CLAP_EVENT_PARAM_GESTURE_END);
    const auto& values = clap.Log().eventValues;
    EXPECT_EQ(values[values.size() - 4], clap.Value(kAttack));
    EXPECT_EQ(values[values.size() - 3], clap.Value(kOutput));
}

TEST(KestrelonClap, TheHostSizesTheEditorThroughTheGui)
{
    // The scale is kept in the settings folder: this test's own.
#if defined(_WIN32)
    _putenv_s("XDG_CONFIG_HOME", "clap_test_settings");
#else
    setenv("XDG_CONFIG_HOME", "clap_test_settings", 1);
#endif
    ClapRig clap;
    const auto* gui = clap.Ext<clap::clap_plugin_gui>(clap::CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
    const clap::clap_plugin* p = clap.Plugin();
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->is_api_supported(p, api, true)) << "embedded only";
    EXPECT_FALSE(gui->is_api_supported(p, "cocoa", false));
    std::uint32_t w = 0, h = 0;
    EXPECT_FALSE(gui->get_size(p, &w, &h)) << "no gui before create";
    ASSERT_TRUE(gui->create(p, api, false));

    clap::clap_gui_resize_hints hints{};
    ASSERT_TRUE(gui->can_resize(p));
    ASSERT_TRUE(gui->get_resize_hints(p, &hints));
    EXPECT_TRUE(hints.preserve_aspect_ratio);
    EXPECT_EQ(hints.aspect_ratio_width * 484, hints.aspect_ratio_height * 340);
    ASSERT_TRUE(gui->set_size(p, 340, 484));
    w = 420, h = 500;
    ASSERT_TRUE(gui->adjust_size(p, &w, &h));
    EXPECT_EQ(w, 420u);
    EXPECT_EQ(h, 597u);
    EXPECT_TRUE(gui->set_size(p, w, h));
    std::uint32_t gotW = 0, gotH = 0;
    ASSERT_TRUE(gui->get_size(p, &gotW, &gotH));
    EXPECT_EQ(gotW, w);
    EXPECT_EQ(gotH, h);
    EXPECT_TRUE(clap.Log().resizeRequests.empty()) << "the host sized its window itself";
    EXPECT_FALSE(gui->set_size(p, 600, 600)) << "a size the editor does not take exactly";
    ASSERT_TRUE(gui->set_size(p, 340, 484));
    gui->destroy(p);
    EXPECT_FALSE(gui->get_size(p, &gotW, &gotH));
}

}  // namespace

}  // namespace kestrelon
