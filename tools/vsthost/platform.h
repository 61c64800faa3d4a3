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
// Whether an editor could open: effects that build their editor to answer
// effEditGetRect crash without a display to build it on.
bool HasDisplay();
int CurrentProcessId();

// File access by UTF-8 name.
std::FILE* OpenFile(const std::string& path, const char* mode);
bool FileExists(const std::string& path);
// Moves `from` over `to`, replacing it; false when that failed.
bool MoveFileOver(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);
// The last component of a path ("drums.wav" of "in/drums.wav"), and a name
// inside a folder.
std::string FileName(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

// Ends the process at once, with threads still inside the plug-in: no
// destructors, no handlers registered to run at exit.
[[noreturn]] void QuitProcess(int exitCode);

// Exit status of a run that a plug-in crash ended.
constexpr int kCrashExitCode = 3;

// Installs the handlers that report a fault inside a plug-in as
// "vsthost: <context>" and exit with kCrashExitCode.
void InstallCrashGuard();
// What the calling thread is doing, for the report should it crash; copied,
// so any text will do. A crash on a thread that never said is reported with
// the first thread's text.
void SetCrashContext(const std::string& what);
// The calling thread's partly written output, deleted by the crash handler
// (with those of every other thread); "" for none.
void SetCrashCleanupFile(const std::string& path);

}  // namespace vsthost

}  // namespace kestrelon
