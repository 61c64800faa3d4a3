#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

// A host callback that records what the plug-in asks and answers as the test
// configures it. One host at a time: Install() makes it the one that
// FakeHost::Callback talks to.
class FakeHost {
public:
    struct Call {
        vst2::VstInt32 opcode;
        vst2::VstInt32 index;
        vst2::VstIntPtr value;
        float opt;
    };
    // A copy of an event the plug-in sent, taken during the call.
    struct SentEvent {
        int numEvents;
        bool nullAfterFirst;
        vst2::VstInt32 type;
        vst2::VstInt32 byteSize;
        vst2::VstInt32 deltaFrames;
        std::vector<uint8_t> recordBytes;  // the whole event record
    };

    FakeHost();
    ~FakeHost();
    static vst2::VstIntPtr VSTCALLBACK Callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                vst2::VstIntPtr value, void* ptr, float opt);

    int CountOf(vst2::VstInt32 opcode) const;

    // Answers.
    std::string productString;
    vst2::VstIntPtr vendorVersion = 0;
    bool hasTimeInfo = false;
    vst2::VstTimeInfo timeInfo{};
    vst2::VstIntPtr processLevel = 0;
    vst2::VstIntPtr processEventsResult = 1;

    std::vector<Call> calls;
    std::vector<SentEvent> sentEvents;

private:
    vst2::VstIntPtr Answer(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt);
};

}  // namespace kestrelon
