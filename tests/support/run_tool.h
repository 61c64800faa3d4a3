// Runs a program with arguments and collects its exit status and output, for
// tests that drive the built vsthost the way a user or script does.
#pragma once

#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost_test {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A path of the build machine as this test program's platform names it: under
// wine the Unix paths compiled into the Windows tests are on the Z: drive.
std::string HostPath(const std::string& path);

// `workDir` holds the captured output files.
ToolRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir);

}  // namespace vsthost_test

}  // namespace kestrelon
