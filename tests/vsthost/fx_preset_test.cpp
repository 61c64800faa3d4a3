// The .fxp/.fxb codec: exact bytes of what is written, lossless round trips,
// and refusal (never a crash or a huge allocation) for damaged files.
#include <gmock/gmock.h>

#include <random>

#include "tools/vsthost/fx_preset.h"

namespace kestrelon {

namespace {

using ::testing::HasSubstr;
using vsthost::DecodePreset;
using vsthost::EncodePreset;
using vsthost::FxPreset;
using vsthost::FxProgram;
using vsthost::PresetKind;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}
Bytes Be(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}
Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
Bytes Name(const std::string& name, std::size_t size)
{
    Bytes b = Text(name);
    b.resize(size, 0);
    return b;
}

FxPreset ChunkProgram()
{
    FxPreset p;
    p.fxId = 0x4B53544E;  // KSTN
    p.fxVersion = 10000;
    p.numParams = 5;
    p.name = "Punchy";
    p.chunk = {1, 2, 3, 0, 255};
    return p;
}

FxPreset ParamBank()
{
    FxPreset p;
    p.kind = PresetKind::Bank;
    p.opaque = false;
    p.formatVersion = 2;
    p.fxId = 0x41424344;
    p.fxVersion = 3;
    p.currentProgram = 1;
    for (int i = 0; i < 2; ++i) {
        FxProgram program;
        program.fxId = p.fxId;
        program.fxVersion = p.fxVersion;
        program.name = "Program " + std::to_string(i);
        program.params = {0.25f * i, 1.0f, 0.0f};
        p.programs.push_back(program);
    }
    return p;
}

TEST(FxPresetCodec, WritesTheStandardBigEndianLayouts)
{
    const Bytes fxp = EncodePreset(ChunkProgram());
    EXPECT_EQ(fxp, Concat({Text("CcnK"), Be(56 + 4 + 5 - 8), Text("FPCh"), Be(1), Text("KSTN"), Be(10000), Be(5),
                           Name("Punchy", 28), Be(5), Bytes{1, 2, 3, 0, 255}}));

    FxPreset bank = ChunkProgram();
    bank.kind = PresetKind::Bank;
    bank.formatVersion = 2;
    bank.numPrograms = 1;
    bank.currentProgram = 0;
    EXPECT_EQ(EncodePreset(bank), Concat({Text("CcnK"), Be(156 + 4 + 5 - 8), Text("FBCh"), Be(2), Text("KSTN"),
                                          Be(10000), Be(1), Be(0), Bytes(124, 0), Be(5), Bytes{1, 2, 3, 0, 255}}));

    FxPreset params;
    params.opaque = false;
    params.fxId = 0x41424344;
    params.fxVersion = 1;
    params.name = "A name longer than the twenty-seven bytes a file keeps";
    params.params = {0.5f, 1.0f};
    EXPECT_EQ(EncodePreset(params),
              Concat({Text("CcnK"), Be(56 + 8 - 8), Text("FxCk"), Be(1), Text("ABCD"), Be(1), Be(2),
                      Name("A name longer than the twen", 28), Be(0x3F000000), Be(0x3F800000)}));

    const Bytes fxb = EncodePreset(ParamBank());
    ASSERT_EQ(fxb.size(), 156u + 2 * (56u + 12u));
    EXPECT_EQ(Bytes(fxb.begin() + 8, fxb.begin() + 32),
              Concat({Text("FxBk"), Be(2), Text("ABCD"), Be(3), Be(2), Be(1)}));
    // Programs inside a bank are complete parameter programs of format version 1.
    EXPECT_EQ(Bytes(fxb.begin() + 156, fxb.begin() + 184),
              Concat({Text("CcnK"), Be(56 + 12 - 8), Text("FxCk"), Be(1), Text("ABCD"), Be(3), Be(3)}));
}

TEST(FxPresetCodec, EveryKindRoundTrips)
{
    FxPreset chunkBank = ChunkProgram();
    chunkBank.kind = PresetKind::Bank;
    chunkBank.formatVersion = 2;
    chunkBank.numPrograms = 4;
    chunkBank.currentProgram = 3;
    FxPreset paramProgram;
    paramProgram.opaque = false;
    paramProgram.fxId = 7;
    paramProgram.name = std::string(27, 'x');
    paramProgram.params = {0.0f, 0.125f, 1.0f};
    FxPreset emptyChunk = ChunkProgram();
    emptyChunk.chunk.clear();

    for (const FxPreset& original : {ChunkProgram(), chunkBank, paramProgram, ParamBank(), emptyChunk}) {
        FxPreset decoded;
        std::string error;
        ASSERT_TRUE(DecodePreset(EncodePreset(original), decoded, error)) << error;
        EXPECT_EQ(decoded.kind, original.kind);
        EXPECT_EQ(decoded.opaque, original.opaque);
        EXPECT_EQ(decoded.formatVersion, original.formatVersion);
        EXPECT_EQ(decoded.fxId, original.fxId);
        EXPECT_EQ(decoded.fxVersion, original.fxVersion);
        EXPECT_EQ(decoded.chunk, original.chunk);
        EXPECT_EQ(decoded.params, original.params);
        if (original.kind == PresetKind::Program) {
            EXPECT_EQ(decoded.name, original.name);
        } else {
            EXPECT_EQ(decoded.currentProgram, original.currentProgram);
        }
        ASSERT_EQ(decoded.programs.size(), original.programs.size());
        for (std::size_t i = 0; i < original.programs.size(); ++i) {
            EXPECT_EQ(decoded.programs[i].name, original.programs[i].name);
            EXPECT_EQ(decoded.programs[i].params, original.programs[i].params);
        }
    }
}

TEST(FxPresetCodec, ReadsWhatOtherWritersProduce)
{
    // A name filling all 28 bytes without a terminator, a byteSize that counts
    // differently, and trailing bytes: all accepted.
    const Bytes odd = Concat({Text("CcnK"), Be(12345), Text("FPCh"), Be(1), Text("KSTN"), Be(1), Be(5),
                              Text(std::string(28, 'n')), Be(2), Bytes{9, 8}, Bytes{0, 0, 0}});
    FxPreset p;
    std::string error;
    ASSERT_TRUE(DecodePreset(odd, p, error)) << error;
    EXPECT_EQ(p.name, std::string(28, 'n'));
    EXPECT_EQ(p.chunk, (Bytes{9, 8}));
    // A version 1 bank keeps its current-program field reserved: read as 0.
    const Bytes v1 =
        Concat({Text("CcnK"), Be(0), Text("FBCh"), Be(1), Text("KSTN"), Be(1), Be(1), Be(77), Bytes(124, 0), Be(0)});
    ASSERT_TRUE(DecodePreset(v1, p, error)) << error;
    EXPECT_EQ(p.currentProgram, 0);
}

TEST(FxPresetCodec, DamagedFilesAreRefusedWithAReason)
{
    const Bytes header = Concat({Text("CcnK"), Be(0)});
    struct Case {
        Bytes data;
        const char* reason;
    };
    const Case cases[] = {
        {{}, "no 'CcnK' header"},
        {Text("RIFF\0\0\0\0WAVE"), "no 'CcnK' header"},
        {Concat({header, Text("FxQQ")}), "unknown preset type 'FxQQ'"},
        {Concat({header, Text("FPCh"), Be(3), Text("KSTN"), Be(1), Be(5), Name("", 28), Be(0)}),
         "unsupported preset format version 3"},
        {Concat({header, Text("FPCh"), Be(1), Text("KSTN")}), "ends inside the program header"},
        {Concat({header, Text("FPCh"), Be(1), Text("KSTN"), Be(1), Be(5), Name("", 28)}), "ends before the chunk size"},
        {Concat({header, Text("FPCh"), Be(1), Text("KSTN"), Be(1), Be(5), Name("", 28), Be(0xFFFFFFFF)}),
         "chunk size -1 runs past the end"},
        {Concat({header, Text("FPCh"), Be(1), Text("KSTN"), Be(1), Be(5), Name("", 28), Be(3), Bytes{1, 2}}),
         "chunk size 3 runs past the end of the file (2 bytes left)"},
        {Concat({header, Text("FxCk"), Be(1), Text("KSTN"), Be(1), Be(0x7FFFFFFF), Name("", 28)}),
         "parameter count 2147483647 does not fit"},
        {Concat({header, Text("FxCk"), Be(1), Text("KSTN"), Be(1), Be(0xFFFFFFFE), Name("", 28)}),
         "parameter count -2 does not fit"},
        {Concat({header, Text("FxBk"), Be(1), Text("KSTN"), Be(1), Be(0x7FFFFFFF), Be(0), Bytes(124, 0)}),
         "claims 2147483647 programs but is too short"},
        {Concat({header, Text("FxBk"), Be(1), Text("KSTN"), Be(1), Be(0xFFFFFFFF), Be(0), Bytes(124, 0)}),
         "negative program count"},
        {Concat({header, Text("FxBk"), Be(1), Text("KSTN"), Be(1), Be(1), Be(0), Bytes(124, 0), header, Text("FPCh"),
                 Be(1), Text("KSTN"), Be(1), Be(0), Name("", 28)}),
         "program 0 of the bank is not a parameter program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        FxPreset p;
        p.name = "untouched";
        std::string error;
        EXPECT_FALSE(DecodePreset(c.data, p, error));
        EXPECT_THAT(error, HasSubstr(c.reason));
        EXPECT_EQ(p.name, "untouched");
    }

    // Every truncation of every kind is refused.
    FxPreset chunkBank = ChunkProgram();
    chunkBank.kind = PresetKind::Bank;
    for (const FxPreset& original : {ChunkProgram(), chunkBank, ParamBank()}) {
        const Bytes full = EncodePreset(original);
        for (std::size_t n = 0; n < full.size(); ++n) {
            FxPreset p;
            std::string error;
            ASSERT_FALSE(DecodePreset(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)), p, error))
                << "length " << n;
        }
    }
}

// Random damage to valid files: the decoder answers either way without
// reading out of bounds (run under the sanitizers) and never claims more data
// than the file holds.
TEST(FxPresetCodec, SurvivesRandomCorruption)
{
    std::mt19937 random(20240611);
    const Bytes seeds[] = {EncodePreset(ChunkProgram()), EncodePreset(ParamBank())};
    int accepted = 0;
    for (const Bytes& seed : seeds) {
        for (int round = 0; round < 3000; ++round) {
            Bytes data = seed;
            const int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits; ++e)
                data[random() % data.size()] = static_cast<std::uint8_t>(random());
            if (random() % 4 == 0)
                data.resize(random() % data.size());
            FxPreset p;
            std::string error;
            if (DecodePreset(data, p, error)) {
                ++accepted;
                std::size_t payload = p.chunk.size() + 4 * p.params.size();
                for (const FxProgram& program : p.programs)
                    payload += 4 * program.params.size();
                EXPECT_LE(payload, data.size());
            } else {
                EXPECT_FALSE(error.empty());
            }
        }
    }
    // Damage to names and values leaves files readable; the loop must see both outcomes.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 6000);
}

}  // namespace

}  // namespace kestrelon
