#include "tests/support/recording_host.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {

namespace testhost {

namespace {

std::mutex activeLock;
RecordingHost* active = nullptr;

// An event record no larger than this is copied whole; a larger byteSize is
// the effect's mistake, and the test sees it in byteSize.
constexpr vst2::VstInt32 kLargestEventRecord = 64;

template <typename Record>
Record ReadRecord(const std::vector<std::uint8_t>& bytes)
{
    Record record{};
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
    return record;
}

SentEvent CopyEvent(const vst2::VstEvent& event)
{
    SentEvent sent;
    sent.type = event.type;
    sent.byteSize = event.byteSize;
    sent.deltaFrames = event.deltaFrames;
    if (event.byteSize > 0 && event.byteSize <= kLargestEventRecord) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&event);
        sent.recordBytes.assign(bytes, bytes + event.byteSize);
    }
    return sent;
}

}  // namespace

vst2::VstMidiEvent SentEvent::Midi() const
{
    return ReadRecord<vst2::VstMidiEvent>(recordBytes);
}

vst2::VstMidiSysexEvent SentEvent::Sysex() const
{
    return ReadRecord<vst2::VstMidiSysexEvent>(recordBytes);
}

RecordingHost::RecordingHost(HostAnswers initial) : answers(std::move(initial))
{
    std::lock_guard<std::mutex> guard(activeLock);
    previous = active;
    active = this;
}

RecordingHost::~RecordingHost()
{
    std::lock_guard<std::mutex> guard(activeLock);
    if (active == this)
        active = previous;
}

vst2::VstIntPtr VSTCALLBACK RecordingHost::Callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                                    vst2::VstIntPtr value, void* ptr, float opt)
{
    RecordingHost* host = nullptr;
    {
        std::lock_guard<std::mutex> guard(activeLock);
        host = active;
    }
    if (!host)
        return 0;
    HostCall call;
    call.effect = effect;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.opt = opt;
    call.hadPtr = ptr != nullptr;
    call.thread = std::this_thread::get_id();
    host->Inspect(call, ptr);
    const vst2::VstIntPtr result = host->Answer(call, ptr);
    if (host->keepCalls) {
        std::lock_guard<std::mutex> guard(host->lock);
        host->calls.push_back(std::move(call));
    }
    return result;
}

void RecordingHost::Inspect(const HostCall&, void*)
{}

vst2::VstIntPtr RecordingHost::Answer(HostCall& call, void* ptr)
{
    switch (call.opcode) {
    case vst2::audioMasterVersion:
        return vst2::kVstVersion;
    case vst2::audioMasterGetProductString: {
        if (!ptr)
            return 0;
        char* text = static_cast<char*>(ptr);
        call.textBufferStartedEmpty = text[0] == '\0';
        if (!answers.answersProductString)
            return 0;
        // A host writes no more than the published product-string size.
        const std::size_t n =
            std::min(answers.productString.size(), static_cast<std::size_t>(vst2::kVstMaxProductStrLen - 1));
        std::memcpy(text, answers.productString.data(), n);
        text[n] = '\0';
        return 1;
    }
    case vst2::audioMasterGetVendorVersion:
        return answers.vendorVersion;
    case vst2::audioMasterGetTime:
        return answers.providesTimeInfo ? reinterpret_cast<vst2::VstIntPtr>(&answers.timeInfo) : 0;
    case vst2::audioMasterGetCurrentProcessLevel:
        return answers.processLevel;
    case vst2::audioMasterProcessEvents: {
        if (!ptr)
            return 0;
        const auto* list = static_cast<const vst2::VstEvents*>(ptr);
        call.numEvents = list->numEvents;
        // The effect's list is built for one event; the slot after it must be null.
        call.eventListEndsWithNull = list->numEvents == 1 && list->events[1] == nullptr;
        if (keepCalls) {
            // Through a pointer: the declared two-element array is only the start of the list.
            vst2::VstEvent* const* events = list->events;
            for (vst2::VstInt32 i = 0; i < list->numEvents; ++i) {
                if (events[i])
                    call.events.push_back(CopyEvent(*events[i]));
            }
        }
        return answers.processEventsAnswer;
    }
    default:
        return answers.otherAnswer;
    }
}

std::vector<HostCall> RecordingHost::Calls() const
{
    std::lock_guard<std::mutex> guard(lock);
    return calls;
}

std::vector<HostCall> RecordingHost::CallsWith(vst2::VstInt32 opcode) const
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<HostCall> found;
    for (const HostCall& call : calls) {
        if (call.opcode == opcode)
            found.push_back(call);
    }
    return found;
}

std::vector<vst2::VstInt32> RecordingHost::Opcodes() const
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<vst2::VstInt32> opcodes;
    for (const HostCall& call : calls)
        opcodes.push_back(call.opcode);
    return opcodes;
}

std::size_t RecordingHost::CountOf(vst2::VstInt32 opcode) const
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

void RecordingHost::Clear()
{
    std::lock_guard<std::mutex> guard(lock);
    calls.clear();
}

}  // namespace testhost

}  // namespace kestrelon
