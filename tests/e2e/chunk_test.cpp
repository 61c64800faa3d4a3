// The state chunks the effect hands to the host and takes back: exact bytes,
// round trips, and data that is cut short, malformed or hostile.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"
#include "tests/e2e/test_audio.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using testhost::HostedEffect;
using Chunks = KestrelonTest;
using ByteList = std::vector<std::uint8_t>;

// Little-endian chunk bytes written by hand, to build what a host might send.
struct ChunkBytes {
    ByteList bytes;
    ChunkBytes& I32(std::int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
        return *this;
    }
    ChunkBytes& F64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        return *this;
    }
    ChunkBytes& U8(std::uint8_t v)
    {
        bytes.push_back(v);
        return *this;
    }
    ChunkBytes& Raw(const ByteList& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    ChunkBytes& Header() { return I32(0x70666674).I32(0x00010000); }
    // One program's state: the counts, the editor values (not yet set), then
    // the given plain parameter values.
    ChunkBytes& State(const std::vector<double>& values, std::int32_t firstCount = kParamCount)
    {
        I32(firstCount).I32(0);
        for (int i = 0; i < kEditorStateValues; ++i)
            F64(-1.0);
        for (double v : values)
            F64(v);
        return *this;
    }
};

const std::vector<double> kDefaults = {0.0, 0.0, 0.5, 0.0, 1.0};
constexpr std::size_t kStateSize = 8 + 8 * kEditorStateValues + 8 * kParamCount;

void ExpectNormalised(const HostedEffect& fx, const std::vector<float>& expected)
{
    for (int i = 0; i < kParamCount; ++i) {
        EXPECT_NEAR(fx.Get(i), expected[static_cast<std::size_t>(i)], 1e-6) << "parameter " << i;
    }
}

TEST_F(Chunks, FreshInstanceBytes)
{
    auto fx = Started();
    ByteList program = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00,  // header
                        0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // 5 values, then 0
    for (int i = 0; i < kEditorStateValues; ++i) {
        program.insert(program.end(), {0, 0, 0, 0, 0, 0, 0xF0, 0xBF});  // -1.0: not set yet
    }
    const ByteList values = {0, 0, 0, 0, 0, 0, 0,    0,  // Attack 0
                             0, 0, 0, 0, 0, 0, 0,    0,  // Sustain 0
                             0, 0, 0, 0, 0, 0, 0xE0, 0x3F,  // Sensitivity 0.5
                             0, 0, 0, 0, 0, 0, 0,    0,  // Output 0 dB
                             0, 0, 0, 0, 0, 0, 0xF0, 0x3F};  // Clip Output on
    program.insert(program.end(), values.begin(), values.end());
    ASSERT_EQ(program.size(), kHasEditor ? 80u : 56u);
    EXPECT_EQ(fx->GetChunk(false), program);

    ByteList bank(program.begin(), program.begin() + 8);
    bank.insert(bank.end(), {0x01, 0x00, 0x00, 0x00, '-', 0x01});  // name "-", initialised
    bank.insert(bank.end(), program.begin() + 8, program.end());
    ASSERT_EQ(bank.size(), kHasEditor ? 86u : 62u);
    EXPECT_EQ(fx->GetChunk(true), bank);
}

TEST_F(Chunks, StatesWithoutTheEditorValuesStillLoad)
{
    // What hosts saved before the editor kept its size: no editor values.
    const ByteList values = {0, 0, 0, 0, 0, 0, 0x14, 0x40,  // Attack 5
                             0, 0, 0, 0, 0, 0, 0x08, 0xC0,  // Sustain -3
                             0, 0, 0, 0, 0, 0, 0xD0, 0x3F,  // Sensitivity 0.25
                             0, 0, 0, 0, 0, 0, 0x18, 0x40,  // Output 6 dB
                             0, 0, 0, 0, 0, 0, 0,    0};  // Clip Output off
    ByteList program = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    program.insert(program.end(), values.begin(), values.end());
    ASSERT_EQ(program.size(), 56u);
    ByteList bank(program.begin(), program.begin() + 8);
    bank.insert(bank.end(), {0x01, 0x00, 0x00, 0x00, '-', 0x01});
    bank.insert(bank.end(), program.begin() + 8, program.end());
    ASSERT_EQ(bank.size(), 62u);
    const float expected[kParamCount] = {0.75f, 0.35f, 0.25f, 0.75f, 0.0f};
    for (bool isBank : {false, true}) {
        SCOPED_TRACE(isBank ? "bank" : "program");
        auto fx = Started();
        EXPECT_EQ(fx->SetChunk(isBank, isBank ? bank : program), 1);
        for (int i = 0; i < kParamCount; ++i)
            EXPECT_FLOAT_EQ(fx->Get(i), expected[i]) << "parameter " << i;
        // Saved again, it has the current layout with the editor values unset.
        EXPECT_EQ(fx->GetChunk(false), ChunkBytes().Header().State({5.0, -3.0, 0.25, 6.0, 0.0}).bytes);
    }
}

