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

FuzzHost::FuzzHost(const HostAnswers& answers) : RecordingHost(answers)
{
    keepCalls = false;
}

FuzzHost::~FuzzHost()
{
    Close();
}

bool FuzzHost::Load()
{
    return effect.Create(VSTPluginMain);
}

vst2::VstIntPtr FuzzHost::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                   float opt)
{
    if (opcode == vst2::effClose) {
        Close();
        return 0;
    }
    return effect.Dispatch(opcode, index, value, ptr, opt);
}

void FuzzHost::Start(float sampleRate, vst2::VstInt32 blockSize)
{
    effect.Start(sampleRate, blockSize);
}

void FuzzHost::Close()
{
    if (!IsOpen())
        return;
    const vst2::VstIntPtr result = effect.Close();
    FUZZ_CHECK(result == 0, "effClose result", static_cast<long long>(result));
}

std::vector<std::uint8_t> FuzzHost::GetChunk(vst2::VstInt32 index)
{
    const std::vector<std::uint8_t> chunk = effect.GetChunk(index == 0);
    // The effect always has a state to give.
    FUZZ_CHECK(chunk.size() >= 8, "effGetChunk gave no chunk", static_cast<long long>(chunk.size()));
    FUZZ_CHECK(std::memcmp(chunk.data(), kChunkMagic, 4) == 0, "chunk without its magic", index);
    return chunk;
}

vst2::VstIntPtr FuzzHost::SetChunk(vst2::VstInt32 index, const std::vector<std::uint8_t>& data)
{
    const vst2::VstIntPtr result = effect.SetChunkAt(index, data);
    FUZZ_CHECK(result == 0 || result == 1, "effSetChunk result", static_cast<long long>(result));
    return result;
}

void FuzzHost::CheckRecord() const
{
    const vst2::AEffect* record = effect.Record();
    if (!record)
        return;
    FUZZ_CHECK(record->magic == vst2::kEffectMagic, "record magic", record->magic);
    FUZZ_CHECK(record->numParams == 5, "numParams", record->numParams);
    FUZZ_CHECK(record->numPrograms >= 1, "numPrograms", record->numPrograms);
    FUZZ_CHECK(record->numInputs >= 0 && record->numInputs <= 2, "numInputs", record->numInputs);
    FUZZ_CHECK(record->numOutputs >= 0 && record->numOutputs <= 2, "numOutputs", record->numOutputs);
    FUZZ_CHECK(record->initialDelay >= 0, "initialDelay", record->initialDelay);
    for (int i = 0; i < record->numParams; ++i) {
        const float v = effect.Get(i);
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
    const vst2::AEffect* record = effect.Record();
    if (!record || frames <= 0)
        return;
    const std::size_t n = static_cast<std::size_t>(frames);
    const std::size_t ins = static_cast<std::size_t>(record->numInputs);
    const std::size_t outs = static_cast<std::size_t>(record->numOutputs);
    const bool clipOn = ClipIsOn(*this);

    std::vector<std::vector<float>> in(ins);
    for (std::size_t c = 0; c < ins; ++c)
        in[c] = TestSignalFloat(frames, static_cast<int>(c));
    std::vector<std::vector<float>> out(outs, std::vector<float>(n, 0.0f));
    effect.ProcessReplacing(in, out, frames);
    CheckOutputs(out, clipOn);
    effect.ProcessAccumulating(in, out, frames);

    std::vector<std::vector<double>> inD;
    for (const std::vector<float>& source : in)
        inD.emplace_back(source.begin(), source.end());
    std::vector<std::vector<double>> outD(outs, std::vector<double>(n, 0.0));
    effect.ProcessDouble(inD, outD, frames);
    CheckOutputs(outD, clipOn);
}

void FuzzHost::Inspect(const testhost::HostCall& call, void* ptr)
{
    // Before the entry point returns the host does not know the record yet.
    if (IsOpen())
        FUZZ_CHECK(call.effect == effect.Record(), "host call from another record", call.opcode);
    switch (call.opcode) {
    case vst2::audioMasterAutomate:
    case vst2::audioMasterBeginEdit:
    case vst2::audioMasterEndEdit:
        // Hosts index their own parameter tables with this.
        FUZZ_CHECK(call.effect != nullptr && call.index >= 0 && call.index < call.effect->numParams,
                   "host call for no parameter", call.index);
        break;
    case vst2::audioMasterProcessEvents:
        CheckOutgoingEvents(static_cast<const vst2::VstEvents*>(ptr));
        break;
    default:
        break;
    }
}

}  // namespace kestrelon
