// The host record's callbacks and the extensions the host offers a CLAP
// plug-in: thread checks, parameter, state, latency and port notices, the
// editor's requests, timers and file descriptors, and the event queues.
// Each recovers the instance from the record and forwards to it; what the
// plug-in asks is reported, what the interface reserves for the main thread
// is checked to arrive there.
#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

#include "tools/vsthost/clap_instance.h"

namespace kestrelon {

namespace vsthost {
namespace {

ClapInstance* InstanceOf(const clap::clap_host* host)
{
    return host ? static_cast<ClapInstance*>(host->host_data) : nullptr;
}

// An extension id the plug-in asked for, bounded.
std::string IdText(const char* text)
{
    std::size_t n = 0;
    while (n < 256 && text[n] != '\0')
        ++n;
    return std::string(text, n);
}

}  // namespace

const void* ClapInstance::GetExtension(const clap::clap_host* host, const char* id)
{
    static const clap::clap_host_thread_check threadCheck = {IsMainThread, IsAudioThread};
    static const clap::clap_host_params hostParams = {ParamsRescan, ParamsClear, ParamsRequestFlush};
    static const clap::clap_host_state hostState = {StateMarkDirty};
    static const clap::clap_host_latency hostLatency = {LatencyChanged};
    static const clap::clap_host_audio_ports hostPorts = {PortsFlagSupported, PortsRescan};
    static const clap::clap_host_gui hostGui = {GuiResizeHintsChanged, GuiRequestResize, GuiRequestShow, GuiRequestHide,
                                                GuiClosed};
    static const clap::clap_host_timer_support hostTimers = {RegisterTimer, UnregisterTimer};
#if !defined(_WIN32)
    static const clap::clap_host_posix_fd_support hostFds = {RegisterFd, ModifyFd, UnregisterFd};
#endif
    if (!InstanceOf(host) || !id)
        return nullptr;
    const std::string name = IdText(id);
    if (name == clap::CLAP_EXT_THREAD_CHECK)
        return &threadCheck;
    if (name == clap::CLAP_EXT_PARAMS)
        return &hostParams;
    if (name == clap::CLAP_EXT_STATE)
        return &hostState;
    if (name == clap::CLAP_EXT_LATENCY)
        return &hostLatency;
    if (name == clap::CLAP_EXT_AUDIO_PORTS)
        return &hostPorts;
    if (name == clap::CLAP_EXT_GUI)
        return &hostGui;
    if (name == clap::CLAP_EXT_TIMER_SUPPORT)
        return &hostTimers;
#if !defined(_WIN32)
    if (name == clap::CLAP_EXT_POSIX_FD_SUPPORT)
        return &hostFds;
#endif
    return nullptr;
}

void ClapInstance::RequestRestart(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host))
        self->Report("request-restart");
}

void ClapInstance::RequestProcess(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host))
        self->Report("request-process");
}

void ClapInstance::RequestCallback(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host)) {
        self->callbackRequested = true;
        self->Report("request-callback");
    }
}

bool ClapInstance::IsMainThread(const clap::clap_host* host)
{
    const ClapInstance* self = InstanceOf(host);
    // The render runs audio on the main thread; while processing, that thread
    // is the audio thread and not the main one.
    return self && std::this_thread::get_id() == self->mainThread &&
           self->audioThread.load() != std::this_thread::get_id();
}

bool ClapInstance::IsAudioThread(const clap::clap_host* host)
{
    const ClapInstance* self = InstanceOf(host);
    return self && self->audioThread.load() == std::this_thread::get_id();
}

void ClapInstance::ParamsRescan(const clap::clap_host* host, std::uint32_t flags)
{
    if (ClapInstance* self = InstanceOf(host); self && self->CheckMainThread("params.rescan"))
        self->Report("params-rescan " + std::to_string(flags));
}

void ClapInstance::ParamsClear(const clap::clap_host* host, clap::clap_id id, std::uint32_t flags)
{
    if (ClapInstance* self = InstanceOf(host); self && self->CheckMainThread("params.clear"))
        self->Report("params-clear " + std::to_string(id) + " " + std::to_string(flags));
}

void ClapInstance::ParamsRequestFlush(const clap::clap_host* host)
{
    ClapInstance* self = InstanceOf(host);
    if (!self)
        return;
    if (IsAudioThread(host))
        self->Report("wrong-thread params.request_flush");
    else
        self->Report("request-flush");
    self->flushRequested = true;
}

void ClapInstance::StateMarkDirty(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host); self && self->CheckMainThread("state.mark_dirty"))
        self->Report("state-dirty");
}

void ClapInstance::LatencyChanged(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host); self && self->CheckMainThread("latency.changed"))
        self->Report("latency-changed");
}

bool ClapInstance::PortsFlagSupported(const clap::clap_host*, std::uint32_t)
{
    return false;
}

