// The LV2 binary as a host loads it (dlopen, lv2_descriptor), driven in the
// orders a careless host might use, and its state under damaged restores.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/lv2/lv2_effect.h"

#include <lv2/atom/atom.h>

namespace kestrelon {
namespace {

constexpr uint32_t kPorts = 13;
constexpr uint32_t kAttackPort = 4;
constexpr uint32_t kLatencyPort = 9;
constexpr uint32_t kAttackMeterPort = 10;

// The host's URID map: every URI its own number.
struct UridMap {
    std::vector<std::string> uris;
    LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                         auto* self = static_cast<UridMap*>(h);
                         for (std::size_t i = 0; i < self->uris.size(); ++i)
                             if (self->uris[i] == uri)
                                 return static_cast<LV2_URID>(i + 1);
                         self->uris.push_back(uri);
                         return static_cast<LV2_URID>(self->uris.size());
                     }};
    LV2_Feature feature{LV2_URID__map, &map};
    const LV2_Feature* features[2] = {&feature, nullptr};
    LV2_URID Map(const char* uri) { return map.map(this, uri); }
};

// A saved state as a host keeps it: key to type and bytes.
struct StoredState {
    struct Value {
        uint32_t type;
        std::vector<char> bytes;
    };
    std::map<uint32_t, Value> values;
    static LV2_State_Status Store(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                                  uint32_t)
    {
        auto* self = static_cast<StoredState*>(h);
        const char* p = static_cast<const char*>(value);
        self->values[key] = Value{type, std::vector<char>(p, p + size)};
        return LV2_STATE_SUCCESS;
    }
    static const void* Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
    {
        auto* self = static_cast<StoredState*>(h);
        auto it = self->values.find(key);
        if (it == self->values.end())
            return nullptr;
        *size = it->second.bytes.size();
        *type = it->second.type;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return it->second.bytes.data();
    }
    double Get(uint32_t key) const
    {
        double v = 0.0;
        std::memcpy(&v, values.at(key).bytes.data(), sizeof v);
        return v;
    }
};

class Lv2Binary : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = dlopen(KESTRELON_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
        ASSERT_NE(entry, nullptr);
        d = entry(0);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(entry(1), nullptr);
        EXPECT_STREQ(d->URI, "urn:lumenpathway:kestrelon");
        state = static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
        ASSERT_NE(state, nullptr);
        EXPECT_EQ(d->extension_data("urn:nothing"), nullptr);
    }
    void TearDown() override
    {
        if (module)
            dlclose(module);
    }

    // Connects every port to the fixture's buffers.
    void ConnectAll(LV2_Handle h, uint32_t frames)
    {
        for (auto& b : audio)
            b.assign(frames, 0.0f);
        for (uint32_t p = 0; p < 4; ++p)
            d->connect_port(h, p, audio[p].data());
        for (uint32_t p = 4; p < kPorts; ++p)
            d->connect_port(h, p, &controls[p]);
    }

    void* module = nullptr;
    const LV2_Descriptor* d = nullptr;
    const LV2_State_Interface* state = nullptr;
    std::vector<float> audio[4];
    float controls[kPorts] = {0, 0, 0, 0, 0.0f, 0.0f, 0.5f, 0.0f, 1.0f, -1.0f, -1.0f, -1.0f, -1.0f};
    UridMap urids;
};

TEST_F(Lv2Binary, CarelessCallOrdersNeitherCrashNorLoseTheLatency)
{
    // Without any feature: the instance still works, it only cannot save.
    LV2_Handle bare = d->instantiate(d, 44100.0, "/nowhere", nullptr);
    ASSERT_NE(bare, nullptr);
    d->run(bare, 0);  // nothing connected, never activated
    d->run(bare, 64);
    d->deactivate(bare);  // never activated
    for (uint32_t port : {kPorts, 1000u, 0xFFFFFFFFu})
        d->connect_port(bare, port, &controls[0]);
    for (uint32_t p = 0; p < kPorts; ++p)
        d->connect_port(bare, p, nullptr);
    d->run(bare, 64);
    EXPECT_EQ(state->save(bare, StoredState::Store, nullptr, 0, nullptr), LV2_STATE_ERR_NO_FEATURE);
    d->cleanup(bare);

    // Cleanup straight after instantiate, and a null handle everywhere.
    d->cleanup(d->instantiate(d, 48000.0, "/nowhere", urids.features));
    d->connect_port(nullptr, 0, nullptr);
    d->activate(nullptr);
    d->run(nullptr, 16);
    d->deactivate(nullptr);
    d->cleanup(nullptr);

    // The latency follows the rate as the VST 2.4 plug-in's initial delay
    // does (88 and 191 frames), whatever the rate a host passes.
    const struct {
        double rate;
        float latency;
    } rates[] = {{44100.0, 88.0f}, {96000.0, 191.0f}, {0.0, 88.0f}, {-5.0, 88.0f}, {NAN, 88.0f}};
    for (const auto& r : rates) {
        LV2_Handle h = d->instantiate(d, r.rate, "/nowhere", urids.features);
        ASSERT_NE(h, nullptr);
        ConnectAll(h, 256);
        d->activate(h);
        d->activate(h);
        d->run(h, 0);
        EXPECT_EQ(controls[kLatencyPort], r.latency) << r.rate;
        d->deactivate(h);
        d->deactivate(h);
        d->activate(h);
        // One input missing reads as silence; a missing output is not written.
        d->connect_port(h, 1, nullptr);
        d->connect_port(h, 3, nullptr);
        for (uint32_t i = 0; i < 256; ++i)
            audio[0][i] = (i % 50 == 0) ? 0.9f : 0.0f;
        controls[kAttackPort] = 10.0f;
        d->run(h, 256);
        for (float v : audio[2])
            ASSERT_TRUE(std::isfinite(v) && std::fabs(v) <= 0.989f + 1e-6f);
        EXPECT_EQ(controls[kLatencyPort], r.latency);
        EXPECT_GT(controls[kAttackMeterPort], 0.5f) << "an attack boost shows on its meter";
        EXPECT_LE(controls[kAttackMeterPort], 1.0f);
        d->cleanup(h);  // without deactivating
    }
}

