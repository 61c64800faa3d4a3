#include "framework/parameter.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace kestrelon {

namespace {

// The five parameters as the effect declares them.
struct EffectParams {
    IParameter attack, sustain, sensitivity, output, clip;
    EffectParams()
    {
        attack.DefineContinuous("Attack", 0.0, -10.0, 10.0, 0.1, "", 1.0);
        sustain.DefineContinuous("Sustain", 0.0, -10.0, 10.0, 0.1, "", 1.0);
        sensitivity.DefineContinuous("Sensitivity", 0.5, 0.0, 1.0, 0.1, "", 1.0);
        output.DefineContinuous("Output", 0.0, -12.0, 12.0, 0.1, "dB", 1.0);
        clip.DefineSwitch("Clip Output", true, "");
    }
};

std::string Display(const IParameter& p, double v, bool normalised = false, bool texts = true)
{
    char buffer[kParamTextSize];
    std::memset(buffer, '#', sizeof(buffer));
    p.GetDisplayText(v, normalised, buffer, texts);
    return buffer;
}

std::string CDisplay(int precision, double v)
{
    char buffer[400];
    std::snprintf(buffer, sizeof(buffer), "%.*f", precision, v);
    return buffer;
}

}  // namespace

TEST(Parameter, DefinitionsOfTheEffect)
{
    EffectParams p;
    EXPECT_EQ(p.attack.Type(), ParamKind::KindContinuous);
    EXPECT_EQ(p.attack.DisplayPrecision(), 1);
    EXPECT_STREQ(p.output.GetName(), "Output");
    EXPECT_STREQ(p.output.Label(), "dB");
    EXPECT_EQ(p.sensitivity.Value(), 0.5);

    EXPECT_EQ(p.clip.Type(), ParamKind::KindSwitch);
    EXPECT_EQ(p.clip.Value(), 1.0);
    EXPECT_EQ(p.clip.DisplayPrecision(), 0);
    EXPECT_EQ(p.clip.GetDisplayTextCount(), 2);
    EXPECT_STREQ(p.clip.GetDisplayTextFor(0), "off");
    EXPECT_STREQ(p.clip.GetDisplayTextFor(1), "on");
    EXPECT_STREQ(p.clip.GetDisplayTextFor(2), "");

    IParameter steps;
    steps.DefineInteger("Steps", 3, 0, 10, "st");
    EXPECT_EQ(steps.Type(), ParamKind::KindInteger);
    EXPECT_EQ(steps.Step(), 1.0);
    EXPECT_EQ(steps.Value(), 3.0);

    // A parameter defined twice keeps its first kind and, for shape 0, its curve.
    IParameter redefined;
    redefined.DefineInteger("Steps", 0, 0, 10);
    redefined.DefineContinuous("Steps", 0, 0, 10, 0.5, "", 0.0);
    EXPECT_EQ(redefined.Type(), ParamKind::KindInteger);
    EXPECT_EQ(redefined.Shape(), 1.0);
}

TEST(Parameter, EmptyRangeWidensByOneStep)
{
    IParameter equal, inverted;
    equal.DefineContinuous("X", 5.0, 5.0, 5.0, 0.5);
    inverted.DefineContinuous("X", 5.0, 5.0, 2.0, 1.0);
    EXPECT_EQ(equal.MaxValue(), 5.5);
    EXPECT_EQ(inverted.MaxValue(), 6.0);
    EXPECT_EQ(inverted.ToNormalized(5.5), 0.5);
}

TEST(Parameter, PrecisionFollowsTheStep)
{
    const struct {
        double step;
        int precision;
    } cases[] = {
        {0.1, 1}, {1.0, 0}, {2.0, 0}, {0.5, 1}, {0.25, 2}, {0.001, 3}, {1e-8, 6}, {1.0 / 3.0, 6},
    };
    for (const auto& c : cases) {
        IParameter p;
        p.DefineContinuous("X", 0.0, 0.0, 100.0, c.step);
        EXPECT_EQ(p.DisplayPrecision(), c.precision) << "step " << c.step;
    }
}