TEST_F(Chunks, StoredValuesArePlainValues)
{
    auto fx = Started();
    fx->Set(kAttack, 1.0f);
    fx->Set(kSustain, 0.25f);
    fx->Set(kOutput, 0.75f);
    fx->Set(kClipOutput, 0.0f);
    EXPECT_EQ(fx->GetChunk(false), ChunkBytes().Header().State({10.0, -5.0, 0.5, 6.0, 0.0}).bytes);
}

TEST_F(Chunks, ProgramRoundTripRestoresSettingsAndSound)
{
    auto a = Started();
    const float settings[kParamCount] = {0.8f, 0.2f, 0.3f, 0.6f, 0.0f};
    for (int i = 0; i < kParamCount; ++i)
        a->Set(i, settings[i]);
    const ByteList chunk = a->GetChunk(false);
    ASSERT_EQ(chunk.size(), 8 + kStateSize);

    auto b = Started();
    EXPECT_EQ(b->SetChunk(false, chunk), 1);
    for (int i = 0; i < kParamCount; ++i)
        EXPECT_EQ(b->Get(i), a->Get(i)) << "parameter " << i;
    EXPECT_EQ(b->GetChunk(false), chunk);

    // The restored settings reach the sound, not just the values.
    const DoubleChannels in = ToDouble(Bursts(2048, 7));
    const DoubleChannels outA = RenderDouble(*a, in, 512);
    const DoubleChannels outB = RenderDouble(*b, in, 512);
    EXPECT_EQ(FirstDifference(outA[0], outB[0]), -1);
    EXPECT_EQ(FirstDifference(outA[1], outB[1]), -1);
    double peak = 0.0;
    for (double s : outA[0])
        peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.989) << "Clip Output off and +2.4 dB should let peaks through";
}

TEST_F(Chunks, BankRoundTripRestoresSettingsAndName)
{
    auto a = Started();
    std::string name = "Tight Kick";
    a->Dispatch(effSetProgramName, 0, 0, name.data());
    a->Set(kAttack, 0.25f);
    a->Set(kOutput, 0.0f);
    const ByteList bank = a->GetChunk(true);
    ASSERT_EQ(bank.size(), 8 + 4 + name.size() + 1 + kStateSize);

    auto b = Started();
    EXPECT_EQ(b->SetChunk(true, bank), 1);
    EXPECT_EQ(b->AskText(effGetProgramName).Text(), "Tight Kick");
    ExpectNormalised(*b, {0.25f, 0.5f, 0.5f, 0.0f, 1.0f});
    EXPECT_EQ(b->GetChunk(true), bank);
    EXPECT_EQ(b->GetChunk(false), a->GetChunk(false));
}

