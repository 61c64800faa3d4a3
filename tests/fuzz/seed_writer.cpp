// Writes the fuzz targets' seed inputs into a directory:
//   fuzz_seed_writer OUT_DIR   ->  OUT_DIR/chunk, OUT_DIR/dispatcher, OUT_DIR/png
// Run once; the files are checked in under tests/fuzz/corpus and only
// replaced by hand when the input formats change. Chunks come from the effect
// itself, PNG files from libpng's own writer, host sessions from the session
// format the dispatcher target reads.
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "framework/vst/vst2_abi.h"
#include "tests/fuzz/fuzz_host.h"
#include "tests/fuzz/session_format.h"

namespace kestrelon {

namespace {

using Bytes = std::vector<std::uint8_t>;

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// ---- Host sessions ----

class SessionWriter {
public:
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U16(std::uint16_t v) { Raw(&v, sizeof v); }
    void I32(std::int32_t v) { Raw(&v, sizeof v); }
    void I64(std::int64_t v) { Raw(&v, sizeof v); }
    void F32(float v) { Raw(&v, sizeof v); }
    void Text(const std::string& text)
    {
        U16(static_cast<std::uint16_t>(text.size()));
        Raw(text.data(), text.size());
    }
    void Raw(const void* data, std::size_t size)
    {
        const auto* b = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), b, b + size);
    }

    void Answers(const std::string& product, std::int32_t vendorVersion, std::int32_t processLevel,
                 const vst2::VstTimeInfo* time, std::int64_t other)
    {
        Text(product);
        I32(vendorVersion);
        I32(processLevel);
        U8(time ? 1 : 0);
        vst2::VstTimeInfo record{};
        if (time)
            record = *time;
        Raw(&record, sizeof record);
        I64(other);
    }

    // The payload, if the request has one, follows at once.
    void Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, std::int64_t value = 0, float opt = 0.0f,
                  bool nullPtr = false)
    {
        U8(session::kDispatch);
        I32(opcode);
        I32(index);
        I64(value);
        F32(opt);
        U8(nullPtr ? session::kNullPtr : 0);
    }
    void DispatchText(vst2::VstInt32 opcode, vst2::VstInt32 index, const std::string& text)
    {
        Dispatch(opcode, index);
        Text(text);
    }
    void SetChunk(vst2::VstInt32 index, const Bytes& chunk)
    {
        Dispatch(vst2::effSetChunk, index);
        U16(static_cast<std::uint16_t>(chunk.size()));
        Raw(chunk.data(), chunk.size());
    }
    void SetParameter(std::int32_t index, float value)
    {
        U8(session::kSetParameter);
        I32(index);
        F32(value);
    }
    void GetParameter(std::int32_t index)
    {
        U8(session::kGetParameter);
        I32(index);
    }
    void Process(session::ProcessCallback callback, std::int32_t frames, bool inPlace,
                 const std::vector<float>& palette)
    {
        U8(session::kProcess);
        U8(callback);
        I32(frames);
        U8(inPlace ? session::kInPlace : 0);
        U8(static_cast<std::uint8_t>(palette.size()));
        for (float s : palette)
            F32(s);
    }
    void Start(float sampleRate, std::int64_t blockSize)
    {
        Dispatch(vst2::effOpen);
        Dispatch(vst2::effSetSampleRate, 0, 0, sampleRate);
        Dispatch(vst2::effSetBlockSize, 0, blockSize);
        Dispatch(vst2::effMainsChanged, 0, 1);
    }

    Bytes bytes;
};

