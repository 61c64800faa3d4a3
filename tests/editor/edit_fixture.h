// Shared by the tests that drive editors through `vsthost edit`: the tool and
// the plug-ins under test, a fresh work folder per test, the output lines the
// host printed, and screenshots against reviewed golden images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/run_tool.h"
#include "tools/vsthost/host_window.h"

namespace kestrelon {

namespace editor_test {

using vsthost::Screenshot;
using vsthost_test::ToolRun;

std::string ProbePlugin();
std::string KestrelonPlugin();  // "" when the plug-in is not built in this tree
std::string KestrelonClapPlugin();  // likewise
// "windows" under wine, "linux" natively: goldens are kept per platform.
const char* PlatformName();

class EditTest : public ::testing::Test {
protected:
    void SetUp() override;
    // A file in this test's work folder, as the tool sees it.
    std::string Path(const std::string& name) const;
    // vsthost edit PLUGIN, the steps written to a script file, then `options`.
    ToolRun Edit(const std::string& plugin, const std::vector<std::string>& steps,
                 const std::vector<std::string>& options = {});
    std::string workDir;
};

// The output lines that start with `prefix`, in order.
std::vector<std::string> LinesStartingWith(const std::string& out, const std::string& prefix);

// A screenshot the tool wrote; empty (0 x 0) when it cannot be read.
Screenshot LoadShot(const std::string& path);
std::uint32_t PixelAt(const Screenshot& shot, int x, int y);

// `shot` against data/NAME.png, pixel for pixel; with KESTRELON_WRITE_EDITOR_GOLDEN
// set, writes it as the new golden instead (look at it before committing).
::testing::AssertionResult MatchesGolden(const Screenshot& shot, const std::string& name);

// How two screenshots of one size differ: the count of differing pixels and
// the rectangle around them.
struct Difference {
    long long pixels = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};
Difference Compare(const Screenshot& a, const Screenshot& b);

}  // namespace editor_test

}  // namespace kestrelon