TEST(Parameter, StepRoundingHalvesUpwardsExceptContinuous)
{
    EffectParams p;
    EXPECT_EQ(p.clip.SetFromNormalized(0.49), 0.0);
    EXPECT_FALSE(p.clip.GetBool());
    EXPECT_EQ(p.clip.SetFromNormalized(0.5), 1.0);
    EXPECT_TRUE(p.clip.GetBool());

    IParameter steps;
    steps.DefineInteger("Steps", 0, 0, 10);
    EXPECT_EQ(steps.SetFromNormalized(0.25), 3.0);  // 2.5 rounds up
    EXPECT_EQ(steps.SetFromNormalized(0.24), 2.0);
    EXPECT_EQ(steps.SetFromNormalized(1.0), 10.0);
    EXPECT_EQ(steps.Value(), 10.0);

    // Continuous values are kept exactly as computed, not put on the 0.1 grid.
    const double expected = 0.123 * (10.0 - -10.0) + -10.0;
    EXPECT_EQ(p.attack.SetFromNormalized(0.123), expected);
    EXPECT_EQ(p.attack.Value(), expected);
    EXPECT_NEAR(p.attack.Value(), -7.54, 1e-12);
    EXPECT_EQ(Display(p.attack, p.attack.Value()), "-7.5");

    // The boolean reading of a continuous parameter starts at 0.5.
    p.sensitivity.Set(0.4999);
    EXPECT_FALSE(p.sensitivity.GetBool());
    p.sensitivity.Set(0.5);
    EXPECT_TRUE(p.sensitivity.GetBool());
}

TEST(Parameter, ShapeCurveBothWays)
{
    IParameter drive;
    drive.DefineContinuous("Drive", 0.0, 0.0, 100.0, 0.1, "%", 2.0);
    EXPECT_DOUBLE_EQ(drive.SetFromNormalized(0.5), 25.0);
    EXPECT_DOUBLE_EQ(drive.ToNormalized(25.0), 0.5);
    EXPECT_DOUBLE_EQ(drive.ToNormalized(drive.SetFromNormalized(0.3)), 0.3);
    EXPECT_EQ(Display(drive, 0.5, true), "25.0");
    EXPECT_EQ(Display(drive, 1.0, true), "100.0");
}

TEST(Parameter, LimitsOfSetAndToNormalized)
{
    EffectParams p;
    const struct {
        double plain, normalised;
    } cases[] = {
        {20.0, 1.0}, {12.0, 1.0}, {-12.0, 0.0}, {-20.0, 0.0}, {0.0, 0.5}, {6.0, 0.75},
    };
    for (const auto& c : cases)
        EXPECT_EQ(p.output.ToNormalized(c.plain), c.normalised) << c.plain;

    p.output.Set(99.0);
    EXPECT_EQ(p.output.Value(), 12.0);
    p.output.Set(-99.0);
    EXPECT_EQ(p.output.Value(), -12.0);
    p.output.Set(-3.25);
    EXPECT_EQ(p.output.Value(), -3.25);  // Set keeps off-grid values
}

TEST(Parameter, DisplayOfTheEffectsParameters)
{
    EffectParams p;
    p.attack.Set(2.36);
    EXPECT_EQ(Display(p.attack, p.attack.Value()), "2.4");
    EXPECT_STREQ(p.attack.GetDisplayLabel(), "");

    p.output.Set(-12.0);
    EXPECT_EQ(Display(p.output, p.output.Value()), "-12.0");
    EXPECT_STREQ(p.output.GetDisplayLabel(), "dB");

    p.clip.Set(1.0);
    EXPECT_EQ(Display(p.clip, p.clip.Value()), "on");
    EXPECT_STREQ(p.clip.GetDisplayLabel(), "");
    p.clip.Set(0.0);
    EXPECT_EQ(Display(p.clip, p.clip.Value()), "off");
    EXPECT_STREQ(p.clip.GetDisplayLabel(), "");
    EXPECT_EQ(Display(p.clip, 0.0, false, false), "0");
    EXPECT_EQ(Display(p.clip, 1.0, true), "on");
}

TEST(Parameter, NumbersFormatLikePrintfInTheCLocale)
{
    // Ties on the exact binary value go to even; values just below a tie round down.
    const struct {
        int precision;
        double v;
        const char* text;
    } cases[] = {
        {1, 2.36, "2.4"},     {1, -12.0, "-12.0"},        {1, 0.25, "0.2"},   {1, 0.35, "0.3"},
        {1, 2.45, "2.5"},     {1, -0.04, "-0.0"},         {2, 0.125, "0.12"}, {2, 1.005, "1.00"},
        {3, 1.0005, "1.000"}, {6, 1.0 / 3.0, "0.333333"}, {1, 9.96, "10.0"},
    };
    for (const auto& c : cases) {
        const double steps[] = {1.0, 0.1, 0.01, 0.001, 0.0001, 0.00001, 0.000001};
        IParameter p;
        p.DefineContinuous("X", 0.0, -1e6, 1e6, steps[c.precision]);
        ASSERT_EQ(p.DisplayPrecision(), c.precision);
        EXPECT_EQ(Display(p, c.v), c.text) << c.v;
        EXPECT_EQ(Display(p, c.v), CDisplay(c.precision, c.v)) << c.v;
    }

    // Precision 0 shows the value truncated towards zero, as "%d" of trunc(v).
    IParameter whole;
    whole.DefineContinuous("X", 0.0, -1e12, 1e12, 1.0);
    const struct {
        double v;
        const char* text;
    } truncations[] = {
        {1.7, "1"},
        {-1.7, "-1"},
        {-0.5, "0"},
        {2147483647.9, "2147483647"},
        {-2147483648.5, "-2147483648"},
        {1e10 + 0.5, "10000000000"},
    };
    for (const auto& c : truncations)
        EXPECT_EQ(Display(whole, c.v), c.text) << c.v;
}

