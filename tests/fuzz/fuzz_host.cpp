#include "tests/fuzz/fuzz_host.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin/plugin_export.h"

namespace kestrelon {

namespace {

constexpr int kClipParam = 4;
// The clip level the effect limits to, and its nearest float: a replacing
// single-precision output may be the rounded limit.
constexpr double kClipLevel = 0.989;
constexpr float kClipLevelFloat = static_cast<float>(kClipLevel);

constexpr std::uint8_t kChunkMagic[4] = {0x74, 0x66, 0x66, 0x70};

// The session in progress; the fuzz targets run one at a time.
FuzzHost* gHost = nullptr;

vst2::VstIntPtr VSTCALLBACK HostCallback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                         vst2::VstIntPtr value, void* ptr, float opt)
{
    return gHost ? gHost->Answer(effect, opcode, index, value, ptr, opt) : 0;
}

// The events record the effect sends with audioMasterProcessEvents, read as
// a host reads it.
void CheckOutgoingEvents(const vst2::VstEvents* events)
{
    FUZZ_CHECK(events != nullptr, "audioMasterProcessEvents without events", 0);
    FUZZ_CHECK(events->numEvents >= 0 && events->numEvents <= 64, "outgoing event count", events->numEvents);
    for (int i = 0; i < events->numEvents; ++i) {
        const vst2::VstEvent* event = events->events[i];
        FUZZ_CHECK(event != nullptr, "null outgoing event", i);
        if (event->type == vst2::kVstMidiType) {
            FUZZ_CHECK(event->byteSize == static_cast<vst2::VstInt32>(sizeof(vst2::VstMidiEvent)),
                       "outgoing MIDI byteSize", event->byteSize);
            TouchBytes(event, sizeof(vst2::VstMidiEvent));
        } else if (event->type == vst2::kVstSysExType) {
            const auto* sysex = reinterpret_cast<const vst2::VstMidiSysexEvent*>(event);
            FUZZ_CHECK(event->byteSize == static_cast<vst2::VstInt32>(sizeof(vst2::VstMidiSysexEvent)),
                       "outgoing sysex byteSize", event->byteSize);
            FUZZ_CHECK(sysex->dumpBytes >= 0, "outgoing sysex size", sysex->dumpBytes);
            if (sysex->dumpBytes > 0) {
                FUZZ_CHECK(sysex->sysexDump != nullptr, "outgoing sysex without data", sysex->dumpBytes);
                TouchBytes(sysex->sysexDump, static_cast<std::size_t>(sysex->dumpBytes));
            }
        } else {
            FuzzFail("outgoing event of unknown type", event->type);
        }
    }
}

std::vector<float> TestSignalFloat(int frames, int channel)
{
    std::vector<float> signal(static_cast<std::size_t>(frames));
    // A decaying burst every 256 frames: something for both envelope stages.
    for (int i = 0; i < frames; ++i) {
        const int phase = i % 256;
        const double env = std::exp(-phase / 40.0);
        signal[static_cast<std::size_t>(i)] = static_cast<float>(0.95 * env * std::sin(0.07 * (i + 1) * (channel + 1)));
    }
    return signal;
}

}  // namespace

FuzzHost::FuzzHost(const HostAnswers& answers) : answers(answers)
{
    if (this->answers.product.size() > 63)
        this->answers.product.resize(63);
    gHost = this;
}

FuzzHost::~FuzzHost()
{
    Close();
    gHost = nullptr;
}

bool FuzzHost::Load()
{
    effect = VSTPluginMain(HostCallback);
    return effect != nullptr;
}

