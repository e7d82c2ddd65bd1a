// The fastest of several candidates timed in the same rounds and the ones that cannot be told
// from it, on synthetic rounds whose answer is known by construction.
#include "stats/fastest.h"
#include "stats/stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const double missing = std::nan("");

// Round r of a machine whose speed swings by 60 % between rounds: what every candidate shares.
double drift(std::size_t r)
{
    return r % 2 == 0 ? 1.0 : 1.6;
}

// times[r] = base * factor * drift(r) * (1 + a small wobble of its own, +-0.4 %).
std::vector<double> candidate(double base, std::size_t rounds, unsigned salt)
{
    std::vector<double> times;
    for (std::size_t r = 0; r < rounds; ++r) {
        const double wobble = 0.004 * std::sin(1.7 * static_cast<double>(r) + salt);
        times.push_back(base * drift(r) * (1.0 + wobble));
    }
    return times;
}

TEST(FastestSet, PairingByRoundSeesThroughAMachineThatSwingsBetweenRounds)
{
    // 8 % apart: far less than the swing between rounds, far more than each round's own noise.
    const auto set =
        fastest_set({candidate(1.08, 16, 1), candidate(1.0, 16, 2), candidate(1.5, 16, 3)}, 0.02, 2000, 7, 0.95);
    EXPECT_EQ(set.fastest, 1);
    EXPECT_EQ(set.indistinguishable, (std::vector<bool>{false, true, false}));
    EXPECT_NEAR(set.versus_fastest[0].ratio, 1.08, 0.01);
    EXPECT_GT(set.versus_fastest[0].low, 1.05); // an unpaired resampling would reach past 1 here
    EXPECT_EQ(set.versus_fastest[0].pairs, 16);
    EXPECT_DOUBLE_EQ(set.versus_fastest[1].ratio, 1.0);
}

TEST(FastestSet, EqualsJoinTheSetByTheIntervalOrByTheTolerance)
{
    const std::vector<double> base = candidate(1.0, 12, 4);
    std::vector<double> one_percent, three_percent, twin = candidate(1.0, 12, 9);
    for (double t : base) {
        one_percent.push_back(t * 1.01);   // surely slower, but by less than the tolerance
        three_percent.push_back(t * 1.03); // surely slower, and by more
    }
    const auto set = fastest_set({base, twin, one_percent, three_percent}, 0.02, 2000, 3, 0.95);
    ASSERT_TRUE(set.fastest == 0 || set.fastest == 1);
    EXPECT_TRUE(set.indistinguishable[0]);
    EXPECT_TRUE(set.indistinguishable[1]); // its interval holds 1
    EXPECT_TRUE(set.indistinguishable[2]); // [1.01, 1.01]-ish: not 1, but within 2 %
    EXPECT_FALSE(set.indistinguishable[3]);

    // within: counted an equal; straddles: whether it is rests on where the rounds fell.
    const struct {
        PairedRatio ratio;
        bool within, straddles;
    } cases[] = {
        {{1.0, 0.97, 1.05, 6}, true, true},             // holds 1, however wide, but reaches past 2 %
        {{1.0, 0.99, 1.01, 6}, true, false},            // holds 1 and stays inside
        {{1.015, 1.01, 1.02, 6}, true, false},          // within 1 + 2 %, exactly at the edge
        {{1.015, 1.01, 1.0201, 6}, false, true},        // just past it
        {{1.03, 1.0201, 1.05, 6}, false, false},        // surely slower by more than 2 %
        {{1.03, 1.02, 1.05, 6}, false, true},           // its low end on the edge: not surely
        {{0.985, 0.9805, 0.99, 6}, true, false},        // below 1, within 1 / 1.02
        {{0.97, 0.97, 0.99, 6}, false, true},           // below 1 / 1.02, and above it
        {{0.97, 0.96, 0.975, 6}, false, false},         // wholly below 1 / 1.02
        {{0.99, 1.0 / 1.02, 0.99, 6}, true, false},     // its low end on 1 / 1.02: inside
        {{0.97, 0.96, 1.0 / 1.02, 6}, false, true},     // its high end on 1 / 1.02: not surely below
        {{missing, missing, missing, 0}, false, false}, // nothing to judge by
        {{1.05, missing, missing, 3}, false, false},    // a ratio without an interval
    };
    for (const auto& c : cases) {
        EXPECT_EQ(within_tolerance_of_one(c.ratio, 0.02), c.within) << c.ratio.low << " " << c.ratio.high;
        EXPECT_EQ(straddles_tolerance(c.ratio, 0.02), c.straddles) << c.ratio.low << " " << c.ratio.high;
    }
}