TEST_F(Chunks, BankAndProgramBuffersStayValidTogether)
{
    auto fx = Started();
    void* bankData = nullptr;
    void* programData = nullptr;
    const VstIntPtr bankSize = fx->Dispatch(effGetChunk, 0, 0, &bankData);
    const VstIntPtr programSize = fx->Dispatch(effGetChunk, 1, 0, &programData);
    ASSERT_GT(bankSize, 0);
    ASSERT_GT(programSize, 0);
    ASSERT_NE(bankData, programData);
    const ByteList bank(static_cast<std::uint8_t*>(bankData), static_cast<std::uint8_t*>(bankData) + bankSize);
    const ByteList program(static_cast<std::uint8_t*>(programData),
                           static_cast<std::uint8_t*>(programData) + programSize);
    EXPECT_EQ(bank, fx->GetChunk(true));
    EXPECT_EQ(program, fx->GetChunk(false));
    EXPECT_EQ(fx->Dispatch(effGetChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(fx->Dispatch(effGetChunk, 1, 0, nullptr), 0);
}

TEST_F(Chunks, AcceptedLayouts)
{
    const std::vector<double> values = {5.0, -5.0, 0.2, -6.0, 0.0};
    const std::vector<float> expected = {0.75f, 0.25f, 0.2f, 0.25f, 0.0f};
    std::vector<double> six = values;
    six.push_back(1.0);
    struct Row {
        const char* what;
        bool bank;
        ByteList bytes;
    };
    const Row rows[] = {
        {"program with header", false, ChunkBytes().Header().State(values).bytes},
        {"program without header", false, ChunkBytes().State(values).bytes},
        {"bank request, program state without header", true, ChunkBytes().State(values).bytes},
        {"bank request, older header version", true, ChunkBytes().I32(0x70666674).I32(0xFFFF).State(values).bytes},
        {"program storing six values", false, ChunkBytes().Header().State(six, 6).bytes},
        {"program with bytes after it", false, ChunkBytes().Header().State(values).Raw({1, 2, 3}).bytes},
        {"bank", true, ChunkBytes().Header().I32(4).Raw({'B', 'a', 'n', 'k'}).U8(1).State(values).bytes},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto fx = Started();
        EXPECT_EQ(fx->SetChunk(row.bank, row.bytes), 1);
        ExpectNormalised(*fx, expected);
        EXPECT_EQ(fx->GetChunk(false), ChunkBytes().Header().State(values).bytes);
    }
}

TEST_F(Chunks, BadSizesAndMissingDataAnswerZero)
{
    auto fx = Started();
    fx->Set(kAttack, 0.7f);
    const ByteList before = fx->GetChunk(false);
    ByteList valid = ChunkBytes().Header().State({1.0, 1.0, 1.0, 1.0, 0.0}).bytes;
    for (bool bank : {false, true}) {
        for (VstIntPtr size : {VstIntPtr{-1}, VstIntPtr{-100}, std::numeric_limits<VstIntPtr>::min()}) {
            SCOPED_TRACE(std::to_string(bank) + " size " + std::to_string(size));
            EXPECT_EQ(fx->Dispatch(effSetChunk, bank ? 0 : 1, size, valid.data()), 0);
        }
        EXPECT_EQ(fx->Dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(valid.size()), nullptr), 0);
    }
    EXPECT_EQ(fx->GetChunk(false), before) << "a refused chunk changes nothing";
}

TEST_F(Chunks, EveryCutShortChunkFails)
{
    auto source = Started();
    source->Set(kAttack, 0.9f);
    const ByteList program = source->GetChunk(false);
    const ByteList bank = source->GetChunk(true);
    auto fx = Started();
    for (bool isBank : {false, true}) {
        const ByteList& whole = isBank ? bank : program;
        // Cut after the second value, it has the length of the layout written
        // before the editor kept its size (56 and 62 bytes), and fails all the same.
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE((isBank ? "bank cut to " : "program cut to ") + std::to_string(length));
            EXPECT_EQ(
                fx->SetChunk(isBank, ByteList(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length))), 0);
        }
        EXPECT_EQ(fx->SetChunk(isBank, whole), 1);
    }
}

TEST_F(Chunks, ValuesReadBeforeTheCutStay)
{
    auto fx = Started();
    fx->Set(kOutput, 0.75f);
    fx->Set(kClipOutput, 0.0f);
    // Ends after the third value: the fourth runs out, the fifth is never reached.
    const ByteList cut = ChunkBytes().Header().State({5.0, -5.0, 0.2}).bytes;
    EXPECT_EQ(fx->SetChunk(false, cut), 0);
    ExpectNormalised(*fx, {0.75f, 0.25f, 0.2f, 0.5f, 0.0f});
}

