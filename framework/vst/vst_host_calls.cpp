// The base's host-facing operations as host callback calls.
#include "framework/vst/vst_effect.h"

namespace kestrelon {

namespace {

constexpr vst2::VstInt32 kTimeInfoFlags = vst2::kVstPpqPosValid | vst2::kVstTempoValid | vst2::kVstBarsValid |
                                          vst2::kVstCyclePosValid | vst2::kVstTimeSigValid;

}  // namespace

vst2::VstIntPtr IEffectVST::CallHost(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                     float opt)
{
    return audioMaster ? audioMaster(&effect, opcode, index, value, ptr, opt) : 0;
}

// The host's transport record for this block, or null. The record belongs
// to the host and is only read here.
const vst2::VstTimeInfo* IEffectVST::HostTime(vst2::VstInt32 wantedFlags)
{
    return reinterpret_cast<const vst2::VstTimeInfo*>(CallHost(vst2::audioMasterGetTime, 0, wantedFlags));
}

// UI thread, mutex held (a control's press).
void IEffectVST::HostBeginParamEdit(int index)
{
    CallHost(vst2::audioMasterBeginEdit, index);
}

// UI thread, mutex held (a control's move).
void IEffectVST::HostParamChanged(int index, double normalised)
{
    CallHost(vst2::audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalised));
}

// UI thread, mutex held (a control's release).
void IEffectVST::HostEndParamEdit(int index)
{
    CallHost(vst2::audioMasterEndEdit, index);
}

// UI thread, mutex held (the editor resized itself). The host answers 1
// when it resized its window.
bool IEffectVST::HostResizeEditor(int width, int height)
{
    return CallHost(vst2::audioMasterSizeWindow, width, height) != 0;
}

// Any thread, mutex held.
void IEffectVST::HostUpdateDisplay()
{
    CallHost(vst2::audioMasterUpdateDisplay);
}

// Any thread, mutex held.
bool IEffectVST::RenderingOffline()
{
    return CallHost(vst2::audioMasterGetCurrentProcessLevel) == vst2::kVstProcessLevelOffline;
}

// Audio thread, mutex held.
int IEffectVST::HostSamplePosition()
{
    const vst2::VstTimeInfo* time = HostTime(0);
    if (!time || !(time->samplePos >= 0.0))
        return 0;
    const double rounded = time->samplePos + 0.5;
    // Beyond the int range the position cannot be told; the largest is the nearest.
    return rounded < 2147483647.0 ? static_cast<int>(rounded) : 2147483647;
}

// Audio thread, mutex held.
double IEffectVST::HostTempo()
{
    const vst2::VstTimeInfo* time = HostTime(vst2::kVstTempoValid);
    if (time && (time->flags & vst2::kVstTempoValid) && time->tempo >= 0.0)
        return time->tempo;
    return 0.0;
}

// Audio thread, mutex held.
void IEffectVST::HostTimeSignature(int* numerator, int* denominator)
{
    if (numerator)
        *numerator = 0;
    if (denominator)
        *denominator = 0;
    const vst2::VstTimeInfo* time = HostTime(vst2::kVstTimeSigValid);
    if (!time || !(time->flags & vst2::kVstTimeSigValid) || time->timeSigNumerator < 0 || time->timeSigDenominator < 0)
        return;
    if (numerator)
        *numerator = time->timeSigNumerator;
    if (denominator)
        *denominator = time->timeSigDenominator;
}

// Audio thread, mutex held. Fields the host does not vouch for keep what the
// caller put there.
void IEffectVST::HostTimeInfo(TransportInfo* info)
{
    if (!info)
        return;
    const vst2::VstTimeInfo* time = HostTime(kTimeInfoFlags);
    if (!time || !(time->flags & kTimeInfoFlags))
        return;
    const vst2::VstInt32 flags = time->flags;
    info->samplePos = time->samplePos;
    if ((flags & vst2::kVstPpqPosValid) && time->ppqPos >= 0.0)
        info->ppqPos = time->ppqPos;
    if ((flags & vst2::kVstTempoValid) && time->tempo > 0.0)
        info->tempo = time->tempo;
    if ((flags & vst2::kVstBarsValid) && time->barStartPos >= 0.0)
        info->lastBarPos = time->barStartPos;
    if ((flags & vst2::kVstCyclePosValid) && time->cycleStartPos >= 0.0 && time->cycleEndPos >= 0.0) {
        info->cycleStart = time->cycleStartPos;
        info->cycleEnd = time->cycleEndPos;
    }
    if ((flags & vst2::kVstTimeSigValid) && time->timeSigNumerator > 0 && time->timeSigDenominator > 0) {
        info->numerator = time->timeSigNumerator;
        info->denominator = time->timeSigDenominator;
    }
    info->transportRunning = (flags & vst2::kVstTransportPlaying) != 0;
    info->loopEnabled = (flags & vst2::kVstTransportCycleActive) != 0;
}

// Audio thread, mutex held. The event records live on this stack frame: the
// host copies what it keeps before the call returns.
bool IEffectVST::SendMidiToHost(const MidiMessage& message)
{
    vst2::VstMidiEvent event{};
    event.type = vst2::kVstMidiType;
    event.byteSize = sizeof(vst2::VstMidiEvent);
    event.deltaFrames = message.offset;
    event.midiData[0] = static_cast<char>(message.status);
    event.midiData[1] = static_cast<char>(message.data1);
    event.midiData[2] = static_cast<char>(message.data2);
    vst2::VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<vst2::VstEvent*>(&event);
    events.events[1] = nullptr;
    return CallHost(vst2::audioMasterProcessEvents, 0, 0, &events) == 1;
}

// Audio thread, mutex held.
bool IEffectVST::SendSysExToHost(const SysExMessage& message)
{
    vst2::VstMidiSysexEvent event{};
    event.type = vst2::kVstSysExType;
    event.byteSize = sizeof(vst2::VstMidiSysexEvent);
    event.deltaFrames = message.offset;
    event.dumpBytes = message.size;
    event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message.data));
    vst2::VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<vst2::VstEvent*>(&event);
    events.events[1] = nullptr;
    return CallHost(vst2::audioMasterProcessEvents, 0, 0, &events) == 1;
}

}  // namespace kestrelon