Bytes TypicalSession()
{
    vst2::VstTimeInfo time{};
    time.samplePos = 88200.0;
    time.sampleRate = 44100.0;
    time.ppqPos = 4.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = vst2::kVstTransportPlaying | vst2::kVstPpqPosValid | vst2::kVstTempoValid | vst2::kVstTimeSigValid;
    SessionWriter s;
    s.Answers("REAPER", 6080, vst2::kVstProcessLevelRealtime, &time, 0);
    s.Start(44100.0f, 512);
    for (int i = 0; i < 5; ++i) {
        s.Dispatch(vst2::effGetParamName, i);
        s.Dispatch(vst2::effGetParamDisplay, i);
        s.Dispatch(vst2::effGetParamLabel, i);
    }
    s.SetParameter(0, 0.8f);
    s.SetParameter(1, 0.2f);
    s.GetParameter(0);
    s.Process(session::kReplacing, 512, false, {0.5f, -0.7f, 0.9f, 0.0f});
    s.Process(session::kDoubleReplacing, 512, false, {});
    s.Dispatch(vst2::effGetChunk, 1);
    s.Dispatch(vst2::effGetChunk, 0);
    s.DispatchText(vst2::effSetProgramName, 0, "Drums");
    s.Dispatch(vst2::effGetProgramName);
    s.Dispatch(vst2::effGetProgramNameIndexed, 0);
    s.DispatchText(vst2::effString2Parameter, 3, "3.5");
    s.DispatchText(vst2::effString2Parameter, 4, "off");
    s.Process(session::kAccumulating, 300, false, {0.25f, -0.25f});
    s.Dispatch(vst2::effMainsChanged, 0, 0);
    s.Dispatch(vst2::effClose);
    return s.bytes;
}

Bytes MonoSession()
{
    SessionWriter s;
    s.Answers("Cubase VST", 10000, vst2::kVstProcessLevelUser, nullptr, 0);
    s.Start(48000.0f, 128);
    // One input and one output in use.
    s.Dispatch(vst2::effSetSpeakerArrangement);
    s.U8(1);
    s.U8(1);
    s.I32(vst2::kSpeakerArrMono);
    s.U8(1);
    s.U8(1);
    s.I32(vst2::kSpeakerArrMono);
    s.Process(session::kReplacing, 1000, false, {0.9f, -0.9f, 0.1f});
    s.Process(session::kDoubleReplacing, 64, true, {0.3f});
    s.Dispatch(vst2::effGetSpeakerArrangement);
    s.U8(1);
    for (int i = 0; i < 3; ++i) {
        s.Dispatch(vst2::effGetInputProperties, i);
        s.Dispatch(vst2::effGetOutputProperties, i);
    }
    s.DispatchText(vst2::effCanDo, 0, "receiveVstTimeInfo");
    s.DispatchText(vst2::effCanDo, 0, "sendVstEvents");
    s.Dispatch(vst2::effVendorSpecific, 7, 4, 0.3f);
    s.Dispatch(vst2::effVendorSpecific, 8, 4);
    s.Dispatch(vst2::effGetVendorString);
    s.Dispatch(vst2::effGetEffectName);
    s.Dispatch(vst2::effGetProductString);
    s.Dispatch(vst2::effGetVendorVersion);
    s.Dispatch(vst2::effGetVstVersion);
    s.Dispatch(vst2::effGetPlugCategory);
    s.Dispatch(vst2::effIdentify);
    s.Dispatch(vst2::effEditGetRect);
    s.Dispatch(vst2::effEditOpen);
    s.Dispatch(vst2::effEditIdle);
    s.Dispatch(vst2::effEditClose);
    s.Dispatch(vst2::effGetTailSize);
    // Both in use again.
    s.Dispatch(vst2::effSetSpeakerArrangement);
    s.U8(1);
    s.U8(2);
    s.I32(vst2::kSpeakerArrStereo);
    s.U8(1);
    s.U8(2);
    s.I32(vst2::kSpeakerArrStereo);
    s.Process(session::kReplacing, 128, false, {0.5f});
    return s.bytes;
}

Bytes EventsAndChunksSession(const Bytes& program, const Bytes& bank)
{
    SessionWriter s;
    s.Answers("FL Studio", 20, vst2::kVstProcessLevelRealtime, nullptr, 1);
    s.Start(44100.0f, 256);
    s.Dispatch(vst2::effProcessEvents);
    s.U8(4);
    s.U8(session::kMidiEvent);
    s.I32(3);
    s.Raw("\x90\x3c\x64\x00", 4);
    s.U8(session::kSysExEvent);
    s.I32(10);
    s.U8(5);
    s.Raw("\xf0\x7e\x01\x02\xf7", 5);
    s.U8(session::kNullEvent);
    s.U8(session::kOtherEvent);
    s.I32(vst2::kVstParameterType);
    s.Raw("0123456789abcdef", 16);
    s.SetChunk(1, program);
    s.SetChunk(0, bank);
    s.SetChunk(1, Bytes(program.begin(), program.begin() + 40));
    s.Dispatch(vst2::effGetMidiKeyName);
    s.Dispatch(vst2::effSetProgram, 0, 0);
    s.Dispatch(vst2::effGetProgram);
    s.Process(session::kReplacing, 256, false, {1.0f, -1.0f});
    // No block size yet: silence.
    s.Dispatch(vst2::effSetBlockSize, 0, 0);
    s.Process(session::kReplacing, 100, false, {0.5f});
    s.Dispatch(vst2::effSetBlockSize, 0, 64);
    s.Process(session::kAccumulating, 100, false, {0.5f});
    return s.bytes;
}

