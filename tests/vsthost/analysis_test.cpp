// The demo's measurements: levels of known signals and the gain change
// between a file and its render.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/vsthost/analysis.h"

namespace kestrelon {

namespace {

using vsthost::BuildPlotRows;
using vsthost::MeasureLevels;
using vsthost::ToDecibels;

TEST(Analysis, LevelsOfKnownSignals)
{
    std::vector<double> sine;
    for (int i = 0; i < 4800; ++i)
        sine.push_back(0.5 * std::sin(2.0 * 3.14159265358979 * i / 48.0));
    const vsthost::LevelStats s = MeasureLevels(sine);
    EXPECT_NEAR(s.peak, 0.5, 1e-9);
    EXPECT_NEAR(s.rms, 0.5 / std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(ToDecibels(s.peak) - ToDecibels(s.rms), 3.0103, 1e-4);

    const vsthost::LevelStats square = MeasureLevels({0.25, -0.25, 0.25, -0.25});
    EXPECT_EQ(square.peak, 0.25);
    EXPECT_EQ(square.rms, 0.25);
    EXPECT_EQ(MeasureLevels({}).rms, 0.0);
    EXPECT_TRUE(std::isinf(ToDecibels(0.0)));
    EXPECT_NEAR(ToDecibels(0.1), -20.0, 1e-12);
}

TEST(Analysis, PlotRowsFollowEnvelopesAndTheGainChange)
{
    // Stereo: a loud first half and a silent second half, rendered at half level.
    const int channels = 2;
    std::vector<double> in, out;
    for (int i = 0; i < 1024; ++i) {
        const double s = i < 512 ? 0.8 * std::sin(i * 0.3) : 0.0;
        in.push_back(s);
        in.push_back(-s);
        out.push_back(0.5 * s);
        out.push_back(-0.5 * s);
    }
    const auto rows = BuildPlotRows(in, out, channels, 1000, 64, 32);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_DOUBLE_EQ(rows[1].time, 0.064);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        double lo = 0.0, hi = 0.0;
        for (std::size_t i = r * 64; i < r * 64 + 64; ++i) {
            lo = std::min(lo, in[i * 2]);
            hi = std::max(hi, in[i * 2]);
        }
        EXPECT_DOUBLE_EQ(rows[r].inMin, lo);
        EXPECT_DOUBLE_EQ(rows[r].inMax, hi);
        EXPECT_DOUBLE_EQ(rows[r].outMax, 0.5 * hi);
        if (r < 7) {
            ASSERT_TRUE(rows[r].hasGain) << r;
            EXPECT_NEAR(rows[r].gainDb, -6.0206, 1e-3);
        }
        if (r > 8) {
            EXPECT_FALSE(rows[r].hasGain) << r;
        }
    }
    EXPECT_TRUE(BuildPlotRows(in, std::vector<double>(10), channels, 1000, 64, 32).empty());
}

}  // namespace

}  // namespace kestrelon
