#pragma once

#include "framework/vst2_abi.h"

// The callbacks the effect record carries. Each recovers the plug-in from the
// record's object field, takes the plug-in's mutex and forwards to one member
// of IEffectVST.
vst2::VstIntPtr VSTCALLBACK VSTDispatcher(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                          vst2::VstIntPtr value, void* ptr, float opt);
void VSTCALLBACK VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames);
void VSTCALLBACK VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames);
void VSTCALLBACK VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs,
                                           vst2::VstInt32 frames);
float VSTCALLBACK VSTGetParameter(vst2::AEffect* effect, vst2::VstInt32 index);
void VSTCALLBACK VSTSetParameter(vst2::AEffect* effect, vst2::VstInt32 index, float value);