Bytes HostileValuesSession()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    SessionWriter s;
    s.Answers("", -1, 99, nullptr, -1);
    s.Dispatch(vst2::effOpen);
    s.Dispatch(vst2::effSetSampleRate, 0, 0, nan);
    s.Dispatch(vst2::effSetSampleRate, 0, 0, -1.0f);
    s.Dispatch(vst2::effSetBlockSize, 0, -5);
    s.Process(session::kReplacing, -1, false, {});
    s.Process(session::kDoubleReplacing, 0, false, {});
    s.Dispatch(vst2::effSetBlockSize, 0, 32);
    s.SetParameter(7, 2.0f);
    s.SetParameter(-1, 0.5f);
    s.SetParameter(0, nan);
    s.SetParameter(3, inf);
    s.GetParameter(5);
    s.Dispatch(0x7FFFFFFF, 0x7FFFFFFF, -1);
    s.Dispatch(-1, -1, 0, 0.0f, true);
    s.Dispatch(vst2::effGetParamName, 5);
    s.Dispatch(vst2::effGetParamName, -1);
    s.Dispatch(vst2::effGetProgramNameIndexed, 0x7FFFFFFF);
    s.DispatchText(vst2::effSetProgramName, 0, std::string(300, 'n'));
    s.Dispatch(vst2::effGetProgramName);
    s.DispatchText(vst2::effString2Parameter, 0, "1e999");
    s.DispatchText(vst2::effString2Parameter, 2, "-nan");
    s.Process(session::kReplacing, 100, false, {inf, nan, 1e30f, -1e-42f});
    s.Process(session::kDoubleReplacing, 100, true, {-inf, 3e38f});
    return s.bytes;
}

// ---- Chunks ----

struct Chunks {
    Bytes program;
    Bytes bank;
};

Chunks FreshChunks()
{
    FuzzHost host{HostAnswers{}};
    Chunks chunks;
    if (!host.Load())
        return chunks;
    host.Start(44100.0f, 512);
    chunks.program = host.GetChunk(1);
    chunks.bank = host.GetChunk(0);
    return chunks;
}

void PutInt32(Bytes& b, std::int32_t v)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
    b.insert(b.end(), p, p + 4);
}

void PutDouble(Bytes& b, double v)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
    b.insert(b.end(), p, p + 8);
}

// ---- PNG files ----

struct PngShape {
    int width;
    int height;
    int colourType;
    int bitDepth;
    bool interlaced;
    bool transparency;
};

void AppendToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp)
{}

Bytes EncodePng(const PngShape& shape)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendToVector, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(shape.width), static_cast<png_uint_32>(shape.height),
                 shape.bitDepth, shape.colourType, shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    int channels = 1;
    switch (shape.colourType) {
    case PNG_COLOR_TYPE_RGB:
        channels = 3;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        channels = 2;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        channels = 4;
        break;
    default:
        break;
    }
    if (shape.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {20, 40, 250}};
        png_set_PLTE(png, info, palette, 4);
        if (shape.transparency) {
            png_byte alpha[3] = {0, 128, 255};
            png_set_tRNS(png, info, alpha, 3, nullptr);
        }
    } else if (shape.transparency) {
        png_color_16 key{};
        key.gray = 1;
        key.red = 10;
        key.green = 20;
        key.blue = 30;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    const png_text text = {
        PNG_TEXT_COMPRESSION_NONE, const_cast<char*>("Comment"), const_cast<char*>("seed"), 4, 0, nullptr, nullptr};
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);

    const int bitsPerRow = shape.width * channels * shape.bitDepth;
    const std::size_t rowBytes = static_cast<std::size_t>((bitsPerRow + 7) / 8);
    std::vector<Bytes> rows(static_cast<std::size_t>(shape.height), Bytes(rowBytes));
    // Any byte is a valid run of 1-, 2- or 4-bit palette indices into four
    // entries; 8-bit indices are masked into them.
    const std::uint8_t mask = shape.colourType == PNG_COLOR_TYPE_PALETTE && shape.bitDepth == 8 ? 3 : 0xFF;
    std::vector<png_bytep> rowPointers;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i)
            rows[y][i] = static_cast<std::uint8_t>((y * 37 + i * 11) & mask);
        rowPointers.push_back(rows[y].data());
    }
    png_write_image(png, rowPointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace

}  // namespace kestrelon

