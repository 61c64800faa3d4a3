#include "tools/vsthost/platform.h"

#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <csignal>
#include <cstring>

#include "framework/text/utf16_win32.h"

namespace kestrelon {

namespace vsthost {
namespace {

// Filled outside the handlers so that they only copy bytes.
char crashContext[512] = "the plug-in crashed";
wchar_t crashCleanupPath[4096] = L"";

void WriteAll(const char* text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

[[noreturn]] void ReportCrashAndExit(const char* detail)
{
    WriteAll("vsthost: ");
    WriteAll(crashContext);
    WriteAll(detail);
    if (crashCleanupPath[0] != L'\0')
        DeleteFileW(crashCleanupPath);
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

void InstallCrashGuard()
{
    // No message boxes for missing DLLs or faults: this is a command-line tool.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::signal(SIGABRT, OnAbort);
}

void SetCrashContext(const std::string& what)
{
    const std::size_t n = what.size() < sizeof crashContext - 1 ? what.size() : sizeof crashContext - 1;
    std::memcpy(crashContext, what.data(), n);
    crashContext[n] = '\0';
}

void SetCrashCleanupFile(const std::string& path)
{
    const std::wstring wide = Windows_UTF_Converter::Utf8ToWide(path);
    const std::size_t max = sizeof crashCleanupPath / sizeof crashCleanupPath[0] - 1;
    const std::size_t n = wide.size() < max ? wide.size() : max;
    std::memcpy(crashCleanupPath, wide.data(), n * sizeof(wchar_t));
    crashCleanupPath[n] = L'\0';
}

}  // namespace vsthost

}  // namespace kestrelon
