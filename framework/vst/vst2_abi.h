// The VST 2.4 binary interface between a host and an effect library: the
// records both sides exchange, the callback signatures and the opcode and flag
// numbers. Declared here from the published record layouts so the adapter, the
// test hosts and the tools agree on one definition. Plain C-layout records
// only: a host written in any language reads these bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/four_char_code.h"

namespace kestrelon {

// Hosts call through the C calling convention; on x64 Windows it is the only
// one, on 32-bit Windows it must be spelled out.
#if defined(_WIN32)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

namespace vst2 {

using VstInt16 = std::int16_t;
using VstInt32 = std::int32_t;
using VstInt64 = std::int64_t;
using VstIntPtr = std::intptr_t;

constexpr VstInt32 kEffectMagic = FourCharCode("VstP");  // 0x56737450
constexpr VstInt32 kVstVersion = 2400;
// effIdentify's answer, kept by old hosts to recognise an effect.
constexpr VstInt32 kEffectIdentifyAnswer = FourCharCode("NvEf");  // 0x4E764566

struct AEffect;

using audioMasterCallback = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                    void* ptr, float opt);
using AEffectDispatcherProc = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                      void* ptr, float opt);
using AEffectProcessProc = void(VSTCALLBACK*)(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void(VSTCALLBACK*)(AEffect* effect, double** inputs, double** outputs,
                                                    VstInt32 sampleFrames);
using AEffectSetParameterProc = void(VSTCALLBACK*)(AEffect* effect, VstInt32 index, float parameter);
using AEffectGetParameterProc = float(VSTCALLBACK*)(AEffect* effect, VstInt32 index);
// The exported VSTPluginMain (and its old alias main).
using VstPluginMainProc = AEffect*(VSTCALLBACK*)(audioMasterCallback host);

// The effect record: the only object the host holds of an effect instance.
struct AEffect {
    VstInt32 magic;  // kEffectMagic
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;  // accumulating; superseded by processReplacing
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;  // effFlags*
    VstIntPtr resvd1;  // the host's; leave 0
    VstIntPtr resvd2;
    VstInt32 initialDelay;  // latency in samples
    VstInt32 realQualities;  // unused
    VstInt32 offQualities;  // unused
    float ioRatio;  // unused
    void* object;  // the effect's own object
    void* user;  // the host's
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,  // deprecated
    effFlagsHasVu = 1 << 2,  // deprecated
    effFlagsCanMono = 1 << 3,  // deprecated: accepts a mono input on a stereo effect
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,  // deprecated
    effFlagsExtHasBuffer = 1 << 11,  // deprecated
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Requests the host sends through the dispatcher.
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,  // deprecated
    effSetSampleRate,  // 10
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,  // deprecated
    effEditMouse,  // deprecated
    effEditKey,  // deprecated
    effEditIdle,
    effEditTop,  // 20, deprecated
    effEditSleep,  // deprecated
    effIdentify,  // deprecated
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,  // deprecated
    effGetProgramNameIndexed,
    effCopyProgram,  // 30, deprecated
    effConnectInput,  // deprecated
    effConnectOutput,  // deprecated
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,  // deprecated
    effGetDestinationBuffer,  // deprecated
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,  // 40
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,  // deprecated
    effSetBypass,
    effGetEffectName,
    effGetErrorText,  // deprecated
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,  // 50
    effCanDo,
    effGetTailSize,
    effIdle,  // deprecated
    effGetIcon,  // deprecated
    effSetViewPosition,  // deprecated
    effGetParameterProperties,
    effKeysRequired,  // deprecated
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,  // 60
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,  // 70
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,  // 79
};

// Requests the effect sends through the host callback.
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion,
    audioMasterCurrentId,
    audioMasterIdle,
    audioMasterPinConnected,  // deprecated
    audioMasterUnused5,  // never assigned
    audioMasterWantMidi,  // deprecated
    audioMasterGetTime,
    audioMasterProcessEvents,
    audioMasterSetTime,  // deprecated
    audioMasterTempoAt,  // 10, deprecated
    audioMasterGetNumAutomatableParameters,  // deprecated
    audioMasterGetParameterQuantization,  // deprecated
    audioMasterIOChanged,
    audioMasterNeedIdle,  // deprecated
    audioMasterSizeWindow,
    audioMasterGetSampleRate,
    audioMasterGetBlockSize,
    audioMasterGetInputLatency,
    audioMasterGetOutputLatency,
    audioMasterGetPreviousPlug,  // 20, deprecated
    audioMasterGetNextPlug,  // deprecated
    audioMasterWillReplaceOrAccumulate,  // deprecated
    audioMasterGetCurrentProcessLevel,
    audioMasterGetAutomationState,
    audioMasterOfflineStart,
    audioMasterOfflineRead,
    audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass,
    audioMasterSetOutputSampleRate,  // 30, deprecated
    audioMasterGetOutputSpeakerArrangement,  // deprecated
    audioMasterGetVendorString,
    audioMasterGetProductString,
    audioMasterGetVendorVersion,
    audioMasterVendorSpecific,
    audioMasterSetIcon,  // deprecated
    audioMasterCanDo,
    audioMasterGetLanguage,
    audioMasterOpenWindow,  // deprecated
    audioMasterCloseWindow,  // 40, deprecated
    audioMasterGetDirectory,
    audioMasterUpdateDisplay,
    audioMasterBeginEdit,
    audioMasterEndEdit,
    audioMasterOpenFileSelector,
    audioMasterCloseFileSelector,
    audioMasterEditFile,  // deprecated
    audioMasterGetChunkFile,  // deprecated
    audioMasterGetInputSpeakerArrangement,  // 49, deprecated
};

