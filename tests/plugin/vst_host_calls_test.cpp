// The adapter's requests to the host: transport, events, automation and who
// the host is.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/plugin/plugin_rig.h"

namespace kestrelon {

namespace {

vst2::VstTimeInfo FullTimeInfo()
{
    vst2::VstTimeInfo t{};
    t.samplePos = 44100.0 * 3 + 0.4;
    t.sampleRate = 44100.0;
    t.ppqPos = 6.5;
    t.tempo = 128.0;
    t.barStartPos = 4.0;
    t.cycleStartPos = 2.0;
    t.cycleEndPos = 10.0;
    t.timeSigNumerator = 7;
    t.timeSigDenominator = 8;
    t.flags = vst2::kVstPpqPosValid | vst2::kVstTempoValid | vst2::kVstBarsValid | vst2::kVstCyclePosValid |
              vst2::kVstTimeSigValid | vst2::kVstTransportPlaying | vst2::kVstTransportCycleActive;
    return t;
}

TransportInfo Sentinel()
{
    TransportInfo info;
    info.tempo = -1;
    info.samplePos = -1;
    info.ppqPos = -1;
    info.lastBarPos = -1;
    info.cycleStart = -1;
    info.cycleEnd = -1;
    info.numerator = -1;
    info.denominator = -1;
    info.transportRunning = true;
    info.loopEnabled = true;
    return info;
}

}  // namespace

TEST(VstHostCalls, TimeInfoCopiesOnlyWhatTheHostVouchesFor)
{
    testhost::RecordingHost host;
    PluginRig rig;
    IEffectVST& fx = rig.Plugin();

    // Without a record, nothing is written.
    TransportInfo info = Sentinel();
    fx.HostTimeInfo(&info);
    EXPECT_EQ(info.samplePos, -1);
    EXPECT_TRUE(info.transportRunning);
    ASSERT_EQ(host.CountOf(vst2::audioMasterGetTime), 1u);
    EXPECT_EQ(host.Calls().back().value, 0x3E00);

    host.answers.providesTimeInfo = true;
    host.answers.timeInfo = FullTimeInfo();
    info = Sentinel();
    fx.HostTimeInfo(&info);
    EXPECT_EQ(info.samplePos, 44100.0 * 3 + 0.4);
    EXPECT_EQ(info.ppqPos, 6.5);
    EXPECT_EQ(info.tempo, 128.0);
    EXPECT_EQ(info.lastBarPos, 4.0);
    EXPECT_EQ(info.cycleStart, 2.0);
    EXPECT_EQ(info.cycleEnd, 10.0);
    EXPECT_EQ(info.numerator, 7);
    EXPECT_EQ(info.denominator, 8);
    EXPECT_TRUE(info.transportRunning);
    EXPECT_TRUE(info.loopEnabled);

    // Only the tempo flag: sample position, tempo and the two transport bits.
    host.answers.timeInfo.flags = vst2::kVstTempoValid;
    info = Sentinel();
    fx.HostTimeInfo(&info);
    EXPECT_EQ(info.samplePos, 44100.0 * 3 + 0.4);
    EXPECT_EQ(info.tempo, 128.0);
    EXPECT_EQ(info.ppqPos, -1);
    EXPECT_EQ(info.lastBarPos, -1);
    EXPECT_EQ(info.cycleStart, -1);
    EXPECT_EQ(info.numerator, -1);
    EXPECT_FALSE(info.transportRunning);
    EXPECT_FALSE(info.loopEnabled);

    // Values out of their range are not taken even when flagged.
    host.answers.timeInfo = FullTimeInfo();
    host.answers.timeInfo.ppqPos = -0.5;
    host.answers.timeInfo.tempo = 0.0;
    host.answers.timeInfo.cycleEndPos = -1.0;
    host.answers.timeInfo.timeSigDenominator = 0;
    info = Sentinel();
    fx.HostTimeInfo(&info);
    EXPECT_EQ(info.ppqPos, -1);
    EXPECT_EQ(info.tempo, -1);
    EXPECT_EQ(info.cycleStart, -1);
    EXPECT_EQ(info.cycleEnd, -1);
    EXPECT_EQ(info.numerator, -1);
    EXPECT_EQ(info.lastBarPos, 4.0);

    // No validity flag at all: nothing, not even the sample position.
    host.answers.timeInfo.flags = vst2::kVstTransportPlaying;
    info = Sentinel();
    fx.HostTimeInfo(&info);
    EXPECT_EQ(info.samplePos, -1);
}

TEST(VstHostCalls, TempoPositionAndTimeSignature)
{
    testhost::RecordingHost host;
    PluginRig rig;
    IEffectVST& fx = rig.Plugin();
    int num = 99, den = 99;

    EXPECT_EQ(fx.HostTempo(), 0.0);
    EXPECT_EQ(fx.HostSamplePosition(), 0);
    fx.HostTimeSignature(&num, &den);
    EXPECT_EQ(num, 0);
    EXPECT_EQ(den, 0);

    host.answers.providesTimeInfo = true;
    host.answers.timeInfo = FullTimeInfo();
    EXPECT_EQ(fx.HostTempo(), 128.0);
    EXPECT_EQ(host.Calls().back().value, vst2::kVstTempoValid);
    EXPECT_EQ(fx.HostSamplePosition(), 132300);
    EXPECT_EQ(host.Calls().back().value, 0);
    host.answers.timeInfo.samplePos = 10.5;
    EXPECT_EQ(fx.HostSamplePosition(), 11);  // rounded half up
    host.answers.timeInfo.samplePos = -3.0;
    EXPECT_EQ(fx.HostSamplePosition(), 0);
    fx.HostTimeSignature(&num, &den);
    EXPECT_EQ(host.Calls().back().value, vst2::kVstTimeSigValid);
    EXPECT_EQ(num, 7);
    EXPECT_EQ(den, 8);

    host.answers.timeInfo.flags = vst2::kVstPpqPosValid;  // neither tempo nor signature vouched for
    EXPECT_EQ(fx.HostTempo(), 0.0);
    fx.HostTimeSignature(&num, &den);
    EXPECT_EQ(num, 0);
    EXPECT_EQ(den, 0);

    // No host callback at all.
    IEffectVST* bare = new Kestrelon(nullptr);
    EXPECT_EQ(bare->HostTempo(), 0.0);
    EXPECT_FALSE(bare->SendMidiToHost(MidiMessage{}));
    delete bare;
}

TEST(VstHostCalls, EditsAutomationDisplayAndProcessLevel)
{
    testhost::RecordingHost host;
    PluginRig rig;
    IEffectVST& fx = rig.Plugin();
    fx.HostBeginParamEdit(2);
    fx.HostParamChanged(2, 0.25);
    fx.HostEndParamEdit(2);
    fx.HostUpdateDisplay();
    const std::vector<testhost::HostCall> calls = host.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].opcode, vst2::audioMasterBeginEdit);
    EXPECT_EQ(calls[0].index, 2);
    EXPECT_EQ(calls[1].opcode, vst2::audioMasterAutomate);
    EXPECT_EQ(calls[1].index, 2);
    EXPECT_EQ(calls[1].opt, 0.25f);
    EXPECT_EQ(calls[2].opcode, vst2::audioMasterEndEdit);
    EXPECT_EQ(calls[3].opcode, vst2::audioMasterUpdateDisplay);

    host.answers.processLevel = vst2::kVstProcessLevelUnknown;  // a host that does not say
    EXPECT_FALSE(fx.RenderingOffline());
    host.answers.processLevel = vst2::kVstProcessLevelRealtime;
    EXPECT_FALSE(fx.RenderingOffline());
    host.answers.processLevel = vst2::kVstProcessLevelOffline;
    EXPECT_TRUE(fx.RenderingOffline());
}

