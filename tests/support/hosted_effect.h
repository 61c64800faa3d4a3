// One effect instance driven the way a host drives it: only through the
// record returned by an entry point and the record's callbacks. The entry
// point is VSTPluginMain linked into the program (kestrelon_entry), or the
// one a PluginLibrary found in a loaded module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tests/support/recording_host.h"

namespace kestrelon {

namespace testhost {

class HostedEffect {
public:
    // No instance yet: every helper does nothing and answers 0 until Create.
    HostedEffect() = default;
    // Create(entry, host).
    explicit HostedEffect(vst2::VstPluginMainProc entry, vst2::audioMasterCallback host = &RecordingHost::Callback);
    ~HostedEffect();  // sends effClose unless Close() already did
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;
    HostedEffect(HostedEffect&& other) noexcept;
    HostedEffect& operator=(HostedEffect&& other) noexcept;

    // Closes any instance held, then calls entry with the host callback, as
    // a host does after loading; false (and Record() null) when no record
    // came back.
    bool Create(vst2::VstPluginMainProc entry, vst2::audioMasterCallback host = &RecordingHost::Callback);

    vst2::AEffect* Record() const { return effect; }
    // effClose goes through Close(), so the dead record is never used again.
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    // Sends effClose and forgets the record; the effect's answer, 0 when closed already.
    vst2::VstIntPtr Close();
    // Whether effOpen was sent to this instance. Until then the effect has
    // applied none of its parameters, as hosts open an effect first of all.
    bool SentOpen() const { return sentOpen; }

    // The usual start of a session: open, sample rate, block size, resume.
    void Start(float sampleRate = 44100.0f, vst2::VstInt32 blockSize = 512);

    // A failed creation leaves the record null; the helpers then do nothing,
    // so the test reports wrong values instead of crashing.
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
    // effString2Parameter with the host's own copy of text, as a user types
    // a value; true when the effect took it.
    bool TypeText(vst2::VstInt32 index, const std::string& text);

    // A copy of the chunk the effect hands out (empty when it answers 0), and
    // the answer to handing one back. bank selects the whole-bank request.
    std::vector<std::uint8_t> GetChunk(bool bank);
    vst2::VstIntPtr SetChunk(bool bank, const std::vector<std::uint8_t>& bytes);
    // The same with the request's index as a host may send it (0 is the
    // bank). The effect gets a heap block of exactly bytes.size() bytes,
    // never null, so that AddressSanitizer sees any read beyond it.
    vst2::VstIntPtr SetChunkAt(vst2::VstInt32 index, const std::vector<std::uint8_t>& bytes);

    // The rectangle the effect answers to effEditGetRect; null when it
    // answers 0 or gives none.
    const vst2::ERect* EditorRect();

    // Audio through the record's three process callbacks, with the host's
    // channel pointer arrays as they are; nothing is allocated.
    void ProcessReplacing(float** in, float** out, vst2::VstInt32 frames)
    {
        if (effect)
            effect->processReplacing(effect, in, out, frames);
    }
    void ProcessAccumulating(float** in, float** out, vst2::VstInt32 frames)
    {
        if (effect)
            effect->process(effect, in, out, frames);
    }
    void ProcessDouble(double** in, double** out, vst2::VstInt32 frames)
    {
        if (effect)
            effect->processDoubleReplacing(effect, in, out, frames);
    }
    // The same over vectors of samples. Each channel vector must hold at
    // least frames samples; pointers are taken per call.
    void ProcessReplacing(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                          vst2::VstInt32 frames);
    void ProcessAccumulating(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                             vst2::VstInt32 frames);
    void ProcessDouble(std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out,
                       vst2::VstInt32 frames);

private:
    vst2::AEffect* effect = nullptr;
    bool sentOpen = false;
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
