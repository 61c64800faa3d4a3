// The host's view: the record and the dispatcher's answers.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/plugin/plugin_rig.h"

namespace kestrelon {

namespace {

std::string Text(PluginRig& rig, vst2::VstInt32 opcode, int index = 0, vst2::VstIntPtr* result = nullptr)
{
    char buffer[512];
    std::memset(buffer, '#', sizeof(buffer));
    buffer[sizeof(buffer) - 1] = '\0';
    const vst2::VstIntPtr r = rig.Dispatch(opcode, index, 0, buffer);
    if (result)
        *result = r;
    return buffer;
}

// The bytes the host gets for a chunk request.
std::vector<uint8_t> Chunk(PluginRig& rig, int index)
{
    void* data = nullptr;
    const vst2::VstIntPtr size = rig.Dispatch(vst2::effGetChunk, index, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

// An effect with names longer than any host buffer should hold.
class LongNamesEffect : public IEffectVST {
public:
    static EffectDescription Description()
    {
        static const std::string name(200, 'e');
        EffectDescription d;
        d.paramCount = 1;
        d.channelIO = "1-1 2-2";
        d.presetCount = 1;
        d.effectName = name.c_str();
        d.productName = name.c_str();
        d.makerName = name.c_str();
        return d;
    }
    LongNamesEffect() : IEffectVST(Description(), nullptr)
    {
        ParamAt(0)->DefineContinuous("A parameter name well beyond thirty-one bytes", 0, 0, 1, 0.1,
                                     "a label that is also longer than thirty-one");
    }
};

}  // namespace

TEST(VstRecord, FieldsAfterCreation)
{
    PluginRig rig;
    const vst2::AEffect& fx = *rig.Record();
    EXPECT_EQ(fx.magic, 0x56737450);
    EXPECT_EQ(fx.numPrograms, 1);
    EXPECT_EQ(fx.numParams, 5);
    EXPECT_EQ(fx.numInputs, 2);
    EXPECT_EQ(fx.numOutputs, 2);
    // Replacing, double replacing, the mono-input flag and the editor flag:
    // both platforms have an editor window.
    EXPECT_EQ(fx.flags, 0x1019);
    EXPECT_EQ(fx.initialDelay, 0);
    EXPECT_EQ(fx.uniqueID, ('K' << 24) | ('S' << 16) | ('T' << 8) | 'N');
    EXPECT_EQ(fx.version, 10000);
    EXPECT_EQ(fx.ioRatio, 1.0f);
    EXPECT_EQ(fx.object, &rig.Plugin());
    EXPECT_EQ(fx.resvd1 | fx.resvd2 | fx.realQualities | fx.offQualities, 0);
    EXPECT_EQ(fx.user, nullptr);
    EXPECT_TRUE(fx.dispatcher && fx.process && fx.processReplacing && fx.processDoubleReplacing && fx.setParameter &&
                fx.getParameter);
    EXPECT_EQ(rig.Plugin().MaxBlockSize(), 1024);
    EXPECT_STREQ(rig.Plugin().PresetName(0), "-");
}

TEST(VstDispatcher, PlainAnswers)
{
    PluginRig rig;
    const struct {
        vst2::VstInt32 opcode;
        vst2::VstIntPtr want;
    } rows[] = {
        {vst2::effGetVendorVersion, 10000},
        {vst2::effGetVstVersion, 2400},
        {vst2::effGetPlugCategory, 1},
        {vst2::effIdentify, 0x4E764566},
        {vst2::effCanBeAutomated, 1},
        {vst2::effGetTailSize, 0},
        {vst2::effGetProgram, 0},
        {vst2::effEditIdle, 0},
        {vst2::effIdle, 0},
        {vst2::effProcessVarIo, 0},
        {vst2::effEditOpen, 0},  // no parent window to open in
        {vst2::effEditClose, 1},
        {vst2::effGetVu, 0},
        {vst2::effSetBypass, 0},
        {vst2::effGetParameterProperties, 0},
        {vst2::effShellGetNextPlugin, 0},
        {vst2::effGetNumMidiOutputChannels, 0},
        {200, 0},
        {-1, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rig.Dispatch(row.opcode), row.want) << "opcode " << row.opcode;

    // The editor's size is known before any window opens.
    vst2::ERect* rect = nullptr;
    EXPECT_EQ(rig.Dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 340);
    EXPECT_EQ(rect->bottom - rect->top, 484);

    // A record whose object is gone answers nothing.
    vst2::AEffect orphan = *rig.Record();
    orphan.object = nullptr;
    EXPECT_EQ(orphan.dispatcher(&orphan, vst2::effGetVstVersion, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(orphan.getParameter(&orphan, 0), 0.0f);
}

TEST(VstDispatcher, NamesLabelsAndDisplayStrings)
{
    PluginRig rig;
    vst2::VstIntPtr r = -1;
    EXPECT_EQ(Text(rig, vst2::effGetEffectName, 0, &r), "Kestrelon");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Text(rig, vst2::effGetVendorString, 0, &r), "Lumen Pathway");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Text(rig, vst2::effGetProductString, 0, &r), "");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(rig.Dispatch(vst2::effGetEffectName), 0);

    const struct {
        const char* name;
        const char* label;
        const char* display;
        float normalised;
    } params[] = {
        {"Attack", "", "0.0", 0.5f},   {"Sustain", "", "0.0", 0.5f},    {"Sensitivity", "", "0.5", 0.5f},
        {"Output", "dB", "0.0", 0.5f}, {"Clip Output", "", "on", 1.0f},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Text(rig, vst2::effGetParamName, i), params[i].name);
        EXPECT_EQ(Text(rig, vst2::effGetParamLabel, i), params[i].label);
        EXPECT_EQ(Text(rig, vst2::effGetParamDisplay, i), params[i].display);
        EXPECT_EQ(rig.Get(i), params[i].normalised);
    }
    // Out of range: the host's buffer is left alone.
    for (int i : {-1, 5}) {
        EXPECT_EQ(Text(rig, vst2::effGetParamName, i)[0], '#');
        EXPECT_EQ(Text(rig, vst2::effGetParamDisplay, i)[0], '#');
        EXPECT_EQ(Text(rig, vst2::effGetParamLabel, i)[0], '#');
        EXPECT_EQ(rig.Get(i), 0.0f);
    }

    rig.Set(3, 0.75f);
    EXPECT_EQ(Text(rig, vst2::effGetParamDisplay, 3), "6.0");
    EXPECT_EQ(rig.Get(3), 0.75f);
    rig.Set(4, 0.2f);
    EXPECT_EQ(Text(rig, vst2::effGetParamDisplay, 4), "off");
    EXPECT_FALSE(rig.Plugin().ClipEnabled());
    // Values outside 0..1 are taken as the nearest end, not as a plain
    // value outside the range.
    rig.Set(0, -0.5f);
    EXPECT_EQ(rig.Plugin().ParamAt(0)->Value(), -10.0);
    EXPECT_EQ(rig.Get(0), 0.0f);
    rig.Set(0, 7.0f);
    EXPECT_EQ(rig.Plugin().ParamAt(0)->Value(), 10.0);
    rig.Set(0, std::nanf(""));
    EXPECT_EQ(rig.Plugin().ParamAt(0)->Value(), 10.0);
    rig.Set(5, 0.2f);  // ignored
    rig.Set(-1, 0.2f);
    EXPECT_EQ(rig.Get(3), 0.75f);
}

TEST(VstDispatcher, TextsAreCutToTheirCapacity)
{
    IEffectVST* fx = new LongNamesEffect;
    vst2::AEffect* record = fx->Record();
    const struct {
        vst2::VstInt32 opcode;
        std::size_t length;
    } rows[] = {
        {vst2::effGetEffectName, 127}, {vst2::effGetVendorString, 127}, {vst2::effGetProductString, 127},
        {vst2::effGetParamName, 31},   {vst2::effGetParamLabel, 31},
    };
    for (const auto& row : rows) {
        char buffer[300];
        std::memset(buffer, '#', sizeof(buffer));
        record->dispatcher(record, row.opcode, 0, 0, buffer, 0);
        EXPECT_EQ(std::strlen(buffer), row.length) << "opcode " << row.opcode;
        EXPECT_EQ(buffer[row.length + 1], '#') << "opcode " << row.opcode;
    }

    const std::string longName(300, 'p');
    record->dispatcher(record, vst2::effSetProgramName, 0, 0, const_cast<char*>(longName.c_str()), 0);
    char buffer[300];
    std::memset(buffer, '#', sizeof(buffer));
    record->dispatcher(record, vst2::effGetProgramName, 0, 0, buffer, 0);
    EXPECT_EQ(std::string(buffer), std::string(255, 'p'));
    EXPECT_EQ(buffer[256], '#');
    record->dispatcher(record, vst2::effClose, 0, 0, nullptr, 0);
}

TEST(VstDispatcher, ProgramNames)
{
    PluginRig rig;
    vst2::VstIntPtr r = -1;
    EXPECT_EQ(Text(rig, vst2::effGetProgramName), "-");
    EXPECT_EQ(Text(rig, vst2::effGetProgramNameIndexed, 0, &r), "-");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Text(rig, vst2::effGetProgramNameIndexed, 1, &r), "");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(rig.Dispatch(vst2::effGetProgramNameIndexed, 0, 0, nullptr), 0);

    char name[] = "Snappy drums";
    rig.Dispatch(vst2::effSetProgramName, 0, 0, name);
    EXPECT_EQ(Text(rig, vst2::effGetProgramName), "Snappy drums");
    EXPECT_EQ(rig.Dispatch(vst2::effSetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(Text(rig, vst2::effGetProgramName), "Snappy drums");
}

TEST(VstDispatcher, CanDoAnswersOnlyTimeInfo)
{
    PluginRig rig;
    const struct {
        const char* text;
        vst2::VstIntPtr want;
    } rows[] = {
        {"receiveVstTimeInfo", 1},   {"sendVstEvents", 0},
        {"sendVstMidiEvent", 0},     {"receiveVstEvents", 0},
        {"receiveVstMidiEvent", 0},  {"receiveVstTimeInfoX", 0},
        {"ReceiveVstTimeInfo", 0},   {"bypass", 0},
        {"hostVendorExtensions", 0}, {"", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rig.Dispatch(vst2::effCanDo, 0, 0, const_cast<char*>(row.text)), row.want) << row.text;
    EXPECT_EQ(rig.Dispatch(vst2::effCanDo, 0, 0, nullptr), 0);
}

TEST(VstDispatcher, PinProperties)
{
    PluginRig rig;
    const struct {
        vst2::VstInt32 opcode;
        int index;
        vst2::VstIntPtr result;
        const char* label;
        vst2::VstInt32 flags;
    } rows[] = {
        {vst2::effGetInputProperties, 0, 1, "Input 1", 3},   {vst2::effGetInputProperties, 1, 1, "Input 2", 1},
        {vst2::effGetInputProperties, 2, 0, nullptr, 0},     {vst2::effGetInputProperties, -1, 0, nullptr, 0},
        {vst2::effGetOutputProperties, 0, 1, "Output 1", 3}, {vst2::effGetOutputProperties, 1, 1, "Output 2", 1},
        {vst2::effGetOutputProperties, 2, 0, nullptr, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.opcode << "/" << row.index);
        vst2::VstPinProperties pin{};
        pin.arrangementType = 77;
        EXPECT_EQ(rig.Dispatch(row.opcode, row.index, 0, &pin), row.result);
        if (row.label) {
            EXPECT_STREQ(pin.label, row.label);
            EXPECT_EQ(pin.flags, row.flags);
        } else {
            EXPECT_EQ(pin.label[0], '\0');
            EXPECT_EQ(pin.flags, 0);
        }
        EXPECT_EQ(pin.arrangementType, 77);
    }
    EXPECT_EQ(rig.Dispatch(vst2::effGetInputProperties, 0, 0, nullptr), 0);
}

TEST(VstDispatcher, VendorSpecificRequests)
{
    PluginRig rig;
    char text[64];
    std::strcpy(text, "untouched");
    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 7, 3, text, 1.0f), 0xBEEF);
    EXPECT_STREQ(text, "12.0");
    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 7, 4, text, 0.0f), 0xBEEF);
    EXPECT_STREQ(text, "off");
    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 7, 0, text, 0.25f), 0xBEEF);
    EXPECT_STREQ(text, "-5.0");
    std::strcpy(text, "untouched");
    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 7, 5, text, 0.5f), 0xBEEF);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 7, 3, nullptr, 0.5f), 0);

    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 8, 4), 0xBEEF);  // the switch moves in steps
    for (int param : {0, 1, 2, 3, 5, -1})
        EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 8, param), 0) << param;
    EXPECT_EQ(rig.Dispatch(vst2::effVendorSpecific, 9, 4, text), 0);
}