TEST(FastestSet, OnlyRoundsWhereBothHaveATimeCountForTheRatioAndItsInterval)
{
    // The numerator is twice as slow in rounds 1-4, where the denominator has no time: those
    // rounds must not move the estimate away from its interval.
    const std::vector<double> numerator = {2, 2, 2, 2, 1, 1, 1, 1, 1, 1};
    const std::vector<double> denominator = {missing, missing, missing, missing, 1, 1, 1, 1, 1, 1};
    const PairedRatio ratio = paired_ratio(numerator, denominator, 500, 1, 0.95);
    EXPECT_EQ(ratio.pairs, 6);
    EXPECT_DOUBLE_EQ(ratio.ratio, 1.0);
    EXPECT_DOUBLE_EQ(ratio.low, 1.0);
    EXPECT_DOUBLE_EQ(ratio.high, 1.0);
    // A shorter series counts as missing beyond its end.
    EXPECT_EQ(paired_ratio({1, 1, 1}, {1}, 100, 1, 0.95).pairs, 1);
}

TEST(FastestSet, BelowTheFloorOfPairsARatioHasNoIntervalAndMakesNoEqual)
{
    // A twin of the fastest, 1 % slower in every round: an equal by any interval, once there are
    // rounds enough to have one. The twin has times in the first rounds only. A steady machine,
    // so that the twin's median over its own rounds stays above the fastest's.
    std::vector<double> fastest;
    for (int r = 0; r < 12; ++r)
        fastest.push_back(1.0 + 0.002 * std::sin(1.3 * r));
    for (int pairs = 1; pairs <= 8; ++pairs) {
        std::vector<double> twin;
        for (std::size_t r = 0; r < fastest.size(); ++r)
            twin.push_back(fastest[r] * 1.01);
        for (std::size_t r = static_cast<std::size_t>(pairs); r < twin.size(); ++r)
            twin[r] = missing;
        const auto set = fastest_set({fastest, twin}, 0.02, 500, 5, 0.95);
        const bool has_interval = pairs >= min_interval_pairs;
        ASSERT_EQ(set.fastest, 0) << pairs;
        EXPECT_EQ(set.versus_fastest[1].pairs, pairs);
        EXPECT_NEAR(set.versus_fastest[1].ratio, 1.01, 1e-9) << pairs; // the estimate stands alone
        EXPECT_EQ(std::isfinite(set.versus_fastest[1].low), has_interval) << pairs;
        EXPECT_EQ(std::isfinite(set.versus_fastest[1].high), has_interval) << pairs;
        EXPECT_EQ(set.indistinguishable[1], has_interval) << pairs;
        EXPECT_TRUE(set.indistinguishable[0]) << pairs; // the fastest is its own equal
        // A speed-up taken the same way over so few rounds is a ratio without an interval too.
        const PairedRatio speedup = paired_ratio(twin, fastest, 500, 5, 0.95);
        EXPECT_EQ(std::isnan(speedup.low) && std::isnan(speedup.high), !has_interval) << pairs;
    }
    EXPECT_EQ(min_interval_pairs, 6);
}

TEST(FastestSet, CandidatesWithoutTimesAreNeverFastestNorEqual)
{
    const std::vector<double> none(6, missing);
    const std::vector<double> early = {1.0, 1.0, 1.0, missing, missing, missing},
                              late = {missing, missing, missing, 0.5, 0.5, 0.5};
    const auto set = fastest_set({none, early, late}, 0.02, 500, 1, 0.95);
    EXPECT_EQ(set.fastest, 2);
    EXPECT_TRUE(std::isnan(set.medians[0]));
    EXPECT_EQ(set.indistinguishable, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(set.versus_fastest[1].pairs, 0); // no round in common: nothing can be said
    EXPECT_TRUE(std::isnan(set.versus_fastest[1].ratio));

    const auto empty = fastest_set({none, none}, 0.02, 500, 1, 0.95);
    EXPECT_EQ(empty.fastest, -1);
    EXPECT_EQ(empty.indistinguishable, (std::vector<bool>{false, false}));
    // Equal medians: the first is the fastest, so a tie goes to the smaller edge.
    EXPECT_EQ(fastest_set({{2, 1, 3}, {1, 2, 3}}, 0.02, 100, 1, 0.95).fastest, 0);
}

TEST(FastestSet, TheSameSeedGivesTheSameIntervals)
{
    const std::vector<std::vector<double>> series = {candidate(1.0, 9, 1), candidate(1.01, 9, 5)};
    const auto first = fastest_set(series, 0.02, 1000, 42, 0.95), second = fastest_set(series, 0.02, 1000, 42, 0.95);
    EXPECT_EQ(first.versus_fastest[1].low, second.versus_fastest[1].low);
    EXPECT_EQ(first.versus_fastest[1].high, second.versus_fastest[1].high);
}

} // namespace