TEST(Parameter, DisplayTextLookup)
{
    IParameter mode;
    mode.DefineContinuous("Mode", 0.0, 0.0, 3.0, 1.0, "ms");
    mode.AddValueText(0, "off");
    mode.AddValueText(1, "first");
    mode.AddValueText(1, "second");
    mode.AddValueText(2, "");

    // The first entry added for a value wins, in display and label.
    mode.Set(1.0);
    EXPECT_EQ(Display(mode, 1.0), "first");
    EXPECT_STREQ(mode.GetDisplayLabel(), "");
    EXPECT_STREQ(mode.GetDisplayTextFor(1), "first");

    // 1.7 is truncated for the text look-up and for the numeric form.
    mode.Set(1.7);
    EXPECT_EQ(Display(mode, 1.7), "first");
    EXPECT_STREQ(mode.GetDisplayLabel(), "");
    EXPECT_EQ(Display(mode, 1.7, false, false), "1");

    // An empty text, or no text at all, falls back to the number and the label.
    mode.Set(2.0);
    EXPECT_EQ(Display(mode, 2.0), "2");
    EXPECT_STREQ(mode.GetDisplayLabel(), "ms");
    mode.Set(3.0);
    EXPECT_EQ(Display(mode, 3.0), "3");
    EXPECT_STREQ(mode.GetDisplayLabel(), "ms");

    double value = -5.0;
    EXPECT_TRUE(mode.FindValueByText("second", &value));
    EXPECT_EQ(value, 1.0);
    EXPECT_TRUE(mode.FindValueByText("off", &value));
    EXPECT_EQ(value, 0.0);
    value = -5.0;
    for (const char* miss : {"Off", "of", "offf", "off ", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(mode.FindValueByText(miss, &value)) << (miss ? miss : "(null)");
    EXPECT_EQ(value, -5.0);  // a miss leaves the destination alone
}

TEST(Parameter, LongTextsAreCutOnCharacterBoundaries)
{
    const std::string a30(30, 'a'), a29(29, 'a'), a28(28, 'a');
    const struct {
        std::string in, out;
    } cases[] = {
        {std::string(31, 'x'), std::string(31, 'x')},
        {std::string(40, 'x'), std::string(31, 'x')},
        {a30 + "\xC3\xA9", a30},  // two-byte character across the limit
        {a29 + "\xC3\xA9"
               "b",
         a29 + "\xC3\xA9"},  // ends exactly at the limit
        {a29 + "\xE2\x82\xAC", a29},  // three-byte character
        {a28 + "\xF0\x9F\xA5\x81", a28},  // four-byte character
        {a28 + "\xE2\x82\xAC"
               "cd",
         a28 + "\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        IParameter p;
        p.DefineContinuous(c.in.c_str(), 0.0, 0.0, 1.0, 1.0, c.in.c_str());
        p.AddValueText(0, c.in.c_str());
        EXPECT_EQ(std::string(p.GetName()), c.out);
        EXPECT_EQ(std::string(p.Label()), c.out);
        EXPECT_EQ(Display(p, 0.0), c.out);
        EXPECT_STREQ(p.GetDisplayTextFor(0), c.out.c_str());
        EXPECT_LE(c.out.size(), 31u);
    }

    // Null texts define empty fields.
    IParameter p;
    p.DefineContinuous(nullptr, 0.0, 0.0, 1.0, 1.0, nullptr);
    EXPECT_STREQ(p.GetName(), "");
    EXPECT_STREQ(p.Label(), "");
}

TEST(Parameter, DisplayIgnoresACommaDecimalLocale)
{
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8",          "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                "ru_RU.UTF-8", "German_Germany.1252", "de-DE", "German"};
    const char* chosen = nullptr;
    for (const char* name : candidates) {
        if (!std::setlocale(LC_ALL, name))
            continue;
        char probe[16];
        std::snprintf(probe, sizeof(probe), "%.1f", 2.5);
        if (std::strcmp(probe, "2,5") == 0) {
            chosen = name;
            break;
        }
    }
    if (!chosen) {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "no comma-decimal locale installed";
    }

    EffectParams p;
    const std::string attack = Display(p.attack, 2.36);
    const std::string output = Display(p.output, -12.0);
    std::setlocale(LC_ALL, "C");

    EXPECT_EQ(attack, "2.4") << "under " << chosen;
    EXPECT_EQ(output, "-12.0");
}

}  // namespace kestrelon
