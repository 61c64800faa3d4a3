// The CLAP plug-in's life, its processing with sample-accurate parameter
// events, and the editor's edits on their way to the host as output events.
#include "framework/clap/clap_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrelon {

IEffectCLAP::IEffectCLAP(const EffectDescription& description, const clap::clap_plugin_descriptor* descriptor,
                         const clap::clap_host* clapHost)
    : IEffectBase(description), host(clapHost)
{
    record.desc = descriptor;
    record.plugin_data = this;
    FillCLAPRecord(record);
    // Stereo in and out, every channel in use: the audio ports offer no other
    // layout.
    for (int i = 0; i < InputChannelCount(); ++i)
        SetInputConnected(i, true);
    for (int i = 0; i < OutputChannelCount(); ++i)
        SetOutputConnected(i, true);
}

IEffectCLAP::~IEffectCLAP() = default;

IEffectCLAP* IEffectCLAP::FromRecord(const clap::clap_plugin* plugin)
{
    return plugin ? static_cast<IEffectCLAP*>(plugin->plugin_data) : nullptr;
}

template <typename Extension>
const Extension* IEffectCLAP::HostExtension(const char* id) const
{
    if (!host || !host->get_extension)
        return nullptr;
    return static_cast<const Extension*>(host->get_extension(host, id));
}

bool IEffectCLAP::Init()
{
    MutexLock lock(mutex);
    // The host's extensions may be asked for from init on, not before.
    hostParams = HostExtension<clap::clap_host_params>(clap::CLAP_EXT_PARAMS);
    hostLatency = HostExtension<clap::clap_host_latency>(clap::CLAP_EXT_LATENCY);
    hostGui = HostExtension<clap::clap_host_gui>(clap::CLAP_EXT_GUI);
    hostTimer = HostExtension<clap::clap_host_timer_support>(clap::CLAP_EXT_TIMER_SUPPORT);
    hostState = HostExtension<clap::clap_host_state>(clap::CLAP_EXT_STATE);
    NotifyAllParamsChanged();
    Reset();
    return true;
}

bool IEffectCLAP::Activate(double rate, std::uint32_t, std::uint32_t maxFrames)
{
    MutexLock lock(mutex);
    if (active || !(std::isfinite(rate) && rate > 0.0) || maxFrames == 0)
        return false;
    const int before = latency;
    sampleRate = rate;
    SetMaxBlockSize(static_cast<int>(std::min<std::uint32_t>(maxFrames, kLargestBlock)));
    Reset();
    ActivationChanged(true);
    active = true;
    // Activation is the one time the latency may change without a restart.
    if (latency != before && hostLatency && hostLatency->changed)
        hostLatency->changed(host);
    return true;
}

void IEffectCLAP::Deactivate()
{
    MutexLock lock(mutex);
    if (!active)
        return;
    active = false;
    processing = false;
    ActivationChanged(false);
    Reset();
}

bool IEffectCLAP::StartProcessing()
{
    MutexLock lock(mutex);
    processing = active;
    return active;
}

void IEffectCLAP::StopProcessing()
{
    MutexLock lock(mutex);
    processing = false;
}

void IEffectCLAP::ResetProcessing()
{
    MutexLock lock(mutex);
    if (active)
        Reset();
}

std::uint32_t IEffectCLAP::LatencySamples() const
{
    // A reset on the audio thread writes it, under the lock.
    MutexLock lock(mutex);
    return latency > 0 ? static_cast<std::uint32_t>(latency) : 0u;
}

void IEffectCLAP::OnMainThread()
{
    MutexLock lock(mutex);
    if (rescanTexts && hostParams && hostParams->rescan) {
        rescanTexts = false;
        hostParams->rescan(host, clap::CLAP_PARAM_RESCAN_VALUES | clap::CLAP_PARAM_RESCAN_TEXT);
    }
}

