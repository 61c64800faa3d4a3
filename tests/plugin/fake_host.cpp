#include "tests/plugin/fake_host.h"

#include <cstring>

namespace kestrelon {

namespace {
FakeHost* current = nullptr;
}  // namespace

FakeHost::FakeHost()
{
    current = this;
}

FakeHost::~FakeHost()
{
    if (current == this)
        current = nullptr;
}

vst2::VstIntPtr VSTCALLBACK FakeHost::Callback(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                               vst2::VstIntPtr value, void* ptr, float opt)
{
    return current ? current->Answer(opcode, index, value, ptr, opt) : 0;
}

int FakeHost::CountOf(vst2::VstInt32 opcode) const
{
    int n = 0;
    for (const Call& call : calls)
        n += call.opcode == opcode;
    return n;
}

vst2::VstIntPtr FakeHost::Answer(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                 float opt)
{
    calls.push_back(Call{opcode, index, value, opt});
    switch (opcode) {
    case vst2::audioMasterGetProductString:
        if (ptr)
            std::strcpy(static_cast<char*>(ptr), productString.c_str());
        return ptr ? 1 : 0;
    case vst2::audioMasterGetVendorVersion:
        return vendorVersion;
    case vst2::audioMasterGetTime:
        return hasTimeInfo ? reinterpret_cast<vst2::VstIntPtr>(&timeInfo) : 0;
    case vst2::audioMasterGetCurrentProcessLevel:
        return processLevel;
    case vst2::audioMasterProcessEvents: {
        const auto* events = static_cast<const vst2::VstEvents*>(ptr);
        if (events && events->numEvents > 0 && events->events[0]) {
            const vst2::VstEvent* e = events->events[0];
            SentEvent sent{};
            sent.numEvents = events->numEvents;
            sent.nullAfterFirst = events->events[1] == nullptr;
            sent.type = e->type;
            sent.byteSize = e->byteSize;
            sent.deltaFrames = e->deltaFrames;
            const auto* bytes = reinterpret_cast<const uint8_t*>(e);
            sent.recordBytes.assign(bytes, bytes + (e->byteSize > 0 && e->byteSize <= 64 ? e->byteSize : 0));
            sentEvents.push_back(sent);
        }
        return processEventsResult;
    }
    default:
        return 0;
    }
}

}  // namespace kestrelon
