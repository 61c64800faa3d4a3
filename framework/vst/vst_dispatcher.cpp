// The host's requests through the dispatcher, opcode by opcode.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/vst/vst_effect.h"
#include "text/leading_number.h"
#include "text/text_copy.h"

namespace kestrelon {

namespace {

// Capacities of the texts handed to the host, terminator included.
constexpr std::size_t kParamTextCapacity = kParamTextSize;  // names and labels: 31 characters
constexpr std::size_t kNameCapacity = kEffectNameSize;  // effect, product, maker: 127
constexpr std::size_t kPresetNameCapacity = kPresetNameSize;  // preset names: 255

// The largest block the scratch buffers are sized for: 1.5 s at 44.1 kHz,
// above what hosts announce for real-time or offline work. From 8820
// frames on the meters decay at once at any rate up to 327 kHz, so a
// larger announcement would change nothing but the memory taken.
constexpr vst2::VstIntPtr kLargestBlockSize = 65536;

// effVendorSpecific's answer for requests this plug-in understood.
constexpr vst2::VstIntPtr kVendorSpecificDone = 0xBEEF;
constexpr int kVendorDisplayOfNormalised = 7;
constexpr int kVendorIsStepped = 8;

}  // namespace

// UI thread, mutex held by the dispatcher callback.
vst2::VstIntPtr IEffectVST::Dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                     float opt)
{
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst2::effOpen:
        ApplyHostQuirks();
        NotifyAllParamsChanged();
        return 0;
    case vst2::effSetProgram:
        if (!doesChunks)
            ModifyCurrentPreset(nullptr);
        // A program number beyond the int range selects no preset.
        LoadPreset(value >= 0 && value <= 0x7FFFFFFF ? static_cast<int>(value) : -1);
        return 0;
    case vst2::effGetProgram:
        return currentPreset;
    case vst2::effSetProgramName:
        if (text) {
            ModifyCurrentPreset(text);
            PresetChanged();
        }
        return 0;
    case vst2::effGetProgramName:
        if (text)
            CopyTextTruncated(text, kPresetNameCapacity, PresetName(currentPreset));
        return 0;
    case vst2::effGetParamLabel:
        if (text && ParamAt(index))
            CopyTextTruncated(text, kParamTextCapacity, ParamAt(index)->GetDisplayLabel());
        return 0;
    case vst2::effGetParamDisplay:
        if (text && ParamAt(index)) {
            const IParameter* param = ParamAt(index);
            param->GetDisplayText(param->Value(), false, text, true);
        }
        return 0;
    case vst2::effGetParamName:
        if (text && ParamAt(index))
            CopyTextTruncated(text, kParamTextCapacity, ParamAt(index)->GetName());
        return 0;
    case vst2::effSetSampleRate:
        // A rate that is not a positive number would leave every time
        // constant of the engine undefined; the last good rate stays.
        if (std::isfinite(opt) && opt > 0.0f)
            sampleRate = opt;
        Reset();
        return 0;
    case vst2::effSetBlockSize:
        // A negative size means nothing and the last one stays; 0 says the
        // host has not settled on one yet, and processing outputs silence
        // until it has. Scratch is prepared for at most kLargestBlockSize
        // frames: a host's absurd announcement must not ask for gigabytes,
        // and longer calls are processed in slices of that size anyway.
        SetMaxBlockSize(static_cast<int>(std::clamp<vst2::VstIntPtr>(value, -1, kLargestBlockSize)));
        Reset();
        return 0;
    case vst2::effMainsChanged:
        ActivationChanged(value != 0);
        if (value == 0)
            Reset();
        return 0;
    case vst2::effEditGetRect:
        if (ptr && editor) {
            *static_cast<vst2::ERect**>(ptr) = &editorRect;
            return 1;
        }
        return 0;
    case vst2::effEditOpen:
        if (!editor || !editor->OpenWindow(ptr))
            return 0;
        EditorOpened();
        editor->WindowOpened();
        return 1;
    case vst2::effEditClose:
        if (!editor)
            return 0;
        EditorClosing();
        editor->CloseWindow();
        return 1;
    case vst2::effEditIdle:
        if (editor)
            editor->Idle();
        return 0;
    case vst2::effIdentify:
        return vst2::kEffectIdentifyAnswer;
    case vst2::effGetChunk:
        return GetChunk(index, ptr);
    case vst2::effSetChunk:
        return SetChunk(index, value, ptr);
    case vst2::effProcessEvents:
        return ProcessEvents(static_cast<const vst2::VstEvents*>(ptr));
    case vst2::effCanBeAutomated:
        return 1;
    case vst2::effString2Parameter:
        return StringToParameter(index, text);
    case vst2::effGetProgramNameIndexed:
        if (!text)
            return 0;
        CopyTextTruncated(text, kPresetNameCapacity, PresetName(index));
        return text[0] != '\0' ? 1 : 0;
    case vst2::effGetInputProperties:
        return PinProperties(index, static_cast<vst2::VstPinProperties*>(ptr), true);
    case vst2::effGetOutputProperties:
        return PinProperties(index, static_cast<vst2::VstPinProperties*>(ptr), false);
    case vst2::effGetPlugCategory:
        return isInstrument ? vst2::kPlugCategSynth : vst2::kPlugCategEffect;
    case vst2::effSetSpeakerArrangement:
        return SetSpeakerArrangement(reinterpret_cast<const vst2::VstSpeakerArrangement*>(value),
                                     static_cast<const vst2::VstSpeakerArrangement*>(ptr));
    case vst2::effGetEffectName:
        if (!text)
            return 0;
        CopyTextTruncated(text, kNameCapacity, effectName);
        return 1;
    case vst2::effGetVendorString:
        if (!text)
            return 0;
        CopyTextTruncated(text, kNameCapacity, makerName);
        return 1;
    case vst2::effGetProductString:
        if (!text)
            return 0;
        CopyTextTruncated(text, kNameCapacity, productName);
        return 1;
    case vst2::effGetVendorVersion:
        return DecimalVersion(version);
    case vst2::effVendorSpecific:
        return VendorSpecific(index, value, ptr, opt);
    case vst2::effCanDo:
        return CanDo(text);
    case vst2::effGetTailSize:
        return tailSize;
    case vst2::effGetVstVersion:
        return vst2::kVstVersion;
    case vst2::effGetMidiKeyName:
        return MidiKeyNameRequest(static_cast<vst2::VstMidiKeyName*>(ptr));
    case vst2::effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<vst2::VstSpeakerArrangement**>(value) = &inputArrangement;
        if (ptr)
            *static_cast<vst2::VstSpeakerArrangement**>(ptr) = &outputArrangement;
        return 1;
    default:
        // effIdle, effProcessVarIo and everything this plug-in
        // has no use for.
        return 0;
    }
}