void IEffectCLAP::ApplyEvent(const clap::clap_event_header* event)
{
    if (!event || event->space_id != clap::CLAP_CORE_EVENT_SPACE_ID || event->type != clap::CLAP_EVENT_PARAM_VALUE ||
        event->size < sizeof(clap::clap_event_param_value))
        return;
    const auto* change = reinterpret_cast<const clap::clap_event_param_value*>(event);
    IParameter* param = ParamById(change->param_id);
    if (!param)
        return;
    double v = change->value;
    // A stepped parameter lands on its step, as a normalised value from a
    // VST 2.4 host does.
    if (param->Type() != ParamKind::KindContinuous && std::isfinite(v) && param->Step() > 0.0)
        v = std::floor(v / param->Step() + 0.5) * param->Step();
    const double before = param->Value();
    param->Set(v);
    if (param->Value() == before)
        return;
    const int index = static_cast<int>(change->param_id);
    HandleParamChange(index);
    // The switch is the one control the change handler does not move.
    if (editor)
        editor->UpdateControlsFromPlugin(index, param->ToNormalized(param->Value()), true);
}

void IEffectCLAP::ApplyEvents(const clap::clap_input_events* in, std::uint32_t first, std::uint32_t end)
{
    for (std::uint32_t i = first; i < end; ++i)
        ApplyEvent(in->get(in, i));
}

void IEffectCLAP::RenderSpan(const clap::clap_process& process, std::uint32_t offset, std::uint32_t frames)
{
    const clap::clap_audio_buffer* in = process.audio_inputs_count > 0 ? process.audio_inputs : nullptr;
    const clap::clap_audio_buffer* out = process.audio_outputs_count > 0 ? process.audio_outputs : nullptr;
    constexpr std::uint32_t kChannels = 2;
    const int n = static_cast<int>(frames);
    // A channel the host does not give reads as silence and is not written.
    if (out && out->data64) {
        double* ins[kChannels] = {};
        double* outs[kChannels] = {};
        for (std::uint32_t c = 0; c < kChannels; ++c) {
            if (in && in->data64 && c < in->channel_count && in->data64[c])
                ins[c] = in->data64[c] + offset;
            if (c < out->channel_count && out->data64[c])
                outs[c] = out->data64[c] + offset;
        }
        ProcessDoubleReplacing(ins, outs, n);
        return;
    }
    float* ins[kChannels] = {};
    float* outs[kChannels] = {};
    for (std::uint32_t c = 0; c < kChannels; ++c) {
        if (in && in->data32 && c < in->channel_count && in->data32[c])
            ins[c] = in->data32[c] + offset;
        if (out && out->data32 && c < out->channel_count && out->data32[c])
            outs[c] = out->data32[c] + offset;
    }
    ProcessFloatReplacing(ins, outs, n);
}

clap::clap_process_status IEffectCLAP::Process(const clap::clap_process* process)
{
    MutexLock lock(mutex);
    if (!process || !active)
        return clap::CLAP_PROCESS_ERROR;
    const clap::clap_input_events* in = process->in_events;
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    const std::uint32_t frames = process->frames_count;
    // The block is split at every event's sample, so a change takes effect
    // exactly there; the engine still sees each change once.
    std::uint32_t next = 0;
    for (std::uint32_t done = 0; done < frames;) {
        std::uint32_t end = frames;
        for (; next < count; ++next) {
            const clap::clap_event_header* event = in->get(in, next);
            // Events come sorted by time; one out of order takes effect at
            // once rather than never.
            if (event && event->time > done) {
                end = std::min(event->time, frames);
                break;
            }
            ApplyEvent(event);
        }
        if (end > done)
            RenderSpan(*process, done, end - done);
        done = end;
    }
    // Events at or beyond the block's end (or in an empty block) still count.
    if (next < count)
        ApplyEvents(in, next, count);
    SendOutputEvents(process->out_events);
    return clap::CLAP_PROCESS_CONTINUE;
}

void IEffectCLAP::Flush(const clap::clap_input_events* in, const clap::clap_output_events* out)
{
    MutexLock lock(mutex);
    if (in && in->size && in->get)
        ApplyEvents(in, 0, in->size(in));
    SendOutputEvents(out);
}