TEST(VstDispatcher, StringToParameter)
{
    PluginRig rig;
    rig.Dispatch(vst2::effOpen);
    Kestrelon& k = rig.Plugin();
    const struct {
        int index;
        const char* text;
        vst2::VstIntPtr result;
        double value;
    } rows[] = {
        {0, "3.5", 1, 3.5},   {0, "-12", 1, -10},    {0, "  +2.25 dB", 1, 2.25}, {0, "abc", 1, 0},
        {0, "7.77", 1, 7.77}, {4, "off", 1, 0},      {4, "maybe", 0, 0},         {4, "on", 1, 1},
        {3, "1e400", 1, 12},  {3, "-1e400", 1, -12}, {3, "1e-400", 1, 0},        {3, "nan", 1, 0},
        {2, "0.25", 1, 0.25},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.index << " \"" << row.text << "\"");
        EXPECT_EQ(rig.Dispatch(vst2::effString2Parameter, row.index, 0, const_cast<char*>(row.text)), row.result);
        EXPECT_EQ(k.ParamAt(row.index)->Value(), row.value);
    }
    // The new value is in effect at once.
    EXPECT_DOUBLE_EQ(k.AttackDepth(), 0.777 * 0.777 * 20);
    EXPECT_TRUE(k.ClipEnabled());
    EXPECT_EQ(rig.Dispatch(vst2::effString2Parameter, 0, 0, nullptr), 1);
    EXPECT_EQ(k.ParamAt(0)->Value(), 7.77);
    EXPECT_EQ(rig.Dispatch(vst2::effString2Parameter, 5, 0, const_cast<char*>("1")), 0);

    // A host that switched the process to a comma-decimal locale.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(rig.Dispatch(vst2::effString2Parameter, 0, 0, const_cast<char*>("-4.5")), 1);
        EXPECT_EQ(k.ParamAt(0)->Value(), -4.5);
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(VstDispatcher, ChunksRoundTripAndBothStayValid)
{
    PluginRig source;
    source.Dispatch(vst2::effOpen);
    source.Set(0, 0.8f);
    source.Set(4, 0.0f);
    const int editorValues = source.Plugin().EditorStateValueCount();
    const std::size_t stateSize = 8 + 8 * static_cast<std::size_t>(editorValues) + 5 * 8;

    void* programData = nullptr;
    void* bankData = nullptr;
    const vst2::VstIntPtr programSize = source.Dispatch(vst2::effGetChunk, 1, 0, &programData);
    const vst2::VstIntPtr bankSize = source.Dispatch(vst2::effGetChunk, 0, 0, &bankData);
    ASSERT_EQ(programSize, static_cast<vst2::VstIntPtr>(8 + stateSize));
    ASSERT_EQ(bankSize, static_cast<vst2::VstIntPtr>(8 + 4 + 1 + 1 + stateSize));
    ASSERT_NE(programData, bankData);
    const auto* program = static_cast<const uint8_t*>(programData);
    const auto* bank = static_cast<const uint8_t*>(bankData);
    const uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(std::memcmp(program, header, 8), 0);
    EXPECT_EQ(std::memcmp(bank, header, 8), 0);
    // The bank's one preset holds the same state as the program chunk.
    EXPECT_EQ(bank[12], '-');
    EXPECT_EQ(bank[13], 1);
    EXPECT_EQ(std::memcmp(bank + 14, program + 8, stateSize), 0);
    EXPECT_EQ(program[8], 5);  // five parameters in the first group

    for (int index : {1, 0}) {
        SCOPED_TRACE(index == 0 ? "bank" : "program");
        PluginRig target;
        target.Dispatch(vst2::effOpen);
        void* data = index == 0 ? bankData : programData;
        const vst2::VstIntPtr size = index == 0 ? bankSize : programSize;
        EXPECT_EQ(target.Dispatch(vst2::effSetChunk, index, size, data), 1);
        for (int p = 0; p < 5; ++p)
            EXPECT_EQ(target.Get(p), source.Get(p)) << p;
        EXPECT_DOUBLE_EQ(target.Plugin().AttackDepth(), source.Plugin().AttackDepth());
        EXPECT_FALSE(target.Plugin().ClipEnabled());
    }

    // A bank chunk whose header is missing is one program's state.
    PluginRig headerless;
    std::vector<uint8_t> state(program + 8, program + programSize);
    EXPECT_EQ(headerless.Dispatch(vst2::effSetChunk, 0, static_cast<vst2::VstIntPtr>(state.size()), state.data()), 1);
    EXPECT_EQ(headerless.Get(0), source.Get(0));
}

