#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/support/run_tool.h"
#include "text/utf16_win32.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

std::wstring Widen(const std::string& text)
{
    return Windows_UTF_Converter::Utf8ToWide(text);
}

// Quotes one argument so that the C runtime's command-line splitting gives it
// back unchanged.
std::wstring Quote(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE OpenCapture(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(Widen(path).c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    // Console text mode writes CR LF; the tests compare lines.
    std::string clean;
    for (char c : s) {
        if (c != '\r')
            clean += c;
    }
    return clean;
}

}  // namespace

std::string HostPath(const std::string& path)
{
    // Built with Unix paths of the build machine; wine maps them under Z:.
    if (!path.empty() && path[0] == '/') {
        std::string windows = "Z:" + path;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        return windows;
    }
    return path;
}

ToolRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir)
{
    const std::string outPath = workDir + "\\.stdout";
    const std::string errPath = workDir + "\\.stderr";
    ToolRun run;
    std::wstring commandLine = Quote(Widen(program));
    for (const std::string& a : args)
        commandLine += L" " + Quote(Widen(a));
    HANDLE out = OpenCapture(outPath);
    HANDLE err = OpenCapture(errPath);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(Widen(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!started)
        return run;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.exitCode = static_cast<int>(code);
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
    DeleteFileW(Widen(outPath).c_str());
    DeleteFileW(Widen(errPath).c_str());
    return run;
}

}  // namespace vsthost_test

}  // namespace kestrelon
