#pragma once

// A host as the fuzz targets play it, on the tests' host harness: it makes
// Kestrelon through the linked-in entry point with the recording host's
// callback and drives the effect through the record only, handing it
// buffers of exactly the sizes it announces, so that AddressSanitizer sees
// every byte the effect reads or writes beyond them. It keeps no record of
// the requests (nothing is allocated per host call) but checks each one,
// and a failed promise ends the run through FUZZ_CHECK.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/hosted_effect.h"
#include "tests/support/recording_host.h"

namespace kestrelon {

using testhost::HostAnswers;

// Sizes of the texts the effect writes for each request, terminator
// included: what its hosts give it.
constexpr std::size_t kParamTextCapacity = 32;  // parameter names, labels, display strings
constexpr std::size_t kNameCapacity = 128;  // effect, vendor and product names
constexpr std::size_t kPresetNameCapacity = 256;  // program names

class FuzzHost : public testhost::RecordingHost {
public:
    explicit FuzzHost(const HostAnswers& answers);
    ~FuzzHost() override;  // closes the effect if the session did not

    // VSTPluginMain with this host's callback; false when no record came back.
    bool Load();
    vst2::AEffect* Effect() const { return effect.Record(); }
    bool IsOpen() const { return effect.Record() != nullptr; }
    // Whether effOpen was sent. Until then the effect has applied none of
    // its parameters (Output is silence, Clip Output not yet in force), as
    // hosts open an effect before anything else.
    bool SentOpen() const { return effect.SentOpen(); }
    testhost::HostedEffect& Hosted() { return effect; }

    // effClose goes through Close().
    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    // effOpen, the sample rate and block size, then processing switched on:
    // what every host does before the first block.
    void Start(float sampleRate, vst2::VstInt32 blockSize);
    // effClose, which must answer 0; the record is gone afterwards.
    void Close();

    // The effect's current chunk of a kind (0 bank, 1 program), copied out
    // as a host saves it; checks the header.
    std::vector<std::uint8_t> GetChunk(vst2::VstInt32 index);
    // The host's own copy of data handed to effSetChunk, exactly size bytes;
    // the answer must be 0 or 1.
    vst2::VstIntPtr SetChunk(vst2::VstInt32 index, const std::vector<std::uint8_t>& data);

    // Checks what holds after any request, whatever came before: the record
    // is intact and every parameter reads as a normalised value.
    void CheckRecord() const;

    // One block through each process callback with a test signal: replacing
    // in single precision, accumulating, then double precision; with
    // "Clip Output" on, replacing outputs must stay within the clip level.
    void RenderTestBlocks(int frames);

protected:
    // [any host thread] the effect's request, checked before it is answered.
    void Inspect(const testhost::HostCall& call, void* ptr) override;

private:
    testhost::HostedEffect effect;
};

// Whether the effect must be clipping: "Clip Output" is on as the host reads
// it, and the effect was opened.
bool ClipIsOn(const FuzzHost& host);

// Checks single- or double-precision outputs of a replacing call: no NaN,
// and within the clip level when clipping is on.
void CheckOutputs(const std::vector<std::vector<float>>& outputs, bool clipOn);
void CheckOutputs(const std::vector<std::vector<double>>& outputs, bool clipOn);

}  // namespace kestrelon
