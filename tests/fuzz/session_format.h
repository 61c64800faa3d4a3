#pragma once

// How the host-session fuzz target reads its input, shared with the seed
// writer so the checked-in seeds are real sessions. All numbers little-endian.
//
// Host answers, once:
//   product text (u16 length, then the bytes; at most 63 are kept)
//   i32 vendor version, i32 process level, u8 time flag (bit 0: the host
//   has a transport record), the VstTimeInfo record's bytes, i64 answer to
//   every other host request
// Then commands until the input ends (at most kMaxCommands):
//   u8 kind (modulo kCommandKinds), then by kind:
//   Dispatch:     i32 opcode, i32 index, i64 value, f32 opt, u8 flags
//                 (bit 0: ptr is null), then the opcode's payload (below)
//   SetParameter: i32 index, f32 value
//   GetParameter: i32 index
//   Process:      u8 callback (modulo 3: accumulating, replacing, double),
//                 i32 frames (above kMaxFrames taken modulo kMaxFrames + 1),
//                 u8 flags (bit 0: outputs are the input buffers),
//                 u8 palette size (modulo 9), that many f32 samples
// Dispatch payloads; those carried by ptr only when ptr is not null:
//   effSetProgramName, effString2Parameter, effCanDo: a text (u16 length
//     modulo kMaxText + 1, then the bytes)
//   effSetChunk: u16 length (modulo kMaxChunk + 1), the bytes; value
//     becomes the length
//   effProcessEvents: i8 count (at most kMaxEvents), per event u8 kind
//     (modulo 4: null, MIDI, SysEx, other type) and then
//     MIDI: i32 deltaFrames, 4 data bytes
//     SysEx: i32 deltaFrames, u8 length, the bytes
//     other: i32 type, 16 bytes
//   effSetSpeakerArrangement: the input record (value), then the output
//     record (ptr), each as u8 present flag (bit 0), i8 numChannels, i32 type
//   effGetSpeakerArrangement: u8 flag (bit 0: value points at a slot)
// Every other request gets a buffer of the size the request calls for; the
// value read is passed on as it is, except where it carries a pointer.

#include <cstdint>

namespace kestrelon {

namespace session {

enum CommandKind : std::uint8_t { kDispatch = 0, kSetParameter, kGetParameter, kProcess, kCommandKinds };

enum ProcessCallback : std::uint8_t { kAccumulating = 0, kReplacing, kDoubleReplacing, kProcessCallbacks };

enum EventKind : std::uint8_t { kNullEvent = 0, kMidiEvent, kSysExEvent, kOtherEvent, kEventKinds };

constexpr std::uint8_t kNullPtr = 1;
constexpr std::uint8_t kInPlace = 1;

constexpr int kMaxCommands = 512;
constexpr int kMaxFrames = 4096;
constexpr int kMaxPalette = 8;
constexpr int kMaxText = 1024;
constexpr int kMaxChunk = 4096;
constexpr int kMaxEvents = 16;
constexpr int kProductTextMax = 63;

}  // namespace session

}  // namespace kestrelon