TEST(VstDispatcher, BadChunksAreRefused)
{
    PluginRig source;
    source.Set(1, 0.9f);
    const std::vector<uint8_t> program = Chunk(source, 1);
    ASSERT_FALSE(program.empty());

    PluginRig target;
    const float before = target.Get(1);
    void* data = const_cast<uint8_t*>(program.data());
    EXPECT_EQ(target.Dispatch(vst2::effSetChunk, 1, -1, data), 0);
    EXPECT_EQ(target.Dispatch(vst2::effSetChunk, 1, -100000, data), 0);
    EXPECT_EQ(target.Dispatch(vst2::effSetChunk, 1, static_cast<vst2::VstIntPtr>(program.size()), nullptr), 0);
    EXPECT_EQ(target.Get(1), before);
    EXPECT_EQ(target.Dispatch(vst2::effGetChunk, 1, 0, nullptr), 0);

    // Cut short: what was read stays, the load reports failure.
    EXPECT_EQ(target.Dispatch(vst2::effSetChunk, 1, 8 + 8 + 8 * target.Plugin().EditorStateValueCount() + 12, data), 0);
    const uint8_t garbage[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(target.Dispatch(vst2::effSetChunk, 0, sizeof(garbage), const_cast<uint8_t*>(garbage)), 0);
}

TEST(VstDispatcher, SampleRateAndBlockSizeGuards)
{
    PluginRig rig;
    rig.Start(48000.0f, 256);
    EXPECT_EQ(rig.Record()->initialDelay, 95);
    for (float bad : {0.0f, -44100.0f, std::nanf("")}) {
        rig.Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, bad);
        EXPECT_EQ(rig.Plugin().SampleRate(), 48000.0);
        EXPECT_EQ(rig.Record()->initialDelay, 95);
    }
    rig.Dispatch(vst2::effSetBlockSize, 0, -5);
    EXPECT_EQ(rig.Plugin().MaxBlockSize(), 256);
    rig.Dispatch(vst2::effSetBlockSize, 0, 0);
    EXPECT_EQ(rig.Plugin().MaxBlockSize(), 0);
    EXPECT_EQ(rig.Plugin().MeterDecay(), 1.0);
    // Announcements beyond 65536 frames prepare scratch for 65536 (longer
    // calls come in slices) instead of asking for up to 64 GiB.
    const vst2::VstIntPtr huge[][2] = {
        {65536, 65536}, {65537, 65536}, {0x7FFFFFFF, 65536}, {INTPTR_MAX, 65536}, {4096, 4096}};
    for (const auto& row : huge) {
        rig.Dispatch(vst2::effSetBlockSize, 0, row[0]);
        EXPECT_EQ(rig.Plugin().MaxBlockSize(), row[1]) << row[0];
    }
}

