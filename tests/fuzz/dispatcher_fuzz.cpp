// A host that sends anything in any order: dispatcher requests with opcodes,
// indices and values from their whole ranges, parameter sets and gets, and
// process calls of any length through all three callbacks. Pointers are
// always to buffers of the size the request calls for, so whatever the
// effect reads or writes beyond them is an AddressSanitizer report. Between
// requests the record must stay intact, the parameters normalised and every
// block the effect handed out still readable.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_host.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/session_format.h"

namespace kestrelon {

namespace {

constexpr std::uint8_t kUnwritten = 0xAA;

// A heap block of exactly size bytes (never null), prefilled so that a
// write by the effect shows.
struct HostBuffer {
    explicit HostBuffer(std::size_t size) : size(size), bytes(static_cast<std::uint8_t*>(std::malloc(size ? size : 1)))
    {
        std::memset(bytes.get(), kUnwritten, size ? size : 1);
    }
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::size_t size;
    std::unique_ptr<std::uint8_t, Free> bytes;
};

// The size of buffer each request calls for; 0 where ptr carries no
// buffer (texts in, chunks in, events and arrangements are built apart).
std::size_t BufferSizeFor(vst2::VstInt32 opcode, vst2::VstInt32 index)
{
    switch (opcode) {
    case vst2::effGetProgramName:
    case vst2::effGetProgramNameIndexed:
        return kPresetNameCapacity;
    case vst2::effGetParamLabel:
    case vst2::effGetParamDisplay:
    case vst2::effGetParamName:
        return kParamTextCapacity;
    case vst2::effGetEffectName:
    case vst2::effGetVendorString:
    case vst2::effGetProductString:
        return kNameCapacity;
    case vst2::effVendorSpecific:
        return index == 7 ? kParamTextCapacity : 256;
    case vst2::effEditGetRect:
    case vst2::effGetChunk:
    case vst2::effGetSpeakerArrangement:
        return sizeof(void*);
    case vst2::effGetInputProperties:
    case vst2::effGetOutputProperties:
        return sizeof(vst2::VstPinProperties);
    case vst2::effGetMidiKeyName:
        return sizeof(vst2::VstMidiKeyName);
    case vst2::effGetParameterProperties:
        return sizeof(vst2::VstParameterProperties);
    default:
        // A parent window handle, or a record of a request the effect does
        // not take: a block it may not read past.
        return 256;
    }
}

// Requests whose answer is a text the host then reads as a C string.
bool WritesText(vst2::VstInt32 opcode, vst2::VstInt32 index)
{
    switch (opcode) {
    case vst2::effGetProgramName:
    case vst2::effGetProgramNameIndexed:
    case vst2::effGetParamLabel:
    case vst2::effGetParamDisplay:
    case vst2::effGetParamName:
    case vst2::effGetEffectName:
    case vst2::effGetVendorString:
    case vst2::effGetProductString:
        return true;
    case vst2::effVendorSpecific:
        return index == 7;
    default:
        return false;
    }
}

void CheckTerminated(const char* text, std::size_t capacity, vst2::VstInt32 opcode)
{
    FUZZ_CHECK(std::memchr(text, '\0', capacity) != nullptr, "text answer without terminator", opcode);
}

// An events record as a host builds it: numEvents pointers, each to a whole
// event of its type.
class HostEvents {
public:
    explicit HostEvents(FuzzInput& in)
    {
        count = static_cast<std::int8_t>(in.Byte());
        if (count > session::kMaxEvents)
            count = session::kMaxEvents;
        const int slots = count > 0 ? count : 0;
        // The record is declared with two pointers; hosts allocate as many as they need.
        const std::size_t bytes = sizeof(vst2::VstEvents) + sizeof(vst2::VstEvent*) * (slots > 2 ? slots - 2 : 0);
        record.reset(static_cast<vst2::VstEvents*>(std::calloc(1, bytes)));
        record->numEvents = count;
        // Through a pointer: the declared two-element array is only the start of the list.
        vst2::VstEvent** list = record->events;
        for (int i = 0; i < slots; ++i)
            list[i] = ReadEvent(in);
    }
    vst2::VstEvents* Record() { return record.get(); }

private:
    vst2::VstEvent* ReadEvent(FuzzInput& in)
    {
        switch (in.Byte() % session::kEventKinds) {
        case session::kMidiEvent: {
            auto midi = std::make_unique<vst2::VstMidiEvent>();
            midi->type = vst2::kVstMidiType;
            midi->byteSize = sizeof(vst2::VstMidiEvent);
            midi->deltaFrames = in.I32();
            for (char& b : midi->midiData)
                b = static_cast<char>(in.Byte());
            vst2::VstEvent* event = reinterpret_cast<vst2::VstEvent*>(midi.get());
            midis.push_back(std::move(midi));
            return event;
        }
        case session::kSysExEvent: {
            auto sysex = std::make_unique<vst2::VstMidiSysexEvent>();
            sysex->type = vst2::kVstSysExType;
            sysex->byteSize = sizeof(vst2::VstMidiSysexEvent);
            sysex->deltaFrames = in.I32();
            const std::uint8_t length = in.Byte();
            auto dump = std::make_unique<std::vector<char>>(length);
            for (char& b : *dump)
                b = static_cast<char>(in.Byte());
            sysex->dumpBytes = length;
            sysex->sysexDump = length ? dump->data() : nullptr;
            dumps.push_back(std::move(dump));
            vst2::VstEvent* event = reinterpret_cast<vst2::VstEvent*>(sysex.get());
            sysexes.push_back(std::move(sysex));
            return event;
        }
        case session::kOtherEvent: {
            auto other = std::make_unique<vst2::VstEvent>();
            other->type = in.I32();
            other->byteSize = sizeof(vst2::VstEvent);
            for (char& b : other->data)
                b = static_cast<char>(in.Byte());
            vst2::VstEvent* event = other.get();
            others.push_back(std::move(other));
            return event;
        }
        default:
            return nullptr;
        }
    }

