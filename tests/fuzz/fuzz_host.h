#pragma once

// A host as the fuzz targets play it: it loads Kestrelon through the exported
// entry point with a host callback of its own and drives the effect through
// the record only, handing it buffers of exactly the sizes it announces, so
// that AddressSanitizer sees every byte the effect reads or writes beyond them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tests/fuzz/fuzz_check.h"

namespace kestrelon {

// What the host callback answers.
struct HostAnswers {
    std::string product;  // audioMasterGetProductString; the host writes at most 63 bytes
    vst2::VstInt32 vendorVersion = 0;  // audioMasterGetVendorVersion
    vst2::VstInt32 processLevel = 0;  // audioMasterGetCurrentProcessLevel
    bool hasTime = false;  // whether audioMasterGetTime hands out the record below
    vst2::VstTimeInfo time{};
    vst2::VstIntPtr otherAnswer = 0;  // every other request
};

// Sizes of the texts the effect writes for each request, terminator
// included: what its hosts give it.
constexpr std::size_t kParamTextCapacity = 32;  // parameter names, labels, display strings
constexpr std::size_t kNameCapacity = 128;  // effect, vendor and product names
constexpr std::size_t kPresetNameCapacity = 256;  // program names

class FuzzHost {
public:
    explicit FuzzHost(const HostAnswers& answers);
    ~FuzzHost();  // closes the effect if the session did not
    FuzzHost(const FuzzHost&) = delete;
    FuzzHost& operator=(const FuzzHost&) = delete;

    // VSTPluginMain with this host's callback; false when no record came back.
    bool Load();
    vst2::AEffect* Effect() const { return effect; }
    bool IsOpen() const { return effect != nullptr; }
    // Whether effOpen was sent. Until then the effect has applied none of
    // its parameters (Output is silence, Clip Output not yet in force), as
    // hosts open an effect before anything else.
    bool SentOpen() const { return sentOpen; }

    vst2::VstIntPtr Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    // effOpen, the sample rate and block size, then processing switched on:
    // what every host does before the first block.
    void Start(float sampleRate, vst2::VstIntPtr blockSize);
    // effClose; the record is gone afterwards.
    void Close();

    // The effect's current chunk of a kind (0 bank, 1 program), copied out
    // as a host saves it; checks the header.
    std::vector<std::uint8_t> GetChunk(vst2::VstInt32 index);
    // The host's own copy of data handed to effSetChunk, exactly size bytes.
    vst2::VstIntPtr SetChunk(vst2::VstInt32 index, const std::vector<std::uint8_t>& data);

    // Checks what holds after any request, whatever came before: the record
    // is intact and every parameter reads as a normalised value.
    void CheckRecord() const;

    // One block through each process callback with a test signal: replacing
    // in single precision, accumulating, then double precision; with
    // "Clip Output" on, replacing outputs must stay within the clip level.
    void RenderTestBlocks(int frames);

    // The host's callback reaches its answers through this.
    vst2::VstIntPtr Answer(vst2::AEffect* from, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value,
                           void* ptr, float opt);

private:
    HostAnswers answers;
    vst2::AEffect* effect = nullptr;
    bool sentOpen = false;
};

// Whether the effect must be clipping: "Clip Output" is on as the host reads
// it, and the effect was opened.
bool ClipIsOn(const FuzzHost& host);

// Checks single- or double-precision outputs of a replacing call: no NaN,
// and within the clip level when clipping is on.
void CheckOutputs(const std::vector<std::vector<float>>& outputs, bool clipOn);
void CheckOutputs(const std::vector<std::vector<double>>& outputs, bool clipOn);

}  // namespace kestrelon