vst2::VstIntPtr FuzzHost::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                   float opt)
{
    if (!effect)
        return 0;
    if (opcode == vst2::effClose) {
        Close();
        return 0;
    }
    if (opcode == vst2::effOpen)
        sentOpen = true;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void FuzzHost::Start(float sampleRate, vst2::VstIntPtr blockSize)
{
    Dispatch(vst2::effOpen);
    Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(vst2::effSetBlockSize, 0, blockSize);
    Dispatch(vst2::effMainsChanged, 0, 1);
}

void FuzzHost::Close()
{
    if (!effect)
        return;
    vst2::AEffect* closing = effect;
    effect = nullptr;
    const vst2::VstIntPtr result = closing->dispatcher(closing, vst2::effClose, 0, 0, nullptr, 0.0f);
    FUZZ_CHECK(result == 0, "effClose result", static_cast<long long>(result));
}

std::vector<std::uint8_t> FuzzHost::GetChunk(vst2::VstInt32 index)
{
    void* data = nullptr;
    const vst2::VstIntPtr size = Dispatch(vst2::effGetChunk, index, 0, &data);
    // The effect always has a state to give.
    FUZZ_CHECK(size >= 8 && data != nullptr, "effGetChunk gave no chunk", static_cast<long long>(size));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    FUZZ_CHECK(std::memcmp(bytes, kChunkMagic, 4) == 0, "chunk without its magic", index);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

vst2::VstIntPtr FuzzHost::SetChunk(vst2::VstInt32 index, const std::vector<std::uint8_t>& data)
{
    // A heap block of exactly the announced size, never null (even for 0
    // bytes): a read past its end is an AddressSanitizer report.
    void* copy = std::malloc(data.empty() ? 1 : data.size());
    if (!data.empty())
        std::memcpy(copy, data.data(), data.size());
    const vst2::VstIntPtr result = Dispatch(vst2::effSetChunk, index, static_cast<vst2::VstIntPtr>(data.size()), copy);
    std::free(copy);
    FUZZ_CHECK(result == 0 || result == 1, "effSetChunk result", static_cast<long long>(result));
    return result;
}

void FuzzHost::CheckRecord() const
{
    if (!effect)
        return;
    FUZZ_CHECK(effect->magic == vst2::kEffectMagic, "record magic", effect->magic);
    FUZZ_CHECK(effect->numParams == 5, "numParams", effect->numParams);
    FUZZ_CHECK(effect->numPrograms >= 1, "numPrograms", effect->numPrograms);
    FUZZ_CHECK(effect->numInputs >= 0 && effect->numInputs <= 2, "numInputs", effect->numInputs);
    FUZZ_CHECK(effect->numOutputs >= 0 && effect->numOutputs <= 2, "numOutputs", effect->numOutputs);
    FUZZ_CHECK(effect->initialDelay >= 0, "initialDelay", effect->initialDelay);
    for (int i = 0; i < effect->numParams; ++i) {
        const float v = effect->getParameter(effect, i);
        FUZZ_CHECK(v >= 0.0f && v <= 1.0f, "parameter outside 0..1", i);
    }
}

bool ClipIsOn(const FuzzHost& host)
{
    vst2::AEffect* effect = host.Effect();
    return host.SentOpen() && effect && effect->getParameter(effect, kClipParam) >= 0.5f;
}

void CheckOutputs(const std::vector<std::vector<float>>& outputs, bool clipOn)
{
    for (const std::vector<float>& channel : outputs)
        for (const float x : channel) {
            FUZZ_CHECK(!std::isnan(x), "NaN output", 0);
            if (clipOn)
                FUZZ_CHECK(std::fabs(x) <= kClipLevelFloat, "output beyond the clip level", 0);
        }
}

void CheckOutputs(const std::vector<std::vector<double>>& outputs, bool clipOn)
{
    for (const std::vector<double>& channel : outputs)
        for (const double x : channel) {
            FUZZ_CHECK(!std::isnan(x), "NaN output", 1);
            if (clipOn)
                FUZZ_CHECK(std::fabs(x) <= kClipLevel, "output beyond the clip level", 1);
        }
}

void FuzzHost::RenderTestBlocks(int frames)
{
    if (!effect || frames <= 0)
        return;
    const std::size_t n = static_cast<std::size_t>(frames);
    const int ins = effect->numInputs;
    const int outs = effect->numOutputs;
    const bool clipOn = ClipIsOn(*this);

    std::vector<std::vector<float>> in(static_cast<std::size_t>(ins));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(outs), std::vector<float>(n, 0.0f));
    std::vector<float*> inPtrs;
    std::vector<float*> outPtrs;
    for (int c = 0; c < ins; ++c) {
        in[static_cast<std::size_t>(c)] = TestSignalFloat(frames, c);
        inPtrs.push_back(in[static_cast<std::size_t>(c)].data());
    }
    for (std::vector<float>& channel : out)
        outPtrs.push_back(channel.data());

    effect->processReplacing(effect, inPtrs.data(), outPtrs.data(), frames);
    CheckOutputs(out, clipOn);
    effect->process(effect, inPtrs.data(), outPtrs.data(), frames);

    std::vector<std::vector<double>> inD(static_cast<std::size_t>(ins));
    std::vector<std::vector<double>> outD(static_cast<std::size_t>(outs), std::vector<double>(n, 0.0));
    std::vector<double*> inDPtrs;
    std::vector<double*> outDPtrs;
    for (int c = 0; c < ins; ++c) {
        const std::vector<float>& source = in[static_cast<std::size_t>(c)];
        inD[static_cast<std::size_t>(c)].assign(source.begin(), source.end());
        inDPtrs.push_back(inD[static_cast<std::size_t>(c)].data());
    }
    for (std::vector<double>& channel : outD)
        outDPtrs.push_back(channel.data());
    effect->processDoubleReplacing(effect, inDPtrs.data(), outDPtrs.data(), frames);
    CheckOutputs(outD, clipOn);
}

vst2::VstIntPtr FuzzHost::Answer(vst2::AEffect* from, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                 vst2::VstIntPtr value, void* ptr, float opt)
{
    (void)value;
    (void)opt;
    // Before the entry point returns the host does not know the record yet.
    if (effect)
        FUZZ_CHECK(from == effect, "host call from another record", opcode);
    switch (opcode) {
    case vst2::audioMasterAutomate:
    case vst2::audioMasterBeginEdit:
    case vst2::audioMasterEndEdit:
        // Hosts index their own parameter tables with this.
        FUZZ_CHECK(from != nullptr && index >= 0 && index < from->numParams, "host call for no parameter", index);
        return answers.otherAnswer;
    case vst2::audioMasterVersion:
        return vst2::kVstVersion;
    case vst2::audioMasterGetProductString:
    case vst2::audioMasterGetVendorString:
        if (ptr)
            std::memcpy(ptr, answers.product.c_str(), answers.product.size() + 1);
        return ptr ? 1 : 0;
    case vst2::audioMasterGetVendorVersion:
        return answers.vendorVersion;
    case vst2::audioMasterGetCurrentProcessLevel:
        return answers.processLevel;
    case vst2::audioMasterGetTime:
        return answers.hasTime ? reinterpret_cast<vst2::VstIntPtr>(&answers.time) : 0;
    case vst2::audioMasterProcessEvents:
        CheckOutgoingEvents(static_cast<const vst2::VstEvents*>(ptr));
        return answers.otherAnswer;
    default:
        return answers.otherAnswer;
    }
}

}  // namespace kestrelon