TEST(VstHostCalls, MidiAndSysExReachTheHostAsEventRecords)
{
    testhost::RecordingHost host;
    PluginRig rig;
    IEffectVST& fx = rig.Plugin();

    MidiMessage note;
    note.offset = 17;
    note.status = 0x90;
    note.data1 = 60;
    note.data2 = 0xFF;
    EXPECT_TRUE(fx.SendMidiToHost(note));
    std::vector<testhost::HostCall> sent = host.CallsWith(vst2::audioMasterProcessEvents);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].numEvents, 1);
    EXPECT_TRUE(sent[0].eventListEndsWithNull);
    ASSERT_EQ(sent[0].events.size(), 1u);
    const testhost::SentEvent& midi = sent[0].events[0];
    EXPECT_EQ(midi.type, vst2::kVstMidiType);
    EXPECT_EQ(midi.byteSize, 32);
    EXPECT_EQ(midi.deltaFrames, 17);
    vst2::VstMidiEvent record;
    ASSERT_EQ(midi.recordBytes.size(), sizeof(record));
    std::memcpy(&record, midi.recordBytes.data(), sizeof(record));
    EXPECT_EQ(static_cast<uint8_t>(record.midiData[0]), 0x90);
    EXPECT_EQ(static_cast<uint8_t>(record.midiData[1]), 60);
    EXPECT_EQ(static_cast<uint8_t>(record.midiData[2]), 0xFF);
    EXPECT_EQ(record.midiData[3], 0);
    EXPECT_EQ(record.flags | record.noteLength | record.noteOffset | record.detune | record.noteOffVelocity, 0);

    const uint8_t dump[] = {0xF0, 0x7E, 0x01, 0xF7};
    SysExMessage sysex;
    sysex.offset = 3;
    sysex.size = 4;
    sysex.data = dump;
    host.answers.processEventsAnswer = 0;  // a host that refuses answers false
    EXPECT_FALSE(fx.SendSysExToHost(sysex));
    sent = host.CallsWith(vst2::audioMasterProcessEvents);
    ASSERT_EQ(sent.size(), 2u);
    ASSERT_EQ(sent[1].events.size(), 1u);
    EXPECT_EQ(sent[1].events[0].type, vst2::kVstSysExType);
    EXPECT_EQ(sent[1].events[0].byteSize, 48);
    vst2::VstMidiSysexEvent sysexRecord;
    ASSERT_EQ(sent[1].events[0].recordBytes.size(), sizeof(sysexRecord));
    std::memcpy(&sysexRecord, sent[1].events[0].recordBytes.data(), sizeof(sysexRecord));
    EXPECT_EQ(sysexRecord.deltaFrames, 3);
    EXPECT_EQ(sysexRecord.dumpBytes, 4);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(sysexRecord.sysexDump), dump);
    EXPECT_EQ(sysexRecord.flags | sysexRecord.resvd1 | sysexRecord.resvd2, 0);
}

