#pragma once

#include "framework/vst/vst_effect.h"
#include "plugin/kestrelon.h"

namespace kestrelon {

// Kestrelon as a VST 2.4 plug-in: the effect over the VST 2.4 adapter.
using Kestrelon = KestrelonEffect<IEffectVST>;
extern template class KestrelonEffect<IEffectVST>;

}  // namespace kestrelon