void ClapInstance::PortsRescan(const clap::clap_host* host, std::uint32_t flags)
{
    if (ClapInstance* self = InstanceOf(host); self && self->CheckMainThread("audio_ports.rescan"))
        self->Report("ports-rescan " + std::to_string(flags));
}

void ClapInstance::GuiResizeHintsChanged(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host))
        self->Report("resize-hints-changed");
}

bool ClapInstance::GuiRequestResize(const clap::clap_host* host, std::uint32_t width, std::uint32_t height)
{
    ClapInstance* self = InstanceOf(host);
    if (!self)
        return false;
    self->Report("request-resize " + std::to_string(width) + " " + std::to_string(height));
    EditorHostEvents* events = self->editorHost.load();
    if (!events || width > 16384 || height > 16384)
        return false;
    // The request may come from any thread, but only the main thread may
    // touch the host window: there the resize happens at its next idle, and
    // the plug-in is told yes now, as it may then resize itself.
    if (width > 0 && height > 0 && std::this_thread::get_id() != self->mainThread) {
        self->requestedSize = static_cast<std::uint64_t>(width) << 32 | height;
        return true;
    }
    return events->SizeWindow(static_cast<int>(width), static_cast<int>(height));
}

bool ClapInstance::GuiRequestShow(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host))
        self->Report("request-show");
    return false;
}

bool ClapInstance::GuiRequestHide(const clap::clap_host* host)
{
    if (ClapInstance* self = InstanceOf(host))
        self->Report("request-hide");
    return false;
}

void ClapInstance::GuiClosed(const clap::clap_host* host, bool destroyed)
{
    if (ClapInstance* self = InstanceOf(host))
        self->Report(destroyed ? "gui-closed destroyed" : "gui-closed");
}

bool ClapInstance::RegisterTimer(const clap::clap_host* host, std::uint32_t periodMs, clap::clap_id* id)
{
    ClapInstance* self = InstanceOf(host);
    if (!self || !id || !self->CheckMainThread("timer_support.register_timer") || self->timers.size() >= 64)
        return false;
    const std::uint32_t period = std::clamp<std::uint32_t>(periodMs, 1, 60000);
    *id = self->nextTimerId++;
    self->timers.push_back({*id, period, std::chrono::steady_clock::now() + std::chrono::milliseconds(period)});
    self->Report("register-timer " + std::to_string(*id) + " " + std::to_string(periodMs) + " ms");
    return true;
}

bool ClapInstance::UnregisterTimer(const clap::clap_host* host, clap::clap_id id)
{
    ClapInstance* self = InstanceOf(host);
    if (!self || !self->CheckMainThread("timer_support.unregister_timer"))
        return false;
    const auto before = self->timers.size();
    self->timers.erase(
        std::remove_if(self->timers.begin(), self->timers.end(), [id](const Timer& t) { return t.id == id; }),
        self->timers.end());
    return self->timers.size() != before;
}

bool ClapInstance::RegisterFd(const clap::clap_host* host, int fd, std::uint32_t flags)
{
    ClapInstance* self = InstanceOf(host);
    if (!self || fd < 0 || !self->CheckMainThread("posix_fd_support.register_fd") || self->fds.size() >= 64)
        return false;
    for (const auto& entry : self->fds) {
        if (entry.first == fd)
            return false;
    }
    self->fds.emplace_back(fd, flags);
    return true;
}

bool ClapInstance::ModifyFd(const clap::clap_host* host, int fd, std::uint32_t flags)
{
    ClapInstance* self = InstanceOf(host);
    if (!self || !self->CheckMainThread("posix_fd_support.modify_fd"))
        return false;
    for (auto& entry : self->fds) {
        if (entry.first == fd) {
            entry.second = flags;
            return true;
        }
    }
    return false;
}

bool ClapInstance::UnregisterFd(const clap::clap_host* host, int fd)
{
    ClapInstance* self = InstanceOf(host);
    if (!self || !self->CheckMainThread("posix_fd_support.unregister_fd"))
        return false;
    const auto before = self->fds.size();
    self->fds.erase(std::remove_if(self->fds.begin(), self->fds.end(), [fd](const auto& e) { return e.first == fd; }),
                    self->fds.end());
    return self->fds.size() != before;
}

bool ClapInstance::TryPush(const clap::clap_output_events* list, const clap::clap_event_header* event)
{
    if (!list || !event)
        return false;
    static_cast<ClapInstance*>(list->ctx)->ReportOutputEvent(*event);
    return true;
}

std::uint32_t ClapInstance::InputSize(const clap::clap_input_events* list)
{
    return list ? static_cast<std::uint32_t>(static_cast<const ClapInstance*>(list->ctx)->sending.size()) : 0;
}

const clap::clap_event_header* ClapInstance::InputGet(const clap::clap_input_events* list, std::uint32_t index)
{
    if (!list)
        return nullptr;
    const auto& events = static_cast<const ClapInstance*>(list->ctx)->sending;
    return index < events.size() ? &events[index].header : nullptr;
}

}  // namespace vsthost

}  // namespace kestrelon
