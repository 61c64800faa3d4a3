#pragma once

#include <cstdint>
#include <vector>

#include "framework/chunk_buffer.h"
#include "text/four_char_code.h"

namespace kestrelon {

// One legal channel layout, parsed from the effect's "1-1 2-2" text.
struct ChannelConfig {
    int32_t inputs = 0;
    int32_t outputs = 0;
};

// Channel label capacity: what a host's pin-properties label holds.
constexpr int kChannelLabelSize = 64;

// Bookkeeping of one input channel. slot is this channel's element of the
// base's inputPointers; an unconnected channel's slot points at its own
// scratch so ProcessBlock can always read every input.
struct InputChannel {
    bool connected = false;
    double** slot = nullptr;
    std::vector<double> scratch;  // maxBlockSize samples
    char label[kChannelLabelSize] = {};
};

struct OutputChannel {
    bool connected = false;
    double** slot = nullptr;
    float* floatDest = nullptr;  // host's single-precision output of the current slice
    std::vector<double> scratch;
    char label[kChannelLabelSize] = {};
};

// Preset name capacity: 255 bytes of UTF-8 and the terminator.
constexpr int kPresetNameSize = 256;

struct PresetSlot {
    bool initialised = false;
    char name[kPresetNameSize] = {};
    ChunkBuffer state;  // one program's state, without the chunk header
};

struct MidiMessage {
    int32_t offset = 0;  // frame within the block
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct SysExMessage {
    int32_t offset = 0;
    int32_t size = 0;
    const uint8_t* data = nullptr;
};

struct TransportInfo {
    double tempo = 0.0;
    double samplePos = 0.0;
    double ppqPos = 0.0;
    double lastBarPos = 0.0;
    double cycleStart = 0.0;
    double cycleEnd = 0.0;
    int32_t numerator = 0;
    int32_t denominator = 0;
    bool transportRunning = false;
    bool loopEnabled = false;
};

// What the effect tells the base about itself at construction.
struct EffectDescription {
    int paramCount = 0;
    const char* channelIO = "";
    int presetCount = 0;
    const char* effectName = "";
    const char* productName = "";
    const char* makerName = "";
    int32_t version = 0;  // 0xMMMMmmpp
    int32_t uniqueId = 0;  // four characters, the first in the top byte
    int32_t makerId = 0;
    int latency = 0;
    bool doesMidi = false;
    bool doesChunks = false;
    bool isInstrument = false;
    int pluginApi = 0;  // 0: VST 2.4
};

}  // namespace kestrelon
