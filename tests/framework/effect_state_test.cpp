#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/framework/test_effect.h"

namespace kestrelon {

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kHeader = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
const Bytes kCounts = {0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kZero = {0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kHalf = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
const Bytes kOne = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
const Bytes kMinusOne = {0, 0, 0, 0, 0, 0, 0xF0, 0xBF};

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes ToBytes(const ChunkBuffer& buffer)
{
    return Bytes(buffer.Data(), buffer.Data() + buffer.Size());
}

ChunkBuffer ToBuffer(const Bytes& bytes)
{
    ChunkBuffer buffer;
    buffer.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    return buffer;
}

// What the host gets for one program and for the bank.
ChunkBuffer ProgramChunk(TestEffect& effect)
{
    ChunkBuffer chunk;
    WriteChunkHeader(chunk);
    effect.WriteState(chunk);
    return chunk;
}

ChunkBuffer BankChunk(TestEffect& effect)
{
    ChunkBuffer chunk;
    WriteChunkHeader(chunk);
    effect.ModifyCurrentPreset(nullptr);
    effect.SerializePresets(chunk);
    return chunk;
}

// How a chunk from the host is taken back: a bank goes to the presets,
// anything else (a program, data without a header) to the live state.
int LoadChunk(TestEffect& effect, const ChunkBuffer& chunk, bool bank)
{
    int pos = 0;
    const int32_t version = ReadChunkHeader(chunk, pos);
    if (bank && version >= 0x10000)
        return effect.UnserializePresets(chunk, pos);
    pos = effect.ReadState(chunk, pos);
    effect.ModifyCurrentPreset(nullptr);
    return pos;
}

std::vector<double> Values(const TestEffect& effect)
{
    std::vector<double> values;
    for (int i = 0; i < effect.ParamCount(); ++i)
        values.push_back(effect.ParamAt(i)->Value());
    return values;
}

// The resize controller's three values: view mode, width, height, all unset.
struct EditorValues {
    IParameter values[3];
    EditorValues()
    {
        values[0].DefineInteger("", -1, -1, 1000000);
        values[1].DefineContinuous("", -1, -1, 1000000, 1.0);
        values[2].DefineContinuous("", -1, -1, 1000000, 1.0);
    }
};

const std::vector<int> kAllFive = {0, 1, 2, 3, 4};

}  // namespace

TEST(EffectState, FreshChunksWithoutEditorValues)
{
    TestEffect effect;
    const Bytes defaults = Concat({kZero, kZero, kHalf, kZero, kOne});
    EXPECT_EQ(ToBytes(ProgramChunk(effect)), Concat({kHeader, kCounts, defaults}));
    EXPECT_EQ(ProgramChunk(effect).Size(), 56);

    const Bytes bank = Concat({kHeader, {0x01, 0x00, 0x00, 0x00, '-', 0x01}, kCounts, defaults});
    EXPECT_EQ(ToBytes(BankChunk(effect)), bank);
    EXPECT_EQ(static_cast<int>(bank.size()), 62);
}

TEST(EffectState, FreshChunksWithEditorValues)
{
    EditorValues editor;
    TestEffect effect;
    effect.SetEditorStateValues(editor.values);
    effect.ModifyCurrentPreset(nullptr);
    const Bytes state = Concat({kCounts, kMinusOne, kMinusOne, kMinusOne, kZero, kZero, kHalf, kZero, kOne});
    EXPECT_EQ(ToBytes(ProgramChunk(effect)), Concat({kHeader, state}));
    EXPECT_EQ(ProgramChunk(effect).Size(), 80);
    EXPECT_EQ(BankChunk(effect).Size(), 86);
    EXPECT_EQ(ToBytes(BankChunk(effect)), Concat({kHeader, {0x01, 0x00, 0x00, 0x00, '-', 0x01}, state}));

    // The editor values travel with the state and are clamped on the way in.
    TestEffect other;
    EditorValues otherEditor;
    other.SetEditorStateValues(otherEditor.values);
    ChunkBuffer chunk;
    WriteChunkHeader(chunk);
    chunk.PutInt32(5);
    chunk.PutInt32(0);
    for (double v : {0.0, 500.0, 2e6, 1.0, 2.0, 0.3, 4.0, 0.0})
        chunk.PutDouble(v);
    EXPECT_EQ(LoadChunk(other, chunk, false), chunk.Size());
    EXPECT_EQ(otherEditor.values[0].Value(), 0.0);
    EXPECT_EQ(otherEditor.values[1].Value(), 500.0);
    EXPECT_EQ(otherEditor.values[2].Value(), 1000000.0);
    EXPECT_EQ(Values(other), (std::vector<double>{1.0, 2.0, 0.3, 4.0, 0.0}));

    // A state cut off inside the editor values keeps the ones it could not read.
    ChunkBuffer cut;
    cut.PutInt32(5);
    cut.PutInt32(0);
    cut.PutDouble(0.0);
    cut.PutDouble(640.0);
    EXPECT_EQ(other.ReadState(cut, 0), -1);
    EXPECT_EQ(otherEditor.values[1].Value(), 640.0);
    EXPECT_EQ(otherEditor.values[2].Value(), 1000000.0);
}

TEST(EffectState, ProgramRoundTripWithAndWithoutHeader)
{
    TestEffect source;
    const double values[] = {2.5, -7.54, 0.25, -12.0, 0.0};
    for (int i = 0; i < 5; ++i)
        source.ParamAt(i)->Set(values[i]);
    const ChunkBuffer chunk = ProgramChunk(source);

    TestEffect withHeader;
    EXPECT_EQ(LoadChunk(withHeader, chunk, false), 56);
    EXPECT_EQ(Values(withHeader), Values(source));
    EXPECT_EQ(withHeader.changes, kAllFive);

    // The same state without the 8-byte header reads from position 0.
    TestEffect bare;
    const Bytes all = ToBytes(chunk);
    EXPECT_EQ(LoadChunk(bare, ToBuffer(Bytes(all.begin() + 8, all.end())), false), 48);
    EXPECT_EQ(Values(bare), Values(source));

    // Loading a program also stores it in the current preset.
    EXPECT_EQ(ToBytes(BankChunk(bare)).size(), 62u);
    TestEffect fromBank;
    EXPECT_GT(LoadChunk(fromBank, BankChunk(bare), true), 0);
    EXPECT_EQ(Values(fromBank), Values(source));

    // Stored values outside a parameter's range are clamped, not put on the step.
    ChunkBuffer wild;
    wild.PutInt32(5);
    wild.PutInt32(0);
    for (double v : {99.0, -99.0, 0.123, 3.33, 0.7})
        wild.PutDouble(v);
    TestEffect clamped;
    EXPECT_EQ(clamped.ReadState(wild, 0), 48);
    EXPECT_EQ(Values(clamped), (std::vector<double>{10.0, -10.0, 0.123, 3.33, 0.7}));
}

TEST(EffectState, DamagedPrograms)
{
    ChunkBuffer full;
    full.PutInt32(5);
    full.PutInt32(0);
    for (double v : {1.0, 2.0, 0.75, 6.0, 0.0})
        full.PutDouble(v);

    // Ends after the third value: 0..2 set, 3 becomes 0 within its range, 4 untouched.
    {
        TestEffect effect;
        effect.ParamAt(3)->Set(5.0);
        effect.ParamAt(4)->Set(1.0);
        const Bytes all = ToBytes(full);
        const ChunkBuffer cut = ToBuffer(Bytes(all.begin(), all.begin() + 8 + 3 * 8));
        EXPECT_EQ(effect.ReadState(cut, 0), -1);
        EXPECT_EQ(Values(effect), (std::vector<double>{1.0, 2.0, 0.75, 0.0, 1.0}));
        EXPECT_EQ(effect.changes, kAllFive);
    }
    // A value cut in the middle counts as missing too.
    {
        TestEffect effect;
        const Bytes all = ToBytes(full);
        const ChunkBuffer cut = ToBuffer(Bytes(all.begin(), all.begin() + 8 + 4 * 8 + 3));
        EXPECT_EQ(effect.ReadState(cut, 0), -1);
        EXPECT_EQ(Values(effect), (std::vector<double>{1.0, 2.0, 0.75, 6.0, 0.0}));
    }
    // Six first-group values are read as five; the sixth is ignored.
    {
        ChunkBuffer six;
        six.PutInt32(6);
        six.PutInt32(0);
        for (double v : {1.0, 2.0, 0.75, 6.0, 0.0, 9.0})
            six.PutDouble(v);
        TestEffect effect;
        EXPECT_EQ(effect.ReadState(six, 0), 8 + 5 * 8);
        EXPECT_EQ(Values(effect), (std::vector<double>{1.0, 2.0, 0.75, 6.0, 0.0}));
    }
    // Fewer stored values than parameters: the rest keep theirs, and the read succeeds.
    {
        ChunkBuffer two;
        two.PutInt32(2);
        two.PutInt32(0);
        two.PutDouble(3.0);
        two.PutDouble(4.0);
        TestEffect effect;
        effect.ParamAt(3)->Set(-6.0);
        EXPECT_EQ(effect.ReadState(two, 0), 24);
        EXPECT_EQ(Values(effect), (std::vector<double>{3.0, 4.0, 0.5, -6.0, 1.0}));
        EXPECT_EQ(effect.changes, kAllFive);
    }
    // No counts at all, negative counts, garbage: nothing set beyond the
    // parameter that ran out, and the load fails where data is missing.
    {
        TestEffect effect;
        effect.ParamAt(0)->Set(4.0);
        EXPECT_EQ(effect.ReadState(ToBuffer({0x05, 0x00}), 0), -1);
        EXPECT_EQ(effect.ParamAt(0)->Value(), 4.0);
        EXPECT_EQ(effect.changes, kAllFive);

        ChunkBuffer negative;
        negative.PutInt32(-3);
        negative.PutInt32(-1);
        EXPECT_EQ(effect.ReadState(negative, 0), 8);
        EXPECT_EQ(effect.ParamAt(0)->Value(), 4.0);

        ChunkBuffer nan;
        nan.PutInt32(1);
        nan.PutInt32(0);
        nan.PutDouble(std::numeric_limits<double>::quiet_NaN());
        EXPECT_EQ(effect.ReadState(nan, 0), 16);
        EXPECT_EQ(effect.ParamAt(0)->Value(), 4.0);  // NaN never becomes a parameter value
    }
}

TEST(EffectState, LoadPresetCapturesOrRestores)
{
    TestEffect effect("1-1 2-2", 4);
    effect.ParamAt(0)->Set(3.0);
    // Only preset 0 was filled by the constructor; 1..3 are still "empty".
    EXPECT_STREQ(effect.PresetName(0), "-");
    EXPECT_STREQ(effect.PresetName(1), "empty");
    EXPECT_FALSE(effect.PresetInitialised(1));

    EXPECT_TRUE(effect.LoadPreset(2));
    EXPECT_STREQ(effect.PresetName(2), "user preset 1");
    EXPECT_EQ(effect.CurrentPreset(), 2);
    EXPECT_EQ(effect.presetChanges, 1);
    EXPECT_TRUE(effect.LoadPreset(1));
    EXPECT_STREQ(effect.PresetName(1), "user preset 2");

    // A user-preset name anywhere in a name counts.
    effect.ModifyCurrentPreset("my user preset");
    EXPECT_STREQ(effect.PresetName(1), "my user preset");
    EXPECT_TRUE(effect.LoadPreset(3));
    EXPECT_STREQ(effect.PresetName(3), "user preset 3");

    // An initialised preset restores its state: preset 0 still holds the defaults.
    EXPECT_TRUE(effect.LoadPreset(0));
    EXPECT_EQ(effect.ParamAt(0)->Value(), 0.0);
    EXPECT_TRUE(effect.LoadPreset(2));
    EXPECT_EQ(effect.ParamAt(0)->Value(), 3.0);

    const int changesBefore = effect.presetChanges;
    for (int bad : {-1, 4, 1000}) {
        EXPECT_FALSE(effect.LoadPreset(bad));
        EXPECT_STREQ(effect.PresetName(bad), "");
    }
    EXPECT_EQ(effect.CurrentPreset(), 2);
    EXPECT_EQ(effect.presetChanges, changesBefore);

    // FillUnsetPresets finds nothing left to fill.
    effect.FillUnsetPresets("Empty", 4);
    EXPECT_STREQ(effect.PresetName(3), "user preset 3");
}

TEST(EffectState, BankRoundTripAndDamage)
{
    TestEffect source("1-1 2-2", 3);
    source.ParamAt(1)->Set(-4.0);
    ASSERT_TRUE(source.LoadPreset(1));  // captures Sustain -4 as "user preset 1"
    source.ModifyCurrentPreset("Punchy \xE2\x82\xAC");
    const ChunkBuffer bank = BankChunk(source);
    // Header, then "-" with its state, the named one with its state, and an unset one.
    EXPECT_EQ(bank.Size(), 8 + (4 + 1 + 1 + 48) + (4 + 10 + 1 + 48) + (4 + 5 + 1));

    TestEffect copy("1-1 2-2", 3);
    EXPECT_EQ(LoadChunk(copy, bank, true), bank.Size());
    EXPECT_STREQ(copy.PresetName(0), "-");
    EXPECT_STREQ(copy.PresetName(1), "Punchy \xE2\x82\xAC");
    EXPECT_STREQ(copy.PresetName(2), "empty");
    EXPECT_FALSE(copy.PresetInitialised(2));
    // The current preset (0, defaults) becomes the live state after the bank.
    EXPECT_EQ(copy.ParamAt(1)->Value(), 0.0);
    EXPECT_TRUE(copy.LoadPreset(1));
    EXPECT_EQ(copy.ParamAt(1)->Value(), -4.0);

    // A bank cut in the middle of the second preset's record fails and
    // leaves that preset as it was.
    const Bytes all = ToBytes(bank);
    for (int cutAt : {8 + 54 + 2, 8 + 54 + 4 + 10}) {
        TestEffect damaged("1-1 2-2", 3);
        EXPECT_EQ(LoadChunk(damaged, ToBuffer(Bytes(all.begin(), all.begin() + cutAt)), true), -1);
        EXPECT_STREQ(damaged.PresetName(0), "-");
        EXPECT_STREQ(damaged.PresetName(1), "empty");
        EXPECT_FALSE(damaged.PresetInitialised(1));
    }

    // A name length near the int32 maximum fails the read instead of wrapping.
    ChunkBuffer hostile;
    WriteChunkHeader(hostile);
    hostile.PutInt32(0x7FFFFFFE);
    hostile.PutBytes("-", 1);
    hostile.PutByte(1);
    TestEffect target;
    EXPECT_EQ(LoadChunk(target, hostile, true), -1);
    EXPECT_STREQ(target.PresetName(0), "-");

    // A bank chunk without a header is one program's state from position 0.
    TestEffect bare;
    ChunkBuffer state;
    source.WriteState(state);
    EXPECT_EQ(LoadChunk(bare, state, true), 48);
    EXPECT_EQ(bare.ParamAt(1)->Value(), -4.0);
}

TEST(EffectState, NamesAreCutToTheirCapacity)
{
    const std::string longName = std::string(254, 'n') + "\xC3\xA9" + "tail";  // 260 bytes
    TestEffect effect;
    effect.ModifyCurrentPreset(longName.c_str());
    EXPECT_EQ(std::string(effect.PresetName(0)), std::string(254, 'n'));

    // The same from a bank written by something else.
    ChunkBuffer bank;
    WriteChunkHeader(bank);
    bank.PutText(longName.c_str());
    bank.PutByte(1);
    effect.WriteState(bank);
    TestEffect fromBank;
    EXPECT_EQ(LoadChunk(fromBank, bank, true), bank.Size());
    EXPECT_EQ(std::string(fromBank.PresetName(0)), std::string(254, 'n'));

    EffectDescription d = TestEffect::Description();
    const std::string longEffect(200, 'k');
    d.effectName = longEffect.c_str();
    d.makerName = nullptr;
    class Named : public IEffectBase {
    public:
        using IEffectBase::IEffectBase;
        // [UI thread] each one host call; this effect has no host.
        void HostBeginParamEdit(int) override {}
        void HostParamChanged(int, double) override {}
        void HostEndParamEdit(int) override {}
        void HostUpdateDisplay() override {}
        // [audio thread] mutex held.
        int HostSamplePosition() override { return 0; }
        double HostTempo() override { return 0.0; }
        void HostTimeSignature(int*, int*) override {}
        void HostTimeInfo(TransportInfo*) override {}
        // [UI thread] mutex held.
        void SetEditorSize(int, int) override {}
        // [audio thread] mutex held.
        bool SendMidiToHost(const MidiMessage&) override { return false; }
    };
    Named named(d);
    EXPECT_EQ(std::string(named.EffectName()), std::string(127, 'k'));
    EXPECT_STREQ(named.MakerName(), "");
    EXPECT_EQ(named.UniqueId(), 0x4B53544E);
    EXPECT_EQ(named.MakerId(), 0x4C504658);
}

TEST(EffectState, StateMatchesInSinglePrecision)
{
    TestEffect effect;
    std::vector<double> values = {9.0, 0.0, 0.0, 0.5, 0.0, 1.0};
    EXPECT_TRUE(effect.StateMatches(values.data(), 1));
    values[3] = 0.5 + 1e-9;  // the same float
    EXPECT_TRUE(effect.StateMatches(values.data(), 1));
    values[3] = 0.5001;
    EXPECT_FALSE(effect.StateMatches(values.data(), 1));
    EXPECT_FALSE(effect.StateMatches(values.data(), 0));
}

TEST(EffectState, EditorChangesReachHostAndEffect)
{
    TestEffect effect;
    effect.SetParamFromEditor(4, 0.3);
    effect.SetParamFromEditor(3, 0.75);
    EXPECT_EQ(effect.ParamAt(4)->Value(), 0.0);  // the switch rounds to its step
    EXPECT_EQ(effect.ParamAt(3)->Value(), 6.0);
    ASSERT_EQ(effect.automated.size(), 2u);
    EXPECT_EQ(effect.automated[0].index, 4);
    EXPECT_EQ(effect.automated[0].value, 0.3);  // the host gets the normalised value sent
    EXPECT_EQ(effect.changes, (std::vector<int>{4, 3}));
    effect.SetParamFromEditor(5, 0.5);
    EXPECT_EQ(effect.automated.size(), 2u);

    MidiMessage note;
    note.status = 0x90;
    note.data1 = 60;
    effect.HandleMidiMessage(note);
    ASSERT_EQ(effect.sentMidi.size(), 1u);
    EXPECT_EQ(effect.sentMidi[0].data1, 60);
}

}  // namespace kestrelon