void IEffectCLAP::QueueOutputEvent(std::uint16_t type, int index, double value)
{
    if (index < 0 || index >= ParamCount())
        return;
    auto at = [this](int i) -> OutputEvent& { return outputEvents[(outputEventStart + i) % kOutputEventCapacity]; };
    const auto param = static_cast<clap::clap_id>(index);
    // A value that follows one of the same parameter replaces it: the host
    // has not seen the earlier one yet, and a drag sends hundreds.
    if (type == clap::CLAP_EVENT_PARAM_VALUE && outputEventCount > 0) {
        OutputEvent& newest = at(outputEventCount - 1);
        if (newest.type == type && newest.param == param) {
            newest.value = value;
            return;
        }
    }
    if (outputEventCount == kOutputEventCapacity) {
        // The oldest value makes room; gestures are kept, or the host would
        // be left inside one. Only a ring of nothing but gestures loses one.
        int drop = 0;
        while (drop < outputEventCount && at(drop).type != clap::CLAP_EVENT_PARAM_VALUE)
            ++drop;
        if (drop == outputEventCount) {
            if (type == clap::CLAP_EVENT_PARAM_VALUE)
                return;
            drop = 0;
        }
        for (int i = drop; i > 0; --i)
            at(i) = at(i - 1);
        outputEventStart = (outputEventStart + 1) % kOutputEventCapacity;
        --outputEventCount;
    }
    OutputEvent& slot = at(outputEventCount);
    slot.type = type;
    slot.param = param;
    slot.value = value;
    ++outputEventCount;
}

void IEffectCLAP::SendOutputEvents(const clap::clap_output_events* out)
{
    if (!out || !out->try_push)
        return;
    while (outputEventCount > 0) {
        const OutputEvent& pending = outputEvents[outputEventStart];
        bool pushed = false;
        if (pending.type == clap::CLAP_EVENT_PARAM_VALUE) {
            clap::clap_event_param_value event{};
            event.header = {sizeof event, 0, clap::CLAP_CORE_EVENT_SPACE_ID, pending.type, 0};
            event.param_id = pending.param;
            event.cookie = nullptr;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = pending.value;
            pushed = out->try_push(out, &event.header);
        } else {
            clap::clap_event_param_gesture event{};
            event.header = {sizeof event, 0, clap::CLAP_CORE_EVENT_SPACE_ID, pending.type, 0};
            event.param_id = pending.param;
            pushed = out->try_push(out, &event.header);
        }
        if (!pushed)
            return;  // the host's list is full: the rest go next time
        outputEventStart = (outputEventStart + 1) % kOutputEventCapacity;
        --outputEventCount;
    }
}

void IEffectCLAP::RequestFlush()
{
    // While processing, the next block takes the events anyway.
    if (!processing && hostParams && hostParams->request_flush)
        hostParams->request_flush(host);
}

void IEffectCLAP::HostBeginParamEdit(int index)
{
    MutexLock lock(mutex);
    QueueOutputEvent(clap::CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
    RequestFlush();
}

void IEffectCLAP::HostParamChanged(int index, double)
{
    MutexLock lock(mutex);
    // The host hears the plain value the parameter took.
    const IParameter* param = ParamAt(index);
    if (!param)
        return;
    QueueOutputEvent(clap::CLAP_EVENT_PARAM_VALUE, index, param->Value());
    RequestFlush();
    if (hostState && hostState->mark_dirty)
        hostState->mark_dirty(host);
}

void IEffectCLAP::HostEndParamEdit(int index)
{
    MutexLock lock(mutex);
    QueueOutputEvent(clap::CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
    RequestFlush();
}

void IEffectCLAP::HostUpdateDisplay()
{
    MutexLock lock(mutex);
    rescanTexts = true;
    if (host && host->request_callback)
        host->request_callback(host);
}

void IEffectCLAP::HostTimeSignature(int* numerator, int* denominator)
{
    if (numerator)
        *numerator = 4;
    if (denominator)
        *denominator = 4;
}

}  // namespace kestrelon