    struct Free {
        void operator()(vst2::VstEvents* p) const { std::free(p); }
    };
    int count = 0;
    std::unique_ptr<vst2::VstEvents, Free> record;
    std::vector<std::unique_ptr<vst2::VstMidiEvent>> midis;
    std::vector<std::unique_ptr<vst2::VstMidiSysexEvent>> sysexes;
    std::vector<std::unique_ptr<vst2::VstEvent>> others;
    std::vector<std::unique_ptr<std::vector<char>>> dumps;
};

// A speaker arrangement with room for every speaker it claims.
std::unique_ptr<std::uint8_t[]> ReadArrangement(FuzzInput& in)
{
    if (!in.Flag())
        return nullptr;
    const int channels = static_cast<std::int8_t>(in.Byte());
    const vst2::VstInt32 type = in.I32();
    const std::size_t extra = channels > 8 ? static_cast<std::size_t>(channels - 8) : 0;
    const std::size_t bytes = sizeof(vst2::VstSpeakerArrangement) + extra * sizeof(vst2::VstSpeakerProperties);
    auto block = std::make_unique<std::uint8_t[]>(bytes);
    auto* arrangement = reinterpret_cast<vst2::VstSpeakerArrangement*>(block.get());
    arrangement->type = type;
    arrangement->numChannels = channels;
    return block;
}

// Blocks the effect handed out and promised to keep: the chunks until the
// next request of their kind, the editor rectangle and the arrangements for
// the effect's life.
struct HeldBlocks {
    const void* chunk[2] = {};
    std::size_t chunkSize[2] = {};
    const void* rect = nullptr;
    const void* arrangement[2] = {};

