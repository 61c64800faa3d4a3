#include "tools/vsthost/platform.h"

#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "text/utf16_win32.h"

namespace kestrelon {

namespace vsthost {
namespace {

// One slot per thread that says what it is doing (the main thread, batch
// workers, torture's host threads), filled outside the handlers so that they
// only copy bytes. Threads beyond the last slot share it.
constexpr int kCrashSlots = 72;
char crashContext[kCrashSlots][512];
wchar_t crashCleanupPath[kCrashSlots][MAX_PATH + 1];
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

void WriteAll(const char* text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

[[noreturn]] void ReportCrashAndExit(const char* detail)
{
    const int slot = crashSlot >= 0 ? crashSlot : 0;
    WriteAll("vsthost: ");
    WriteAll(crashContext[slot][0] != '\0' ? crashContext[slot] : "the plug-in crashed");
    WriteAll(detail);
    for (const wchar_t* path : crashCleanupPath) {
        if (path[0] != L'\0')
            DeleteFileW(path);
    }
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    ExitProcess(kCrashExitCode);
}

// Called by the system for an exception nobody handled, on the faulting thread.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info)
{
    const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
    ReportCrashAndExit(code == EXCEPTION_ACCESS_VIOLATION      ? " (access violation)\r\n"
                       : code == EXCEPTION_STACK_OVERFLOW      ? " (stack overflow)\r\n"
                       : code == EXCEPTION_INT_DIVIDE_BY_ZERO  ? " (division by zero)\r\n"
                       : code == EXCEPTION_ILLEGAL_INSTRUCTION ? " (illegal instruction)\r\n"
                                                               : " (unhandled exception)\r\n");
}

void OnAbort(int)
{
    ReportCrashAndExit(" (aborted)\r\n");
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    // The narrow argv is in the ANSI code page; the wide command line has every
    // character a file name can hold.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(Windows_UTF_Converter::WideToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

bool StderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

bool HasDisplay()
{
    return true;
}

int CurrentProcessId()
{
    return static_cast<int>(GetCurrentProcessId());
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return _wfopen(Windows_UTF_Converter::Utf8ToWide(path).c_str(), Windows_UTF_Converter::Utf8ToWide(mode).c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(Windows_UTF_Converter::Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return MoveFileExW(Windows_UTF_Converter::Utf8ToWide(from).c_str(), Windows_UTF_Converter::Utf8ToWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
}

void RemoveFile(const std::string& path)
{
    DeleteFileW(Windows_UTF_Converter::Utf8ToWide(path).c_str());
}

bool MakeDirectories(const std::string& path)
{
    const std::filesystem::path folder(Windows_UTF_Converter::Utf8ToWide(path));
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

bool SameFile(const std::string& a, const std::string& b)
{
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileW(Windows_UTF_Converter::Utf8ToWide(path).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = GetFileInformationByHandle(h, &info) != 0;
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION ia = {}, ib = {};
    return identity(a, ia) && identity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\' || folder.back() == ':')
        return folder + name;
    return folder + "\\" + name;
}

void QuitProcess(int exitCode)
{
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    ExitProcess(static_cast<UINT>(exitCode));
}

void InstallCrashGuard()
{
    // No message boxes for missing DLLs or faults: this is a command-line tool.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::signal(SIGABRT, OnAbort);
}

void SetCrashContext(const std::string& what)
{
    char* slot = crashContext[CrashSlot()];
    const std::size_t n = what.size() < sizeof crashContext[0] - 1 ? what.size() : sizeof crashContext[0] - 1;
    std::memcpy(slot, what.data(), n);
    slot[n] = '\0';
}

void SetCrashCleanupFile(const std::string& path)
{
    // A name too long for the slot is left out rather than cut to another name.
    wchar_t* slot = crashCleanupPath[CrashSlot()];
    const std::wstring wide = Windows_UTF_Converter::Utf8ToWide(path);
    const std::size_t max = sizeof crashCleanupPath[0] / sizeof(wchar_t) - 1;
    const std::size_t n = wide.size() <= max ? wide.size() : 0;
    std::memcpy(slot, wide.data(), n * sizeof(wchar_t));
    slot[n] = L'\0';
}

}  // namespace vsthost

}  // namespace kestrelon