int main(int argc, char** argv)
{
    using namespace kestrelon;
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_writer OUT_DIR (writes OUT_DIR/chunk, dispatcher and png)\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (const char* dir : {"chunk", "dispatcher", "png"})
        std::filesystem::create_directories(root / dir);

    const Chunks fresh = FreshChunks();
    if (fresh.program.size() < 16 || fresh.bank.size() < 16) {
        std::fprintf(stderr, "fuzz_seed_writer: the effect gave no chunks\n");
        return 1;
    }
    bool ok = true;
    const std::filesystem::path chunk = root / "chunk";
    ok &= WriteFile(chunk / "program_fresh", fresh.program);
    ok &= WriteFile(chunk / "bank_fresh", fresh.bank);
    ok &= WriteFile(chunk / "program_without_header", Bytes(fresh.program.begin() + 8, fresh.program.end()));
    // Everything up to the third parameter value: the last two are missing.
    ok &= WriteFile(chunk / "program_cut_after_third_value", Bytes(fresh.program.begin(), fresh.program.end() - 16));
    ok &= WriteFile(chunk / "bank_cut_in_state", Bytes(fresh.bank.begin(), fresh.bank.end() - 20));
    {
        // Six first-group values, the last one stray; values outside their ranges.
        Bytes b(fresh.program.begin(), fresh.program.begin() + 8);
        PutInt32(b, 6);
        PutInt32(b, 0);
        for (double v : {-1.0, 2e6, 340.0, 25.0, -99.0, 0.25, 1e300, -0.0, 7.0})
            PutDouble(b, v);
        ok &= WriteFile(chunk / "program_six_values_out_of_range", b);
    }
    {
        // A bank whose one preset has a 300-character name.
        Bytes b(fresh.bank.begin(), fresh.bank.begin() + 8);
        PutInt32(b, 300);
        b.insert(b.end(), 300, static_cast<std::uint8_t>('p'));
        b.push_back(1);
        b.insert(b.end(), fresh.program.begin() + 8, fresh.program.end());
        ok &= WriteFile(chunk / "bank_long_name", b);
    }

    const std::filesystem::path dispatcher = root / "dispatcher";
    ok &= WriteFile(dispatcher / "typical_session", TypicalSession());
    ok &= WriteFile(dispatcher / "mono_session", MonoSession());
    ok &= WriteFile(dispatcher / "events_and_chunks", EventsAndChunksSession(fresh.program, fresh.bank));
    ok &= WriteFile(dispatcher / "hostile_values", HostileValuesSession());

    const std::filesystem::path pngDir = root / "png";
    const Bytes rgba = EncodePng({4, 3, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false});
    ok &= !rgba.empty() && WriteFile(pngDir / "rgba8.png", rgba);
    ok &= WriteFile(pngDir / "rgba8_cut.png", Bytes(rgba.begin(), rgba.begin() + static_cast<long>(rgba.size() / 2)));
    ok &= WriteFile(pngDir / "palette2_trns.png", EncodePng({5, 2, PNG_COLOR_TYPE_PALETTE, 2, false, true}));
    ok &= WriteFile(pngDir / "grey1_interlaced.png", EncodePng({7, 5, PNG_COLOR_TYPE_GRAY, 1, true, false}));
    ok &= WriteFile(pngDir / "rgb16_key.png", EncodePng({3, 3, PNG_COLOR_TYPE_RGB, 16, false, true}));
    ok &= WriteFile(pngDir / "grey_alpha8.png", EncodePng({2, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false}));
    if (!ok) {
        std::fprintf(stderr, "fuzz_seed_writer: could not write every seed into %s\n", root.string().c_str());
        return 1;
    }
    return 0;
}
