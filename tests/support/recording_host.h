// A host callback for tests that records every request an effect makes and
// answers the few that carry information (product string, vendor version,
// time info, process level) as each test configures.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

namespace testhost {

// What the host answers. Requests not listed here answer 0.
struct HostAnswers {
    bool answersProductString = true;  // false: answers 0 and writes nothing
    std::string productString = "Kestrelon Test Host";
    vst2::VstIntPtr vendorVersion = 10000;
    bool providesTimeInfo = false;  // false: audioMasterGetTime answers null
    vst2::VstTimeInfo timeInfo{};
    vst2::VstIntPtr processLevel = vst2::kVstProcessLevelRealtime;
    vst2::VstIntPtr processEventsAnswer = 1;
};

// One request as the effect made it. Data behind ptr is copied where the
// request defines it, because the effect's pointers die with the call.
struct HostCall {
    vst2::AEffect* effect = nullptr;
    vst2::VstInt32 opcode = 0;
    vst2::VstInt32 index = 0;
    vst2::VstIntPtr value = 0;
    float opt = 0.0f;
    bool hadPtr = false;
    bool textBufferStartedEmpty = false;  // audioMasterGetProductString: first byte was 0
    vst2::VstInt32 numEvents = 0;  // audioMasterProcessEvents
    bool eventListEndsWithNull = false;  // events[numEvents] was null
    std::vector<vst2::VstMidiEvent> midiEvents;
    std::vector<vst2::VstMidiSysexEvent> sysexEvents;
};

// While it exists a RecordingHost is the one that Callback() reports to; a
// test creates one and hands Callback to the entry point. Creating a second
// while the first is alive makes the second the active one until it goes.
class RecordingHost {
public:
    explicit RecordingHost(HostAnswers answers = HostAnswers());
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // The host callback handed to VSTPluginMain.
    // any thread (the effect calls it from the audio and the UI thread)
    static vst2::VstIntPtr VSTCALLBACK Callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                vst2::VstIntPtr value, void* ptr, float opt);

    std::vector<HostCall> Calls() const;
    std::vector<HostCall> CallsWith(vst2::VstInt32 opcode) const;
    std::size_t CountOf(vst2::VstInt32 opcode) const;
    void Clear();

    HostAnswers answers;

private:
    vst2::VstIntPtr Answer(HostCall& call, void* ptr);

    mutable std::mutex lock;
    std::vector<HostCall> calls;
    RecordingHost* previous = nullptr;
};

}  // namespace testhost

}  // namespace kestrelon
