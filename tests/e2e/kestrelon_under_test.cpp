#include "tests/e2e/kestrelon_under_test.h"

#include <cstdlib>

#include "tests/support/plugin_library.h"

namespace kestrelon {

namespace e2e {

namespace {

// Loaded once per test program and unloaded at exit, like a host that keeps
// a library while any of its instances may exist.
testhost::PluginLibrary& Library()
{
    static testhost::PluginLibrary library;
    static bool tried = false;
    if (!tried) {
        tried = true;
        library.Open(PluginPath());
    }
    return library;
}

}  // namespace

std::string PluginPath()
{
    const char* fromEnvironment = std::getenv("KESTRELON_PLUGIN");
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    return KESTRELON_PLUGIN_PATH;
}

vst2::VstPluginMainProc Entry(const char* name)
{
    return Library().FindEntry(name);
}

std::string LoadError()
{
    if (!Library().IsOpen())
        return "cannot load " + PluginPath() + ": " + Library().Error();
    return "no VSTPluginMain in " + PluginPath();
}

void KestrelonTest::SetUp()
{
    ASSERT_NE(Entry(), nullptr) << LoadError();
}

std::unique_ptr<testhost::HostedEffect> KestrelonTest::Create()
{
    auto effect = std::make_unique<testhost::HostedEffect>(Entry(), &testhost::RecordingHost::Callback);
    EXPECT_NE(effect->Record(), nullptr) << "the entry point gave no effect record";
    return effect;
}

std::unique_ptr<testhost::HostedEffect> KestrelonTest::Started(float sampleRate, vst2::VstInt32 blockSize)
{
    auto effect = Create();
    effect->Start(sampleRate, blockSize);
    return effect;
}

}  // namespace e2e

}  // namespace kestrelon