    void Touch() const
    {
        for (int i = 0; i < 2; ++i)
            if (chunk[i])
                TouchBytes(chunk[i], chunkSize[i]);
        if (rect)
            TouchBytes(rect, sizeof(vst2::ERect));
        for (const void* a : arrangement)
            if (a)
                TouchBytes(a, sizeof(vst2::VstSpeakerArrangement));
    }
};

int ChunkKind(vst2::VstInt32 index)
{
    return index == 0 ? 0 : 1;
}

HostAnswers ReadAnswers(FuzzInput& in)
{
    HostAnswers answers;
    answers.product = in.Text(session::kProductTextMax);
    answers.vendorVersion = in.I32();
    answers.processLevel = in.I32();
    answers.hasTime = in.Flag();
    const std::vector<std::uint8_t> time = in.Bytes(sizeof(vst2::VstTimeInfo));
    std::memcpy(&answers.time, time.data(), sizeof(vst2::VstTimeInfo));
    answers.otherAnswer = static_cast<vst2::VstIntPtr>(in.I64());
    return answers;
}

void RunDispatch(FuzzHost& host, FuzzInput& in, HeldBlocks& held)
{
    const vst2::VstInt32 opcode = in.I32();
    const vst2::VstInt32 index = in.I32();
    vst2::VstIntPtr value = static_cast<vst2::VstIntPtr>(in.I64());
    const float opt = in.Float();
    const bool nullPtr = (in.Byte() & session::kNullPtr) != 0;

    if (opcode == vst2::effClose) {
        held = HeldBlocks{};
        host.Close();
        return;
    }
    if (opcode == vst2::effGetChunk || opcode == vst2::effSetChunk) {
        // The block of that kind is the effect's to replace from here on.
        held.chunk[ChunkKind(index)] = nullptr;
        held.chunkSize[ChunkKind(index)] = 0;
    }

    switch (opcode) {
    case vst2::effSetProgramName:
    case vst2::effString2Parameter:
    case vst2::effCanDo: {
        if (nullPtr) {
            host.Dispatch(opcode, index, value, nullptr, opt);
            return;
        }
        const std::string text = in.Text(session::kMaxText);
        HostBuffer buffer(text.size() + 1);
        std::memcpy(buffer.bytes.get(), text.c_str(), text.size() + 1);
        host.Dispatch(opcode, index, value, buffer.bytes.get(), opt);
        return;
    }
    case vst2::effSetChunk: {
        if (nullPtr) {
            FUZZ_CHECK(host.Dispatch(opcode, index, value, nullptr, opt) == 0, "effSetChunk without data", 0);
            return;
        }
        const std::vector<std::uint8_t> data = in.Bytes(in.U16() % (session::kMaxChunk + 1));
        host.SetChunk(index, data);
        return;
    }
    case vst2::effProcessEvents: {
        if (nullPtr) {
            host.Dispatch(opcode, index, value, nullptr, opt);
            return;
        }
        HostEvents events(in);
        host.Dispatch(opcode, index, value, events.Record(), opt);
        return;
    }
    case vst2::effSetSpeakerArrangement: {
        const std::unique_ptr<std::uint8_t[]> inputs = ReadArrangement(in);
        const std::unique_ptr<std::uint8_t[]> outputs = nullPtr ? nullptr : ReadArrangement(in);
        host.Dispatch(opcode, index, reinterpret_cast<vst2::VstIntPtr>(inputs.get()), outputs.get(), opt);
        return;
    }
    case vst2::effGetSpeakerArrangement: {
        void* inputSlot = nullptr;
        void* outputSlot = nullptr;
        const bool wantInputs = in.Flag();
        value = wantInputs ? reinterpret_cast<vst2::VstIntPtr>(&inputSlot) : 0;
        host.Dispatch(opcode, index, value, nullPtr ? nullptr : &outputSlot, opt);
        if (inputSlot)
            held.arrangement[0] = inputSlot;
        if (outputSlot)
            held.arrangement[1] = outputSlot;
        return;
    }
    default:
        break;
    }

    if (nullPtr) {
        host.Dispatch(opcode, index, value, nullptr, opt);
        return;
    }
    HostBuffer buffer(BufferSizeFor(opcode, index));
    std::uint8_t* bytes = buffer.bytes.get();
    if (opcode == vst2::effGetChunk || opcode == vst2::effEditGetRect)
        std::memset(bytes, 0, buffer.size);
    const vst2::VstIntPtr result = host.Dispatch(opcode, index, value, bytes, opt);
    if (!host.IsOpen())
        return;

    if (WritesText(opcode, index) && bytes[0] != kUnwritten)
        CheckTerminated(reinterpret_cast<const char*>(bytes), buffer.size, opcode);
    switch (opcode) {
    case vst2::effGetChunk: {
        void* data = nullptr;
        std::memcpy(&data, bytes, sizeof(data));
        FUZZ_CHECK(result >= 0, "negative chunk size", static_cast<long long>(result));
        if (result > 0) {
            FUZZ_CHECK(data != nullptr, "chunk size without data", static_cast<long long>(result));
            held.chunk[ChunkKind(index)] = data;
            held.chunkSize[ChunkKind(index)] = static_cast<std::size_t>(result);
        }
        break;
    }
    case vst2::effEditGetRect: {
        void* rect = nullptr;
        std::memcpy(&rect, bytes, sizeof(rect));
        if (result == 1) {
            FUZZ_CHECK(rect != nullptr, "editor rectangle answered but not given", 0);
            held.rect = rect;
        }
        break;
    }
    case vst2::effGetInputProperties:
    case vst2::effGetOutputProperties:
        if (result == 1)
            CheckTerminated(reinterpret_cast<const vst2::VstPinProperties*>(bytes)->label, vst2::kVstMaxLabelLen,
                            opcode);
        break;
    case vst2::effGetMidiKeyName:
        if (result == 1)
            CheckTerminated(reinterpret_cast<const vst2::VstMidiKeyName*>(bytes)->keyName, vst2::kVstMaxNameLen,
                            opcode);
        break;
    default:
        break;
    }
}

template <typename Sample>
void RunProcessCall(FuzzHost& host, int callback, int frames, bool inPlace, const std::vector<float>& palette)
{
    vst2::AEffect* effect = host.Effect();
    const int ins = effect->numInputs;
    const int outs = effect->numOutputs;
    const std::size_t n = frames > 0 ? static_cast<std::size_t>(frames) : 0;

    // Exactly frames samples per buffer: no slack for the effect to run into.
    std::vector<std::unique_ptr<Sample[]>> in;
    std::vector<std::unique_ptr<Sample[]>> out;
    std::vector<Sample*> inPtrs;
    std::vector<Sample*> outPtrs;
    for (int c = 0; c < ins; ++c) {
        in.push_back(std::make_unique<Sample[]>(n));
        for (std::size_t i = 0; i < n; ++i)
            in.back()[i] = palette.empty()
                               ? static_cast<Sample>(std::sin(0.01 * static_cast<double>(i + 1)))
                               : static_cast<Sample>(palette[(i + static_cast<std::size_t>(c)) % palette.size()]);
        inPtrs.push_back(in.back().get());
    }
    inPlace = inPlace && ins == outs;
    for (int c = 0; c < outs; ++c) {
        if (inPlace) {
            outPtrs.push_back(inPtrs[static_cast<std::size_t>(c)]);
            continue;
        }
        out.push_back(std::make_unique<Sample[]>(n));  // zeros
        outPtrs.push_back(out.back().get());
    }
    // Read before the call: the block is rendered with the setting it had.
    const bool clipOn = ClipIsOn(host);

    if constexpr (sizeof(Sample) == sizeof(double)) {
        effect->processDoubleReplacing(effect, inPtrs.data(), outPtrs.data(), frames);
    } else {
        if (callback == session::kAccumulating)
            effect->process(effect, inPtrs.data(), outPtrs.data(), frames);
        else
            effect->processReplacing(effect, inPtrs.data(), outPtrs.data(), frames);
    }

    // A replacing call leaves defined audio in every output: silence where
    // there is nothing to render, never NaN, within the clip level when
    // clipping is on. (In place, an output the effect does not use keeps
    // the host's input; accumulated outputs hold the host's own sums.)
    if (inPlace || callback == session::kAccumulating)
        return;
    std::vector<std::vector<Sample>> outputs;
    for (const std::unique_ptr<Sample[]>& channel : out)
        outputs.emplace_back(channel.get(), channel.get() + n);
    CheckOutputs(outputs, clipOn);
}

void RunProcess(FuzzHost& host, FuzzInput& in)
{
    const int callback = in.Byte() % session::kProcessCallbacks;
    int frames = in.I32();
    if (frames > session::kMaxFrames)
        frames %= session::kMaxFrames + 1;
    const bool inPlace = (in.Byte() & session::kInPlace) != 0;
    std::vector<float> palette(in.Byte() % (session::kMaxPalette + 1));
    for (float& sample : palette)
        sample = in.Float();

    if (callback == session::kDoubleReplacing)
        RunProcessCall<double>(host, callback, frames, inPlace, palette);
    else
        RunProcessCall<float>(host, callback, frames, inPlace, palette);
}

}  // namespace

}  // namespace kestrelon

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrelon;
    FuzzInput in(data, size);
    FuzzHost host(ReadAnswers(in));
    FUZZ_CHECK(host.Load(), "VSTPluginMain gave no record", 0);
    HeldBlocks held;

    for (int command = 0; command < session::kMaxCommands && !in.Empty() && host.IsOpen(); ++command) {
        vst2::AEffect* effect = host.Effect();
        switch (in.Byte() % session::kCommandKinds) {
        case session::kDispatch:
            RunDispatch(host, in, held);
            break;
        case session::kSetParameter: {
            const vst2::VstInt32 index = in.I32();
            effect->setParameter(effect, index, in.Float());
            break;
        }
        case session::kGetParameter: {
            const vst2::VstInt32 index = in.I32();
            const float v = effect->getParameter(effect, index);
            FUZZ_CHECK(v >= 0.0f && v <= 1.0f, "getParameter outside 0..1", index);
            if (index < 0 || index >= effect->numParams)
                FUZZ_CHECK(v == 0.0f, "getParameter of no parameter", index);
            break;
        }
        case session::kProcess:
            RunProcess(host, in);
            break;
        default:
            break;
        }
        if (host.IsOpen()) {
            host.CheckRecord();
            held.Touch();
        }
    }
    host.Close();
    return 0;
}
