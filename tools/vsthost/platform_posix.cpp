#include "tools/vsthost/platform.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kestrelon {

namespace vsthost {
namespace {

// Filled outside the handler so that the handler itself only copies bytes.
char crashContext[512] = "the plug-in crashed";
char crashCleanupPath[4096] = "";
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
    WriteAll("vsthost: ");
    WriteAll(crashContext);
    const char* name = sig == SIGSEGV  ? " (segmentation fault)\n"
                       : sig == SIGBUS ? " (bus error)\n"
                       : sig == SIGFPE ? " (arithmetic fault)\n"
                       : sig == SIGILL ? " (illegal instruction)\n"
                                       : " (aborted)\n";
    WriteAll(name);
    if (crashCleanupPath[0] != '\0')
        unlink(crashCleanupPath);
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
    CopyText(crashContext, sizeof crashContext, what);
}

void SetCrashCleanupFile(const std::string& path)
{
    CopyText(crashCleanupPath, sizeof crashCleanupPath, path);
}

}  // namespace vsthost

}  // namespace kestrelon
