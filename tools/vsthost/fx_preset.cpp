#include "tools/vsthost/fx_preset.h"

#include <cstring>

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

namespace vsthost {
namespace {

constexpr std::int32_t kChunkMagic = FourCharCode("CcnK");
constexpr std::int32_t kProgramParams = FourCharCode("FxCk");
constexpr std::int32_t kProgramChunk = FourCharCode("FPCh");
constexpr std::int32_t kBankParams = FourCharCode("FxBk");
constexpr std::int32_t kBankChunk = FourCharCode("FBCh");
constexpr std::size_t kBankFutureSize = 128;

class BigEndianWriter {
public:
    explicit BigEndianWriter(std::vector<std::uint8_t>& out) : sink(out) {}
    void Int32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int shift = 24; shift >= 0; shift -= 8)
            sink.push_back(static_cast<std::uint8_t>(u >> shift));
    }
    void Float(float v)
    {
        std::int32_t bits;
        std::memcpy(&bits, &v, 4);
        Int32(bits);
    }
    // Fixed-size text field: truncated to leave room for the terminating zero.
    void Text(const std::string& text, std::size_t size)
    {
        const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
        sink.insert(sink.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
        sink.insert(sink.end(), size - n, 0);
    }
    void Zeros(std::size_t n) { sink.insert(sink.end(), n, 0); }
    void Bytes(const std::vector<std::uint8_t>& bytes) { sink.insert(sink.end(), bytes.begin(), bytes.end()); }
    // Back-fills the 'CcnK' byteSize: everything after the magic and the size itself.
    void PatchSize(std::size_t recordStart)
    {
        const auto size = static_cast<std::uint32_t>(sink.size() - recordStart - 8);
        for (int i = 0; i < 4; ++i)
            sink[recordStart + 4 + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    }
    std::size_t Position() const { return sink.size(); }

private:
    std::vector<std::uint8_t>& sink;
};

// Bounds-checked reads: each answers false once the data has run out, and the
// reader stays failed, so a truncated file is caught by one check at the end.
class BigEndianReader {
public:
    BigEndianReader(const std::vector<std::uint8_t>& data, std::size_t pos) : source(data), cursor(pos) {}
    bool Int32(std::int32_t& v)
    {
        if (failed || cursor > source.size() || source.size() - cursor < 4)
            return Fail();
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u = (u << 8) | source[cursor + i];
        v = static_cast<std::int32_t>(u);
        cursor += 4;
        return true;
    }
    bool Float(float& v)
    {
        std::int32_t bits;
        if (!Int32(bits))
            return false;
        std::memcpy(&v, &bits, 4);
        return true;
    }
    bool Text(std::string& text, std::size_t size)
    {
        if (!Skip(size))
            return false;
        const char* p = reinterpret_cast<const char*>(source.data() + cursor - size);
        text.assign(p, strnlen(p, size));
        return true;
    }
    bool Bytes(std::vector<std::uint8_t>& bytes, std::size_t n)
    {
        if (!Skip(n))
            return false;
        bytes.assign(source.begin() + static_cast<std::ptrdiff_t>(cursor - n),
                     source.begin() + static_cast<std::ptrdiff_t>(cursor));
        return true;
    }
    bool Skip(std::size_t n)
    {
        if (failed || cursor > source.size() || source.size() - cursor < n)
            return Fail();
        cursor += n;
        return true;
    }
    std::size_t Remaining() const { return failed ? 0 : source.size() - cursor; }
    bool Failed() const { return failed; }

private:
    bool Fail()
    {
        failed = true;
        return false;
    }
    const std::vector<std::uint8_t>& source;
    std::size_t cursor;
    bool failed = false;
};

void WriteProgramHeader(BigEndianWriter& w, std::int32_t fxMagic, std::int32_t version, std::int32_t fxId,
                        std::int32_t fxVersion, std::int32_t numParams, const std::string& name)
{
    w.Int32(kChunkMagic);
    w.Int32(0);  // byteSize, patched once the record is complete
    w.Int32(fxMagic);
    w.Int32(version);
    w.Int32(fxId);
    w.Int32(fxVersion);
    w.Int32(numParams);
    w.Text(name, kFxNameSize);
}

void WriteParamProgram(BigEndianWriter& w, const FxProgram& program, std::int32_t version)
{
    const std::size_t start = w.Position();
    WriteProgramHeader(w, kProgramParams, version, program.fxId, program.fxVersion,
                       static_cast<std::int32_t>(program.params.size()), program.name);
    for (float v : program.params)
        w.Float(v);
    w.PatchSize(start);
}

// Reads one parameter-list program record (the part after its fxMagic check).
bool ReadParamValues(BigEndianReader& r, std::int32_t count, std::vector<float>& params, std::string& error)
{
    if (count < 0 || static_cast<std::size_t>(count) > r.Remaining() / 4) {
        error = "the parameter count " + std::to_string(count) + " does not fit in the file";
        return false;
    }
    params.resize(static_cast<std::size_t>(count));
    for (float& v : params)
        r.Float(v);
    return true;
}

bool CheckFormatVersion(std::int32_t version, std::string& error)
{
    // Version 1 is the original layout; 2 adds the bank's current program.
    if (version == 1 || version == 2)
        return true;
    error = "unsupported preset format version " + std::to_string(version);
    return false;
}

bool ReadChunkPayload(BigEndianReader& r, std::vector<std::uint8_t>& chunk, std::string& error)
{
    std::int32_t size = 0;
    if (!r.Int32(size)) {
        error = "the file ends before the chunk size";
        return false;
    }
    if (size < 0 || static_cast<std::size_t>(size) > r.Remaining()) {
        error = "the chunk size " + std::to_string(size) + " runs past the end of the file (" +
                std::to_string(r.Remaining()) + " bytes left)";
        return false;
    }
    r.Bytes(chunk, static_cast<std::size_t>(size));
    return true;
}

bool DecodeProgram(BigEndianReader& r, std::int32_t fxMagic, FxPreset& p, std::string& error)
{
    p.kind = PresetKind::Program;
    p.opaque = fxMagic == kProgramChunk;
    r.Int32(p.formatVersion);
    r.Int32(p.fxId);
    r.Int32(p.fxVersion);
    r.Int32(p.numParams);
    r.Text(p.name, kFxNameSize);
    if (r.Failed()) {
        error = "the file ends inside the program header";
        return false;
    }
    if (!CheckFormatVersion(p.formatVersion, error))
        return false;
    if (p.opaque)
        return ReadChunkPayload(r, p.chunk, error);
    return ReadParamValues(r, p.numParams, p.params, error);
}

bool DecodeBank(BigEndianReader& r, std::int32_t fxMagic, FxPreset& p, std::string& error)
{
    p.kind = PresetKind::Bank;
    p.opaque = fxMagic == kBankChunk;
    r.Int32(p.formatVersion);
    r.Int32(p.fxId);
    r.Int32(p.fxVersion);
    r.Int32(p.numPrograms);
    std::int32_t current = 0;
    r.Int32(current);
    r.Skip(kBankFutureSize - 4);
    if (r.Failed()) {
        error = "the file ends inside the bank header";
        return false;
    }
    if (!CheckFormatVersion(p.formatVersion, error))
        return false;
    // Version 1 banks have no current program; the field is still reserved.
    p.currentProgram = p.formatVersion >= 2 ? current : 0;
    if (p.numPrograms < 0) {
        error = "negative program count " + std::to_string(p.numPrograms);
        return false;
    }
    if (p.opaque)
        return ReadChunkPayload(r, p.chunk, error);

    // Each program must at least hold its own header, which bounds the count
    // before anything is allocated for it.
    if (static_cast<std::size_t>(p.numPrograms) > r.Remaining() / kFxProgramHeaderSize) {
        error = "the bank claims " + std::to_string(p.numPrograms) + " programs but is too short for them";
        return false;
    }
    p.programs.resize(static_cast<std::size_t>(p.numPrograms));
    for (std::size_t i = 0; i < p.programs.size(); ++i) {
        FxProgram& program = p.programs[i];
        std::int32_t magic = 0, size = 0, innerMagic = 0, version = 0, count = 0;
        r.Int32(magic);
        r.Int32(size);
        r.Int32(innerMagic);
        r.Int32(version);
        r.Int32(program.fxId);
        r.Int32(program.fxVersion);
        r.Int32(count);
        r.Text(program.name, kFxNameSize);
        if (r.Failed() || magic != kChunkMagic || innerMagic != kProgramParams) {
            error = "program " + std::to_string(i) + " of the bank is not a parameter program";
            return false;
        }
        if (!ReadParamValues(r, count, program.params, error))
            return false;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodePreset(const FxPreset& p)
{
    std::vector<std::uint8_t> out;
    BigEndianWriter w(out);
    if (p.kind == PresetKind::Program) {
        const std::int32_t numParams = p.opaque ? p.numParams : static_cast<std::int32_t>(p.params.size());
        WriteProgramHeader(w, p.opaque ? kProgramChunk : kProgramParams, p.formatVersion, p.fxId, p.fxVersion,
                           numParams, p.name);
        if (p.opaque) {
            w.Int32(static_cast<std::int32_t>(p.chunk.size()));
            w.Bytes(p.chunk);
        } else {
            for (float v : p.params)
                w.Float(v);
        }
        w.PatchSize(0);
        return out;
    }

    const std::int32_t numPrograms = p.opaque ? p.numPrograms : static_cast<std::int32_t>(p.programs.size());
    w.Int32(kChunkMagic);
    w.Int32(0);
    w.Int32(p.opaque ? kBankChunk : kBankParams);
    w.Int32(p.formatVersion);
    w.Int32(p.fxId);
    w.Int32(p.fxVersion);
    w.Int32(numPrograms);
    w.Int32(p.formatVersion >= 2 ? p.currentProgram : 0);
    w.Zeros(kBankFutureSize - 4);
    if (p.opaque) {
        w.Int32(static_cast<std::int32_t>(p.chunk.size()));
        w.Bytes(p.chunk);
    } else {
        // Programs inside a bank carry format version 1, as other hosts write them.
        for (const FxProgram& program : p.programs)
            WriteParamProgram(w, program, 1);
    }
    w.PatchSize(0);
    return out;
}

bool DecodePreset(const std::vector<std::uint8_t>& data, FxPreset& out, std::string& error)
{
    BigEndianReader r(data, 0);
    std::int32_t magic = 0, byteSize = 0, fxMagic = 0;
    r.Int32(magic);
    r.Int32(byteSize);
    r.Int32(fxMagic);
    if (r.Failed() || magic != kChunkMagic) {
        error = "not a VST preset file (no 'CcnK' header)";
        return false;
    }
    // byteSize is not checked against the file length: writers disagree on
    // whether it counts the header, and every payload is bounds-checked anyway.
    FxPreset p;
    bool ok;
    if (fxMagic == kProgramParams || fxMagic == kProgramChunk) {
        ok = DecodeProgram(r, fxMagic, p, error);
    } else if (fxMagic == kBankParams || fxMagic == kBankChunk) {
        ok = DecodeBank(r, fxMagic, p, error);
    } else {
        error = "unknown preset type '" + FourCharText(fxMagic) + "' (expected FxCk, FPCh, FxBk or FBCh)";
        return false;
    }
    if (!ok)
        return false;
    if (r.Failed()) {
        error = "the file is truncated";
        return false;
    }
    out = std::move(p);
    return true;
}

std::string FourCharText(std::int32_t id)
{
    std::string text;
    const auto u = static_cast<std::uint32_t>(id);
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((u >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

}  // namespace vsthost

}  // namespace kestrelon