TEST(VstHostCalls, ProcessEventsHandsMidiBackToTheHostAndSkipsTheRest)
{
    testhost::RecordingHost host;
    PluginRig rig;

    vst2::VstMidiEvent noteOn{};
    noteOn.type = vst2::kVstMidiType;
    noteOn.byteSize = sizeof(noteOn);
    noteOn.deltaFrames = 5;
    noteOn.midiData[0] = static_cast<char>(0x91);
    noteOn.midiData[1] = 64;
    noteOn.midiData[2] = 100;
    vst2::VstMidiSysexEvent sysex{};
    sysex.type = vst2::kVstSysExType;
    sysex.byteSize = sizeof(sysex);
    vst2::VstEvent other{};
    other.type = vst2::kVstParameterType;
    vst2::VstMidiEvent noteOff = noteOn;
    noteOff.deltaFrames = 9;
    noteOff.midiData[0] = static_cast<char>(0x81);

    // Room for five event pointers, as a host allocates for five events.
    struct {
        vst2::VstInt32 numEvents;
        vst2::VstIntPtr reserved;
        vst2::VstEvent* events[5];
    } block = {5,
               0,
               {reinterpret_cast<vst2::VstEvent*>(&noteOn), nullptr, reinterpret_cast<vst2::VstEvent*>(&sysex), &other,
                reinterpret_cast<vst2::VstEvent*>(&noteOff)}};
    EXPECT_EQ(rig.Dispatch(vst2::effProcessEvents, 0, 0, &block), 1);
    const std::vector<testhost::HostCall> sent = host.CallsWith(vst2::audioMasterProcessEvents);
    ASSERT_EQ(sent.size(), 2u);
    ASSERT_EQ(sent[0].events.size(), 1u);
    ASSERT_EQ(sent[1].events.size(), 1u);
    EXPECT_EQ(sent[0].events[0].deltaFrames, 5);
    EXPECT_EQ(sent[0].events[0].recordBytes[24], 0x91);
    EXPECT_EQ(sent[0].events[0].recordBytes[25], 64);
    EXPECT_EQ(sent[0].events[0].recordBytes[26], 100);
    EXPECT_EQ(sent[1].events[0].deltaFrames, 9);
    EXPECT_EQ(sent[1].events[0].recordBytes[24], 0x81);

    EXPECT_EQ(rig.Dispatch(vst2::effProcessEvents, 0, 0, nullptr), 0);
}

TEST(VstHostCalls, HostIsIdentifiedOnceAtOpen)
{
    struct Row {
        const char* product;
        vst2::VstIntPtr vendorVersion;
        int code;
        int32_t version;
    };
    const Row rows[] = {
        {"REAPER", 60203, 1, (6 << 16) | (2 << 8) | 3},
        {"Steinberg Cubase Pro", 120000, 3, 12 << 16},
        {"Ableton Live 9", 90102, 9, (9 << 16) | (1 << 8) | 2},
        {"Adobe Audition", 100, 17, 1 << 8},
        {"Some Other Host", 5, 0, 5},
        {"", 90102, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.product);
        testhost::RecordingHost host;
        host.answers.productString = row.product;
        host.answers.vendorVersion = row.vendorVersion;
        PluginRig rig;
        EXPECT_EQ(rig.Plugin().HostCode(), -1);
        rig.Dispatch(vst2::effOpen);
        EXPECT_EQ(rig.Plugin().HostCode(), row.code);
        EXPECT_EQ(rig.Plugin().HostVersion(), row.version);
        EXPECT_EQ(host.CountOf(vst2::audioMasterGetProductString), 1u);
        // The version is asked only of a host that named itself.
        EXPECT_EQ(host.CountOf(vst2::audioMasterGetVendorVersion), row.product[0] ? 1u : 0u);
        // The channel counts stay the plug-in's own.
        EXPECT_EQ(rig.Record()->numInputs, 2);
        EXPECT_EQ(rig.Record()->numOutputs, 2);

        const std::size_t asked = host.Calls().size();
        rig.Dispatch(vst2::effOpen);
        EXPECT_EQ(host.Calls().size(), asked);
    }
}

}  // namespace kestrelon
