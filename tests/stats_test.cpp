// The summaries behind every interval the scan prints, against values computed by hand or
// taken from published tables.
#include "stats/stats.h"
#include "stats_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

TEST(Stats, MedianTakesTheMiddleOrTheMeanOfTheTwoMiddles)
{
    EXPECT_TRUE(std::isnan(median({})));
    EXPECT_EQ(median({3.0}), 3.0);
    EXPECT_EQ(median({5.0, 1.0, 3.0}), 3.0);
    EXPECT_EQ(median({4.0, 1.0, 3.0, 2.0}), 2.5); // neither the lower nor the upper middle
    EXPECT_EQ(median({2.0, 2.0, 2.0, 9.0}), 2.0); // ties
}

// Ranks and coverage of the distribution-free 95 % interval of a median, as tabulated (for
// example Conover, Practical Nonparametric Statistics, table A3; Hollander and Wolfe).
TEST(Stats, MedianRanksMatchTheBinomialTable)
{
    const struct {
        int n, lower, upper;
        double coverage;
    } table[] = {
        {6, 1, 6, 0.9688},   {7, 1, 7, 0.9844},    {8, 1, 8, 0.9922},    {9, 2, 8, 0.9609},
        {10, 2, 9, 0.9785},  {12, 3, 10, 0.9614},  {15, 4, 12, 0.9648},  {17, 5, 13, 0.9510},
        {20, 6, 15, 0.9586}, {30, 10, 21, 0.9572}, {50, 18, 33, 0.9672}, {100, 40, 61, 0.9648},
    };
    for (const auto& row : table) {
        const RankInterval ranks = median_rank_interval(row.n, 0.95);
        EXPECT_EQ(ranks.lower, row.lower) << "n=" << row.n;
        EXPECT_EQ(ranks.upper, row.upper) << "n=" << row.n;
        EXPECT_NEAR(ranks.coverage, row.coverage, 5e-5) << "n=" << row.n;
    }
    // Exactly, by hand: 1 - 2 P(X <= l - 1) with X ~ Binomial(n, 1/2).
    EXPECT_NEAR(median_rank_interval(6, 0.95).coverage, 1 - 2.0 / 64, 1e-12);               // 0.96875
    EXPECT_NEAR(median_rank_interval(10, 0.95).coverage, 1 - 2.0 * (1 + 10) / 1024, 1e-12); // 0.978515625
    EXPECT_NEAR(median_rank_interval(20, 0.95).coverage, 1 - 2.0 * (1 + 20 + 190 + 1140 + 4845 + 15504) / 1048576,
                1e-12); // 0.958611
    // Five samples cannot reach 95 %: the whole sample, with the coverage it does have.
    const RankInterval five = median_rank_interval(5, 0.95);
    EXPECT_EQ(five.lower, 1);
    EXPECT_EQ(five.upper, 5);
    EXPECT_DOUBLE_EQ(five.coverage, 1.0 - 2.0 / 32.0);
}

TEST(Stats, MedianIntervalPicksThoseRanksOfTheSortedSample)
{
    const Interval interval = median_interval({10, 1, 9, 2, 8, 3, 7, 4, 6, 5}, 0.95); // ranks 2 and 9
    EXPECT_EQ(interval.low, 2.0);
    EXPECT_EQ(interval.high, 9.0);
    EXPECT_TRUE(std::isnan(median_interval({}, 0.95).low));
}

TEST(Stats, BootstrapOfARatioIsReproducibleAndPairsWhatWasMeasuredTogether)
{
    const Interval once = bootstrap_ratio_of_medians(paired_sequential, paired_parallel, 2000, 7, 0.95);
    const Interval again = bootstrap_ratio_of_medians(paired_sequential, paired_parallel, 2000, 7, 0.95);
    EXPECT_EQ(once.low, again.low);
    EXPECT_EQ(once.high, again.high);
    EXPECT_LE(once.low, 2.0);
    EXPECT_GE(once.high, 1.9);
    EXPECT_LT(once.high - once.low, 0.4);
    // Every pair in exactly the ratio 2: whatever is resampled, the ratio is 2.
    const Interval exact = bootstrap_ratio_of_medians({2, 4, 6, 8}, {1, 2, 3, 4}, 500, 1, 0.95);
    EXPECT_EQ(exact.low, 2.0);
    EXPECT_EQ(exact.high, 2.0);
    EXPECT_TRUE(std::isnan(bootstrap_ratio_of_medians({}, {}, 100, 1, 0.95).low));
    // Times of zero (calls shorter than the clock's tick): no ratio, and no sort on an order NaN breaks.
    const Interval zero = bootstrap_ratio_of_medians({0, 0, 0}, {0, 0, 0}, 100, 1, 0.95);
    EXPECT_TRUE(std::isnan(zero.low) && std::isnan(zero.high));
}

