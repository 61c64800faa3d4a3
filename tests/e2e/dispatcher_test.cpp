// Every dispatcher request a host can send, answered by an opened effect.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/kestrelon_under_test.h"

namespace kestrelon {

namespace e2e {
namespace {

using namespace vst2;
using testhost::HostedEffect;
using Dispatcher = KestrelonTest;

TEST_F(Dispatcher, PlainAnswers)
{
    auto fx = Started();
    struct Row {
        const char* what;
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr value;
        float opt;
        VstIntPtr expected;
    };
    const Row rows[] = {
        {"open again", effOpen, 0, 0, 0.0f, 0},
        {"current program", effGetProgram, 0, 0, 0.0f, 0},
        {"sample rate", effSetSampleRate, 0, 0, 48000.0f, 0},
        {"block size", effSetBlockSize, 0, 256, 0.0f, 0},
        {"suspend", effMainsChanged, 0, 0, 0.0f, 0},
        {"resume", effMainsChanged, 0, 1, 0.0f, 0},
        {"editor idle", effEditIdle, 0, 0, 0.0f, 0},
        {"identify", effIdentify, 0, 0, 0.0f, 0x4E764566},
        {"attack automatable", effCanBeAutomated, 0, 0, 0.0f, 1},
        {"sustain automatable", effCanBeAutomated, 1, 0, 0.0f, 1},
        {"sensitivity automatable", effCanBeAutomated, 2, 0, 0.0f, 1},
        {"output automatable", effCanBeAutomated, 3, 0, 0.0f, 1},
        {"clip automatable", effCanBeAutomated, 4, 0, 0.0f, 1},
        {"category: effect", effGetPlugCategory, 0, 0, 0.0f, kPlugCategEffect},
        {"variable io", effProcessVarIo, 0, 0, 0.0f, 0},
        {"vendor version", effGetVendorVersion, 0, 0, 0.0f, 10000},
        {"tail size", effGetTailSize, 0, 0, 0.0f, 0},
        {"idle", effIdle, 0, 0, 0.0f, 0},
        {"interface version", effGetVstVersion, 0, 0, 0.0f, 2400},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(fx->Dispatch(row.opcode, row.index, row.value, nullptr, row.opt), row.expected);
    }
}

TEST_F(Dispatcher, RequestsItDoesNotServeChangeNothing)
{
    auto fx = Started();
    fx->Set(kAttack, 0.8f);
    const std::vector<std::uint8_t> program = fx->GetChunk(false);
    const std::vector<std::uint8_t> bank = fx->GetChunk(true);
    ASSERT_FALSE(program.empty());
    const VstInt32 ignored[] = {9,  16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 38,  39,         40,
                                43, 44, 46, 54, 55, 56, 57, 59, 60, 61, 62, 63, 64,  65,         67,
                                68, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 200, 0x7FFFFFFF, -1};
    for (VstInt32 opcode : ignored) {
        SCOPED_TRACE(opcode);
        const HostedEffect::TextAnswer answer = fx->AskText(opcode, 0, 0);
        EXPECT_EQ(answer.result, 0);
        EXPECT_TRUE(answer.Untouched()) << answer.BytesWritten() << " bytes written";
    }
    EXPECT_EQ(fx->GetChunk(false), program);
    EXPECT_EQ(fx->GetChunk(true), bank);
    EXPECT_EQ(fx->Record()->numInputs, 2);
    EXPECT_EQ(fx->Record()->numOutputs, 2);
}

TEST_F(Dispatcher, EffectVendorAndProductNames)
{
    auto fx = Started();
    struct Row {
        VstInt32 opcode;
        const char* text;
    };
    const Row rows[] = {
        {effGetEffectName, "Kestrelon"},
        {effGetVendorString, "Lumen Pathway"},
        {effGetProductString, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.opcode);
        const HostedEffect::TextAnswer answer = fx->AskText(row.opcode);
        EXPECT_EQ(answer.result, 1);
        EXPECT_EQ(answer.Text(), row.text);
        EXPECT_LE(answer.BytesWritten(), 128u) << "names hold at most 127 characters";
        EXPECT_EQ(fx->Dispatch(row.opcode, 0, 0, nullptr), 0) << "no buffer, no answer";
    }
}

TEST_F(Dispatcher, CanDoAnswersTimeInfoOnly)
{
    auto fx = Started();
    struct Row {
        const char* text;
        VstIntPtr expected;
    };
    const Row rows[] = {
        {"receiveVstTimeInfo", 1},
        {"sendVstEvents", 0},  // no MIDI in this effect
        {"sendVstMidiEvent", 0},
        {"receiveVstEvents", 0},
        {"receiveVstMidiEvent", 0},
        {"receiveVstTimeInfoAndMore", 0},
        {"receivevsttimeinfo", 0},
        {"receiveVstTime", 0},
        {"hostVendorExtensions", 0},
        {"bypass", 0},
        {"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string text = row.text;
        EXPECT_EQ(fx->Dispatch(effCanDo, 0, 0, text.data()), row.expected);
    }
    EXPECT_EQ(fx->Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, PinProperties)
{
    auto fx = Started();
    struct Row {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr result;
        const char* label;
        VstInt32 flags;
    };
    const Row rows[] = {
        {effGetInputProperties, 0, 1, "Input 1", kVstPinIsActive | kVstPinIsStereo},
        {effGetInputProperties, 1, 1, "Input 2", kVstPinIsActive},
        {effGetInputProperties, 2, 0, nullptr, 0},
        {effGetInputProperties, -1, 0, nullptr, 0},
        {effGetOutputProperties, 0, 1, "Output 1", kVstPinIsActive | kVstPinIsStereo},
        {effGetOutputProperties, 1, 1, "Output 2", kVstPinIsActive},
        {effGetOutputProperties, 2, 0, nullptr, 0},
        {effGetOutputProperties, -1, 0, nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.opcode) + " pin " + std::to_string(row.index));
        VstPinProperties pin;
        std::memset(&pin, 0x5A, sizeof pin);
        EXPECT_EQ(fx->Dispatch(row.opcode, row.index, 0, &pin), row.result);
        if (row.label) {
            ASSERT_NE(std::memchr(pin.label, 0, sizeof pin.label), nullptr) << "label not terminated";
            EXPECT_STREQ(pin.label, row.label);
            EXPECT_EQ(pin.flags, row.flags);
        } else {
            VstPinProperties untouched;
            std::memset(&untouched, 0x5A, sizeof untouched);
            EXPECT_EQ(std::memcmp(&pin, &untouched, sizeof pin), 0);
        }
        EXPECT_EQ(fx->Dispatch(row.opcode, row.index, 0, nullptr), 0);
    }
}

TEST_F(Dispatcher, SpeakerArrangementsStayStereo)
{
    auto fx = Started();
    VstSpeakerArrangement mono{};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    // Before and after the host asks for a mono layout the reported ones are
    // the layouts built at construction.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "as built" : "after a mono layout was set");
        VstSpeakerArrangement* in = nullptr;
        VstSpeakerArrangement* out = nullptr;
        EXPECT_EQ(fx->Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
        ASSERT_NE(in, nullptr);
        ASSERT_NE(out, nullptr);
        EXPECT_NE(in, out);
        EXPECT_EQ(in->type, kSpeakerArrStereo);
        EXPECT_EQ(in->numChannels, 2);
        EXPECT_EQ(out->type, kSpeakerArrStereo);
        EXPECT_EQ(out->numChannels, 2);
        EXPECT_EQ(fx->Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono), 1);
    }
    // Only the input, only the output, or neither: still accepted.
    EXPECT_EQ(fx->Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), nullptr), 1);
    EXPECT_EQ(fx->Dispatch(effSetSpeakerArrangement, 0, 0, &mono), 1);
    EXPECT_EQ(fx->Dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
}

TEST_F(Dispatcher, VendorSpecificDisplayRequests)
{
    auto fx = Started();
    struct Row {
        VstInt32 index;
        VstIntPtr value;  // parameter
        float opt;  // normalised value to show
        bool buffer;
        VstIntPtr result;
        const char* text;  // null: buffer untouched
    };
    const Row rows[] = {
        {7, kOutput, 0.75f, true, 0xBEEF, "6.0"},
        {7, kAttack, 0.0f, true, 0xBEEF, "-10.0"},
        {7, kClipOutput, 0.0f, true, 0xBEEF, "off"},
        {7, kClipOutput, 1.0f, true, 0xBEEF, "on"},
        {7, 5, 0.5f, true, 0xBEEF, nullptr},
        {7, -1, 0.5f, true, 0xBEEF, nullptr},
        {7, kOutput, 0.5f, false, 0, nullptr},
        {8, kClipOutput, 0.0f, false, 0xBEEF, nullptr},  // a switch has steps
        {8, kAttack, 0.0f, false, 0, nullptr},  // continuous
        {8, kOutput, 0.0f, false, 0, nullptr},
        {8, 5, 0.0f, false, 0, nullptr},
        {8, -1, 0.0f, false, 0, nullptr},
        {3, kOutput, 0.5f, true, 0, nullptr},
        {0, kOutput, 0.5f, true, 0, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("index " + std::to_string(row.index) + " parameter " + std::to_string(row.value));
        if (row.buffer) {
            const HostedEffect::TextAnswer answer = fx->AskText(effVendorSpecific, row.index, row.value, row.opt);
            EXPECT_EQ(answer.result, row.result);
            if (row.text) {
                EXPECT_EQ(answer.Text(), row.text);
            } else {
                EXPECT_TRUE(answer.Untouched());
            }
        } else {
            EXPECT_EQ(fx->Dispatch(effVendorSpecific, row.index, row.value, nullptr, row.opt), row.result);
        }
    }
    // Showing a value does not set it.
    EXPECT_FLOAT_EQ(fx->Get(kOutput), 0.5f);
    EXPECT_FLOAT_EQ(fx->Get(kClipOutput), 1.0f);
}

TEST_F(Dispatcher, MidiKeyNamesAreEmpty)
{
    auto fx = Started();
    VstMidiKeyName key{};
    key.thisKeyNumber = 60;
    std::strcpy(key.keyName, "stale");
    EXPECT_EQ(fx->Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_EQ(key.keyName[0], '\0');
    EXPECT_EQ(fx->Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

// A VstEvents record with room for more than the two declared pointers, as
// hosts allocate it.
struct EventList {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[6];
};

VstMidiEvent Midi(VstInt32 delta, unsigned char status, unsigned char data1, unsigned char data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    e.noteLength = 99;  // must not be passed on
    return e;
}

TEST_F(Dispatcher, MidiEventsArePassedBackToTheHostInOrder)
{
    auto fx = Started();
    VstMidiEvent noteOn = Midi(5, 0x90, 60, 100);
    VstMidiEvent controller = Midi(9, 0xB0, 7, 64);
    char dump[4] = {'\xF0', 0x7D, 0x01, '\xF7'};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(VstMidiSysexEvent);
    sysex.dumpBytes = 4;
    sysex.sysexDump = dump;
    VstEvent other{};
    other.type = kVstParameterType;
    other.byteSize = sizeof(VstEvent);
    EventList list{};
    list.numEvents = 5;
    list.events[0] = reinterpret_cast<VstEvent*>(&noteOn);
    list.events[1] = nullptr;
    list.events[2] = reinterpret_cast<VstEvent*>(&sysex);
    list.events[3] = &other;
    list.events[4] = reinterpret_cast<VstEvent*>(&controller);
    host.Clear();
    EXPECT_EQ(fx->Dispatch(effProcessEvents, 0, 0, &list), 1);

    const std::vector<testhost::HostCall> sent = host.CallsWith(audioMasterProcessEvents);
    ASSERT_EQ(sent.size(), 2u) << "one host call per MIDI event; SysEx and other types stay";
    const VstMidiEvent* expected[] = {&noteOn, &controller};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sent[i].effect, fx->Record());
        EXPECT_EQ(sent[i].numEvents, 1);
        EXPECT_TRUE(sent[i].eventListEndsWithNull);
        const auto sysexes = std::count_if(sent[i].events.begin(), sent[i].events.end(),
                                           [](const testhost::SentEvent& e) { return e.type == kVstSysExType; });
        EXPECT_EQ(sysexes, 0);
        ASSERT_EQ(sent[i].events.size(), 1u);
        const VstMidiEvent e = sent[i].events[0].Midi();
        EXPECT_EQ(e.type, kVstMidiType);
        EXPECT_EQ(e.byteSize, 32);
        EXPECT_EQ(e.deltaFrames, expected[i]->deltaFrames);
        EXPECT_EQ(std::memcmp(e.midiData, expected[i]->midiData, 3), 0);
        EXPECT_EQ(e.midiData[3], 0);
        EXPECT_EQ(e.flags, 0);
        EXPECT_EQ(e.noteLength, 0);
        EXPECT_EQ(e.noteOffset, 0);
        EXPECT_EQ(e.detune, 0);
        EXPECT_EQ(e.noteOffVelocity, 0);
    }
    host.Clear();
    EXPECT_EQ(fx->Dispatch(effProcessEvents, 0, 0, nullptr), 0);
    EventList empty{};
    EXPECT_EQ(fx->Dispatch(effProcessEvents, 0, 0, &empty), 1);
    EXPECT_EQ(host.CountOf(audioMasterProcessEvents), 0u);
}

TEST_F(Dispatcher, EditorRequests)
{
    auto fx = Started();
    ERect sentinel{};
    ERect* rect = &sentinel;
    if (!kHasEditor) {
        EXPECT_EQ(fx->Dispatch(effEditGetRect, 0, 0, &rect), 0);
        EXPECT_EQ(rect, &sentinel) << "the host's pointer must stay untouched";
        EXPECT_EQ(fx->Dispatch(effEditOpen, 0, 0, nullptr), 0);
        EXPECT_EQ(fx->Dispatch(effEditClose), 0);
    } else {
        EXPECT_EQ(fx->Dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, &sentinel);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->top, 0);
        EXPECT_EQ(rect->left, 0);
        EXPECT_GE(rect->right, 340);
        EXPECT_GE(rect->bottom, 484);
    }
    EXPECT_EQ(fx->Dispatch(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(fx->Dispatch(effEditIdle), 0);
}

TEST_F(Dispatcher, ProgramNamesAndSelection)
{
    auto fx = Started();
    EXPECT_EQ(fx->AskText(effGetProgramName).Text(), "-");
    struct Indexed {
        VstInt32 index;
        VstIntPtr result;
        const char* name;
    };
    for (const Indexed& row : {Indexed{0, 1, "-"}, Indexed{1, 0, ""}, Indexed{-1, 0, ""}}) {
        SCOPED_TRACE(row.index);
        const HostedEffect::TextAnswer answer = fx->AskText(effGetProgramNameIndexed, row.index);
        EXPECT_EQ(answer.result, row.result);
        EXPECT_EQ(answer.Text(), row.name);
    }
    EXPECT_EQ(fx->Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

    std::string name = "Snare Room";
    EXPECT_EQ(fx->Dispatch(effSetProgramName, 0, 0, name.data()), 0);
    EXPECT_EQ(fx->AskText(effGetProgramName).Text(), "Snare Room");
    EXPECT_EQ(fx->AskText(effGetProgramNameIndexed, 0).Text(), "Snare Room");
    EXPECT_EQ(fx->Dispatch(effSetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(fx->Dispatch(effGetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(fx->AskText(effGetProgramName).Text(), "Snare Room");

    // Selecting the one program keeps the current settings (they are stored
    // into it first); selecting one that does not exist changes nothing.
    fx->Set(kAttack, 0.75f);
    fx->Set(kClipOutput, 0.0f);
    for (VstIntPtr program : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-1}}) {
        SCOPED_TRACE(program);
        EXPECT_EQ(fx->Dispatch(effSetProgram, 0, program), 0);
        EXPECT_EQ(fx->Dispatch(effGetProgram), 0);
        EXPECT_FLOAT_EQ(fx->Get(kAttack), 0.75f);
        EXPECT_FLOAT_EQ(fx->Get(kClipOutput), 0.0f);
        EXPECT_EQ(fx->AskText(effGetProgramName).Text(), "Snare Room");
    }
}

TEST_F(Dispatcher, LongProgramNamesAreCutToTheirField)
{
    auto fx = Started();
    std::string longName(300, 'k');
    longName[0] = 'L';
    EXPECT_EQ(fx->Dispatch(effSetProgramName, 0, 0, longName.data()), 0);
    const HostedEffect::TextAnswer answer = fx->AskText(effGetProgramName);
    EXPECT_LE(answer.Text().size(), 255u);
    EXPECT_LE(answer.BytesWritten(), 256u);
    EXPECT_EQ(answer.Text(), longName.substr(0, answer.Text().size()));
    EXPECT_FALSE(answer.Text().empty());
    // The bank keeps the same name; reading it back must not fail.
    const std::vector<std::uint8_t> bank = fx->GetChunk(true);
    ASSERT_FALSE(bank.empty());
    auto other = Started();
    EXPECT_EQ(other->SetChunk(true, bank), 1);
    EXPECT_EQ(other->AskText(effGetProgramName).Text(), answer.Text());
}

}  // namespace
}  // namespace e2e

}  // namespace kestrelon
