#include "tools/vsthost/platform.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace kestrelon {

namespace vsthost {
namespace {

// One slot per thread that says what it is doing (the main thread, batch
// workers, torture's host threads), filled outside the handler so that the
// handler itself only copies bytes. Threads beyond the last slot share it.
constexpr int kCrashSlots = 72;
char crashContext[kCrashSlots][512];
char crashCleanupPath[kCrashSlots][4096];
std::atomic<int> crashSlotsTaken{0};
thread_local int crashSlot = -1;

int CrashSlot()
{
    if (crashSlot < 0) {
        const int taken = crashSlotsTaken.fetch_add(1);
        crashSlot = taken < kCrashSlots ? taken : kCrashSlots - 1;
    }
    return crashSlot;
}
// Its own stack, so that a plug-in that overflowed the main stack is still reported.
alignas(16) char crashStack[64 * 1024];

void WriteAll(const char* text)
{
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = write(2, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Signal handler: async-signal-safe calls only.
void OnFatalSignal(int sig)
{
    const int slot = crashSlot >= 0 ? crashSlot : 0;
    WriteAll("vsthost: ");
    WriteAll(crashContext[slot][0] != '\0' ? crashContext[slot] : "the plug-in crashed");
    const char* name = sig == SIGSEGV  ? " (segmentation fault)\n"
                       : sig == SIGBUS ? " (bus error)\n"
                       : sig == SIGFPE ? " (arithmetic fault)\n"
                       : sig == SIGILL ? " (illegal instruction)\n"
                                       : " (aborted)\n";
    WriteAll(name);
    for (const char* path : crashCleanupPath) {
        if (path[0] != '\0')
            unlink(path);
    }
    _exit(kCrashExitCode);
}

void CopyText(char* dest, std::size_t size, const std::string& text)
{
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool StderrIsTerminal()
{
    return isatty(2) == 1;
}

bool HasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && x11[0]) || (wayland && wayland[0]);
}

int CurrentProcessId()
{
    return static_cast<int>(getpid());
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path)
{
    unlink(path.c_str());
}

bool MakeDirectories(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

void QuitProcess(int exitCode)
{
    _exit(exitCode);
}

void InstallCrashGuard()
{
    stack_t ss = {};
    ss.ss_sp = crashStack;
    ss.ss_size = sizeof crashStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa = {};
    sa.sa_handler = OnFatalSignal;
    sa.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        sigaction(sig, &sa, nullptr);
}

void SetCrashContext(const std::string& what)
{
    CopyText(crashContext[CrashSlot()], sizeof crashContext[0], what);
}

void SetCrashCleanupFile(const std::string& path)
{
    CopyText(crashCleanupPath[CrashSlot()], sizeof crashCleanupPath[0], path);
}

}  // namespace vsthost

}  // namespace kestrelon