TEST_F(Chunks, ValuesOutsideTheRangeAreLimited)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* what;
        double stored;
        float expected;  // normalised Attack afterwards; negative: any value in 0..1
    };
    const Row rows[] = {
        {"above", 11.0, 1.0f},  {"below", -11.0, 0.0f},   {"huge", 1e308, 1.0f},
        {"tiny", -1e308, 0.0f}, {"+infinity", inf, 1.0f}, {"-infinity", -inf, 0.0f},
        {"NaN", nan, -1.0f},    {"-NaN", -nan, -1.0f},    {"denormal", 4.9e-324, 0.5f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto fx = Started();
        const VstIntPtr answer = fx->SetChunk(
            false, ChunkBytes().Header().State({row.stored, row.stored, row.stored, row.stored, row.stored}).bytes);
        for (int i = 0; i < kParamCount; ++i) {
            const float v = fx->Get(i);
            EXPECT_TRUE(std::isfinite(v) && v >= 0.0f && v <= 1.0f) << "parameter " << i << " reads " << v;
        }
        if (row.expected >= 0.0f) {
            EXPECT_EQ(answer, 1);
            EXPECT_NEAR(fx->Get(kAttack), row.expected, 1e-6);
        }
        // The effect keeps making finite sound.
        const DoubleChannels out = RenderDouble(*fx, ToDouble(Bursts(256, 3)), 256);
        for (const auto& channel : out) {
            for (double s : channel)
                ASSERT_TRUE(std::isfinite(s));
        }
    }
}

// Random and hostile data must be refused or taken without harm: no crash,
// parameters still in range, the effect still producing finite sound and a
// well-formed state.
TEST_F(Chunks, GarbageIsHandledSafely)
{
    auto fx = Started();
    std::mt19937 random(20240611u);
    auto randomBytes = [&](std::size_t n) {
        ByteList b(n);
        for (auto& byte : b)
            byte = static_cast<std::uint8_t>(random() & 0xFF);
        return b;
    };
    const double specials[] = {std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               1e308,
                               -1e308,
                               4.9e-324,
                               0.0,
                               -1.0,
                               1e6};
    std::vector<std::pair<bool, ByteList>> cases;
    for (int i = 0; i < 150; ++i)
        cases.push_back({i % 2 == 0, randomBytes(random() % 160)});
    for (int i = 0; i < 150; ++i)
        cases.push_back({i % 2 == 0, ChunkBytes().Header().Raw(randomBytes(random() % 120)).bytes});
    for (int i = 0; i < 150; ++i) {
        ChunkBytes c;
        c.Header().I32(static_cast<std::int32_t>(random() % 12) - 3).I32(static_cast<std::int32_t>(random() % 5) - 2);
        const int doubles = static_cast<int>(random() % 12);
        for (int d = 0; d < doubles; ++d) {
            c.F64(random() % 2 ? specials[random() % std::size(specials)]
                               : static_cast<double>(random()) - 2147483648.0);
        }
        cases.push_back({false, c.bytes});
    }
    for (std::int32_t nameLength : {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
                                    -1, -4, -5, -12, 0, 1000, 1 << 30}) {
        cases.push_back({true, ChunkBytes().Header().I32(nameLength).Raw(randomBytes(64)).bytes});
        cases.push_back({true, ChunkBytes().Header().I32(nameLength).U8(1).State(kDefaults).bytes});
    }
    int taken = 0;
    for (std::size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        const VstIntPtr answer = fx->SetChunk(cases[n].first, cases[n].second);
        ASSERT_TRUE(answer == 0 || answer == 1) << answer;
        taken += static_cast<int>(answer);
        for (int i = 0; i < kParamCount; ++i) {
            const float v = fx->Get(i);
            ASSERT_TRUE(std::isfinite(v) && v >= 0.0f && v <= 1.0f) << "parameter " << i << " reads " << v;
        }
        if (n % 25 == 0) {
            const DoubleChannels out = RenderDouble(*fx, ToDouble(Bursts(128, static_cast<std::uint32_t>(n))), 128);
            for (const auto& channel : out) {
                for (double s : channel)
                    ASSERT_TRUE(std::isfinite(s));
            }
        }
    }
    EXPECT_GT(taken, 0) << "some well-formed random states should have been accepted";
    const ByteList state = fx->GetChunk(false);
    ASSERT_EQ(state.size(), 8 + kStateSize);
    for (std::size_t at = 16; at < state.size(); at += 8) {
        double v;
        std::memcpy(&v, &state[at], 8);
        EXPECT_TRUE(std::isfinite(v)) << "stored value at byte " << at;
    }
    ASSERT_FALSE(fx->GetChunk(true).empty());
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
