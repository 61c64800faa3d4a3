// The standard VST 2.4 preset files: .fxp (one program) and .fxb (a bank).
// Both start with a big-endian 'CcnK' header; the payload is either an opaque
// state chunk (FPCh, FBCh) or plain normalised parameter values (FxCk, FxBk),
// so that presets travel between this tool and other hosts unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

enum class PresetKind { Program, Bank };

// One program as stored in a parameter-list file or inside a parameter bank.
struct FxProgram {
    std::int32_t fxId = 0;
    std::int32_t fxVersion = 0;
    std::string name;  // at most 27 bytes survive in the file
    std::vector<float> params;  // normalised 0..1
};

struct FxPreset {
    PresetKind kind = PresetKind::Program;
    bool opaque = true;  // chunk payload instead of parameter values
    std::int32_t formatVersion = 1;
    std::int32_t fxId = 0;
    std::int32_t fxVersion = 0;
    std::int32_t numParams = 0;  // programs: the effect's parameter count
    std::int32_t numPrograms = 0;  // banks
    std::int32_t currentProgram = 0;  // banks of format version 2
    std::string name;  // programs
    std::vector<std::uint8_t> chunk;  // opaque payload
    std::vector<float> params;  // parameter-list program
    std::vector<FxProgram> programs;  // parameter-list bank
};

// Byte sizes of the fixed headers, before the payload.
constexpr std::size_t kFxProgramHeaderSize = 56;
constexpr std::size_t kFxBankHeaderSize = 156;
constexpr std::size_t kFxNameSize = 28;

std::vector<std::uint8_t> EncodePreset(const FxPreset& preset);

// Fills `out` and returns true, or returns false with `error` saying what is
// wrong with the data; `out` is only written on success.
bool DecodePreset(const std::vector<std::uint8_t>& data, FxPreset& out, std::string& error);

// "KSTN" for 0x4B53544E; non-printable bytes become '?'.
std::string FourCharText(std::int32_t id);

}  // namespace vsthost

}  // namespace kestrelon
