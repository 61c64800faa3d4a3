#include "dsp/lookup_table.h"
#include "dsp/transfer_curve.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace kestrelon {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(TransferCurve, EntriesFollowTheCurve)
{
    const double exponents[] = {0.05, 1.0, 5.0, 20.0};
    for (double e : exponents) {
        SCOPED_TRACE(testing::Message() << "exponent " << e);
        LUtTransfer curve(10000);
        curve.SetExponent(e);
        curve.Build(0.01);
        EXPECT_EQ(curve.GetEntry(0), 0.0);
        const int32_t indices[] = {1, 7, 100, 2500, 9999};
        for (int32_t i : indices) {
            const double x = i * 0.01;
            EXPECT_EQ(curve.GetEntry(i), 1.0 - std::pow(1.0 / (x + 1.0), e)) << "entry " << i;
        }
        // Rising towards but never above 1.
        for (int32_t i = 1; i < 10000; ++i) {
            ASSERT_GE(curve.GetEntry(i), curve.GetEntry(i - 1));
            ASSERT_LE(curve.GetEntry(i), 1.0);
        }
        EXPECT_DOUBLE_EQ(curve.GetRange(), 100.0);
        EXPECT_EQ(curve.GetLastBuiltX(), 9999 * 0.01);
    }
}

TEST(TransferCurve, ZeroExponentIsZeroEverywhere)
{
    LUtTransfer curve(10000);
    curve.SetExponent(2.0);
    curve.Build(0.01);
    curve.SetExponent(0.0);
    curve.Build(0.01);
    for (int32_t i = 0; i < 10000; ++i)
        ASSERT_EQ(curve.GetEntry(i), 0.0) << "entry " << i;
    const double probes[] = {-1.0, 0.0, 3.3, 99.99, 1e6};
    for (double x : probes)
        EXPECT_EQ(curve.Lookup(x), 0.0);
}

TEST(LookupTable, InterpolatesAndClamps)
{
    // The base table is the identity: 11 entries 0, 0.5, ..., 5.
    LUT table(11);
    table.Build(0.5);
    struct Case {
        double x, expected;
    };
    const Case cases[] = {
        {0.0, 0.0}, {0.25, 0.25}, {1.0, 1.0},  {3.75, 3.75}, {4.9, 4.9},    {5.0, 5.0},  // last entry exactly
        {5.2, 5.0}, {1e300, 5.0}, {kInf, 5.0}, {-0.1, 0.0},  {-1e300, 0.0}, {-kInf, 0.0}, {std::nan(""), 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x);
        EXPECT_NEAR(table.Lookup(c.x), c.expected, 1e-12);
    }
}

TEST(LookupTable, CurveLookupBetweenEntries)
{
    LUtTransfer curve(10000);
    curve.SetExponent(3.0);
    curve.Build(0.01);
    // Halfway between entries 123 and 124 reads their mean.
    const double mid = curve.Lookup(1.235);
    EXPECT_NEAR(mid, 0.5 * (curve.GetEntry(123) + curve.GetEntry(124)), 1e-12);
    EXPECT_EQ(curve.Lookup(99.99), curve.GetEntry(9999));
    EXPECT_EQ(curve.Lookup(250.0), curve.GetEntry(9999));
    EXPECT_EQ(curve.Lookup(-3.0), 0.0);
    EXPECT_EQ(curve.Lookup(std::nan("")), 0.0);
}

TEST(LookupTable, UnbuiltOrDegenerateTablesStayInside)
{
    LUT unbuilt(16);
    EXPECT_EQ(unbuilt.Lookup(3.0), 0.0);
    LUT empty(0);  // kept at one entry
    EXPECT_EQ(empty.GetCount(), 1);
    empty.Build(0.01);
    EXPECT_EQ(empty.Lookup(10.0), 0.0);
    LUT zeroStep(8);
    zeroStep.Build(0.0);  // scale infinite: every position clamps
    EXPECT_EQ(zeroStep.Lookup(0.0), 0.0);
    EXPECT_EQ(zeroStep.Lookup(1.0), 0.0);
}

}  // namespace

}  // namespace kestrelon
