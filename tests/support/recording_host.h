// The host side of every test, benchmark and fuzzer that drives the effect
// record: one host callback that answers the requests carrying information
// (product string, vendor version, time info, process level, events) as
// each test configures, and records every request the effect makes, in
// order, with the thread that made it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

namespace testhost {

// What the host answers.
struct HostAnswers {
    bool answersProductString = true;  // false: answers 0 and writes nothing
    std::string productString = "Kestrelon Test Host";  // at most 63 bytes are written
    vst2::VstIntPtr vendorVersion = 10000;
    bool providesTimeInfo = false;  // false: audioMasterGetTime answers null
    vst2::VstTimeInfo timeInfo{};
    vst2::VstIntPtr processLevel = vst2::kVstProcessLevelRealtime;
    vst2::VstIntPtr processEventsAnswer = 1;
    vst2::VstIntPtr otherAnswer = 0;  // every request not named above
};

// One event of an audioMasterProcessEvents list, copied while the call
// lasts: the effect's records die with it.
struct SentEvent {
    vst2::VstInt32 type = 0;
    vst2::VstInt32 byteSize = 0;
    vst2::VstInt32 deltaFrames = 0;
    std::vector<std::uint8_t> recordBytes;  // byteSize bytes; none when byteSize is not 1..64
    // The record read as its type; zeros where recordBytes is shorter.
    vst2::VstMidiEvent Midi() const;
    vst2::VstMidiSysexEvent Sysex() const;
};

// One request as the effect made it. Data behind ptr is copied where the
// request defines it, because the effect's pointers die with the call.
struct HostCall {
    vst2::AEffect* effect = nullptr;
    vst2::VstInt32 opcode = 0;
    vst2::VstInt32 index = 0;  // audioMasterAutomate, Begin/EndEdit: the parameter
    vst2::VstIntPtr value = 0;
    float opt = 0.0f;  // audioMasterAutomate: the normalised value
    bool hadPtr = false;
    std::thread::id thread;
    bool textBufferStartedEmpty = false;  // audioMasterGetProductString: first byte was 0
    vst2::VstInt32 numEvents = 0;  // audioMasterProcessEvents
    bool eventListEndsWithNull = false;  // one event, and events[1] was null
    std::vector<SentEvent> events;  // the non-null events of the list, in order
};

// While it exists a RecordingHost is the one that Callback() reports to; a
// test creates one and hands Callback to the entry point. A second one made
// while the first is alive is the active one until it goes. With none alive
// Callback answers 0 to everything and records nothing: the host of tests
// that look at the effect alone.
class RecordingHost {
public:
    explicit RecordingHost(HostAnswers answers = HostAnswers());
    virtual ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // The host callback handed to the entry point.
    // [any host thread] the effect calls it from the audio and the UI
    // thread, its mutex held or not; takes the recording lock.
    static vst2::VstIntPtr VSTCALLBACK Callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                vst2::VstIntPtr value, void* ptr, float opt);

    std::vector<HostCall> Calls() const;
    std::vector<HostCall> CallsWith(vst2::VstInt32 opcode) const;
    // The opcodes of every recorded request, in order: what a test of a
    // sequence (begin edit, automate, end edit) compares.
    std::vector<vst2::VstInt32> Opcodes() const;
    std::size_t CountOf(vst2::VstInt32 opcode) const;
    void Clear();

    // Set before the effect is made; read by every callback.
    HostAnswers answers;
    // False: requests are answered and inspected but not kept, so a host
    // callback allocates nothing (fuzzers, benchmarks).
    bool keepCalls = true;

protected:
    // [any host thread] what the host checks of each request before it
    // answers, in the effect's call; ptr is the effect's own. The recording
    // lock is not held.
    virtual void Inspect(const HostCall& call, void* ptr);

private:
    vst2::VstIntPtr Answer(HostCall& call, void* ptr);

    mutable std::mutex lock;
    std::vector<HostCall> calls;
    RecordingHost* previous = nullptr;
};

}  // namespace testhost

}  // namespace kestrelon