TEST_F(Lv2Binary, StateKeepsTheEditorSizeAndSurvivesDamagedRestores)
{
    LV2_Handle h = d->instantiate(d, 44100.0, "/nowhere", urids.features);
    ASSERT_NE(h, nullptr);
    const uint32_t mode = urids.Map("urn:lumenpathway:editor#viewMode");
    const uint32_t width = urids.Map("urn:lumenpathway:editor#width");
    const uint32_t height = urids.Map("urn:lumenpathway:editor#height");
    const uint32_t doubleType = urids.Map(LV2_ATOM__Double);
    const uint32_t intType = urids.Map(LV2_ATOM__Int);
    auto put = [](StoredState& s, uint32_t key, uint32_t type, const void* v, std::size_t size) {
        StoredState::Store(&s, key, v, size, type, 0);
    };

    StoredState fresh;
    ASSERT_EQ(state->save(h, StoredState::Store, &fresh, 0, nullptr), LV2_STATE_SUCCESS);
    ASSERT_EQ(fresh.values.size(), 3u);
    EXPECT_EQ(fresh.values[width].type, doubleType);

    StoredState wanted;
    const double w = 425.0, ht = 605.0, m = 0.0;
    put(wanted, mode, doubleType, &m, sizeof m);
    put(wanted, width, doubleType, &w, sizeof w);
    put(wanted, height, doubleType, &ht, sizeof ht);
    ASSERT_EQ(state->restore(h, StoredState::Retrieve, &wanted, 0, nullptr), LV2_STATE_SUCCESS);

    // Missing, wrong-typed, short and non-finite values keep what was there.
    StoredState damaged;
    const int32_t asInt = 900;
    const float asFloat = 700.0f;
    const double notANumber = NAN;
    put(damaged, width, intType, &asInt, sizeof asInt);
    put(damaged, height, doubleType, &asFloat, sizeof asFloat);
    put(damaged, mode, doubleType, &notANumber, sizeof notANumber);
    for (StoredState* s : {&damaged, new StoredState}) {
        EXPECT_EQ(state->restore(h, StoredState::Retrieve, s, 0, nullptr), LV2_STATE_SUCCESS);
        if (s != &damaged)
            delete s;
    }
    EXPECT_EQ(state->restore(h, nullptr, &damaged, 0, nullptr), LV2_STATE_ERR_NO_FEATURE);

    StoredState saved;
    ASSERT_EQ(state->save(h, StoredState::Store, &saved, 0, nullptr), LV2_STATE_SUCCESS);
    EXPECT_EQ(saved.Get(mode), 0.0);
    EXPECT_EQ(saved.Get(width), 425.0);
    EXPECT_EQ(saved.Get(height), 605.0);
    d->cleanup(h);
}

// One parameter over the adapter, counting what reaches its change handler.
class CountingEffect : public IEffectLV2 {
public:
    static EffectDescription Description()
    {
        EffectDescription d;
        d.paramCount = 1;
        d.channelIO = "2-2";
        d.effectName = "Counting";
        return d;
    }
    CountingEffect() : IEffectLV2(Description(), 44100.0, nullptr)
    {
        ParamAt(0)->DefineContinuous("Gain", 0.0, -12.0, 12.0, 0.1);
        Open();
        changes = 0;
    }
    void HandleParamChange(int) override { ++changes; }
    int changes = 0;
};

TEST(Lv2Ports, OnlyAChangedValueReachesTheChangeHandler)
{
    CountingEffect fx;
    float port = 0.0f;
    fx.ConnectPort(4, &port);
    const struct {
        float value;
        int changes;  // handler calls the run makes
        double after;
    } runs[] = {{0.0f, 0, 0.0},     {3.5f, 1, 3.5},     {3.5f, 0, 3.5},  {NAN, 0, 3.5},
                {-40.0f, 1, -12.0}, {-50.0f, 0, -12.0}, {12.0f, 1, 12.0}};
    for (const auto& r : runs) {
        port = r.value;
        fx.changes = 0;
        fx.Run(0);
        EXPECT_EQ(fx.changes, r.changes) << r.value;
        EXPECT_EQ(fx.ParamAt(0)->Value(), r.after) << r.value;
    }
}

TEST(Lv2PortValue, AFloatPortStandsForItsShortestDecimal)
{
    const struct {
        float port;
        double meant;
    } cases[] = {
        {0.8f, 0.8},   {-4.2f, -4.2}, {6.3f, 6.3},   {5.0f, 5.0}, {0.0f, 0.0}, {0.37f, 0.37}, {1.0f / 3.0f, 0.33333334},
        {12.0f, 12.0}, {1e-7f, 1e-7}, {3e10f, 3e10f}};
    for (const auto& c : cases)
        EXPECT_EQ(PortValueAsDecimal(c.port), c.meant) << c.port;
    EXPECT_TRUE(std::isnan(PortValueAsDecimal(NAN)));
    EXPECT_EQ(PortValueAsDecimal(INFINITY), INFINITY);
}

}  // namespace
}  // namespace kestrelon