// Buffer sizes the host's text requests are meant to respect (including the
// terminating zero). Real hosts usually hand out more; effects that write
// longer texts rely on that.
enum VstStringConstants : VstInt32 {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxNameLen = 64,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxCategLabelLen = 24,
    kVstMaxFileNameLen = 100,
};

enum VstPlugCategory : VstInt32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
    kPlugCategAnalysis,
    kPlugCategMastering,
    kPlugCategSpacializer,
    kPlugCategRoomFx,
    kPlugSurroundFx,
    kPlugCategRestoration,
    kPlugCategOfflineProcess,
    kPlugCategShell,
    kPlugCategGenerator,
    kPlugCategMaxCount,
};

enum VstProcessLevels : VstInt32 {
    kVstProcessLevelUnknown = 0,
    kVstProcessLevelUser,
    kVstProcessLevelRealtime,
    kVstProcessLevelPrefetch,
    kVstProcessLevelOffline,
};

enum VstProcessPrecision : VstInt32 {
    kVstProcessPrecision32 = 0,
    kVstProcessPrecision64,
};

// Editor rectangle in pixels; the host reads it after effEditGetRect.
struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

// ---- Transport ----

struct VstTimeInfo {
    double samplePos;  // always valid
    double sampleRate;  // always valid
    double nanoSeconds;
    double ppqPos;  // quarter notes
    double tempo;  // beats per minute
    double barStartPos;  // ppq of the last bar start
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;  // VstSmpteFrameRate
    VstInt32 samplesToNextClock;
    VstInt32 flags;  // VstTimeInfoFlags
};

enum VstTimeInfoFlags : VstInt32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

enum VstSmpteFrameRate : VstInt32 {
    kVstSmpte24fps = 0,
    kVstSmpte25fps = 1,
    kVstSmpte2997fps = 2,
    kVstSmpte30fps = 3,
    kVstSmpte2997dfps = 4,
    kVstSmpte30dfps = 5,
    kVstSmpteFilm16mm = 6,
    kVstSmpteFilm35mm = 7,
    kVstSmpte239fps = 10,
    kVstSmpte249fps = 11,
    kVstSmpte599fps = 12,
    kVstSmpte60fps = 13,
};

// ---- Events ----

enum VstEventTypes : VstInt32 {
    kVstMidiType = 1,
    kVstAudioType,  // deprecated
    kVstVideoType,  // deprecated
    kVstParameterType,  // deprecated
    kVstTriggerType,  // deprecated
    kVstSysExType,
};

// The common head of every event; byteSize counts the whole record.
struct VstEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;  // offset into the current block
    VstInt32 flags;
    char data[16];
};

// A block's events. The record is declared with room for two pointers but the
// host allocates as many as numEvents needs.
struct VstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[2];
};

enum VstMidiEventFlags : VstInt32 {
    kVstMidiEventIsRealtime = 1 << 0,
};

struct VstMidiEvent {
    VstInt32 type;  // kVstMidiType
    VstInt32 byteSize;  // sizeof (VstMidiEvent)
    VstInt32 deltaFrames;
    VstInt32 flags;  // VstMidiEventFlags
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4];  // status, data1, data2, 0
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    VstInt32 type;  // kVstSysExType
    VstInt32 byteSize;  // sizeof (VstMidiSysexEvent)
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};

// ---- Pins and speakers ----

