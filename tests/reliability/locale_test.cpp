// A host running in a comma-decimal C locale (German, French, ...) must still
// see "2.4", not "2,4", and typing "3.5" must still give 3.5: the strings are
// part of the plug-in's interface, not of the user's language.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/plugin_export.h"
#include "tests/support/hosted_effect.h"

namespace kestrelon {

namespace {

enum Param { kAttack = 0, kSustain, kSensitivity, kOutput, kClipOutput };

std::string Display(testhost::HostedEffect& effect, int index)
{
    return effect.AskText(vst2::effGetParamDisplay, index).Text();
}

// A comma-decimal locale under the names the C libraries of Linux and
// Windows know it by.
const char* const kCommaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "de-DE", "German"};

class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = std::setlocale(LC_ALL, nullptr);
        for (const char* name : kCommaLocales) {
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
                chosen = name;
                return;
            }
        }
        std::setlocale(LC_ALL, saved.c_str());
        const char* require = std::getenv("KESTRELON_REQUIRE_LOCALE");
        if (require && std::strcmp(require, "1") == 0)
            FAIL() << "no comma-decimal locale could be set (tried de_DE.UTF-8 and its Windows names); "
                      "generate it: sed -i 's/^# *de_DE.UTF-8/de_DE.UTF-8/' /etc/locale.gen && locale-gen";
        GTEST_SKIP() << "no comma-decimal locale installed (set KESTRELON_REQUIRE_LOCALE=1 to fail instead)";
    }
    void TearDown() override { std::setlocale(LC_ALL, saved.c_str()); }

    std::string saved;
    std::string chosen;
};

TEST_F(CommaLocale, DisplayStringsAndTypedValuesUseAPoint)
{
    // The trap is armed: the C library itself now writes a comma.
    char check[16];
    std::snprintf(check, sizeof check, "%.1f", 2.4);
    ASSERT_STREQ(check, "2,4") << "locale " << chosen;

    testhost::HostedEffect effect(VSTPluginMain);
    ASSERT_NE(effect.Record(), nullptr);
    effect.Start(44100.0f, 512);

    // Attack at 2.36 shows one decimal.
    effect.Set(kAttack, (2.36f + 10.0f) / 20.0f);
    EXPECT_EQ(Display(effect, kAttack), "2.4");

    // Typed values with a point are read whole, not cut at the point.
    struct Typed {
        int param;
        const char* text;
        const char* shown;
        float normalised;
    };
    // printf rounding of the binary value -7.25 gives -7.2.
    const Typed rows[] = {
        {kAttack, "3.5", "3.5", 0.675f},      {kSustain, "-7.25", "-7.2", 0.1375f},
        {kSensitivity, "0.75", "0.8", 0.75f}, {kOutput, "-6.5", "-6.5", 0.2291667f},
        {kOutput, "12.0", "12.0", 1.0f},
    };
    for (const Typed& row : rows) {
        SCOPED_TRACE(std::string("typed \"") + row.text + "\"");
        EXPECT_TRUE(effect.TypeText(row.param, row.text));
        EXPECT_EQ(Display(effect, row.param), row.shown);
        EXPECT_NEAR(effect.Get(row.param), row.normalised, 1e-6);
    }
    EXPECT_EQ(effect.AskText(vst2::effGetParamLabel, kOutput).Text(), "dB");

    // The host's request to show a normalised value it is about to set.
    char text[256] = {};
    EXPECT_EQ(effect.Dispatch(vst2::effVendorSpecific, 7, kOutput, text, 0.75f), 0xBEEF);
    EXPECT_STREQ(text, "6.0");
}

}  // namespace

}  // namespace kestrelon
