// Who the host is, asked once per object, and the channel adjustments a few
// hosts need.
#include "framework/host_identification.h"
#include "framework/vst/vst_effect.h"

namespace kestrelon {

namespace {

// Hosts that hand an effect more inputs than it uses and expect the extra
// outputs to be live.
bool NeedsChannelQuirk(int hostCode)
{
    return hostCode == 15 || hostCode == 17 || hostCode == 18 || hostCode == 20;
}

}  // namespace

// UI thread, mutex held (effOpen).
int IEffectVST::IdentifyHost()
{
    if (hostCode != -1)
        return hostCode;
    char product[256] = {};
    CallHost(vst2::audioMasterGetProductString, 0, 0, product);
    // The host's text is read only up to our own buffer's end.
    product[sizeof(product) - 1] = '\0';
    if (product[0] != '\0')
        hostVersion = PackHostVersion(static_cast<int32_t>(CallHost(vst2::audioMasterGetVendorVersion)));
    else
        hostVersion = 0;
    hostCode = LookupHostCode(product);
    return hostCode;
}

// UI thread, mutex held (effOpen).
void IEffectVST::ApplyHostQuirks()
{
    if (quirksApplied)
        return;
    quirksApplied = true;
    if (NeedsChannelQuirk(IdentifyHost())) {
        for (int i = 2; i < InputChannelCount(); ++i)
            SetInputConnected(i, false);
        if (OutputChannelCount() > 2)
            for (int i = 2; i < OutputChannelCount(); ++i)
                SetOutputConnected(i, true);
    }
    UpdateChannelCounts();
    HostIdentified();
}

}  // namespace kestrelon
