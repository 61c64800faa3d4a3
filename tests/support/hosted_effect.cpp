#include "tests/support/hosted_effect.h"

#include <cstring>
#include <memory>
#include <utility>

namespace kestrelon {

namespace testhost {

HostedEffect::HostedEffect(vst2::VstPluginMainProc entry, vst2::audioMasterCallback host)
{
    Create(entry, host);
}

HostedEffect::~HostedEffect()
{
    Close();
}

HostedEffect::HostedEffect(HostedEffect&& other) noexcept
    : effect(std::exchange(other.effect, nullptr)), sentOpen(std::exchange(other.sentOpen, false))
{}

HostedEffect& HostedEffect::operator=(HostedEffect&& other) noexcept
{
    if (this != &other) {
        Close();
        effect = std::exchange(other.effect, nullptr);
        sentOpen = std::exchange(other.sentOpen, false);
    }
    return *this;
}

bool HostedEffect::Create(vst2::VstPluginMainProc entry, vst2::audioMasterCallback host)
{
    Close();
    effect = entry ? entry(host) : nullptr;
    return effect != nullptr;
}

vst2::VstIntPtr HostedEffect::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                       float opt)
{
    if (!effect)
        return 0;
    if (opcode == vst2::effClose)
        return Close();
    if (opcode == vst2::effOpen)
        sentOpen = true;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

vst2::VstIntPtr HostedEffect::Close()
{
    if (!effect)
        return 0;
    // The record dies inside this call; forget it first.
    vst2::AEffect* closing = effect;
    effect = nullptr;
    sentOpen = false;
    return closing->dispatcher(closing, vst2::effClose, 0, 0, nullptr, 0.0f);
}

void HostedEffect::Start(float sampleRate, vst2::VstInt32 blockSize)
{
    Dispatch(vst2::effOpen);
    Dispatch(vst2::effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(vst2::effSetBlockSize, 0, blockSize);
    Dispatch(vst2::effMainsChanged, 0, 1);
}

float HostedEffect::Get(vst2::VstInt32 index) const
{
    return effect ? effect->getParameter(effect, index) : 0.0f;
}

void HostedEffect::Set(vst2::VstInt32 index, float normalised)
{
    if (effect)
        effect->setParameter(effect, index, normalised);
}

std::string HostedEffect::TextAnswer::Text() const
{
    const void* end = std::memchr(buffer.data(), 0, buffer.size());
    const std::size_t n = end ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer.data()) : buffer.size();
    return std::string(buffer.data(), n);
}

bool HostedEffect::TextAnswer::Untouched() const
{
    return BytesWritten() == 0;
}

std::size_t HostedEffect::TextAnswer::BytesWritten() const
{
    for (std::size_t i = buffer.size(); i > 0; --i) {
        if (buffer[i - 1] != kCanary)
            return i;
    }
    return 0;
}

HostedEffect::TextAnswer HostedEffect::AskText(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value,
                                               float opt)
{
    TextAnswer answer;
    answer.buffer.assign(kTextBufferSize, kCanary);
    answer.result = Dispatch(opcode, index, value, answer.buffer.data(), opt);
    return answer;
}

bool HostedEffect::TypeText(vst2::VstInt32 index, const std::string& text)
{
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Dispatch(vst2::effString2Parameter, index, 0, copy.data()) != 0;
}

std::vector<std::uint8_t> HostedEffect::GetChunk(bool bank)
{
    void* data = nullptr;
    const vst2::VstIntPtr size = Dispatch(vst2::effGetChunk, bank ? 0 : 1, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

vst2::VstIntPtr HostedEffect::SetChunk(bool bank, const std::vector<std::uint8_t>& bytes)
{
    return SetChunkAt(bank ? 0 : 1, bytes);
}

vst2::VstIntPtr HostedEffect::SetChunkAt(vst2::VstInt32 index, const std::vector<std::uint8_t>& bytes)
{
    // A host hands over its own copy; an empty chunk still gets a valid pointer.
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.empty() ? 1 : bytes.size()]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return Dispatch(vst2::effSetChunk, index, static_cast<vst2::VstIntPtr>(bytes.size()), copy.get());
}

const vst2::ERect* HostedEffect::EditorRect()
{
    vst2::ERect* rect = nullptr;
    if (Dispatch(vst2::effEditGetRect, 0, 0, &rect) != 1)
        return nullptr;
    return rect;
}

void HostedEffect::ProcessReplacing(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                                    vst2::VstInt32 frames)
{
    std::vector<float*> inputs = ChannelPointers(in);
    std::vector<float*> outputs = ChannelPointers(out);
    ProcessReplacing(inputs.data(), outputs.data(), frames);
}

void HostedEffect::ProcessAccumulating(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                                       vst2::VstInt32 frames)
{
    std::vector<float*> inputs = ChannelPointers(in);
    std::vector<float*> outputs = ChannelPointers(out);
    ProcessAccumulating(inputs.data(), outputs.data(), frames);
}

void HostedEffect::ProcessDouble(std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out,
                                 vst2::VstInt32 frames)
{
    std::vector<double*> inputs = ChannelPointers(in);
    std::vector<double*> outputs = ChannelPointers(out);
    ProcessDouble(inputs.data(), outputs.data(), frames);
}

}  // namespace testhost

}  // namespace kestrelon
