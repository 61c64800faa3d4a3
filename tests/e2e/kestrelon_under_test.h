// The built Kestrelon library as the end-to-end tests see it, and the facts
// about it that depend on how far the effect is built.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "framework/vst/vst2_abi.h"
#include "tests/support/hosted_effect.h"
#include "tests/support/recording_host.h"

namespace kestrelon {

namespace e2e {

// The effect always attaches its editor, so every stored state carries the
// editor's three values, and the host is told there is an editor window to
// show: the Windows window, or the X11 one on Linux.
constexpr bool kHasEditor = true;
constexpr bool kHasEditorWindow = true;

constexpr vst2::VstInt32 kExpectedFlags = vst2::effFlagsCanReplacing | vst2::effFlagsCanDoubleReplacing |
                                          vst2::effFlagsCanMono | (kHasEditorWindow ? vst2::effFlagsHasEditor : 0);
constexpr int kEditorStateValues = kHasEditor ? 3 : 0;

constexpr int kParamCount = 5;
enum Param { kAttack = 0, kSustain = 1, kSensitivity = 2, kOutput = 3, kClipOutput = 4 };

// The library's file: $KESTRELON_PLUGIN when set, else the path the build
// compiled in.
std::string PluginPath();
// An exported function of the library, loading it on first use; null (with
// the reason in LoadError) when the library or the symbol is missing.
vst2::VstPluginMainProc Entry(const char* name = "VSTPluginMain");
std::string LoadError();

// Base of every end-to-end test: one recording host per test; instances made
// through the library's entry point report to it.
class KestrelonTest : public ::testing::Test {
protected:
    void SetUp() override;

    // A new instance, not yet opened.
    std::unique_ptr<testhost::HostedEffect> Create();
    // A new instance opened, given a sample rate and block size, and resumed.
    std::unique_ptr<testhost::HostedEffect> Started(float sampleRate = 44100.0f, vst2::VstInt32 blockSize = 512);

    testhost::RecordingHost host;
};

}  // namespace e2e

}  // namespace kestrelon