// Position p (size - 1) from 0, between neighbours: 0.025 of four values is 0.075 of the way
// from the first to the second.
TEST(Stats, PercentilesInterpolateAtTheirPosition)
{
    const std::vector<double> sorted = {10, 20, 30, 40};
    const struct {
        double p, value;
    } cases[] = {{0.0, 10}, {0.025, 10.75}, {0.5, 25}, {0.975, 39.25}, {1.0, 40}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(percentile_of_sorted(sorted, c.p), c.value) << c.p;
    EXPECT_EQ(percentile_of_sorted({7}, 0.975), 7.0);
}

// Three pairs and four resamples: the picks are the generator's raw draws modulo 3, so each
// resample's ratio can be worked out by hand, and so can the bounds at 0.075 and 2.925.
TEST(Stats, BootstrapBoundsAreTheTwoTailPercentilesOfTheResampledRatios)
{
    const std::vector<double> top = {1, 2, 4}, bottom = {1, 1, 1};
    std::mt19937_64 generator(3);
    std::vector<double> ratios;
    for (int r = 0; r < 4; ++r) {
        std::vector<double> picked;
        for (int i = 0; i < 3; ++i)
            picked.push_back(top[generator() % 3]);
        std::sort(picked.begin(), picked.end());
        ratios.push_back(picked[1]);
    }
    std::sort(ratios.begin(), ratios.end());
    const Interval interval = bootstrap_ratio_of_medians(top, bottom, 4, 3, 0.95);
    EXPECT_DOUBLE_EQ(interval.low, ratios[0] + 0.075 * (ratios[1] - ratios[0]));
    EXPECT_DOUBLE_EQ(interval.high, ratios[2] + 0.925 * (ratios[3] - ratios[2]));
    EXPECT_LT(ratios[0], ratios[3]); // the seed gives resamples that differ, so the positions show
    const Interval ninety = bootstrap_ratio_of_medians(top, bottom, 4, 3, 0.90); // 0.15 and 2.85
    EXPECT_DOUBLE_EQ(ninety.low, ratios[0] + 0.15 * (ratios[1] - ratios[0]));
    EXPECT_DOUBLE_EQ(ninety.high, ratios[2] + 0.85 * (ratios[3] - ratios[2]));
}

TEST(Stats, ScalingFiguresFromTheirDefinitions)
{
    EXPECT_TRUE(std::isnan(karp_flatt(1.0, 1)));
    EXPECT_DOUBLE_EQ(karp_flatt(2.0, 2), 0.0); // ideal: no serial fraction
    EXPECT_DOUBLE_EQ(karp_flatt(1.0, 2), 1.0); // no gain: all serial
    EXPECT_DOUBLE_EQ(karp_flatt(1.6, 2), (1 / 1.6 - 0.5) / 0.5);
    EXPECT_EQ(median_rank_interval(0, 0.95).upper, 0);
}

// A level that moves is found where it moved; noise, one wild point and short series are not.
TEST(Stats, DriftIsALevelThatMovesNotAPointThatStrays)
{
    // Deterministic noise of about 1 %: the series' own scatter.
    const auto noisy = [](int n, double level, int from) {
        std::vector<double> values;
        for (int i = from; i < from + n; ++i)
            values.push_back(level + 0.01 * std::sin(1.7 * i) + 0.005 * std::cos(5.3 * i));
        return values;
    };
    const auto joined = [](std::vector<double> a, const std::vector<double>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* what;
        std::vector<double> values;
        bool changed;
        int index;
    } cases[] = {
        {"a step of 0.3 after 10 of 20", joined(noisy(10, 0.66, 0), noisy(10, 0.36, 10)), true, 10},
        {"a step of 0.1 after 4 of 12", joined(noisy(4, 0.66, 0), noisy(8, 0.56, 4)), true, 4},
        {"noise alone", noisy(30, 0.66, 0), false, -1},
        {"one wild point", joined(joined(noisy(9, 0.66, 0), {0.2}), noisy(10, 0.66, 10)), false, -1},
        {"a step, but only 7 points", joined(noisy(3, 0.66, 0), noisy(4, 0.36, 3)), false, -1},
    };
    for (const auto& c : cases) {
        const Drift drift = detect_drift(c.values);
        EXPECT_EQ(drift.changed, c.changed) << c.what << ": statistic " << drift.statistic;
        if (c.changed) {
            EXPECT_EQ(drift.index, c.index) << c.what;
        }
    }
    // A slow slide with no single step is a change too.
    std::vector<double> slide;
    for (int i = 0; i < 20; ++i)
        slide.push_back(0.66 - 0.01 * i + 0.003 * std::sin(3.1 * i));
    EXPECT_TRUE(detect_drift(slide).changed);
    // Identical values: the noise floor keeps the statistic finite, and nothing moved.
    const Drift flat = detect_drift(std::vector<double>(12, 0.69));
    EXPECT_FALSE(flat.changed);
    EXPECT_EQ(flat.noise, DriftRule{}.noise_floor);
}

} // namespace