// UI thread, mutex held.
vst2::VstIntPtr IEffectVST::GetChunk(int index, void* ptr)
{
    if (!ptr)
        return 0;
    const bool bank = index == 0;
    ChunkBuffer& chunk = bank ? bankChunk : programChunk;
    WriteChunkHeader(chunk);
    bool ok;
    if (bank) {
        ModifyCurrentPreset(nullptr);
        ok = SerializePresets(chunk);
    } else {
        ok = WriteState(chunk);
    }
    if (!ok || chunk.Size() == 0)
        return 0;
    *static_cast<void**>(ptr) = chunk.Data();
    return chunk.Size();
}

// UI thread, mutex held.
vst2::VstIntPtr IEffectVST::SetChunk(int index, vst2::VstIntPtr size, const void* ptr)
{
    // A size that is negative, or too large for any chunk position, is not a
    // chunk of ours.
    if (!ptr || size < 0 || size > 0x7FFFFFFF)
        return 0;
    const bool bank = index == 0;
    ChunkBuffer& chunk = bank ? bankChunk : programChunk;
    chunk.Clear();
    chunk.PutBytes(ptr, static_cast<int>(size));

    int pos = 0;
    const int32_t version = ReadChunkHeader(chunk, pos);
    if (bank && version >= kChunkVersion) {
        pos = UnserializePresets(chunk, pos);
    } else {
        pos = ReadState(chunk, pos);
        ModifyCurrentPreset(nullptr);
    }
    if (pos < 0)
        return 0;
    PushParamsToEditor();
    return 1;
}

