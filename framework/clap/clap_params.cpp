// What the host reads of the plug-in on its main thread: the audio ports, the
// parameters and their texts, and the state, which is the VST 2.4 program
// chunk byte for byte so a preset moves between the formats.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "framework/clap/clap_effect.h"
#include "text/leading_number.h"
#include "text/text_copy.h"

namespace kestrelon {

namespace {

// A state larger than this is not one of ours (ours is under a hundred
// bytes); reading stops there instead of taking whatever a stream holds.
constexpr std::uint64_t kLargestState = 1 << 20;

void CopyName(char* dest, std::size_t capacity, const char* text)
{
    CopyTextTruncated(dest, capacity, text ? text : "");
}

// Whether a typed text starts with a number: blanks, a sign, then a digit or
// a point and a digit. ParseLeadingNumber reads anything else as 0, which
// the host would take for an answer.
bool StartsWithNumber(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text == '+' || *text == '-')
        ++text;
    if (*text == '.')
        ++text;
    return std::isdigit(static_cast<unsigned char>(*text)) != 0;
}

}  // namespace

std::uint32_t IEffectCLAP::AudioPortCount(bool isInput) const
{
    return (isInput ? InputChannelCount() : OutputChannelCount()) > 0 ? 1 : 0;
}

bool IEffectCLAP::AudioPortInfo(std::uint32_t index, bool isInput, clap::clap_audio_port_info* info) const
{
    if (!info || index >= AudioPortCount(isInput))
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    CopyName(info->name, sizeof info->name, isInput ? "Input" : "Output");
    info->flags = clap::CLAP_AUDIO_PORT_IS_MAIN | clap::CLAP_AUDIO_PORT_SUPPORTS_64BITS |
                  clap::CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    info->channel_count = static_cast<std::uint32_t>(isInput ? InputChannelCount() : OutputChannelCount());
    info->port_type = info->channel_count == 2 ? clap::CLAP_PORT_STEREO : nullptr;
    // The output may overwrite the input: the input is copied or read before
    // each sample is written.
    info->in_place_pair = 0;
    return true;
}

bool IEffectCLAP::ParamInfo(std::uint32_t index, clap::clap_param_info* info) const
{
    MutexLock lock(mutex);
    const IParameter* param = ParamById(index);
    if (!info || !param)
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = index;
    info->flags = clap::CLAP_PARAM_IS_AUTOMATABLE;
    if (param->Type() != ParamKind::KindContinuous)
        info->flags |= clap::CLAP_PARAM_IS_STEPPED;
    info->cookie = nullptr;
    CopyName(info->name, sizeof info->name, param->GetName());
    CopyName(info->module, sizeof info->module, "");
    info->min_value = param->MinValue();
    info->max_value = param->MaxValue();
    info->default_value = param->DefaultValue();
    return true;
}

bool IEffectCLAP::ParamValue(clap::clap_id id, double* value) const
{
    MutexLock lock(mutex);
    const IParameter* param = ParamById(id);
    if (!param || !value)
        return false;
    *value = param->Value();
    return true;
}

bool IEffectCLAP::ValueToText(clap::clap_id id, double value, char* text, std::uint32_t capacity) const
{
    MutexLock lock(mutex);
    const IParameter* param = ParamById(id);
    if (!param || !text || capacity == 0)
        return false;
    // The VST 2.4 display text of the value the parameter would take, and
    // its unit after a space: CLAP has no separate label.
    IParameter shown = *param;
    shown.Set(value);
    char display[kParamTextSize] = {};
    shown.GetDisplayText(shown.Value(), false, display, true);
    const char* label = shown.GetDisplayLabel();
    char whole[2 * kParamTextSize + 1] = {};
    std::snprintf(whole, sizeof whole, label && label[0] ? "%s %s" : "%s", display, label);
    CopyName(text, capacity, whole);
    return true;
}

bool IEffectCLAP::TextToValue(clap::clap_id id, const char* text, double* value) const
{
    MutexLock lock(mutex);
    const IParameter* param = ParamById(id);
    if (!param || !text || !value)
        return false;
    double v = 0.0;
    if (param->GetDisplayTextCount() > 0) {
        if (!param->FindValueByText(text, &v))
            return false;
    } else {
        if (!StartsWithNumber(text))
            return false;
        v = ParseLeadingNumber(text);  // "3.5 dB" reads 3.5, as the VST 2.4 plug-in takes it
    }
    *value = std::clamp(v, param->MinValue(), param->MaxValue());
    return true;
}

bool IEffectCLAP::SaveState(const clap::clap_ostream* stream)
{
    MutexLock lock(mutex);
    if (!stream || !stream->write)
        return false;
    WriteChunkHeader(stateChunk);
    if (!WriteState(stateChunk) || stateChunk.Size() == 0)
        return false;
    const std::uint8_t* bytes = stateChunk.Data();
    std::uint64_t done = 0;
    const std::uint64_t size = static_cast<std::uint64_t>(stateChunk.Size());
    // A stream may take fewer bytes than offered; 0 or -1 is the end.
    while (done < size) {
        const std::int64_t n = stream->write(stream, bytes + done, size - done);
        if (n <= 0 || static_cast<std::uint64_t>(n) > size - done)
            return false;
        done += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool IEffectCLAP::LoadState(const clap::clap_istream* stream)
{
    MutexLock lock(mutex);
    if (!stream || !stream->read)
        return false;
    ChunkBuffer incoming;
    std::uint8_t block[4096];
    for (;;) {
        const std::int64_t n = stream->read(stream, block, sizeof block);
        if (n == 0)
            break;
        if (n < 0 || n > static_cast<std::int64_t>(sizeof block) ||
            static_cast<std::uint64_t>(incoming.Size()) + static_cast<std::uint64_t>(n) > kLargestState)
            return false;
        incoming.PutBytes(block, static_cast<int>(n));
    }
    // A state that does not read whole leaves the plug-in as it was: the
    // reading sets values as it goes, so the current state is kept aside and
    // put back.
    ChunkBuffer kept;
    WriteChunkHeader(kept);
    if (!WriteState(kept))
        return false;
    int pos = 0;
    ReadChunkHeader(incoming, pos);
    if (incoming.Size() == 0 || pos < 0 || ReadState(incoming, pos) < 0) {
        int keptPos = 0;
        ReadChunkHeader(kept, keptPos);
        ReadState(kept, keptPos);
        PushParamsToEditor();
        return false;
    }
    ModifyCurrentPreset(nullptr);
    PushParamsToEditor();
    return true;
}

}  // namespace kestrelon
