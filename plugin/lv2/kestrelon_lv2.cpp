// Kestrelon as an LV2 plug-in: the effect over the LV2 adapter, and the
// library's one exported symbol.
#include <new>

#include "framework/lv2/lv2_effect.h"
#include "plugin/kestrelon.h"

namespace kestrelon {

namespace {

// nothrow covers the object's own memory only; what its constructor
// allocates may still throw, and the descriptor's instantiate turns that
// into null.
IEffectLV2* CreateKestrelon(double rate, const LV2_Feature* const* features)
{
    return new (std::nothrow) KestrelonEffect<IEffectLV2>(rate, features);
}

}  // namespace

}  // namespace kestrelon

// [any host thread] no exception leaves it.
extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? kestrelon::LV2DescriptorFor(KESTRELON_LV2_URI, kestrelon::CreateKestrelon) : nullptr;
}