// Audio thread (or UI thread for some hosts), mutex held.
vst2::VstIntPtr IEffectVST::ProcessEvents(const vst2::VstEvents* events)
{
    if (!events)
        return 0;
    // The record declares two event pointers but the host allocates as many
    // as numEvents needs: indexing the declared array beyond two is undefined
    // behaviour an optimiser may act on, so the list is read through a pointer.
    vst2::VstEvent* const* list = events->events;
    for (int i = 0; i < events->numEvents; ++i) {
        const vst2::VstEvent* event = list[i];
        if (!event)
            continue;
        if (event->type == vst2::kVstMidiType) {
            const auto* midi = reinterpret_cast<const vst2::VstMidiEvent*>(event);
            MidiMessage message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
            HandleMidiMessage(message);
        } else if (event->type == vst2::kVstSysExType) {
            const auto* sysex = reinterpret_cast<const vst2::VstMidiSysexEvent*>(event);
            SysExMessage message;
            message.offset = sysex->deltaFrames;
            message.size = sysex->dumpBytes;
            message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
            HandleSysEx(message);
        }
    }
    return 1;
}

// UI thread, mutex held. The host set the value itself, so it is not told back.
vst2::VstIntPtr IEffectVST::StringToParameter(int index, const char* text)
{
    IParameter* param = ParamAt(index);
    if (!param)
        return 0;
    if (!text)
        return 1;
    double v = 0.0;
    if (param->GetDisplayTextCount() > 0) {
        if (!param->FindValueByText(text, &v))
            return 0;
    } else {
        v = ParseLeadingNumber(text);
    }
    param->Set(v);
    HandleParamChange(index);
    if (editor)
        editor->UpdateControlsFromPlugin(index, param->Value(), false);
    return 1;
}

// UI thread, mutex held.
vst2::VstIntPtr IEffectVST::PinProperties(int index, vst2::VstPinProperties* pin, bool input)
{
    const int channels = input ? InputChannelCount() : OutputChannelCount();
    if (!pin || index < 0 || index >= channels)
        return 0;
    pin->flags = vst2::kVstPinIsActive;
    // An even pin with a partner after it starts a stereo pair.
    if (index % 2 == 0 && index < channels - 1)
        pin->flags |= vst2::kVstPinIsStereo;
    const char* label = input ? InputLabel(index) : OutputLabel(index);
    if (label[0] != '\0')
        CopyTextTruncated(pin->label, sizeof(pin->label), label);
    else
        std::snprintf(pin->label, sizeof(pin->label), input ? "Input %d" : "Output %d", index + 1);
    return 1;
}

// UI thread, mutex held. Only which channels count as connected changes; the
// arrangements reported back stay those of the plug-in's channel lists.
vst2::VstIntPtr IEffectVST::SetSpeakerArrangement(const vst2::VstSpeakerArrangement* inputs,
                                                  const vst2::VstSpeakerArrangement* outputs)
{
    if (inputs) {
        const int n = std::max(inputs->numChannels, 0);
        for (int i = 0; i < InputChannelCount(); ++i) {
            if (i < n)
                SetInputConnected(i, true);
            else
                SetInputConnected(i, false);
        }
    }
    if (outputs) {
        const int n = std::max(outputs->numChannels, 0);
        for (int i = 0; i < OutputChannelCount(); ++i)
            SetOutputConnected(i, i < n);
    }
    return 1;
}

// UI thread, mutex held. Two requests some hosts make to show parameter
// values and to know which parameters move in steps.
vst2::VstIntPtr IEffectVST::VendorSpecific(int index, vst2::VstIntPtr value, void* ptr, float opt)
{
    const IParameter* param = value >= 0 && value < ParamCount() ? ParamAt(static_cast<int>(value)) : nullptr;
    if (index == kVendorDisplayOfNormalised) {
        if (!ptr)
            return 0;
        if (param)
            param->GetDisplayText(opt, true, static_cast<char*>(ptr), true);
        return kVendorSpecificDone;
    }
    if (index == kVendorIsStepped)
        return param && param->Type() != ParamKind::KindContinuous ? kVendorSpecificDone : 0;
    return 0;
}

// UI thread, mutex held.
vst2::VstIntPtr IEffectVST::CanDo(const char* text)
{
    if (!text)
        return 0;
    if (std::strcmp(text, "receiveVstTimeInfo") == 0)
        return 1;
    if (doesMidi && (std::strcmp(text, "sendVstEvents") == 0 || std::strcmp(text, "sendVstMidiEvent") == 0 ||
                     std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0))
        return 1;
    return 0;
}

// UI thread, mutex held.
vst2::VstIntPtr IEffectVST::MidiKeyNameRequest(vst2::VstMidiKeyName* key)
{
    if (!key)
        return 0;
    key->keyName[0] = '\0';
    return MidiKeyName(key->thisKeyNumber, key->keyName) ? 1 : 0;
}

}  // namespace kestrelon
