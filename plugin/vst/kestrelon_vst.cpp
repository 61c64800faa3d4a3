#include "plugin/vst/kestrelon_vst.h"

namespace kestrelon {

template class KestrelonEffect<IEffectVST>;

}  // namespace kestrelon
