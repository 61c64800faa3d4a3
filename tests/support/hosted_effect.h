// One effect instance driven the way a host drives it: only through the
// record returned by the entry point and the record's callbacks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

namespace testhost {

class HostedEffect {
public:
    // Calls entry with the host callback; Record() is null when it fails.
    HostedEffect(vst2::VstPluginMainProc entry, vst2::audioMasterCallback host);
    ~HostedEffect();  // sends effClose unless Close() already did
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    vst2::AEffect* Record() const { return effect; }
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    // Sends effClose and forgets the record; the effect's answer, 0 when closed already.
    vst2::VstIntPtr Close();

    // The usual start of a session: open, sample rate, block size, resume.
    void Start(float sampleRate = 44100.0f, vst2::VstInt32 blockSize = 512);

    float Get(vst2::VstInt32 index) const;
    void Set(vst2::VstInt32 index, float normalised);

    // A text request answered into a large buffer. The buffer is pre-filled with
    // kCanary so a test can see how much the effect wrote.
    struct TextAnswer {
        vst2::VstIntPtr result = 0;
        std::vector<char> buffer;
        std::string Text() const;  // up to the first zero (or the whole buffer)
        bool Untouched() const;  // every byte still kCanary
        std::size_t BytesWritten() const;  // index of the last byte that is not kCanary, + 1
    };
    static constexpr char kCanary = 0x5A;
    static constexpr std::size_t kTextBufferSize = 1024;
    TextAnswer AskText(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0, float opt = 0.0f);

    // A copy of the chunk the effect hands out (empty when it answers 0), and
    // the answer to handing one back. bank selects the whole-bank request.
    std::vector<std::uint8_t> GetChunk(bool bank);
    vst2::VstIntPtr SetChunk(bool bank, const std::vector<std::uint8_t>& bytes);

    // Audio through the record's three process callbacks. Each channel vector
    // must hold at least frames samples; pointers are taken per call.
    void ProcessReplacing(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                          vst2::VstInt32 frames);
    void ProcessAccumulating(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                             vst2::VstInt32 frames);
    void ProcessDouble(std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out,
                       vst2::VstInt32 frames);

private:
    vst2::AEffect* effect = nullptr;
};

// Channel pointer arrays over vectors of samples, as a host passes them.
template <typename T>
std::vector<T*> ChannelPointers(std::vector<std::vector<T>>& channels)
{
    std::vector<T*> pointers;
    for (auto& channel : channels)
        pointers.push_back(channel.data());
    return pointers;
}

}  // namespace testhost

}  // namespace kestrelon
