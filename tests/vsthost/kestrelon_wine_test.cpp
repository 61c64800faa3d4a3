// The Windows build of the host with Kestrelon.dll, run under wine64, must
// render what the Linux build renders with Kestrelon.so: the same code on
// both platforms, to within float rounding.
#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/vsthost/cli_fixture.h"

namespace kestrelon {

namespace vsthost_test {
namespace {

// Where scripts/build.sh puts the Windows products, unless the environment
// names another folder.
std::string WindowsProducts()
{
    const char* dir = std::getenv("VSTHOST_WINDOWS_DIR");
    return dir && *dir ? dir : std::string(KESTRELON_SOURCE_DIR) + "/dist/windows";
}

// Unix paths as the Windows program sees them through wine's Z: drive.
std::string UnderWine(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

TEST_F(CliTest, WindowsBuildUnderWineRendersLikeTheLinuxBuild)
{
    const std::string exe = WindowsProducts() + "/vsthost.exe";
    const std::string dll = WindowsProducts() + "/Kestrelon.dll";
    if (!Exists(exe) || !Exists(dll))
        GTEST_SKIP() << "no Windows build in " << WindowsProducts();

    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        ASSERT_TRUE(WriteAudio(Path("in.wav"), MakeSignal(channels, 44100, 30000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
        const std::vector<std::string> settings = {"--set", "Attack=6", "--set", "Sustain=-4", "--set", "Output=2"};
        std::vector<std::string> linux = {"render", KestrelonPlugin(), Path("in.wav"), Path("linux.wav")};
        linux.insert(linux.end(), settings.begin(), settings.end());
        const ToolRun native = Run(linux);
        ASSERT_EQ(native.exitCode, 0) << native.err;

        std::vector<std::string> windows = {exe, "render", UnderWine(dll), UnderWine(Path("in.wav")),
                                            UnderWine(Path("windows.wav"))};
        windows.insert(windows.end(), settings.begin(), settings.end());
        const ToolRun wine = RunProgram(std::string(KESTRELON_SOURCE_DIR) + "/scripts/wine-run.sh", windows, workDir);
        ASSERT_EQ(wine.exitCode, 0) << wine.err;
        EXPECT_THAT(wine.out, ::testing::HasSubstr("latency 88 compensated"));

        const Audio a = ReadAudio(Path("linux.wav"));
        const Audio b = ReadAudio(Path("windows.wav"));
        ASSERT_EQ(a.channels, channels);
        ASSERT_EQ(a.samples.size(), b.samples.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < a.samples.size(); ++i) {
            // A few units in the last place of a float sample.
            const double ulp = std::ldexp(1.0, std::ilogb(std::max(std::fabs(a.samples[i]), 1e-30)) - 23);
            worst = std::max(worst, std::fabs(a.samples[i] - b.samples[i]) / ulp);
        }
        EXPECT_LE(worst, 4.0) << "largest difference in float steps";
    }
}

}  // namespace
}  // namespace vsthost_test

}  // namespace kestrelon
