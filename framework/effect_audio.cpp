// The process path: host buffers to the double-precision arrays that
// ProcessBlock receives, and back. Nothing here allocates; the scratch
// buffers are sized by SetMaxBlockSize only.
#include <algorithm>

#include "framework/effect_base.h"

namespace kestrelon {

void IEffectBase::ProcessBlock(double** inputs, double** outputs, int frames)
{
    const int channels = static_cast<int>(outputPointers.size());
    for (int i = 0; i < channels; ++i) {
        double* out = outputs[i];
        if (!out)
            continue;
        const double* in = i < static_cast<int>(inputPointers.size()) ? inputs[i] : nullptr;
        if (in)
            std::copy(in, in + frames, out);  // std::copy tolerates in == out
        else
            std::fill(out, out + frames, 0.0);
    }
}

void IEffectBase::SetMaxBlockSize(int frames)
{
    if (frames == maxBlockSize || frames < 0)
        return;
    const std::size_t n = static_cast<std::size_t>(frames);
    // Every slot goes back to its scratch: a connected channel is bound to the
    // host's buffers again at its next process call, and no slot is left
    // pointing at a freed buffer in between.
    for (InputChannel& channel : inputChannels) {
        channel.scratch.assign(n, 0.0);
        RebindToScratch(channel);
    }
    for (OutputChannel& channel : outputChannels) {
        channel.scratch.assign(n, 0.0);
        channel.floatDest = nullptr;
        RebindToScratch(channel);
    }
    maxBlockSize = frames;
}

bool IEffectBase::IsInputConnected(int index) const
{
    return index >= 0 && index < InputChannelCount() && inputChannels[static_cast<std::size_t>(index)].connected;
}

bool IEffectBase::IsOutputConnected(int index) const
{
    return index >= 0 && index < OutputChannelCount() && outputChannels[static_cast<std::size_t>(index)].connected;
}

void IEffectBase::SetInputConnected(int index, bool connected)
{
    if (index < 0 || index >= InputChannelCount())
        return;
    InputChannel& channel = inputChannels[static_cast<std::size_t>(index)];
    channel.connected = connected;
    if (!connected) {
        // An input taken out of use reads silence, not the last block the
        // host gave it, which would go on driving the detector.
        std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
        RebindToScratch(channel);
    }
}

void IEffectBase::SetOutputConnected(int index, bool connected)
{
    if (index < 0 || index >= OutputChannelCount())
        return;
    OutputChannel& channel = outputChannels[static_cast<std::size_t>(index)];
    channel.connected = connected;
    if (!connected) {
        channel.floatDest = nullptr;
        RebindToScratch(channel);
    }
}

const char* IEffectBase::InputLabel(int index) const
{
    return index >= 0 && index < InputChannelCount() ? inputChannels[static_cast<std::size_t>(index)].label : "";
}

const char* IEffectBase::OutputLabel(int index) const
{
    return index >= 0 && index < OutputChannelCount() ? outputChannels[static_cast<std::size_t>(index)].label : "";
}

void IEffectBase::BindFloatBuffers(float* const* hostIn, float* const* hostOut, int frames, int offset)
{
    // The scratch buffers hold maxBlockSize samples; longer calls come in slices.
    frames = std::clamp(frames, 0, maxBlockSize);
    int k = 0;
    for (InputChannel& channel : inputChannels) {
        if (!channel.connected)
            continue;
        const float* source = hostIn ? hostIn[k] : nullptr;
        ++k;
        double* scratch = channel.scratch.data();
        if (source)
            std::copy(source + offset, source + offset + frames, scratch);
        else
            std::fill(scratch, scratch + frames, 0.0);
        *channel.slot = scratch;
    }
    k = 0;
    for (OutputChannel& channel : outputChannels) {
        if (!channel.connected)
            continue;
        float* dest = hostOut ? hostOut[k] : nullptr;
        ++k;
        *channel.slot = channel.scratch.data();
        channel.floatDest = dest ? dest + offset : nullptr;
    }
}

void IEffectBase::RenderFloat(int frames, bool accumulate)
{
    frames = std::clamp(frames, 0, maxBlockSize);
    if (frames == 0)
        return;
    ProcessBlock(inputPointers.data(), outputPointers.data(), frames);
    for (OutputChannel& channel : outputChannels) {
        if (!channel.connected || !channel.floatDest)
            continue;
        const double* source = *channel.slot;
        float* dest = channel.floatDest;
        if (accumulate) {
            // The sum is formed in single precision, as the host's buffer is.
            for (int i = 0; i < frames; ++i)
                dest[i] = dest[i] + static_cast<float>(source[i]);
        } else {
            for (int i = 0; i < frames; ++i)
                dest[i] = static_cast<float>(source[i]);
        }
    }
}

void IEffectBase::RenderFloatReplacing(int frames)
{
    RenderFloat(frames, false);
}

void IEffectBase::RenderFloatAccumulating(int frames)
{
    RenderFloat(frames, true);
}

void IEffectBase::BindDoubleBuffers(double* const* hostIn, double* const* hostOut, int frames, int offset)
{
    // The host's own buffers go straight to ProcessBlock; only a missing
    // buffer falls back to scratch (silence in, discarded out), which is why
    // frames is limited to maxBlockSize here too.
    frames = std::clamp(frames, 0, maxBlockSize);
    int k = 0;
    for (InputChannel& channel : inputChannels) {
        if (!channel.connected)
            continue;
        double* source = hostIn ? hostIn[k] : nullptr;
        ++k;
        if (source) {
            *channel.slot = source + offset;
        } else {
            std::fill(channel.scratch.begin(), channel.scratch.begin() + frames, 0.0);
            *channel.slot = channel.scratch.data();
        }
    }
    k = 0;
    for (OutputChannel& channel : outputChannels) {
        if (!channel.connected)
            continue;
        double* dest = hostOut ? hostOut[k] : nullptr;
        ++k;
        *channel.slot = dest ? dest + offset : channel.scratch.data();
    }
}

namespace {

template <typename Sample>
void SilenceConnected(const std::vector<OutputChannel>& channels, Sample* const* hostOut, int frames)
{
    if (!hostOut || frames <= 0)
        return;
    int k = 0;
    for (const OutputChannel& channel : channels) {
        if (!channel.connected)
            continue;
        if (Sample* dest = hostOut[k++])
            std::fill(dest, dest + frames, Sample(0));
    }
}

}  // namespace

void IEffectBase::SilenceHostOutputs(float* const* hostOut, int frames)
{
    SilenceConnected(outputChannels, hostOut, frames);
}

void IEffectBase::SilenceHostOutputs(double* const* hostOut, int frames)
{
    SilenceConnected(outputChannels, hostOut, frames);
}

void IEffectBase::ProcessFloat(float* const* hostIn, float* const* hostOut, int frames, bool accumulate)
{
    MutexLock lock(mutex);
    if (maxBlockSize <= 0) {
        // No block size yet, so nothing can be rendered; a replacing call
        // still owes the host defined output.
        if (!accumulate)
            SilenceHostOutputs(hostOut, frames);
        return;
    }
    for (int done = 0; done < frames;) {
        const int slice = std::min(maxBlockSize, frames - done);
        BindFloatBuffers(hostIn, hostOut, slice, done);
        RenderFloat(slice, accumulate);
        done += slice;
    }
}

void IEffectBase::ProcessFloatReplacing(float* const* hostIn, float* const* hostOut, int frames)
{
    ProcessFloat(hostIn, hostOut, frames, false);
}

void IEffectBase::ProcessFloatAccumulating(float* const* hostIn, float* const* hostOut, int frames)
{
    ProcessFloat(hostIn, hostOut, frames, true);
}

void IEffectBase::ProcessDoubleReplacing(double* const* hostIn, double* const* hostOut, int frames)
{
    MutexLock lock(mutex);
    if (maxBlockSize <= 0) {
        SilenceHostOutputs(hostOut, frames);
        return;
    }
    for (int done = 0; done < frames;) {
        const int slice = std::min(maxBlockSize, frames - done);
        BindDoubleBuffers(hostIn, hostOut, slice, done);
        ProcessBlock(inputPointers.data(), outputPointers.data(), slice);
        done += slice;
    }
}

}  // namespace kestrelon