enum VstPinPropertiesFlags : VstInt32 {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1,  // this pin and the next form a stereo pair
    kVstPinUseSpeaker = 1 << 2,
};

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    VstInt32 flags;  // VstPinPropertiesFlags
    VstInt32 arrangementType;  // VstSpeakerArrangementType
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum VstSpeakerArrangementType : VstInt32 {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo,
    kSpeakerArrStereoSurround,
    kSpeakerArrStereoCenter,
    kSpeakerArrStereoSide,
    kSpeakerArrStereoCLfe,
    kSpeakerArr30Cine,
    kSpeakerArr30Music,
    kSpeakerArr31Cine,
    kSpeakerArr31Music,
    kSpeakerArr40Cine,  // 10
    kSpeakerArr40Music,
    kSpeakerArr41Cine,
    kSpeakerArr41Music,
    kSpeakerArr50,
    kSpeakerArr51,
    kSpeakerArr60Cine,
    kSpeakerArr60Music,
    kSpeakerArr61Cine,
    kSpeakerArr61Music,
    kSpeakerArr70Cine,  // 20
    kSpeakerArr70Music,
    kSpeakerArr71Cine,
    kSpeakerArr71Music,
    kSpeakerArr80Cine,
    kSpeakerArr80Music,
    kSpeakerArr81Cine,
    kSpeakerArr81Music,
    kSpeakerArr102,
    kNumSpeakerArr,
};

enum VstSpeakerType : VstInt32 {
    kSpeakerUndefined = 0x7fffffff,
    kSpeakerM = 0,
    kSpeakerL,
    kSpeakerR,
    kSpeakerC,
    kSpeakerLfe,
    kSpeakerLs,
    kSpeakerRs,
    kSpeakerLc,
    kSpeakerRc,
    kSpeakerS,
    kSpeakerCs = kSpeakerS,
    kSpeakerSl,  // 10
    kSpeakerSr,
    kSpeakerTm,
    kSpeakerTfl,
    kSpeakerTfc,
    kSpeakerTfr,
    kSpeakerTrl,
    kSpeakerTrc,
    kSpeakerTrr,
    kSpeakerLfe2,
};

struct VstSpeakerProperties {
    float azimuth;  // radians
    float elevation;
    float radius;  // metres
    float reserved;
    char name[kVstMaxNameLen];
    VstInt32 type;  // VstSpeakerType
    char future[28];
};

// The record is declared with eight speakers; hosts may allocate more behind
// it for larger layouts.
struct VstSpeakerArrangement {
    VstInt32 type;  // VstSpeakerArrangementType
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};

// ---- Parameter and MIDI key descriptions ----

enum VstParameterFlags : VstInt32 {
    kVstParameterIsSwitch = 1 << 0,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6,
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    VstInt32 flags;  // VstParameterFlags
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    VstInt16 displayIndex;
    VstInt16 category;
    VstInt16 numParametersInCategory;
    VstInt16 reserved;
    char categoryLabel[kVstMaxCategLabelLen];
    char future[16];
};

struct VstMidiKeyName {
    VstInt32 thisProgramIndex;
    VstInt32 thisKeyNumber;
    char keyName[kVstMaxNameLen];
    VstInt32 reserved;
    VstInt32 flags;
};

// ---- Layout checks ----
// Hosts read these records byte by byte, so a field in the wrong place breaks
// every host silently. The 64-bit layout is the one that ships; it is natural
// alignment, checked here field by field.
namespace layout {
constexpr bool k64 = sizeof(void*) == 8;
}  // namespace layout

static_assert(sizeof(VstInt32) == 4 && sizeof(VstInt16) == 2 && sizeof(float) == 4 && sizeof(double) == 8);
static_assert(sizeof(VstIntPtr) == sizeof(void*));

static_assert(!layout::k64 || sizeof(AEffect) == 192);
static_assert(!layout::k64 || offsetof(AEffect, magic) == 0);
static_assert(!layout::k64 || offsetof(AEffect, dispatcher) == 8);
static_assert(!layout::k64 || offsetof(AEffect, process) == 16);
static_assert(!layout::k64 || offsetof(AEffect, setParameter) == 24);
static_assert(!layout::k64 || offsetof(AEffect, getParameter) == 32);
static_assert(!layout::k64 || offsetof(AEffect, numPrograms) == 40);
static_assert(!layout::k64 || offsetof(AEffect, numParams) == 44);
static_assert(!layout::k64 || offsetof(AEffect, numInputs) == 48);
static_assert(!layout::k64 || offsetof(AEffect, numOutputs) == 52);
static_assert(!layout::k64 || offsetof(AEffect, flags) == 56);
static_assert(!layout::k64 || offsetof(AEffect, resvd1) == 64);
static_assert(!layout::k64 || offsetof(AEffect, resvd2) == 72);
static_assert(!layout::k64 || offsetof(AEffect, initialDelay) == 80);
static_assert(!layout::k64 || offsetof(AEffect, realQualities) == 84);
static_assert(!layout::k64 || offsetof(AEffect, offQualities) == 88);
static_assert(!layout::k64 || offsetof(AEffect, ioRatio) == 92);
static_assert(!layout::k64 || offsetof(AEffect, object) == 96);
static_assert(!layout::k64 || offsetof(AEffect, user) == 104);
static_assert(!layout::k64 || offsetof(AEffect, uniqueID) == 112);
static_assert(!layout::k64 || offsetof(AEffect, version) == 116);
static_assert(!layout::k64 || offsetof(AEffect, processReplacing) == 120);
static_assert(!layout::k64 || offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(!layout::k64 || offsetof(AEffect, future) == 136);

static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2 && offsetof(ERect, bottom) == 4 &&
              offsetof(ERect, right) == 6);

