// Kestrelon's CLAP plug-in driven in-process the way a host drives it: the
// exported clap_entry, its factory, the plug-in record and the extensions,
// with a host record that keeps what the plug-in asks of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/clap/clap_abi.h"

extern "C" const kestrelon::clap::clap_plugin_entry clap_entry;

namespace kestrelon {

namespace claptest {

// One parameter value at a sample of a block.
struct ParamChange {
    std::uint32_t time = 0;
    clap::clap_id id = 0;
    double value = 0.0;
};

// What the plug-in sent out or asked of the host.
struct HostLog {
    std::vector<std::uint16_t> eventTypes;  // output events in order
    std::vector<clap::clap_id> eventParams;
    std::vector<double> eventValues;
    int flushRequests = 0;
    int latencyChanges = 0;
    int callbackRequests = 0;
    std::vector<std::uint32_t> resizeRequests;  // width, height pairs
};

class ClapRig {
public:
    // Made through the factory and initialised; Valid() says whether it worked.
    ClapRig();
    ~ClapRig();
    ClapRig(const ClapRig&) = delete;
    ClapRig& operator=(const ClapRig&) = delete;

    bool Valid() const { return plugin != nullptr; }
    const clap::clap_plugin* Plugin() const { return plugin; }
    HostLog& Log() { return log; }

    bool Activate(double rate = 44100.0, std::uint32_t maxFrames = 512);
    // Both channels of in through the plug-in into out (resized to match),
    // with the changes as parameter events; the float or the double path.
    void Process(const std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out,
                 const std::vector<ParamChange>& changes = {}, bool doublePath = false);
    // params.flush with these changes; output events go to the log.
    void Flush(const std::vector<ParamChange>& changes = {});

    double Value(clap::clap_id id) const;
    std::string Text(clap::clap_id id, double value) const;
    bool TextValue(clap::clap_id id, const char* text, double* value) const;
    std::uint32_t Latency() const;
    std::vector<std::uint8_t> SaveState() const;
    // A stream that hands out bytes in reads of at most chunk bytes and, if
    // failAt is within them, fails there (-1).
    bool LoadState(const std::vector<std::uint8_t>& bytes, std::size_t chunk = 4096,
                   std::size_t failAt = static_cast<std::size_t>(-1)) const;

    template <typename Extension>
    const Extension* Ext(const char* id) const
    {
        return plugin ? static_cast<const Extension*>(plugin->get_extension(plugin, id)) : nullptr;
    }

private:
    static const void* HostExtension(const clap::clap_host* host, const char* id);
    static HostLog& LogOf(const clap::clap_host* host);

    HostLog log;
    clap::clap_host host{};
    const clap::clap_plugin* plugin = nullptr;
    bool active = false;
};

}  // namespace claptest

}  // namespace kestrelon
