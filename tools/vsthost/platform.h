// The few operating-system facilities the tool needs, behind one seam:
// UTF-8 command line and file names, terminal detection, atomic replacement
// of an output file, and the guard that turns a plug-in crash into a one-line
// error. platform_posix.cpp and platform_win32.cpp implement it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

// The arguments after the program name, as UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

bool StderrIsTerminal();
int CurrentProcessId();

// File access by UTF-8 name.
std::FILE* OpenFile(const std::string& path, const char* mode);
bool FileExists(const std::string& path);
// Moves `from` over `to`, replacing it; false when that failed.
bool MoveFileOver(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);

// Exit status of a run that a plug-in crash ended.
constexpr int kCrashExitCode = 3;

// Installs the handlers that report a fault inside a plug-in as
// "vsthost: <context>" and exit with kCrashExitCode.
void InstallCrashGuard();
// What the process is doing, for the crash report; copied, so any text will do.
void SetCrashContext(const std::string& what);
// A partly written output that the crash handler deletes; "" for none.
void SetCrashCleanupFile(const std::string& path);

}  // namespace vsthost

}  // namespace kestrelon
