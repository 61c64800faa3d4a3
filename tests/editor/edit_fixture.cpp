#include "tests/editor/edit_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/vsthost/png_file.h"

namespace kestrelon {

namespace editor_test {

using vsthost_test::HostPath;

std::string ProbePlugin()
{
    return HostPath(EDITOR_PROBE_PLUGIN);
}

std::string KestrelonPlugin()
{
    return HostPath(KESTRELON_PLUGIN);
}

std::string KestrelonClapPlugin()
{
    return HostPath(KESTRELON_CLAP_PLUGIN);
}

const char* PlatformName()
{
#if defined(_WIN32)
    return "windows";
#else
    return "linux";
#endif
}

void EditTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    workDir = HostPath(std::string(EDITOR_TEST_WORK_DIR) + "/" + info->test_suite_name() + "." + info->name());
    std::filesystem::remove_all(workDir);
    std::filesystem::create_directories(workDir);
}

std::string EditTest::Path(const std::string& name) const
{
    return workDir + "/" + name;
}

ToolRun EditTest::Edit(const std::string& plugin, const std::vector<std::string>& steps,
                       const std::vector<std::string>& options)
{
    const std::string script = Path("script.txt");
    std::ofstream(script, std::ios::binary) << [&] {
        std::string text;
        for (const std::string& s : steps)
            text += s + "\n";
        return text;
    }();
    std::vector<std::string> args = {"edit", plugin, "--script", script};
    args.insert(args.end(), options.begin(), options.end());
    return vsthost_test::RunProgram(HostPath(VSTHOST_EXE), args, workDir);
}

std::vector<std::string> LinesStartingWith(const std::string& out, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}

Screenshot LoadShot(const std::string& path)
{
    Screenshot shot;
    std::string error;
    if (!vsthost::ReadPng(path, shot, error))
        shot = Screenshot();
    return shot;
}

std::uint32_t PixelAt(const Screenshot& shot, int x, int y)
{
    if (x < 0 || y < 0 || x >= shot.width || y >= shot.height)
        return 0xFFFFFFFFu;
    return shot.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(shot.width) + x];
}

::testing::AssertionResult MatchesGolden(const Screenshot& shot, const std::string& name)
{
    const std::string path = HostPath(std::string(EDITOR_TEST_DATA) + "/" + name + ".png");
    std::string error;
    if (std::getenv("KESTRELON_WRITE_EDITOR_GOLDEN") != nullptr) {
        if (!vsthost::WritePng(path, shot, error))
            return ::testing::AssertionFailure() << error;
        return ::testing::AssertionSuccess() << "wrote " << path;
    }
    Screenshot golden;
    if (!vsthost::ReadPng(path, golden, error))
        return ::testing::AssertionFailure() << error << " (KESTRELON_WRITE_EDITOR_GOLDEN=1 makes it)";
    if (golden.width != shot.width || golden.height != shot.height)
        return ::testing::AssertionFailure() << "the screenshot is " << shot.width << " x " << shot.height << ", "
                                             << path << " " << golden.width << " x " << golden.height;
    const Difference d = Compare(shot, golden);
    if (d.pixels != 0)
        return ::testing::AssertionFailure() << d.pixels << " pixels differ from " << path << " within " << d.left
                                             << "," << d.top << " - " << d.right << "," << d.bottom;
    return ::testing::AssertionSuccess();
}

Difference Compare(const Screenshot& a, const Screenshot& b)
{
    Difference d;
    d.left = a.width;
    d.top = a.height;
    for (int y = 0; y < std::min(a.height, b.height); ++y) {
        for (int x = 0; x < std::min(a.width, b.width); ++x) {
            if (PixelAt(a, x, y) == PixelAt(b, x, y))
                continue;
            ++d.pixels;
            d.left = std::min(d.left, x);
            d.top = std::min(d.top, y);
            d.right = std::max(d.right, x + 1);
            d.bottom = std::max(d.bottom, y + 1);
        }
    }
    if (d.pixels == 0)
        d.left = d.top = 0;
    return d;
}

}  // namespace editor_test

}  // namespace kestrelon
