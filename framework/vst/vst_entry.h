#pragma once

#include "framework/vst/vst2_abi.h"

namespace kestrelon {

class IEffectVST;

// Makes a new effect object for a host; null when it could not be made.
using EffectFactory = IEffectVST* (*)(vst2::audioMasterCallback host);

// What the exported entry points do: creates one effect object under a
// process-wide lock (hosts may create instances from several threads at
// once), fills any preset still unset and answers the object's record, or
// null when no object could be created.
// [any host thread] takes the creation lock.
vst2::AEffect* CreateEffectRecord(vst2::audioMasterCallback host, EffectFactory create);

}  // namespace kestrelon