static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, tempo) == 32 && offsetof(VstTimeInfo, barStartPos) == 40);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56 && offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68 && offsetof(VstTimeInfo, smpteOffset) == 72);
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80 && offsetof(VstTimeInfo, flags) == 84);

static_assert(sizeof(VstEvent) == 32 && offsetof(VstEvent, data) == 16);
static_assert(!layout::k64 ||
              (sizeof(VstEvents) == 32 && offsetof(VstEvents, reserved) == 8 && offsetof(VstEvents, events) == 16));
static_assert(sizeof(VstMidiEvent) == 32 && offsetof(VstMidiEvent, noteOffset) == 20 &&
              offsetof(VstMidiEvent, midiData) == 24 && offsetof(VstMidiEvent, detune) == 28 &&
              offsetof(VstMidiEvent, reserved2) == 31);
static_assert(!layout::k64 ||
              (sizeof(VstMidiSysexEvent) == 48 && offsetof(VstMidiSysexEvent, dumpBytes) == 16 &&
               offsetof(VstMidiSysexEvent, resvd1) == 24 && offsetof(VstMidiSysexEvent, sysexDump) == 32 &&
               offsetof(VstMidiSysexEvent, resvd2) == 40));

static_assert(sizeof(VstPinProperties) == 128 && offsetof(VstPinProperties, flags) == 64 &&
              offsetof(VstPinProperties, arrangementType) == 68 && offsetof(VstPinProperties, shortLabel) == 72 &&
              offsetof(VstPinProperties, future) == 80);

static_assert(sizeof(VstSpeakerProperties) == 112 && offsetof(VstSpeakerProperties, name) == 16 &&
              offsetof(VstSpeakerProperties, type) == 80 && offsetof(VstSpeakerProperties, future) == 84);
static_assert(sizeof(VstSpeakerArrangement) == 904 && offsetof(VstSpeakerArrangement, numChannels) == 4 &&
              offsetof(VstSpeakerArrangement, speakers) == 8);

static_assert(sizeof(VstParameterProperties) == 152 && offsetof(VstParameterProperties, label) == 12 &&
              offsetof(VstParameterProperties, flags) == 76 && offsetof(VstParameterProperties, shortLabel) == 96 &&
              offsetof(VstParameterProperties, displayIndex) == 104 &&
              offsetof(VstParameterProperties, categoryLabel) == 112 &&
              offsetof(VstParameterProperties, future) == 136);
static_assert(sizeof(VstMidiKeyName) == 80 && offsetof(VstMidiKeyName, keyName) == 8 &&
              offsetof(VstMidiKeyName, reserved) == 72 && offsetof(VstMidiKeyName, flags) == 76);

static_assert(effGetVu == 9 && effSetSampleRate == 10 && effEditIdle == 19 && effIdentify == 22 &&
              effGetProgramNameIndexed == 29 && effGetInputProperties == 33 && effProcessVarIo == 41 &&
              effGetEffectName == 45 && effVendorSpecific == 50 && effGetVstVersion == 58 && effGetMidiKeyName == 66 &&
              effGetSpeakerArrangement == 69 && effSetProcessPrecision == 77 && effGetNumMidiOutputChannels == 79);
static_assert(audioMasterWantMidi == 6 && audioMasterGetTime == 7 && audioMasterIOChanged == 13 &&
              audioMasterGetCurrentProcessLevel == 23 && audioMasterGetProductString == 33 &&
              audioMasterGetVendorVersion == 34 && audioMasterCanDo == 37 && audioMasterUpdateDisplay == 42 &&
              audioMasterBeginEdit == 43 && audioMasterEndEdit == 44 && audioMasterGetInputSpeakerArrangement == 49);
static_assert(kEffectMagic == 0x56737450 && kEffectIdentifyAnswer == 0x4E764566);

}  // namespace vst2

}  // namespace kestrelon