TEST(VstDispatcher, SpeakerArrangements)
{
    PluginRig rig;
    vst2::VstSpeakerArrangement* in = nullptr;
    vst2::VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(rig.Dispatch(vst2::effGetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&in), &out), 1);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(in->numChannels, 2);
    EXPECT_EQ(in->type, vst2::kSpeakerArrStereo);
    EXPECT_EQ(out->numChannels, 2);
    EXPECT_EQ(out->type, vst2::kSpeakerArrStereo);

    vst2::VstSpeakerArrangement mono{};
    mono.type = vst2::kSpeakerArrMono;
    mono.numChannels = 1;
    EXPECT_EQ(rig.Dispatch(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&mono), &mono), 1);
    EXPECT_TRUE(rig.Plugin().IsInputConnected(0));
    EXPECT_FALSE(rig.Plugin().IsInputConnected(1));
    EXPECT_TRUE(rig.Plugin().IsOutputConnected(0));
    EXPECT_FALSE(rig.Plugin().IsOutputConnected(1));
    // What is reported back stays the plug-in's own layout.
    EXPECT_EQ(in->numChannels, 2);
    EXPECT_EQ(rig.Record()->numInputs, 2);

    vst2::VstSpeakerArrangement stereo{};
    stereo.numChannels = 2;
    rig.Dispatch(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<vst2::VstIntPtr>(&stereo), nullptr);
    EXPECT_TRUE(rig.Plugin().IsInputConnected(1));
    EXPECT_FALSE(rig.Plugin().IsOutputConnected(1));  // outputs were not given
    EXPECT_EQ(rig.Dispatch(vst2::effSetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST(VstDispatcher, ProgramsAndMidiKeyNames)
{
    PluginRig rig;
    rig.Dispatch(vst2::effOpen);
    rig.Set(2, 0.2f);
    // Selecting the current program first stores the live state in it, so
    // nothing is lost.
    rig.Dispatch(vst2::effSetProgram, 0, 0);
    EXPECT_FLOAT_EQ(rig.Get(2), 0.2f);
    rig.Dispatch(vst2::effSetProgram, 0, 3);  // no such program
    EXPECT_EQ(rig.Dispatch(vst2::effGetProgram), 0);

    vst2::VstMidiKeyName key{};
    key.thisKeyNumber = 60;
    std::strcpy(key.keyName, "C3");
    EXPECT_EQ(rig.Dispatch(vst2::effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_EQ(key.keyName[0], '\0');
    EXPECT_EQ(rig.Dispatch(vst2::effGetMidiKeyName, 0, 0, nullptr), 0);
}

}  // namespace kestrelon
