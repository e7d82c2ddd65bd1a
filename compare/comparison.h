// The comparison itself: per thread count that both sides measured, B's median time over A's
// and B's speed-up over A's, each with a bootstrap interval in which each side's rounds are
// resampled on their own, and whether each ratio is clear of the noise.
#pragma once

#include "compare/rounds.h"
#include "stats/stats.h"

#include <cstdint>
#include <vector>

struct CompareSettings {
    std::uint64_t seed = 0;  // recorded; each count and figure draws its own stream from it
    double threshold = 0.02; // ratios within 1 +- threshold are no difference
    int resamples = 2000;
    double confidence = 0.95;
    int minimum_rounds = min_interval_pairs; // below this on either side, no verdict: the interval's coverage is poor
};

struct CountComparison {
    int threads = 0;
    int runs_a = 0, runs_b = 0;   // samples behind each side's median time
    int pairs_a = 0, pairs_b = 0; // rounds behind each side's speed-up
    double median_a_s = 0.0, median_b_s = 0.0;
    double speedup_a = 0.0, speedup_b = 0.0;
    RatioEstimate time;                               // B's median time over A's: below 1, B is faster
    RatioEstimate speedup;                            // B's speed-up over A's: above 1, B gains more from its threads
    bool time_judged = false, speedup_judged = false; // enough rounds on both sides for a verdict
    Change time_change = Change::none, speedup_change = Change::none;
};

struct Comparison {
    CompareSettings settings;
    std::vector<int> only_in_a, only_in_b; // thread counts one side did not measure
    std::vector<CountComparison> counts;   // the thread counts both measured, ascending
};

// Each side is one scan or several (the same work, scanned at other times): the figures pool a
// side's scans, and the intervals resample the scans as well as their rounds.
Comparison compare_rounds(const std::vector<CountedRounds>& a, const std::vector<CountedRounds>& b,
                          const CompareSettings& settings);
Comparison compare_rounds(const CountedRounds& a, const CountedRounds& b, const CompareSettings& settings);
